// The image as a raw binary, assembler "DB " lines, a C/C++ initialiser or
// a Delphi unit, and WriteOutput, which writes it.
#include "codegen/output_formats.h"

#include <cctype>
#include <cstdio>

#include "codegen/code_generator.h"
#include "diagnostics/diagnostics.h"
#include "files/paths.h"

namespace qdl {

namespace {

// Numbers per line in the text formats.
constexpr int32_t kNumbersPerLine = 16;

// Every byte as the text formats write it: right-aligned in three columns.
struct ByteTexts {
  char text[256][3];
  constexpr ByteTexts() : text() {
    for (int i = 0; i < 256; ++i) {
      text[i][0] = i >= 100 ? static_cast<char>('0' + i / 100) : ' ';
      text[i][1] = i >= 10 ? static_cast<char>('0' + i / 10 % 10) : ' ';
      text[i][2] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr ByteTexts kByteTexts;

void AppendByte(std::string& out, unsigned char byte) { out.append(kByteTexts.text[byte], 3); }

std::string FormatBinary(const unsigned char* image, int32_t size, const std::string&) {
  return std::string(reinterpret_cast<const char*>(image), static_cast<size_t>(size));
}

// Lines of 16 numbers: "DB " before each line and "," between the numbers
// of a line.
std::string FormatAssembler(const unsigned char* image, int32_t size, const std::string&) {
  std::string out;
  out.reserve(static_cast<size_t>(size) * 4 + static_cast<size_t>(size / kNumbersPerLine + 1) * 4);
  for (int32_t i = 0; i < size; ++i) {
    if (i % kNumbersPerLine == 0) {
      if (i != 0) out += '\n';
      out += "DB ";
    }
    AppendByte(out, image[i]);
    if ((i + 1) % kNumbersPerLine != 0 && i != size - 1) out += ',';
  }
  return out;
}

// Lines of 16 numbers, "," after every number but the last.
std::string FormatNumberList(const unsigned char* image, int32_t size) {
  std::string out;
  out.reserve(static_cast<size_t>(size) * 4 + static_cast<size_t>(size / kNumbersPerLine + 1));
  for (int32_t i = 0; i < size; ++i) {
    if (i != 0 && i % kNumbersPerLine == 0) out += '\n';
    AppendByte(out, image[i]);
    if (i != size - 1) out += ',';
  }
  return out;
}

std::string FormatC(const unsigned char* image, int32_t size, const std::string&) {
  return FormatNumberList(image, size);
}

std::string FormatDelphi(const unsigned char* image, int32_t size, const std::string& fileName) {
  std::string unit = SplitPath(fileName).base;
  return "unit " + unit + ";\ninterface\nconst b" + unit + ": array[0.." + std::to_string(size - 1) +
         "] of Byte = (\n" + FormatNumberList(image, size) + ");\nimplementation\nend.\n";
}

const OutputFormat kOutputFormats[] = {
    {'b', ".bin", false, FormatBinary},
    {'a', ".inc", true, FormatAssembler},
    {'c', ".h", true, FormatC},
    {'d', ".pas", true, FormatDelphi},
};
constexpr int kDefaultFormat = 2;

}  // namespace

const OutputFormat* FindOutputFormat(int letter) {
  for (const OutputFormat& format : kOutputFormats)
    if (format.letter == tolower(letter)) return &format;
  return nullptr;
}

const OutputFormat& DefaultOutputFormat() { return kOutputFormats[kDefaultFormat]; }

bool IsPascalUnitName(const std::string& name) {
  bool partStart = true;
  for (unsigned char c : name) {
    if (c == '.' && !partStart) {
      partStart = true;
    } else if (c < 0x80 && (isalpha(c) || c == '_' || (isdigit(c) && !partStart))) {
      partStart = false;
    } else {
      return false;
    }
  }
  return !partStart;
}

bool WriteOutputFile(const std::string& fileName, const std::string& content, bool text) {
  OutputFile file;
  if (!file.Create(fileName, text)) {
    ReportFile(kCannotCreateOutput, fileName);
    return false;
  }
  file.Write(content);
  // A failed write leaves no partial file: hosts would embed it silently.
  if (!file.Close()) {
    ReportFile(kOutputWriteError, fileName);
    return false;
  }
  return true;
}

bool CodeGenerator::WriteOutput(const std::string& fileName, const OutputFormat& format) {
  if (listing != nullptr) listing->Write(";\n       0\n");
  int32_t imageSize = size < kCodeCapacity ? size : kCodeCapacity;
  return WriteOutputFile(fileName, format.format(codeBuffer.data(), imageSize, fileName), format.text);
}

}  // namespace qdl
