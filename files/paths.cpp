#include "files/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace qdl {

PathParts SplitPath(const std::string& path) {
  PathParts parts;
  size_t slash = path.rfind('/');
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  parts.directory = path.substr(0, nameStart);
  std::string name = path.substr(nameStart);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) {
    parts.base = name;
  } else {
    parts.base = name.substr(0, dot);
    parts.extension = name.substr(dot);
  }
  return parts;
}

std::string JoinPath(const PathParts& parts) {
  std::string path = parts.directory;
  if (!path.empty() && path.back() != '/') path += '/';
  path += parts.base;
  if (!parts.extension.empty() && parts.extension[0] != '.') path += '.';
  path += parts.extension;
  return path;
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
  PathParts parts = SplitPath(path);
  if (parts.extension.empty()) parts.extension = extension;
  return JoinPath(parts);
}

bool PathExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string AbsolutePath(const std::string& path) {
  std::string full;
  if (path.empty() || path[0] != '/') {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
      // Only a long directory name is worth a bigger buffer; a removed or
      // unreadable directory leaves the name relative.
      if (errno != ERANGE || buffer.size() > (1u << 20)) return path;
      buffer.resize(buffer.size() * 2);
    }
    full = buffer.data();
    full += '/';
  }
  full += path;
  std::vector<std::string> components;
  size_t start = 0;
  while (start <= full.size()) {
    size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    std::string component = full.substr(start, end - start);
    if (component == "..") {
      if (!components.empty()) components.pop_back();
    } else if (!component.empty() && component != ".") {
      components.push_back(component);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& component : components) result += "/" + component;
  return result.empty() ? "/" : result;
}

std::string FollowLinks(const std::string& path) {
  // The same limit as the kernel's on links followed in one lookup: a
  // loop of links ends at the last name reached.
  constexpr int kMaxLinks = 40;
  std::string name = path;
  std::vector<char> target(PATH_MAX + 1);
  for (int i = 0; i < kMaxLinks; ++i) {
    struct stat info;
    if (lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
    ssize_t length = readlink(name.c_str(), target.data(), target.size() - 1);
    if (length <= 0) break;
    std::string next(target.data(), static_cast<size_t>(length));
    if (next[0] != '/') next = SplitPath(name).directory + next;
    name = next;
  }
  return name;
}

namespace {

// The absolute name with the directory part resolved through symbolic
// links, as far as the directory exists.
std::string CanonicalName(const std::string& path) {
  std::string name = AbsolutePath(FollowLinks(AbsolutePath(path)));
  PathParts parts = SplitPath(name);
  std::string file = parts.base + parts.extension;
  if (char* directory = realpath(parts.directory.empty() ? "." : parts.directory.c_str(), nullptr)) {
    name = directory;
    free(directory);
    if (name.empty() || name.back() != '/') name += '/';
    name += file;
  }
  return name;
}

}  // namespace

FileIdentity IdentifyFile(const std::string& path) {
  FileIdentity identity;
  struct stat info;
  if (stat(path.c_str(), &info) == 0) {
    identity.exists = true;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
  }
  identity.canonical = CanonicalName(path);
  return identity;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.exists && b.exists) return a.device == b.device && a.inode == b.inode;
  return a.canonical == b.canonical;
}

bool SameFile(const std::string& a, const std::string& b) { return SameFile(IdentifyFile(a), IdentifyFile(b)); }

}  // namespace qdl
