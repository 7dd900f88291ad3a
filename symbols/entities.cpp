#include "symbols/entities.h"

#include <cstdlib>
#include <cstring>

#include "codegen/string_pool.h"
#include "diagnostics/diagnostics.h"

namespace qdl {

namespace {

void InsertIntoCurrent(Identifier* entity) {
  if (CurrentContext != nullptr) CurrentContext->Insert(entity);
}

std::string Str(int32_t value) { return std::to_string(value); }

}  // namespace

Command::Command(char* text, int32_t codeValue) : Identifier(text, kKind), code(codeValue) {
  InsertIntoCurrent(this);
}

void Command::AddOperand(int32_t size) {
  if (operandCount >= kMaxOperands) {
    ReportError(5);
    return;
  }
  operandSizes[operandCount++] = size;
  length += size;
}

void Command::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += "Command " + Str(code) + " " + name;
  for (int32_t i = 0; i < operandCount; ++i) out += (i == 0 ? " [" : ", [") + Str(operandSizes[i]) + "]";
}

Constant::Constant(char* text, int32_t valueOf) : Identifier(text, kKind), value(valueOf) {
  InsertIntoCurrent(this);
}

void Constant::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += "Constant " + name + " = " + Str(value);
}

Label::Label(char* text, int32_t addressOf, bool stringLabel, int32_t lengthOf)
    : Identifier(text, kKind), address(addressOf), isString(stringLabel ? 1 : 0), length(lengthOf) {
  InsertIntoCurrent(this);
}

void Label::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  if (isString)
    out += "String label " + name + " = " + Str(address) + "[" + Str(length) + "]";
  else
    out += "Label " + name + " = " + Str(address);
}

NodeType::NodeType(char* text) : Identifier(text, kKind), members(nullptr) {
  members = new Context(kMemberCapacity, this);
}

NodeType::~NodeType() { delete members; }

void NodeType::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += "Node type " + name;
  if (members != nullptr) members->PrintEntries(out, indent + 1);
}

Node::Node(int32_t numberOf, char* text, NodeType* typeOf)
    : Identifier(text, kKind), number(numberOf), type(typeOf) {
  InsertIntoCurrent(this);
}

void Node::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  if (type != nullptr) out += "Node " + name + " = " + type->name;
}

StringConstant::StringConstant(char* text, char* stringText)
    : Identifier(text, kKind) {
  length = static_cast<int32_t>(strlen(stringText));
  offset = AddString(stringText);
  free(stringText);
  InsertIntoCurrent(this);
}

void StringConstant::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += "String " + name + " = " + Str(offset) + "[" + Str(length) + "]";
}

}  // namespace qdl
