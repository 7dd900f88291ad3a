// The lexical analyzer: turns the characters of the input streams into
// tokens.  Table-driven: a class table says what each byte may start or
// continue, a map table folds the Cyrillic letters that look like Latin
// ones into those Latin letters.
#pragma once

#include <cstdint>

namespace qdl {

enum : int32_t {
  LEX_END = 0,
  LEX_IDENTIFIER = -1,
  LEX_INTEGER = -2,
  LEX_REAL = -3,
  LEX_CHARACTER = -4,
  LEX_STRING = -5,
};

enum : uint32_t {
  CC_SPACE = 0x01,
  CC_LETTER = 0x02,
  CC_BIN = 0x04,
  CC_OCT = 0x08,
  CC_DEC = 0x10,
  CC_HEX = 0x20,
  CC_OPER = 0x40,
  CC_DELIM = 0x80,
};

extern const uint32_t CharClass[256];
extern const unsigned char CharMap[256];
// The class of each byte's folded image: CharClass[CharMap[c]].
extern const uint32_t FoldedCharClass[256];

// Longest token: longer ones stop the input with message -5.
constexpr int32_t kMaxTokenLength = 1000;

extern char TokenText[kMaxTokenLength + 1];
extern int32_t TokenLength;
extern int32_t TokenValue;
// After an identifier: its bytes in the input block when they are
// TokenText's bytes exactly (read straight from one block, nothing
// folded), else null.  Valid until the next character is read.
extern const char* TokenSourceText;

struct KeywordEntry {
  KeywordEntry* link;
  char* text;     // folded in place by InitKeywords
  int32_t token;  // never 0
};

// Installs the keyword table (ended by an entry without text) that
// InitKeywords folds and enters into the buckets.
void SetKeywordTable(KeywordEntry* table);
void InitKeywords();
int32_t LookupKeyword();
void ResetKeywordBuckets();

// Sum of the unsigned bytes of `text`, modulo 32768.
int32_t NameHash(const char* text);

// Value of `text` as the C function strtol gives it for a 32-bit long:
// optional white space and sign, base prefix for base 0, digits up to the
// first that is not one of the base; clamped to the 32-bit range.
int32_t StrToL32(const char* text, int base);

int32_t NextToken();

// Empties the token and the keyword buckets.
void ResetLexer();

}  // namespace qdl
