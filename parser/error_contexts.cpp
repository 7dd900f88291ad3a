#include "diagnostics/diagnostics.h"
#include "parser/parser.h"

namespace qdl {

namespace {
int32_t contexts[kMaxErrorContexts];
int contextCount = 0;
}  // namespace

void ResetErrorContexts() { contextCount = 0; }

void PushErrorContext(int32_t message) {
  if (contextCount < kMaxErrorContexts) contexts[contextCount++] = message;
}

void ReplaceErrorContext(int32_t message) {
  if (contextCount > 0) contexts[contextCount - 1] = message;
}

void PopErrorContext() {
  if (contextCount > 0) --contextCount;
}

void ReportSyntaxError(const char* text) {
  if (contextCount > 0)
    ReportError(contexts[contextCount - 1]);
  else
    ReportError(-18, text);
}

}  // namespace qdl
