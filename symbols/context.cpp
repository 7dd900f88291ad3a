#include "symbols/context.h"

#include <cstdlib>
#include <vector>

#include "symbols/entities.h"

namespace qdl {

TKontekct* CurrentContext = nullptr;

TIdentifikatop::TIdentifikatop(char* text, int32_t kindNumber)
    : name(text != nullptr ? text : ""), kind(kindNumber) {
  free(text);
}

void TIdentifikatop::Print(std::string& out, int indent) const {
  BeginDumpLine(out, indent);
  out += name + " [" + std::to_string(kind) + "]";
}

void BeginDumpLine(std::string& out, int indent) {
  out += '\n';
  out.append(static_cast<size_t>(indent) * 2, ' ');
}

TKontekct::TKontekct(int32_t capacityHint, TIdentifikatop* ownerEntity)
    : parent(CurrentContext), owner(ownerEntity), capacity(capacityHint) {
  CurrentContext = this;
  if (owner != nullptr && parent != nullptr) parent->Insert(owner);
}

namespace {

// Destroys the entries of `context`, handing the member contexts of its
// types to `pending` instead of destroying them recursively: abandoned
// type declarations can nest contexts arbitrarily deep.
void DestroyEntries(TKontekct* context, std::vector<TKontekct*>& pending) {
  TIdentifikatop* entry = context->entries;
  context->entries = nullptr;
  while (entry != nullptr) {
    TIdentifikatop* next = entry->nextInContext;
    if (TTip* type = As<TTip>(entry)) {
      if (type->members != nullptr) pending.push_back(type->members);
      type->members = nullptr;
    }
    delete entry;
    entry = next;
  }
}

}  // namespace

TKontekct::~TKontekct() {
  std::vector<TKontekct*> pending;
  DestroyEntries(this, pending);
  while (!pending.empty()) {
    TKontekct* inner = pending.back();
    pending.pop_back();
    DestroyEntries(inner, pending);
    inner->closed = true;  // it leaves no trace on the current context
    delete inner;
  }
  if (!closed) CurrentContext = parent;
}

void TKontekct::PrintOwner(std::string& out, int indent) const {
  if (owner == nullptr) return;
  BeginDumpLine(out, indent);
  owner->Print(out, indent);
}

void TKontekct::PrintEntries(std::string& out, int indent) const {
  for (TIdentifikatop* entry = entries; entry != nullptr; entry = entry->nextInContext)
    entry->Print(out, indent);
}

void TKontekct::Insert(TIdentifikatop* entity) {
  entity->nextInContext = entries;
  entries = entity;
  TIdentifikatop*& newest = table_[std::string_view(entity->name)];
  entity->nextInBucket = newest;
  newest = entity;
}

TIdentifikatop* TKontekct::FindLocal(const char* name) const {
  if (table_.empty()) return nullptr;
  auto it = table_.find(std::string_view(name));
  return it == table_.end() ? nullptr : it->second;
}

TIdentifikatop* TKontekct::Find(const char* name) const {
  for (const TKontekct* context = this; context != nullptr; context = context->parent) {
    if (TIdentifikatop* found = context->FindLocal(name)) return found;
  }
  return nullptr;
}

void TKontekct::Close() {
  closed = true;
  CurrentContext = parent;
}

void TKontekct::Detach() {
  Close();
  parent = nullptr;
}

}  // namespace qdl
