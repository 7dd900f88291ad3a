#include "diagnostics/diagnostics.h"

#include <cstdio>

namespace qdl {

int32_t WarningCount = 0;
int32_t ErrorCount = 0;
bool InputStopped = false;

namespace {

int32_t errorLimit = kDefaultErrorLimit;
LocationSource locationSource = nullptr;
std::string* stdoutCapture = nullptr;

void PrintMessage(bool warning, int32_t number, const char* detail, const char* module,
                  int32_t moduleLine) {
  std::string line = warning ? "Warning" : "Error";
  SourceLocation location = locationSource != nullptr ? locationSource() : SourceLocation{};
  if (location.fileName != nullptr) {
    line += ' ';
    line += location.fileName;
    if (location.line != 0) {
      line += ' ';
      line += std::to_string(location.line);
    }
  }
  line += ": ";
  line += MessageText(number);
  if (detail != nullptr) {
    line += ' ';
    line += detail;
  }
  if (module != nullptr) {
    line += " File ";
    line += module;
    line += ", line ";
    line += std::to_string(moduleLine);
  }
  line += '\n';
  WriteStdout(line);
}

}  // namespace

void WriteStdout(const char* data, size_t size) {
  if (stdoutCapture != nullptr)
    stdoutCapture->append(data, size);
  else
    fwrite(data, 1, size, stdout);
}

void SetStdoutCapture(std::string* capture) { stdoutCapture = capture; }

void SetLocationSource(LocationSource source) { locationSource = source; }

void SetErrorLimit(int32_t limit) { errorLimit = limit; }

void Report(Message message, const char* detail) {
  switch (SeverityOf(message)) {
    case Severity::kWarning:
      PrintMessage(true, message, detail, nullptr, 0);
      ++WarningCount;
      if (WarningCount > kWarningLimit) Report(kTooManyWarnings);
      break;
    case Severity::kError:
      PrintMessage(false, message, detail, nullptr, 0);
      if (ErrorCount < INT32_MAX) ++ErrorCount;
      if (ErrorCount > errorLimit) Report(kTooManyErrors);
      break;
    case Severity::kFatal:
      PrintMessage(false, message, detail, nullptr, 0);
      InputStopped = true;
      break;
  }
}

void ReportAssertion(const char* module, int32_t line) {
  PrintMessage(false, kAssertionFailed, nullptr, module, line);
  InputStopped = true;
}

void ResetDiagnostics() {
  WarningCount = 0;
  ErrorCount = 0;
  errorLimit = kDefaultErrorLimit;
  InputStopped = false;
}

}  // namespace qdl
