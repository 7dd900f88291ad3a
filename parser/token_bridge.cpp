// The token bridge: the lexer's tokens as the parser's, with real and
// character constants reported and dropped, and the names ahead of the
// lexer prefetched where the tables have outgrown the caches.
#include <cstdlib>
#include <cstring>

#include "lexer/lexer.h"
#include "diagnostics/diagnostics.h"
#include "parser/generated/grammar.hh"
#include "parser/parser.h"
#include "streams/input_stream.h"
#include "symbols/context.h"
#include "text/owned_text.h"

namespace qdl {

namespace {

// Looking ahead for names.  In a large table every lookup of an older
// name waits for memory twice: for the name's slot, then for its entry.
// So, as the lexer hands over names, a scanner runs on over the block's
// unread bytes to the names further on, hashes them and has their slots
// loaded; one batch later, when those names are nearer and their slots
// in the cache, their entries are loaded too.  The loads of a batch are
// asked for one right after another: a load that waits for memory (for
// its page's address, then its line) holds up the code after it, and
// loads asked for together wait at the same time.  Only memory is
// touched early: what the scanner finds (names in comments and strings,
// keywords) changes nothing but which lines are loaded.
constexpr int kBatch = 8;         // names scanned at a time
constexpr int kNamesAhead = 12;   // a batch is scanned when fewer are ahead
constexpr int kScanBudget = 512;  // bytes scanned at most for a batch
constexpr size_t kLongestScanned = 64;
// Where the names looked up are mostly the newest ones (each declaration
// using the one before), early loads gain nothing and the scanning costs:
// after a sample of names with few entries worth loading, the scanner
// rests for a while, then samples again.  In a very large table it keeps
// loading the slots of the names that lines start with then: the slots
// of new names miss there too.
constexpr int kSampleNames = 64;
constexpr int kWorthLoadingShare = 8;  // at least one in eight
constexpr int kRestNames = 2048;

struct LookAhead {
  // Where the scanner stands in the block of `blockStart`, `blockBase`.
  const unsigned char* blockStart = nullptr;
  int64_t blockBase = -1;
  const unsigned char* position = nullptr;
  int lead = 0;  // names found ahead of the lexer, about
  // Hashes of the last batch, whose entries are loaded with the next.
  uint32_t pending[kBatch] = {};
  int pendingCount = 0;
  // The sample: names whose entries were looked at, and how many of
  // those were worth loading; names handed over still to rest.
  int sampled = 0;
  int worthLoading = 0;
  int rest = 0;
};
LookAhead ahead;

// `p` moved past the run of letters and digits it starts, and the hash
// of the run when it is a name; false for a number (a digit first, the
// letters of its base and suffix after), a run that reaches `end` or one
// longer than the scanner takes.
bool ScanName(const unsigned char*& p, const unsigned char* end, uint32_t& hash) {
  const unsigned char* start = p;
  unsigned char high = 0;
  while (p < end && (FoldedCharClass[*p] & (CC_LETTER | CC_DEC)) != 0) high |= *p++;
  auto length = static_cast<size_t>(p - start);
  if ((CharClass[*start] & CC_LETTER) == 0 || p == end || length > kLongestScanned) return false;
  if (high < 0x80) {
    // Names of Latin letters fold into themselves.
    hash = HashName(reinterpret_cast<const char*>(start), length);
  } else {
    char folded[kLongestScanned];
    for (size_t i = 0; i < length; ++i) folded[i] = static_cast<char>(CharMap[start[i]]);
    hash = HashName(folded, length);
  }
  return true;
}

// While the scanner rests in a very large table, only the first name of
// each line ahead of the lexer has its slot loaded: that is where
// declarations put the names they make, whose slots are the ones not in
// the cache.  The lines are taken a batch at a time, when fewer than
// kLineHeadBytes are left ahead, and the batch's slots asked for one
// right after another, so that their waits for memory overlap.
constexpr ptrdiff_t kLineHeadBytes = 128;
constexpr int kLineHeadBatch = 16;

// Puts the scanner at the lexer's place when it is in another block or
// stream, or the lexer got past it; true then.
bool Restart(const InputStream* stream, LookAhead& a) {
  if (a.blockStart == stream->start && a.blockBase == stream->blockBase && a.position >= stream->position &&
      a.position <= stream->limit)
    return false;
  a.blockStart = stream->start;
  a.blockBase = stream->blockBase;
  a.position = stream->position;
  return true;
}

void PrefetchLineHeads(const InputStream* stream, const Context* context, LookAhead& a) {
  Restart(stream, a);
  const unsigned char* p = a.position;
  if (p - stream->position >= kLineHeadBytes) return;
  const unsigned char* end = stream->limit;
  uint32_t hashes[kLineHeadBatch];
  int count = 0;
  while (p < end && count < kLineHeadBatch) {
    const void* lineEnd = memchr(p, '\n', static_cast<size_t>(end - p));
    if (lineEnd == nullptr) {
      p = end;
      break;
    }
    p = static_cast<const unsigned char*>(lineEnd) + 1;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p < end && (CharClass[*p] & CC_LETTER) != 0 && ScanName(p, end, hashes[count])) ++count;
  }
  for (int i = 0; i < count; ++i) context->Prefetch(hashes[i]);
  a.position = p;
}

// The scanner's run for the name just handed over, in a large table.
// Kept out of line: the profile of the optimised build is trained on
// small sources, which never get here, and a function the training never
// ran is compiled as if there were no profile, where code inlined into a
// trained caller would be laid out as never run.
[[gnu::noinline]] void ScanAhead(const InputStream* stream, const Context* context) {
  LookAhead& a = ahead;
  if (a.rest > 0) {
    if (--a.rest == 0) {
      a.blockStart = nullptr;  // starts afresh
    } else if (context->IsVeryLarge()) {
      PrefetchLineHeads(stream, context, a);
    }
    return;
  }
  if (Restart(stream, a)) {
    a.lead = 0;
    a.pendingCount = 0;
  } else if (a.lead > 0) {
    --a.lead;
  }
  if (a.lead >= kNamesAhead) return;
  const unsigned char* p = a.position;
  const unsigned char* end = stream->limit;
  const unsigned char* stop = end - p > kScanBudget ? p + kScanBudget : end;
  uint32_t batch[kBatch];
  int count = 0;
  while (p < stop && count < kBatch) {
    if ((CharClass[*p] & (CC_LETTER | CC_DEC)) == 0) {
      ++p;
      continue;
    }
    if (ScanName(p, end, batch[count])) ++count;
  }
  a.position = p;
  a.lead += count;
  for (int i = 0; i < count; ++i) context->Prefetch(batch[i]);
  for (int i = 0; i < a.pendingCount; ++i) {
    if (context->PrefetchEntry(a.pending[i])) ++a.worthLoading;
    if (++a.sampled == kSampleNames) {
      if (a.worthLoading * kWorthLoadingShare < kSampleNames) a.rest = kRestNames;
      a.sampled = a.worthLoading = 0;
    }
  }
  memcpy(a.pending, batch, sizeof batch[0] * static_cast<size_t>(count));
  a.pendingCount = count;
}

// Called as the lexer hands over a name.
inline void PrefetchAhead() {
  const InputStream* stream = CurrentStream;
  const Context* context = CurrentContext;
  // Small tables stay in the cache.
  if (stream != nullptr && context != nullptr && context->IsLarge()) ScanAhead(stream, context);
}

}  // namespace

void ResetLookAhead() { ahead = LookAhead(); }

int32_t NextParserToken() {
  for (;;) {
    int32_t token = NextToken();
    switch (token) {
      case LEX_IDENTIFIER:
      case LEX_STRING: {
        // A name is hashed here only: the hash goes with its text.  It
        // is looked up when the parser has read the token after it: have
        // its slot of the current table on the way.
        const char* hashed = token == LEX_IDENTIFIER && TokenSourceText != nullptr ? TokenSourceText : TokenText;
        uint32_t hash = HashName(hashed, static_cast<size_t>(TokenLength));
        if (token == LEX_IDENTIFIER && CurrentContext != nullptr) {
          CurrentContext->Prefetch(hash);
          PrefetchAhead();
        }
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
