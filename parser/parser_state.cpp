// The parser's state as a whole: what a pass starts with and the reset.
#include "parser/actions.h"
#include "parser/parser.h"

namespace qdl {

void StartParserPass() {
  ResetErrorContexts();
  ResetStatementState();
  ResetLookAhead();
}

void ResetParser() {
  StartParserPass();
  InstallKeywords();
}

}  // namespace qdl
