// Actions of command declarations and command statements.
#include <cstdlib>
#include <string>

#include "codegen/code_generator.h"
#include "diagnostics/diagnostics.h"
#include "parser/actions.h"
#include "parser/parser.h"

namespace qdl {

Command* CurrentCommand = nullptr;
int32_t OperandIndex = 0;

namespace {
// Codes 0 and 1 are the end-of-code entry and the node header.
constexpr int32_t kFirstCommandCode = 2;
constexpr int32_t kLastCommandCode = 255;
}  // namespace

void DeclareCommand(char* name, int32_t code) {
  if (CurrentContext->FindLocal(name) != nullptr) {
    ReportError(6, name);
    free(name);
    // The operand declarations that follow belong to no command.
    CurrentCommand = nullptr;
    return;
  }
  if (code == 0 || code == 1)
    ReportError(15, name);
  else if (code < kFirstCommandCode || code > kLastCommandCode)
    ReportError(16, name);
  CurrentCommand = new Command(name, code);
}

void DeclareOperand(char* name, int32_t size) {
  free(name);
  if (CurrentCommand == nullptr) return;
  if (size == 1 || size == 2 || size == 4) {
    CurrentCommand->AddOperand(size);
  } else {
    std::string detail = "[" + std::to_string(size) + "]";
    ReportError(9, detail.c_str());
  }
}

void EndCommandDeclaration() { CurrentCommand = nullptr; }

void BeginCommandStatement(QualifiedName* name) {
  Node* node = name->node;
  NodeType* type = name->type;
  Identifier* member = name->member;
  delete name;
  if (member != nullptr) {
    Command* command = As<Command>(member);
    if (command == nullptr) {
      ReportError(11, member->name.c_str());
    } else {
      CurrentCommand = command;
      ++command->useCount;
      if (node != nullptr) CurrentCodeGenerator->EmitNodeHeader(node->number, command->length, node->name.c_str());
      if (type != nullptr) TypeInScope = type;
      CurrentCodeGenerator->BeginEntry(command->code, command->name.c_str(), node == nullptr);
      OperandIndex = 0;
    }
  }
  InCommandStatement = true;
}

void EmitOperand(int32_t value) {
  if (CurrentCommand == nullptr) return;
  if (OperandIndex >= CurrentCommand->operandCount) {
    ReportError(12);
    return;
  }
  int32_t size = CurrentCommand->operandSizes[OperandIndex++];
  if (size == 1)
    CurrentCodeGenerator->EmitByte(value, true);
  else if (size == 2)
    CurrentCodeGenerator->EmitWord(value);
  else
    CurrentCodeGenerator->EmitLong(value);
}

void EndCommandStatement() {
  ReportUnreportedPendingString();
  if (CurrentCommand != nullptr && CurrentCommand->operandCount != OperandIndex) ReportError(12);
  CurrentCommand = nullptr;
  TypeInScope = nullptr;
  InCommandStatement = false;
}

void EndStatement() { CurrentCodeGenerator->BeginEntry(0, EndKeywordText(), true); }

void ResetSemanticState() {
  CurrentCommand = nullptr;
  OperandIndex = 0;
  InCommandStatement = false;
  TypeInScope = nullptr;
  SelectedNodeType = nullptr;
  ClearPendingString();
}

}  // namespace qdl
