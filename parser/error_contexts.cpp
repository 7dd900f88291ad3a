// The stack of syntax-error contexts.
#include "diagnostics/diagnostics.h"
#include "parser/parser.h"

namespace qdl {

namespace {
Message contexts[kMaxErrorContexts];
int contextCount = 0;
}  // namespace

void ResetErrorContexts() { contextCount = 0; }

void PushErrorContext(Message message) {
  if (contextCount < kMaxErrorContexts) contexts[contextCount++] = message;
}

void ReplaceErrorContext(Message message) {
  if (contextCount > 0) contexts[contextCount - 1] = message;
}

void PopErrorContext() {
  if (contextCount > 0) --contextCount;
}

void ReportSyntaxError(const char* text) {
  if (contextCount > 0)
    Report(contexts[contextCount - 1]);
  else
    Report(kBadConstruct, text);
}

}  // namespace qdl
