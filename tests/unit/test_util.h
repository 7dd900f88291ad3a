// Helpers shared by the unit tests: a scratch directory, Windows-1251
// texts, and the compiler run in-process with its output captured.
#pragma once

#include <string>
#include <vector>

namespace qdl::test {

// Windows-1251 bytes of UTF-8 text.
std::string Win1251(const std::string& utf8);

// A fresh directory, made current for the test's lifetime.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

struct RunResult {
  int status;
  std::string out;  // standard output after the banner line
};

// Runs the compiler in-process on the arguments (split at white space).
RunResult Run(const std::string& arguments);
RunResult Run(const std::vector<std::string>& arguments);

// Puts every subsystem back to its start state and captures output.
class CompilerState {
 public:
  CompilerState();
  ~CompilerState();
  std::string out;
};

}  // namespace qdl::test
