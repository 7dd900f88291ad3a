// The lexer pieces worth testing alone: the token buffer at its limit,
// the 32-bit integer conversion and the keyword table's start check.
#include <gtest/gtest.h>

#include <climits>

#include "lexer/lexer.h"
#include "diagnostics/diagnostics.h"
#include "streams/input_stream.h"
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

TEST(StrToL32, FollowsStrtolOn32Bits) {
  EXPECT_EQ(StrToL32("  -12x", 10), -12);
  EXPECT_EQ(StrToL32("+7", 10), 7);
  EXPECT_EQ(StrToL32("x", 10), 0);
  EXPECT_EQ(StrToL32("", 10), 0);
  EXPECT_EQ(StrToL32("-2147483648", 10), INT_MIN);
  EXPECT_EQ(StrToL32("-2147483649", 10), INT_MIN);
  EXPECT_EQ(StrToL32("0x", 0), 0);
  EXPECT_EQ(StrToL32("019", 0), 1);
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
