// The message table turned into Windows-1251 once, on first use.
#include "diagnostics/messages.h"

#include <string>
#include <unordered_map>

#include "diagnostics/diagnostics.h"
#include "text/encoding.h"

namespace qdl {

namespace {

struct MessageRow {
  int32_t number;
  Severity severity;
  const char* text;  // UTF-8
};

const MessageRow kMessageRows[] = {
#define QDL_MESSAGE_ROW(number, name, severity, text) {number, Severity::severity, text},
    QDL_MESSAGES(QDL_MESSAGE_ROW)
#undef QDL_MESSAGE_ROW
};

struct ConvertedMessage {
  Severity severity;
  std::string text;  // Windows-1251
};

const std::unordered_map<int32_t, ConvertedMessage>& Messages() {
  static const std::unordered_map<int32_t, ConvertedMessage> messages = [] {
    std::unordered_map<int32_t, ConvertedMessage> converted;
    for (const MessageRow& row : kMessageRows)
      converted.emplace(row.number, ConvertedMessage{row.severity, Cp1251FromUtf8(row.text)});
    return converted;
  }();
  return messages;
}

}  // namespace

Severity SeverityOf(Message message) {
  auto it = Messages().find(message);
  return it == Messages().end() ? Severity::kError : it->second.severity;
}

std::string MessageText(int32_t number) {
  if (number == 0) return "";
  auto it = Messages().find(number);
  if (it != Messages().end()) return it->second.text;
  return "Error number " + std::to_string(number);
}

}  // namespace qdl
