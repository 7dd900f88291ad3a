// A region of memory handed out piecewise and given back as a whole:
// the entities of a context and their names live in one, so that a
// context with very many entries is made and destroyed quickly.
#pragma once

#include <cstddef>

namespace qdl {

// A block of `size` bytes for the contexts' tables and arenas (zero-filled
// when `zeroed`, and always when large); large ones are mapped directly
// (fresh pages are zero and touched only when used, and freeing gives
// them back at once), aligned to 2 MiB so that a system that puts every
// mapping on huge pages can.  Null when out of memory.  FreeLarge gives
// it back, told the same size.
void* AllocateLarge(size_t size, bool zeroed);
void FreeLarge(void* block, size_t size);

class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() { Release(); }

  // `size` bytes aligned like a pointer (enough for the entities).
  void* Allocate(size_t size);
  // Gives every piece back at once.
  void Release();

 private:
  void* Grow(size_t size);

  struct Chunk {
    Chunk* previous;
    size_t size;
  };
  Chunk* chunks_ = nullptr;
  char* next_ = nullptr;
  char* end_ = nullptr;
};

}  // namespace qdl
