// The output formats of the image (option -f): one row each.  A new
// format is a row here and a function that formats the image.
#pragma once

#include <cstdint>
#include <string>

namespace qdl {

struct OutputFormat {
  char letter;            // after -f, either case
  const char* extension;  // of the output file when its name has none
  bool text;              // a text file: every "\n" is written as CR LF
  // The whole file's content.  `fileName` is the output's name (a Delphi
  // unit is named after it).
  std::string (*format)(const unsigned char* image, int32_t size, const std::string& fileName);
};

// The format of -f`letter`, or null when no format has that letter.
const OutputFormat* FindOutputFormat(int letter);
// The format without -f: C/C++.
const OutputFormat& DefaultOutputFormat();

// A Pascal unit name: ASCII letters, digits and "_", not starting with a
// digit, in parts separated by single dots.
bool IsPascalUnitName(const std::string& name);

// Writes `content` as the file `fileName` (a text file: "\n" as CR LF),
// reporting a file that cannot be created (-21) or written (-22).  True
// when the file was written whole.
bool WriteOutputFile(const std::string& fileName, const std::string& content, bool text);

}  // namespace qdl
