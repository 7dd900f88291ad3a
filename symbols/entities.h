// The six kinds of named things a source declares: commands, numeric
// constants, labels, node types, nodes and string constants.  Every
// constructor except TTip's enters the new entity into the current context.
#pragma once

#include <cstdint>

#include "symbols/context.h"

namespace qdl {

// A command has at most this many operands: the operand count must fit
// the fixed operand-size table that hosts keep per command.
constexpr int32_t kMaxOperands = 10;

class TKomanda : public TIdentifikatop {
 public:
  static constexpr int32_t kKind = kKindCommand;
  TKomanda(char* name, int32_t code);
  void Print(std::string& out, int indent) const override;
  void AddOperand(int32_t size);

  int32_t code;
  int32_t operandCount = 0;
  int32_t operandSizes[kMaxOperands] = {};
  int32_t length = 1;
  int32_t useCount = 0;
  TKomanda* nextInStatistics = nullptr;
};

class TKonctanta : public TIdentifikatop {
 public:
  static constexpr int32_t kKind = kKindConstant;
  TKonctanta(char* name, int32_t value);
  void Print(std::string& out, int indent) const override;

  int32_t value;
};

class TMetka : public TIdentifikatop {
 public:
  static constexpr int32_t kKind = kKindLabel;
  // Address -1 marks a label referred to but not yet defined.
  TMetka(char* name, int32_t address, bool isString, int32_t length);
  void Print(std::string& out, int indent) const override;

  int32_t address;
  uint8_t isString;
  int32_t length;
};

class TTip : public TIdentifikatop {
 public:
  static constexpr int32_t kKind = kKindType;
  // Creates the member context, which enters the type into the context
  // current now and becomes the current context itself.
  explicit TTip(char* name);
  ~TTip() override;
  void Print(std::string& out, int indent) const override;

  TKontekct* members;
};

class TUzel : public TIdentifikatop {
 public:
  static constexpr int32_t kKind = kKindNode;
  TUzel(int32_t number, char* name, TTip* type);
  void Print(std::string& out, int indent) const override;

  int32_t number;
  TTip* type;
};

class TCtpokovajaKonctanta : public TIdentifikatop {
 public:
  static constexpr int32_t kKind = kKindStringConstant;
  // Appends `text` to the string pool and frees it.
  TCtpokovajaKonctanta(char* name, char* text);
  void Print(std::string& out, int indent) const override;

  int32_t offset;
  int32_t length;
};

}  // namespace qdl
