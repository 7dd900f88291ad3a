#include <string>

#include "codegen/code_generator.h"
#include "diagnostics/diagnostics.h"
#include "parser/actions.h"

namespace qdl {

namespace {

bool pendingSet = false;
bool pendingReported = false;
std::string pendingText;

// The check of every reduction that may follow a string constant: a text
// in an expression has no value of its own.
void ReportStringInExpression() {
  if (!pendingSet) return;
  Report(kStringInExpression, pendingText);
  pendingReported = true;
}

int32_t Wrap(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace

bool HasPendingString() { return pendingSet; }
const char* PendingStringText() { return pendingText.c_str(); }

void ClearPendingString() {
  pendingSet = false;
  pendingReported = false;
  pendingText.clear();
}

void ReportUnreportedPendingString() {
  if (pendingSet && !pendingReported) ReportStringInExpression();
}

int32_t ExprNumber(int32_t value) {
  ReportStringInExpression();
  return value;
}

int32_t ExprString(OwnedText text) {
  // In a command statement every text is reported at least once: one
  // that a later text would replace unreported is reported now.
  if (InCommandStatement) ReportUnreportedPendingString();
  pendingSet = true;
  pendingReported = false;
  pendingText = text.get();
  return 0;
}

int32_t ExprName(const QualifiedName& name) {
  Identifier* member = name.member;
  int32_t value = 0;
  if (member == nullptr) {
    ReportAt(name.namePoint, kBadExpressionElement);
  } else if (Constant* constant = As<Constant>(member)) {
    value = constant->value;
  } else if (Label* label = As<Label>(member)) {
    value = label->address;
  } else if (StringConstant* text = As<StringConstant>(member)) {
    value = text->offset;
  } else {
    ReportAt(name.namePoint, kBadExpressionElement, member->Name());
  }
  ReportStringInExpression();
  return value;
}

int32_t ExprDollar() {
  ReportStringInExpression();
  return CurrentCodeGenerator != nullptr ? CurrentCodeGenerator->entryStart : 0;
}

int32_t ExprSize(const QualifiedName& name) {
  Identifier* member = name.member;
  int32_t value = 0;
  Label* label = As<Label>(member);
  if (Command* command = As<Command>(member)) {
    value = command->length;
  } else if (label != nullptr && label->isString) {
    value = label->length;
  } else if (StringConstant* text = As<StringConstant>(member)) {
    value = text->length;
  } else {
    ReportAt(name.namePoint, kNotACommand, member != nullptr ? member->Name() : nullptr);
  }
  ReportStringInExpression();
  return value;
}

int32_t ExprNegate(int32_t x) {
  ReportStringInExpression();
  return Wrap(-static_cast<int64_t>(x));
}

int32_t ExprMultiply(int32_t x, int32_t y) {
  ReportStringInExpression();
  return Wrap(static_cast<int64_t>(x) * y);
}

int32_t ExprDivide(int32_t x, int32_t y) {
  if (y == 0) {
    Report(kDivisionByZero);
    return 0;
  }
  ReportStringInExpression();
  // The one quotient outside the range, INT32_MIN / -1, wraps to INT32_MIN.
  return Wrap(static_cast<int64_t>(x) / y);
}

int32_t ExprAdd(int32_t x, int32_t y) {
  ReportStringInExpression();
  return Wrap(static_cast<int64_t>(x) + y);
}

int32_t ExprSubtract(int32_t x, int32_t y) {
  ReportStringInExpression();
  return Wrap(static_cast<int64_t>(x) - y);
}

}  // namespace qdl
