#include "files/paths.h"

#include <sys/stat.h>
#include <unistd.h>

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
      if (buffer.size() > (1u << 20)) break;
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

}  // namespace qdl
