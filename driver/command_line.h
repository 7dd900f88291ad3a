// The command line: what it settles for a run.
#pragma once

#include <cstdint>
#include <string>

#include "codegen/output_formats.h"
#include "diagnostics/diagnostics.h"

namespace qdl {

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
  const OutputFormat* format = &DefaultOutputFormat();  // -f
  int32_t errorLimit = kDefaultErrorLimit;              // -J
  std::string includePath = "inc";                      // -I, ";"-separated
  std::string commands;                                 // --commands, or empty
  std::string deps;                                     // --deps, or empty
};

// What the command line calls for.
enum class CommandLineAction { kCompile, kUsage, kHelp, kVersion };

// Reads the arguments (argv[0] is the program's name).  A bad argument
// calls for the usage text; --help and --version act at once, whatever
// follows them.
CommandLineAction ReadCommandLine(int argc, const char* const* argv, Options& options);

// The usage text, in Windows-1251.
std::string UsageText();
// What --help adds after the usage text, in Windows-1251.
std::string LongOptionsText();

}  // namespace qdl
