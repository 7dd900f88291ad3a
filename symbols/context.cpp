#include "symbols/context.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "lexer/lexer.h"
#include "symbols/entities.h"

namespace qdl {

Context* CurrentContext = nullptr;

namespace {
Context* globalContext = nullptr;
// Entities made while no context is current (only tests make them).
Arena orphanArena;
}  // namespace

void OpenGlobalContext(int64_t expectedNames) {
  DestroyGlobalContext();
  globalContext = new Context(kGlobalCapacity, nullptr);
  if (expectedNames > 0) globalContext->Reserve(static_cast<size_t>(expectedNames));
}

void RestoreGlobalContext() { CurrentContext = globalContext; }

void DestroyGlobalContext() {
  delete globalContext;
  globalContext = nullptr;
  CurrentContext = nullptr;
  orphanArena.Release();
}

namespace {

Arena& EntityArena() { return CurrentContext != nullptr ? CurrentContext->arena : orphanArena; }

constexpr uint32_t kFirstTableSize = 8;
// Slots PrefetchEntry looks at: a name found further on is left to the
// lookup.
constexpr int kEntryProbes = 4;
// Entities made within this many bytes before the newest one count as
// in the cache.
constexpr uintptr_t kRecentEntityBytes = 64 * 1024;
// The most slots Reserve makes (room for 13 million names, 200 MB of
// address space): a guess from a file of empty lines stays sane.
constexpr uint32_t kMostReservedSlots = 1u << 24;
// A reserved table is made with five slots for every three names
// expected: when the guess is right, it ends three fifths full, whatever
// their number.  Fuller tables cost more probes for the names that are
// not there yet (every name declared), more than their smaller size saves.
constexpr uint64_t kReservedSlotsPerName = 5;
constexpr uint64_t kReservedNamesPerSlots = 3;

}  // namespace

// Names are short: words compared in place, the last one overlapping the
// one before, cost less than a call of memcmp.  Reads stay within the
// bytes.
bool SameBytes(const char* a, const char* b, size_t length) {
  auto word = [](const char* p) {
    uint64_t value;
    memcpy(&value, p, sizeof value);
    return value;
  };
  auto half = [](const char* p) {
    uint32_t value;
    memcpy(&value, p, sizeof value);
    return value;
  };
  if (length >= 8) {
    for (size_t i = 0; i + 8 < length; i += 8)
      if (word(a + i) != word(b + i)) return false;
    return word(a + length - 8) == word(b + length - 8);
  }
  if (length >= 4) return half(a) == half(b) && half(a + length - 4) == half(b + length - 4);
  // One to three bytes: the first, the middle and the last are all of them.
  return length == 0 || (a[0] == b[0] && a[length / 2] == b[length / 2] && a[length - 1] == b[length - 1]);
}

namespace {

// Whether `entity`, whose tag matched, has the name.
bool SameName(const Identifier* entity, const char* name, size_t length) {
  return entity->nameLength == length && SameBytes(entity->Name(), name, length);
}

size_t TableBytes(uint32_t size) { return size_t{size} * sizeof(uint64_t); }

}  // namespace

// Eight bytes at a time: names are short, and hashed once per use.
uint32_t HashName(const char* text, size_t length) {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  uint64_t hash = length * kMultiplier;
  for (; length >= 8; text += 8, length -= 8) {
    uint64_t word;
    memcpy(&word, text, sizeof word);
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> 29;
  }
  // The last 1 to 7 bytes, as two overlapping halves or single bytes.
  uint64_t word;
  if (length >= 4) {
    uint32_t low, high;
    memcpy(&low, text, sizeof low);
    memcpy(&high, text + length - sizeof high, sizeof high);
    word = (uint64_t{high} << 32) | low;
  } else if (length > 0) {
    auto byte = [text](size_t i) { return uint64_t{static_cast<unsigned char>(text[i])}; };
    word = byte(0) | (byte(length / 2) << 8) | (byte(length - 1) << 16);
  } else {
    word = 0;
  }
  hash = (hash ^ word) * kMultiplier;
  // Every bit of the result depends on every bit of the name: the tables
  // scale it to their sizes, which takes the high bits.
  hash ^= hash >> 32;
  hash *= 0xD6E8FEB86659FD93u;
  hash ^= hash >> 32;
  return static_cast<uint32_t>(hash);
}

void* Identifier::operator new(size_t size, const NameKey& key) {
  auto* entity = static_cast<char*>(EntityArena().Allocate(size + key.length + 1));
  memcpy(entity + size, key.text, key.length);
  entity[size + key.length] = 0;
  return entity;
}

Identifier::Identifier(const NameKey& key, int32_t kindNumber)
    : nameLength(static_cast<uint16_t>(key.length)), kind(static_cast<uint16_t>(kindNumber)) {}

// Names are tokens.
static_assert(kMaxTokenLength <= UINT16_MAX, "a name's length must fit Identifier::nameLength");

void BeginDumpLine(std::string& out, int indent) {
  out += '\n';
  out.append(static_cast<size_t>(indent) * 2, ' ');
}

Context::Context(int32_t capacityHint, Identifier* ownerEntity)
    : parent(CurrentContext), owner(ownerEntity), capacity(capacityHint) {
  // Inserting may run out of memory: the context becomes current only
  // once it is complete.
  if (owner != nullptr && parent != nullptr) {
    parent->Insert(owner, owner->Key().hash);
    parent->inner_.push_back(this);
  }
  CurrentContext = this;
}

// The member contexts below this one are destroyed from a list rather
// than recursively: abandoned type declarations can nest them
// arbitrarily deep.  The list runs through their `parent`, no longer
// needed, so that destruction allocates nothing and works when memory
// has run out.  The entities go with the arenas.
Context::~Context() {
  Context* pending = nullptr;
  auto handOver = [&pending](Context* context) {
    for (Context* inner : context->inner_) {
      inner->parent = pending;
      pending = inner;
    }
    context->inner_.clear();
  };
  handOver(this);
  while (pending != nullptr) {
    Context* inner = pending;
    pending = inner->parent;
    handOver(inner);
    inner->closed = true;  // it leaves no trace on the current context
    delete inner;
  }
  if (cells_ != nullptr) FreeLarge(cells_, TableBytes(slotCount_));
  if (!closed) CurrentContext = parent;
}

void Context::PrintEntries(std::string& out, int indent) const {
  for (Identifier* entry = entries; entry != nullptr; entry = entry->nextInContext)
    PrintEntity(entry, out, indent);
}

void Context::Insert(Identifier* entity, uint32_t hash) {
  auto address = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(entity));
  // An address beyond 48 bits (a host that tags its pointers) cannot be
  // kept in a slot: refused like memory that cannot be had, never stored
  // cut short.  The table grows first: when memory runs out there, the
  // entity (whose construction then fails) is in no list.
  if ((address & ~kEntityBits) != 0) throw std::bad_alloc();
  if (cells_ == nullptr || uint64_t{used_ + 1} * 5 > uint64_t{slotCount_} * 4) GrowTable();
  entity->nextInContext = entries;
  entries = entity;
  uint64_t tag = TagOf(hash);
  uint64_t cell = tag | address;
  for (uint32_t i = SlotOf(hash);; i = NextSlot(i)) {
    uint64_t old = cells_[i];
    if (old == 0) {
      cells_[i] = cell;
      ++used_;
      return;
    }
    if (HasTag(old, tag) && SameName(EntityOf(old), entity->Name(), entity->nameLength)) {
      cells_[i] = cell;  // the newest entry of a name is the one found
      return;
    }
  }
}

void Context::Reserve(size_t names) {
  uint64_t size = uint64_t{names} * kReservedSlotsPerName / kReservedNamesPerSlots + 1;
  if (size < kFirstTableSize) size = kFirstTableSize;
  if (size > kMostReservedSlots) size = kMostReservedSlots;
  if (size > slotCount_) Resize(static_cast<uint32_t>(size));
}

void Context::GrowTable() {
  if (cells_ != nullptr && slotCount_ > UINT32_MAX / 2) throw std::bad_alloc();
  if (!Resize(cells_ == nullptr ? kFirstTableSize : slotCount_ * 2)) throw std::bad_alloc();
}

bool Context::Resize(uint32_t size) {
  auto* cells = static_cast<uint64_t*>(AllocateLarge(TableBytes(size), true));
  if (cells == nullptr) return false;
  uint64_t* oldCells = cells_;
  uint32_t oldCount = slotCount_;
  cells_ = cells;
  slotCount_ = size;
  for (uint32_t j = 0; j < oldCount; ++j) {
    if (oldCells[j] == 0) continue;
    Identifier* entity = EntityOf(oldCells[j]);
    uint32_t i = SlotOf(HashName(entity->Name(), entity->nameLength));
    while (cells[i] != 0) i = NextSlot(i);
    cells[i] = oldCells[j];
  }
  if (oldCells != nullptr) FreeLarge(oldCells, TableBytes(oldCount));
  return true;
}

Identifier* Context::Lookup(const NameKey& name) const {
  if (cells_ == nullptr) return nullptr;
  uint64_t tag = TagOf(name.hash);
  for (uint32_t i = SlotOf(name.hash);; i = NextSlot(i)) {
    uint64_t cell = cells_[i];
    if (cell == 0) return nullptr;
    if (HasTag(cell, tag)) {
      Identifier* entity = EntityOf(cell);
#if defined(__GNUC__)
      // The name follows its entity, at times on the next cache line:
      // have that line come at the same time as the entity.
      __builtin_prefetch(reinterpret_cast<const char*>(entity) + sizeof(Identifier) + 8);
#endif
      if (SameName(entity, name.text, name.length)) return entity;
    }
  }
}

bool Context::PrefetchEntry(uint32_t hash) const {
#if defined(__GNUC__)
  if (cells_ == nullptr) return false;
  uint64_t tag = TagOf(hash);
  uint32_t i = SlotOf(hash);
  for (int probes = 0; probes < kEntryProbes && cells_[i] != 0; ++probes, i = NextSlot(i)) {
    if (!HasTag(cells_[i], tag)) continue;
    const char* entity = reinterpret_cast<const char*>(EntityOf(cells_[i]));
    __builtin_prefetch(entity);
    __builtin_prefetch(entity + sizeof(Identifier) + 8);
    // Entities are made one after another in the arena: one made shortly
    // before the newest is still in the cache.
    uintptr_t age = reinterpret_cast<uintptr_t>(entries) - reinterpret_cast<uintptr_t>(entity);
    return age > kRecentEntityBytes;
  }
#else
  (void)hash;
#endif
  return false;
}

Identifier* Context::FindLocal(const NameKey& name) const { return Lookup(name); }

Identifier* Context::Find(const NameKey& name) const {
  for (const Context* context = this; context != nullptr; context = context->parent) {
    if (Identifier* found = context->Lookup(name)) return found;
  }
  return nullptr;
}

void Context::Close() {
  closed = true;
  CurrentContext = parent;
}

void Context::Detach() {
  Close();
  parent = nullptr;
}

}  // namespace qdl
