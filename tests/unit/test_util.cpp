#include "tests/unit/test_util.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "driver/driver.h"
#include "diagnostics/diagnostics.h"
#include "streams/input_stream.h"
#include "parser/parser.h"
#include "tests/win1251.h"

namespace qdl::test {

std::string Win1251(const std::string& utf8) { return testing::Win1251FromUtf8(utf8); }

namespace {
int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }
}  // namespace

ScratchDir::ScratchDir() {
  char buffer[4096];
  previous_ = getcwd(buffer, sizeof buffer) != nullptr ? buffer : "/";
  char pattern[] = "/tmp/qdl_unit_XXXXXX";
  path_ = mkdtemp(pattern);
  if (chdir(path_.c_str()) != 0) abort();
}

ScratchDir::~ScratchDir() {
  if (chdir(previous_.c_str()) != 0) abort();
  nftw(path_.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void ScratchDir::Write(const std::string& name, const std::string& bytes) const {
  for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
    mkdir(name.substr(0, slash).c_str(), 0755);
  std::ofstream(name, std::ios::binary) << bytes;
}

std::string ScratchDir::Read(const std::string& name) const {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool ScratchDir::Exists(const std::string& name) const {
  struct stat info;
  return stat(name.c_str(), &info) == 0;
}

RunResult Run(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv{"qdl"};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  std::string out;
  SetStdoutCapture(&out);
  int status = RunQdl(static_cast<int>(argv.size()), argv.data());
  SetStdoutCapture(nullptr);
  size_t bannerEnd = out.find('\n');
  return {status, bannerEnd == std::string::npos ? out : out.substr(bannerEnd + 1)};
}

RunResult Run(const std::string& arguments) {
  std::istringstream in(arguments);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return Run(words);
}

CompilerState::CompilerState() {
  ResetCompilerState();
  SetStdoutCapture(&out);
}

CompilerState::~CompilerState() {
  ResetCompilerState();
  SetStdoutCapture(nullptr);
}

}  // namespace qdl::test
