// Identifiers and the contexts that hold them.  Contexts nest: lookup runs
// from a context outwards through its enclosing contexts, and the open
// contexts form a stack whose top is the current context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "symbols/arena.h"

namespace qdl {

enum EntityKind : int32_t {
  kKindCommand = 0,
  kKindConstant = 1,
  kKindLabel = 2,
  kKindType = 3,
  kKindNode = 4,
  kKindStringConstant = 5,
};

// Hash of a name as the contexts' tables use it.
uint32_t HashName(const char* text, size_t length);
// Whether the `length` bytes at `a` and `b` are the same: how the tables
// tell apart names whose hashes are equal.
bool SameBytes(const char* a, const char* b, size_t length);

// A name with its length and hash, as the tables look it up: made from a
// text (and hashed then), or from parts the caller already has.
struct NameKey {
  NameKey(const char* name) : NameKey(std::string_view(name)) {}
  NameKey(std::string_view name)
      : text(name.data()), length(name.size()), hash(HashName(name.data(), name.size())) {}
  NameKey(const char* name, size_t nameLength, uint32_t nameHash)
      : text(name), length(nameLength), hash(nameHash) {}

  const char* text;
  size_t length;
  uint32_t hash;
};

// What every entity starts with: 16 bytes with a constant's value, its
// name right after the entity.  Entities are told apart by `kind`, not
// by virtual functions, and keep no hash (a table that grows hashes
// their names again) and no pointer to their names: millions of them
// are made, and every byte costs memory and cache.
class Identifier {
 public:
  Identifier(const NameKey& name, int32_t kind);
  NameKey Key() const { return NameKey(std::string_view(Name(), nameLength)); }
  // The 0-terminated name, which follows the entity.
  const char* Name() const { return reinterpret_cast<const char*>(this) + kEntityBytes[kind]; }

  // An entity is made with its name, `new (name) Constant(name, value)`,
  // in one piece of the arena of the context current then, and goes
  // when that context is destroyed.
  static void* operator new(size_t size, const NameKey& name);
  static void* operator new(size_t size) = delete;
  static void operator delete(void*) {}
  static void operator delete(void*, const NameKey&) {}

  // The size of an entity of each kind: where its name starts.
  static const uint8_t kEntityBytes[];

  Identifier* nextInContext = nullptr;
  const uint16_t nameLength;  // a name is a token: at most 1000 bytes
  const uint16_t kind;
};

// Checked downcast after a test of the kind.
template <class T>
T* As(Identifier* entity) {
  return entity != nullptr && entity->kind == T::kKind ? static_cast<T*>(entity) : nullptr;
}

// Capacities the contexts are created with.  They only name the role of a
// context: the table behind them grows with its contents, so that sources
// with very many names stay fast.
constexpr int32_t kGlobalCapacity = 301;
constexpr int32_t kMemberCapacity = 301;
constexpr int32_t kLabelCapacity = 101;

class Context {
 public:
  // Makes the new context current; enters `owner` into the enclosing one.
  Context(int32_t capacity, Identifier* owner);
  virtual ~Context();
  virtual void PrintEntries(std::string& out, int indent) const;

  // Enters `entity`, whose name has hash `hash`.
  void Insert(Identifier* entity, uint32_t hash);
  Identifier* FindLocal(const NameKey& name) const;
  Identifier* Find(const NameKey& name) const;
  // Starts loading the table slot of a name with this hash into the
  // cache: a lookup that follows soon finds it there (it changes nothing).
  // Defined here to be inlined wherever it is called: a call of a
  // function that only loads memory looks to GCC like one without
  // effects, and is dropped.
  void Prefetch(uint32_t hash) const {
#if defined(__GNUC__)
    if (cells_ == nullptr) return;
    __builtin_prefetch(&cells_[SlotOf(hash)]);
#else
    (void)hash;
#endif
  }
  // Starts loading the entry of a name with this hash whose slot is
  // (nearly) in the cache by now: the second step after Prefetch.  True
  // when there is one and it is not among the newest entries (which the
  // cache holds anyway), so that loading it early pays.
  bool PrefetchEntry(uint32_t hash) const;
  // Whether the context holds so many names that they have outgrown the
  // faster caches, so that prefetching slots and entries may pay.
  bool IsLarge() const { return used_ >= kLargeTableNames; }
  // Whether the table alone has outgrown the last-level cache, so that
  // even the slots of the newest names are in memory, not in the cache.
  bool IsVeryLarge() const { return slotCount_ >= kVeryLargeTableSlots; }
  void Close();
  void Detach();
  // Makes room for about `names` entries at once, so that a table known
  // to become large skips the steps of its growth (and the memory of the
  // smaller tables).  Only a guess: the table still grows past it, and
  // keeps its size when memory is short.  Slots never used cost no
  // memory: their pages are never touched.
  void Reserve(size_t names);

  Context* parent;
  Identifier* owner;
  Identifier* entries = nullptr;  // newest first
  Identifier* cursor = nullptr;
  const int32_t capacity;
  bool closed = false;
  // Where the entities entered here and their names live.
  Arena arena;

 private:
  // 16,384 entries with their names take about as much memory as a
  // core's second-level cache holds.
  static constexpr uint32_t kLargeTableNames = 1u << 14;
  // 2 million slots take 24 MB, with the entries and the source passing
  // through the cache besides.
  static constexpr uint32_t kVeryLargeTableSlots = 1u << 21;

  Identifier* Lookup(const NameKey& name) const;
  void GrowTable();
  bool Resize(uint32_t size);
  // A slot is one 64-bit word: the entry's address in the low 48 bits
  // (where every user-space address lies on the hosts qdl runs on), 16
  // bits of its name's hash above them, and 0 when empty.  A probe loads
  // one word and visits an entry only when those bits match: one cache
  // line and one page per probe, where a table of tags beside a table of
  // addresses took two of each.
  static constexpr int kTagShift = 48;
  static constexpr uint64_t kEntityBits = (uint64_t{1} << kTagShift) - 1;
  // The hash bits kept in a slot: the low ones, as SlotOf takes the high.
  static uint64_t TagOf(uint32_t hash) { return uint64_t{hash & 0xFFFFu} << kTagShift; }
  static bool HasTag(uint64_t cell, uint64_t tag) { return (cell & ~kEntityBits) == tag; }
  static Identifier* EntityOf(uint64_t cell) { return reinterpret_cast<Identifier*>(cell & kEntityBits); }
  // The first slot of a name: its hash scaled to the table, so that any
  // number of slots will do and a table is made as large as its names
  // need, not the next power of two.
  uint32_t SlotOf(uint32_t hash) const { return static_cast<uint32_t>((uint64_t{hash} * slotCount_) >> 32); }
  uint32_t NextSlot(uint32_t slot) const { return slot + 1 == slotCount_ ? 0 : slot + 1; }

  // Newest entry of each name, by open addressing with linear probing,
  // at most four fifths of the slots used.  A table that grows hashes its
  // names again to place them (the slots keep too few bits of the hash);
  // the large tables are reserved at their size from the start.
  uint64_t* cells_ = nullptr;
  uint32_t slotCount_ = 0;
  uint32_t used_ = 0;
  // Member contexts of the types entered here, destroyed with this one.
  std::vector<Context*> inner_;
};

extern Context* CurrentContext;

// The global context of a pass: created current when the pass starts,
// destroyed with everything in it when the pass ends.  Its table is made
// for about `expectedNames` names at once.
void OpenGlobalContext(int64_t expectedNames = 0);
// Makes the global context current again: a syntax error can leave a
// type's member context current.
void RestoreGlobalContext();
void DestroyGlobalContext();

// Writes "\n" and two spaces per indentation level.
void BeginDumpLine(std::string& out, int indent);

}  // namespace qdl
