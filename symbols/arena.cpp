#include "symbols/arena.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace qdl {

namespace {

constexpr size_t kAlignment = alignof(void*);
// Chunks double from the first size up to the last: most contexts hold a
// few entries, a global context may hold millions.
constexpr size_t kFirstChunk = 128;
constexpr size_t kLastChunk = size_t{1} << 22;
// Blocks from this size on are mapped directly and aligned to it.  They
// are not marked for huge pages: where the host backs a virtual machine's
// memory on first touch, faulting in a huge page after other processes
// freed theirs cost more system time than the fewer address-translation
// misses saved (at two million constants, 300-450 ms against 90-120 ms).
constexpr size_t kHugePage = size_t{1} << 21;

size_t AlignUp(size_t size) { return (size + kAlignment - 1) & ~(kAlignment - 1); }

}  // namespace

void* AllocateLarge(size_t size, bool zeroed) {
  if (size < kHugePage) return zeroed ? calloc(1, size) : malloc(size);
  // Map a huge page more than needed and keep the aligned part: fresh
  // pages are zero, and are only touched when used.
  size = (size + kHugePage - 1) & ~(kHugePage - 1);
  void* mapped = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  auto start = reinterpret_cast<uintptr_t>(mapped);
  uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  if (aligned + size < start + size + kHugePage) munmap(reinterpret_cast<void*>(aligned + size), start + kHugePage - aligned);
  return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* block, size_t size) {
  if (size < kHugePage) {
    free(block);
    return;
  }
  if (block != nullptr) munmap(block, (size + kHugePage - 1) & ~(kHugePage - 1));
}

// Every piece is a multiple of the alignment, and so is every chunk: the
// next piece always starts aligned.
void* Arena::Allocate(size_t size) {
  size = AlignUp(size);
  if (next_ == nullptr || size > static_cast<size_t>(end_ - next_)) return Grow(size);
  char* start = next_;
  next_ += size;
  return start;
}

void* Arena::Grow(size_t size) {
  size_t header = AlignUp(sizeof(Chunk));
  size_t chunkSize = chunks_ == nullptr ? kFirstChunk : chunks_->size * 2;
  if (chunkSize > kLastChunk) chunkSize = kLastChunk;
  if (chunkSize < header + size) chunkSize = header + size;
  auto* chunk = static_cast<Chunk*>(AllocateLarge(chunkSize, false));
  if (chunk == nullptr) throw std::bad_alloc();
  chunk->previous = chunks_;
  chunk->size = chunkSize;
  chunks_ = chunk;
  char* start = reinterpret_cast<char*>(chunk) + header;
  next_ = start + size;
  end_ = reinterpret_cast<char*>(chunk) + chunkSize;
  return start;
}

void Arena::Release() {
  while (chunks_ != nullptr) {
    Chunk* previous = chunks_->previous;
    FreeLarge(chunks_, chunks_->size);
    chunks_ = previous;
  }
  next_ = end_ = nullptr;
}

}  // namespace qdl
