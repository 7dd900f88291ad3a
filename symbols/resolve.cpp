#include "symbols/resolve.h"

#include <cstdlib>
#include <cstring>

#include "codegen/codegen.h"
#include "lexlib/diagnostics.h"

namespace qdl {

TKontekct* LabelContext = nullptr;
bool SecondPassRequested = false;
TTip* SelectedNodeType = nullptr;
TTip* TypeInScope = nullptr;
bool InCommandStatement = false;

namespace {

char* CopyText(const std::string& text) { return strdup(text.c_str()); }

TIdentifikatop* FindInType(TTip* type, const char* name) {
  return type != nullptr && type->members != nullptr ? type->members->Find(name) : nullptr;
}

}  // namespace

TKvalificipovannoeImja::TKvalificipovannoeImja(char* qualifier, char* name) {
  bool nameTaken = false;
  if (qualifier != nullptr) {
    TIdentifikatop* found = CurrentContext != nullptr ? CurrentContext->Find(qualifier) : nullptr;
    if (found == nullptr) {
      ReportError(13, qualifier);
    } else if (TUzel* foundNode = As<TUzel>(found)) {
      node = foundNode;
      type = foundNode->type;
      if (type != nullptr && type->members != nullptr) member = type->members->FindLocal(name);
    } else if (TTip* foundType = As<TTip>(found)) {
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
        if (TMetka* label = As<TMetka>(LabelContext->FindLocal(name)))
          member = new TMetka(CopyText(label->name), label->address, label->isString != 0, label->length);
      } else {
        member = new TMetka(name, -1, false, 0);
        nameTaken = true;
        SecondPassRequested = true;
      }
    }
  }
  if (member == nullptr) ReportError(13, name);
  if (!nameTaken) free(name);
}

void CheckUnresolvedLabels() {
  TKontekct* context = CurrentContext;
  if (context == nullptr) return;
  for (context->cursor = context->entries; context->cursor != nullptr;
       context->cursor = context->cursor->nextInContext) {
    TMetka* label = As<TMetka>(context->cursor);
    if (label != nullptr && label->address == -1) ReportError(13, label->name.c_str());
  }
}

void BuildLabelContext() {
  TKontekct* global = CurrentContext;
  int32_t codeSize = CurrentCodeGenerator != nullptr ? CurrentCodeGenerator->size : 0;
  LabelContext = new TKontekct(kLabelCapacity, nullptr);
  if (global != nullptr) {
    for (global->cursor = global->entries; global->cursor != nullptr;
         global->cursor = global->cursor->nextInContext) {
      TIdentifikatop* entry = global->cursor;
      if (TMetka* label = As<TMetka>(entry)) {
        new TMetka(CopyText(label->name), label->address, false, 0);
      } else if (TCtpokovajaKonctanta* text = As<TCtpokovajaKonctanta>(entry)) {
        new TMetka(CopyText(text->name), text->offset + codeSize, true, text->length);
      }
    }
  }
  LabelContext->Detach();
}

}  // namespace qdl
