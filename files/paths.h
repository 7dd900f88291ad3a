// Path names on POSIX rules: "/" is the only separator and there are no
// drives.  Used for the command line's file names and for include files.
#pragma once

#include <cstdint>
#include <string>

namespace qdl {

// Longest path name accepted anywhere (input, include, output, listing,
// dump, statistics), after a default extension has been added.  Longer
// names are refused with message -19; this is the common PATH_MAX - 1.
constexpr size_t kMaxPathName = 4095;

struct PathParts {
  std::string directory;  // up to and including the last "/"; may be empty
  std::string base;       // the last component without its extension
  std::string extension;  // from the last "." of the last component (".x"
                          // is a base name without extension), or empty
};

PathParts SplitPath(const std::string& path);

// Concatenates the parts; adds "/" after a non-empty directory that lacks
// one and "." before a non-empty extension that lacks one.
std::string JoinPath(const PathParts& parts);

// The path with `extension` put in place of an empty extension.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

// Something (file, directory, device...) exists under this name.
bool PathExists(const std::string& path);
bool IsRegularFile(const std::string& path);

// The absolute form of `path` made with the current directory, with "."
// and ".." components removed.  When the current directory cannot be
// determined (it was removed), a relative path is returned as it is: it
// still names the file relative to the current directory.
std::string AbsolutePath(const std::string& path);

// The file a name finally stands for when its last component is a
// symbolic link (followed as long as it leads to another link, even to
// one that does not exist); the name itself otherwise.
std::string FollowLinks(const std::string& path);

// Whether two names are the same file: both exist and have the same
// device and inode, or their absolute paths with the directory part
// resolved through symbolic links (and a link in the last component
// followed) are equal.
bool SameFile(const std::string& a, const std::string& b);

// What SameFile compares, found once for a name that is compared often.
struct FileIdentity {
  bool exists = false;
  uint64_t device = 0;
  uint64_t inode = 0;
  std::string canonical;  // the absolute, resolved name
};
FileIdentity IdentifyFile(const std::string& path);
bool SameFile(const FileIdentity& a, const FileIdentity& b);

}  // namespace qdl
