#include "fuzz_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "diagnostics/diagnostics.h"
#include "driver/driver.h"

namespace qdl_fuzz {

namespace {

std::string privateDirectory;

void RemoveTree(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    if (DIR* dir = opendir(path.c_str())) {
      while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") RemoveTree(path + "/" + name);
      }
      closedir(dir);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

void RemovePrivateDirectory() {
  if (privateDirectory.empty()) return;
  if (chdir("/") == 0) RemoveTree(privateDirectory);
}

}  // namespace

void EnterPrivateDirectory() {
  if (!privateDirectory.empty()) return;
  // Every run creates and removes several files: a memory file system
  // makes that cheap, a disk one dominates the time.
  char inMemory[] = "/dev/shm/qdl_libfuzzer_XXXXXX";
  char onDisk[] = "/tmp/qdl_libfuzzer_XXXXXX";
  char* name = mkdtemp(inMemory);
  if (name == nullptr) name = mkdtemp(onDisk);
  if (name == nullptr || chdir(name) != 0) {
    perror("qdl fuzzer: private directory");
    abort();
  }
  privateDirectory = name;
  atexit(RemovePrivateDirectory);
}

void ClearPrivateDirectory() {
  DIR* dir = opendir(".");
  if (dir == nullptr) abort();
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") RemoveTree(name);
  }
  closedir(dir);
}

void WriteInput(const char* name, const std::string& content) {
  FILE* file = fopen(name, "wb");
  if (file == nullptr) abort();
  if (!content.empty()) fwrite(content.data(), 1, content.size(), file);
  fclose(file);
}

int RunCompiler(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"qdl"};
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  std::string output;
  qdl::SetStdoutCapture(&output);
  int status = qdl::RunQdl(static_cast<int>(argv.size()), argv.data());
  qdl::SetStdoutCapture(nullptr);
  // Every run prints the banner first and ends with a status that fits
  // a byte.
  if (status < 0 || status > 255 || output.compare(0, 4, "\xCA\xEE\xEC\xEF") != 0) abort();
  return status;
}

}  // namespace qdl_fuzz
