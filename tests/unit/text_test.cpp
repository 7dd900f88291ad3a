// Token texts: copies of every length, recycled without mixing contents.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/owned_text.h"

namespace qdl {
namespace {

TEST(OwnedTextTest, EveryLengthKeepsItsBytesWhileOthersComeAndGo) {
  // Lengths around each block size (16 ... 1024 bytes with one byte of
  // class and the terminator) and beyond the largest.
  std::vector<size_t> lengths = {0, 1, 13, 14, 15, 30, 31, 62, 63, 126, 127, 254, 255, 510, 511, 1000, 1021, 1022, 1023, 5000};
  std::vector<std::string> expected;
  std::vector<OwnedText> texts;
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < lengths.size(); ++i) {
      std::string bytes(lengths[i], static_cast<char>('a' + (i + round) % 26));
      if (!bytes.empty()) bytes.back() = '\xFF';
      expected.push_back(bytes);
      texts.emplace_back(NewText(bytes.data(), bytes.size()));
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
    }
  }
  ReleaseText(nullptr);
}

}  // namespace
}  // namespace qdl
