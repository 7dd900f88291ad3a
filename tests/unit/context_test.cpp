// Contexts, entities and the label context built between the passes.
#include <gtest/gtest.h>

#include "codegen/code_generator.h"
#include "codegen/string_pool.h"
#include "symbols/dump.h"
#include "symbols/resolve.h"
#include "tests/unit/test_util.h"

namespace qdl {
namespace {

const char* Text(const char* text) { return text; }

class ContextTest : public ::testing::Test {
 protected:
  ContextTest() {
    CurrentContext = nullptr;
    global_ = new Context(kGlobalCapacity, nullptr);
  }
  ~ContextTest() override {
    delete global_;
    CurrentContext = nullptr;
    ResetStringPool();
  }
  Context* global_;
};

TEST_F(ContextTest, LookupLocalAndOutward) {
  EXPECT_EQ(global_->FindLocal("x"), nullptr);
  auto* x = new Constant(Text("x"), 1);
  auto* type = new NodeType(Text("T"));
  EXPECT_EQ(CurrentContext, type->members);
  EXPECT_EQ(type->members->FindLocal("x"), nullptr);
  EXPECT_EQ(type->members->Find("x"), x);
  auto* inner = new Constant(Text("x"), 2);
  EXPECT_EQ(type->members->Find("x"), inner);
  type->members->Close();
  EXPECT_EQ(CurrentContext, global_);
  EXPECT_EQ(type->members->Find("x"), inner);
  EXPECT_EQ(global_->FindLocal("T"), type);
}

TEST_F(ContextTest, AnagramsShareAHashButNotAName) {
  auto* ab = new Constant(Text("ab"), 1);
  auto* ba = new Constant(Text("ba"), 2);
  EXPECT_EQ(global_->FindLocal("ab"), ab);
  EXPECT_EQ(global_->FindLocal("ba"), ba);
  EXPECT_EQ(global_->FindLocal("AB"), nullptr);
}

TEST_F(ContextTest, LaterEntryOfANameWins) {
  new Constant(Text("n"), 1);
  auto* second = new Constant(Text("n"), 2);
  EXPECT_EQ(global_->FindLocal("n"), second);
}

TEST_F(ContextTest, DetachCutsTheWayOut) {
  new Constant(Text("g"), 1);
  auto* labels = new Context(kLabelCapacity, nullptr);
  labels->Detach();
  EXPECT_EQ(CurrentContext, global_);
  EXPECT_EQ(labels->Find("g"), nullptr);
  delete labels;  // closed: the current context stays
  EXPECT_EQ(CurrentContext, global_);
}

TEST_F(ContextTest, DestroyingAnOpenContextMakesItsParentCurrent) {
  auto* open = new Context(kGlobalCapacity, nullptr);
  EXPECT_EQ(CurrentContext, open);
  delete open;
  EXPECT_EQ(CurrentContext, global_);
}

TEST_F(ContextTest, DeeplyNestedTypesAreDestroyedWithoutRecursion) {
  // Abandoned type declarations nest member contexts.
  for (int i = 0; i < 200000; ++i) new NodeType(Text("T"));
  CurrentContext = global_;
  delete global_;
  global_ = nullptr;
  EXPECT_EQ(CurrentContext, nullptr);
}

TEST_F(ContextTest, PrintFormsAndListOrder) {
  auto* stop = new Command(Text("stop"), 7);
  stop->AddOperand(1);
  stop->AddOperand(2);
  new Command(Text("bare"), 8);
  new Constant(Text("N"), -5);
  new Label(Text("x"), -1, false, 0);
  new Label(Text("s"), 40, true, 5);
  new StringConstant(Text("e"), Text(""));
  auto* type = new NodeType(Text("T"));
  new Command(Text("c"), 10);
  type->members->Close();
  new Node(3, Text("node"), type);
  new Node(4, Text("lost"), nullptr);
  std::string out;
  global_->PrintEntries(out, 0);
  EXPECT_EQ(out,
            "\n"
            "\nNode node = T"
            "\nNode type T"
            "\n  Command 10 c"
            "\nString e = 0[0]"
            "\nString label s = 40[5]"
            "\nLabel x = -1"
            "\nConstant N = -5"
            "\nCommand 8 bare"
            "\nCommand 7 stop [1], [2]");
}

TEST_F(ContextTest, EleventhOperandIsRefused) {
  test::CompilerState state;
  CurrentContext = global_;  // the reset left no context current
  auto* command = new Command(Text("k"), 5);
  for (int i = 0; i < kMaxOperands; ++i) command->AddOperand(2);
  EXPECT_EQ(state.out, "");
  command->AddOperand(4);
  EXPECT_EQ(command->operandCount, kMaxOperands);
  EXPECT_EQ(command->length, 21);
  EXPECT_EQ(state.out, test::Win1251("Error: слишком большое число операндов команды\n"));
}

TEST(LabelContextTest, CarriesAddresses) {
  test::CompilerState state;
  OpenGlobalContext();
  new Label(Text("start"), 3, false, 0);
  new StringConstant(Text("hello"), Text("Hello"));
  new StringConstant(Text("hi"), Text("Hi"));
  new Constant(Text("k"), 1);
  auto* type = new NodeType(Text("T"));
  new Label(Text("member"), 9, false, 0);
  type->members->Close();
  RestoreGlobalContext();
  EndFirstPass(40);
  EXPECT_EQ(CurrentContext, nullptr);
  std::string out;
  LabelContext->PrintEntries(out, 0);
  EXPECT_EQ(out, "\nLabel start = 3\nString label hello = 40[5]\nString label hi = 46[2]");
  EXPECT_EQ(LabelContext->Find("k"), nullptr);
}

TEST_F(ContextTest, StatisticsSortByUseThenDeclaration) {
  test::ScratchDir dir;
  auto* a = new Command(Text("a"), 1);
  auto* b = new Command(Text("b"), 2);
  auto* c = new Command(Text("c"), 3);
  new Command(Text("unused"), 4);
  a->useCount = 2;
  b->useCount = 5;
  c->useCount = 123456;
  WriteStatistics("s.sta");
  EXPECT_EQ(dir.Read("s.sta"),
            "Statistics: count name [index]\r\n123456 c [3]\r\n00005 b [2]\r\n00002 a [1]\r\n00000 unused [4]\r\n");
}

}  // namespace
}  // namespace qdl
