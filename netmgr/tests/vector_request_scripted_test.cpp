// Vector requests against the scripted agent: error statuses, walks that
// misbehave, long and binary values, bad replies and list bounds.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "netmgr/mib_tables.h"
#include "netmgr/vector_request.h"
#include "tests/support/scripted_agent.h"

namespace vlm::netmgr {
namespace {

using testing::BerBinding;
using testing::BerValue;
using testing::ParseOidText;
using testing::ScriptedAgent;
using testing::SnmpMessage;

struct Fixture {
  explicit Fixture(ScriptedAgent::Script script, std::string suffix = "")
      : agent(std::move(script)), request(std::move(suffix), session, target) {
    target.address = *snmp::Address::Parse(agent.address());
    target.retries = 1;
    target.timeoutCs = 10;
  }
  ScriptedAgent agent;
  snmp::Session session;
  snmp::Target target;
  VectorRequest request;
};

std::vector<std::uint32_t> Oid(std::string_view text) { return ParseOidText(std::string(text)); }

// A get-next answer of a table column: rows 1..n of `column`, then the next
// column's first row.
ScriptedAgent::Script ColumnWalk(std::string column, int rows) {
  return [column, rows](const SnmpMessage& m, int) {
    const auto& asked = m.bindings.at(0).oid;
    auto base = Oid(column);
    int next = 1;
    if (asked.size() > base.size()) next = static_cast<int>(asked.back()) + 1;
    std::vector<std::uint32_t> answer = base;
    if (next <= rows) {
      answer.push_back(static_cast<std::uint32_t>(next));
    } else {
      answer.back() += 1;  // the next column
      answer.push_back(1);
    }
    return ScriptedAgent::Reply({{answer, BerValue::Int(next)}});
  };
}

TEST(MapSnmpStatus, LibraryStatuses) {
  struct Case {
    int status;
    std::int32_t code;
  };
  const Case cases[] = {{-22, -3}, {-21, -3}, {-20, -3}, {-18, -2}, {-17, -2}, {-14, -2},
                        {-10, -2}, {-9, -12}, {-6, -12}, {-5, -11}, {-4, -1},  {-3, -1},
                        {-2, -7},  {-1, -1},  {0, -12},  {1, -12},  {-23, -12}};
  for (const Case& c : cases) EXPECT_EQ(MapSnmpStatus(c.status, 0), c.code) << c.status;
}

// Every agent error status, answered to a real get, gives its code.
class ErrorStatus : public ::testing::TestWithParam<std::pair<int, std::int32_t>> {};

TEST_P(ErrorStatus, MapsToItsCode) {
  auto [errorStatus, code] = GetParam();
  Fixture f([errorStatus = errorStatus](const SnmpMessage& m, int) {
    return ScriptedAgent::Reply(m.bindings, errorStatus, 1);
  });
  ASSERT_EQ(f.request.AppendScalar(6), 0);
  EXPECT_EQ(f.request.FetchValues(), code);
  EXPECT_EQ(MapSnmpStatus(-19, errorStatus), code);
}

INSTANTIATE_TEST_SUITE_P(
    AllStatuses, ErrorStatus,
    ::testing::Values(std::pair{1, -8}, std::pair{2, -9}, std::pair{3, -6}, std::pair{4, -4},
                      std::pair{5, -9}, std::pair{6, -4}, std::pair{7, -6}, std::pair{8, -6},
                      std::pair{9, -6}, std::pair{10, -6}, std::pair{11, -4}, std::pair{12, -6},
                      std::pair{13, -8}, std::pair{14, -10}, std::pair{15, -10},
                      std::pair{16, -4}, std::pair{17, -4}, std::pair{18, -9},
                      std::pair{19, -12}, std::pair{99, -12}));

TEST(VectorRequestWalk, AnAgentThatRepeatsItsAnswerEndsTheWalk) {
  Fixture f([](const SnmpMessage&, int) {
    // Always the same OID, inside the walked column.
    return ScriptedAgent::Reply({{Oid("1.3.6.1.4.1.2364.1.2.6.1.1.2.1"), BerValue::Int(1)}});
  });
  std::int32_t count = -1;
  EXPECT_EQ(f.request.CountInstances(175, count), kErrOther);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(f.agent.requestCount(), 2);
}

TEST(VectorRequestWalk, EndOfViewAndLeavingTheColumnEndTheWalkCleanly) {
  // Two rows, then noSuchName (a version 1 agent's end of view).
  Fixture end([](const SnmpMessage& m, int i) {
    if (i < 2) {
      auto oid = Oid("1.3.6.1.4.1.2364.1.2.6.1.1.2");
      oid.push_back(static_cast<std::uint32_t>(i + 1));
      return ScriptedAgent::Reply({{oid, BerValue::Int(i)}});
    }
    return ScriptedAgent::Reply(m.bindings, 2, 1);
  });
  std::int32_t count = -1;
  EXPECT_EQ(end.request.CountInstances(175, count), kOk);
  EXPECT_EQ(count, 2);

  // First answer already past the column.
  Fixture past([](const SnmpMessage&, int) {
    return ScriptedAgent::Reply({{Oid("1.3.6.1.4.1.2364.1.2.6.1.1.3.1"), BerValue::Int(0)}});
  });
  EXPECT_EQ(past.request.CountInstances(175, count), kOk);
  EXPECT_EQ(count, 0);
}

TEST(VectorRequestWalk, AFailureMidWalkGivesThePartialCountAndTheCode) {
  auto rows = ColumnWalk("1.3.6.1.4.1.2364.1.2.3.4.1.1.2", 10);
  Fixture f([rows](const SnmpMessage& m, int i) {
    if (i == 3) return ScriptedAgent::Reply(m.bindings, 5, 1);  // genErr
    return rows(m, i);
  });
  std::int32_t count = -1;
  EXPECT_EQ(f.request.CountInstances(123, count), kErrNoSuch);
  EXPECT_EQ(count, 3);

  // The same failure inside a fetch: the count is kept, the walk's code is
  // returned, and the get still fills the other entries.
  Fixture g([rows](const SnmpMessage& m, int i) {
    if (m.pduType == testing::kPduGet) return ScriptedAgent::Echo(m, {BerValue::Int(77)});
    if (i == 2) return ScriptedAgent::Drop();
    return rows(m, i);
  });
  g.target.retries = 0;
  ASSERT_EQ(g.request.AppendScalar(8009), 0);
  ASSERT_EQ(g.request.AppendScalar(6), 0);
  EXPECT_EQ(g.request.FetchValues(), kErrTimeout);
  std::int32_t ids[2], values[2], n = 0;
  g.request.CopyIntegerList(ids, nullptr, values, &n);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(values[0], 2);
  EXPECT_EQ(values[1], 77);
}

// Texts are cut at 255 bytes, before a character that would not fit; bytes
// that are no text show as U+FFFD, never as a hex dump.
TEST(VectorRequestFetch, OctetStringsAreCutAt255AndReadAsText) {
  struct Case {
    std::string value;
    std::string expected;
  };
  auto text = [](std::size_t n) { return std::string(n, 'x'); };
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  std::string replaced;
  for (int i = 0; i < 85; ++i) replaced += r;
  const Case cases[] = {
      {text(39), text(39)},
      {text(40), text(40)},
      {text(255), text(255)},
      {text(256), text(255)},
      {text(300), text(255)},
      {text(254) + "\xC3\xA9", text(254)},
      {text(253) + "\xC3\xA9", text(253) + "\xC3\xA9"},
      {std::string("ab\0cd", 5), "ab" + r + "cd"},
      {std::string("\xFF\xFF", 2), r + r},
      {std::string(40, '\0'), ""},
      {std::string(100, '\xE9'), replaced},
  };
  for (const Case& c : cases) {
    Fixture f([&c](const SnmpMessage& m, int) {
      return ScriptedAgent::Echo(m, {BerValue::Octets(c.value)});
    });
    ASSERT_EQ(f.request.AppendScalar(152), 0);
    ASSERT_EQ(f.request.FetchValues(), 0);
    std::int32_t id = 0, n = 0;
    char label[1][kTextSize], value[1][kTextSize];
    f.request.CopyStringList(&id, label, value, &n);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(std::string(value[0]), c.expected) << c.value.size();
    EXPECT_STREQ(label[0], "Name");

    char single[kTextSize] = "unchanged";
    EXPECT_EQ(f.request.ReadString(152, single), 0);
    EXPECT_EQ(std::string(single), c.expected);
  }
}

TEST(VectorRequestFetch, OneGetForTheWholeListAndAWalkPerCountScalar) {
  auto rows = ColumnWalk("1.3.6.1.4.1.2364.1.2.3.1.1.1.4.2", 2);
  Fixture f(
      [rows](const SnmpMessage& m, int i) {
        if (m.pduType == testing::kPduGetNext) return rows(m, i);
        return ScriptedAgent::Echo(m, {BerValue::Int(11), BerValue::Int(12), BerValue::Octets("u"),
                                       BerValue::Octets("d")});
      },
      ".2");
  for (std::int32_t id : {19, 8001, 20, 22, 27}) ASSERT_EQ(f.request.AppendScalar(id), 0);
  ASSERT_EQ(f.request.FetchValues(), 0);
  auto sent = f.agent.received();
  ASSERT_EQ(sent.size(), 4u);  // three get-nexts for two rows, then one get
  for (int i = 0; i < 3; ++i) EXPECT_EQ(sent[i].pduType, testing::kPduGetNext);
  EXPECT_EQ(testing::OidText(sent[0].bindings.at(0).oid), "1.3.6.1.4.1.2364.1.2.3.1.1.1.4.2");
  ASSERT_EQ(sent[3].pduType, testing::kPduGet);
  std::vector<std::string> oids;
  for (const auto& b : sent[3].bindings) oids.push_back(testing::OidText(b.oid));
  EXPECT_EQ(oids, (std::vector<std::string>{"1.3.6.1.2.1.43.8.2.1.10.2", "1.3.6.1.2.1.43.8.2.1.11.2",
                                            "1.3.6.1.2.1.43.8.2.1.13.2", "1.3.6.1.2.1.43.8.2.1.18.2"}));
  std::int32_t values[3], n = 0;
  f.request.CopyIntegerList(nullptr, nullptr, values, &n);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(values[0], 11);
  EXPECT_EQ(values[1], 2);
  EXPECT_EQ(values[2], 12);

  // Only count scalars: no get at all.
  f.request.ClearReadLists();
  ASSERT_EQ(f.request.AppendScalar(8001), 0);
  ASSERT_EQ(f.request.FetchValues(), 0);
  EXPECT_EQ(f.agent.received().back().pduType, testing::kPduGetNext);
}

// A list that is cleared and filled again sends the OIDs it holds now: the
// same ones when refilled alike, others when refilled with other scalars at
// the same length, fewer when shorter; each read takes that answer's values.
TEST(VectorRequestFetch, RefilledListsSendWhatTheyHoldNow) {
  Fixture f(
      [](const SnmpMessage& m, int i) {
        std::vector<BerValue> values;
        for (std::size_t k = 0; k < m.bindings.size(); ++k)
          values.push_back(BerValue::Int(1000 * (i + 1) + static_cast<int>(k)));
        return ScriptedAgent::Echo(m, values);
      },
      ".1");
  std::int32_t other = 0;  // an integer record besides 19 and 20
  while (other == 19 || other == 20 || IsStringInReadList(other)) ++other;
  const std::vector<std::vector<std::int32_t>> lists = {{19, 20}, {19, 20}, {20, 19}, {19}, {other, 20}};
  for (const auto& ids : lists) {
    SCOPED_TRACE(::testing::Message() << "list of " << ids.size() << " starting with " << ids[0]);
    f.request.ClearReadLists();
    for (std::int32_t id : ids) ASSERT_EQ(f.request.AppendScalar(id), 0);
    ASSERT_EQ(f.request.FetchValues(), 0);
    const auto received = f.agent.received();
    std::vector<std::string> sent, asked;
    for (const auto& b : received.back().bindings) sent.push_back(testing::OidText(b.oid));
    for (std::int32_t id : ids) asked.push_back(std::string(OidOf(id)) + ".1");
    EXPECT_EQ(sent, asked);
    std::int32_t got[4] = {}, n = 0;
    f.request.CopyIntegerList(nullptr, nullptr, got, &n);
    ASSERT_EQ(n, static_cast<std::int32_t>(ids.size()));
    const int index = static_cast<int>(received.size()) - 1;
    for (std::int32_t k = 0; k < n; ++k) EXPECT_EQ(got[k], 1000 * (index + 1) + k);
  }
}

TEST(VectorRequestFetch, UnsignedSyntaxesAreReadAsIntegers) {
  Fixture f([](const SnmpMessage& m, int) {
    return ScriptedAgent::Echo(m, {BerValue::Unsigned(testing::kTagCounter32, 4000000000u),
                                   BerValue::Unsigned(testing::kTagGauge32, 12),
                                   BerValue::Unsigned(testing::kTagTimeTicks, 360000)});
  });
  for (std::int32_t id : {155, 156, 157}) ASSERT_EQ(f.request.AppendScalar(id), 0);
  ASSERT_EQ(f.request.FetchValues(), 0);
  std::int32_t values[3], n = 0;
  f.request.CopyIntegerList(nullptr, nullptr, values, &n);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(values[0], static_cast<std::int32_t>(4000000000u));
  EXPECT_EQ(values[1], 12);
  EXPECT_EQ(values[2], 360000);
}

// After a switch to another device, an answer that binds an integer entry to
// a value that is not a number fails the read with -6, as a single read
// does: that entry is cleared, so that it never shows the first device's
// number; the other entries take their new values, and a text entry takes
// any value's printable form.
TEST(VectorRequestFetch, AnIntegerEntryAnsweredWithoutANumberIsABadValue) {
  auto tagged = [](std::uint8_t tag, std::string bytes = {}) {
    BerValue v;
    v.tag = tag;
    v.bytes = std::move(bytes);
    return v;
  };
  BerValue oid;
  oid.tag = testing::kTagOid;
  oid.oid = {1, 3, 6, 1};
  struct Case {
    const char* what;
    BerValue value;
  };
  const Case cases[] = {
      {"a number as text", BerValue::Octets("12")},
      {"Null", BerValue::Null()},
      {"Counter64", BerValue::Unsigned(testing::kTagCounter64, 5)},
      {"Opaque", tagged(testing::kTagOpaque, "\x01")},
      {"an OID", oid},
      {"an IP address", tagged(testing::kTagIpAddress, std::string("\x7F\0\0\x01", 4))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedAgent first([](const SnmpMessage& m, int) {
      return ScriptedAgent::Echo(m, {BerValue::Int(11), BerValue::Int(12), BerValue::Octets("a1")});
    });
    Fixture f([&c](const SnmpMessage& m, int) {
      return ScriptedAgent::Echo(m, {c.value, BerValue::Int(22), BerValue::Int(7)});
    });
    for (std::int32_t id : {6, 155, 152}) ASSERT_EQ(f.request.AppendScalar(id), 0);
    const snmp::Address second = f.target.address;
    f.target.address = *snmp::Address::Parse(first.address());
    ASSERT_EQ(f.request.FetchValues(), kOk);

    f.target.address = second;
    EXPECT_EQ(f.request.FetchValues(), kErrBadValue);
    std::int32_t values[2], n = 0;
    f.request.CopyIntegerList(nullptr, nullptr, values, &n);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(values[0], 0);
    EXPECT_EQ(values[1], 22);
    char text[1][kTextSize];
    f.request.CopyStringList(nullptr, nullptr, text, &n);
    EXPECT_STREQ(text[0], "7");
  }
}

TEST(VectorRequestFetch, BadRepliesGiveAnErrorCode) {
  struct Case {
    const char* what;
    ScriptedAgent::Script script;
  };
  auto good = [](const SnmpMessage& m) {
    SnmpMessage r;
    r.pduType = testing::kPduResponse;
    r.requestId = m.requestId;
    r.bindings = {{m.bindings.at(0).oid, BerValue::Int(1)}};
    return r;
  };
  const Case cases[] = {
      {"wrong request id",
       [](const SnmpMessage& m, int) {
         ScriptedAgent::Action a = ScriptedAgent::Echo(m, {BerValue::Int(1)});
         a.keepRequestId = false;
         a.reply.requestId = m.requestId + 1;
         return a;
       }},
      {"truncated", [good](const SnmpMessage& m, int) {
         std::string d = testing::EncodeMessage(good(m));
         return ScriptedAgent::Raw(d.substr(0, d.size() - 3));
       }},
      {"garbage", [](const SnmpMessage&, int) { return ScriptedAgent::Raw("\x30\x82\xFF\xFF junk"); }},
      {"empty", [](const SnmpMessage&, int) { return ScriptedAgent::Raw(""); }},
      {"length past the end", [good](const SnmpMessage& m, int) {
         std::string d = testing::EncodeMessage(good(m));
         d[1] = static_cast<char>(0x7F);
         return ScriptedAgent::Raw(d);
       }},
      {"request echoed back", [](const SnmpMessage& m, int) {
         SnmpMessage same = m;
         return ScriptedAgent::Raw(testing::EncodeMessage(same));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f(c.script);
    ASSERT_EQ(f.request.AppendScalar(6), 0);
    std::int32_t rc = f.request.FetchValues();
    EXPECT_LT(rc, 0);
    std::int32_t value = 55;
    EXPECT_LT(f.request.ReadInteger(6, value), 0);
    EXPECT_EQ(value, 55);
  }
}

TEST(VectorRequestFetch, AnAnswerOnTheRetrySucceeds) {
  Fixture f([](const SnmpMessage& m, int i) {
    if (i == 0) return ScriptedAgent::Drop();
    return ScriptedAgent::Echo(m, {BerValue::Int(42)});
  });
  std::int32_t value = 0;
  EXPECT_EQ(f.request.ReadInteger(6, value), 0);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(f.agent.requestCount(), 2);
}

TEST(VectorRequestLists, BoundsAndLimitsAreRefusedWithoutTraffic) {
  Fixture f([](const SnmpMessage& m, int) { return ScriptedAgent::Echo(m, {}); }, ".1");
  for (int i = 0; i < kMaxEntries; ++i) ASSERT_EQ(f.request.AppendScalar(19), 0);
  EXPECT_EQ(f.request.AppendScalar(19), kErrCall);
  for (int i = 0; i < kMaxEntries; ++i) ASSERT_EQ(f.request.AppendScalar(22), 0);
  EXPECT_EQ(f.request.AppendScalar(22), kErrCall);
  EXPECT_EQ(f.request.integerCount(), kMaxEntries);
  EXPECT_EQ(f.request.stringCount(), kMaxEntries);
  for (int i = 0; i < kMaxEntries; ++i) ASSERT_EQ(f.request.AppendIntegerWrite(19, i), 0);
  EXPECT_EQ(f.request.AppendIntegerWrite(19, 0), kErrCall);
  for (int i = 0; i < kMaxEntries; ++i) ASSERT_EQ(f.request.AppendStringWrite(22, "x"), 0);
  EXPECT_EQ(f.request.AppendStringWrite(22, "x"), kErrCall);
  EXPECT_EQ(f.request.AppendIntegerWrite(5001, 0), kErrCall);

  std::string s;
  EXPECT_EQ(f.request.BuildChildSuffix(-1, s), kErrCall);
  EXPECT_EQ(VectorRequest::BuildRootSuffix(-3, s), kErrCall);
  EXPECT_EQ(f.request.BuildChildSuffix(0, s), kOk);
  EXPECT_EQ(s, ".1");
  EXPECT_EQ(f.request.BuildChildSuffix(3, s), kOk);
  EXPECT_EQ(s, ".1.3");

  // A suffix that makes OIDs too long, and one with too many levels.
  std::string longSuffix;
  while (longSuffix.size() < 240) longSuffix += ".1234567";
  VectorRequest tooLong(longSuffix, f.session, f.target);
  EXPECT_EQ(tooLong.AppendScalar(152), kErrCall);
  EXPECT_EQ(tooLong.AppendIntegerWrite(153, 1), kErrCall);
  std::int32_t count = 9;
  EXPECT_EQ(tooLong.CountInstances(148, count), kErrCall);
  EXPECT_EQ(count, 0);
  std::string deep;
  for (int i = 0; i < 120; ++i) deep += ".1";
  VectorRequest tooDeep(deep, f.session, f.target);
  EXPECT_EQ(tooDeep.AppendScalar(152), kErrCall);
  EXPECT_EQ(tooDeep.BuildChildSuffix(5, s), kOk);  // 121 levels fit a suffix
  EXPECT_EQ(f.agent.requestCount(), 0);
}

TEST(VectorRequestLists, UnknownIdentifiersAreZeroEntriesWithoutTraffic) {
  Fixture f([](const SnmpMessage& m, int) { return ScriptedAgent::Echo(m, {}); });
  for (std::int32_t id : {218, 5001, 8000, 8014, 9000, -1}) ASSERT_EQ(f.request.AppendScalar(id), 0);
  EXPECT_EQ(f.request.FetchValues(), 0);
  EXPECT_EQ(f.agent.requestCount(), 0);
  std::int32_t ids[6], values[6], n = 0;
  char labels[6][kTextSize];
  f.request.CopyIntegerList(ids, labels, values, &n);
  ASSERT_EQ(n, 6);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(values[i], 0);
    EXPECT_STREQ(labels[i], "");
  }
  std::int32_t v = 7;
  EXPECT_EQ(f.request.ReadInteger(8014, v), kErrCall);
  EXPECT_EQ(f.request.ReadInteger(5001, v), kErrCall);
  EXPECT_EQ(v, 7);
}

// Single reads of hostile answers: the read fails with its code and the
// caller's value stays as it was.
TEST(VectorRequestSingle, AnswersWithoutANumberForTheAskedObjectFail) {
  using testing::SignedContent;
  using testing::Tlv;
  // An answer binding an empty OID, which the codec cannot make.
  auto emptyName = [](const SnmpMessage& m) {
    std::string pdu = Tlv(0x02, SignedContent(m.requestId)) + Tlv(0x02, SignedContent(0)) +
                      Tlv(0x02, SignedContent(0)) + Tlv(0x30, Tlv(0x30, Tlv(0x06, "") + Tlv(0x02, "\x05")));
    return ScriptedAgent::Raw(
        Tlv(0x30, Tlv(0x02, SignedContent(0)) + Tlv(0x04, "public") + Tlv(0xA2, pdu)));
  };
  auto value = [](BerValue v) {
    return [v](const SnmpMessage& m) { return ScriptedAgent::Echo(m, {v}); };
  };
  auto oidValue = [] {
    BerValue v;
    v.tag = testing::kTagOid;
    v.oid = {1, 3, 6, 1};
    return v;
  };
  auto tagged = [](std::uint8_t tag, std::string bytes = {}) {
    BerValue v;
    v.tag = tag;
    v.bytes = std::move(bytes);
    return v;
  };
  struct Case {
    const char* what;
    std::function<ScriptedAgent::Action(const SnmpMessage&)> answer;
    std::int32_t integerCode;  // of ReadInteger
    bool textFails;            // ReadString fails too
  };
  const Case cases[] = {
      {"another object",
       [](const SnmpMessage&) {
         return ScriptedAgent::Reply({{Oid("1.3.6.1.2.1.1.7.0"), BerValue::Int(5)}});
       },
       kErrOther, true},
      {"an empty OID", emptyName, kErrOther, true},
      {"no binding", [](const SnmpMessage&) { return ScriptedAgent::Reply({}); }, kErrOther, true},
      {"noSuchObject", value(tagged(testing::kTagNoSuchObject)), kErrOther, true},
      {"noSuchInstance", value(tagged(testing::kTagNoSuchInstance)), kErrOther, true},
      {"endOfMibView", value(tagged(testing::kTagEndOfMibView)), kErrOther, true},
      {"an octet string", value(BerValue::Octets("12")), kErrBadValue, false},
      {"Null", value(BerValue::Null()), kErrBadValue, false},
      {"Counter64", value(BerValue::Unsigned(testing::kTagCounter64, 5)), kErrBadValue, false},
      {"Opaque", value(tagged(testing::kTagOpaque, "\x01")), kErrBadValue, false},
      {"an OID", value(oidValue()), kErrBadValue, false},
      {"an IP address", value(tagged(testing::kTagIpAddress, std::string("\x7F\0\0\x01", 4))), kErrBadValue, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f([&c](const SnmpMessage& m, int) { return c.answer(m); });
    std::int32_t v = 55;
    EXPECT_EQ(f.request.ReadInteger(6, v), c.integerCode);
    EXPECT_EQ(v, 55);
    char text[kTextSize] = "unchanged";
    std::int32_t rc = f.request.ReadString(152, text);
    if (c.textFails) {
      EXPECT_EQ(rc, kErrOther);
      EXPECT_STREQ(text, "unchanged");
    } else {
      EXPECT_EQ(rc, kOk);
    }
  }
}

// After a switch to another device, an answer that does not bind every asked
// object is a failed read, and no entry shows the first device's value.
TEST(VectorRequestFetch, AnAnswerThatLeavesOutAnAskedObjectIsAFailedRead) {
  using Answer = std::function<ScriptedAgent::Action(const SnmpMessage&)>;
  auto endOfView = [](const SnmpMessage& m) {
    BerValue end;
    end.tag = testing::kTagEndOfMibView;
    return ScriptedAgent::Echo(m, {BerValue::Int(21), end, BerValue::Int(23), BerValue::Octets("b1"),
                                   BerValue::Octets("b2")});
  };
  struct Case {
    const char* what;
    Answer answer;
  };
  const Case cases[] = {
      {"fewer bindings",
       [](const SnmpMessage& m) {
         ScriptedAgent::Action a = ScriptedAgent::Echo(m, {BerValue::Int(21), BerValue::Int(22)});
         a.reply.bindings.resize(2);
         return a;
       }},
      {"other objects",
       [](const SnmpMessage& m) {
         ScriptedAgent::Action a = ScriptedAgent::Echo(
             m, {BerValue::Int(21), BerValue::Int(22), BerValue::Int(23), BerValue::Octets("b1"),
                 BerValue::Octets("b2")});
         a.reply.bindings[1].oid.back() += 1;
         a.reply.bindings[4].oid = Oid("1.3.6.1.2.1.1.5.0");
         return a;
       }},
      {"endOfMibView", endOfView},
      {"one object twice, another not at all",
       [](const SnmpMessage& m) {
         ScriptedAgent::Action a = ScriptedAgent::Echo(
             m, {BerValue::Int(21), BerValue::Int(22), BerValue::Int(23), BerValue::Octets("b1"),
                 BerValue::Octets("b2")});
         a.reply.bindings[2] = a.reply.bindings[0];
         a.reply.bindings[4] = a.reply.bindings[3];
         return a;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedAgent first([](const SnmpMessage& m, int) {
      return ScriptedAgent::Echo(m, {BerValue::Int(11), BerValue::Int(12), BerValue::Int(13),
                                     BerValue::Octets("a1"), BerValue::Octets("a2")});
    });
    Fixture f([&c](const SnmpMessage& m, int) { return c.answer(m); });
    for (std::int32_t id : {6, 155, 156, 152, 151}) ASSERT_EQ(f.request.AppendScalar(id), 0);
    snmp::Address second = f.target.address;
    f.target.address = *snmp::Address::Parse(first.address());
    ASSERT_EQ(f.request.FetchValues(), kOk);

    f.target.address = second;  // the device switch
    EXPECT_EQ(f.request.FetchValues(), kErrOther);
    std::int32_t values[3], n = 0;
    f.request.CopyIntegerList(nullptr, nullptr, values, &n);
    ASSERT_EQ(n, 3);
    char texts[2][kTextSize];
    f.request.CopyStringList(nullptr, nullptr, texts, &n);
    ASSERT_EQ(n, 2);
    for (std::int32_t v : values) EXPECT_TRUE(v == 0 || v > 20) << v;
    for (const char* t : {texts[0], texts[1]}) EXPECT_TRUE(t[0] == '\0' || t[0] == 'b') << t;
  }
}

TEST(VectorRequestWalk, AWalkEndsWithATimeOutAtItsOverallDeadline) {
  // An endless column, each answer well inside the time-out.
  auto rows = ColumnWalk("1.3.6.1.4.1.2364.1.2.6.1.1.2", 1 << 30);
  Fixture f([rows](const SnmpMessage& m, int i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return rows(m, i);
  });
  f.target.retries = 0;
  f.target.timeoutCs = 10;  // the deadline is then ten time-outs, one second
  std::int32_t count = -1;
  EXPECT_EQ(f.request.CountInstances(175, count), kErrTimeout);
  EXPECT_GT(count, 0);
  EXPECT_LE(count, 1000 / 20 + 1);  // no more steps of 20 ms fit a second
}

}  // namespace
}  // namespace vlm::netmgr
