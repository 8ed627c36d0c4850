// The options store against the real registry layer: what the keys hold
// after Apply for a start state and the dialog's state, with gaps in the
// numbering, deletes that fail after the writes (a crash between the two)
// and keys that refuse writing.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "monitor/optionsstore/optionsstore.h"
#include "platform/registry/tests/registry_fixture.h"

namespace vlm::monitor {
namespace {

// Value name -> text, in creation order.
using Values = std::vector<std::pair<std::string, std::string>>;
// The four keys the dialog touches; a key missing from the map is not there.
using Keys = std::map<std::string, Values>;

const std::string kRanges = Ranges_Key_Path;
const std::string kServers = Servers_Key_Path;
const std::string kProviders = Providers_Key_Path;
const std::string kPreferences = Preferences_Key_Path;

const Values kDefaultPreferences = {{"IP_Enabled", "Yes"},        {"IPX_Enabled", "Yes"},
                                    {"UnInstalled_Enabled", "Yes"}, {"Polling_Interval", "30"},
                                    {"Polling_Enabled", "Yes"},     {"Check_Discovery", "Completed"}};
const Values kBothProviders = {{"IPX", IPX_Startup_Key}, {"IP", IP_Startup_Key}};

LONG FailingDelete(HKEY, const char*) { return ERROR_REGISTRY_IO_FAILED; }

class OptionsStoreTest : public vlm::testing::RegistryTest {
 protected:
  void TearDown() override {
    Set_Delete_Value_Call_For_Tests(nullptr);
    vlm::testing::RegistryTest::TearDown();
  }

  void Write(const Keys& keys) {
    for (const auto& [path, values] : keys) {
      HKEY key = Create(path);
      for (const auto& [name, text] : values) ASSERT_EQ(SetText(key, name.c_str(), text), ERROR_SUCCESS);
      RegCloseKey(key);
    }
  }

  // The values of a key as name -> text; each must be REG_SZ with its NUL.
  static std::map<std::string, std::string> Read(const std::string& path) {
    std::map<std::string, std::string> out;
    HKEY key = nullptr;
    if (Open(path, KEY_READ, &key) != ERROR_SUCCESS) return out;
    for (DWORD i = 0;; ++i) {
      char name[256];
      BYTE data[512];
      DWORD nameSize = sizeof name, type = 0, size = sizeof data;
      if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
      EXPECT_EQ(type, REG_SZ) << name;
      EXPECT_TRUE(size > 0 && data[size - 1] == 0) << name;
      out[name] = std::string(reinterpret_cast<char*>(data), size > 0 ? size - 1 : 0);
    }
    RegCloseKey(key);
    return out;
  }
  static std::map<std::string, std::string> AsMap(const Values& v) { return {v.begin(), v.end()}; }
};

struct Store_Case {
  const char* name;
  Values ranges;     // the Ranges key at the start
  Values servers;    // the Servers key at the start
  Options_Settings dialog;
  const char* denyBelow;  // a key that refuses writing, or null
  bool deletesFail;       // every delete fails after the writes succeeded
  LONG status;
  Values rangesAfter;
  Values serversAfter;
  Values providersAfter;
};

void PrintTo(const Store_Case& c, std::ostream* os) { *os << c.name; }

Options_Settings Dialog(std::vector<std::string> ranges, std::string server = "", bool ip = true,
                        bool ipx = false) {
  Options_Settings s;
  s.Ranges = std::move(ranges);
  s.Server_Name = std::move(server);
  s.IP_Enabled = ip;
  s.IPX_Enabled = ipx;
  return s;
}

const Store_Case kStoreCases[] = {
    {"RewritesTheListFromZero",
     {{"0", "127.0.2.1:127.0.2.9"}},
     {},
     Dialog({"127.0.0.1:127.0.0.9", "127.0.2.1:127.0.2.9"}),
     nullptr, false, ERROR_SUCCESS,
     {{"0", "127.0.0.1:127.0.0.9"}, {"1", "127.0.2.1:127.0.2.9"}},
     {},
     {{"IP", IP_Startup_Key}}},
    {"AGapInTheNumberingLeavesNoStaleRange",
     {{"0", "A"}, {"1", "B"}, {"3", "C"}},
     {},
     Dialog({"A", "C"}),
     nullptr, false, ERROR_SUCCESS,
     {{"0", "A"}, {"1", "C"}},
     {},
     {{"IP", IP_Startup_Key}}},
    {"OtherValueNamesAreSurplusToo",
     {{"x", "D"}, {"01", "E"}, {"0", "A"}},
     {},
     Dialog({"A"}),
     nullptr, false, ERROR_SUCCESS,
     {{"0", "A"}},
     {},
     {{"IP", IP_Startup_Key}}},
    {"TwelveRangesAreZeroToEleven",
     {},
     {},
     Dialog({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"}),
     nullptr, false, ERROR_SUCCESS,
     {{"0", "a"}, {"1", "b"}, {"2", "c"}, {"3", "d"}, {"4", "e"}, {"5", "f"},
      {"6", "g"}, {"7", "h"}, {"8", "i"}, {"9", "j"}, {"10", "k"}, {"11", "l"}},
     {},
     {{"IP", IP_Startup_Key}}},
    {"AnEmptyServerNameIsDeleted",
     {},
     {{"Server_Name", "OLDSERVER"}},
     Dialog({"A"}, "", false, true),
     nullptr, false, ERROR_SUCCESS,
     {{"0", "A"}},
     {},
     {{"IPX", IPX_Startup_Key}}},
    {"AServerNameIsWrittenAndBothProvidersKept",
     {},
     {{"Server_Name", "OLDSERVER"}},
     Dialog({"A"}, "NEWSERVER", true, true),
     nullptr, false, ERROR_SUCCESS,
     {{"0", "A"}},
     {{"Server_Name", "NEWSERVER"}},
     kBothProviders},
    {"BothProvidersOffLeaveNeither",
     {},
     {},
     Dialog({"A"}, "", false, false),
     nullptr, false, ERROR_SUCCESS,
     {{"0", "A"}},
     {},
     {}},
    {"DeletesFailingAfterTheWritesLoseNoRange",
     {{"0", "A"}, {"1", "B"}, {"2", "C"}, {"7", "D"}},
     {{"Server_Name", "OLDSERVER"}},
     Dialog({"C", "E"}, "", true, false),
     nullptr, true, ERROR_REGISTRY_IO_FAILED,
     {{"0", "C"}, {"1", "E"}, {"2", "C"}, {"7", "D"}},
     {{"Server_Name", "OLDSERVER"}},
     kBothProviders},
    {"ARangesKeyThatRefusesWritingKeepsItsRanges",
     {{"0", "A"}, {"1", "B"}},
     {},
     Dialog({"B"}, "SRV"),
     "HKLM\\Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges", false, ERROR_ACCESS_DENIED,
     {{"0", "A"}, {"1", "B"}},
     {{"Server_Name", "SRV"}},
     {{"IP", IP_Startup_Key}}},
    {"AProvidersKeyThatRefusesWritingIsReported",
     {},
     {},
     Dialog({"A"}),
     "HKLM\\Software\\VLM\\Discovery\\DM\\Providers", false, ERROR_ACCESS_DENIED,
     {{"0", "A"}},
     {},
     kBothProviders},
    {"AHiveThatRefusesWritingChangesNothing",
     {{"0", "A"}},
     {{"Server_Name", "OLDSERVER"}},
     Dialog({}, ""),
     "HKLM", false, ERROR_ACCESS_DENIED,
     {{"0", "A"}},
     {{"Server_Name", "OLDSERVER"}},
     kBothProviders},
};

class OptionsStoreTable : public OptionsStoreTest, public ::testing::WithParamInterface<Store_Case> {};

TEST_P(OptionsStoreTable, RegistryAfterApply) {
  const Store_Case& c = GetParam();
  Write({{kRanges, c.ranges}, {kServers, c.servers}, {kProviders, kBothProviders},
         {kPreferences, kDefaultPreferences}});
  if (c.denyBelow) registry::DenyWriteBelowForTests(c.denyBelow);
  if (c.deletesFail) Set_Delete_Value_Call_For_Tests(&FailingDelete);

  EXPECT_EQ(Apply_Options_Settings(HKEY_LOCAL_MACHINE, c.dialog), c.status);

  EXPECT_EQ(Read(kRanges), AsMap(c.rangesAfter));
  EXPECT_EQ(Read(kServers), AsMap(c.serversAfter));
  EXPECT_EQ(Read(kProviders), AsMap(c.providersAfter));
  // The preferences are overwritten in place, unless the hive refused.
  std::map<std::string, std::string> preferences = AsMap(kDefaultPreferences);
  if (!c.denyBelow || std::string(c.denyBelow) != "HKLM") {
    preferences["IP_Enabled"] = c.dialog.IP_Enabled ? "Yes" : "No";
    preferences["IPX_Enabled"] = c.dialog.IPX_Enabled ? "Yes" : "No";
  }
  EXPECT_EQ(Read(kPreferences), preferences);
}

INSTANTIATE_TEST_SUITE_P(Apply, OptionsStoreTable, ::testing::ValuesIn(kStoreCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionsStoreTest, LoadReadsEveryStoredRangeAndTheServer) {
  Write({{kRanges, {{"1", "B"}, {"x", "X"}, {"0", "A"}, {"3", "C"}, {"10", "K"}, {"long", std::string(300, 'r')}}},
         {kServers, {{"Server_Name", "NW1"}}}});
  std::string path = "\\" + kRanges;
  EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, path), (std::vector<std::string>{"A", "B", "C", "K", "X"}));
  EXPECT_EQ(path, kRanges);  // the leading backslash is removed in the caller's text
  path = kServers;
  EXPECT_EQ(Get_Options_IPX_Server(HKEY_LOCAL_MACHINE, path, "Server_Name"), "NW1");
  EXPECT_EQ(Get_Options_IPX_Server(HKEY_LOCAL_MACHINE, path, "Other"), "");

  // Load then Apply gives back every range, renumbered.
  Write({{kProviders, {}}, {kPreferences, {}}});
  path = kRanges;
  EXPECT_EQ(Apply_Options_Settings(HKEY_LOCAL_MACHINE, Dialog(GetValue(HKEY_LOCAL_MACHINE, path), "NW1")),
            ERROR_SUCCESS);
  // The value too long to read is not a range the dialog could show.
  EXPECT_EQ(Read(kRanges), AsMap({{"0", "A"}, {"1", "B"}, {"2", "C"}, {"3", "K"}, {"4", "X"}}));
}

TEST_F(OptionsStoreTest, MissingKeysReadEmptyAndCreateNewKeyMakesThem) {
  std::string path = kRanges;
  EXPECT_TRUE(GetValue(HKEY_LOCAL_MACHINE, path).empty());
  path = kServers;
  EXPECT_EQ(Get_Options_IPX_Server(HKEY_LOCAL_MACHINE, path, "Server_Name"), "");
  path = "\\" + kRanges;
  EXPECT_TRUE(CreateNewKey(HKEY_LOCAL_MACHINE, path));
  HKEY key = nullptr;
  ASSERT_EQ(Open(kRanges, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  registry::DenyWriteBelowForTests("HKLM\\Software\\VLM\\Other");
  path = "Software\\VLM\\Other\\Key";
  EXPECT_FALSE(CreateNewKey(HKEY_LOCAL_MACHINE, path));

  // A key that is missing makes a writer or deleter do nothing further, and
  // that is no failure: the key is not made.
  path = kServers;
  EXPECT_EQ(Set_IPX_Server_Name(HKEY_LOCAL_MACHINE, path, "NW1"), ERROR_SUCCESS);
  EXPECT_EQ(Delete_IPX_Server(HKEY_LOCAL_MACHINE, path, "Server_Name"), ERROR_SUCCESS);
  IP_Provider_Name = "IP";
  IP_Provider_Key = IP_Startup_Key;
  path = kProviders;
  EXPECT_EQ(Set_IP_IPX_Directory_Names(HKEY_LOCAL_MACHINE, path), ERROR_SUCCESS);
  path = kPreferences;
  EXPECT_EQ(Set_The_Preferences(HKEY_LOCAL_MACHINE, path, Options_Settings{}), ERROR_SUCCESS);
  path = "Software\\VLM\\Missing";
  EXPECT_EQ(SetTheValues(HKEY_LOCAL_MACHINE, path, {"A"}), ERROR_SUCCESS);
  for (const std::string& missing : {kServers, kProviders, kPreferences, std::string("Software\\VLM\\Missing")}) {
    EXPECT_NE(Open(missing, KEY_READ, &key), ERROR_SUCCESS) << missing;
  }
}

TEST_F(OptionsStoreTest, ApplyWithoutTheProvidersKeySavesTheRestAndSucceeds) {
  // The providers' registration makes that key; the monitor never does.
  Write({{kRanges, {{"0", "A"}}}, {kServers, {}}, {kPreferences, kDefaultPreferences}});
  Options_Settings s = Dialog({"B", "C"}, "NW2", false, true);
  s.Polling_Interval = "45";
  EXPECT_EQ(Apply_Options_Settings(HKEY_LOCAL_MACHINE, s), ERROR_SUCCESS);
  EXPECT_EQ(Read(kRanges), AsMap({{"0", "B"}, {"1", "C"}}));
  EXPECT_EQ(Read(kServers), AsMap({{"Server_Name", "NW2"}}));
  EXPECT_EQ(Read(kPreferences).at("Polling_Interval"), "45");
  EXPECT_EQ(Read(kPreferences).at("IPX_Enabled"), "Yes");
  HKEY key = nullptr;
  EXPECT_EQ(Open(kProviders, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Delete_Options_Configuration(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(OptionsStoreTest, DeletingTheConfigurationKeepsThePreferences) {
  Write({{kRanges, {{"0", "A"}, {"2", "C"}}}, {kServers, {{"Server_Name", "NW1"}, {"Other", "NW2"}}},
         {kProviders, kBothProviders}, {kPreferences, kDefaultPreferences}});
  EXPECT_EQ(Delete_Options_Configuration(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_TRUE(Read(kRanges).empty());
  EXPECT_EQ(Read(kServers), AsMap({{"Other", "NW2"}}));
  EXPECT_TRUE(Read(kProviders).empty());
  EXPECT_EQ(Read(kPreferences), AsMap(kDefaultPreferences));

  Write({{kRanges, {{"0", "A"}}}});
  Set_Delete_Value_Call_For_Tests(&FailingDelete);
  EXPECT_EQ(Delete_Options_Configuration(HKEY_LOCAL_MACHINE), ERROR_REGISTRY_IO_FAILED);
  EXPECT_EQ(Read(kRanges), AsMap({{"0", "A"}}));
}

TEST(PollingIntervalToStore, WholeSecondsTenToSixtyElseThirty) {
  const std::pair<const char*, const char*> cases[] = {
      {"10", "10"}, {"60", "60"}, {" 45 ", "45"}, {"010", "10"}, {"00000000000000000000025", "25"},
      {"9", "30"},  {"61", "30"}, {"100", "30"},  {"", "30"},     {"   ", "30"},
      {"10.5", "30"}, {"1e1", "30"}, {"+20", "30"}, {"-20", "30"}, {"2 0", "30"}, {"abc", "30"},
      {"99999999999999999999", "30"},
  };
  for (const auto& [typed, stored] : cases) EXPECT_EQ(Polling_Interval_To_Store(typed), stored) << typed;
}

TEST_F(OptionsStoreTest, PreferencesAndProviderNames) {
  Write({{kPreferences, kDefaultPreferences}, {kProviders, {}}});
  Options_Settings s;
  s.IP_Enabled = false;
  s.IPX_Enabled = true;
  s.UnInstalled_Enabled = false;
  s.Polling_Enabled = false;
  s.Polling_Interval = "1e1";
  std::string path = kPreferences;
  EXPECT_EQ(Set_The_Preferences(HKEY_LOCAL_MACHINE, path, s), ERROR_SUCCESS);
  EXPECT_EQ(IP_Provider_Name, "No");
  EXPECT_EQ(IPX_Provider_Name, "IPX");
  EXPECT_EQ(IPX_Provider_Key, IPX_Startup_Key);
  EXPECT_EQ(Read(kPreferences), AsMap({{"IP_Enabled", "No"},
                                       {"IPX_Enabled", "Yes"},
                                       {"UnInstalled_Enabled", "No"},
                                       {"Polling_Interval", "30"},
                                       {"Polling_Enabled", "No"},
                                       {"Check_Discovery", "Completed"}}));

  // A refused IP write skips the IPX write.
  IP_Provider_Name = "IP";
  IP_Provider_Key = IP_Startup_Key;
  registry::DenyWriteBelowForTests("HKLM\\" + kProviders);
  path = kProviders;
  EXPECT_EQ(Set_IP_IPX_Directory_Names(HKEY_LOCAL_MACHINE, path), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Read(kProviders).empty());
}

}  // namespace
}  // namespace vlm::monitor
