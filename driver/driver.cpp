#include "driver/driver.h"

#include "codegen/code_generator.h"
#include "codegen/string_pool.h"
#include "diagnostics/diagnostics.h"
#include "driver/command_line.h"
#include "files/paths.h"
#include "lexer/lexer.h"
#include "parser/actions.h"
#include "parser/parser.h"
#include "streams/input_stream.h"
#include "symbols/dump.h"
#include "symbols/resolve.h"
#include "text/encoding.h"

namespace qdl {

namespace {

// Exit statuses beyond this are cut: the shell keeps only 8 bits.
constexpr int kMaxExitStatus = 255;

bool usagePrinted = false;

bool PassIsClean() { return ErrorCount == 0 && WarningCount == 0 && !InputStopped; }

// The labels are texts of the compiler, the names the host's.
void PrintVerboseNames(const Options& options) {
  auto print = [](const char* label, const std::string& name) {
    WriteStdout(label);
    WriteStdoutHostName(name);
    WriteStdout("\n");
  };
  print("Input file:  ", options.input);
  print("Output file: ", options.output);
  if (options.listingOn) print("Listing:     ", options.listing);
  if (options.dumpOn) print("Dump:        ", options.dump);
  if (options.statisticsOn) print("Statistics:  ", options.statistics);
}

void StartPass(const Options& options) {
  StartParserPass();
  OpenMainSource(options.input);
  StartCodeGeneration(options.listingOn ? options.listing : "");
  OpenGlobalContext();
}

void OutputStep(const Options& options) {
  if (options.dumpOn) WriteContextDump(options.dump);
  int32_t errorsBefore = ErrorCount;
  AppendEndOfCode();
  CurrentCodeGenerator->AppendStrings();
  // An image over the limit, or one without its strings, is not written.
  if (ErrorCount == errorsBefore) CurrentCodeGenerator->WriteOutput(options.output, *options.format);
  if (options.verbose) WriteStdout("Code size: " + std::to_string(CurrentCodeGenerator->size) + "\n");
}

void Compile(const Options& options) {
  bool statistics = options.statisticsOn;
  if (options.verbose) {
    PrintVerboseNames(options);
    WriteStdout("Pass 1\n");
  }
  for (;;) {
    StartPass(options);
    Parse();
    // Statistics describe the program's commands even when a syntax
    // error left a type's member context current.
    RestoreGlobalContext();
    if (statistics) WriteStatistics(options.statistics);
    if (PassIsClean() && StringPoolFill() == kStringPoolLimit) Report(kStringsTooLong);
    if (PassIsClean() && LabelContext == nullptr) CheckUnresolvedLabels();
    if (!PassIsClean()) return;
    if (LabelContext != nullptr || !IsSecondPassRequested()) {
      OutputStep(options);
      return;
    }
    // The label context takes the addresses of the code with its
    // end-of-code entry; the strings come behind it.
    AppendEndOfCode();
    EndFirstPass(CurrentCodeGenerator->size);
    CurrentCodeGenerator->AppendStrings();
    EndCodeGeneration();
    if (options.verbose) WriteStdout("Pass 2\n");
    if (!PassIsClean()) return;
    statistics = false;
  }
}

// Names of files the compiler writes must fit the host's path limit.
bool OutputNamesFit(const Options& options) {
  bool fit = true;
  auto check = [&fit](bool on, const std::string& name) {
    if (on && name.size() > kMaxPathName) {
      ReportFile(kBadFileName, name);
      fit = false;
    }
  };
  check(true, options.output);
  check(options.listingOn, options.listing);
  check(options.dumpOn, options.dump);
  check(options.statisticsOn, options.statistics);
  return fit;
}

int ExitStatus() {
  if (ErrorCount > 0) return ErrorCount < kMaxExitStatus ? ErrorCount : kMaxExitStatus;
  if (WarningCount > 0 || InputStopped || usagePrinted) return 1;
  return 0;
}

// Every subsystem but the diagnostics back to its start state.  At the end
// of a run this closes the listing, whose write error still counts.
void ReleaseRun() {
  ResetCodeGeneration();
  ResetSymbols();
  ResetStreams();
  ResetLexer();
  ResetParser();
}

}  // namespace

void ResetCompilerState() {
  ResetDiagnostics();
  ReleaseRun();
  usagePrinted = false;
}

int RunQdl(int argc, const char* const* argv) {
  ResetCompilerState();
  WriteStdout(Cp1251FromUtf8("Компилятор qdl, 2001, ver 1.2\n"));
  Options options;
  if (!ReadCommandLine(argc, argv, options)) {
    WriteStdout(UsageText());
    usagePrinted = true;
  } else {
    SetErrorLimit(options.errorLimit);
    SetIncludeSearchPath(options.includePath);
    if (OutputNamesFit(options)) Compile(options);
  }
  ReleaseRun();
  return ExitStatus();
}

}  // namespace qdl
