#include "lexer/lexer.h"

#include <cstring>

#include "diagnostics/diagnostics.h"
#include "streams/input_stream.h"

namespace qdl {

char TokenText[kMaxTokenLength + 1];
int32_t TokenLength = 0;
int32_t TokenValue = 0;
const char* TokenSourceText = nullptr;

namespace {

// The first byte of the current token when SkipSpace took it straight
// from the block of `stream` at `blockBase`; `stream` null otherwise.
struct DirectStart {
  const InputStream* stream;
  int64_t blockBase;
  const unsigned char* first;
};
DirectStart directStart = {nullptr, 0, nullptr};
// The bytes taken from blocks for the current token, or-ed together:
// below 0x80, none of them was folded.
unsigned char takenBytes = 0;

constexpr const char* kModule = "BASELEX";
constexpr int32_t kKeywordLinkedLine = 106;
constexpr int kKeywordBucketCount = 101;

KeywordEntry* keywordTable = nullptr;
KeywordEntry* keywordBuckets[kKeywordBucketCount];
// The first bytes of the keywords: a text starting otherwise is none.
bool keywordStart[256];

}  // namespace

// Class bits of every byte (Windows-1251).
#define S CC_SPACE
#define L CC_LETTER
#define H (CC_LETTER | CC_HEX)
#define B (CC_BIN | CC_OCT | CC_DEC | CC_HEX)
#define O (CC_OCT | CC_DEC | CC_HEX)
#define D (CC_DEC | CC_HEX)
#define P CC_OPER
#define M CC_DELIM
constexpr uint32_t CharClass[256] = {
    // 00..1F: controls; tab, LF, VT, FF, CR and 1A are white space
    0, 0, 0, 0, 0, 0, 0, 0, 0, S, S, S, S, S, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, S, 0, 0, 0, 0, 0,
    //  space !  "  #  $  %  &  '  (  )  *  +  ,  -  .  /
    S, P, 0, P, P, P, P, 0, M, M, P, P, M, P, P, P,
    //  0  1  2  3  4  5  6  7  8  9  :  ;  <  =  >  ?
    B, B, O, O, O, O, O, O, D, D, P, M, P, P, P, P,
    //  @  A  B  C  D  E  F  G  H  I  J  K  L  M  N  O
    P, H, H, H, H, H, H, L, L, L, L, L, L, L, L, L,
    //  P  Q  R  S  T  U  V  W  X  Y  Z  [  \  ]  ^  _
    L, L, L, L, L, L, L, L, L, L, L, M, 0, M, P, L,
    //  `  a  b  c  d  e  f  g  h  i  j  k  l  m  n  o
    0, H, H, H, H, H, H, L, L, L, L, L, L, L, L, L,
    //  p  q  r  s  t  u  v  w  x  y  z  {  |  }  ~  7F
    L, L, L, L, L, L, L, L, L, L, L, M, P, M, P, 0,
    // 80..BF: no letters here (Ё A8 and ё B8 included)
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // C0..FF: А..Я, а..я
    L, L, L, L, L, L, L, L, L, L, L, L, L, L, L, L,
    L, L, L, L, L, L, L, L, L, L, L, L, L, L, L, L,
    L, L, L, L, L, L, L, L, L, L, L, L, L, L, L, L,
    L, L, L, L, L, L, L, L, L, L, L, L, L, L, L, L,
};
#undef S
#undef L
#undef H
#undef B
#undef O
#undef D
#undef P
#undef M

namespace {

struct CharMapTable {
  unsigned char map[256];
  constexpr CharMapTable() : map() {
    for (int i = 0; i < 256; ++i) map[i] = static_cast<unsigned char>(i);
    // Cyrillic letters that look like Latin ones.
    const unsigned char fold[][2] = {
        {0xC0, 'A'}, {0xC2, 'B'}, {0xC5, 'E'}, {0xCA, 'K'}, {0xCC, 'M'}, {0xCD, 'H'},
        {0xCE, 'O'}, {0xD0, 'P'}, {0xD1, 'C'}, {0xD2, 'T'}, {0xD5, 'X'}, {0xE0, 'a'},
        {0xE5, 'e'}, {0xEE, 'o'}, {0xF0, 'p'}, {0xF1, 'c'}, {0xF3, 'y'}, {0xF5, 'x'},
    };
    for (const auto& pair : fold) map[pair[0]] = pair[1];
  }
};

constexpr CharMapTable kCharMapTable;

// The class of each byte's folded image, looked up in one step where a
// run of a class is scanned.
struct FoldedClassTable {
  uint32_t cls[256];
  constexpr FoldedClassTable() : cls() {
    for (int i = 0; i < 256; ++i) cls[i] = CharClass[kCharMapTable.map[i]];
  }
};

constexpr FoldedClassTable kFoldedClass;

}  // namespace

// The 256 entries R(0) ... R(255) of a byte table made at compile time.
#define R16(i)                                                                          \
  R(i), R(i + 1), R(i + 2), R(i + 3), R(i + 4), R(i + 5), R(i + 6), R(i + 7), R(i + 8), \
      R(i + 9), R(i + 10), R(i + 11), R(i + 12), R(i + 13), R(i + 14), R(i + 15)
#define R256                                                                             \
  R16(0x00), R16(0x10), R16(0x20), R16(0x30), R16(0x40), R16(0x50), R16(0x60), R16(0x70), \
      R16(0x80), R16(0x90), R16(0xA0), R16(0xB0), R16(0xC0), R16(0xD0), R16(0xE0), R16(0xF0)

const unsigned char CharMap[256] = {
#define R(i) kCharMapTable.map[i]
    R256
#undef R
};

const uint32_t FoldedCharClass[256] = {
#define R(i) kFoldedClass.cls[i]
    R256
#undef R
};

#undef R256
#undef R16

int32_t NameHash(const char* text) {
  uint32_t sum = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) sum += *p;
  return static_cast<int32_t>(sum % 32768);
}

void SetKeywordTable(KeywordEntry* table) { keywordTable = table; }

void ResetKeywordBuckets() {
  for (KeywordEntry*& head : keywordBuckets) head = nullptr;
  for (bool& start : keywordStart) start = false;
}

void ResetLexer() {
  ResetKeywordBuckets();
  TokenText[0] = 0;
  TokenLength = 0;
  TokenValue = 0;
  TokenSourceText = nullptr;
  directStart = {nullptr, 0, nullptr};
  takenBytes = 0;
}

void InitKeywords() {
  for (KeywordEntry* entry = keywordTable; entry != nullptr && entry->text != nullptr; ++entry) {
    if (entry->link != nullptr) ReportAssertion(kModule, kKeywordLinkedLine);
    for (char* p = entry->text; *p; ++p) *p = static_cast<char>(CharMap[static_cast<unsigned char>(*p)]);
    keywordStart[static_cast<unsigned char>(entry->text[0])] = true;
    KeywordEntry*& head = keywordBuckets[NameHash(entry->text) % kKeywordBucketCount];
    if (head != nullptr) entry->link = head;
    head = entry;
  }
}

int32_t LookupKeyword() {
  if (!keywordStart[static_cast<unsigned char>(TokenText[0])]) return 0;
  for (KeywordEntry* entry = keywordBuckets[NameHash(TokenText) % kKeywordBucketCount];
       entry != nullptr; entry = entry->link) {
    if (strcmp(entry->text, TokenText) == 0) return entry->token;
  }
  return 0;
}

int32_t StrToL32(const char* text, int base) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  auto digit = [](unsigned char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
  };
  if ((base == 0 || base == 16) && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digit(p[2]) < 16) {
    p += 2;
    base = 16;
  } else if (base == 0) {
    base = p[0] == '0' ? 8 : 10;
  }
  // Accumulate with saturation just above the 32-bit range.
  const int64_t kSaturate = int64_t{1} << 32;
  int64_t value = 0;
  for (int d; (d = digit(*p)) < base; ++p) {
    value = value * base + d;
    if (value > kSaturate) value = kSaturate;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

namespace {

void AppendChar(int c) {
  if (TokenLength < kMaxTokenLength) TokenText[TokenLength] = static_cast<char>(c);
  ++TokenLength;
  if (TokenLength >= kMaxTokenLength) {
    TokenLength = kMaxTokenLength;
    Report(kTokenTooLong);
  }
}

void EndTokenText() { TokenText[TokenLength] = 0; }

void Unget(int c) {
  if (CurrentStream != nullptr) CurrentStream->UngetChar(c);
}

// Appends the bytes of the stream's block that fold into class `mask`,
// as long as the token stays short of its limit (AppendChar reports that);
// the first byte that does not belong stays unread.
void TakeWhile(InputStream* stream, uint32_t mask) {
  const unsigned char* p = stream->position;
  const unsigned char* end = stream->limit;
  int32_t room = kMaxTokenLength - 1 - TokenLength;
  if (room < end - p) end = p + (room > 0 ? room : 0);
  char* out = TokenText + TokenLength;
  unsigned char high = 0;
  for (; p < end; ++p) {
    if ((FoldedCharClass[*p] & mask) == 0) break;
    high |= *p;
    *out++ = static_cast<char>(CharMap[*p]);
  }
  takenBytes |= high;
  TokenLength = static_cast<int32_t>(out - TokenText);
  stream->position = p;
}

int ScanWhile(uint32_t mask) {
  for (;;) {
    if (InputStream* stream = DirectStream()) {
      TakeWhile(stream, mask);
      // A byte of the block that does not belong is the answer, unread.
      if (stream->position != stream->limit && TokenLength < kMaxTokenLength - 1)
        return *stream->position;
    }
    int c = ReadChar();
    unsigned char m = CharMap[c];
    if ((CharClass[m] & mask) == 0) {
      Unget(c);
      return c;
    }
    AppendChar(m);
  }
}

// The value of a text of decimal digits, saturated as StrToL32 does.
int32_t DecimalValue(const char* text, int32_t length) {
  const int64_t kSaturate = int64_t{1} << 32;
  int64_t value = 0;
  for (int32_t i = 0; i < length; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kSaturate) value = kSaturate;
  }
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

bool IsDec(int c) { return (CharClass[c] & CC_DEC) != 0; }
bool IsExponentLetter(int c) { return CharMap[c] == 'e' || CharMap[c] == 'E'; }

// The text is terminated (and converted) by the caller.
int32_t IntegerToken(int32_t value) {
  TokenValue = value;
  return LEX_INTEGER;
}

int32_t RealError() {
  EndTokenText();
  Report(kBadReal, TokenText);
  return LEX_END;
}

int32_t ScanExponent() {
  int e = ReadChar();
  if (e == '+' || e == '-') {
    AppendChar(e);
    e = ReadChar();
  }
  AppendChar(e);
  if (!IsDec(e)) return RealError();
  ScanWhile(CC_DEC);
  EndTokenText();
  return LEX_REAL;
}

int32_t ScanFraction() {
  int e = ReadChar();
  if (!IsDec(e)) {
    AppendChar(e);
    return RealError();
  }
  AppendChar(e);
  int s = ScanWhile(CC_DEC);
  if (IsExponentLetter(s)) {
    AppendChar(ReadChar());
    return ScanExponent();
  }
  EndTokenText();
  return LEX_REAL;
}

int32_t ScanDecimal(int c) {
  AppendChar(c);
  int s = ScanWhile(CC_DEC);
  if (s == '.') {
    ReadChar();
    int t = ReadChar();
    if (t == '.') {
      Unget('.');
      Unget('.');
    } else {
      Unget(t);
      AppendChar('.');
      return ScanFraction();
    }
  } else if (IsExponentLetter(s)) {
    AppendChar(ReadChar());
    return ScanExponent();
  }
  EndTokenText();
  return IntegerToken(DecimalValue(TokenText, TokenLength));
}

int32_t ScanZero() {
  AppendChar('0');
  int d = ReadChar();
  unsigned char m = CharMap[d];
  if (m == 'x' || m == 'X') {
    AppendChar('x');
    ScanWhile(CC_HEX);
    if (TokenLength == 2) Report(kUnterminatedHex);
    EndTokenText();
    return IntegerToken(StrToL32(TokenText, 0));
  }
  if (m == 'b' || m == 'B') {
    AppendChar('b');
    ScanWhile(CC_BIN);
    if (TokenLength == 2) Report(kUnterminatedHex);
    EndTokenText();
    return IntegerToken(StrToL32(TokenText + 2, 2));
  }
  if (CharClass[m] & CC_OCT) {
    AppendChar(d);
    int s = ScanWhile(CC_OCT);
    if (IsDec(s)) {
      ScanWhile(CC_DEC);
      EndTokenText();
      Report(kBadOctal, TokenText);
    }
    EndTokenText();
    return IntegerToken(StrToL32(TokenText, 0));
  }
  if (d == '.') {
    AppendChar('.');
    return ScanFraction();
  }
  if (m == 'e' || m == 'E') {
    AppendChar(m);
    return ScanExponent();
  }
  Unget(d);
  EndTokenText();
  return IntegerToken(0);
}

bool IsHexImage(int c) { return (CharClass[CharMap[c]] & CC_HEX) != 0; }

int HexValue(int c) {
  unsigned char m = CharMap[c];
  if (m >= '0' && m <= '9') return m - '0';
  return (m | 0x20) - 'a' + 10;
}

bool IsOctal(int c) { return c >= '0' && c <= '7'; }

// Escapes by a letter or sign: what follows the backslash (as folded)
// and the byte it stands for.
struct NamedEscape {
  unsigned char letter;
  unsigned char byte;
};
constexpr NamedEscape kNamedEscapes[] = {
    {'"', 0x22}, {'\'', 0x27}, {'*', 0x2A}, {'/', 0x2F}, {'?', 0x3F}, {'\\', 0x5C}, {'a', 0x07},
    {'b', 0x08}, {'f', 0x0C},   {'n', 0x0A},  {'r', 0x0D}, {'t', 0x09}, {'v', 0x0B},
};

// After a backslash in a character or string constant.
void ReadEscape() {
  int d = ReadChar();
  unsigned char m = CharMap[d];
  if (m == 'x' || m == 'X') {
    int e = ReadChar();
    if (!IsHexImage(e)) {
      Report(kBadEscape, "\\x");
      return;
    }
    int value = HexValue(e);
    int f = ReadChar();
    if (IsHexImage(f))
      value = value * 16 + HexValue(f);
    else
      Unget(f);
    AppendChar(value);
    return;
  }
  if (IsOctal(d)) {
    int value = d - '0';
    for (int i = 0; i < 2; ++i) {
      int e = ReadChar();
      if (!IsOctal(e)) {
        Unget(e);
        break;
      }
      value = value * 8 + (e - '0');
    }
    AppendChar(value & 0xFF);
    return;
  }
  if (d == '\n' || d == 0) {
    Report(kUnterminatedText);
    return;
  }
  for (const NamedEscape& escape : kNamedEscapes) {
    if (escape.letter == m) {
      AppendChar(escape.byte);
      return;
    }
  }
  Report(kBadEscape);
}

// One character of a character or string constant, `d` read already: an
// escape, or the character itself.  False, reported, when the line or the
// input ends first.
bool ScanTextChar(int d) {
  if (d == '\\') {
    ReadEscape();
  } else if (d == '\n' || d == 0) {
    Report(kUnterminatedText);
    return false;
  } else {
    AppendChar(d);
  }
  return true;
}

int32_t ScanCharacter() {
  if (!ScanTextChar(ReadChar())) return LEX_END;
  if (ReadChar() != '\'') {
    Report(kUnterminatedText);
    return LEX_END;
  }
  EndTokenText();
  return LEX_CHARACTER;
}

int32_t ScanString() {
  for (int d = ReadChar(); d != '"'; d = ReadChar())
    if (!ScanTextChar(d)) return LEX_END;
  EndTokenText();
  return LEX_STRING;
}

// Notes the line ends in [p, end) on the stream that delivers them.
void NoteLineEnds(InputStream* stream, const unsigned char* p, const unsigned char* end) {
  while ((p = static_cast<const unsigned char*>(memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr)
    stream->NoteLineEnd(++p);
}

// Skips the bytes of the stream's block that cannot change a block
// comment's depth: up to the next "/", or to the "*" just before it (both
// "/*" and "*/" hold a "/").  A "*" further back pairs with nothing.
void SkipCommentText(InputStream* stream) {
  const unsigned char* p = stream->position;
  const unsigned char* end = stream->limit;
  auto* slash = static_cast<const unsigned char*>(memchr(p, '/', static_cast<size_t>(end - p)));
  const unsigned char* stop = slash == nullptr ? end : slash;
  if (stop > p && stop[-1] == '*') --stop;
  NoteLineEnds(stream, p, stop);
  stream->position = stop;
}

// Skips a block comment whose opening has been read; comments nest.
// Returns false when the input ends inside it.
bool SkipBlockComment() {
  int depth = 1;
  InsideComment = true;
  while (depth != 0) {
    if (InputStream* stream = DirectStream()) SkipCommentText(stream);
    int x = ReadChar();
    if (x == 0) {
      InsideComment = false;
      Report(kUnterminatedComment);
      return false;
    }
    if (x == '*') {
      int y = ReadChar();
      if (y == '/') --depth;
      else if (y == '*') Unget(y);
    } else if (x == '/') {
      int y = ReadChar();
      if (y == '*') ++depth;
      else if (y == '/') Unget(y);
    }
  }
  InsideComment = false;
  return true;
}

void SkipLineComment() {
  InsideComment = true;
  for (;;) {
    if (InputStream* stream = DirectStream()) {
      // The rest of the line within the block; its line end is read below.
      const unsigned char* p = stream->position;
      auto* end = static_cast<const unsigned char*>(memchr(p, '\n', static_cast<size_t>(stream->limit - p)));
      stream->position = end != nullptr ? end : stream->limit;
    }
    int c = ReadChar();
    if (c == '\n' || c == 0) break;
  }
  InsideComment = false;
}

// Skips white space; returns the first other byte, read.
int SkipSpace() {
  for (;;) {
    if (InputStream* stream = DirectStream()) {
      const unsigned char* p = stream->position;
      const unsigned char* end = stream->limit;
      for (; p < end && CharClass[*p] == CC_SPACE; ++p) {
        if (*p == '\n') stream->NoteLineEnd(p + 1);
      }
      if (p != end) {
        stream->position = p + 1;
        directStart = {stream, stream->blockBase, p};
        return *p;
      }
      stream->position = p;
    }
    directStart.stream = nullptr;
    int c = ReadChar();
    if (c == 0 || CharClass[c] != CC_SPACE) return c;
  }
}

// Where a name's bytes lie in the input when it was read straight from
// one block and folding left every byte as it was: hashing them there
// rather than in TokenText, whose bytes were stored one by one just now,
// spares the wait for those stores.
void NoteSourceText() {
  TokenSourceText = nullptr;
  const InputStream* stream = CurrentStream;
  // Every byte from the first to the stream's position is the name's
  // when the block is still the one the first byte came from, and all
  // but the first were taken with the block's scan (a name cut at the
  // longest token length takes its last byte otherwise).
  if (directStart.stream == nullptr || stream != directStart.stream || stream->blockBase != directStart.blockBase ||
      stream->position - directStart.first != TokenLength || TokenLength >= kMaxTokenLength - 1)
    return;
  if (takenBytes < 0x80) TokenSourceText = reinterpret_cast<const char*>(directStart.first);  // Latin: not folded
}

// A run of two or more operator characters: only keywords may form one.
// Returns 0 when the run is no keyword (the input is then stopped).
int32_t OperatorRun(int d) {
  AppendChar(d);
  ScanWhile(CC_OPER);
  EndTokenText();
  int32_t code = LookupKeyword();
  if (code == 0) Report(kBadOperator, TokenText);
  return code;
}

}  // namespace

int32_t NextToken() {
  for (;;) {
    int c = SkipSpace();
    if (c == 0) return LEX_END;
    LastTokenPoint = PointOfLastChar();
    TokenLength = 0;
    uint32_t cls = CharClass[c];
    if (cls & CC_LETTER) {
      AppendChar(CharMap[c]);
      takenBytes = static_cast<unsigned char>(c);
      ScanWhile(CC_LETTER | CC_DEC);
      EndTokenText();
      int32_t code = LookupKeyword();
      if (code != 0) return code;
      NoteSourceText();
      return LEX_IDENTIFIER;
    }
    if (cls & CC_DEC) return c == '0' ? ScanZero() : ScanDecimal(c);
    if (c == '\'') return ScanCharacter();
    if (c == '"') return ScanString();
    if (cls & CC_OPER) {
      AppendChar(c);
      if (InputStream* stream = DirectStream()) {
        // An operator alone, seen from the byte after it in the block:
        // that byte stays unread, as the pushback would leave it (a line
        // end read and pushed back has moved the line's start).
        int d = *stream->position;
        if ((CharClass[d] & CC_OPER) == 0 && !(c == '/' && (d == '*' || d == '/'))) {
          if (d == '\n') {
            stream->NoteLineEnd(stream->position + 1);
            --stream->line;
          }
          return c;
        }
      }
      int d = ReadChar();
      if (c == '/' && d == '*') {
        if (!SkipBlockComment()) return LEX_END;
        continue;
      }
      if (c == '/' && d == '/') {
        SkipLineComment();
        continue;
      }
      if (CharClass[d] & CC_OPER) {
        int32_t code = OperatorRun(d);
        if (code != 0) return code;
        continue;
      }
      Unget(d);
      return c;
    }
    if (cls & CC_DELIM) return c;
    AppendChar(c);
    EndTokenText();
    Report(kBadCharacter, TokenText);
  }
}

}  // namespace qdl
