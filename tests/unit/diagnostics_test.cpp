// The warning limit, which no source reaches.
#include <gtest/gtest.h>

#include "diagnostics/diagnostics.h"
#include "tests/unit/test_util.h"

namespace qdl {
namespace {

using test::Win1251;

TEST(Diagnostics, WarningLimitRepeatsItsFatalLine) {
  test::CompilerState state;
  for (int i = 0; i < 50; ++i) Report(kUnterminatedComment);
  EXPECT_FALSE(InputStopped);
  Report(kUnterminatedComment);
  Report(kUnterminatedComment);
  EXPECT_TRUE(InputStopped);
  std::string warning = Win1251("Warning: незавершенный комментарий\n");
  std::string fatal = Win1251("Error: слишком много предупреждений\n");
  std::string expected;
  for (int i = 0; i < 50; ++i) expected += warning;
  expected += warning + fatal + warning + fatal;
  EXPECT_EQ(state.out, expected);
  EXPECT_EQ(WarningCount, 52);
  EXPECT_EQ(ErrorCount, 0);
}

}  // namespace
}  // namespace qdl
