// Name resolution and the labels carried from the first pass into the
// second.
#pragma once

#include "symbols/entities.h"

namespace qdl {

// Where else a name of the statement being compiled may be found, besides
// the current context and those around it: the parser's statement state.
struct NameScope {
  NodeType* selectedNodeType = nullptr;  // chosen by "этот_узел тип"
  NodeType* typeInScope = nullptr;       // type being declared, or qualifier
  bool inCommandStatement = false;       // from a statement's name to its ";"
};

// A resolved name reference: the node or type named as qualifier (if
// any) and the entity found; `member` is null when nothing resolved.
struct QualifiedName {
  Node* node;
  NodeType* type;
  Identifier* member;
  SourcePoint namePoint;  // where the name (after the qualifier) stands
};

// Resolves `name` (within `qualifier` when it is not null), reporting
// what does not resolve.  In a command statement a name not found is a
// label defined further on: the first pass enters it undefined and asks
// for a second pass, which finds its address in the label context.
QualifiedName ResolveQualifiedName(const NameKey* qualifier, const NameKey& name, const NameScope& scope);

// Labels of the first pass for the second; null during the first pass,
// so its presence tells the passes apart.
extern Context* LabelContext;

// The first pass asks for a second one when it met a name before its
// declaration or declared a string constant.  Cleared only by the reset.
void RequestSecondPass();
bool IsSecondPassRequested();

// Reports every label of the current context still without an address.
void CheckUnresolvedLabels();
// Ends the first pass: builds the label context from the global context
// (string constants become string labels at their final address behind
// `codeSize` bytes of code), then destroys the global context.
void EndFirstPass(int32_t codeSize);

// Destroys the contexts of the run and clears the second-pass request.
void ResetSymbols();

}  // namespace qdl
