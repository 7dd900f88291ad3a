// The six kinds of named things a source declares: commands, numeric
// constants, labels, node types, nodes and string constants.  Every
// constructor except NodeType's enters the new entity into the current context.
#pragma once

#include <cstdint>

#include "diagnostics/diagnostics.h"
#include "symbols/context.h"

namespace qdl {

// A command has at most this many operands: the operand count must fit
// the fixed operand-size table that hosts keep per command.
constexpr int32_t kMaxOperands = 10;

class Command : public Identifier {
 public:
  static constexpr int32_t kKind = kKindCommand;
  Command(const NameKey& name, int32_t code);
  void Print(std::string& out, int indent) const;
  void AddOperand(int32_t size);

  int32_t code;
  int32_t operandCount = 0;
  int32_t operandSizes[kMaxOperands] = {};
  int32_t length = 1;
  int32_t useCount = 0;
  Command* nextInStatistics = nullptr;
};

class Constant : public Identifier {
 public:
  static constexpr int32_t kKind = kKindConstant;
  Constant(const NameKey& name, int32_t value);
  void Print(std::string& out, int indent) const;

  int32_t value;
};

class Label : public Identifier {
 public:
  static constexpr int32_t kKind = kKindLabel;
  // Address -1 marks a label referred to but not yet defined.
  Label(const NameKey& name, int32_t address, bool isString, int32_t length);
  void Print(std::string& out, int indent) const;

  int32_t address;
  uint8_t isString;
  int32_t length;
  SourcePoint firstUse;  // where a label used before its definition was first used
};

class NodeType : public Identifier {
 public:
  static constexpr int32_t kKind = kKindType;
  // Creates the member context, which enters the type into the context
  // current now and becomes the current context itself.
  explicit NodeType(const NameKey& name);
  void Print(std::string& out, int indent) const;

  Context* members;  // destroyed with the context holding the type
};

class Node : public Identifier {
 public:
  static constexpr int32_t kKind = kKindNode;
  Node(int32_t number, const NameKey& name, NodeType* type);
  void Print(std::string& out, int indent) const;

  int32_t number;
  NodeType* type;
};

class StringConstant : public Identifier {
 public:
  static constexpr int32_t kKind = kKindStringConstant;
  // Appends `text` to the string pool.
  StringConstant(const NameKey& name, const char* text);
  void Print(std::string& out, int indent) const;

  int32_t offset;
  int32_t length;
};

// Writes `entity` as a line of the context dump, as its kind says.
void PrintEntity(const Identifier* entity, std::string& out, int indent);

}  // namespace qdl
