// Diagnostic lines, counters and limits.
#include <gtest/gtest.h>

#include "diagnostics/diagnostics.h"
#include "streams/input_stream.h"
#include "tests/unit/test_util.h"

namespace qdl {
namespace {

using test::Win1251;

TEST(Diagnostics, LineWithoutStreamHasNoLocation) {
  test::CompilerState state;
  Report(kUnknownName, "abc");
  Report(kUnterminatedComment);
  Report(kStringInExpression, "");
  EXPECT_EQ(state.out, Win1251("Error: неизвестное имя: abc\n"
                         "Warning: незавершенный комментарий\n"
                         "Error: строковая константа в выражении: \n"));
  EXPECT_EQ(ErrorCount, 2);
  EXPECT_EQ(WarningCount, 1);
}

TEST(Diagnostics, LocationFromTheCurrentStream) {
  test::ScratchDir dir;
  test::CompilerState state;
  dir.Write("prog.qdl", "");
  auto* stream = new SourceFileStream("prog.qdl", nullptr, kMainBufferRequest, nullptr);
  stream->line = 12;
  Report(kUnknownName, "abc");
  stream->line = 0;
  Report(kNameExists, "x");
  delete stream;
  EXPECT_EQ(state.out, Win1251("Error prog.qdl 12: неизвестное имя: abc\nError prog.qdl: это имя уже есть: x\n"));
}

TEST(Diagnostics, MessageTexts) {
  EXPECT_EQ(MessageText(32), "Error number 32");
  EXPECT_EQ(MessageText(-25), "Error number -25");
  EXPECT_EQ(MessageText(0), "");
  EXPECT_EQ(MessageText(31), Win1251("строковая константа в теле типа не разрешена:"));
  EXPECT_EQ(MessageText(-23), Win1251("слишком глубокая вложенность используемых файлов:"));
  EXPECT_EQ(MessageText(-24), Win1251("слишком много используемых файлов:"));
  EXPECT_EQ(MessageText(-3), Win1251("ошибка компилятора"));
}

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

TEST(Diagnostics, ErrorLimitIsStrictlyGreater) {
  test::CompilerState state;
  for (int i = 0; i < 20; ++i) Report(kDivisionByZero);
  EXPECT_FALSE(InputStopped);
  Report(kDivisionByZero);
  EXPECT_TRUE(InputStopped);
  EXPECT_EQ(ErrorCount, 21);
}

TEST(Diagnostics, NegativeLimitActsLikeZero) {
  test::CompilerState state;
  SetErrorLimit(-5);
  Report(kDivisionByZero);
  EXPECT_EQ(state.out, Win1251("Error: деление на 0\nError: слишком много ошибок\n"));
}

TEST(Diagnostics, FatalAndAssertionReportsAreNotCounted) {
  test::CompilerState state;
  Report(kUnterminatedText);
  ReportAssertion("BASELEX", 43);
  EXPECT_EQ(ErrorCount, 0);
  EXPECT_EQ(state.out, Win1251("Error: незавершенная строковая или символьная константа\n"
                         "Error: утверждение не выполняется File BASELEX, line 43\n"));
}

}  // namespace
}  // namespace qdl
