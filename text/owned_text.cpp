#include "text/owned_text.h"

#include <cstdlib>
#include <cstring>
#include <new>

// With AddressSanitizer every text is a malloc block of its own, so that
// a misuse of a released text is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define QDL_PLAIN_TEXTS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QDL_PLAIN_TEXTS 1
#endif
#endif

namespace qdl {

namespace {

// Before each text: its length and key (4 bytes each).
constexpr size_t kHeaderSize = 8;

char* FillText(char* text, const char* data, size_t length, uint32_t key) {
  auto length32 = static_cast<uint32_t>(length);
  memcpy(text - kHeaderSize, &length32, 4);
  memcpy(text - 4, &key, 4);
  memcpy(text, data, length);
  text[length] = 0;
  return text;
}

}  // namespace

size_t TextLength(const char* text) {
  uint32_t length;
  memcpy(&length, text - kHeaderSize, 4);
  return length;
}

uint32_t TextKey(const char* text) {
  uint32_t key;
  memcpy(&key, text - 4, 4);
  return key;
}

#ifdef QDL_PLAIN_TEXTS

char* NewText(const char* data, size_t length, uint32_t key) {
  auto* block = static_cast<char*>(malloc(kHeaderSize + length + 1));
  if (block == nullptr) throw std::bad_alloc();
  return FillText(block + kHeaderSize, data, length, key);
}

void ReleaseText(char* text) {
  if (text != nullptr) free(text - kHeaderSize);
}

#else

namespace {

// Blocks of 16, 32, ... 1024 bytes; a block's first byte holds its class,
// the header and the text follow.  Free blocks of a class form a list
// through their first bytes after the class.
constexpr int kClassCount = 7;
constexpr size_t kSmallestBlock = 16;
constexpr size_t kChunkSize = 1 << 16;

char* freeBlocks[kClassCount];
char* chunkNext = nullptr;
char* chunkEnd = nullptr;

int ClassOf(size_t bytes) {
  int cls = 0;
  for (size_t size = kSmallestBlock; size < bytes; size *= 2) ++cls;
  return cls;
}

char* NewBlock(int cls) {
  if (char* block = freeBlocks[cls]) {
    memcpy(&freeBlocks[cls], block + 1, sizeof(char*));
    return block;
  }
  size_t size = kSmallestBlock << cls;
  if (static_cast<size_t>(chunkEnd - chunkNext) < size) {
    // The rest of the old chunk is abandoned: chunks live as long as the
    // process and are few (live texts are few).
    chunkNext = static_cast<char*>(malloc(kChunkSize));
    if (chunkNext == nullptr) throw std::bad_alloc();
    chunkEnd = chunkNext + kChunkSize;
  }
  char* block = chunkNext;
  chunkNext += size;
  block[0] = static_cast<char>(cls);
  return block;
}

}  // namespace

char* NewText(const char* data, size_t length, uint32_t key) {
  size_t bytes = 1 + kHeaderSize + length + 1;
  int cls = ClassOf(bytes);
  char* block;
  if (cls >= kClassCount) {
    block = static_cast<char*>(malloc(bytes));
    if (block == nullptr) throw std::bad_alloc();
    block[0] = static_cast<char>(kClassCount);
  } else {
    block = NewBlock(cls);
  }
  return FillText(block + 1 + kHeaderSize, data, length, key);
}

void ReleaseText(char* text) {
  if (text == nullptr) return;
  char* block = text - kHeaderSize - 1;
  int cls = block[0];
  if (cls >= kClassCount) {
    free(block);
    return;
  }
  memcpy(block + 1, &freeBlocks[cls], sizeof(char*));
  freeBlocks[cls] = block;
}

#endif

}  // namespace qdl
