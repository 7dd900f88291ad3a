// Whole compilations run in-process: limits at N and N+1, large
// generated sources, and runs repeated in one process.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "tests/unit/test_util.h"

namespace qdl {
namespace {

using test::Win1251;
test::RunResult Compile(const std::string& arguments) { return test::Run(arguments); }
test::RunResult Compile(const std::vector<std::string>& arguments) { return test::Run(arguments); }

class CompilerTest : public ::testing::Test {
 protected:
  test::ScratchDir dir_;
};

std::string Nested(int depth) {
  return "X = " + std::string(depth, '(') + "1" + std::string(depth, ')') + ";\n";
}

TEST_F(CompilerTest, ParserStackHolds193Parentheses) {
  dir_.Write("p.qdl", Nested(193));
  auto ok = Compile("-fb p");
  EXPECT_EQ(ok.out, "");
  EXPECT_EQ(ok.status, 0);
  dir_.Write("p.qdl", Nested(194) + "Y = Z;\n");
  auto overflow = Compile("-fb p");
  EXPECT_EQ(overflow.out, Win1251("Error p.qdl 1: ошибка декларации константы\n"));
  EXPECT_EQ(overflow.status, 1);
}

// Forty thousand constants, each from the one before or from two older
// ones far back, with names cut by block ends, names in comments and
// strings, Cyrillic letters that fold into Latin ones, an include file
// and a type's member context in the middle: in a table this large the
// compiler loads names ahead of the parser, which must change no value.
// Compiles 40,000 constants, alternately 2,500 from the one before and
// 2,500 from two random older ones, after `blankLines` empty lines, and
// checks every 397th value in the image.
void CompileManyNames(test::ScratchDir& dir_, int blankLines) {
  constexpr int kCount = 40000;
  uint32_t seed = 12345;
  auto random = [&seed](int below) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<uint32_t>(below));
  };
  // Where they are declared, names with an odd index are written "Kа..."
  // with a Cyrillic а, and every other even one "К..." with a Cyrillic К;
  // they are used with Latin letters.
  auto declared = [](int i) {
    return (i % 2 != 0 ? "K\u0430" : i % 4 == 2 ? "\u041a" : "K") + std::to_string(i);
  };
  auto used = [](int i) { return (i % 2 != 0 ? "Ka" : "K") + std::to_string(i); };
  std::string source = std::string(static_cast<size_t>(blankLines), '\n') + "команда 2 Put v[4];\n";
  std::string include;
  std::vector<int64_t> values(kCount);
  for (int i = 0; i < kCount; ++i) {
    std::string line;
    if (i == 0) {
      values[i] = 1;
      line = declared(i) + " = 1;\n";
    } else if ((i / 2500) % 2 == 0) {
      values[i] = values[i - 1] + 3;
      line = declared(i) + " = " + used(i - 1) + " + 3;\n";
    } else {
      int a = random(i), b = random(i), c = random(10);
      values[i] = (values[a] + values[b]) / 2 + c;
      line = declared(i) + " = (" + used(a) + " + " + used(b) + ") / 2 + " + std::to_string(c) + ";";
      if (i % 7 == 0) line += " // " + used(random(i)) + " " + used(random(i));
      if (i % 53 == 0) line += " S" + std::to_string(i) + " = \"" + used(random(i)) + "\";";
      line += "\n";
    }
    if (i >= 20000 && i < 21000) {
      include += line;
      if (i == 20000) source += "используется \"inc\";\n";
    } else {
      source += line;
    }
    if (i == 30000) source += "тип T\n  команда 3 M;\n  L = " + used(i) + " + " + used(random(i)) + ";\nконец\n";
  }
  std::string expected;
  for (int i = 0; i < kCount; i += 397) {
    source += "Put " + used(i) + ";\n";
    expected += '\x02';
    for (int shift = 0; shift < 32; shift += 8) expected += static_cast<char>(values[i] >> shift);
  }
  expected += '\0';
  dir_.Write("p.qdl", Win1251(source));
  dir_.Write("inc.qdl", Win1251(include));
  auto result = Compile("-fb p");
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.status, 0);
  // The image holds the strings after the code.
  EXPECT_EQ(dir_.Read("p.bin").substr(0, expected.size()), expected);
}

TEST_F(CompilerTest, ManyNamesKeepTheirValues) { CompileManyNames(dir_, 0); }

// Two million empty lines first: the table is made for that many names,
// so large that the names lines start with have their slots loaded even
// where entries are not worth loading (the lines of the chain).
TEST_F(CompilerTest, ManyNamesKeepTheirValuesInAVeryLargeTable) { CompileManyNames(dir_, 2000000); }

// A source of `count` one-byte commands.
std::string Commands(int count) {
  std::string source = Win1251("команда 5 K;\n");
  for (int i = 0; i < count; ++i) source += "K;";
  return source;
}

TEST_F(CompilerTest, CodeSizeLimit) {
  // 29997 commands and the end-of-code entry: the largest image.
  dir_.Write("c.qdl", Commands(29997));
  auto fits = Compile("-fb -V c");
  EXPECT_EQ(fits.status, 0);
  EXPECT_NE(fits.out.find("Code size: 29998\n"), std::string::npos);
  EXPECT_EQ(dir_.Read("c.bin").size(), 29998u);

  // One more: the end-of-code entry still fits, the image does not.
  dir_.Write("c.qdl", Commands(29998));
  remove("c.bin");
  auto over = Compile("-fb -V -L c");
  EXPECT_EQ(over.status, 1);
  EXPECT_EQ(over.out, "Input file:  c.qdl\nOutput file: c.bin\nListing:     c.lst\nPass 1\n" +
                          Win1251("Error: слишком длинный код\n") + "Code size: 29999\n");
  EXPECT_FALSE(dir_.Exists("c.bin"));
  std::string listing = dir_.Read("c.lst");
  EXPECT_EQ(listing.find("Strings:"), std::string::npos);  // nothing appended
  EXPECT_EQ(listing.substr(listing.size() - 12), "29998: " + Win1251("кoнeц"));

  // Two more: the end-of-code entry itself starts at the limit.
  dir_.Write("c.qdl", Commands(29999));
  auto twice = Compile("-fb c");
  EXPECT_EQ(twice.out, Win1251("Error: слишком длинный код\nError: слишком длинный код\n"));
  EXPECT_EQ(twice.status, 2);
}

TEST_F(CompilerTest, CodeLimitInsideAPass) {
  dir_.Write("c.qdl", Commands(30001));
  auto result = Compile("-fb c");
  EXPECT_EQ(result.out, Win1251("Error c.qdl 2: слишком длинный код\nError c.qdl 2: слишком длинный код\n"));
  EXPECT_EQ(result.status, 2);
}

std::string Strings(int count, int length) {
  std::string source = Win1251("команда 4 Сказать т[4];\n");
  for (int i = 0; i < count; ++i)
    source += "S" + std::to_string(i) + " = \"" + std::string(length, 'x') + "\";\n";
  return source;
}

TEST_F(CompilerTest, StringPoolFullMark) {
  // 100 texts of 99 characters: exactly 10000 bytes with their zeros.
  dir_.Write("s.qdl", Strings(100, 99));
  auto full = Compile("-fb s");
  EXPECT_EQ(full.out, Win1251("Error: слишком большая суммарная длина строк\n"));
  EXPECT_EQ(full.status, 1);
  EXPECT_FALSE(dir_.Exists("s.bin"));

  // One more byte: the last zero lands at position 10000 and is stored.
  dir_.Write("s.qdl", Strings(99, 99) + "Last = \"" + std::string(100, 'y') + "\";\n");
  auto fits = Compile("-fb s");
  EXPECT_EQ(fits.out, "");
  EXPECT_EQ(dir_.Read("s.bin").size(), 1u + 10001u);
}

TEST_F(CompilerTest, StringAfterOverflowKeepsTheMark) {
  // 11 texts of 901 bytes, then one of 201 that does not fit, then "".
  dir_.Write("s.qdl", Strings(11, 900) + "Big = \"" + std::string(200, 'b') + "\";\nE = \"\";\n");
  auto result = Compile("s");
  EXPECT_EQ(result.out, Win1251("Error: слишком большая суммарная длина строк\n"));
}

TEST_F(CompilerTest, OverlongFileNames) {
  std::string longName(4096, 'n');
  dir_.Write("p.qdl", "");
  auto output = Compile({"p", longName});
  EXPECT_EQ(output.out, Win1251("Error: недопустимое имя файла: ") + longName + ".h\n");
  EXPECT_EQ(output.status, 1);
  auto listing = Compile({"-L" + longName, "p"});
  EXPECT_EQ(listing.out, Win1251("Error: недопустимое имя файла: ") + longName + ".lst\n");
  auto deps = Compile({"--deps=" + longName, "p"});
  EXPECT_EQ(deps.out, Win1251("Error: недопустимое имя файла: ") + longName + "\n");
  auto commands = Compile({"--commands=" + longName + ".h", "p"});
  EXPECT_EQ(commands.out, Win1251("Error: недопустимое имя файла: ") + longName + ".h\n");
  auto input = Compile({longName, "o"});
  EXPECT_EQ(input.out, Win1251("Error: недопустимое имя файла: ") + longName + ".qdl\n");
  // 4095 bytes are accepted: the name is merely too long for the system.
  auto atLimit = Compile({std::string(4091, 'n')});
  EXPECT_EQ(atLimit.out, Win1251("Error: файл не найден: ") + std::string(4091, 'n') + ".qdl\n");
}

TEST_F(CompilerTest, ExitStatusIsCappedAt255) {
  std::string source;
  for (int i = 0; i < 300; ++i) source += "X" + std::to_string(i) + " = Y;\n";
  dir_.Write("e.qdl", source);
  EXPECT_EQ(Compile("-J1000 e").status, 255);
}

TEST_F(CompilerTest, NothingCarriesOverToTheNextRun) {
  // A forward label and a string: two passes.
  dir_.Write("two.qdl", Win1251("команда 3 Идти ц[4];\nИдти Финиш;\nS = \"abc\";\nИдти S;\nФиниш:\n"));
  dir_.Write("one.qdl", Win1251("команда 3 Идти ц[4];\nИдти 7;\n"));
  auto first = Compile("-fb two");
  std::string image = dir_.Read("two.bin");
  EXPECT_EQ(image, std::string("\x03\x0A\0\0\0\x03\x0B\0\0\0\0abc\0", 15));
  auto one = Compile("-V -fb one");
  EXPECT_EQ(one.out, "Input file:  one.qdl\nOutput file: one.bin\nPass 1\nCode size: 6\n");
  auto again = Compile("-fb two");
  EXPECT_EQ(again.out, first.out);
  EXPECT_EQ(dir_.Read("two.bin"), image);
}

TEST_F(CompilerTest, RunCutShortInsideACommandLeavesNoCommandScope) {
  // The first run ends inside a command's operands; in the next one a
  // name outside any command must still be declared before its use.
  dir_.Write("cut.qdl", Win1251("команда 3 Идти ц[4];\nИдти Далее"));
  dir_.Write("use.qdl", "X = Y;\nY:\n");
  Compile("cut");
  auto use = Compile("use");
  EXPECT_EQ(use.out, Win1251("Error use.qdl 1: неизвестное имя: Y\nError use.qdl 1: недопустимый элемент выражения:\n"));
}

TEST_F(CompilerTest, PartlyWrittenOutputIsRemoved) {
  // A file size limit makes the write of a regular file fail half-way.
  dir_.Write("p.qdl", Commands(1000));
  pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    auto result = Compile("p");
    bool expected = result.out == Win1251("Error: ошибка записи выходного файла: p.h\n") && result.status == 1;
    _exit(expected && !dir_.Exists("p.h") ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace qdl
