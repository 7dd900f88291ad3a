// The lexer pieces worth testing alone: reading at block boundaries, the
// token buffer at its limit, the 32-bit integer conversion and the
// keyword table's start check.
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

// Sources whose interesting bytes sit at the 9,728-byte block boundary of
// a main source: the bytes of a block are taken directly up to its end or
// its first 0 byte, and the reading must go on exactly as byte by byte.
class BlockBoundaryTest : public LexerTest {
 protected:
  static constexpr size_t kBlock = 9728;
  // `head` ends exactly at the end of the first block, after padding.
  static std::string EndingAtBlock(const std::string& prefix, const std::string& head) {
    return prefix + std::string(kBlock - prefix.size() - head.size(), ' ') + head;
  }
  // Identifier tokens of `source` with the line each was read on (a ";"
  // is added, so that the stream is still open after the last one).
  std::vector<std::pair<std::string, int32_t>> Lines(const std::string& source) {
    dir_.Write("lex.qdl", source + " ;");
    new SourceFileStream("lex.qdl", nullptr, kMainBufferRequest, nullptr);
    std::vector<std::pair<std::string, int32_t>> found;
    for (int32_t code; (code = NextToken()) != LEX_END;) {
      if (code == LEX_IDENTIFIER) found.emplace_back(std::string(TokenText, TokenLength), CurrentStream->line);
    }
    return found;
  }
  using Found = std::vector<std::pair<std::string, int32_t>>;
};

TEST_F(BlockBoundaryTest, CommentClosingAcrossTheBoundary) {
  // "*" is the block's last byte, "/" the next block's first.
  EXPECT_EQ(Lines(EndingAtBlock("a /* x\n", "*") + "/ b\nc"), (Found{{"a", 1}, {"b", 2}, {"c", 3}}));
  // "/" then "*" across the boundary opens a nested comment.
  EXPECT_EQ(Lines(EndingAtBlock("/* x\n", "/") + "* y */ z */ d"), (Found{{"d", 2}}));
  EXPECT_EQ(Out(), "");
}

TEST_F(BlockBoundaryTest, StarsAndSlashesPairFromTheLeft) {
  // "**/" closes; "//*" opens a nested comment; "*/*" closes, then "/*"
  // opens a new comment only when "*/" did not take the star.
  EXPECT_EQ(Lines("/* a **/ b"), (Found{{"b", 1}}));
  EXPECT_EQ(Lines("/* a //* b */ c */ d"), (Found{{"d", 1}}));
  EXPECT_EQ(Lines("/* a */* b"), (Found{{"b", 1}}));  // "*" after the comment is an operator
  EXPECT_EQ(Lines("/* a /*/ b */ c */ e"), (Found{{"e", 1}}));
  EXPECT_EQ(Lines(EndingAtBlock("/* a *", "*") + "/ f"), (Found{{"f", 1}}));
}

TEST_F(BlockBoundaryTest, ZeroByteInACommentSkipsTheRestOfItsBlock) {
  // The "*/" and the line ends behind the 0 byte are never read.
  std::string source = EndingAtBlock(std::string("/* a\n\0 */ hidden\n", 17), "\n*/\n") + "\n*/ b";
  EXPECT_EQ(Lines(source), (Found{{"b", 3}}));
  // In a line comment too: the comment goes on in the next block.
  source = EndingAtBlock(std::string("// a\0\n", 6), "\n") + "still comment\nc";
  EXPECT_EQ(Lines(source), (Found{{"c", 2}}));
}

TEST_F(BlockBoundaryTest, LineCountsAfterSkippedComments) {
  EXPECT_EQ(Lines("/*\n\n\n*/ a\n// x\n\n// y\nb /* \n */ c"), (Found{{"a", 4}, {"b", 8}, {"c", 9}}));
  // A comment spanning blocks counts the line ends of both.
  std::string lines(kBlock / 2, '\n');
  EXPECT_EQ(Lines("/*" + lines + lines + lines + "*/ d"), (Found{{"d", 3 * static_cast<int32_t>(kBlock / 2) + 1}}));
}

TEST_F(BlockBoundaryTest, TokensAcrossTheBoundary) {
  // An identifier split by the boundary is one; a byte read back at the
  // start of a block is read again.
  EXPECT_EQ(Lines(EndingAtBlock("", "ab") + "cd e"), (Found{{"abcd", 1}, {"e", 1}}));
  auto tokens = Lex(EndingAtBlock("", "x") + "=1;");
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[1].code, '=');
  EXPECT_EQ(tokens[2].value, 1);
  EXPECT_EQ(Out(), "");
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
