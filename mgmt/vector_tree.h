// The value cache of a VectorItem object: a tree of the vectors its clients
// opened, with the scalars read for each, and the node table that finds a
// node again by (vector, instance, parent entry).
//
// What a caller may rely on:
// - Tree operations return 0 for success and -1 for failure; nothing throws
//   except std::bad_alloc from the operations that allocate (CreateNode gives
//   null instead).
// - A scalar's kind (0 integer, 1 text) is fixed when it is first registered.
//   A scalar counts as cached once a value was stored in it (IsCached).
// - The node table has 1024 entries. FindNodeEntry searches entries 0 up to
//   the node counter (the entry assigned last). NextNodeEntry goes round the
//   table but passes over entries that the caller reports in use, so that a
//   live handle's node is never reassigned. A node whose entry is reassigned
//   is freed as soon as nothing hangs below it; an entry whose parent entry
//   has been reassigned since it was made is never found again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vlm::mgmt {

enum : std::int32_t { kKindInteger = 0, kKindText = 1 };

struct ScalarItem {
  std::int32_t id = 0;
  std::int32_t kind = kKindInteger;
  std::int32_t integer = 0;
  std::string text;
  std::string description;
  bool hasValue = false;  // a value was stored (integer or text, by kind)
};

struct VectorNode {
  std::vector<std::unique_ptr<VectorNode>> children;
  std::vector<ScalarItem> scalars;  // one item per id
  // Where the last look-up found its item: readers go through a node's
  // scalars in the order they were registered, so the next one is usually
  // the item after it.
  mutable std::size_t lastFound = 0;
  VectorNode* parent = nullptr;
  std::int32_t vectorId = -1;
  std::int32_t vectorInstance = -1;
  bool mapped = true;  // a node-table entry maps it (the root counts as mapped)
};

class VectorTree {
 public:
  VectorTree();
  VectorTree(const VectorTree&) = delete;
  VectorTree& operator=(const VectorTree&) = delete;

  VectorNode* Root() { return &root_; }
  const std::string& Name() const { return name_; }
  // Nodes below the root.
  std::size_t NodeCount() const { return nodes_; }

  // A new node appended to parent's children (the root's when parent is
  // null); null when there is no memory.
  VectorNode* CreateNode(std::int32_t vectorId, std::int32_t vectorInstance, VectorNode* parent);
  // Marks a node as no longer mapped by any entry and frees it, and then each
  // unmapped ancestor, as long as nothing hangs below.
  void Unmap(VectorNode* node);

  static std::int32_t AddScalar(VectorNode* node, std::int32_t id, std::int32_t kind);
  static std::int32_t GetScalarInteger(const VectorNode* node, std::int32_t id,
                                       std::int32_t* value);
  static std::int32_t SetScalarInteger(VectorNode* node, std::int32_t id, std::int32_t value);
  // -1 when missing, not text, length null, or the stored length is not
  // below *length; else *length := stored length and, with a buffer, the
  // text and its NUL are copied.
  static std::int32_t GetScalarString(const VectorNode* node, std::int32_t id, char* buffer,
                                      std::int32_t* length);
  static std::int32_t SetScalarString(VectorNode* node, std::int32_t id, const char* bytes,
                                      std::int32_t length);
  static std::int32_t GetScalarDescription(const VectorNode* node, std::int32_t id, char* buffer,
                                           std::int32_t* length);
  static std::int32_t SetScalarDescription(VectorNode* node, std::int32_t id, const char* bytes,
                                           std::int32_t length);
  // The scalar holds a stored value of that kind.
  static bool IsCached(const VectorNode* node, std::int32_t id, std::int32_t kind);
  // The scalar (most recently registered with that id), or null.
  static const ScalarItem* Find(const VectorNode* node, std::int32_t id);
  // As AddScalar, and the item registered with that id (of the kind it was
  // first registered with); null without a node.
  static ScalarItem* Register(VectorNode* node, std::int32_t id, std::int32_t kind);

 private:
  static ScalarItem* FindMutable(VectorNode* node, std::int32_t id);

  VectorNode root_;
  std::string name_ = "root";
  std::size_t nodes_ = 0;
};

class NodeTable {
 public:
  static constexpr std::int32_t kEntries = 1024;
  struct Entry {
    VectorNode* node = nullptr;
    std::int32_t vectorId = 0;
    std::int32_t vectorInstance = 0;
    std::int32_t parentEntry = -1;  // -1: under the root
    std::uint32_t generation = 0;   // counts the assignments of this entry
    std::uint32_t parentGeneration = 0;
  };
  // Reports whether an entry is in use and must keep its node.
  using InUse = std::function<bool(std::int32_t entry)>;

  std::int32_t FindNodeEntry(std::int32_t vectorId, std::int32_t vectorInstance,
                             std::int32_t parentEntry) const;
  // The entry after the node counter (0 after 1023), passing over entries in
  // use; the counter keeps the result. -1 when every entry is in use.
  std::int32_t NextNodeEntry(const InUse& inUse);
  // The entry of (vectorId, vectorInstance, parentEntry): found, or assigned
  // with a new node under parentNode (the root when null). -1 when no entry
  // or no memory is left.
  std::int32_t Open(VectorTree& tree, std::int32_t vectorId, std::int32_t vectorInstance,
                    std::int32_t parentEntry, VectorNode* parentNode, const InUse& inUse);

  // The node of an entry; null for -1, an entry out of range or one unused.
  VectorNode* NodeOf(std::int32_t entry) const;
  const Entry& operator[](std::int32_t entry) const { return entries_[static_cast<std::size_t>(entry)]; }
  std::int32_t counter() const { return counter_; }

 private:
  std::vector<Entry> entries_ = std::vector<Entry>(kEntries);
  std::int32_t counter_ = -1;
};

}  // namespace vlm::mgmt
