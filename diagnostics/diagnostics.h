// Numbered diagnostics: every message the compiler gives about a source or
// its files goes through here as one line on standard output, located at
// the file and line where the input is now.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "diagnostics/messages.h"

namespace qdl {

// Counters.  Warnings and errors are counted; a fatal report is not
// counted but stops all further input.
extern int32_t WarningCount;
extern int32_t ErrorCount;
extern bool InputStopped;  // set by every fatal report, cleared only by the reset

// Errors past the limit stop the input (option -J).
constexpr int32_t kDefaultErrorLimit = 20;
void SetErrorLimit(int32_t limit);
// Past this many warnings the input stops: a source that produces more is
// not worth reading further.
constexpr int32_t kWarningLimit = 50;

// Reports `message` with its severity.  `detail` may be null (no detail)
// or any text, the empty text included.
void Report(Message message, const char* detail = nullptr);
inline void Report(Message message, const std::string& detail) { Report(message, detail.c_str()); }
// A broken internal rule: message -4 with the module and its line.
void ReportAssertion(const char* module, int32_t line);

// The Windows-1251 text of a message number; "Error number N" for numbers
// that name no message.
std::string MessageText(int32_t number);

// Where the input is now.  The input streams install the function that
// tells it; without one, messages carry no location.
struct SourceLocation {
  const char* fileName = nullptr;  // null: no location at all
  int32_t line = 0;                // 0: the file without a line
};
using LocationSource = SourceLocation (*)();
void SetLocationSource(LocationSource source);

// Counters, limit and stop flag back to their start values.
void ResetDiagnostics();

// All standard output of the compiler passes through here, so that tests
// and the fuzzer can run the compiler in-process and read what it says.
void WriteStdout(const char* data, size_t size);
inline void WriteStdout(const std::string& text) { WriteStdout(text.data(), text.size()); }
// With a capture set, output is appended to it instead of standard output.
void SetStdoutCapture(std::string* capture);

}  // namespace qdl
