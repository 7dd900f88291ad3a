// Token texts: copies of every length with their length and key, recycled
// without mixing contents; Windows-1251 and UTF-8.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/encoding.h"
#include "text/owned_text.h"

namespace qdl {
namespace {

TEST(OwnedTextTest, EveryLengthKeepsItsBytesWhileOthersComeAndGo) {
  // Lengths around each block size (16 ... 1024 bytes holding a byte of
  // class, 8 of length and key, the text and its terminator) and beyond
  // the largest.
  std::vector<size_t> lengths = {0, 1, 5, 6, 7, 21, 22, 23, 53, 54, 55, 117, 118, 119, 245, 246, 247,
                                 501, 502, 503, 1000, 1013, 1014, 1015, 5000};
  std::vector<std::string> expected;
  std::vector<uint32_t> keys;
  std::vector<OwnedText> texts;
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < lengths.size(); ++i) {
      std::string bytes(lengths[i], static_cast<char>('a' + (i + round) % 26));
      if (!bytes.empty()) bytes.back() = '\xFF';
      expected.push_back(bytes);
      keys.push_back(0x9E3779B9u * static_cast<uint32_t>(texts.size() + 1));
      texts.emplace_back(NewText(bytes.data(), bytes.size(), keys.back()));
    }
    // Give every second text back: the next round reuses their blocks.
    for (size_t i = 0; i < texts.size(); i += 2) {
      if (texts[i] != nullptr) {
        texts[i].reset();
        expected[i].clear();
      }
    }
    for (size_t i = 0; i < texts.size(); ++i) {
      if (texts[i] == nullptr) continue;
      ASSERT_EQ(std::string(texts[i].get()), expected[i]) << "round " << round << " text " << i;
      ASSERT_EQ(TextLength(texts[i].get()), expected[i].size()) << "round " << round << " text " << i;
      ASSERT_EQ(TextKey(texts[i].get()), keys[i]) << "round " << round << " text " << i;
    }
  }
  ReleaseText(nullptr);
}

TEST(EncodingTest, Windows1251BytesAndTheirCodePoints) {
  // A few bytes with their code points from the code page's table.
  EXPECT_EQ(CodePointFromCp1251(0x7F), 0x7Fu);
  EXPECT_EQ(CodePointFromCp1251(0x80), 0x0402u);  // Ђ
  EXPECT_EQ(CodePointFromCp1251(0xB9), 0x2116u);  // №
  EXPECT_EQ(CodePointFromCp1251(0xBF), 0x0457u);  // ї, the byte before the letters
  EXPECT_EQ(CodePointFromCp1251(0xC0), 0x0410u);  // А
  EXPECT_EQ(CodePointFromCp1251(0xFF), 0x044Fu);  // я
  EXPECT_EQ(CodePointFromCp1251(0x98), 0xFFFDu);  // the byte left undefined
  // Every defined byte comes back from its code point.
  for (int byte = 0; byte < 256; ++byte) {
    if (byte == 0x98) continue;
    EXPECT_EQ(Cp1251FromCodePoint(CodePointFromCp1251(static_cast<unsigned char>(byte))), byte) << byte;
  }
  EXPECT_EQ(Cp1251FromCodePoint(0xFFFD), -1);
  EXPECT_EQ(Cp1251FromCodePoint(0x0450), -1);  // ѐ, just past я
}

TEST(EncodingTest, Utf8ToWindows1251) {
  // Characters of one to four bytes: Ж, №, 😀; what Windows-1251 lacks,
  // and a character cut short by the end of the text, become '?'.
  EXPECT_EQ(Cp1251FromUtf8("a\xD0\x96\xE2\x84\x96\xF0\x9F\x98\x80!"), "a\xC6\xB9?!");
  EXPECT_EQ(Cp1251FromUtf8("a\xD0"), "a?");
}

}  // namespace
}  // namespace qdl
