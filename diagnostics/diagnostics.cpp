#include "diagnostics/diagnostics.h"

#include <cstdio>
#include <new>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#define QDL_HAS_ISATTY 1
#endif

#include "text/encoding.h"

namespace qdl {

int32_t WarningCount = 0;
int32_t ErrorCount = 0;
bool InputStopped = false;
SourcePoint LastTokenPoint;

namespace {

int32_t errorLimit = kDefaultErrorLimit;
bool outOfMemoryNoted = false;
LocationSource locationSource = nullptr;
ExcerptSource excerptSource = nullptr;
std::string* stdoutCapture = nullptr;

// The latest texts the parser took from the source, newest at `textNext - 1`.
constexpr unsigned kTextPoints = 64;
static_assert((kTextPoints & (kTextPoints - 1)) == 0, "the ring's positions wrap with a mask");
struct TextPointEntry {
  const char* text = nullptr;
  SourcePoint point;
};
TextPointEntry textPoints[kTextPoints];
unsigned textNext = 0;

// What a message's detail is and where it points.
enum class DetailKind { kSource, kHostName };
enum class PointKind { kNone, kPoint, kFirstUse };

void WriteBytes(const char* data, size_t size) {
  if (stdoutCapture != nullptr)
    stdoutCapture->append(data, size);
  else
    fwrite(data, 1, size, stdout);
}

void PrintMessage(bool warning, int32_t number, const char* detail, const char* module,
                  int32_t moduleLine, DetailKind detailKind = DetailKind::kSource,
                  PointKind pointKind = PointKind::kNone, const SourcePoint& point = SourcePoint{}) {
  SourceLocation location = locationSource != nullptr ? locationSource() : SourceLocation{};
  std::string head = warning ? "Warning" : "Error";
  if (location.fileName != nullptr) {
    head += ' ';
    head += location.fileName;
    if (location.line != 0) {
      head += ' ';
      head += std::to_string(location.line);
    }
  }
  head += ": ";
  std::string tail;
  if (module != nullptr) tail = " File " + std::string(module) + ", line " + std::to_string(moduleLine);
  tail += '\n';
  std::string text = MessageText(number);
  std::string detailText;
  if (detail != nullptr) detailText = std::string(" ") + detail;
  if (!StdoutIsTerminal()) {
    std::string line = head + text + detailText + tail;
    WriteBytes(line.data(), line.size());
    return;
  }
  // The terminal's line: the pipe's, with the texts in UTF-8 and the host's
  // file names as they are; then the source line under it.
  std::string line = head + Utf8FromCp1251(text);
  line += detailKind == DetailKind::kHostName ? detailText : Utf8FromCp1251(detailText);
  line += tail;
  Excerpt excerpt;
  if (pointKind == PointKind::kPoint && location.fileName != nullptr && excerptSource != nullptr &&
      point.file >= 0 && excerptSource(point, excerpt)) {
    line += excerpt.lines;
  } else if (pointKind == PointKind::kFirstUse && excerptSource != nullptr && point.file >= 0 &&
             excerptSource(point, excerpt)) {
    line += "    первое использование: " + excerpt.fileName + " " + std::to_string(point.line) + "\n";
    line += excerpt.lines;
  }
  WriteBytes(line.data(), line.size());
}

void Count(Severity severity) {
  switch (severity) {
    case Severity::kWarning:
      ++WarningCount;
      if (WarningCount > kWarningLimit) Report(kTooManyWarnings);
      break;
    case Severity::kError:
      if (ErrorCount < INT32_MAX) ++ErrorCount;
      if (ErrorCount > errorLimit) Report(kTooManyErrors);
      break;
    case Severity::kFatal:
      InputStopped = true;
      break;
  }
}

void Give(Message message, const char* detail, DetailKind detailKind, PointKind pointKind,
          const SourcePoint& point) {
  Severity severity = SeverityOf(message);
  PrintMessage(severity == Severity::kWarning, message, detail, nullptr, 0, detailKind, pointKind, point);
  Count(severity);
}

}  // namespace

void WriteStdout(const char* data, size_t size) {
  if (!StdoutIsTerminal()) {
    WriteBytes(data, size);
    return;
  }
  std::string text = Utf8FromCp1251(std::string(data, size));
  WriteBytes(text.data(), text.size());
}

void WriteStdoutHostName(const std::string& name) { WriteBytes(name.data(), name.size()); }

void SetStdoutCapture(std::string* capture) { stdoutCapture = capture; }

bool StdoutIsTerminal() {
  if (stdoutCapture != nullptr) return false;
#ifdef QDL_HAS_ISATTY
  static const bool terminal = isatty(STDOUT_FILENO) != 0;
  return terminal;
#else
  return false;
#endif
}

void SetLocationSource(LocationSource source) { locationSource = source; }

void SetExcerptSource(ExcerptSource source) { excerptSource = source; }

void SetErrorLimit(int32_t limit) { errorLimit = limit; }

void Report(Message message, const char* detail) { ReportAt(LastTokenPoint, message, detail); }

void ReportAt(const SourcePoint& point, Message message, const char* detail) {
  // The limits' own messages are about the run, not about a place in it.
  bool located = message != kTooManyErrors && message != kTooManyWarnings;
  Give(message, detail, DetailKind::kSource, located ? PointKind::kPoint : PointKind::kNone, point);
}

void ReportName(Message message, const char* text) { ReportAt(TextPoint(text), message, text); }

void ReportFile(Message message, const char* hostName) {
  Give(message, hostName, DetailKind::kHostName, PointKind::kNone, SourcePoint{});
}

void ReportFileAt(const SourcePoint& point, Message message, const std::string& hostName) {
  Give(message, hostName.c_str(), DetailKind::kHostName, PointKind::kPoint, point);
}

void ReportFirstUse(Message message, const char* name, const SourcePoint& point) {
  Give(message, name, DetailKind::kSource, PointKind::kFirstUse, point);
}

void RememberTextPoint(const char* text, const SourcePoint& point) {
  textPoints[textNext] = {text, point};
  textNext = (textNext + 1) & (kTextPoints - 1);
}

SourcePoint TextPoint(const char* text) {
  // Newest first: a heap address freed and given to a later text is
  // remembered again with that text.
  for (unsigned i = 1; i <= kTextPoints && text != nullptr; ++i) {
    const TextPointEntry& entry = textPoints[(textNext - i) & (kTextPoints - 1)];
    if (entry.text == text) return entry.point;
  }
  return LastTokenPoint;
}

void ReportAssertion(const char* module, int32_t line) {
  PrintMessage(false, kAssertionFailed, nullptr, module, line, DetailKind::kSource, PointKind::kPoint,
               LastTokenPoint);
  InputStopped = true;
}

void ReportInDestructor(Message message, const char* hostName) noexcept {
  try {
    ReportFile(message, hostName);
  } catch (const std::bad_alloc&) {
    outOfMemoryNoted = true;
    InputStopped = true;
  }
}

bool OutOfMemoryNoted() { return outOfMemoryNoted; }

void ResetDiagnostics() {
  outOfMemoryNoted = false;
  WarningCount = 0;
  ErrorCount = 0;
  errorLimit = kDefaultErrorLimit;
  InputStopped = false;
  LastTokenPoint = SourcePoint{};
  for (TextPointEntry& entry : textPoints) entry = TextPointEntry{};
  textNext = 0;
}

}  // namespace qdl
