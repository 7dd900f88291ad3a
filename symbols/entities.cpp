#include "symbols/entities.h"

#include <cstring>
#include <utility>

#include "codegen/string_pool.h"
#include "diagnostics/diagnostics.h"

namespace qdl {

namespace {

void InsertIntoCurrent(Identifier* entity, const NameKey& name) {
  if (CurrentContext != nullptr) CurrentContext->Insert(entity, name.hash);
}

std::string Str(int32_t value) { return std::to_string(value); }

}  // namespace

// In the order of EntityKind.
const uint8_t Identifier::kEntityBytes[] = {sizeof(Command), sizeof(Constant), sizeof(Label),
                                            sizeof(NodeType), sizeof(Node), sizeof(StringConstant)};
static_assert(kKindCommand == 0 && kKindConstant == 1 && kKindLabel == 2 && kKindType == 3 && kKindNode == 4 &&
                  kKindStringConstant == 5,
              "kEntityBytes follows EntityKind");
static_assert(sizeof(Command) <= UINT8_MAX && sizeof(Label) <= UINT8_MAX && sizeof(NodeType) <= UINT8_MAX &&
                  sizeof(Node) <= UINT8_MAX && sizeof(StringConstant) <= UINT8_MAX,
              "every entity's size must fit kEntityBytes");
static_assert(sizeof(Constant) == 16, "a constant and its value take 16 bytes");

Command::Command(const NameKey& name, int32_t code) : Identifier(name, kKind), code(code) {
  InsertIntoCurrent(this, name);
}

void Command::AddOperand(int32_t size) {
  if (operandCount >= kMaxOperands) {
    Report(kTooManyOperands);
    return;
  }
  operandSizes[operandCount++] = size;
  length += size;
}

void Command::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += "Command " + Str(code) + " " + Name();
  for (int32_t i = 0; i < operandCount; ++i) out += (i == 0 ? " [" : ", [") + Str(operandSizes[i]) + "]";
}

Constant::Constant(const NameKey& name, int32_t value) : Identifier(name, kKind), value(value) {
  InsertIntoCurrent(this, name);
}

void Constant::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += std::string("Constant ") + Name() + " = " + Str(value);
}

Label::Label(const NameKey& name, int32_t address, bool isString, int32_t length)
    : Identifier(name, kKind), address(address), isString(isString ? 1 : 0), length(length) {
  InsertIntoCurrent(this, name);
}

void Label::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  if (isString)
    out += std::string("String label ") + Name() + " = " + Str(address) + "[" + Str(length) + "]";
  else
    out += std::string("Label ") + Name() + " = " + Str(address);
}

NodeType::NodeType(const NameKey& name) : Identifier(name, kKind), members(nullptr) {
  members = new Context(kMemberCapacity, this);
}

void NodeType::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += std::string("Node type ") + Name();
  if (members != nullptr) members->PrintEntries(out, indent + 1);
}

Node::Node(int32_t number, const NameKey& name, NodeType* type)
    : Identifier(name, kKind), number(number), type(type) {
  InsertIntoCurrent(this, name);
}

void Node::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  if (type != nullptr) out += std::string("Node ") + Name() + " = " + type->Name();
}

StringConstant::StringConstant(const NameKey& name, const char* text)
    : Identifier(name, kKind) {
  length = static_cast<int32_t>(strlen(text));
  offset = AddString(text);
  InsertIntoCurrent(this, name);
}

void StringConstant::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += std::string("String ") + Name() + " = " + Str(offset) + "[" + Str(length) + "]";
}

void PrintEntity(const Identifier* entity, std::string& out, int indent) {
  switch (entity->kind) {
    case kKindCommand: static_cast<const Command*>(entity)->Print(out, indent); break;
    case kKindConstant: static_cast<const Constant*>(entity)->Print(out, indent); break;
    case kKindLabel: static_cast<const Label*>(entity)->Print(out, indent); break;
    case kKindType: static_cast<const NodeType*>(entity)->Print(out, indent); break;
    case kKindNode: static_cast<const Node*>(entity)->Print(out, indent); break;
    case kKindStringConstant: static_cast<const StringConstant*>(entity)->Print(out, indent); break;
  }
}

}  // namespace qdl
