// Token texts: copies of every length with their length and key, recycled
// without mixing contents.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace qdl
