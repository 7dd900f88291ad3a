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

}  // namespace
}  // namespace qdl
