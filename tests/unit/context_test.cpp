// Contexts are destroyed without recursion, however deeply they nest;
// their tables, of any size, grow and keep every name and the list
// order, never fill, and wrap their probes around their ends; large
// blocks are aligned and given back whole.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "symbols/arena.h"
#include "symbols/entities.h"
#include "tests/unit/test_util.h"

namespace qdl {
namespace {

// Entities are made with their names.
Constant* MakeConstant(const std::string& name, int32_t value) {
  NameKey key(name);
  return new (key) Constant(key, value);
}
NodeType* MakeType(const char* name) {
  NameKey key(name);
  return new (key) NodeType(key);
}

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
  for (int i = 0; i < 200000; ++i) MakeType("T");
  CurrentContext = global_;
  delete global_;
  global_ = nullptr;
  EXPECT_EQ(CurrentContext, nullptr);
}

TEST_F(ContextTest, TableGrowsAndKeepsEveryNameAndTheListOrder) {
  // Names of one length and one byte sum ("aaz", "aza", "zaa", "byb", ...)
  // and names that differ only at their end.
  std::vector<std::string> names;
  for (char a = 'a'; a <= 'z'; ++a)
    for (char b = 'a'; b <= 'z'; ++b)
      for (char c = 'a'; c <= 'z'; ++c)
        if (a + b + c == 'a' + 'a' + 'z') names.push_back({a, b, c});
  for (int i = 0; i < 50000; ++i) names.push_back("name_" + std::to_string(i));
  std::vector<Identifier*> made;
  for (size_t i = 0; i < names.size(); ++i) made.push_back(MakeConstant(names[i], static_cast<int32_t>(i)));
  for (size_t i = 0; i < names.size(); ++i) ASSERT_EQ(global_->FindLocal(names[i].c_str()), made[i]) << names[i];
  EXPECT_EQ(global_->FindLocal("name_50000"), nullptr);
  EXPECT_EQ(global_->FindLocal("name_"), nullptr);
  EXPECT_EQ(global_->FindLocal("aay"), nullptr);
  // The list runs newest first, through every entry.
  size_t count = 0;
  for (Identifier* entry = global_->entries; entry != nullptr; entry = entry->nextInContext, ++count)
    ASSERT_EQ(entry, made[made.size() - 1 - count]);
  EXPECT_EQ(count, made.size());
  // A later entry of a name wins after the growth too, also seen from a
  // member context.
  auto* again = MakeConstant(names[7], -1);
  auto* type = MakeType("T");
  EXPECT_EQ(type->members->Find(names[7].c_str()), again);
  EXPECT_EQ(type->members->Find("name_49999"), made.back());
  EXPECT_EQ(type->members->FindLocal("name_49999"), nullptr);
}

TEST_F(ContextTest, TableOfAnySizeWrapsAroundAndGrows) {
  // Reserved for six names, the table has eleven slots; names with the
  // highest hashes start at the last one, and the probes of the second
  // and third run on from the first slot.
  global_->Reserve(6);
  std::vector<std::string> high;
  for (int i = 0; high.size() < 4; ++i) {
    std::string name = "h" + std::to_string(i);
    if (HashName(name.data(), name.size()) >= 0xF8000000u) high.push_back(name);
  }
  std::vector<Identifier*> made;
  for (int i = 0; i < 3; ++i) made.push_back(MakeConstant(high[i], i));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(global_->FindLocal(high[i].c_str()), made[i]) << high[i];
  EXPECT_EQ(global_->FindLocal(high[3].c_str()), nullptr);
  // A smaller reservation keeps the table; past four fifths of its eleven
  // slots it grows from its odd size, keeping every name.
  global_->Reserve(2);
  std::vector<std::string> more;
  for (int i = 0; i < 1000; ++i) more.push_back("m" + std::to_string(i));
  for (size_t i = 0; i < more.size(); ++i) made.push_back(MakeConstant(more[i], static_cast<int32_t>(i)));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(global_->FindLocal(high[i].c_str()), made[i]) << high[i];
  for (size_t i = 0; i < more.size(); ++i) ASSERT_EQ(global_->FindLocal(more[i].c_str()), made[3 + i]) << more[i];
  EXPECT_EQ(global_->FindLocal(high[3].c_str()), nullptr);
}

// A name's tag tells a used slot from an empty one, also for a name
// whose hash is 0; the table grows past it and keeps it.  (The name was
// found by hashing names of eight letters and digits until one gave 0:
// a change of HashName needs another.)
TEST_F(ContextTest, NameWhoseHashIsZeroIsFound) {
  const char* zero = "ZQ0RY66B";
  ASSERT_EQ(HashName(zero, strlen(zero)), 0u);
  Identifier* made = MakeConstant(zero, 1);
  EXPECT_EQ(global_->FindLocal(zero), made);
  for (int i = 0; i < 1000; ++i) MakeConstant("n" + std::to_string(i), i);
  EXPECT_EQ(global_->FindLocal(zero), made);
  EXPECT_EQ(global_->FindLocal("n999")->kind, kKindConstant);
}

// A table never fills: after every insertion, from the first table of a
// context through several growths, a name that is not there is looked
// up to its end (a full table would probe for ever).
TEST_F(ContextTest, TableKeepsAFreeSlotAfterEveryInsertion) {
  auto* type = MakeType("T");
  for (int i = 0; i < 300; ++i) {
    MakeConstant("m" + std::to_string(i), i);
    ASSERT_EQ(type->members->FindLocal("absent"), nullptr) << i;
  }
}

// A slot keeps 16 bits of a name's hash: names that share them and their
// first slot are common, and are told apart by their bytes, before and
// after the table grows.
TEST_F(ContextTest, NamesWhoseSlotsKeepTheSameHashBitsAreToldApart) {
  std::unordered_map<uint32_t, std::string> seen;
  std::string a, b;
  for (int i = 0; a.empty(); ++i) {
    std::string name = "t" + std::to_string(i);
    uint32_t hash = HashName(name.data(), name.size());
    // The kept bits, and the first slot in a table of eight.
    uint32_t key = (hash & 0xFFFFu) | (hash >> 29 << 16);
    auto [at, fresh] = seen.emplace(key, name);
    if (!fresh) {
      a = at->second;
      b = name;
    }
  }
  Identifier* first = MakeConstant(a, 1);
  EXPECT_EQ(global_->FindLocal(b.c_str()), nullptr);
  Identifier* second = MakeConstant(b, 2);
  EXPECT_EQ(global_->FindLocal(a.c_str()), first);
  EXPECT_EQ(global_->FindLocal(b.c_str()), second);
  for (int i = 0; i < 100; ++i) MakeConstant("g" + std::to_string(i), i);
  EXPECT_EQ(global_->FindLocal(a.c_str()), first);
  EXPECT_EQ(global_->FindLocal(b.c_str()), second);
}

// Names whose hashes are equal are told apart by their bytes, compared
// a word at a time: every length up to three words, a difference at
// every position, and bytes just outside the compared ones that differ.
TEST(SameBytesTest, EveryPositionOfEveryLength) {
  for (size_t length = 0; length <= 24; ++length) {
    std::string a(length + 2, 'x'), b(length + 2, 'y');
    for (size_t i = 0; i < length; ++i) a[i + 1] = b[i + 1] = static_cast<char>('a' + i);
    EXPECT_TRUE(SameBytes(a.data() + 1, b.data() + 1, length)) << length;
    for (size_t at = 0; at < length; ++at) {
      std::string c = b;
      c[at + 1] ^= 0x20;
      EXPECT_FALSE(SameBytes(a.data() + 1, c.data() + 1, length)) << length << " " << at;
    }
  }
}

// Pieces of any size (an entity with its name has one) start aligned and
// apart, across the ends of chunks.  (The sanitizer build sees a piece
// placed past its chunk's end.)
TEST(ArenaTest, PiecesOfAnySizeAreAlignedAndApart) {
  Arena arena;
  std::vector<std::pair<unsigned char*, size_t>> pieces;
  for (size_t size = 1; size < 3000; size += 7) {
    auto* piece = static_cast<unsigned char*>(arena.Allocate(size));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(piece) % alignof(void*), 0u) << size;
    memset(piece, static_cast<int>(size & 0xFF), size);
    pieces.emplace_back(piece, size);
  }
  for (const auto& [piece, size] : pieces)
    for (size_t i = 0; i < size; ++i) ASSERT_EQ(piece[i], size & 0xFF) << size << " " << i;
}

// A large block is mapped on a 2 MiB boundary: of the mapping only the
// block, its size rounded up to 2 MiB, is kept, and FreeLarge gives that
// back.  (Whether a page is mapped is asked right after each step, before
// anything else may map memory.)
TEST(ArenaTest, LargeBlockKeepsOnlyItsAlignedPartAndIsGivenBack) {
  constexpr size_t kHugePage = size_t{1} << 21;
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  auto mapped = [page](char* p) { return msync(p, page, MS_ASYNC) == 0; };
  for (size_t size : {kHugePage, 3 * kHugePage + 1}) {
    size_t kept = (size + kHugePage - 1) & ~(kHugePage - 1);
    auto* block = static_cast<char*>(AllocateLarge(size, true));
    ASSERT_NE(block, nullptr);
    bool first = mapped(block), last = mapped(block + kept - page), after = mapped(block + kept);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % kHugePage, 0u);
    EXPECT_TRUE(first);
    EXPECT_TRUE(last);
    EXPECT_FALSE(after);
    EXPECT_EQ(block[kept - 1], 0);
    FreeLarge(block, size);
    first = mapped(block);
    last = mapped(block + kept - page);
    EXPECT_FALSE(first);
    EXPECT_FALSE(last);
  }
}

}  // namespace
}  // namespace qdl
