#include "driver/driver.h"

#include <new>
#include <utility>
#include <vector>

#include "codegen/code_generator.h"
#include "codegen/string_pool.h"
#include "diagnostics/diagnostics.h"
#include "driver/command_line.h"
#include "files/output_file.h"
#include "files/paths.h"
#include "lexer/lexer.h"
#include "parser/actions.h"
#include "parser/parser.h"
#include "streams/input_stream.h"
#include "symbols/dump.h"
#include "symbols/host_declarations.h"
#include "symbols/resolve.h"
#include "text/encoding.h"

namespace qdl {

namespace {

// Exit statuses beyond this are cut: the shell keeps only 8 bits.
constexpr int kMaxExitStatus = 255;

bool usagePrinted = false;
// Memory ran out and not even its message could be given.
bool memoryExhausted = false;

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
  if (!options.commands.empty()) print("Commands:    ", options.commands);
  if (!options.deps.empty()) print("Depends:     ", options.deps);
}

// A file name as make reads it in a rule.
std::string MakeName(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == ' ' || c == '#') out += '\\';
    if (c == '$') out += '$';
    out += c;
  }
  return out;
}

// The rule that makes the output depend on every source file read, and an
// empty rule for each include file, so that make does not fail when one
// of them is deleted.
std::string DependencyRules(const std::string& output) {
  const std::vector<std::string>& sources = OpenedSourceFiles();
  std::string rules = MakeName(output) + ":";
  for (const std::string& source : sources) rules += " " + MakeName(source);
  rules += "\n";
  for (size_t i = 1; i < sources.size(); ++i) rules += MakeName(sources[i]) + ":\n";
  return rules;
}

// The output file, then the host's declarations and the dependency file:
// all of them or none when something in them is wrong.
void WriteOutputs(const Options& options) {
  if (options.format->letter == 'd') {
    std::string unit = SplitPath(options.output).base;
    if (!IsPascalUnitName(unit)) {
      ReportFile(kBadDelphiUnitName, unit);
      return;
    }
  }
  std::string declarations;
  HostLanguage language = HostLanguage::kC;
  if (!options.commands.empty() && HostLanguageOf(options.commands, language) &&
      !MakeHostDeclarations(language, options.commands, CurrentCodeGenerator->size, declarations))
    return;
  if (!CurrentCodeGenerator->WriteOutput(options.output, *options.format)) return;
  if (!options.commands.empty() && !WriteOutputFile(options.commands, declarations, true)) return;
  if (!options.deps.empty()) WriteOutputFile(options.deps, DependencyRules(options.output), true);
}

void StartPass(const Options& options) {
  StartParserPass();
  // A source with very many names has about a line for each: its
  // table is made that large at once rather than grown step by step.
  int64_t lines = OpenMainSource(options.input);
  StartCodeGeneration(options.listingOn ? options.listing : "");
  OpenGlobalContext(lines);
}

void OutputStep(const Options& options) {
  if (options.dumpOn) WriteContextDump(options.dump);
  int32_t errorsBefore = ErrorCount;
  AppendEndOfCode();
  CurrentCodeGenerator->AppendStrings();
  // An image over the limit, or one without its strings, is not written.
  if (ErrorCount == errorsBefore) WriteOutputs(options);
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
  check(!options.commands.empty(), options.commands);
  check(!options.deps.empty(), options.deps);
  return fit;
}

// The commands file's extension chooses its language; a Pascal unit is
// named after the file.
bool CommandsFileFits(const Options& options) {
  HostLanguage language;
  if (options.commands.empty()) return true;
  if (!HostLanguageOf(options.commands, language)) {
    ReportFile(kBadCommandsExtension, options.commands);
    return false;
  }
  std::string unit = SplitPath(options.commands).base;
  if (language == HostLanguage::kPascal && !IsPascalUnitName(unit)) {
    ReportFile(kBadDelphiUnitName, unit);
    return false;
  }
  return true;
}

// The files the run writes, in the order input, output, listing, dump,
// statistics, commands, dependencies; the input first.
std::vector<std::string> CompilationFiles(const Options& options) {
  std::vector<std::string> names{options.input, options.output};
  if (options.listingOn) names.push_back(options.listing);
  if (options.dumpOn) names.push_back(options.dump);
  if (options.statisticsOn) names.push_back(options.statistics);
  if (!options.commands.empty()) names.push_back(options.commands);
  if (!options.deps.empty()) names.push_back(options.deps);
  return names;
}

// No file the compiler writes may be the input or another file it writes:
// it would replace the source, or one output would overwrite another.
// Each name that is the same file as an earlier one is reported.
bool NamesDistinct(const std::vector<std::string>& names) {
  std::vector<FileIdentity> earlier;
  bool distinct = true;
  for (const std::string& name : names) {
    FileIdentity file = IdentifyFile(name);
    for (const FileIdentity& other : earlier) {
      if (SameFile(file, other)) {
        ReportFile(kSameFile, name);
        distinct = false;
        break;
      }
    }
    earlier.push_back(std::move(file));
  }
  return distinct;
}

void ReadAndCompile(int argc, const char* const* argv) {
  Options options;
  switch (ReadCommandLine(argc, argv, options)) {
    case CommandLineAction::kUsage:
      WriteStdout(UsageText());
      usagePrinted = true;
      break;
    case CommandLineAction::kHelp:
      WriteStdout(UsageText() + LongOptionsText());
      break;
    case CommandLineAction::kVersion:
      break;
    case CommandLineAction::kCompile: {
      SetErrorLimit(options.errorLimit);
      SetIncludeSearchPath(options.includePath);
      std::vector<std::string> files = CompilationFiles(options);
      bool fit = OutputNamesFit(options);
      if (!NamesDistinct(files) || !fit || !CommandsFileFits(options)) break;
      SetWrittenFiles(std::vector<std::string>(files.begin() + 1, files.end()));
      Compile(options);
      break;
    }
  }
}

// Memory ran out: no further file is written and the unfinished ones are
// dropped; the message is given at the current location, after the
// code and symbols are freed to make room for it.
void ReportOutOfMemory() {
  DiscardOutputFiles();
  ResetCodeGeneration();
  ResetSymbols();
  try {
    Report(kOutOfMemory);
  } catch (const std::bad_alloc&) {
    memoryExhausted = true;
  }
}

int ExitStatus() {
  if (ErrorCount > 0) return ErrorCount < kMaxExitStatus ? ErrorCount : kMaxExitStatus;
  if (WarningCount > 0 || InputStopped || usagePrinted || memoryExhausted) return 1;
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
  usagePrinted = false;
  memoryExhausted = false;
  ReleaseRun();
}

int RunQdl(int argc, const char* const* argv) {
  bool outOfMemory = false;
  try {
    ResetCompilerState();
    WriteStdout(Cp1251FromUtf8("Компилятор qdl, 2001, ver 1.2\n"));
    ReadAndCompile(argc, argv);
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
  }
  bool reported = outOfMemory || OutOfMemoryNoted();
  if (reported) ReportOutOfMemory();
  try {
    // Closing the last pass's files may report a write error, and memory
    // may run out while it is reported.
    ReleaseRun();
  } catch (const std::bad_alloc&) {
    // The next run's reset finishes the work.
    outOfMemory = true;
  }
  if (!reported && (outOfMemory || OutOfMemoryNoted())) ReportOutOfMemory();
  return ExitStatus();
}

}  // namespace qdl
