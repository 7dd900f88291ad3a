// The code image of a pass: command entries, node headers and end-of-code
// entries, little-endian, mirrored into the optional listing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/output_file.h"

namespace qdl {

// An emission that starts at this size or beyond reports message 10: the
// host's code segment holds at most this many bytes.
constexpr int32_t kCodeLimit = 29999;
// The buffer behind it: one 4-byte emission started just below the limit
// still fits, with room to spare.  Bytes beyond it are never stored.
constexpr int32_t kCodeCapacity = 30007;

// The first byte of every entry: the end-of-code entry, a node header, or
// the code of a command (2 to 255).
constexpr int32_t kEndOfCodeEntry = 0;
constexpr int32_t kNodeHeaderEntry = 1;

struct OutputFormat;

class CodeGenerator {
 public:
  // Creates the listing file when `listingName` is not empty.
  explicit CodeGenerator(const std::string& listingName);
  // Checks and closes the listing (warning 27 on a write error).
  ~CodeGenerator();

  void EmitByte(int32_t value, bool listed);
  void EmitWord(int32_t value);
  void EmitLong(int32_t value);
  void BeginEntry(int32_t code, const char* text, bool addressed);
  void EmitNodeHeader(int32_t number, int32_t commandLength, const char* nodeName);
  // Lays the string pool behind the code.
  void AppendStrings();
  // Writes the image in `format`; true when it was written whole.
  bool WriteOutput(const std::string& fileName, const OutputFormat& format);

  std::vector<unsigned char> codeBuffer;
  int32_t size = 0;
  int32_t entryStart = 0;
  std::unique_ptr<OutputFile> listing;  // null without a listing

 private:
  void CheckLimit();
  void Store(unsigned char byte);
  void List(const std::string& text);
};

extern CodeGenerator* CurrentCodeGenerator;

// The code generator of a pass, with a listing when `listingName` is not
// empty; ending it closes the listing.
void StartCodeGeneration(const std::string& listingName);
void EndCodeGeneration();

// Ends the pass's code generator and empties the string pool.
void ResetCodeGeneration();

}  // namespace qdl
