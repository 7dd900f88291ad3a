#include "driver/driver.h"

#include "codegen/code_generator.h"
#include "codegen/string_pool.h"
#include "driver/command_line.h"
#include "text/encoding.h"
#include "diagnostics/diagnostics.h"
#include "files/paths.h"
#include "streams/input_stream.h"
#include "parser/actions.h"
#include "parser/parser.h"
#include "symbols/dump.h"
#include "symbols/resolve.h"

namespace qdl {

namespace {

// Exit statuses beyond this are cut: the shell keeps only 8 bits.
constexpr int kMaxExitStatus = 255;

bool usagePrinted = false;
Context* globalContext = nullptr;

bool PassIsClean() { return ErrorCount == 0 && WarningCount == 0 && !InputStopped; }

void DestroyCodeGenerator() {
  delete CurrentCodeGenerator;
  CurrentCodeGenerator = nullptr;
}

void DestroyGlobalContext() {
  delete globalContext;
  globalContext = nullptr;
  CurrentContext = nullptr;
}

// The final clean-up: nothing of the run stays behind.
void CleanUp() {
  ResetStringPool();
  delete LabelContext;
  LabelContext = nullptr;
  DestroyCodeGenerator();
  DestroyGlobalContext();
  ResetStreams();
}

// Every subsystem back to its start state, so that runs can follow each
// other in one process.
void ResetAll() {
  ResetDiagnostics();
  CleanUp();
  InstallKeywords();
  ResetErrorContexts();
  ResetSemanticState();
  SecondPassRequested = false;
  OutputFormat = kFormatC;
  IncludeSearchPath = kDefaultIncludePath;
  usagePrinted = false;
}

void PrintVerboseNames(const Options& options) {
  std::string text = "Input file:  " + options.input + "\nOutput file: " + options.output + "\n";
  if (options.listingOn) text += "Listing:     " + options.listing + "\n";
  if (options.dumpOn) text += "Dump:        " + options.dump + "\n";
  if (options.statisticsOn) text += "Statistics:  " + options.statistics + "\n";
  WriteStdout(text);
}

void StartPass(const Options& options) {
  ResetErrorContexts();
  ResetSemanticState();
  IncludeFilesOpened = 0;
  new SourceFileStream(options.input.c_str(), ".qdl", kMainBufferRequest, nullptr);
  CurrentCodeGenerator = new CodeGenerator(options.listingOn ? options.listing : "");
  CurrentContext = nullptr;
  globalContext = new Context(kGlobalCapacity, nullptr);
}

void AppendEndAndStrings() {
  CurrentCodeGenerator->BeginEntry(0, EndKeywordText(), true);
  CurrentCodeGenerator->AppendStrings();
}

void OutputStep(const Options& options) {
  if (options.dumpOn) WriteContextDump(options.dump);
  int32_t errorsBefore = ErrorCount;
  AppendEndAndStrings();
  // An image over the limit, or one without its strings, is not written.
  if (ErrorCount == errorsBefore) CurrentCodeGenerator->WriteOutput(options.output);
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
    CurrentContext = globalContext;
    if (statistics) WriteStatistics(options.statistics);
    if (PassIsClean() && StringPoolFill() == kStringPoolLimit) ReportError(29);
    if (PassIsClean() && LabelContext == nullptr) CheckUnresolvedLabels();
    if (!PassIsClean()) return;
    if (LabelContext != nullptr || !SecondPassRequested) {
      OutputStep(options);
      return;
    }
    CurrentCodeGenerator->BeginEntry(0, EndKeywordText(), true);
    BuildLabelContext();
    CurrentCodeGenerator->AppendStrings();
    DestroyGlobalContext();
    DestroyCodeGenerator();
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
      ReportError(-19, name.c_str());
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

}  // namespace

int RunQdl(int argc, const char* const* argv) {
  ResetAll();
  WriteStdout(Cp1251FromUtf8("Компилятор qdl, 2001, ver 1.2\n"));
  Options options;
  if (!ReadCommandLine(argc, argv, options)) {
    WriteStdout(UsageText());
    usagePrinted = true;
  } else if (OutputNamesFit(options)) {
    Compile(options);
  }
  CleanUp();
  return ExitStatus();
}

}  // namespace qdl
