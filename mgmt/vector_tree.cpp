// The vector tree, its scalars and the node table.
#include "mgmt/vector_tree.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vlm::mgmt {

VectorTree::VectorTree() = default;

VectorNode* VectorTree::CreateNode(std::int32_t vectorId, std::int32_t vectorInstance,
                                   VectorNode* parent) {
  if (!parent) parent = &root_;
  auto node = std::unique_ptr<VectorNode>(new (std::nothrow) VectorNode);
  if (!node) return nullptr;
  node->parent = parent;
  node->vectorId = vectorId;
  node->vectorInstance = vectorInstance;
  VectorNode* raw = node.get();
  try {
    parent->children.push_back(std::move(node));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  ++nodes_;
  return raw;
}

void VectorTree::Unmap(VectorNode* node) {
  if (!node || node == &root_) return;
  node->mapped = false;
  while (node != &root_ && !node->mapped && node->children.empty()) {
    VectorNode* parent = node->parent;
    auto& siblings = parent->children;
    auto it = std::find_if(siblings.begin(), siblings.end(),
                           [node](const std::unique_ptr<VectorNode>& c) { return c.get() == node; });
    if (it == siblings.end()) return;
    siblings.erase(it);
    --nodes_;
    node = parent;
  }
}

const ScalarItem* VectorTree::Find(const VectorNode* node, std::int32_t id) {
  if (!node) return nullptr;
  // AddScalar registers each id once, so the item found is the only one.
  const std::vector<ScalarItem>& s = node->scalars;
  const std::size_t n = s.size();
  for (std::size_t k : {node->lastFound, node->lastFound + 1}) {
    if (k < n && s[k].id == id) {
      node->lastFound = k;
      return &s[k];
    }
  }
  for (std::size_t k = n; k-- > 0;) {
    if (s[k].id == id) {
      node->lastFound = k;
      return &s[k];
    }
  }
  return nullptr;
}

ScalarItem* VectorTree::FindMutable(VectorNode* node, std::int32_t id) {
  return const_cast<ScalarItem*>(Find(node, id));
}

std::int32_t VectorTree::AddScalar(VectorNode* node, std::int32_t id, std::int32_t kind) {
  return Register(node, id, kind) ? 0 : -1;
}

ScalarItem* VectorTree::Register(VectorNode* node, std::int32_t id, std::int32_t kind) {
  if (!node) return nullptr;
  if (ScalarItem* found = FindMutable(node, id)) return found;
  ScalarItem item;
  item.id = id;
  item.kind = kind == kKindText ? kKindText : kKindInteger;
  node->scalars.push_back(std::move(item));
  node->lastFound = node->scalars.size() - 1;
  return &node->scalars.back();
}

std::int32_t VectorTree::GetScalarInteger(const VectorNode* node, std::int32_t id,
                                          std::int32_t* value) {
  const ScalarItem* s = Find(node, id);
  if (!s || s->kind != kKindInteger || !value) return -1;
  *value = s->integer;
  return 0;
}

std::int32_t VectorTree::SetScalarInteger(VectorNode* node, std::int32_t id, std::int32_t value) {
  ScalarItem* s = FindMutable(node, id);
  if (!s || s->kind != kKindInteger) return -1;
  s->integer = value;
  s->hasValue = true;
  return 0;
}

namespace {

std::int32_t CopyOut(const std::string& stored, char* buffer, std::int32_t* length) {
  if (!length) return -1;
  if (static_cast<std::int64_t>(stored.size()) >= *length) return -1;
  *length = static_cast<std::int32_t>(stored.size());
  if (buffer) {
    std::memcpy(buffer, stored.data(), stored.size());
    buffer[stored.size()] = '\0';
  }
  return 0;
}

std::int32_t CopyIn(std::string& stored, const char* bytes, std::int32_t length) {
  if (length < 0 || (length > 0 && !bytes)) return -1;
  stored.assign(bytes ? bytes : "", static_cast<std::size_t>(length));
  return 0;
}

}  // namespace

std::int32_t VectorTree::GetScalarString(const VectorNode* node, std::int32_t id, char* buffer,
                                         std::int32_t* length) {
  const ScalarItem* s = Find(node, id);
  if (!s || s->kind != kKindText) return -1;
  return CopyOut(s->text, buffer, length);
}

std::int32_t VectorTree::SetScalarString(VectorNode* node, std::int32_t id, const char* bytes,
                                         std::int32_t length) {
  ScalarItem* s = FindMutable(node, id);
  if (!s || s->kind != kKindText) return -1;
  if (CopyIn(s->text, bytes, length) != 0) return -1;
  s->hasValue = true;
  return 0;
}

std::int32_t VectorTree::GetScalarDescription(const VectorNode* node, std::int32_t id,
                                              char* buffer, std::int32_t* length) {
  const ScalarItem* s = Find(node, id);
  if (!s) return -1;
  return CopyOut(s->description, buffer, length);
}

std::int32_t VectorTree::SetScalarDescription(VectorNode* node, std::int32_t id, const char* bytes,
                                              std::int32_t length) {
  ScalarItem* s = FindMutable(node, id);
  if (!s) return -1;
  return CopyIn(s->description, bytes, length);
}

bool VectorTree::IsCached(const VectorNode* node, std::int32_t id, std::int32_t kind) {
  const ScalarItem* s = Find(node, id);
  return s && s->kind == kind && s->hasValue;
}

// ---------------------------------------------------------------------------
// Node table

std::int32_t NodeTable::FindNodeEntry(std::int32_t vectorId, std::int32_t vectorInstance,
                                      std::int32_t parentEntry) const {
  for (std::int32_t e = 0; e <= counter_; ++e) {
    const Entry& x = entries_[static_cast<std::size_t>(e)];
    if (!x.node || x.vectorId != vectorId || x.vectorInstance != vectorInstance ||
        x.parentEntry != parentEntry)
      continue;
    // An entry made under a parent entry that has been reassigned since
    // belongs to a vector that is no longer there.
    if (parentEntry >= 0 &&
        entries_[static_cast<std::size_t>(parentEntry)].generation != x.parentGeneration)
      continue;
    return e;
  }
  return -1;
}

std::int32_t NodeTable::NextNodeEntry(const InUse& inUse) {
  std::int32_t e = counter_;
  for (std::int32_t tries = 0; tries < kEntries; ++tries) {
    e = e >= kEntries - 1 ? 0 : e + 1;
    if (!inUse || !inUse(e)) {
      counter_ = e;
      return e;
    }
  }
  return -1;
}

std::int32_t NodeTable::Open(VectorTree& tree, std::int32_t vectorId, std::int32_t vectorInstance,
                             std::int32_t parentEntry, VectorNode* parentNode, const InUse& inUse) {
  std::int32_t found = FindNodeEntry(vectorId, vectorInstance, parentEntry);
  if (found >= 0) return found;
  // The parent's own entry keeps its node as well.
  std::int32_t e = NextNodeEntry(
      [&](std::int32_t candidate) { return candidate == parentEntry || (inUse && inUse(candidate)); });
  if (e < 0) return -1;
  VectorNode* node = tree.CreateNode(vectorId, vectorInstance, parentNode);
  if (!node) return -1;
  Entry& x = entries_[static_cast<std::size_t>(e)];
  VectorNode* displaced = x.node;
  x.node = node;
  x.vectorId = vectorId;
  x.vectorInstance = vectorInstance;
  x.parentEntry = parentEntry;
  ++x.generation;
  x.parentGeneration =
      parentEntry >= 0 ? entries_[static_cast<std::size_t>(parentEntry)].generation : 0;
  tree.Unmap(displaced);
  return e;
}

VectorNode* NodeTable::NodeOf(std::int32_t entry) const {
  if (entry < 0 || entry >= kEntries) return nullptr;
  return entries_[static_cast<std::size_t>(entry)].node;
}

}  // namespace vlm::mgmt
