#include "symbols/entities.h"

#include <cstdlib>
#include <cstring>

#include "codegen/string_pool.h"
#include "lexlib/diagnostics.h"

namespace qdl {

namespace {

void InsertIntoCurrent(TIdentifikatop* entity) {
  if (CurrentContext != nullptr) CurrentContext->Insert(entity);
}

std::string Str(int32_t value) { return std::to_string(value); }

}  // namespace

TKomanda::TKomanda(char* text, int32_t codeValue) : TIdentifikatop(text, kKind), code(codeValue) {
  InsertIntoCurrent(this);
}

void TKomanda::AddOperand(int32_t size) {
  if (operandCount >= kMaxOperands) {
    ReportError(5);
    return;
  }
  operandSizes[operandCount++] = size;
  length += size;
}

void TKomanda::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += "Command " + Str(code) + " " + name;
  for (int32_t i = 0; i < operandCount; ++i) out += (i == 0 ? " [" : ", [") + Str(operandSizes[i]) + "]";
}

TKonctanta::TKonctanta(char* text, int32_t valueOf) : TIdentifikatop(text, kKind), value(valueOf) {
  InsertIntoCurrent(this);
}

void TKonctanta::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += "Constant " + name + " = " + Str(value);
}

TMetka::TMetka(char* text, int32_t addressOf, bool stringLabel, int32_t lengthOf)
    : TIdentifikatop(text, kKind), address(addressOf), isString(stringLabel ? 1 : 0), length(lengthOf) {
  InsertIntoCurrent(this);
}

void TMetka::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  if (isString)
    out += "String label " + name + " = " + Str(address) + "[" + Str(length) + "]";
  else
    out += "Label " + name + " = " + Str(address);
}

TTip::TTip(char* text) : TIdentifikatop(text, kKind), members(nullptr) {
  members = new TKontekct(kMemberCapacity, this);
}

TTip::~TTip() { delete members; }

void TTip::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += "Node type " + name;
  if (members != nullptr) members->PrintEntries(out, indent + 1);
}

TUzel::TUzel(int32_t numberOf, char* text, TTip* typeOf)
    : TIdentifikatop(text, kKind), number(numberOf), type(typeOf) {
  InsertIntoCurrent(this);
}

void TUzel::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  if (type != nullptr) out += "Node " + name + " = " + type->name;
}

TCtpokovajaKonctanta::TCtpokovajaKonctanta(char* text, char* stringText)
    : TIdentifikatop(text, kKind) {
  length = static_cast<int32_t>(strlen(stringText));
  offset = AddString(stringText);
  free(stringText);
  InsertIntoCurrent(this);
}

void TCtpokovajaKonctanta::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += "String " + name + " = " + Str(offset) + "[" + Str(length) + "]";
}

}  // namespace qdl
