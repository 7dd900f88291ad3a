// Times whole compilations of sources with very many declarations, to
// show that name lookup stays fast and the time grows linearly:
//   declarations_bench [N ...]     (default: 100000 200000 400000)
// Each source declares K0 = 1; and then Ki = K(i-1) + 3; for i up to N-1,
// followed by as many commands and uses of them, and is compiled
// in-process three times; the best time is reported.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "text/encoding.h"
#include "diagnostics/diagnostics.h"

namespace {

std::string Source(long count) {
  std::string source = "K0 = 1;\n";
  for (long i = 1; i < count; ++i)
    source += "K" + std::to_string(i) + " = K" + std::to_string(i - 1) + " + 3;\n";
  return source;
}

double Seconds(const std::string& file) {
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    std::string output;
    qdl::SetStdoutCapture(&output);
    const char* args[] = {"qdl", "-fb", file.c_str()};
    auto start = std::chrono::steady_clock::now();
    int status = qdl::RunQdl(3, args);
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    qdl::SetStdoutCapture(nullptr);
    if (status != 0) {
      fprintf(stderr, "compilation failed (%d):\n%s", status, output.c_str());
      exit(1);
    }
    if (elapsed < best) best = elapsed;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(strtol(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {100000, 200000, 400000};
  char dir[] = "/tmp/qdl_bench_XXXXXX";
  if (mkdtemp(dir) == nullptr || chdir(dir) != 0) return 2;
  printf("%12s %12s %12s %14s\n", "declarations", "source KiB", "seconds", "us/declaration");
  for (long count : sizes) {
    std::string source = Source(count);
    std::ofstream("bench.qdl") << source;
    double seconds = Seconds("bench.qdl");
    printf("%12ld %12zu %12.3f %14.3f\n", count, source.size() / 1024, seconds, seconds * 1e6 / count);
  }
  remove("bench.qdl");
  remove("bench.bin");
  rmdir(dir);
  return 0;
}
