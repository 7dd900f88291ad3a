// The keyword table, written in readable Russian and turned into
// Windows-1251 at start-up.
#include <string>
#include <vector>

#include "lexer/lexer.h"
#include "text/encoding.h"
#include "parser/generated/grammar.hh"
#include "parser/parser.h"

namespace qdl {

namespace {

struct KeywordSpelling {
  const char* text;  // UTF-8, as written in sources
  int32_t token;
};

const KeywordSpelling kKeywords[] = {
    {"используется", KW_USES}, {"команда", KW_COMMAND}, {"размер", KW_SIZE},
    {"тип", KW_TYPE},          {"узел", KW_NODE},       {"этот_узел", KW_THIS_NODE},
    {"конец", KW_END},
};
constexpr size_t kKeywordCount = sizeof kKeywords / sizeof kKeywords[0];

// Mutable storage that InitKeywords folds in place.
std::vector<std::string> texts;
std::vector<KeywordEntry> table;

}  // namespace

void InstallKeywords() {
  texts.clear();
  table.clear();
  texts.reserve(kKeywordCount);
  for (const KeywordSpelling& keyword : kKeywords) texts.push_back(Cp1251FromUtf8(keyword.text));
  for (size_t i = 0; i < kKeywordCount; ++i) table.push_back({nullptr, &texts[i][0], kKeywords[i].token});
  table.push_back({nullptr, nullptr, 0});
  SetKeywordTable(table.data());
  ResetKeywordBuckets();
  InitKeywords();
}

const char* EndKeywordText() {
  for (const KeywordEntry& entry : table)
    if (entry.token == KW_END) return entry.text;
  return "";
}

}  // namespace qdl
