#include "symbols/arena.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace qdl {

namespace {

constexpr size_t kAlignment = alignof(void*);
// Chunks double from the first size up to the last: most contexts hold a
// few entries, a global context may hold millions.
constexpr size_t kFirstChunk = 128;
constexpr size_t kLastChunk = size_t{1} << 20;

size_t AlignUp(size_t size) { return (size + kAlignment - 1) & ~(kAlignment - 1); }

}  // namespace

void* Arena::Allocate(size_t size) {
  size = AlignUp(size);
  char* start = reinterpret_cast<char*>(AlignUp(reinterpret_cast<size_t>(next_)));
  if (next_ == nullptr || size > static_cast<size_t>(end_ - start)) return Grow(size);
  next_ = start + size;
  return start;
}

char* Arena::Copy(std::string_view text) {
  char* copy;
  if (next_ != nullptr && text.size() < static_cast<size_t>(end_ - next_)) {
    copy = next_;
    next_ += text.size() + 1;
  } else {
    copy = static_cast<char*>(Grow(text.size() + 1));
  }
  memcpy(copy, text.data(), text.size());
  copy[text.size()] = 0;
  return copy;
}

void* Arena::Grow(size_t size) {
  size_t header = AlignUp(sizeof(Chunk));
  size_t chunkSize = chunks_ == nullptr ? kFirstChunk : chunks_->size * 2;
  if (chunkSize > kLastChunk) chunkSize = kLastChunk;
  if (chunkSize < header + size) chunkSize = header + size;
  auto* chunk = static_cast<Chunk*>(malloc(chunkSize));
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
    free(chunks_);
    chunks_ = previous;
  }
  next_ = end_ = nullptr;
}

}  // namespace qdl
