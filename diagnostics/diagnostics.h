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

// A point in a source file that a message is about: on a terminal the
// message is followed by the line holding it and a caret under it.
// Offsets count the characters of the file (bytes of a Windows-1251 file,
// code points of a UTF-8 one, its byte-order mark not counted).
struct SourcePoint {
  int32_t file = -1;      // the input streams' number of the file; -1: no point
  int32_t line = 0;
  int64_t lineStart = 0;  // offset of the line's first character
  int64_t offset = 0;     // offset of the point
};

// Where the last token read starts: the lexical analyzer sets it at every
// token.  Messages without a point of their own are about it.
extern SourcePoint LastTokenPoint;

// Reports `message` with its severity.  `detail` may be null (no detail)
// or any text, the empty text included.
void Report(Message message, const char* detail = nullptr);
inline void Report(Message message, const std::string& detail) { Report(message, detail.c_str()); }
// The same about a given point.
void ReportAt(const SourcePoint& point, Message message, const char* detail = nullptr);
// Reports a message whose detail is a text taken from the source (a name,
// an include's file name): the point is where that text stood, when it
// was remembered, else the last token.
void ReportName(Message message, const char* text);
// Reports a message about a file as a whole; `hostName` (may be null) is
// a name from the command line or the file system, shown as the host has
// it, and no source line follows.
void ReportFile(Message message, const char* hostName = nullptr);
inline void ReportFile(Message message, const std::string& hostName) { ReportFile(message, hostName.c_str()); }
// The same located at `point` (an include file that is one of the files
// the compiler writes).
void ReportFileAt(const SourcePoint& point, Message message, const std::string& hostName);
// Reports a message without location about a name first used at `point`
// (an undefined label): a terminal is shown that first use.
void ReportFirstUse(Message message, const char* name, const SourcePoint& point);

// The parser's heap copies of names and strings, remembered with their
// points for ReportName.  Only the latest few are kept.
void RememberTextPoint(const char* text, const SourcePoint& point);
SourcePoint TextPoint(const char* text);
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

// The text a terminal shows of a point: the file's name as messages give
// it, and its line and caret line, each ending in a line feed (UTF-8).
// The input streams install the function that reads them from the file.
struct Excerpt {
  std::string fileName;
  std::string lines;
};
using ExcerptSource = bool (*)(const SourcePoint& point, Excerpt& excerpt);
void SetExcerptSource(ExcerptSource source);

// ReportFile for a report made while an object is destroyed, where
// running out of memory cannot be passed on as an exception: it is noted
// instead, the input stops, and the driver reports it (message -15).
void ReportInDestructor(Message message, const char* hostName = nullptr) noexcept;
bool OutOfMemoryNoted();

// Counters, limit and stop flag back to their start values.
void ResetDiagnostics();

// All standard output of the compiler passes through here, so that tests
// and the fuzzer can run the compiler in-process and read what it says.
// The text is Windows-1251; a terminal is given it in UTF-8.
void WriteStdout(const char* data, size_t size);
inline void WriteStdout(const std::string& text) { WriteStdout(text.data(), text.size()); }
// A file name from the command line or the file system, written as the
// host has it, terminal or not.
void WriteStdoutHostName(const std::string& name);
// With a capture set, output is appended to it instead of standard output.
void SetStdoutCapture(std::string* capture);
// Whether standard output is a terminal (never while captured).
bool StdoutIsTerminal();

}  // namespace qdl
