#include "codegen/code_generator.h"

#include <cstdio>

#include "codegen/string_pool.h"
#include "diagnostics/diagnostics.h"

namespace qdl {

CodeGenerator* CurrentCodeGenerator = nullptr;

void StartCodeGeneration(const std::string& listingName) {
  EndCodeGeneration();
  CurrentCodeGenerator = new CodeGenerator(listingName);
}

void EndCodeGeneration() {
  delete CurrentCodeGenerator;
  CurrentCodeGenerator = nullptr;
}

void ResetCodeGeneration() {
  EndCodeGeneration();
  ResetStringPool();
}

namespace {

// An entry's address in the listing: right-aligned in five columns.
std::string FormatAddress(int32_t value) {
  char text[16];
  snprintf(text, sizeof text, "%5d", value);
  return text;
}

// Where a listing line without an address starts its text: under the
// text of an addressed line ("12345: ").
const char kListingIndent[] = "       ";

}  // namespace

CodeGenerator::CodeGenerator(const std::string& listingName) : codeBuffer(kCodeCapacity, 0) {
  if (listingName.empty()) return;
  listing = std::make_unique<OutputFile>();
  if (!listing->Create(listingName, true)) {
    listing.reset();
    ReportFile(kCannotCreateListing, listingName);
  }
}

CodeGenerator::~CodeGenerator() {
  if (listing != nullptr && !listing->Close()) ReportInDestructor(kListingWriteError);
}

// The listing texts are only built when there is a listing.
void CodeGenerator::List(const std::string& text) { listing->Write(text); }

void CodeGenerator::CheckLimit() {
  if (size >= kCodeLimit) Report(kCodeTooLong);
}

void CodeGenerator::Store(unsigned char byte) {
  if (size >= 0 && size < kCodeCapacity) codeBuffer[static_cast<size_t>(size)] = byte;
  if (size < INT32_MAX) ++size;
}

void CodeGenerator::EmitByte(int32_t value, bool listed) {
  CheckLimit();
  unsigned char byte = static_cast<unsigned char>(value & 0xFF);
  Store(byte);
  if (listed && listing != nullptr) List(" " + std::to_string(byte) + "b");
}

void CodeGenerator::EmitWord(int32_t value) {
  CheckLimit();
  uint32_t bits = static_cast<uint32_t>(value);
  Store(static_cast<unsigned char>(bits));
  Store(static_cast<unsigned char>(bits >> 8));
  if (listing != nullptr) List(" " + std::to_string(bits & 0xFFFF) + "i");
}

void CodeGenerator::EmitLong(int32_t value) {
  CheckLimit();
  uint32_t bits = static_cast<uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) Store(static_cast<unsigned char>(bits >> shift));
  if (listing != nullptr) List(" " + std::to_string(value) + "L");
}

void CodeGenerator::BeginEntry(int32_t code, const char* text, bool addressed) {
  if (listing != nullptr) {
    std::string piece;
    if (size > 0) {
      // Close the entry that ends here with the dump of its bytes; a node
      // header's own bytes were dumped when its command began.
      piece += ";\n";
      piece += kListingIndent;
      int32_t p = entryStart;
      if (addressed && p < kCodeCapacity && codeBuffer[static_cast<size_t>(p)] == kNodeHeaderEntry) p += 4;
      int32_t end = size < kCodeCapacity ? size : kCodeCapacity;
      for (int32_t i = p; i < end; ++i) {
        if (i > p) piece += ',';
        piece += std::to_string(codeBuffer[static_cast<size_t>(i)]);
      }
      piece += '\n';
    }
    piece += addressed ? FormatAddress(size) + ": " : std::string(kListingIndent);
    if (code == kNodeHeaderEntry) piece += "Node -> ";
    piece += text;
    listing->Write(piece);
  }
  if (addressed) entryStart = size;
  EmitByte(code, false);
}

void CodeGenerator::EmitNodeHeader(int32_t number, int32_t commandLength, const char* nodeName) {
  BeginEntry(kNodeHeaderEntry, nodeName, true);
  EmitWord(number);
  EmitByte(commandLength, true);
}

void CodeGenerator::AppendStrings() {
  int32_t fill = StringPoolFill();
  if (size + fill >= kCodeLimit) {
    Report(kCodeTooLong);
    return;
  }
  int32_t start = size;
  const unsigned char* pool = StringPoolData();
  for (int32_t i = 0; i < fill; ++i) Store(pool[i]);
  if (listing == nullptr) return;
  // Each string line opens with its address and a quote; the zero byte
  // that ends a string closes the quote.
  std::string piece = "\nStrings:\n" + FormatAddress(start) + ": \"";
  char escape[8];
  for (int32_t i = 0; i < fill; ++i) {
    unsigned char c = pool[i];
    if (c == 0) {
      piece += '"';
      if (i + 1 < fill) piece += "\n" + FormatAddress(start + i + 1) + ": \"";
    } else if (c < 32) {
      snprintf(escape, sizeof escape, "\\x%02X", c);
      piece += escape;
    } else {
      piece += static_cast<char>(c);
    }
  }
  listing->Write(piece);
}

}  // namespace qdl
