// Name resolution and the labels carried from the first pass into the
// second.
#pragma once

#include "symbols/entities.h"

namespace qdl {

// A resolved name reference: the node or type named as qualifier (if
// any) and the entity found; `member` is null when nothing resolved.
struct QualifiedName {
  // Resolves `name` (within `qualifier` when it is not null), reporting
  // what does not resolve.  Takes over both heap texts.
  QualifiedName(char* qualifier, char* name);

  Node* node = nullptr;
  NodeType* type = nullptr;
  Identifier* member = nullptr;
};

// Labels of the first pass for the second; null during the first pass,
// so its presence tells the passes apart.
extern Context* LabelContext;
// Set when the first pass needs a second one; never cleared in a run.
extern bool SecondPassRequested;

// Semantic state that resolution reads; the parser's actions set it.
extern NodeType* SelectedNodeType;    // chosen by "этот_узел тип"
extern NodeType* TypeInScope;         // type being declared, or qualifier
extern bool InCommandStatement;   // from a statement's name to its ";"

// Reports every label of the current context still without an address.
void CheckUnresolvedLabels();
// Builds the label context from the current (global) context.
void BuildLabelContext();

}  // namespace qdl
