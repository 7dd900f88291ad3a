#include "diagnostics/diagnostics.h"

#include <cstdio>

#include "streams/input_stream.h"

namespace qdl {

int32_t WarningCount = 0;
int32_t ErrorCount = 0;
int32_t ErrorLimit = kDefaultErrorLimit;
bool InputStopped = false;

namespace {

std::string* stdoutCapture = nullptr;

enum class Severity { kWarning, kError };

void PrintMessage(Severity severity, int32_t number, const char* detail,
                  const char* module, int32_t moduleLine) {
  std::string line = severity == Severity::kWarning ? "Warning" : "Error";
  if (CurrentStream != nullptr && CurrentStream->fileName != nullptr) {
    line += ' ';
    line += CurrentStream->fileName;
    if (CurrentStream->line != 0) {
      line += ' ';
      line += std::to_string(CurrentStream->line);
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

void ReportWarning(int32_t number, const char* detail) {
  PrintMessage(Severity::kWarning, number, detail, nullptr, 0);
  ++WarningCount;
  if (WarningCount > WarningLimit) ReportFatal(-1);
}

void ReportError(int32_t number, const char* detail) {
  PrintMessage(Severity::kError, number, detail, nullptr, 0);
  if (ErrorCount < INT32_MAX) ++ErrorCount;
  if (ErrorCount > ErrorLimit) ReportFatal(-2);
}

void ReportFatal(int32_t number, const char* detail) {
  PrintMessage(Severity::kError, number, detail, nullptr, 0);
  InputStopped = true;
}

void ReportAssertion(const char* module, int32_t line) {
  PrintMessage(Severity::kError, -4, nullptr, module, line);
  InputStopped = true;
}

void ResetDiagnostics() {
  WarningCount = 0;
  ErrorCount = 0;
  ErrorLimit = kDefaultErrorLimit;
  InputStopped = false;
}

}  // namespace qdl
