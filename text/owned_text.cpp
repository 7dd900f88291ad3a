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

#ifdef QDL_PLAIN_TEXTS

char* NewText(const char* data, size_t length) {
  auto* text = static_cast<char*>(malloc(length + 1));
  if (text == nullptr) throw std::bad_alloc();
  memcpy(text, data, length);
  text[length] = 0;
  return text;
}

void ReleaseText(char* text) { free(text); }

#else

namespace {

// Blocks of 16, 32, ... 1024 bytes; a block's first byte holds its class
// and the text follows.  Free blocks of a class form a list through their
// first bytes after the class.
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

char* NewText(const char* data, size_t length) {
  int cls = ClassOf(length + 2);
  char* text;
  if (cls >= kClassCount) {
    char* block = static_cast<char*>(malloc(length + 2));
    if (block == nullptr) throw std::bad_alloc();
    block[0] = static_cast<char>(kClassCount);
    text = block + 1;
  } else {
    text = NewBlock(cls) + 1;
  }
  memcpy(text, data, length);
  text[length] = 0;
  return text;
}

void ReleaseText(char* text) {
  if (text == nullptr) return;
  char* block = text - 1;
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
