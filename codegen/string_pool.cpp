#include "codegen/string_pool.h"

#include <cstring>
#include <vector>

namespace qdl {

namespace {

// The area has room for a last text that ends exactly at the limit.
constexpr size_t kPoolArea = kStringPoolLimit + 8;

std::vector<unsigned char> pool;
int32_t fill = 0;

}  // namespace

int32_t AddString(const char* text) {
  int32_t offset = fill;
  int32_t length = static_cast<int32_t>(strnlen(text, kStringPoolLimit + 1));
  if (pool.empty()) pool.assign(kPoolArea, 0);
  if (fill != kStringPoolLimit && length + fill <= kStringPoolLimit) {
    memcpy(pool.data() + fill, text, static_cast<size_t>(length));
    pool[static_cast<size_t>(fill + length)] = 0;
    fill += length + 1;
  } else {
    fill = kStringPoolLimit;
  }
  return offset;
}

int32_t StringPoolFill() { return fill; }

const unsigned char* StringPoolData() { return pool.empty() ? nullptr : pool.data(); }

void ResetStringPool() {
  pool.clear();
  pool.shrink_to_fit();
  fill = 0;
}

}  // namespace qdl
