#include "symbols/resolve.h"

#include "diagnostics/diagnostics.h"

namespace qdl {

Context* LabelContext = nullptr;

namespace {

bool secondPassRequested = false;

Identifier* FindInType(NodeType* type, const NameKey& name) {
  return type != nullptr && type->members != nullptr ? type->members->Find(name) : nullptr;
}

}  // namespace

void RequestSecondPass() { secondPassRequested = true; }
bool IsSecondPassRequested() { return secondPassRequested; }

QualifiedName ResolveQualifiedName(const NameKey* qualifier, const NameKey& name, const NameScope& scope) {
  Node* node = nullptr;
  NodeType* type = nullptr;
  Identifier* member = nullptr;
  SourcePoint namePoint = TextPoint(name.text);
  if (qualifier != nullptr) {
    Identifier* found = CurrentContext != nullptr ? CurrentContext->Find(*qualifier) : nullptr;
    if (found == nullptr) {
      ReportName(kUnknownName, qualifier->text);
    } else if (Node* foundNode = As<Node>(found)) {
      node = foundNode;
      type = foundNode->type;
      if (type != nullptr && type->members != nullptr) member = type->members->FindLocal(name);
    } else if (NodeType* foundType = As<NodeType>(found)) {
      type = foundType;
      if (type->members != nullptr) member = type->members->FindLocal(name);
    } else {
      ReportName(kNotANode, qualifier->text);
    }
  } else {
    if (CurrentContext != nullptr) member = CurrentContext->Find(name);
    if (member == nullptr) member = FindInType(scope.selectedNodeType, name);
    if (member == nullptr) member = FindInType(scope.typeInScope, name);
    if (member == nullptr && scope.inCommandStatement) {
      if (LabelContext != nullptr) {
        if (Label* label = As<Label>(LabelContext->FindLocal(name)))
          member = new (name) Label(name, label->address, label->isString != 0, label->length);
      } else {
        auto* label = new (name) Label(name, -1, false, 0);
        label->firstUse = namePoint;
        member = label;
        RequestSecondPass();
      }
    }
  }
  if (member == nullptr) ReportName(kUnknownName, name.text);
  return {node, type, member, namePoint};
}

void CheckUnresolvedLabels() {
  Context* context = CurrentContext;
  if (context == nullptr) return;
  for (context->cursor = context->entries; context->cursor != nullptr;
       context->cursor = context->cursor->nextInContext) {
    Label* label = As<Label>(context->cursor);
    if (label != nullptr && label->address == -1) ReportFirstUse(kUnknownName, label->Name(), label->firstUse);
  }
}

void EndFirstPass(int32_t codeSize) {
  Context* global = CurrentContext;
  delete LabelContext;
  LabelContext = new Context(kLabelCapacity, nullptr);
  if (global != nullptr) {
    for (global->cursor = global->entries; global->cursor != nullptr;
         global->cursor = global->cursor->nextInContext) {
      Identifier* entry = global->cursor;
      if (Label* label = As<Label>(entry)) {
        NameKey key = label->Key();
        new (key) Label(key, label->address, false, 0);
      } else if (StringConstant* text = As<StringConstant>(entry)) {
        NameKey key = text->Key();
        new (key) Label(key, text->offset + codeSize, true, text->length);
      }
    }
  }
  LabelContext->Detach();
  DestroyGlobalContext();
}

void ResetSymbols() {
  delete LabelContext;
  LabelContext = nullptr;
  DestroyGlobalContext();
  secondPassRequested = false;
}

}  // namespace qdl
