// A heap text with one owner.  The parser's value stack holds texts as
// plain pointers from malloc (its %destructor rules free the ones an error
// abandons); every action takes them over as an OwnedText.
#pragma once

#include <cstdlib>
#include <memory>

namespace qdl {

struct FreeText {
  void operator()(char* text) const { free(text); }
};
using OwnedText = std::unique_ptr<char, FreeText>;

}  // namespace qdl
