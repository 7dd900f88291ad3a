// Actions of the declarations: include, constants, types, nodes, the
// this-node type and labels.
#include <cstdlib>
#include <cstring>

#include "codegen/code_generator.h"
#include "driver/command_line.h"
#include "diagnostics/diagnostics.h"
#include "streams/input_stream.h"
#include "parser/actions.h"

namespace qdl {

void IncludeFile(char* name) {
  if (StreamDepth() - 1 >= kMaxIncludeDepth) {
    ReportError(-23, name);
  } else if (IncludeFilesOpened >= kMaxIncludeFiles) {
    ReportError(-24, name);
  } else {
    auto* stream = new SourceFileStream(name, ".qdl", kIncludeBufferRequest,
                                                IncludeSearchPath.c_str());
    if (stream->status == 0) ++IncludeFilesOpened;
  }
  free(name);
}

namespace {

void DeclareNumericConstant(char* name, int32_t value) {
  if (CurrentContext->FindLocal(name) != nullptr) {
    ReportError(6, name);
    free(name);
    return;
  }
  new Constant(name, value);
}

void DeclareStringConstant(char* name, const char* text) {
  // A string constant belongs to the program, not to a type: the labels
  // that carry string addresses into the second pass are global.
  if (CurrentContext->owner != nullptr) {
    ReportError(31, name);
    free(name);
    return;
  }
  if (LabelContext == nullptr) {
    if (CurrentContext->FindLocal(name) != nullptr) {
      ReportError(6, name);
      free(name);
      return;
    }
    new StringConstant(name, strdup(text));
    SecondPassRequested = true;
    return;
  }
  Label* label = As<Label>(LabelContext->FindLocal(name));
  if (label == nullptr || !label->isString) ReportError(6, name);
  free(name);
}

}  // namespace

void DeclareConstant(char* name, int32_t value) {
  if (HasPendingString())
    DeclareStringConstant(name, PendingStringText());
  else
    DeclareNumericConstant(name, value);
}

void BeginType(char* name) {
  if (CurrentContext->FindLocal(name) != nullptr) {
    ReportError(6, name);
    free(name);
    return;
  }
  TypeInScope = new NodeType(name);
}

void EndType() {
  if (TypeInScope == nullptr) return;
  if (TypeInScope->members != nullptr) TypeInScope->members->Close();
  TypeInScope = nullptr;
}

namespace {

NodeType* FindType(const char* name) { return As<NodeType>(CurrentContext->Find(name)); }

}  // namespace

void DeclareNode(char* name, int32_t number, char* typeName) {
  if (CurrentContext->FindLocal(name) != nullptr) {
    ReportError(6, name);
    free(name);
    free(typeName);
    return;
  }
  NodeType* type = FindType(typeName);
  if (type == nullptr) {
    ReportError(4, typeName);
    free(name);
  } else {
    new Node(number, name, type);
  }
  free(typeName);
}

void SelectNodeType(char* typeName) {
  NodeType* type = FindType(typeName);
  if (type == nullptr)
    ReportError(4, typeName);
  else
    SelectedNodeType = type;
  free(typeName);
}

void DefineLabel(char* name) {
  Identifier* found = CurrentContext->Find(name);
  int32_t address = CurrentCodeGenerator->size;
  if (found == nullptr) {
    new Label(name, address, false, 0);
    return;
  }
  Label* label = As<Label>(found);
  if (label != nullptr && LabelContext != nullptr) {
    // A use before the definition copied the first pass's address.
  } else if (label != nullptr && label->address == -1) {
    label->address = address;
  } else {
    ReportError(6, name);
  }
  free(name);
}

}  // namespace qdl
