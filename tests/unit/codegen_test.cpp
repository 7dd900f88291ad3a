// The code buffer's limit, tested before each emission and on the whole
// image when the strings are appended.
#include <gtest/gtest.h>

#include "codegen/code_generator.h"
#include "codegen/string_pool.h"
#include "diagnostics/diagnostics.h"
#include "tests/unit/test_util.h"

namespace qdl {
namespace {

using test::Win1251;

class CodegenTest : public ::testing::Test {
 protected:
  ~CodegenTest() override { ResetStringPool(); }
  test::CompilerState state_;
};

TEST_F(CodegenTest, LimitIsTestedBeforeEachEmission) {
  CodeGenerator g("");
  g.size = kCodeLimit - 1;
  g.EmitLong(1);  // starts below the limit and completes beyond it
  EXPECT_EQ(ErrorCount, 0);
  EXPECT_EQ(g.size, kCodeLimit + 3);
  g.EmitByte(1, true);
  EXPECT_EQ(ErrorCount, 1);
  EXPECT_EQ(state_.out, Win1251("Error: слишком длинный код\n"));
  SetErrorLimit(1000000);
  for (int i = 0; i < 100; ++i) g.EmitLong(-1);  // never stored past the buffer
  EXPECT_EQ(g.size, kCodeLimit + 4 + 400);
}

TEST_F(CodegenTest, WordTestsTheLimitToo) {
  CodeGenerator below("");
  below.size = kCodeLimit - 1;
  below.EmitWord(1);
  EXPECT_EQ(ErrorCount, 0);
  CodeGenerator at("");
  at.size = kCodeLimit;
  at.EmitWord(1);
  EXPECT_EQ(ErrorCount, 1);
  EXPECT_EQ(state_.out, Win1251("Error: слишком длинный код\n"));
}

TEST_F(CodegenTest, AppendStringsChecksTheWholeImage) {
  AddString(std::string(997, 's').c_str());  // 998 bytes
  CodeGenerator g("");
  g.size = 29000;
  g.AppendStrings();
  EXPECT_EQ(g.size, 29998);
  EXPECT_EQ(ErrorCount, 0);
  AddString("");
  CodeGenerator h("");
  h.size = 29000;
  h.AppendStrings();
  EXPECT_EQ(h.size, 29000);
  EXPECT_EQ(state_.out, Win1251("Error: слишком длинный код\n"));
}

}  // namespace
}  // namespace qdl
