// Input streams: blocks, pushback, line counting, the stack of includes.
#include <gtest/gtest.h>

#include "diagnostics/diagnostics.h"
#include "files/paths.h"
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

TEST_F(StreamsTest, BlockSizesAreMultiplesOf512) {
  dir_.Write("a.qdl", "x");
  auto* main = new SourceFileStream("a", ".qdl", kMainBufferRequest, nullptr);
  auto* include = new SourceFileStream("a", ".qdl", kIncludeBufferRequest, nullptr);
  auto* tiny = new SourceFileStream("a", ".qdl", 100, nullptr);
  EXPECT_EQ(tiny->bufferSize, 1);  // one byte delivered by the first read
  delete tiny;
  EXPECT_EQ(include->pathName, "a.qdl");
  delete include;
  delete main;
  auto* big = new SourceFileStream("none", ".qdl", kMainBufferRequest, nullptr);
  EXPECT_EQ(big->bufferSize, 9728);
  delete big;
  auto* small = new SourceFileStream("none", ".qdl", kIncludeBufferRequest, nullptr);
  EXPECT_EQ(small->bufferSize, 512);
  delete small;
  EXPECT_EQ(CurrentStream, nullptr);
}

TEST_F(StreamsTest, NulByteSkipsTheRestOfItsBlock) {
  std::string content(1100, 'b');
  content[3] = '\0';
  content[512] = 'c';
  dir_.Write("n.qdl", content);
  new SourceFileStream("n.qdl", nullptr, kIncludeBufferRequest, nullptr);
  EXPECT_EQ(ReadAll(), "bbb" + std::string("c") + std::string(1100 - 513, 'b'));
}

TEST_F(StreamsTest, NulInLastBlockEndsTheFile) {
  dir_.Write("n.qdl", std::string("ab\0cd", 5));
  new SourceFileStream("n.qdl", nullptr, kMainBufferRequest, nullptr);
  EXPECT_EQ(ReadAll(), "ab");
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
  for (int i = 0; i < kPushBackCapacity; ++i) stream->UngetChar('0' + i);
  EXPECT_EQ(state_.out, "");
  stream->UngetChar('x');  // the eleventh is reported and dropped
  EXPECT_EQ(state_.out, Win1251("Error p.qdl 2: утверждение не выполняется File BASELEX, line 43\n"));
  EXPECT_EQ(stream->pushCount, kPushBackCapacity);
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

TEST_F(StreamsTest, MissingFileKeepsTheLocationBelow) {
  dir_.Write("main.qdl", "x\ny");
  new SourceFileStream("main", ".qdl", kMainBufferRequest, nullptr);
  ReadChar();
  ReadChar();
  auto* missing = new SourceFileStream("gone", ".qdl", kIncludeBufferRequest, "inc");
  EXPECT_EQ(missing->status, -20);
  EXPECT_EQ(state_.out, Win1251("Error main.qdl 2: файл не найден: gone\n"));
  EXPECT_EQ(ReadAll(), "y");
}

TEST_F(StreamsTest, SearchPathGivesAnAbsoluteName) {
  dir_.Write("lib/x.qdl", "q");
  auto* stream = new SourceFileStream("x", ".qdl", kIncludeBufferRequest, "none;;lib");
  EXPECT_EQ(stream->status, 0);
  EXPECT_EQ(stream->pathName, dir_.path() + "/lib/x.qdl");
  EXPECT_EQ(ReadAll(), "q");
}

TEST_F(StreamsTest, OverlongNameIsRefusedAtOnce) {
  std::string name(5000, 'a');
  auto* stream = new SourceFileStream(name.c_str(), ".qdl", kMainBufferRequest, nullptr);
  EXPECT_EQ(stream->status, -19);
  EXPECT_EQ(state_.out, Win1251("Error: недопустимое имя файла: ") + name + "\n");
  EXPECT_EQ(ReadAll(), "");
  EXPECT_EQ(ErrorCount, 1);  // not reported again when it closes
}

TEST_F(StreamsTest, StoppedInputClosesEveryStream) {
  dir_.Write("a.qdl", "aaa");
  new SourceFileStream("a.qdl", nullptr, kMainBufferRequest, nullptr);
  new SourceFileStream("a.qdl", nullptr, kMainBufferRequest, nullptr);
  Report(kTokenTooLong);
  EXPECT_EQ(ReadChar(), 0);
  EXPECT_EQ(CurrentStream, nullptr);
  EXPECT_EQ(ReadChar(), 0);
}

// Which files are read as UTF-8: strict UTF-8 throughout, with a
// byte-order mark or a character beyond ASCII.
TEST_F(StreamsTest, Utf8IsStrictAndNeedsAMarkOrAWideCharacter) {
  const struct {
    const char* bytes;
    bool utf8;
  } cases[] = {
      {"plain ascii", false},
      {"\xEF\xBB\xBF" "ascii", true},
      {"\xD0\xB6", true},                 // U+0436
      {"\xF4\x8F\xBF\xBF", true},         // U+10FFFF
      {"a\xEF\xBB\xBF", true},             // a late U+FEFF is a character
      {"\xC0\x80", false},                 // overlong
      {"\xC1\xBF", false},                 // overlong
      {"\xE0\x9F\xBF", false},             // overlong
      {"\xF0\x8F\xBF\xBF", false},         // overlong
      {"\xED\xA0\x80", false},             // surrogate
      {"\xF4\x90\x80\x80", false},         // past U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\xD0\xB6\xE0\xA0", false},         // cut short by the end
      {"\xD0\xB6\x80", false},             // a stray continuation byte
      {"\xCF\xF0\xE8\xE2\xE5\xF2", false},  // Windows-1251 Russian
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

TEST(Paths, SplitFollowsPosixRules) {
  PathParts parts = SplitPath("dir/sub/name.tar.gz");
  EXPECT_EQ(parts.directory, "dir/sub/");
  EXPECT_EQ(parts.base, "name.tar");
  EXPECT_EQ(parts.extension, ".gz");
  EXPECT_EQ(SplitPath(".x").base, ".x");
  EXPECT_EQ(SplitPath(".x").extension, "");
  EXPECT_EQ(SplitPath("name.").extension, ".");
  EXPECT_EQ(SplitPath("a.b/c").extension, "");
  EXPECT_EQ(WithDefaultExtension("a.b/c", ".qdl"), "a.b/c.qdl");
  EXPECT_EQ(WithDefaultExtension("name.", ".qdl"), "name.");
  EXPECT_EQ(JoinPath({"dir", "f", "h"}), "dir/f.h");
}

TEST(Paths, AbsolutePathDropsDotComponents) {
  EXPECT_EQ(AbsolutePath("/a/./b/../c"), "/a/c");
  EXPECT_EQ(AbsolutePath("/../x"), "/x");
  test::ScratchDir dir;
  EXPECT_EQ(AbsolutePath("./lib/../y.qdl"), dir.path() + "/y.qdl");
}

}  // namespace
}  // namespace qdl
