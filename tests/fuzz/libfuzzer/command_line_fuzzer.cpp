// libFuzzer target: the input supplies the command line, the main source
// and one include file, separated by NUL bytes:
//   ARGUMENTS \0 MAIN SOURCE \0 INCLUDE FILE
// The arguments are split at white space.  The main source is "m.qdl" and
// the include file "i.qdl" in the private directory, next to an empty
// directory "d"; names that would leave the directory (absolute, or with
// "..") have their "/" turned into "_", so that no run writes elsewhere.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

std::string Confined(std::string word) {
  if (word.find("..") != std::string::npos || word.find('/') == 0 ||
      (word.size() > 2 && word[0] == '-' && word[2] == '/')) {
    for (char& c : word)
      if (c == '/') c = '_';
  }
  return word;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qdl_fuzz::EnterPrivateDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t first = input.find('\0');
  std::string arguments = input.substr(0, first);
  std::string main, include;
  if (first != std::string::npos) {
    size_t second = input.find('\0', first + 1);
    main = input.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (second != std::string::npos) include = input.substr(second + 1);
  }
  std::vector<std::string> args;
  std::string word;
  for (char c : arguments + ' ') {
    if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
      if (!word.empty()) args.push_back(Confined(word));
      word.clear();
    } else {
      word += c;
    }
  }
  qdl_fuzz::ClearPrivateDirectory();
  qdl_fuzz::WriteInput("m.qdl", main);
  qdl_fuzz::WriteInput("i.qdl", include);
  mkdir("d", 0755);
  qdl_fuzz::RunCompiler(args);
  return 0;
}
