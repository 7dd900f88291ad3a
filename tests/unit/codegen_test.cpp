// The code buffer, its limit, the listing pieces and the string pool.
#include <gtest/gtest.h>

#include "codegen/code_generator.h"
#include "codegen/output_formats.h"
#include "codegen/string_pool.h"
#include "diagnostics/diagnostics.h"
#include "tests/unit/test_util.h"

namespace qdl {
namespace {

using test::Win1251;

class CodegenTest : public ::testing::Test {
 protected:
  ~CodegenTest() override { ResetStringPool(); }
  std::vector<int> Bytes(const CodeGenerator& g) {
    return std::vector<int>(g.codeBuffer.begin(), g.codeBuffer.begin() + g.size);
  }
  test::ScratchDir dir_;
  test::CompilerState state_;
};

TEST_F(CodegenTest, ValuesAreLittleEndianAndCutToWidth) {
  {
    CodeGenerator g("l.lst");
    g.BeginEntry(5, "w", true);
    g.EmitWord(300);
    g.BeginEntry(6, "l", true);
    g.EmitLong(-2);
    g.BeginEntry(7, "b", true);
    g.EmitByte(300, true);
    g.EmitWord(70000);
    EXPECT_EQ(Bytes(g), (std::vector<int>{5, 44, 1, 6, 254, 255, 255, 255, 7, 44, 0x70, 0x11}));
  }
  EXPECT_EQ(dir_.Read("l.lst"),
            "    0: w 300i;\r\n       5,44,1\r\n"
            "    3: l -2L;\r\n       6,254,255,255,255\r\n"
            "    8: b 44b 4464i");
}

TEST_F(CodegenTest, NodeHeaderDumpsItsOwnLine) {
  {
    CodeGenerator g("l.lst");
    g.EmitNodeHeader(7, 2, "n");
    EXPECT_EQ(g.entryStart, 0);
    g.BeginEntry(6, "c", false);
    EXPECT_EQ(g.entryStart, 0);
    g.EmitByte(65, true);
    g.BeginEntry(0, "end", true);
    EXPECT_EQ(g.entryStart, 6);
    EXPECT_EQ(Bytes(g), (std::vector<int>{1, 7, 0, 2, 6, 65, 0}));
  }
  EXPECT_EQ(dir_.Read("l.lst"),
            "    0: Node -> n 7i 2b;\r\n       1,7,0,2\r\n"
            "       c 65b;\r\n       6,65\r\n"
            "    6: end");
}

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

TEST_F(CodegenTest, StringPoolOffsetsAndFill) {
  EXPECT_EQ(StringPoolData(), nullptr);
  EXPECT_EQ(AddString("ab"), 0);
  EXPECT_EQ(AddString(""), 3);
  EXPECT_EQ(AddString("c"), 4);
  EXPECT_EQ(StringPoolFill(), 6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(StringPoolData()), 6), std::string("ab\0\0c\0", 6));
}

TEST_F(CodegenTest, StringPoolLimit) {
  std::string big(9989, 'x');
  AddString(big.c_str());  // 9990 bytes
  AddString("123456789");  // ends exactly at 10000: the full mark
  EXPECT_EQ(StringPoolFill(), kStringPoolLimit);
  EXPECT_EQ(AddString(""), kStringPoolLimit);
  EXPECT_EQ(StringPoolFill(), kStringPoolLimit);
  ResetStringPool();
  AddString(big.c_str());
  AddString("1234567890");  // its zero lands at position 10000
  EXPECT_EQ(StringPoolFill(), kStringPoolLimit + 1);
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

TEST_F(CodegenTest, StringsSectionOfTheListing) {
  AddString("a\t\"b\\");
  AddString("");
  {
    CodeGenerator g("l.lst");
    g.BeginEntry(0, "end", true);
    g.AppendStrings();
    g.WriteOutput("o.h", DefaultOutputFormat());
  }
  EXPECT_EQ(dir_.Read("l.lst"),
            "    0: end\r\nStrings:\r\n    1: \"a\\x09\"b\\\"\r\n    7: \"\";\r\n       0\r\n");
}

TEST_F(CodegenTest, ListingThatCannotBeCreated) {
  CodeGenerator g("no/such/dir/x.lst");
  EXPECT_EQ(g.listing, nullptr);
  EXPECT_EQ(state_.out, Win1251("Warning: не могу создать файл листинга: no/such/dir/x.lst\n"));
}

}  // namespace
}  // namespace qdl
