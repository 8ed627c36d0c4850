// Device records, property reads and the handling of answers, over the
// in-process network.
#include <gtest/gtest.h>

#include <cstring>

#include "discovery/providers/device_finder.h"
#include "discovery/providers/tests/fake_network.h"

namespace vlm::discovery {
namespace {

using snmp::Oid;
using snmp::VarBind;
using testing::FakeAgent;
using testing::FakeNetwork;

constexpr const char* kSysName = "1.3.6.1.2.1.1.5.0";
constexpr const char* kStatusOid = "1.3.6.1.4.1.2364.1.1.1.1.1.6.1.1";

// A finder whose pass queries the configured addresses once each.
class ListFinder : public DeviceFinder {
 public:
  explicit ListFinder(std::vector<PropertyDef> table) : DeviceFinder(std::move(table)) {}
  int Discover(const std::vector<std::string>& addresses, const OptionValues& options) override {
    MarkAllUnseen();
    for (const std::string& a : addresses) QueryDevice(QueryRecordFor(a), options.timeout, options.retries);
    return 1;
  }
  void OnPassEnd() override { ++passEnds; }
  RecordPtr Record(const std::string& address) { return QueryRecordFor(address); }
  RecordPtr Fresh(const std::string& address) {
    auto r = std::make_shared<DeviceRecord>(address);
    return r;
  }
  int passEnds = 0;
};

const std::vector<PropertyDef> kIpTable = {{"DEVICE_PRODUCT_NAME", kSysName},
                                          {"DEVICE_NAME", kSystemDescriptionOid}};

OptionValues Quick() { return {1000, 5, 1, 1, 0}; }

std::string Text(const DeviceFinder& f, std::uint32_t index, const char* name) {
  return testing::PropertyText(f, index, name);
}

TEST(DeviceRecord, ReadsWriteOnlyWhatFits) {
  DeviceRecord r("127.0.0.1");
  r.SetVbProperty("DEVICE_PRODUCT_NAME", VarBind::Octets(*Oid::Parse(kSysName), "Model 9"));
  r.SetVbProperty("DEVICE_GENERAL_STATUS", VarBind::Int(*Oid::Parse(kStatusOid), -3));
  VarBind gauge;
  gauge.oid = *Oid::Parse(kStatusOid);
  gauge.syntax = snmp::Syntax::Gauge32;
  gauge.integer = 4000000000LL;
  r.SetVbProperty("GAUGE", gauge);
  VarBind unanswered;
  unanswered.oid = *Oid::Parse(kStatusOid);
  r.SetVbProperty("NULL", unanswered);
  VarBind big;
  big.oid = *Oid::Parse(kStatusOid);
  big.syntax = snmp::Syntax::Counter64;
  big.integer = 5;
  r.SetVbProperty("COUNTER64", big);
  r.SetTextProperty("DEVICE_NAME_SPOOLER", "Laser");
  r.SetTextProperty("EMPTY", "");
  r.SetIntProperty("DEVICE_INSTALLED_PRINTER", 1);

  const struct {
    const char* name;
    std::uint32_t size;
    bool found;
    std::uint32_t length;
    const char* bytes;  // expected start of the buffer (length + NUL for texts)
    std::size_t byteCount;
  } cases[] = {
      {"DEVICE_PRODUCT_NAME", 256, true, 7, "Model 9\0", 8},
      {"DEVICE_PRODUCT_NAME", 8, true, 7, "Model 9\0", 8},
      {"DEVICE_PRODUCT_NAME", 7, false, 0, nullptr, 0},  // no room for the NUL
      {"DEVICE_GENERAL_STATUS", 4, true, 4, "\xfd\xff\xff\xff", 4},
      {"DEVICE_GENERAL_STATUS", 2, false, 0, nullptr, 0},
      {"GAUGE", 4, true, 4, "\x00\x28\x6b\xee", 4},
      {"NULL", 256, false, 0, nullptr, 0},
      {"COUNTER64", 256, false, 0, nullptr, 0},
      {"DEVICE_NAME_SPOOLER", 256, true, 5, "Laser\0", 6},
      {"DEVICE_NAME_SPOOLER", 5, false, 0, nullptr, 0},
      {"EMPTY", 1, true, 0, "\0", 1},
      {"DEVICE_INSTALLED_PRINTER", 4, true, 4, "\x01\x00\x00\x00", 4},
      {"DEVICE_INSTALLED_PRINTER", 3, false, 0, nullptr, 0},
      {"device_product_name", 256, false, 0, nullptr, 0},  // names keep their case
      {"NOT_THERE", 256, false, 0, nullptr, 0},
  };
  for (const auto& c : cases) {
    unsigned char buffer[256];
    std::memset(buffer, 0xAA, sizeof buffer);
    std::uint32_t length = 12345;
    EXPECT_EQ(r.ReadProperty(c.name, c.size, buffer, &length), c.found) << c.name << " " << c.size;
    if (c.found) {
      EXPECT_EQ(length, c.length) << c.name;
      EXPECT_EQ(std::memcmp(buffer, c.bytes, c.byteCount), 0) << c.name;
    } else {
      EXPECT_EQ(length, 12345u) << c.name;
      for (unsigned char b : buffer) ASSERT_EQ(b, 0xAA) << c.name << " " << c.size;
    }
  }

  std::int32_t value = 0;
  EXPECT_TRUE(r.ReadIntProperty("DEVICE_INSTALLED_PRINTER", &value));
  EXPECT_EQ(value, 1);
  EXPECT_TRUE(r.ReadIntProperty("DEVICE_GENERAL_STATUS", &value));
  EXPECT_EQ(value, -3);
  EXPECT_FALSE(r.ReadIntProperty("DEVICE_NAME_SPOOLER", &value));
  EXPECT_FALSE(r.ReadIntProperty("NULL", &value));

  // A setter replaces its own field of an entry of another kind.
  r.SetTextProperty("DEVICE_INSTALLED_PRINTER", "x");
  EXPECT_TRUE(r.ReadIntProperty("DEVICE_INSTALLED_PRINTER", &value));
  EXPECT_EQ(value, 1);
}

class AnswerTest : public ::testing::Test {
 protected:
  FakeNetwork net;
  ListFinder finder{kIpTable};
};

TEST_F(AnswerTest, OnlyTheExactControllerDescriptionMakesADevice) {
  net.Device("127.0.0.11", "Model 9");
  net.Device("127.0.0.12", "Other", std::string(kControllerDescription) + " ");
  net.Device("127.0.0.13", "Other", "VELMAR IP CONTROLLER");
  net.Device("127.0.0.14", "Other", "Some printer");
  FakeAgent noName;  // answers the description only: noSuchName for the name
  noName.objects[kSystemDescriptionOid] = VarBind::Octets(*Oid::Parse(kSystemDescriptionOid), kControllerDescription);
  net.Agent("127.0.0.15", noName);
  FakeAgent refusing = noName;
  refusing.objects[kSysName] = VarBind::Octets(*Oid::Parse(kSysName), "Model 9");
  refusing.errorStatus = 5;  // genErr
  net.Agent("127.0.0.16", refusing);

  finder.Discover({"127.0.0.11", "127.0.0.12", "127.0.0.13", "127.0.0.14", "127.0.0.15", "127.0.0.16",
                   "127.0.0.17"},
                  Quick());
  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(Text(finder, 0, "DEVICE_PRODUCT_NAME"), "Model 9");
  EXPECT_EQ(Text(finder, 0, "DEVICE_NAME"), kControllerDescription);
  EXPECT_EQ(finder.passEnds, 1);
  EXPECT_EQ(Text(finder, 1, "DEVICE_NAME"), "<absent>");  // past the last device
}

TEST_F(AnswerTest, AnAnswerWithoutTheDescriptionIsNoController) {
  // An agent that drops a binding from its answer.
  snmp::SetExchangeHook([](snmp::PduType, const snmp::Target&, const std::vector<VarBind>&, snmp::Response& out) {
    out.bindings.push_back(VarBind::Octets(*Oid::Parse(kSysName), "Model 9"));
    return snmp::Status::Success;
  });
  finder.Discover({"127.0.0.21"}, Quick());
  EXPECT_EQ(finder.GetDeviceCount(), 0);

  // A table that does not ask for the description takes any answer.
  ListFinder any(std::vector<PropertyDef>{{"DEVICE_PRODUCT_NAME", kSysName}});
  any.Discover({"127.0.0.21"}, Quick());
  EXPECT_EQ(any.GetDeviceCount(), 1);
}

TEST_F(AnswerTest, ADeviceFoundAgainIsOneDeviceRefreshedAndAnotherDevicesAnswerChangesNothing) {
  net.Device("127.0.0.31", "First name");
  finder.Discover({"127.0.0.31", "127.0.0.31"}, Quick());
  ASSERT_EQ(finder.GetDeviceCount(), 1);

  net.Device("127.0.0.31", "Second name");
  finder.Discover({"127.0.0.31"}, Quick());
  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(Text(finder, 0, "DEVICE_PRODUCT_NAME"), "Second name");

  // The address now answers as something else: the device keeps its values.
  net.Device("127.0.0.31", "Intruder", "Some printer");
  finder.Discover({"127.0.0.31"}, Quick());
  ASSERT_EQ(finder.GetDeviceCount(), 1);
  EXPECT_EQ(Text(finder, 0, "DEVICE_PRODUCT_NAME"), "Second name");
}

TEST_F(AnswerTest, SeenFlagsAndUnseenRecords) {
  EXPECT_EQ(finder.MarkAllUnseen(), 0);
  net.Device("127.0.0.41", "A");
  RecordPtr a = finder.Record("127.0.0.41");
  RecordPtr silent = finder.Record("127.0.0.42");
  finder.QueryDevice(a, 5, 0);
  finder.QueryDevice(silent, 5, 0);
  EXPECT_TRUE(a->seen);
  EXPECT_FALSE(silent->seen);
  EXPECT_EQ(finder.QueryListSize(), 2u);
  EXPECT_EQ(finder.RemoveUnseen(), 1);
  EXPECT_EQ(finder.RemoveUnseen(), 0);
  EXPECT_EQ(finder.QueryListSize(), 1u);

  // A second record of a listed address is only marked seen.
  RecordPtr twin = finder.Fresh("127.0.0.41");
  EXPECT_EQ(finder.AddDevice(twin), 0);
  EXPECT_TRUE(twin->seen);
  EXPECT_EQ(finder.FindDevice(twin.get()), 0);
  EXPECT_EQ(finder.FindDevice(silent.get()), -1);
  EXPECT_EQ(finder.MarkAllUnseen(), 1);
  EXPECT_FALSE(a->seen);
}

TEST_F(AnswerTest, QueryOneOidStoresTheAnswerUnderTheGivenName) {
  FakeAgent agent;
  agent.objects["1.3.6.1.4.1.901.1.1.3.12.1.3"] =
      VarBind::Octets(*Oid::Parse("1.3.6.1.4.1.901.1.1.3.12.1.3"), "LASERQ");
  net.Agent("127.0.0.51", agent);
  RecordPtr r = std::make_shared<DeviceRecord>("127.0.0.51");
  EXPECT_EQ(finder.QueryOneOid(r, "1.3.6.1.4.1.901.1.1.3.12.1.3", "QSERVER", 5, 0), 1);
  char buffer[128];
  std::uint32_t length = 0;
  ASSERT_TRUE(r->ReadProperty("QSERVER", sizeof buffer, buffer, &length));
  EXPECT_STREQ(buffer, "LASERQ");
  EXPECT_EQ(finder.QueryOneOid(r, "1..3", "QSERVER", 5, 0), 0);
}

}  // namespace
}  // namespace vlm::discovery
