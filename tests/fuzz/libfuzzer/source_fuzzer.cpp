// libFuzzer target: any byte string as the main source, compiled through
// both passes with the listing, dump and statistics on.  The length picks
// the output format, so every format is reached without spending input
// bytes on it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qdl_fuzz::EnterPrivateDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kFormats[] = {"-fb", "-fa", "-fc", "-fd"};
  qdl_fuzz::ClearPrivateDirectory();
  qdl_fuzz::WriteInput("f.qdl", std::string(reinterpret_cast<const char*>(data), size));
  qdl_fuzz::RunCompiler({kFormats[size % 4], "-L", "-D", "-S", "-V", "f"});
  return 0;
}
