// Generated benchmark sources: each workload writes a qdl program and,
// where one exists, a NASM program that assembles to the same bytes.
#ifndef QDL_BENCH_WORKLOADS_H
#define QDL_BENCH_WORKLOADS_H

#include <string>
#include <vector>

namespace bench {

enum class Shape {
  kConstantChain,   // Ki = K(i-1) + 3;
  kConstantRandom,  // Ki = (Ka + Kb) / 2 + r; with random earlier a and b
  kComments,        // block and line comments around a small program
  kImage,           // a full code image: labels, forward references, strings
  kIncludeChain,    // main includes inc01, which includes inc02, ...
};

struct Workload {
  std::string name;  // also what --only matches
  Shape shape;
  long size;         // constants, source bytes, image bytes or files
  long perFile = 0;  // constants in each file of an include chain
  int maxRuns = 0;   // fewer runs than asked for, for the slowest; 0: no cap
};

// What a generated workload consists of.  The main files are always
// main.qdl and main.asm in the workload's directory.
struct SourceSummary {
  long long qdlBytes = 0;  // all qdl files, includes counted
  long long qdlLines = 0;
  long long nasmBytes = 0;  // 0 when the workload has no NASM program
  long constants = 0;       // numeric constants the qdl program declares
};

// The workloads of a full run and of the smoke test.
std::vector<Workload> FullWorkloads();
std::vector<Workload> SmokeWorkloads();

// Writes the sources of the workload into the existing directory dir.
// Returns false (with errno set) when a file cannot be written.
bool Generate(const Workload& workload, const std::string& dir, SourceSummary& summary);

}  // namespace bench

#endif
