// Input streams: blocks, pushback and the stack of included files.
#include <gtest/gtest.h>

#include "diagnostics/diagnostics.h"
#include "streams/input_stream.h"
#include "tests/unit/test_util.h"

namespace qdl {
namespace {

using test::Win1251;

class StreamsTest : public ::testing::Test {
 protected:
  std::string ReadAll() {
    std::string text;
    for (int c; (c = ReadChar()) != 0;) text += static_cast<char>(c);
    return text;
  }
  test::ScratchDir dir_;
  test::CompilerState state_;
};

// The main file is read in blocks of 9728 bytes, an included one in
// blocks of 512.
TEST_F(StreamsTest, NulByteSkipsTheRestOfItsBlock) {
  for (int block : {9728, 512}) {
    std::string content(block + 100, 'b');
    content[3] = '\0';
    content[block] = 'c';
    dir_.Write("n.qdl", content);
    new SourceFileStream("n.qdl", nullptr, block == 512 ? kIncludeBufferRequest : kMainBufferRequest, nullptr);
    EXPECT_EQ(ReadAll(), "bbbc" + std::string(99, 'b')) << block;
  }
}

TEST_F(StreamsTest, PushbackAndLineCounting) {
  dir_.Write("p.qdl", "a\nb");
  auto* stream = new SourceFileStream("p.qdl", nullptr, kMainBufferRequest, nullptr);
  EXPECT_EQ(stream->line, 1);
  EXPECT_EQ(ReadChar(), 'a');
  EXPECT_EQ(ReadChar(), '\n');
  EXPECT_EQ(stream->line, 2);
  stream->UngetChar('\n');
  EXPECT_EQ(stream->line, 1);
  EXPECT_EQ(ReadChar(), '\n');
  EXPECT_EQ(stream->line, 2);
  // Pushed on top of another character, a line feed counts the same.
  stream->UngetChar('x');
  stream->UngetChar('\n');
  EXPECT_EQ(stream->line, 1);
  EXPECT_EQ(ReadChar(), '\n');
  EXPECT_EQ(stream->line, 2);
  EXPECT_EQ(ReadChar(), 'x');
  for (int i = 0; i < kPushBackCapacity; ++i) stream->UngetChar('0' + i);
  EXPECT_EQ(state_.out, "");
  stream->UngetChar('x');  // the eleventh is reported and dropped
  EXPECT_EQ(state_.out, Win1251("Error p.qdl 2: утверждение не выполняется File BASELEX, line 43\n"));
  EXPECT_EQ(stream->pushCount, kPushBackCapacity);
  EXPECT_EQ(ErrorCount, 0);
  EXPECT_EQ(ReadChar(), 0);  // the assertion stopped the input
  EXPECT_EQ(CurrentStream, nullptr);
}

TEST_F(StreamsTest, IncludedStreamEndsIntoTheOneBelow) {
  dir_.Write("main.qdl", "12");
  dir_.Write("inc.qdl", "ab");
  dir_.Write("empty.qdl", "");
  auto* main = new SourceFileStream("main", ".qdl", kMainBufferRequest, nullptr);
  EXPECT_EQ(ReadChar(), '1');
  main->UngetChar('1');
  new SourceFileStream("inc", ".qdl", kIncludeBufferRequest, "");
  new SourceFileStream("empty", ".qdl", kIncludeBufferRequest, "");
  EXPECT_EQ(StreamDepth(), 3);
  // The pushed-back character belongs to the main stream: it follows the
  // included text.
  EXPECT_EQ(ReadAll(), "ab12");
  EXPECT_EQ(CurrentStream, nullptr);
}

// Which files are read as UTF-8: strict UTF-8 throughout, with a
// byte-order mark or a character beyond ASCII (the forms the UTF-8 cases
// do not show).
TEST_F(StreamsTest, Utf8IsStrictAndNeedsAMarkOrAWideCharacter) {
  const struct {
    const char* bytes;
    bool utf8;
  } cases[] = {
      {"\xEF\xBB\xBF" "ascii", true},
      {"a\xEF\xBB\xBF", true},             // a late U+FEFF is a character
      {"\xC1\xBF", false},                 // overlong
      {"\xE0\x9F\xBF", false},             // overlong
      {"\xF0\x8F\xBF\xBF", false},         // overlong
      {"\xF5\x80\x80\x80", false},         // past U+10FFFF
      {"\xD0\xB6\x80", false},             // a stray continuation byte
  };
  for (const auto& c : cases) {
    dir_.Write("u.qdl", c.bytes);
    auto* stream = new SourceFileStream("u.qdl", nullptr, kMainBufferRequest, nullptr);
    EXPECT_EQ(stream->utf8, c.utf8) << c.bytes;
    delete stream;
  }
}

// A UTF-8 file reads as its Windows-1251 twin, 0 bytes and blocks
// included: blocks count the bytes the file turns into, the byte-order
// mark and characters Windows-1251 lacks taking no place.  A lacking
// character in the unread rest of a block goes unreported.
TEST_F(StreamsTest, Utf8FileReadsAsItsTwin) {
  std::string twin = "\xE6\xE6\xE6" + std::string(1, '\0') + std::string(508, '\xE6') + "c" +
                     std::string(100, '\xE6') + "\n";
  std::string utf8 = "\xEF\xBB\xBF\xD0\xB6\xD0\xB6\xD0\xB6" + std::string(1, '\0');
  for (int i = 0; i < 508; ++i) utf8 += i == 10 ? "\xE2\x98\xBA\xD0\xB6" : "\xD0\xB6";
  utf8 += "c\xF0\x9F\x98\x80";
  for (int i = 0; i < 100; ++i) utf8 += "\xD0\xB6";
  utf8 += "\n";
  dir_.Write("t.qdl", twin);
  dir_.Write("u.qdl", utf8);
  new SourceFileStream("t.qdl", nullptr, kIncludeBufferRequest, nullptr);
  std::string expected = ReadAll();
  EXPECT_EQ(expected, "\xE6\xE6\xE6" "c" + std::string(100, '\xE6') + "\n");
  new SourceFileStream("u.qdl", nullptr, kIncludeBufferRequest, nullptr);
  EXPECT_EQ(ReadAll(), expected);
  EXPECT_EQ(state_.out, Win1251("Error u.qdl 1: недопустимый символ U+1F600\n"));
}

TEST_F(StreamsTest, Utf8ZeroAtTheStartOfALaterBlockEndsTheFile) {
  std::string twin = std::string(9727, 'a') + "\xE6" + std::string(1, '\0') + "bbb";
  std::string utf8 = std::string(9727, 'a') + "\xD0\xB6" + std::string(1, '\0') + "bbb";
  dir_.Write("t.qdl", twin);
  dir_.Write("u.qdl", utf8);
  new SourceFileStream("t.qdl", nullptr, kMainBufferRequest, nullptr);
  std::string expected = ReadAll();
  EXPECT_EQ(expected, std::string(9727, 'a') + "\xE6");
  new SourceFileStream("u.qdl", nullptr, kMainBufferRequest, nullptr);
  EXPECT_EQ(ReadAll(), expected);
}

// Points count characters: code points of a UTF-8 file, the lacking ones
// and not the byte-order mark.
TEST_F(StreamsTest, PointsCountCharacters) {
  dir_.Write("u.qdl", "\xEF\xBB\xBF\xD0\xB6\xE2\x98\xBA\nab");
  new SourceFileStream("u.qdl", nullptr, kMainBufferRequest, nullptr);
  EXPECT_EQ(ReadChar(), 0xE6);
  EXPECT_EQ(PointOfLastChar().offset, 0);
  EXPECT_EQ(ReadChar(), '\n');
  EXPECT_EQ(ReadChar(), 'a');
  SourcePoint point = PointOfLastChar();
  EXPECT_EQ(point.line, 2);
  EXPECT_EQ(point.lineStart, 3);
  EXPECT_EQ(point.offset, 3);
  CurrentStream->UngetChar('a');
  EXPECT_EQ(ReadChar(), 'a');
  EXPECT_EQ(PointOfLastChar().offset, 3);
  EXPECT_EQ(ReadChar(), 'b');
  EXPECT_EQ(PointOfLastChar().offset, 4);
  EXPECT_EQ(state_.out, Win1251("Error u.qdl 1: недопустимый символ U+263A\n"));
}

}  // namespace
}  // namespace qdl
