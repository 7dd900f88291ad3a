// The tests' own UTF-8 <-> Windows-1251 conversion, written apart from the
// compiler's so that a fault in the compiler's conversion cannot shift an
// expected text along with the output.  It knows only the characters the
// tests use: ASCII, А..я, Ё, ё and the few signs listed; any other
// character stops the test program with a message.
#ifndef QDL_TESTS_WIN1251_H_
#define QDL_TESTS_WIN1251_H_

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qdl::testing {

// А..я are the bytes C0..FF in this order.
constexpr const char* kWin1251Letters =
    "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя";

struct Win1251Sign {
  const char* utf8;
  unsigned char byte;
};

// From the Windows-1251 code page, one sign per byte.
constexpr Win1251Sign kWin1251Signs[] = {
    {"Ђ", 0x80}, {"‚", 0x82}, {"„", 0x84}, {"…", 0x85}, {"€", 0x88}, {"‰", 0x89}, {"Џ", 0x8F},
    {"‘", 0x91}, {"’", 0x92}, {"“", 0x93}, {"”", 0x94}, {"–", 0x96}, {"—", 0x97}, {"™", 0x99},
    {"џ", 0x9F}, {"Ґ", 0xA5}, {"§", 0xA7}, {"Ё", 0xA8}, {"©", 0xA9}, {"«", 0xAB}, {"°", 0xB0},
    {"±", 0xB1}, {"ё", 0xB8}, {"№", 0xB9}, {"»", 0xBB}, {"ї", 0xBF},
};

[[noreturn]] inline void Win1251Refuse(const char* what, const std::string& text, size_t at) {
  fprintf(stderr, "test conversion: %s at byte %zu of \"%s\"\n", what, at, text.c_str());
  abort();
}

inline std::string Win1251FromUtf8(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      out += utf8[i++];
      continue;
    }
    bool found = false;
    for (size_t k = 0; kWin1251Letters[k] != 0 && !found; k += 2) {
      if (utf8.compare(i, 2, kWin1251Letters + k, 2) == 0) {
        out += static_cast<char>(0xC0 + k / 2);
        i += 2;
        found = true;
      }
    }
    for (const Win1251Sign& sign : kWin1251Signs) {
      size_t length = strlen(sign.utf8);
      if (!found && utf8.compare(i, length, sign.utf8) == 0) {
        out += static_cast<char>(sign.byte);
        i += length;
        found = true;
      }
    }
    if (!found) Win1251Refuse("no Windows-1251 byte for the character", utf8, i);
  }
  return out;
}

// The UTF-8 of a Windows-1251 byte; an empty text for a byte the table
// above lacks.
inline std::string Utf8FromWin1251Byte(unsigned char byte) {
  if (byte < 0x80) return std::string(1, static_cast<char>(byte));
  if (byte >= 0xC0) return std::string(kWin1251Letters + 2 * (byte - 0xC0), 2);
  for (const Win1251Sign& sign : kWin1251Signs)
    if (sign.byte == byte) return sign.utf8;
  return "";
}

}  // namespace qdl::testing

#endif  // QDL_TESTS_WIN1251_H_
