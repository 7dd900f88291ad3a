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

}  // namespace qdl
