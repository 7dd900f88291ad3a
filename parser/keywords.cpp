// The keyword table, written in readable Russian and turned into
// Windows-1251 at start-up.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lexlib/baselex.h"
#include "lexlib/cp1251.h"
#include "lexlib/diagnostics.h"
#include "parser/generated/grammar.hh"
#include "parser/parser.h"

namespace qdl {

namespace {

struct PristineKeyword {
  const char* text;  // UTF-8
  int32_t token;
};

const PristineKeyword kKeywords[] = {
    {"используется", KW_USES}, {"команда", KW_COMMAND}, {"размер", KW_SIZE},
    {"тип", KW_TYPE},          {"узел", KW_NODE},       {"этот_узел", KW_THIS_NODE},
    {"конец", KW_END},
};
constexpr size_t kKeywordCount = sizeof kKeywords / sizeof kKeywords[0];
constexpr size_t kEndKeyword = 6;

// Mutable storage that InitKeywords folds in place.
std::vector<std::string> texts;
std::vector<KeywordEntry> table;

}  // namespace

void InstallKeywords() {
  texts.clear();
  table.clear();
  texts.reserve(kKeywordCount);
  for (const PristineKeyword& keyword : kKeywords) texts.push_back(Cp1251(keyword.text));
  for (size_t i = 0; i < kKeywordCount; ++i) table.push_back({nullptr, &texts[i][0], kKeywords[i].token});
  table.push_back({nullptr, nullptr, 0});
  SetKeywordTable(table.data());
  ResetKeywordBuckets();
  InitKeywords();
}

const char* EndKeywordText() { return table.empty() ? "" : table[kEndKeyword].text; }

int32_t NextParserToken() {
  for (;;) {
    int32_t token = NextToken();
    switch (token) {
      case LEX_IDENTIFIER:
      case LEX_STRING: {
        char* copy = static_cast<char*>(malloc(static_cast<size_t>(TokenLength) + 1));
        memcpy(copy, TokenText, static_cast<size_t>(TokenLength));
        copy[TokenLength] = 0;
        yylval.text = copy;
        return token == LEX_IDENTIFIER ? IDENTIFIER : STRING;
      }
      case LEX_INTEGER:
        yylval.num = TokenValue;
        return NUMBER;
      case LEX_REAL:
        ReportError(2, TokenText);
        break;
      case LEX_CHARACTER:
        ReportError(3, TokenText);
        break;
      default:
        return token;
    }
  }
}

}  // namespace qdl
