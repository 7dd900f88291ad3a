// The semantic actions the grammar's rules run: declarations, commands
// and expressions.  Texts handed in are heap texts that the action keeps
// in an entity or frees.
#pragma once

#include <cstdint>
#include <memory>

#include "symbols/resolve.h"
#include "text/owned_text.h"

namespace qdl {

// The statement state: what the statement or declaration being compiled
// has selected.  It lives for a pass and is reset at its start.
extern NodeType* SelectedNodeType;  // chosen by "этот_узел тип"
extern NodeType* TypeInScope;       // type being declared, or qualifier
extern bool InCommandStatement;     // from a statement's name to its ";"
extern Command* CurrentCommand;     // being declared, or in a statement
extern int32_t OperandIndex;        // next operand of a command statement

// The name of a token text, hashed when the token was read.
inline NameKey KeyOf(const OwnedText& text) { return NameKey(text.get(), TextLength(text.get()), TextKey(text.get())); }

// Declarations.
void IncludeFile(OwnedText name);
void DeclareConstant(OwnedText name, int32_t value);
void BeginType(OwnedText name);
void EndType();
void DeclareNode(OwnedText name, int32_t number, OwnedText typeName);
void SelectNodeType(OwnedText typeName);
void DefineLabel(OwnedText name);

// Commands.
void DeclareCommand(OwnedText name, int32_t code);
void DeclareOperand(OwnedText name, int32_t size);
void EndCommandDeclaration();
void BeginCommandStatement(const QualifiedName& name);
void EmitOperand(int32_t value);
void EndCommandStatement();
void EndStatement();
// Appends the end-of-code entry, listed as the keyword "конец".
void AppendEndOfCode();

// Names, resolved with the statement state.  The result stays valid
// until the next few names are resolved: every rule that takes a resolved
// name takes it before another name can be read (the name of a statement
// at the statement's first operand, one in an expression at once, one in
// "размер(...)" at the ")"), so one at a time is ever in use.
const QualifiedName* ResolveName(OwnedText qualifier, OwnedText name);

// Expressions.  Every value is a 32-bit integer with wrap-around.
int32_t ExprNumber(int32_t value);
int32_t ExprString(OwnedText text);
int32_t ExprName(const QualifiedName& name);
int32_t ExprDollar();
int32_t ExprSize(const QualifiedName& name);
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

// Puts the statement state back to its start-of-pass value.
void ResetStatementState();

}  // namespace qdl
