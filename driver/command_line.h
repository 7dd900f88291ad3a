// What the command line settles for a run.
#pragma once

#include <string>

namespace qdl {

// Directories searched for include files, separated by ";" (option -I).
extern std::string IncludeSearchPath;
constexpr const char* kDefaultIncludePath = "inc";

struct Options {
  std::string input;
  std::string output;
  std::string listing;     // empty unless listingOn
  std::string dump;        // empty unless dumpOn
  std::string statistics;  // empty unless statisticsOn
  bool listingOn = false;
  bool dumpOn = false;
  bool statisticsOn = false;
  bool verbose = false;
};

// Reads the arguments (argv[0] is the program's name).  False when they
// call for the usage text instead of a compilation.
bool ReadCommandLine(int argc, const char* const* argv, Options& options);

// The usage text, in Windows-1251.
std::string UsageText();

}  // namespace qdl
