// Runs a program as a child process and measures it.
#ifndef QDL_BENCH_MEASURE_H
#define QDL_BENCH_MEASURE_H

#include <string>
#include <vector>

namespace bench {

struct Sample {
  double cpu = 0;    // seconds of user plus system time of the child
  double wall = 0;   // seconds from before the fork to after the wait
  long peakKiB = 0;  // the child's peak resident set (ru_maxrss)
  int status = -1;   // exit status, or 128 plus the signal that ended it
};

// Runs args (args[0] a path) in directory dir with standard output and
// standard error sent to the file output (relative to dir).  Returns
// false when the child could not be started.
//
// The peak memory of a child counts the pages it inherits at the fork,
// so the caller keeps its own heap small while it measures.
bool Run(const std::vector<std::string>& args, const std::string& dir, const std::string& output,
         Sample& sample);

// The median of each figure of the samples taken separately.
Sample Median(std::vector<Sample> samples);

}  // namespace bench

#endif
