// The SNMP layer's own parsing and formatting, and its refusal to send
// outside loopback in tests.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>

#include "netmgr/snmp/snmp.h"
#include "tests/support/loopback.h"
#include "tests/support/scripted_agent.h"

namespace vlm::snmp {
namespace {

// The target of a scripted agent, with the given retries and time-out.
Target AgentTarget(const vlm::testing::ScriptedAgent& agent, int retries = 1, int timeoutCs = 100) {
  Target target;
  target.address = *Address::Parse(agent.address());
  target.retries = retries;
  target.timeoutCs = timeoutCs;
  return target;
}

TEST(SnmpOid, ParsesOnlyWellFormedText) {
  struct Case {
    const char* text;
    bool ok;
  };
  const std::string longest = [] {
    std::string s = "1";
    for (int i = 1; i < 128; ++i) s += ".1";
    return s;
  }();
  const std::string tooLong = longest + ".1";
  const Case cases[] = {
      {"1.3.6.1.2.1.1.1.0", true}, {"0", true},       {"1.3.4294967295", true},
      {"", false},                 {".1.3.6", false}, {"1.3.6.", false},
      {"1..3", false},             {"1.3.a", false},  {"1.3.4294967296", false},
      {"1.3.-1", false},           {" 1.3", false},   {"1.3 ", false},
      {longest.c_str(), true},     {tooLong.c_str(), false},
  };
  for (const Case& c : cases) {
    auto oid = Oid::Parse(c.text);
    EXPECT_EQ(oid.has_value(), c.ok) << c.text;
    if (oid) {
      EXPECT_EQ(oid->Text(), c.text);
    }
  }
}

TEST(SnmpOid, OrdersBySubIdentifierNotByText) {
  Oid a = *Oid::Parse("1.3.6.1.2");
  Oid b = *Oid::Parse("1.3.6.1.10");
  EXPECT_LT(a, b);  // as text, "1.3.6.1.10" sorts first
  EXPECT_TRUE(Oid::Parse("1.3.6.1.2.5")->StartsWith(a));
  EXPECT_FALSE(Oid::Parse("1.3.6.1.20")->StartsWith(a));
  EXPECT_TRUE(a.StartsWith(a));
}

TEST(SnmpAddress, ParsesIpAndIpxWithoutResolvingNames) {
  struct Case {
    const char* text;
    bool ok;
    Address::Kind kind;
    const char* printed;
  };
  const std::string defaultPort = std::to_string(DefaultPort());
  const Case cases[] = {
      {"127.0.0.1", true, Address::Kind::Ip, nullptr},
      {"127.1.2.3/1161", true, Address::Kind::Ip, "127.1.2.3/1161"},
      {"0000a1b2:00001b2c3d4e", true, Address::Kind::Ipx, "0000a1b2:00001b2c3d4e"},
      {"0000A1B2:00001B2C3D4E", true, Address::Kind::Ipx, "0000a1b2:00001b2c3d4e"},
      {"0000a1b2:00001b2c3d4e/36879", true, Address::Kind::Ipx, "0000a1b2:00001b2c3d4e/36879"},
      {"localhost", false, {}, nullptr},
      {"printer.example", false, {}, nullptr},
      {"127.0.0", false, {}, nullptr},
      {"127.0.0.256", false, {}, nullptr},
      {"127.0.0.1.5", false, {}, nullptr},
      {"127.0.0.1/0", false, {}, nullptr},
      {"127.0.0.1/65536", false, {}, nullptr},
      {"127.0.0.1/", false, {}, nullptr},
      {"", false, {}, nullptr},
      {"0000a1b2:00001b2c3d4", false, {}, nullptr},
      {"0000a1g2:00001b2c3d4e", false, {}, nullptr},
  };
  for (const Case& c : cases) {
    auto a = Address::Parse(c.text);
    ASSERT_EQ(a.has_value(), c.ok) << c.text;
    if (!a) continue;
    EXPECT_EQ(a->kind(), c.kind) << c.text;
    EXPECT_EQ(a->Text(), c.printed ? std::string(c.printed) : std::string(c.text) + "/" + defaultPort);
  }
  EXPECT_EQ(Address::Parse("127.9.8.7/99")->HostText(), "127.9.8.7");
}

TEST(SnmpValue, PrintableFormsAndIntegerReadings) {
  struct Case {
    VarBind b;
    const char* printable;
    std::optional<std::int32_t> asInt;
  };
  auto make = [](Syntax s, std::int64_t n) {
    VarBind b;
    b.syntax = s;
    b.integer = n;
    return b;
  };
  VarBind ip;
  ip.syntax = Syntax::IpAddress;
  ip.bytes = std::string("\x7F\x00\x00\x01", 4);
  VarBind oidValue;
  oidValue.syntax = Syntax::ObjectId;
  oidValue.oidValue = *Oid::Parse("1.3.6.1.4.1.2364");
  const Case cases[] = {
      {make(Syntax::Integer, -5), "-5", -5},
      {make(Syntax::Counter32, 4294967295LL), "4294967295", -1},
      {make(Syntax::Gauge32, 7), "7", 7},
      {make(Syntax::TimeTicks, 12345), "0:02:03.45", 12345},
      {make(Syntax::TimeTicks, 8640000 + 100), "1 day 0:00:01.00", 8640100},
      {make(Syntax::TimeTicks, 3 * 8640000), "3 days, 0:00:00.00", 25920000},
      {make(Syntax::Counter64, 5000000000LL), "5000000000", std::nullopt},
      {VarBind::Octets({}, "Velmar IP Controller"), "Velmar IP Controller", std::nullopt},
      {VarBind::Octets({}, "line\r\nline"), "line\r\nline", std::nullopt},
      {ip, "127.0.0.1", std::nullopt},
      {oidValue, "1.3.6.1.4.1.2364", std::nullopt},
      {VarBind{}, "", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.b.Printable(), c.printable);
    EXPECT_EQ(c.b.AsInt32(), c.asInt) << c.printable;
  }
}

// Octet strings are texts: each byte that is not part of a UTF-8 character,
// and each control character but tab and the line ends, shows as U+FFFD; NUL
// padding at the end is dropped. A text never turns into a hex dump.
TEST(SnmpValue, OctetStringsReadAsTextWithEachBadByteReplaced) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  struct Case {
    std::string bytes;
    std::string text;
  };
  const Case cases[] = {
      {"Velmar IP Controller", "Velmar IP Controller"},
      {"B\xC3\xBCro 3 \xE2\x82\xAC \xF0\x9F\x96\xA8", "B\xC3\xBCro 3 \xE2\x82\xAC \xF0\x9F\x96\xA8"},
      {"line\r\nline\tcell", "line\r\nline\tcell"},
      {std::string("Office\0\0\0", 9), "Office"},
      {std::string("Office\0Floor 2", 14), "Office" + r + "Floor 2"},
      {std::string(3, '\0'), ""},
      {"Caf\xE9 Lobby", "Caf" + r + " Lobby"},              // Latin-1
      {"\xFF\xFE", r + r},                                  // never a character
      {"\xC3", r},                                          // cut short
      {"\xC0\xAF", r + r},                                  // over-long form
      {"\xED\xA0\x80", r + r + r},                          // a surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},                  // past U+10FFFF
      {"a\x1B[2Jb\x7F\xC2\x85", "a" + r + "[2Jb" + r + r},  // controls
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OctetsAsText(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(VarBind::Octets({}, c.bytes).Printable(), c.text) << c.bytes;
  }
  // Opaque values are no texts and keep the hex form.
  VarBind opaque;
  opaque.syntax = Syntax::Opaque;
  opaque.bytes = "\x01\x02";
  EXPECT_EQ(opaque.Printable(), PrintableOctets("\x01\x02"));
}

TEST(SnmpValue, NonPrintableOctetsGiveAHexDump) {
  // The characters start at column 53 on every line: two blanks, 16 x "XX ",
  // three blanks.
  EXPECT_EQ(PrintableOctets(std::string("A\0B", 3)),
            "  41 00 42 " + std::string(13 * 3, ' ') + "   A.B\n");
  std::string bytes;
  for (int i = 0; i < 17; ++i) bytes.push_back(static_cast<char>(0xF0 + (i % 16)));
  EXPECT_EQ(PrintableOctets(bytes),
            "  F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF    ................\n"
            "  F0 " + std::string(15 * 3, ' ') + "   .\n");
}

TEST(SnmpSession, RefusesAddressesOutsideLoopbackInTests) {
  ASSERT_NE(std::getenv("VLM_SNMP_LOOPBACK_ONLY"), nullptr);
  Session session;
  Target target;
  target.address = *Address::Parse("203.0.113.9/161");
  Response r;
  EXPECT_EQ(session.Get(target, {*Oid::Parse("1.3.6.1.2.1.1.1.0")}, r), Status::TransportFailed);
}

TEST(SnmpIpx, WithoutABackendNoIpxSessionOpensAndNothingIsSent) {
  UseIpxUnavailable();
  EXPECT_FALSE(IpxAvailable());
  std::unique_ptr<Session> bound;
  EXPECT_EQ(Session::Open(Transport::Ipx, bound), Status::TransportUnsupported);
  EXPECT_EQ(bound, nullptr);

  Session session;
  Target target;
  target.address = *Address::Parse("0000a1b2:00001b2c3d4e");
  Response r;
  EXPECT_EQ(session.Get(target, {*Oid::Parse("1.3.6.1.2.1.1.1.0")}, r), Status::TransportFailed);
}

TEST(SnmpIpx, TheLoopbackMapCarriesMappedIpxAddressesToARealAgent) {
  using vlm::testing::ScriptedAgent;
  ScriptedAgent agent([](const vlm::testing::SnmpMessage& m, int) {
    return ScriptedAgent::Echo(m, {vlm::testing::BerValue::Int(7)});
  });
  const Address mapped = *Address::Parse("0000a1b2:00001b2c3d4e");
  ASSERT_TRUE(UseIpxLoopbackMap({{mapped, *Address::Parse(agent.address())}}));
  EXPECT_TRUE(IpxAvailable());
  std::unique_ptr<Session> ipx;
  ASSERT_EQ(Session::Open(Transport::Ipx, ipx), Status::Success);
  ASSERT_NE(ipx, nullptr);

  const std::vector<Oid> oids = {*Oid::Parse("1.3.6.1.2.1.1.7.0")};
  Target target;
  Response r;
  // The socket is not part of the mapping.
  target.address = *Address::Parse("0000a1b2:00001b2c3d4e/36879");
  ASSERT_EQ(ipx->Get(target, oids, r), Status::Success);
  ASSERT_EQ(r.bindings.size(), 1u);
  EXPECT_EQ(r.bindings[0].AsInt32(), 7);
  EXPECT_EQ(agent.requestCount(), 1);

  // An unmapped IPX address, and addresses of the other transport, send nothing.
  target.address = *Address::Parse("0000a1b2:00001b2c3d4f");
  EXPECT_EQ(ipx->Get(target, oids, r), Status::TransportFailed);
  target.address = *Address::Parse(agent.address());
  EXPECT_EQ(ipx->Get(target, oids, r), Status::InvalidAddress);
  std::unique_ptr<Session> udp;
  ASSERT_EQ(Session::Open(Transport::Udp, udp), Status::Success);
  target.address = mapped;
  EXPECT_EQ(udp->Get(target, oids, r), Status::InvalidAddress);
  EXPECT_EQ(agent.requestCount(), 1);

  UseIpxUnavailable();
  EXPECT_EQ(Session::Open(Transport::Ipx, ipx), Status::TransportUnsupported);
}

TEST(SnmpIpx, TheMapTakesOnlyIpxAddressesMappedIntoLoopback) {
  UseIpxUnavailable();
  const Address ipx = *Address::Parse("0000a1b2:00001b2c3d4e");
  EXPECT_FALSE(UseIpxLoopbackMap({{ipx, *Address::Parse("203.0.113.9/161")}}));
  EXPECT_FALSE(UseIpxLoopbackMap({{*Address::Parse("127.0.0.1"), *Address::Parse("127.0.0.2")}}));
  EXPECT_FALSE(UseIpxLoopbackMap({{ipx, ipx}}));
  EXPECT_FALSE(IpxAvailable());
}

TEST(SnmpSession, SendsTheCommunityOfTheOperation) {
  using vlm::testing::ScriptedAgent;
  ScriptedAgent agent([](const vlm::testing::SnmpMessage& m, int) {
    return ScriptedAgent::Echo(m, {vlm::testing::BerValue::Int(1)});
  });
  Session session;
  Target target;
  target.address = *Address::Parse(agent.address());
  target.writeCommunity = "qarnel";
  Response r;
  ASSERT_EQ(session.Get(target, {*Oid::Parse("1.3.6.1.2.1.1.7.0")}, r), Status::Success);
  ASSERT_EQ(session.Set(target, {VarBind::Int(*Oid::Parse("1.3.6.1.2.1.1.7.0"), 3)}, r),
            Status::Success);
  auto received = agent.received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].community, "public");
  EXPECT_EQ(received[0].version, 0);
  EXPECT_EQ(received[1].community, "qarnel");
  EXPECT_EQ(received[1].bindings.at(0).value.number, 3);
}

TEST(SnmpSession, TakesAnswersOnlyFromTheAskedAddress) {
  using vlm::testing::ScriptedAgent;
  for (bool sameHost : {false, true}) {
    SCOPED_TRACE(sameHost ? "same host, another port" : "another host");
    std::mutex m;
    std::string from = sameHost ? std::string() : vlm::testing::AllocateLoopbackAddress();
    ScriptedAgent agent([&](const vlm::testing::SnmpMessage& request, int) {
      ScriptedAgent::Action a = ScriptedAgent::Echo(request, {vlm::testing::BerValue::Int(666)});
      std::lock_guard<std::mutex> lock(m);
      a.fromHost = from;
      return a;
    });
    {
      std::lock_guard<std::mutex> lock(m);
      if (sameHost) from = agent.address().substr(0, agent.address().find('/'));
    }
    Session session;
    const Target target = AgentTarget(agent, 1, 10);
    Response r;
    EXPECT_EQ(session.Get(target, {*Oid::Parse("1.3.6.1.2.1.1.7.0")}, r), Status::Timeout);
    EXPECT_TRUE(r.bindings.empty());
    EXPECT_EQ(agent.requestCount(), 2);
  }
}

// An answer that carries another community than its request is not taken
// (the exchange goes on waiting and times out); an answer with the
// request's community on the retry is.
TEST(SnmpSession, TakesAnswersOnlyWithTheRequestsCommunity) {
  using vlm::testing::ScriptedAgent;
  struct Case {
    const char* answered;
    bool set;  // a set, sent with the write community "qarnel"
  };
  const Case cases[] = {
      {"private", false}, {"Public", false}, {"publi", false},  {"public2", false},
      {"", false},        {"qarnel", false}, {"public", true},  {"qarne", true},
  };
  const Oid name = *Oid::Parse("1.3.6.1.2.1.1.7.0");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.answered) + (c.set ? " to a set" : " to a get"));
    ScriptedAgent agent([&c](const vlm::testing::SnmpMessage& request, int index) {
      ScriptedAgent::Action a = ScriptedAgent::Echo(request, {vlm::testing::BerValue::Int(index + 1)});
      if (index < 2) {  // the first exchange's only try and the second's first
        a.keepCommunity = false;
        a.reply.community = c.answered;
      }
      return a;
    });
    Session session;
    Target target = AgentTarget(agent, 0, 20);
    target.writeCommunity = "qarnel";
    Response r;
    auto exchange = [&] {
      return c.set ? session.Set(target, {VarBind::Int(name, 3)}, r) : session.Get(target, {name}, r);
    };
    EXPECT_EQ(exchange(), Status::Timeout);
    EXPECT_TRUE(r.bindings.empty());
    target.retries = 1;
    ASSERT_EQ(exchange(), Status::Success);
    ASSERT_EQ(r.bindings.size(), 1u);
    EXPECT_EQ(r.bindings[0].AsInt32(), 3);  // the answer to the retry
    EXPECT_EQ(agent.requestCount(), 3);
  }
}

// One session asks lists that differ in length, in one OID, and in their
// order, and asks a list again after others: each request carries exactly
// the OIDs of its own call, and each answer lands in its call's response.
TEST(SnmpSession, EachRequestCarriesTheOidsOfItsOwnCall) {
  using vlm::testing::ScriptedAgent;
  ScriptedAgent agent([](const vlm::testing::SnmpMessage& m, int index) {
    std::vector<vlm::testing::BerValue> values;
    for (std::size_t k = 0; k < m.bindings.size(); ++k)
      values.push_back(vlm::testing::BerValue::Int(index * 10 + static_cast<int>(k)));
    return ScriptedAgent::Echo(m, values);
  });
  Session session;
  const Target target = AgentTarget(agent);
  const Oid a = *Oid::Parse("1.3.6.1.2.1.1.7.0"), b = *Oid::Parse("1.3.6.1.2.1.1.3.0"),
            c = *Oid::Parse("1.3.6.1.2.1.1.3.1");
  const std::vector<std::vector<Oid>> calls = {{a, b}, {a, b}, {b}, {a, c}, {c, a}, {a, b}, {}, {a, b}};
  Response r;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(session.Get(target, calls[i], r), Status::Success);
    ASSERT_EQ(r.bindings.size(), calls[i].size());
    for (std::size_t k = 0; k < calls[i].size(); ++k) {
      EXPECT_EQ(r.bindings[k].oid, calls[i][k]);
      EXPECT_EQ(r.bindings[k].AsInt32(), static_cast<int>(i * 10 + k));
    }
  }
  // A get-next and a set between gets change nothing of the next get.
  ASSERT_EQ(session.GetNext(target, {c}, r), Status::Success);
  ASSERT_EQ(session.Set(target, {VarBind::Int(a, 3)}, r), Status::Success);
  ASSERT_EQ(session.Get(target, {a, b}, r), Status::Success);
  const auto received = agent.received();
  ASSERT_EQ(received.size(), calls.size() + 3);
  for (std::size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(received[i].bindings.size(), calls[i].size());
    for (std::size_t k = 0; k < calls[i].size(); ++k)
      EXPECT_EQ(Oid(received[i].bindings[k].oid), calls[i][k]);
  }
  EXPECT_EQ(received[calls.size()].pduType, vlm::testing::kPduGetNext);
  EXPECT_EQ(received[calls.size() + 1].bindings.at(0).value.number, 3);
  EXPECT_EQ(received.back().bindings.size(), 2u);
  // A list with an OID out of bounds is refused without traffic, and the
  // next list is sent as asked.
  EXPECT_EQ(session.Get(target, {a, Oid()}, r), Status::InvalidOid);
  EXPECT_TRUE(r.bindings.empty());
  ASSERT_EQ(session.Get(target, {b}, r), Status::Success);
  EXPECT_EQ(agent.received().size(), calls.size() + 4);
  EXPECT_EQ(Oid(agent.received().back().bindings.at(0).oid), b);
}

// An answer that carries the request id of an exchange that already timed
// out is never taken for the answer of the exchange in progress.
TEST(SnmpSession, AnAnswerToAnEarlierRequestIsNotTaken) {
  using vlm::testing::ScriptedAgent;
  std::mutex m;
  std::int32_t firstId = 0;
  ScriptedAgent agent([&](const vlm::testing::SnmpMessage& request, int index) {
    std::lock_guard<std::mutex> lock(m);
    if (index == 0) {
      firstId = request.requestId;
      return ScriptedAgent::Drop();
    }
    ScriptedAgent::Action a = ScriptedAgent::Echo(request, {vlm::testing::BerValue::Int(index)});
    if (index == 1) {
      a.keepRequestId = false;
      a.reply.requestId = firstId;
    }
    return a;
  });
  Session session;
  const Target target = AgentTarget(agent, 0, 20);
  Response r;
  const std::vector<Oid> oids = {*Oid::Parse("1.3.6.1.2.1.1.7.0")};
  EXPECT_EQ(session.Get(target, oids, r), Status::Timeout);
  EXPECT_EQ(session.Get(target, oids, r), Status::Timeout);
  EXPECT_TRUE(r.bindings.empty());
  ASSERT_EQ(session.Get(target, oids, r), Status::Success);
  EXPECT_EQ(r.bindings.at(0).AsInt32(), 2);
  EXPECT_EQ(agent.requestCount(), 3);
}

// Answers whose numbers do not fit their types are refused (those that
// Net-SNMP reads modulo 2^32 by this layer, over-long sub-identifiers by
// Net-SNMP itself, which drops the answer); the largest numbers that do fit
// are read as they are.
TEST(SnmpSession, NumbersBeyondTheirTypesAreRefused) {
  using vlm::testing::ScriptedAgent;
  using vlm::testing::SignedContent;
  using vlm::testing::Tlv;
  const std::string name = Tlv(0x06, "\x2B\x06\x01\x02\x01\x01\x07\x00");  // 1.3.6.1.2.1.1.7.0
  const std::string big = "\x90\x80\x80\x80\x00";  // 2^32 as a sub-identifier
  // 2^64 + n as a sub-identifier: ten groups of seven bits.
  auto wrapped = [](char n) { return "\x82" + std::string(8, '\x80') + std::string(1, n); };
  struct Case {
    const char* what;
    std::string errorStatus;  // content of the error status
    std::string binding;      // name and value
    std::optional<std::int64_t> read;  // nullopt: refused with `refusal`
    Status refusal = Status::Error;
  };
  const std::string zero(1, '\0');
  const Case cases[] = {
      {"INTEGER 2^32", zero, name + Tlv(0x02, std::string("\x01\0\0\0\0", 5)), std::nullopt},
      {"INTEGER -2^31-1", zero, name + Tlv(0x02, "\xFF\x7F\xFF\xFF\xFF"), std::nullopt},
      {"Counter32 2^32", zero, name + Tlv(0x41, std::string("\x01\0\0\0\0", 5)), std::nullopt},
      {"Gauge32 below 0", zero, name + Tlv(0x42, "\xFF"), std::nullopt},
      {"error status 2^32", std::string("\x01\0\0\0\0", 5), name + Tlv(0x02, "\x01"), std::nullopt},
      {"sub-identifier 2^70 in the name",
       zero, Tlv(0x06, "\x2B\x06\x01\x02\x01\x01\x07\x81\x80\x80\x80\x80\x80\x80\x80\x80\x80\x00") +
                 Tlv(0x02, "\x01"),
       std::nullopt, Status::Timeout},
      {"sub-identifier 2^32 in a value", zero, name + Tlv(0x06, "\x2B" + big), std::nullopt,
       Status::Timeout},
      // 2^64 + n: Net-SNMP reads it modulo 2^64 as n (the name as the asked
      // 1.3.6.1.2.1.1.7.0), in a name and in a value alike.
      {"sub-identifier 2^64 in the name", zero,
       Tlv(0x06, "\x2B\x06\x01\x02\x01\x01\x07" + wrapped('\0')) + Tlv(0x02, "\x01"), std::nullopt},
      {"sub-identifier 2^64+7 in a value", zero, name + Tlv(0x06, "\x2B\x06" + wrapped('\x07')),
       std::nullopt},
      {"INTEGER 2^31-1, padded", zero, name + Tlv(0x02, std::string("\x00\x7F\xFF\xFF\xFF", 5)),
       2147483647},
      {"INTEGER -2^31", zero, name + Tlv(0x02, std::string("\x80\0\0\0", 4)), -2147483648LL},
      {"Counter32 2^32-1", zero, name + Tlv(0x41, std::string("\x00\xFF\xFF\xFF\xFF", 5)),
       4294967295LL},
      {"Counter64 2^64-1", zero, name + Tlv(0x46, std::string("\x00", 1) + std::string(8, '\xFF')), -1},
      {"sub-identifier 2^32-1 in the name, padded", zero,
       Tlv(0x06, "\x2B\x06\x01\x02\x01\x01\x07\x80\x8F\xFF\xFF\xFF\x7F") + Tlv(0x02, "\x05"), 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedAgent agent([&c, &zero](const vlm::testing::SnmpMessage& request, int) {
      std::string pdu = Tlv(0x02, SignedContent(request.requestId)) + Tlv(0x02, c.errorStatus) +
                        Tlv(0x02, zero) + Tlv(0x30, Tlv(0x30, c.binding));
      return ScriptedAgent::Raw(
          Tlv(0x30, Tlv(0x02, zero) + Tlv(0x04, "public") + Tlv(0xA2, pdu)));
    });
    Session session;
    const Target target = AgentTarget(agent, 0, 50);
    Response r;
    Status s = session.Get(target, {*Oid::Parse("1.3.6.1.2.1.1.7.0")}, r);
    if (!c.read) {
      EXPECT_EQ(s, c.refusal);
      EXPECT_TRUE(r.bindings.empty());
      continue;
    }
    ASSERT_EQ(s, Status::Success);
    ASSERT_EQ(r.bindings.size(), 1u);
    EXPECT_EQ(r.bindings[0].integer, *c.read);
  }
}

// The check reads an answer the way the library does, so that a number
// beyond its type is refused in every encoding the library takes: a length
// given in five length bytes, a community of another type than OCTET STRING,
// a binding inside the over-long sequence of the binding before it. Each
// form with a number that fits is read.
TEST(SnmpSession, NumbersBeyondTheirTypesAreRefusedInEveryEncodingTheLibraryTakes) {
  using vlm::testing::ScriptedAgent;
  using vlm::testing::SignedContent;
  using vlm::testing::Tlv;
  const std::string name = Tlv(0x06, "\x2B\x06\x01\x02\x01\x01\x07\x00");  // 1.3.6.1.2.1.1.7.0
  const std::string zero(1, '\0');
  // An element whose length is given in five length bytes.
  auto longTlv = [](char tag, const std::string& content) {
    return std::string{tag, '\x85', '\0', '\0', '\0', '\0', static_cast<char>(content.size())} + content;
  };
  auto message = [&](std::int32_t id, const std::string& community, const std::string& errorStatus,
                     const std::string& bindings) {
    const std::string pdu = Tlv(0x02, SignedContent(id)) + errorStatus + Tlv(0x02, zero) + Tlv(0x30, bindings);
    return Tlv(0x30, Tlv(0x02, zero) + community + Tlv(0xA2, pdu));
  };
  const std::string community = Tlv(0x04, "public"), noError = Tlv(0x02, zero);
  // The answer to request `id` with the number `n` (content bytes) in it.
  using Form = std::function<std::string(std::int32_t id, const std::string& n)>;
  const struct {
    const char* what;
    Form form;
  } forms[] = {
      {"a value's length in five bytes",
       [&](std::int32_t id, const std::string& n) {
         return message(id, community, noError, Tlv(0x30, name + longTlv(0x02, n)));
       }},
      {"the error status's length in five bytes",
       [&](std::int32_t id, const std::string& n) {
         return message(id, community, longTlv(0x02, n), Tlv(0x30, name + Tlv(0x02, "\x05")));
       }},
      {"a community that is not an OCTET STRING",
       [&](std::int32_t id, const std::string& n) {
         return message(id, Tlv(0x44, "public"), noError, Tlv(0x30, name + Tlv(0x02, n)));
       }},
      {"a binding inside the sequence of the binding before",
       [&](std::int32_t id, const std::string& n) {
         return message(id, community, noError,
                        Tlv(0x30, name + Tlv(0x02, "\x05") + Tlv(0x30, name + Tlv(0x02, n))));
       }},
  };
  for (const auto& f : forms) {
    for (const std::string& number : {std::string("\x01\0\0\0\0", 5), zero}) {
      const bool fits = number.size() == 1;
      SCOPED_TRACE(std::string(f.what) + (fits ? ", 0" : ", 2^32"));
      ScriptedAgent agent([&](const vlm::testing::SnmpMessage& request, int) {
        return ScriptedAgent::Raw(f.form(request.requestId, number));
      });
      Session session;
      Response r;
      const Status s = session.Get(AgentTarget(agent, 0, 50), {*Oid::Parse("1.3.6.1.2.1.1.7.0")}, r);
      if (fits) {
        EXPECT_EQ(s, Status::Success);
        EXPECT_FALSE(r.bindings.empty());
      } else {
        EXPECT_EQ(s, Status::Error);
        EXPECT_TRUE(r.bindings.empty());
      }
    }
  }
}

}  // namespace
}  // namespace vlm::snmp
