#include "symbols/resolve.h"

#include <cstdlib>
#include <cstring>

#include "codegen/code_generator.h"
#include "diagnostics/diagnostics.h"

namespace qdl {

Context* LabelContext = nullptr;
bool SecondPassRequested = false;
NodeType* SelectedNodeType = nullptr;
NodeType* TypeInScope = nullptr;
bool InCommandStatement = false;

namespace {

char* CopyText(const std::string& text) { return strdup(text.c_str()); }

Identifier* FindInType(NodeType* type, const char* name) {
  return type != nullptr && type->members != nullptr ? type->members->Find(name) : nullptr;
}

}  // namespace

QualifiedName::QualifiedName(char* qualifier, char* name) {
  bool nameTaken = false;
  if (qualifier != nullptr) {
    Identifier* found = CurrentContext != nullptr ? CurrentContext->Find(qualifier) : nullptr;
    if (found == nullptr) {
      ReportError(13, qualifier);
    } else if (Node* foundNode = As<Node>(found)) {
      node = foundNode;
      type = foundNode->type;
      if (type != nullptr && type->members != nullptr) member = type->members->FindLocal(name);
    } else if (NodeType* foundType = As<NodeType>(found)) {
      type = foundType;
      if (type->members != nullptr) member = type->members->FindLocal(name);
    } else {
      ReportError(18, qualifier);
    }
    free(qualifier);
  } else {
    if (CurrentContext != nullptr) member = CurrentContext->Find(name);
    if (member == nullptr) member = FindInType(SelectedNodeType, name);
    if (member == nullptr) member = FindInType(TypeInScope, name);
    if (member == nullptr && InCommandStatement) {
      if (LabelContext != nullptr) {
        if (Label* label = As<Label>(LabelContext->FindLocal(name)))
          member = new Label(CopyText(label->name), label->address, label->isString != 0, label->length);
      } else {
        member = new Label(name, -1, false, 0);
        nameTaken = true;
        SecondPassRequested = true;
      }
    }
  }
  if (member == nullptr) ReportError(13, name);
  if (!nameTaken) free(name);
}

void CheckUnresolvedLabels() {
  Context* context = CurrentContext;
  if (context == nullptr) return;
  for (context->cursor = context->entries; context->cursor != nullptr;
       context->cursor = context->cursor->nextInContext) {
    Label* label = As<Label>(context->cursor);
    if (label != nullptr && label->address == -1) ReportError(13, label->name.c_str());
  }
}

void BuildLabelContext() {
  Context* global = CurrentContext;
  int32_t codeSize = CurrentCodeGenerator != nullptr ? CurrentCodeGenerator->size : 0;
  LabelContext = new Context(kLabelCapacity, nullptr);
  if (global != nullptr) {
    for (global->cursor = global->entries; global->cursor != nullptr;
         global->cursor = global->cursor->nextInContext) {
      Identifier* entry = global->cursor;
      if (Label* label = As<Label>(entry)) {
        new Label(CopyText(label->name), label->address, false, 0);
      } else if (StringConstant* text = As<StringConstant>(entry)) {
        new Label(CopyText(text->name), text->offset + codeSize, true, text->length);
      }
    }
  }
  LabelContext->Detach();
}

}  // namespace qdl
