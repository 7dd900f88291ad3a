// The token bridge: the lexer's tokens as the parser's, with real and
// character constants reported and dropped.
#include <cstdlib>
#include <cstring>

#include "lexer/lexer.h"
#include "diagnostics/diagnostics.h"
#include "parser/generated/grammar.hh"
#include "parser/parser.h"
#include "symbols/context.h"
#include "text/owned_text.h"

namespace qdl {

int32_t NextParserToken() {
  for (;;) {
    int32_t token = NextToken();
    switch (token) {
      case LEX_IDENTIFIER:
      case LEX_STRING: {
        // A name is hashed here only: the hash goes with its text.  It
        // is looked up when the parser has read the token after it: have
        // its slot of the current table on the way.
        uint32_t hash = HashName(TokenText, static_cast<size_t>(TokenLength));
        if (token == LEX_IDENTIFIER && CurrentContext != nullptr) CurrentContext->Prefetch(hash);
        char* copy = NewText(TokenText, static_cast<size_t>(TokenLength), hash);
        RememberTextPoint(copy, LastTokenPoint);
        yylval.text = copy;
        return token == LEX_IDENTIFIER ? IDENTIFIER : STRING;
      }
      case LEX_INTEGER:
        yylval.num = TokenValue;
        return NUMBER;
      case LEX_REAL:
        Report(kRealNotAllowed, TokenText);
        break;
      case LEX_CHARACTER:
        Report(kCharacterNotAllowed, TokenText);
        break;
      default:
        return token;
    }
  }
}

}  // namespace qdl
