// The semantic actions the grammar's rules run: declarations, commands
// and expressions.  Texts handed in are heap texts that the action keeps
// in an entity or frees.
#pragma once

#include <cstdint>

#include "symbols/resolve.h"

namespace qdl {

// Declarations.
void IncludeFile(char* name);
void DeclareConstant(char* name, int32_t value);
void BeginType(char* name);
void EndType();
void DeclareNode(char* name, int32_t number, char* typeName);
void SelectNodeType(char* typeName);
void DefineLabel(char* name);

// Commands.
extern Command* CurrentCommand;
extern int32_t OperandIndex;
void DeclareCommand(char* name, int32_t code);
void DeclareOperand(char* name, int32_t size);
void EndCommandDeclaration();
void BeginCommandStatement(QualifiedName* name);
void EmitOperand(int32_t value);
void EndCommandStatement();
void EndStatement();

// Include nesting and count: a file that includes itself ends quickly.
constexpr int kMaxIncludeDepth = 64;
constexpr int32_t kMaxIncludeFiles = 10000;

// Expressions.  Every value is a 32-bit integer with wrap-around.
int32_t ExprNumber(int32_t value);
int32_t ExprString(char* text);
int32_t ExprName(QualifiedName* name);
int32_t ExprDollar();
int32_t ExprSize(QualifiedName* name);
int32_t ExprNegate(int32_t x);
int32_t ExprMultiply(int32_t x, int32_t y);
int32_t ExprDivide(int32_t x, int32_t y);
int32_t ExprAdd(int32_t x, int32_t y);
int32_t ExprSubtract(int32_t x, int32_t y);

// The string constant last written directly in an expression.
bool HasPendingString();
const char* PendingStringText();
void ClearPendingString();
// At a statement's ";": reports a pending string not yet reported.
void ReportUnreportedPendingString();

// Puts every piece of semantic state back to its start-of-pass value.
void ResetSemanticState();

}  // namespace qdl
