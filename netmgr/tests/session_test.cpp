// The network manager object: handle numbering, suffixes, groups, guards
// against bad handles, connection failures, and the monitor's sequence of
// calls against a real agent.
#include <gtest/gtest.h>

#include <cstring>

#include "netmgr/session.h"
#include "netmgr/tests/held_session.h"
#include "tests/support/scripted_agent.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::netmgr {
namespace {

using testing::BerValue;
using testing::ScriptedAgent;
using testing::SnmpMessage;

TargetSpec Spec(const std::string& address, std::int32_t retries = 2, std::int32_t timeout = 100) {
  TargetSpec t;
  std::memset(&t, 0, sizeof t);
  std::strcpy(t.transport, "IP");
  std::strncpy(t.address, address.c_str(), sizeof t.address - 1);
  std::strcpy(t.writeCommunity, "qarnel");
  t.retries = retries;
  t.timeout = timeout;
  return t;
}

using Held = HeldSession;

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetHandleSlotsForTests(); }
};

TEST_F(SessionTest, NoHandleBeforeTheFirstConnectInTheProcess) {
  Held s;
  std::int32_t h = 7;
  EXPECT_EQ(s->OpenRootHandle(148, 0, &h), 0);
  EXPECT_EQ(h, -1);
}

TEST_F(SessionTest, HandlesAreNumberedFromTheLowestFreeSlot) {
  Held s;
  ASSERT_EQ(s->Connect(Spec("127.0.0.1")), 0);
  for (std::int32_t i = 0; i < kHandleSlots; ++i) {
    std::int32_t h = -1;
    ASSERT_EQ(s->OpenRootHandle(148, i, &h), 0);
    EXPECT_EQ(h, i);
  }
  std::int32_t h = 0;
  EXPECT_EQ(s->OpenRootHandle(148, 0, &h), 0);
  EXPECT_EQ(h, -1);
  EXPECT_EQ(s->FreeHandle(5), 0);
  EXPECT_EQ(s->OpenRootHandle(148, 0, &h), 0);
  EXPECT_EQ(h, 5);
}

TEST_F(SessionTest, SuffixesFollowTheInstances) {
  Held s;
  ASSERT_EQ(s->Connect(Spec("127.0.0.1")), 0);
  std::int32_t root = -1, child = -1, grandchild = -1, ten = -1;
  ASSERT_EQ(s->OpenRootHandle(148, 0, &root), 0);
  ASSERT_EQ(s->OpenChildHandle(root, 148, 3, &child), 0);
  ASSERT_EQ(s->OpenChildHandle(child, 8, 1, &grandchild), 0);
  ASSERT_EQ(s->OpenRootHandle(0, 10, &ten), 0);
  EXPECT_EQ(*s->SuffixOf(root), "");
  EXPECT_EQ(*s->SuffixOf(child), ".3");
  EXPECT_EQ(*s->SuffixOf(grandchild), ".3.1");
  EXPECT_EQ(*s->SuffixOf(ten), ".10");

  std::int32_t h = 9;
  EXPECT_EQ(s->OpenRootHandle(148, -1, &h), kErrCall);
  EXPECT_EQ(h, -1);
  EXPECT_EQ(s->OpenChildHandle(child, 148, -2, &h), kErrCall);
  EXPECT_EQ(h, -1);
}

TEST_F(SessionTest, TwoObjectsShareOneNumberingButNeverReuseAHeldNumber) {
  Held a, b;
  ASSERT_EQ(a->Connect(Spec("127.0.0.1")), 0);
  std::int32_t ha = -1, hb = -1;
  ASSERT_EQ(a->OpenRootHandle(148, 1, &ha), 0);
  ASSERT_EQ(b->OpenRootHandle(148, 2, &hb), 0);
  EXPECT_EQ(ha, 0);
  EXPECT_EQ(hb, 1);
  // B's Connect frees every number of the process; B may take 0, but A,
  // which still holds 0, gets the next free number instead.
  ASSERT_EQ(b->Connect(Spec("127.0.0.2")), 0);
  std::int32_t next = -1;
  ASSERT_EQ(a->OpenRootHandle(148, 3, &next), 0);
  EXPECT_EQ(next, 1);
  ASSERT_EQ(b->OpenRootHandle(148, 4, &next), 0);
  EXPECT_EQ(next, 0);
  EXPECT_EQ(*a->SuffixOf(0), ".1");  // A's request is still its own
}

TEST_F(SessionTest, GroupsSplitByKindAndFormARing) {
  Held s;
  struct Case {
    std::int32_t group;
    std::vector<std::int32_t> ints, strs;
  };
  const Case cases[] = {
      {1004, {73}, {67, 68, 69, 70, 71, 72}},
      {1001, {8001, 8002}, {}},
      {1012, {120, 121, 122}, {}},
      {1002, {36, 187, 188, 216}, {22, 27}},
      {999, {}, {}},  // unknown: an empty group
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.group);
    std::int32_t g = -1, n = -1;
    ASSERT_EQ(s->CreateGroup(c.group, &g), 0);
    ASSERT_EQ(s->GetGroupScalarCount(g, 0, &n), 0);
    std::vector<std::int32_t> ids(64);
    ASSERT_EQ(s->GetGroupScalarIds(g, 0, ids.data()), 0);
    ids.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(ids, c.ints);
    ASSERT_EQ(s->GetGroupScalarCount(g, 1, &n), 0);
    ids.assign(64, 0);
    ASSERT_EQ(s->GetGroupScalarIds(g, 1, ids.data()), 0);
    ids.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(ids, c.strs);
    EXPECT_EQ(s->FreeGroup(g), 0);
    EXPECT_EQ(s->FreeGroup(g), kErrCall);  // already free: nothing happens
  }
  // The ring: the 33rd group without any free comes back to handle 0.
  Held r;
  std::int32_t g = -1;
  for (int i = 0; i < kGroupSlots; ++i) ASSERT_EQ(r->CreateGroup(1001, &g), 0);
  EXPECT_EQ(g, kGroupSlots - 1);
  ASSERT_EQ(r->CreateGroup(1004, &g), 0);
  EXPECT_EQ(g, 0);
  std::int32_t n = 0;
  ASSERT_EQ(r->GetGroupScalarCount(0, 1, &n), 0);
  EXPECT_EQ(n, 6);  // handle 0 names the newest group
}

TEST_F(SessionTest, HandlesNotHeldAreRefused) {
  Held s;
  ASSERT_EQ(s->Connect(Spec("127.0.0.1")), 0);
  std::int32_t ids[1] = {6}, values[1] = {0}, count = 0, v = 0;
  IVlmNetMgr::Text labels[1], texts[1];
  for (std::int32_t h : {-1, 0, 31, 32, 1000}) {
    SCOPED_TRACE(h);
    EXPECT_EQ(s->GetInstanceCount(h, 8, &count), kErrCall);
    EXPECT_EQ(s->AddScalars(h, ids, 1), kErrCall);
    EXPECT_EQ(s->GetValues(h), kErrCall);
    EXPECT_EQ(s->GetIntegerValueList(h, ids, labels, values, &count), kErrCall);
    EXPECT_EQ(s->GetStringValueList(h, ids, labels, texts, &count), kErrCall);
    EXPECT_EQ(s->GetIntegerValue(h, 6, &v), kErrCall);
    EXPECT_EQ(s->GetStringValue(h, 4, texts[0]), kErrCall);
    EXPECT_EQ(s->ClearScalars(h), kErrCall);
    EXPECT_EQ(s->ClearSetScalars(h), kErrCall);
    EXPECT_EQ(s->AddIntegerSetValues(h, ids, values, 1), kErrCall);
    EXPECT_EQ(s->AddStringSetValues(h, ids, texts, 1), kErrCall);
    EXPECT_EQ(s->SetValues(h), kErrCall);
    EXPECT_EQ(s->FreeHandle(h), kErrCall);
    EXPECT_EQ(s->OpenChildHandle(h, 8, 1, &v), kErrCall);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(s->GetGroupScalarCount(h, 0, &count), kErrCall);
    EXPECT_EQ(s->GetGroupScalarIds(h, 0, ids), kErrCall);
    EXPECT_EQ(s->FreeGroup(h), kErrCall);
  }
  // Another object's handle is not this object's.
  Held other;
  std::int32_t h = -1;
  ASSERT_EQ(other->OpenRootHandle(0, 0, &h), 0);
  ASSERT_GE(h, 0);
  EXPECT_EQ(s->FreeHandle(h), kErrCall);
  EXPECT_NE(other->SuffixOf(h), nullptr);
}

TEST_F(SessionTest, AnOverfullAppendWritesNothing) {
  Held s;
  ASSERT_EQ(s->Connect(Spec("127.0.0.1")), 0);
  std::int32_t h = -1;
  ASSERT_EQ(s->OpenRootHandle(148, 1, &h), 0);
  std::vector<std::int32_t> ids(60, 153);
  ASSERT_EQ(s->AddScalars(h, ids.data(), 60), 0);
  std::vector<std::int32_t> more(5, 154);
  EXPECT_EQ(s->AddScalars(h, more.data(), 5), kErrCall);
  std::int32_t count = 0;
  std::vector<std::int32_t> outIds(64), values(64);
  ASSERT_EQ(s->GetIntegerValueList(h, outIds.data(), nullptr, values.data(), &count), 0);
  EXPECT_EQ(count, 60);
  EXPECT_EQ(s->AddScalars(h, more.data(), 4), 0);
}

TEST_F(SessionTest, AFailedConnectLeavesTheObjectUnconnected) {
  ScriptedAgent agent([](const SnmpMessage& m, int) { return ScriptedAgent::Echo(m, {BerValue::Int(5)}); });
  Held s;
  ASSERT_EQ(s->Connect(Spec(agent.address(), 0, 20)), 0);
  std::int32_t h = -1, v = 0;
  ASSERT_EQ(s->OpenRootHandle(0, 1, &h), 0);
  ASSERT_EQ(s->GetIntegerValue(h, 6, &v), 0);
  EXPECT_EQ(v, 5);
  const int before = agent.requestCount();

  for (const char* bad : {"printer.example", "", "127.0.0.300", "not an address"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(s->Connect(Spec(bad)), kErrAddress);
    v = 11;
    EXPECT_EQ(s->GetIntegerValue(h, 6, &v), kErrAddress);
    EXPECT_EQ(v, 11);
    std::int32_t id = 6;
    ASSERT_EQ(s->AddScalars(h, &id, 1), 0);
    EXPECT_EQ(s->GetValues(h), kErrAddress);
    std::int32_t count = 9;
    EXPECT_EQ(s->GetRootInstanceCount(148, &count), kErrAddress);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(s->SetValues(h), kErrAddress);
  }
  EXPECT_EQ(agent.requestCount(), before);

  // An address that fills the whole field is cut to 255 characters, not read
  // past its end.
  TargetSpec t = Spec("");
  std::memset(t.address, '1', sizeof t.address);
  EXPECT_EQ(s->Connect(t), kErrAddress);
}

TEST_F(SessionTest, ReadsOfADeadDeviceReportTheTimeOut) {
  std::string address;
  {
    testing::SnmpdAgent agent({{"1.3.6.1.2.1.1.7.0", "integer", "72", false}});
    address = agent.address();
  }
  Held s;
  ASSERT_EQ(s->Connect(Spec(address, 1, 10)), 0);
  std::int32_t h = -1;
  ASSERT_EQ(s->OpenRootHandle(66, 0, &h), 0);
  std::int32_t v = 123;
  EXPECT_EQ(s->GetIntegerValue(h, 73, &v), kErrTimeout);
  EXPECT_EQ(v, 123);
  std::int32_t id = 73;
  ASSERT_EQ(s->AddScalars(h, &id, 1), 0);
  EXPECT_EQ(s->GetValues(h), kErrTimeout);
}

// The engine row with its identity and status, trays 1-3 of engine 1.
std::vector<testing::FixtureObject> MonitorFixture() {
  const std::string engine = "1.3.6.1.4.1.2364.1.2.3.8.1.1.";
  const std::string tray = "1.3.6.1.4.1.2364.1.2.3.1.1.1.";
  return {
      {engine + "2.1", "octet_str", "600 dpi", false},
      {engine + "3.1", "octet_str", "Colour engine", false},
      {engine + "4.1", "integer", "12", false},
      {engine + "5.1", "integer", "3", false},
      {engine + "6.1", "integer", "1001", false},
      {engine + "7.1", "integer", "1002", false},
      {engine + "8.1", "integer", "1003", false},
      {engine + "9.1", "integer", "1004", false},
      {tray + "4.1.1", "integer", "2", false},
      {tray + "4.1.2", "integer", "3", false},
      {tray + "4.1.3", "integer", "4", false},
      {tray + "2.1.2", "integer", "9", false},
      {tray + "5.1.2", "integer", "4", false},
  };
}

TEST_F(SessionTest, TheMonitorsSequenceAgainstARealAgent) {
  testing::SnmpdAgent agent(MonitorFixture());
  Held s;
  ASSERT_EQ(s->Connect(Spec(agent.address())), 0);

  // Engine handle ".1", and a child of it on the engine vector: ".1.1".
  std::int32_t device = -1, engine = -1, row = -1;
  ASSERT_EQ(s->OpenRootHandle(0, 1, &device), 0);
  ASSERT_EQ(s->OpenChildHandle(device, 148, 1, &row), 0);
  EXPECT_EQ(*s->SuffixOf(device), ".1");
  EXPECT_EQ(*s->SuffixOf(row), ".1.1");
  engine = device;

  // A group read: the engine group's scalars on the engine handle.
  std::int32_t g = -1, n = 0;
  ASSERT_EQ(s->CreateGroup(1017, &g), 0);
  std::vector<std::int32_t> ints(64), strs(64);
  ASSERT_EQ(s->GetGroupScalarCount(g, 0, &n), 0);
  ASSERT_EQ(s->GetGroupScalarIds(g, 0, ints.data()), 0);
  ints.resize(static_cast<std::size_t>(n));
  ASSERT_EQ(s->GetGroupScalarCount(g, 1, &n), 0);
  ASSERT_EQ(s->GetGroupScalarIds(g, 1, strs.data()), 0);
  strs.resize(static_cast<std::size_t>(n));
  ASSERT_EQ(s->AddScalars(engine, ints.data(), static_cast<std::int32_t>(ints.size())), 0);
  ASSERT_EQ(s->AddScalars(engine, strs.data(), static_cast<std::int32_t>(strs.size())), 0);
  ASSERT_EQ(s->GetValues(engine), 0);
  std::int32_t ids[64], values[64], count = 0;
  IVlmNetMgr::Text labels[64], texts[64];
  ASSERT_EQ(s->GetIntegerValueList(engine, ids, labels, values, &count), 0);
  ASSERT_EQ(count, 6);
  EXPECT_EQ(std::vector<std::int32_t>(values, values + count),
            (std::vector<std::int32_t>{12, 3, 1001, 1002, 1003, 1004}));
  EXPECT_STREQ(labels[0], "Model");
  ASSERT_EQ(s->GetStringValueList(engine, ids, labels, texts, &count), 0);
  ASSERT_EQ(count, 2);
  EXPECT_STREQ(texts[0], "600 dpi");
  EXPECT_STREQ(texts[1], "Colour engine");
  EXPECT_STREQ(labels[0], "Resolution");
  EXPECT_EQ(s->FreeGroup(g), 0);

  // The count of input units, and the rows ".1.n" read through tray handles.
  std::int32_t trays = 0;
  ASSERT_EQ(s->GetInstanceCount(engine, 8, &trays), 0);
  EXPECT_EQ(trays, 3);
  std::int32_t countId = 8001;
  ASSERT_EQ(s->ClearScalars(engine), 0);
  ASSERT_EQ(s->AddScalars(engine, &countId, 1), 0);
  ASSERT_EQ(s->GetValues(engine), 0);
  ASSERT_EQ(s->GetIntegerValueList(engine, ids, labels, values, &count), 0);
  EXPECT_EQ(values[0], 3);
  std::int32_t tray = -1;
  ASSERT_EQ(s->OpenChildHandle(engine, 8, 2, &tray), 0);
  EXPECT_EQ(*s->SuffixOf(tray), ".1.2");
  std::int32_t trayIds[] = {36, 188};
  ASSERT_EQ(s->AddScalars(tray, trayIds, 2), 0);
  ASSERT_EQ(s->GetValues(tray), 0);
  ASSERT_EQ(s->GetIntegerValueList(tray, ids, labels, values, &count), 0);
  EXPECT_EQ(std::vector<std::int32_t>(values, values + count), (std::vector<std::int32_t>{9, 4}));
  EXPECT_STREQ(labels[1], "Tray Status");

  for (std::int32_t h : {tray, row, device}) EXPECT_EQ(s->FreeHandle(h), 0);
}

}  // namespace
}  // namespace vlm::netmgr
