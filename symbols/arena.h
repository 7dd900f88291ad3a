// A region of memory handed out piecewise and given back as a whole:
// the entities of a context and their names live in one, so that a
// context with very many entries is made and destroyed quickly.
#pragma once

#include <cstddef>
#include <string_view>

namespace qdl {

class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() { Release(); }

  // `size` bytes aligned like a pointer (enough for the entities).
  void* Allocate(size_t size);
  // A 0-terminated copy of `text`.
  char* Copy(std::string_view text);
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
