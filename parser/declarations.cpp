// Actions of the declarations: include, constants, types, nodes, the
// this-node type and labels.
#include <utility>

#include "codegen/code_generator.h"
#include "diagnostics/diagnostics.h"
#include "parser/actions.h"
#include "streams/input_stream.h"

namespace qdl {

void IncludeFile(OwnedText name) { OpenIncludeFile(name.get()); }

namespace {

// Whether `name` is free in the current context; reports it when not.
bool NameIsFree(const OwnedText& name) {
  if (CurrentContext->FindLocal(KeyOf(name)) == nullptr) return true;
  ReportName(kNameExists, name.get());
  return false;
}

void DeclareStringConstant(OwnedText name, const char* text) {
  // A string constant belongs to the program, not to a type: the labels
  // that carry string addresses into the second pass are global.
  if (CurrentContext->owner != nullptr) {
    ReportName(kStringInTypeBody, name.get());
    return;
  }
  if (LabelContext == nullptr) {
    if (!NameIsFree(name)) return;
    new (KeyOf(name)) StringConstant(KeyOf(name), text);
    RequestSecondPass();
    return;
  }
  Label* label = As<Label>(LabelContext->FindLocal(KeyOf(name)));
  if (label == nullptr || !label->isString) ReportName(kNameExists, name.get());
}

}  // namespace

void DeclareConstant(OwnedText name, int32_t value) {
  if (HasPendingString())
    DeclareStringConstant(std::move(name), PendingStringText());
  else if (NameIsFree(name))
    new (KeyOf(name)) Constant(KeyOf(name), value);
}

void BeginType(OwnedText name) {
  if (NameIsFree(name)) TypeInScope = new (KeyOf(name)) NodeType(KeyOf(name));
}

void EndType() {
  if (TypeInScope == nullptr) return;
  if (TypeInScope->members != nullptr) TypeInScope->members->Close();
  TypeInScope = nullptr;
}

namespace {

NodeType* FindType(const OwnedText& name) { return As<NodeType>(CurrentContext->Find(KeyOf(name))); }

}  // namespace

void DeclareNode(OwnedText name, int32_t number, OwnedText typeName) {
  if (!NameIsFree(name)) return;
  NodeType* type = FindType(typeName);
  if (type == nullptr)
    ReportName(kNotANodeType, typeName.get());
  else
    new (KeyOf(name)) Node(number, KeyOf(name), type);
}

void SelectNodeType(OwnedText typeName) {
  NodeType* type = FindType(typeName);
  if (type == nullptr)
    ReportName(kNotANodeType, typeName.get());
  else
    SelectedNodeType = type;
}

void DefineLabel(OwnedText name) {
  Identifier* found = CurrentContext->Find(KeyOf(name));
  int32_t address = CurrentCodeGenerator->size;
  if (found == nullptr) {
    new (KeyOf(name)) Label(KeyOf(name), address, false, 0);
    return;
  }
  Label* label = As<Label>(found);
  if (label != nullptr && LabelContext != nullptr) {
    // A use before the definition copied the first pass's address.
  } else if (label != nullptr && label->address == -1) {
    label->address = address;
  } else {
    ReportName(kNameExists, name.get());
  }
}

}  // namespace qdl
