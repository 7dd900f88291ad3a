// Numbered diagnostics: every message the compiler gives about a source or
// its files goes through these functions as one line on standard output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qdl {

// Counters and limits.  Warnings and errors are counted; a fatal report is
// not counted but stops all further input.
extern int32_t WarningCount;
extern int32_t ErrorCount;
extern int32_t ErrorLimit;          // option -J
constexpr int32_t kDefaultErrorLimit = 20;
// Past this many warnings a run stops reading: a source that produces
// more is not worth reading further.
constexpr int32_t WarningLimit = 50;
extern bool InputStopped;           // set by every fatal report, never cleared

// `detail` may be null (no detail) or any text, the empty text included.
void ReportWarning(int32_t number, const char* detail = nullptr);
void ReportError(int32_t number, const char* detail = nullptr);
void ReportFatal(int32_t number, const char* detail = nullptr);
void ReportAssertion(const char* module, int32_t line);

// The text of a message number; "Error number N" for unknown numbers.
std::string MessageText(int32_t number);

// Puts the counters, the limit and the stop flag back to their start values.
void ResetDiagnostics();

// All standard output of the compiler passes through here, so that tests
// and the fuzzer can run the compiler in-process and read what it says.
void WriteStdout(const char* data, size_t size);
inline void WriteStdout(const std::string& text) { WriteStdout(text.data(), text.size()); }
// With a capture set, output is appended to it instead of standard output.
void SetStdoutCapture(std::string* capture);

}  // namespace qdl
