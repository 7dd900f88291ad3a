// The parser of the source language: keywords, token bridge, syntax-error
// contexts and the generated LALR(1) engine.
#pragma once

#include <cstdint>

#include "diagnostics/messages.h"

namespace qdl {

// The start of a pass: no syntax-error contexts, no statement state.
void StartParserPass();
// The parser back to its start state, keywords installed afresh.
void ResetParser();

// Start-up: makes a fresh copy of the keyword table and has the lexer
// fold it and enter it into its buckets.  May run again (tests, fuzzing).
void InstallKeywords();
// The folded text of the keyword "конец": the listing text of every
// end-of-code entry.
const char* EndKeywordText();

// Next token for the parser, its value left in the parser's yylval.
int32_t NextParserToken();
// Forgets where the name prefetcher stood (a new pass).
void ResetLookAhead();

// Parses the whole input: 0 when it was accepted, 1 when abandoned.
int Parse();

// The stack of syntax-error contexts: the message a syntax error gets
// names the construct being read.  Ten are enough for the language's
// deepest construct; more pushes are ignored.
constexpr int kMaxErrorContexts = 10;

void ResetErrorContexts();
void PushErrorContext(Message message);
void ReplaceErrorContext(Message message);
void PopErrorContext();
void ReportSyntaxError(const char* text);

}  // namespace qdl
