#include "symbols/context.h"

#include <utility>
#include <vector>

#include "symbols/entities.h"

namespace qdl {

Context* CurrentContext = nullptr;

namespace {
Context* globalContext = nullptr;
}  // namespace

void OpenGlobalContext() {
  DestroyGlobalContext();
  globalContext = new Context(kGlobalCapacity, nullptr);
}

void RestoreGlobalContext() { CurrentContext = globalContext; }

void DestroyGlobalContext() {
  delete globalContext;
  globalContext = nullptr;
  CurrentContext = nullptr;
}

Identifier::Identifier(std::string text, int32_t kindNumber) : name(std::move(text)), kind(kindNumber) {}

void Identifier::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += name + " [" + std::to_string(kind) + "]";
}

void BeginDumpLine(std::string& out, int indent) {
  out += '\n';
  out.append(static_cast<size_t>(indent) * 2, ' ');
}

Context::Context(int32_t capacityHint, Identifier* ownerEntity)
    : parent(CurrentContext), owner(ownerEntity), capacity(capacityHint) {
  CurrentContext = this;
  if (owner != nullptr && parent != nullptr) parent->Insert(owner);
}

namespace {

// Destroys the entries of `context`, handing the member contexts of its
// types to `pending` instead of destroying them recursively: abandoned
// type declarations can nest contexts arbitrarily deep.
void DestroyEntries(Context* context, std::vector<Context*>& pending) {
  Identifier* entry = context->entries;
  context->entries = nullptr;
  while (entry != nullptr) {
    Identifier* next = entry->nextInContext;
    if (NodeType* type = As<NodeType>(entry)) {
      if (type->members != nullptr) pending.push_back(type->members);
      type->members = nullptr;
    }
    delete entry;
    entry = next;
  }
}

}  // namespace

Context::~Context() {
  std::vector<Context*> pending;
  DestroyEntries(this, pending);
  while (!pending.empty()) {
    Context* inner = pending.back();
    pending.pop_back();
    DestroyEntries(inner, pending);
    inner->closed = true;  // it leaves no trace on the current context
    delete inner;
  }
  if (!closed) CurrentContext = parent;
}

void Context::PrintOwner(std::string& out, int indent) const {
  if (owner == nullptr) return;
  BeginDumpLine(out, indent);
  owner->Print(out, indent);
}

void Context::PrintEntries(std::string& out, int indent) const {
  for (Identifier* entry = entries; entry != nullptr; entry = entry->nextInContext)
    entry->Print(out, indent);
}

void Context::Insert(Identifier* entity) {
  entity->nextInContext = entries;
  entries = entity;
  Identifier*& newest = table_[std::string_view(entity->name)];
  entity->nextInBucket = newest;
  newest = entity;
}

Identifier* Context::FindLocal(const char* name) const {
  if (table_.empty()) return nullptr;
  auto it = table_.find(std::string_view(name));
  return it == table_.end() ? nullptr : it->second;
}

Identifier* Context::Find(const char* name) const {
  for (const Context* context = this; context != nullptr; context = context->parent) {
    if (Identifier* found = context->FindLocal(name)) return found;
  }
  return nullptr;
}

void Context::Close() {
  closed = true;
  CurrentContext = parent;
}

void Context::Detach() {
  Close();
  parent = nullptr;
}

}  // namespace qdl
