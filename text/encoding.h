// Conversion of the UTF-8 texts written in this repository into the
// Windows-1251 bytes that the compiler reads and writes.
#pragma once

#include <string>

namespace qdl {

// Converts UTF-8 text to Windows-1251.  ASCII passes unchanged; the
// Cyrillic letters А..я, Ё and ё map to their single Windows-1251 bytes.
// Any other code point becomes '?': the tables that use this hold only
// Russian and ASCII text.
std::string Cp1251FromUtf8(const std::string& utf8);

// The reverse, for tests and tools that show compiler output readably.
std::string Utf8FromCp1251(const std::string& cp);

}  // namespace qdl
