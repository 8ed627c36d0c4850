// The vector tree's scalars and the node table's numbering, wrap and reuse.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "mgmt/vector_tree.h"

namespace vlm::mgmt {
namespace {

TEST(VectorTree, ScalarKindsLengthsAndFirstRegistration) {
  VectorTree tree;
  EXPECT_EQ(tree.Name(), "root");
  VectorNode* n = tree.CreateNode(148, 1, nullptr);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->parent, tree.Root());
  ASSERT_EQ(VectorTree::AddScalar(n, 6, kKindInteger), 0);
  ASSERT_EQ(VectorTree::AddScalar(n, 77, kKindText), 0);
  // A second registration changes nothing, not even the kind.
  ASSERT_EQ(VectorTree::AddScalar(n, 6, kKindText), 0);
  EXPECT_EQ(n->scalars.size(), 2u);

  std::int32_t v = 0;
  char buf[16];
  std::int32_t len = sizeof buf;
  EXPECT_EQ(VectorTree::SetScalarInteger(n, 6, 42), 0);
  EXPECT_EQ(VectorTree::GetScalarInteger(n, 6, &v), 0);
  EXPECT_EQ(v, 42);
  // Each kind only through its own operations, missing ids never.
  EXPECT_EQ(VectorTree::GetScalarInteger(n, 77, &v), -1);
  EXPECT_EQ(VectorTree::SetScalarInteger(n, 77, 1), -1);
  EXPECT_EQ(VectorTree::GetScalarString(n, 6, buf, &len), -1);
  EXPECT_EQ(VectorTree::SetScalarString(n, 6, "x", 1), -1);
  EXPECT_EQ(VectorTree::GetScalarInteger(n, 5, &v), -1);
  EXPECT_EQ(VectorTree::GetScalarDescription(n, 5, buf, &len), -1);

  // The buffer needs room for the NUL.
  ASSERT_EQ(VectorTree::SetScalarString(n, 77, "abcd", 4), 0);
  struct Case {
    std::int32_t length;
    std::int32_t result;
    std::int32_t reported;
  };
  for (const Case& c : {Case{4, -1, 4}, Case{5, 0, 4}, Case{16, 0, 4}, Case{0, -1, 0}}) {
    SCOPED_TRACE(c.length);
    len = c.length;
    std::memset(buf, 'z', sizeof buf);
    EXPECT_EQ(VectorTree::GetScalarString(n, 77, buf, &len), c.result);
    EXPECT_EQ(len, c.reported);
    if (c.result == 0) {
      EXPECT_STREQ(buf, "abcd");
    }
  }
  len = 8;
  EXPECT_EQ(VectorTree::GetScalarString(n, 77, nullptr, &len), 0);  // length only
  EXPECT_EQ(len, 4);
  EXPECT_EQ(VectorTree::GetScalarString(n, 77, buf, nullptr), -1);

  ASSERT_EQ(VectorTree::SetScalarString(n, 77, "", 0), 0);
  len = sizeof buf;
  EXPECT_EQ(VectorTree::GetScalarString(n, 77, buf, &len), 0);
  EXPECT_EQ(len, 0);
  EXPECT_STREQ(buf, "");

  // Descriptions have no kind test; a value counts as cached once stored.
  EXPECT_EQ(VectorTree::SetScalarDescription(n, 6, "Status", 6), 0);
  len = sizeof buf;
  EXPECT_EQ(VectorTree::GetScalarDescription(n, 6, buf, &len), 0);
  EXPECT_STREQ(buf, "Status");
  ASSERT_EQ(VectorTree::AddScalar(n, 8, kKindInteger), 0);
  EXPECT_FALSE(VectorTree::IsCached(n, 8, kKindInteger));
  EXPECT_TRUE(VectorTree::IsCached(n, 6, kKindInteger));
  EXPECT_FALSE(VectorTree::IsCached(n, 6, kKindText));
}

TEST(NodeTable, EntriesAreFoundUpToTheCounterAndWrapAfter1024) {
  VectorTree tree;
  NodeTable table;
  EXPECT_EQ(table.counter(), -1);
  for (std::int32_t i = 0; i < NodeTable::kEntries; ++i)
    ASSERT_EQ(table.Open(tree, 8, i, -1, nullptr, nullptr), i);
  EXPECT_EQ(table.Open(tree, 8, 5, -1, nullptr, nullptr), 5);  // found again
  EXPECT_EQ(tree.NodeCount(), 1024u);

  // The 1025th assignment reuses entry 0; entries above the counter are not
  // found afterwards and are made again.
  EXPECT_EQ(table.Open(tree, 8, 5000, -1, nullptr, nullptr), 0);
  EXPECT_EQ(table.counter(), 0);
  EXPECT_EQ(table.FindNodeEntry(8, 5, -1), -1);
  EXPECT_EQ(table.Open(tree, 8, 5, -1, nullptr, nullptr), 1);
  // The displaced nodes were freed: the tree stays at 1024.
  EXPECT_EQ(tree.NodeCount(), 1024u);
}

TEST(NodeTable, EntriesInUseAreNeverReassigned) {
  VectorTree tree;
  NodeTable table;
  for (std::int32_t i = 0; i < NodeTable::kEntries; ++i) table.Open(tree, 8, i, -1, nullptr, nullptr);
  const std::set<std::int32_t> live = {0, 1, 3};
  auto inUse = [&](std::int32_t e) { return live.count(e) != 0; };
  VectorNode* kept = table.NodeOf(1);
  EXPECT_EQ(table.Open(tree, 38, 1, -1, nullptr, inUse), 2);
  EXPECT_EQ(table.Open(tree, 38, 2, -1, nullptr, inUse), 4);
  EXPECT_EQ(table.NodeOf(1), kept);
  EXPECT_EQ(table[1].vectorInstance, 1);
}

TEST(NodeTable, DisplacedNodesLiveOnlyWhileSomethingHangsBelow) {
  VectorTree tree;
  NodeTable table;
  const std::int32_t engine = table.Open(tree, 0, 1, -1, nullptr, nullptr);
  const std::int32_t tray = table.Open(tree, 8, 2, engine, table.NodeOf(engine), nullptr);
  VectorNode* trayNode = table.NodeOf(tray);
  ASSERT_EQ(trayNode->parent, table.NodeOf(engine));
  for (std::int32_t i = 2; i < NodeTable::kEntries; ++i) table.Open(tree, 130, i, -1, nullptr, nullptr);
  ASSERT_EQ(tree.NodeCount(), 1024u);

  // The engine's entry is reassigned while the tray still hangs below it:
  // its node stays, unmapped, and the tray's entry no longer counts as
  // being under the new occupant of the engine's entry.
  auto trayInUse = [&](std::int32_t e) { return e == tray; };
  ASSERT_EQ(table.Open(tree, 74, 1, -1, nullptr, trayInUse), engine);
  EXPECT_EQ(tree.NodeCount(), 1025u);
  EXPECT_EQ(table.FindNodeEntry(8, 2, engine), -1);
  EXPECT_EQ(trayNode->parent->vectorId, 0);

  // When the tray's entry goes as well, both old nodes are freed.
  ASSERT_EQ(table.Open(tree, 74, 2, -1, nullptr, nullptr), tray);
  EXPECT_EQ(tree.NodeCount(), 1024u);
}

}  // namespace
}  // namespace vlm::mgmt
