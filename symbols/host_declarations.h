// Declarations of a compiled program for the host that runs its image
// (option --commands): command codes and operand counts, constants,
// nodes, labels, the image size and, in C, a table of the commands.
#pragma once

#include <cstdint>
#include <string>

namespace qdl {

enum class HostLanguage { kC, kPascal, kAssembler };

// The language chosen by the extension of `fileName`: ".h", ".hh", ".hpp",
// ".hxx" C/C++, ".pas" Pascal, ".inc", ".asm" assembler.  False for any
// other extension.
bool HostLanguageOf(const std::string& fileName, HostLanguage& language);

// A Windows-1251 name made an ASCII identifier: Latin letters, digits and
// "_" kept, Cyrillic letters transliterated (Ж Zh, щ shch, ь dropped...).
std::string TransliteratedName(const std::string& name);

// The declarations of the global context in `language`, for an image of
// `imageSize` bytes; `fileName` names the include guard or the unit.  Two
// names that give the same identifier are reported (message -28); then
// the result is false and `content` is not to be written.
bool MakeHostDeclarations(HostLanguage language, const std::string& fileName, int32_t imageSize,
                          std::string& content);

}  // namespace qdl
