// Windows-1251, the compiler's own encoding, and UTF-8: the texts written
// in this repository, the sources saved by UTF-8 editors and the terminal.
#pragma once

#include <cstdint>
#include <string>

namespace qdl {

// The Unicode code point of a Windows-1251 byte; U+FFFD for 0x98, the one
// byte the encoding leaves undefined.
uint32_t CodePointFromCp1251(unsigned char byte);

// The Windows-1251 byte of a code point, or -1 when the encoding has none.
int Cp1251FromCodePoint(uint32_t codePoint);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, uint32_t codePoint);

// Converts UTF-8 text to Windows-1251.  A character the encoding cannot
// represent, or a byte that starts no character, becomes '?': the tables
// that use this hold only Russian and ASCII text.
std::string Cp1251FromUtf8(const std::string& utf8);

// The reverse: Windows-1251 text as UTF-8.
std::string Utf8FromCp1251(const std::string& cp);

}  // namespace qdl
