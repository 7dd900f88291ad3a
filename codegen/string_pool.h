// The texts of all string constants of a run, each followed by a zero
// byte, laid behind the code at the end of every pass.
#pragma once

#include <cstdint>

namespace qdl {

// Most bytes of texts a run may hold; a fill position of exactly this
// value marks a pool whose strings did not fit (message 29).
constexpr int32_t kStringPoolLimit = 10000;

// Stores `text` when it fits and returns its offset in the pool.
int32_t AddString(const char* text);
int32_t StringPoolFill();
const unsigned char* StringPoolData();  // null until the first AddString
void ResetStringPool();

}  // namespace qdl
