// A heap text with one owner.  The parser's value stack holds texts as
// plain pointers from NewText (its %destructor rules release the ones an
// error abandons); every action takes them over as an OwnedText.
#pragma once

#include <cstddef>
#include <memory>

namespace qdl {

// A 0-terminated copy of `length` bytes at `data`.  Token texts come and
// go by the million: they are recycled by size, not given to malloc.
char* NewText(const char* data, size_t length);
// Gives back a text from NewText; null is ignored.
void ReleaseText(char* text);

struct FreeText {
  void operator()(char* text) const { ReleaseText(text); }
};
using OwnedText = std::unique_ptr<char, FreeText>;

}  // namespace qdl
