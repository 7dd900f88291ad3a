// Contexts are destroyed without recursion, however deeply they nest.
#include <gtest/gtest.h>

#include <cstring>

#include "symbols/entities.h"
#include "tests/unit/test_util.h"

namespace qdl {
namespace {

char* Text(const char* text) { return strdup(text); }

class ContextTest : public ::testing::Test {
 protected:
  ContextTest() {
    CurrentContext = nullptr;
    global_ = new Context(kGlobalCapacity, nullptr);
  }
  ~ContextTest() override {
    delete global_;
    CurrentContext = nullptr;
  }
  Context* global_;
};

TEST_F(ContextTest, DeeplyNestedTypesAreDestroyedWithoutRecursion) {
  // Abandoned type declarations nest member contexts.
  for (int i = 0; i < 200000; ++i) new NodeType(Text("T"));
  CurrentContext = global_;
  delete global_;
  global_ = nullptr;
  EXPECT_EQ(CurrentContext, nullptr);
}

}  // namespace
}  // namespace qdl
