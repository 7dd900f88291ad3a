// The lexical analyzer on byte strings.
#include <gtest/gtest.h>

#include <climits>

#include "lexer/lexer.h"
#include "diagnostics/diagnostics.h"
#include "streams/input_stream.h"
#include "parser/generated/grammar.hh"
#include "tests/unit/test_util.h"

namespace qdl {
namespace {

using test::Win1251;

struct Token {
  int32_t code;
  std::string text;
  int32_t value;
};

class LexerTest : public ::testing::Test {
 protected:
  // All tokens of `source` up to LEX_END.
  std::vector<Token> Lex(const std::string& source) {
    dir_.Write("lex.qdl", source);
    new SourceFileStream("lex.qdl", nullptr, kMainBufferRequest, nullptr);
    std::vector<Token> tokens;
    for (int guard = 0; guard < 10000; ++guard) {
      int32_t code = NextToken();
      if (code == LEX_END) break;
      bool hasText = code < 0 || code >= 256;
      tokens.push_back({code, hasText ? std::string(TokenText, TokenLength) : "", TokenValue});
    }
    return tokens;
  }
  const std::string& Out() const { return state_.out; }

  test::ScratchDir dir_;
  test::CompilerState state_;
};

TEST_F(LexerTest, EmptySourceEndsAtOnce) {
  EXPECT_TRUE(Lex("").empty());
  EXPECT_TRUE(Lex(" \t\r\n\x0B\x0C\x1A").empty());
  EXPECT_EQ(Out(), "");
}

TEST_F(LexerTest, IdentifiersFoldLookAlikeLetters) {
  // с о р in Cyrillic, then the same letters in Latin, then a mixture.
  auto tokens = Lex(Win1251("сор cop сoр_1 Жук"));
  ASSERT_EQ(tokens.size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(tokens[i].code, LEX_IDENTIFIER);
  EXPECT_EQ(tokens[0].text, "cop");
  EXPECT_EQ(tokens[1].text, "cop");
  EXPECT_EQ(tokens[2].text, "cop_1");
  EXPECT_EQ(tokens[3].text, Win1251("Жyк"));
}

TEST_F(LexerTest, KeywordsInAnyMixOfLookAlikes) {
  auto tokens = Lex(Win1251("используется команда размер тип узел этот_узел конец кoнeц КОНЕЦ"));
  std::vector<int32_t> codes;
  for (const Token& t : tokens) codes.push_back(t.code);
  EXPECT_EQ(codes, (std::vector<int32_t>{KW_USES, KW_COMMAND, KW_SIZE, KW_TYPE, KW_NODE, KW_THIS_NODE,
                                         KW_END, KW_END, LEX_IDENTIFIER}));
}

TEST_F(LexerTest, IntegerForms) {
  struct Case {
    std::string source;
    int32_t value;
  } cases[] = {
      {"0x1F", 31},           {Win1251("0х1F"), 31},          {Win1251("0xАВ"), 171},   {"0X1f", 31},
      {"017", 15},            {"0b101", 5},             {"0B11", 3},         {"0", 0},
      {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"0xFFFFFFFF", INT_MAX},
      {"99999999999999999999", INT_MAX},              {"0b111111111111111111111111111111111", INT_MAX},
  };
  for (const Case& c : cases) {
    auto tokens = Lex(c.source);
    ASSERT_EQ(tokens.size(), 1u) << c.source;
    EXPECT_EQ(tokens[0].code, LEX_INTEGER) << c.source;
    EXPECT_EQ(tokens[0].value, c.value) << c.source;
  }
  EXPECT_EQ(Out(), "");
}

TEST_F(LexerTest, ZeroFollowedByDecimalDigitIsTwoIntegers) {
  auto tokens = Lex("08");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].value, 0);
  EXPECT_EQ(tokens[1].value, 8);
}

TEST_F(LexerTest, NumberErrors) {
  auto tokens = Lex("078 0x 0b ");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].value, 7);
  EXPECT_EQ(tokens[1].value, 0);
  EXPECT_EQ(tokens[2].value, 0);
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: ошибка восьмеричной константы 078\n"
                     "Error lex.qdl 1: незавершенная шестнадцатиричная константа 0x\n"
                     "Error lex.qdl 1: незавершенная шестнадцатиричная константа 0x\n"));
  EXPECT_EQ(ErrorCount, 3);
}

TEST_F(LexerTest, RealConstants) {
  auto tokens = Lex("1.5 1e5 1.5e-3 0e7 0.25 2E+1");
  ASSERT_EQ(tokens.size(), 6u);
  const char* texts[] = {"1.5", "1e5", "1.5e-3", "0e7", "0.25", "2E+1"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(tokens[i].code, LEX_REAL);
    EXPECT_EQ(tokens[i].text, texts[i]);
  }
}

TEST_F(LexerTest, BrokenRealsStopTheInput) {
  EXPECT_TRUE(Lex("1. 2").empty());
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: ошибка вещественной константы 1. \n"));
  EXPECT_TRUE(InputStopped);
  EXPECT_EQ(ErrorCount, 0);
}

TEST_F(LexerTest, ExponentWithoutDigits) {
  EXPECT_TRUE(Lex("1e+x").empty());
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: ошибка вещественной константы 1e+x\n"));
}

TEST_F(LexerTest, DotDotAfterIntegerIsAnOperatorRun) {
  auto tokens = Lex("1..2");
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].value, 1);
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: недопустимая операция ..\n"));
}

TEST_F(LexerTest, OperatorCharactersAndRuns) {
  auto tokens = Lex("a = -1; b:c.d $ ( ) [ ] , + * / { }");
  std::string codes;
  for (const Token& t : tokens)
    if (t.code > 0) codes += static_cast<char>(t.code);
  EXPECT_EQ(codes, "=-;:.$()[],+*/{}");
  EXPECT_TRUE(Lex("a=-1").size() == 1u);
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: недопустимая операция =-\n"));
}

TEST_F(LexerTest, CommentsNestAndMustNotTouchOperators) {
  auto tokens = Lex("/* a /* b */ c */ x // y\nz");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].text, "x");
  EXPECT_EQ(tokens[1].text, "z");
  EXPECT_EQ(Out(), "");
  EXPECT_TRUE(Lex("x */ ").size() == 1u);
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: недопустимая операция */\n"));
}

TEST_F(LexerTest, EqualsBeforeCommentIsOneRun) {
  Lex("=/* c */");
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: недопустимая операция =/*\n"));
}

TEST_F(LexerTest, UnterminatedCommentIsAWarning) {
  EXPECT_TRUE(Lex("/* /* */").empty());
  EXPECT_EQ(Out(), Win1251("Warning: незавершенный комментарий\n"));
  EXPECT_EQ(WarningCount, 1);
}

TEST_F(LexerTest, StringEscapes) {
  auto tokens = Lex(Win1251("\"\\101\\x41\\х41\\X4a\\\"\\'\\*\\/\\?\\\\\\a\\b\\f\\n\\r\\t\\v\\x7z\\777\""));
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].code, LEX_STRING);
  EXPECT_EQ(tokens[0].text, std::string("AAAJ\"'*/?\\\a\b\f\n\r\t\v\x07z\xFF"));
}

TEST_F(LexerTest, ZeroEscapeIsCounted) {
  auto tokens = Lex("\"a\\0b\"");
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].text, std::string("a\0b", 3));
}

TEST_F(LexerTest, StringLengthLimit) {
  auto tokens = Lex("\"" + std::string(999, 'x') + "\"");
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].text.size(), 999u);
  EXPECT_EQ(Out(), "");
  EXPECT_TRUE(Lex("\"" + std::string(1000, 'x') + "\"").empty());
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: переполнение буфера лексического анализатора\n"
                     "Error: незавершенная строковая или символьная константа\n"));
}

TEST_F(LexerTest, LongIdentifierIsCutAndStopsTheInput) {
  auto fits = Lex(std::string(999, 'a') + " b");
  ASSERT_EQ(fits.size(), 2u);
  EXPECT_EQ(fits[0].text.size(), 999u);
  EXPECT_EQ(Out(), "");
  auto tokens = Lex(std::string(1500, 'a') + " b");
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].text, std::string(1000, 'a'));
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: переполнение буфера лексического анализатора\n"));
}

TEST_F(LexerTest, CharacterConstants) {
  auto tokens = Lex("'a' ''' '\\n'");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].text, "a");
  EXPECT_EQ(tokens[1].text, "'");
  EXPECT_EQ(tokens[2].text, "\n");
  EXPECT_TRUE(Lex("''x").empty());
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: незавершенная строковая или символьная константа\n"));
}

TEST_F(LexerTest, BadEscapesGiveTwoFatalLines) {
  EXPECT_TRUE(Lex("\"\\q\"").empty());
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 1: ошибка задания экранированной литеры\n"
                     "Error: незавершенная строковая или символьная константа\n"));
}

TEST_F(LexerTest, LineFeedInStringIsFatal) {
  EXPECT_TRUE(Lex("\"ab\ncd\"").empty());
  EXPECT_EQ(Out(), Win1251("Error lex.qdl 2: незавершенная строковая или символьная константа\n"));
}

TEST_F(LexerTest, CharactersWithoutClassAreSkipped) {
  auto tokens = Lex(Win1251("a Ё ё \\ ` \x7F b"));
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(ErrorCount, 5);
}

TEST(StrToL32, FollowsStrtolOn32Bits) {
  EXPECT_EQ(StrToL32("  -12x", 10), -12);
  EXPECT_EQ(StrToL32("+7", 10), 7);
  EXPECT_EQ(StrToL32("x", 10), 0);
  EXPECT_EQ(StrToL32("", 10), 0);
  EXPECT_EQ(StrToL32("-2147483648", 10), INT_MIN);
  EXPECT_EQ(StrToL32("-2147483649", 10), INT_MIN);
  EXPECT_EQ(StrToL32("4294967296", 10), INT_MAX);
  EXPECT_EQ(StrToL32("0x10", 0), 16);
  EXPECT_EQ(StrToL32("010", 0), 8);
  EXPECT_EQ(StrToL32("0x", 0), 0);
  EXPECT_EQ(StrToL32("019", 0), 1);
}

TEST(NameHash, IsTheByteSumModulo32768) {
  EXPECT_EQ(NameHash("abc"), 294);
  EXPECT_EQ(NameHash("ab"), NameHash("ba"));
  EXPECT_EQ(NameHash(std::string(200, '\xFF').c_str()), (200 * 255) % 32768);
}

TEST(Keywords, SecondInitialisationAsserts) {
  test::CompilerState state;
  // "ab" and "ba" share a bucket, so the second entry is linked.
  char first[] = "ab", second[] = "ba";
  KeywordEntry table[] = {{nullptr, first, 300}, {nullptr, second, 301}, {nullptr, nullptr, 0}};
  SetKeywordTable(table);
  ResetKeywordBuckets();
  InitKeywords();
  EXPECT_EQ(state.out, "");
  InitKeywords();
  EXPECT_EQ(state.out, Win1251("Error: утверждение не выполняется File BASELEX, line 106\n"));
  EXPECT_TRUE(InputStopped);
}

}  // namespace
}  // namespace qdl
