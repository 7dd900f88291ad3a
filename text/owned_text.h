// A heap text with one owner.  The parser's value stack holds texts as
// plain pointers from NewText (its %destructor rules release the ones an
// error abandons); every action takes them over as an OwnedText.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qdl {

// A 0-terminated copy of `length` bytes at `data`, with its length and a
// 32-bit key the caller chooses kept beside it (the parser keeps a name's
// hash there, so that a name is hashed once however often it is looked
// up).  Token texts come and go by the million: they are recycled by
// size, not given to malloc.
char* NewText(const char* data, size_t length, uint32_t key = 0);
// The length and the key a text from NewText was made with.
size_t TextLength(const char* text);
uint32_t TextKey(const char* text);
// Gives back a text from NewText; null is ignored.
void ReleaseText(char* text);

struct FreeText {
  void operator()(char* text) const { ReleaseText(text); }
};
using OwnedText = std::unique_ptr<char, FreeText>;

}  // namespace qdl
