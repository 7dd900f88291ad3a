// Actions of command declarations and command statements.
#include <string>

#include "codegen/code_generator.h"
#include "diagnostics/diagnostics.h"
#include "parser/actions.h"
#include "parser/parser.h"

namespace qdl {

NodeType* SelectedNodeType = nullptr;
NodeType* TypeInScope = nullptr;
bool InCommandStatement = false;
Command* CurrentCommand = nullptr;
int32_t OperandIndex = 0;

namespace {
// Codes below are the end-of-code entry and the node header.
constexpr int32_t kFirstCommandCode = 2;
constexpr int32_t kLastCommandCode = 255;
}  // namespace

void DeclareCommand(OwnedText name, int32_t code) {
  if (CurrentContext->FindLocal(KeyOf(name)) != nullptr) {
    ReportName(kNameExists, name.get());
    // The operand declarations that follow belong to no command.
    CurrentCommand = nullptr;
    return;
  }
  if (code == kEndOfCodeEntry || code == kNodeHeaderEntry)
    ReportName(kReservedCommandCode, name.get());
  else if (code < kFirstCommandCode || code > kLastCommandCode)
    ReportName(kBadCommandCode, name.get());
  CurrentCommand = new (KeyOf(name)) Command(KeyOf(name), code);
}

void DeclareOperand(OwnedText, int32_t size) {
  if (CurrentCommand == nullptr) return;
  if (size == 1 || size == 2 || size == 4) {
    CurrentCommand->AddOperand(size);
  } else {
    Report(kBadOperandSize, "[" + std::to_string(size) + "]");
  }
}

void EndCommandDeclaration() { CurrentCommand = nullptr; }

void BeginCommandStatement(const QualifiedName& name) {
  if (name.member != nullptr) {
    Command* command = As<Command>(name.member);
    if (command == nullptr) {
      ReportAt(name.namePoint, kNotACommand, name.member->Name());
    } else {
      CurrentCommand = command;
      ++command->useCount;
      if (name.node != nullptr)
        CurrentCodeGenerator->EmitNodeHeader(name.node->number, command->length, name.node->Name());
      if (name.type != nullptr) TypeInScope = name.type;
      CurrentCodeGenerator->BeginEntry(command->code, command->Name(), name.node == nullptr);
      OperandIndex = 0;
    }
  }
  InCommandStatement = true;
}

void EmitOperand(int32_t value) {
  if (CurrentCommand == nullptr) return;
  if (OperandIndex >= CurrentCommand->operandCount) {
    Report(kOperandCountMismatch);
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
  if (CurrentCommand != nullptr && CurrentCommand->operandCount != OperandIndex)
    Report(kOperandCountMismatch);
  CurrentCommand = nullptr;
  TypeInScope = nullptr;
  InCommandStatement = false;
}

void AppendEndOfCode() { CurrentCodeGenerator->BeginEntry(kEndOfCodeEntry, EndKeywordText(), true); }

void EndStatement() { AppendEndOfCode(); }

namespace {
// The names resolved last, in turn: more than are ever in use at once.
constexpr int kResolvedNameSlots = 4;
QualifiedName resolvedNames[kResolvedNameSlots];
int nextResolvedName = 0;
}  // namespace

const QualifiedName* ResolveName(OwnedText qualifier, OwnedText name) {
  NameScope scope;
  scope.selectedNodeType = SelectedNodeType;
  scope.typeInScope = TypeInScope;
  scope.inCommandStatement = InCommandStatement;
  QualifiedName& slot = resolvedNames[nextResolvedName];
  nextResolvedName = (nextResolvedName + 1) % kResolvedNameSlots;
  if (qualifier != nullptr) {
    NameKey qualifierKey = KeyOf(qualifier);
    slot = ResolveQualifiedName(&qualifierKey, KeyOf(name), scope);
  } else {
    slot = ResolveQualifiedName(nullptr, KeyOf(name), scope);
  }
  return &slot;
}

void ResetStatementState() {
  CurrentCommand = nullptr;
  OperandIndex = 0;
  InCommandStatement = false;
  TypeInScope = nullptr;
  SelectedNodeType = nullptr;
  ClearPendingString();
  for (QualifiedName& name : resolvedNames) name = QualifiedName{};
  nextResolvedName = 0;
}

}  // namespace qdl
