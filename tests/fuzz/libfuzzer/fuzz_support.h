// What both libFuzzer targets share: a private working directory that is
// emptied before every run, and a run of the whole compiler in-process
// with its standard output captured.
#pragma once

#include <string>
#include <vector>

namespace qdl_fuzz {

// Makes a fresh temporary directory and enters it (once per process).
void EnterPrivateDirectory();

// Removes every file the previous run left in the private directory.
void ClearPrivateDirectory();

// Writes `content` to `name` in the current directory.
void WriteInput(const char* name, const std::string& content);

// Runs qdl with `args` (without the program's name); aborts on an exit
// status the compiler never gives, so libFuzzer records the input.
int RunCompiler(const std::vector<std::string>& args);

}  // namespace qdl_fuzz
