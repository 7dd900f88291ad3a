// WriteOutput: the image as a raw binary, assembler "DB " lines, a C/C++
// initialiser or a Delphi unit.
#include <cstdio>

#include "codegen/code_generator.h"
#include "diagnostics/diagnostics.h"
#include "files/paths.h"

namespace qdl {

int32_t OutputFormat = kFormatC;

namespace {

// Numbers per line in the text formats.
constexpr int32_t kNumbersPerLine = 16;

std::string FormatByte(unsigned char byte) {
  char text[8];
  snprintf(text, sizeof text, "%3u", static_cast<unsigned>(byte));
  return text;
}

std::string FormatImage(const unsigned char* image, int32_t size, const std::string& fileName) {
  std::string out;
  std::string unit = SplitPath(fileName).base;
  if (OutputFormat == kFormatBinary) return std::string(reinterpret_cast<const char*>(image), size);
  if (OutputFormat == kFormatDelphi) {
    out += "unit " + unit + ";\n" + "interface\n" + "const b" + unit + ": array[0.." +
           std::to_string(size - 1) + "] of Byte = (\n";
  }
  for (int32_t i = 0; i < size; ++i) {
    bool last = i == size - 1;
    if (OutputFormat == kFormatAssembler) {
      if (i % kNumbersPerLine == 0) {
        if (i != 0) out += '\n';
        out += "DB ";
      }
      out += FormatByte(image[i]);
      if ((i + 1) % kNumbersPerLine != 0 && !last) out += ',';
    } else {
      if (i != 0 && i % kNumbersPerLine == 0) out += '\n';
      out += FormatByte(image[i]);
      if (!last) out += ',';
    }
  }
  if (OutputFormat == kFormatDelphi) out += ");\nimplementation\nend.\n";
  return out;
}

}  // namespace

void CodeGenerator::WriteOutput(const std::string& fileName) {
  if (listing != nullptr) listing->Write(";\n       0\n");
  OutputFile file;
  if (!file.Create(fileName, OutputFormat != kFormatBinary)) {
    ReportError(-21, fileName.c_str());
    return;
  }
  int32_t imageSize = size < kCodeCapacity ? size : kCodeCapacity;
  file.Write(FormatImage(codeBuffer.data(), imageSize, fileName));
  if (!file.Close()) {
    ReportError(-22, fileName.c_str());
    // A partial image is worse than none: hosts would embed it silently.
    if (IsRegularFile(fileName)) remove(fileName.c_str());
  }
}

}  // namespace qdl
