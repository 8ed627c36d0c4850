// Vector requests against a real agent (snmpd) serving a simulated printer.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "netmgr/vector_request.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::netmgr {
namespace {

using testing::FixtureObject;
using testing::SnmpdAgent;

const char* const kEngineCol = "1.3.6.1.4.1.2364.1.2.3.8.1.1";
const char* const kTrayCol = "1.3.6.1.4.1.2364.1.2.3.1.1.1";

std::string Col(const char* table, int column, const char* rows) {
  return std::string(table) + "." + std::to_string(column) + rows;
}

// Two engines, 1 and 10; engine 1 has trays 1, 2 and 4 (sparse), engine 10
// has tray 1; one writable location text and one read-only integer.
std::vector<FixtureObject> PrinterFixture() {
  return {
      {Col(kEngineCol, 2, ".1"), "octet_str", "600x600", false},
      {Col(kEngineCol, 3, ".1"), "octet_str", "Engine one", false},
      {Col(kEngineCol, 4, ".1"), "integer", "7", false},
      {Col(kEngineCol, 10, ".1"), "integer", "3", false},
      {Col(kEngineCol, 2, ".10"), "octet_str", "1200x1200", false},
      {Col(kEngineCol, 3, ".10"), "octet_str", "Engine ten", false},
      {Col(kTrayCol, 4, ".1.1"), "integer", "1", false},
      {Col(kTrayCol, 4, ".1.2"), "integer", "2", false},
      {Col(kTrayCol, 4, ".1.4"), "integer", "4", false},
      {Col(kTrayCol, 4, ".10.1"), "integer", "1", false},
      {Col(kTrayCol, 5, ".1.1"), "integer", "4", false},
      {"1.3.6.1.4.1.2364.1.1.1.1.1.3.1", "octet_str", "Basement", true},
      {"1.3.6.1.4.1.2364.1.1.1.1.1.6.1", "integer", "2", false},
  };
}

class VectorRequestAgent : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { agent_ = new SnmpdAgent(PrinterFixture()); }
  static void TearDownTestSuite() {
    delete agent_;
    agent_ = nullptr;
  }
  void SetUp() override {
    target_.address = *snmp::Address::Parse(agent_->address());
    target_.writeCommunity = "qarnel";
    target_.retries = 2;
    target_.timeoutCs = 100;
  }
  std::unique_ptr<VectorRequest> Request(std::string suffix) {
    return std::make_unique<VectorRequest>(std::move(suffix), session_, target_);
  }

  static SnmpdAgent* agent_;
  snmp::Session session_;
  snmp::Target target_;
};

SnmpdAgent* VectorRequestAgent::agent_ = nullptr;

TEST_F(VectorRequestAgent, MixedListInOneFetch) {
  auto r = Request(".1");
  // Engine name (text), model (integer), the name again, the tray count of
  // this engine (rows 1, 2 and 4), and the engine status.
  for (std::int32_t id : {152, 153, 152, 8001, 186}) ASSERT_EQ(r->AppendScalar(id), 0);
  ASSERT_EQ(r->FetchValues(), 0);

  std::int32_t ids[8], values[8], n = 0;
  char labels[8][kTextSize];
  r->CopyIntegerList(ids, labels, values, &n);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(ids[0], 153);
  EXPECT_EQ(values[0], 7);
  EXPECT_STREQ(labels[0], "Model");
  EXPECT_EQ(ids[1], 8001);
  EXPECT_EQ(values[1], 3);
  EXPECT_STREQ(labels[1], "Input Unit Count");
  EXPECT_EQ(ids[2], 186);
  EXPECT_EQ(values[2], 3);

  char texts[8][kTextSize];
  r->CopyStringList(ids, labels, texts, &n);
  ASSERT_EQ(n, 2);
  EXPECT_STREQ(texts[0], "Engine one");
  EXPECT_STREQ(texts[1], "Engine one");
  EXPECT_STREQ(labels[1], "Name");
}

TEST_F(VectorRequestAgent, RowsAreCountedPerEngine) {
  struct Case {
    const char* suffix;
    std::int32_t vector;
    std::int32_t rows;
  };
  const Case cases[] = {
      {"", 148, 2},     // engines 1 and 10
      {".1", 8, 3},     // trays of engine 1; engine 10's tray is not one of them
      {".10", 8, 1},
      {".2", 8, 0},
      {".1.4", 8, 0},   // below the last row
  };
  for (const Case& c : cases) {
    auto r = Request(c.suffix);
    std::int32_t count = -1;
    EXPECT_EQ(r->CountInstances(c.vector, count), 0) << c.suffix;
    EXPECT_EQ(count, c.rows) << c.suffix;
  }
  // Past the agent's last row the walk leaves the subtree or the view ends
  // (noSuchName): a clean 0 either way.
  auto r = Request("");
  std::int32_t count = -1;
  EXPECT_EQ(r->CountInstances(210, count), 0);
  EXPECT_EQ(count, 0);
}

TEST_F(VectorRequestAgent, SingleReads) {
  auto r = Request(".1");
  std::int32_t value = -1;
  EXPECT_EQ(r->ReadInteger(153, value), 0);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(r->ReadInteger(8001, value), 0);
  EXPECT_EQ(value, 3);
  char text[kTextSize] = "";
  EXPECT_EQ(r->ReadString(151, text), 0);
  EXPECT_STREQ(text, "600x600");
  // A missing object: the agent's noSuchName, and the out value is kept.
  value = 99;
  EXPECT_EQ(r->ReadInteger(154, value), kErrNoSuch);
  EXPECT_EQ(value, 99);
}

TEST_F(VectorRequestAgent, Writes) {
  auto r = Request(".1");
  ASSERT_EQ(r->AppendStringWrite(78, "Room 12"), 0);
  EXPECT_EQ(r->StoreValues(), 0);
  char text[kTextSize] = "";
  EXPECT_EQ(r->ReadString(78, text), 0);
  EXPECT_STREQ(text, "Room 12");

  r->ClearWriteLists();
  ASSERT_EQ(r->AppendIntegerWrite(78, 5), 0);  // an integer into a text object
  EXPECT_EQ(r->StoreValues(), kErrBadValue);

  r->ClearWriteLists();
  ASSERT_EQ(r->AppendIntegerWrite(81, 1), 0);  // read-only
  EXPECT_EQ(r->StoreValues(), kErrNoSuch);
}

TEST(VectorRequestDeadAgent, TimesOutAfterEveryRetry) {
  SnmpdAgent agent({{"1.3.6.1.2.1.1.7.0", "integer", "72", false}});
  snmp::Session session;
  snmp::Target target;
  target.address = *snmp::Address::Parse(agent.address());
  target.retries = 2;
  target.timeoutCs = 10;
  VectorRequest r("", session, target);
  std::int32_t value = 0;
  ASSERT_EQ(r.ReadInteger(73, value), 0);
  EXPECT_EQ(value, 72);
  agent.Stop();

  using Clock = std::chrono::steady_clock;
  struct Case {
    const char* what;
    std::vector<std::int32_t> ids;
  };
  const Case cases[] = {{"get", {73}}, {"count only", {8010}}, {"both", {8010, 73}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    r.ClearReadLists();
    for (std::int32_t id : c.ids) ASSERT_EQ(r.AppendScalar(id), 0);
    auto start = Clock::now();
    EXPECT_EQ(r.FetchValues(), kErrTimeout);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    // Each exchange waits (retries + 1) x the time-out.
    long exchanges = static_cast<long>(c.ids.size());
    EXPECT_GE(ms, exchanges * 300 - 30);
    EXPECT_LT(ms, exchanges * 300 + 1000);
  }
}

}  // namespace
}  // namespace vlm::netmgr
