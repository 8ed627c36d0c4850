// Provider loading, the provider names, the refresh interval, the registry
// DWORD helpers, the version record and the operations without a context.
#include <cstring>

#include "discovery/manager/tests/dm_test_support.h"
#include "tests/support/fifo_feeder.h"

namespace vlm::discovery::testing {
namespace {

// The name records of a manager, one text per provider (up to its NUL), and
// whether each record is zero after its text.
std::vector<std::string> Names(DiscoveryManager* m) {
  std::uint32_t needed = 0;
  EXPECT_EQ(m->GetProviderNames(0, nullptr, &needed), S_OK);
  std::vector<std::uint8_t> buffer(needed, 0xCC);
  EXPECT_EQ(m->GetProviderNames(needed, buffer.data(), &needed), S_OK);
  std::vector<std::string> names;
  for (std::uint32_t at = 0; at < needed; at += kProviderNameRecord) {
    const char* record = reinterpret_cast<const char*>(buffer.data() + at);
    std::size_t length = ::strnlen(record, kProviderNameRecord);
    EXPECT_LT(length, kProviderNameRecord);
    for (std::size_t i = length; i < kProviderNameRecord; ++i) EXPECT_EQ(record[i], 0) << at;
    names.emplace_back(record, length);
  }
  return names;
}

struct LoadCase {
  const char* name;
  std::function<void(DmTest&)> setup;
  std::vector<std::string> names;    // in table order
  std::vector<bool> loaded;          // per provider: its library loaded
  int initCallsOfA;                  // Init calls seen by fake A
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

const std::string kForty(40, 'n');
const std::string k128(128, 'x');

const LoadCase kLoadCases[] = {
    {"NoProvidersKey", [](DmTest&) {}, {}, {}, 0},
    {"TwoProviders",
     [](DmTest& t) {
       t.AddFake("A", kFakeA);
       t.AddFake("B", kFakeB);
     },
     {"A provider", "B provider"}, {true, true}, 1},
    {"NameOfFortyCharactersIsCut",
     [](DmTest& t) { t.AddProvider("A", kForty, std::string(kFakeA)); },
     {std::string(31, 'n')}, {true}, 1},
    {"ElevenValuesLoadTen",
     [](DmTest& t) {
       t.Fake(kFakeA);
       for (int i = 0; i < 11; ++i) t.AddProvider('P' + std::to_string(i), 'P' + std::to_string(i), std::string(kFakeA));
     },
     {"P0", "P1", "P2", "P3", "P4", "P5", "P6", "P7", "P8", "P9"},
     std::vector<bool>(10, true), 10},
    {"LibraryThatDoesNotLoad",
     [](DmTest& t) { t.AddProvider("U", "Unloadable", std::string(kFakeUnloadable)); },
     {"Unloadable"}, {false}, 0},
    {"LibraryFileMissing",
     [](DmTest& t) { t.AddProvider("M", "Missing", std::string("/nonexistent/libMissing.so")); },
     {"Missing"}, {false}, 0},
    {"EmptyPathLoadsNothing",
     [](DmTest& t) { t.AddProvider("E", "Empty", std::string()); },
     {"Empty"}, {false}, 0},
    {"NoPathValue", [](DmTest& t) { t.AddProvider("N", "NoPath", std::nullopt); }, {"NoPath"},
     {false}, 0},
    {"ProviderKeyMissing",
     [](DmTest& t) {
       t.PutValue(kProvidersKey, "K", REG_SZ, DmTest::Sz("SOFTWARE\\VLM\\Test\\Nowhere"));
     },
     {""}, {false}, 0},
    {"DataLongerThanItsBufferEndsTheList",
     [](DmTest& t) {
       t.AddFake("A", kFakeA);
       t.PutValue(kProvidersKey, "Long", REG_SZ, DmTest::Sz(k128));
       t.AddFake("B", kFakeB);
     },
     {"A provider"}, {true}, 1},
    {"NameWithoutNulIsCopiedBounded",
     [](DmTest& t) {
       t.AddProvider("A", std::nullopt, std::string(kFakeA));
       t.PutValue("SOFTWARE\\VLM\\Test\\A", "Name", REG_SZ, k128);
     },
     {std::string(31, 'x')}, {true}, 1},
    {"PathWithoutNulStillLoads",
     [](DmTest& t) {
       t.Fake(kFakeA);
       t.AddProvider("A", "A provider", std::nullopt);
       t.PutValue("SOFTWARE\\VLM\\Test\\A", "Path", REG_SZ, std::string(kFakeA));
     },
     {"A provider"}, {true}, 1},
};

class LoadingTable : public DmTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadingTable, ProvidersAreCountedNamedAndLoaded) {
  const LoadCase& c = GetParam();
  FakeProviderControl* a = Fake(kFakeA);
  c.setup(*this);
  ManagerPtr m = NewManager();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->GetProviderCount(), static_cast<std::int32_t>(c.names.size()));
  if (c.names.empty()) {
    std::uint32_t needed = 77;
    EXPECT_EQ(m->GetProviderNames(0, nullptr, &needed), S_OK);
    EXPECT_EQ(needed, 77u);
  } else {
    EXPECT_EQ(Names(m.get()), c.names);
  }
  ASSERT_EQ(context_->ProviderCount(), static_cast<int>(c.loaded.size()));
  for (std::size_t i = 0; i < c.loaded.size(); ++i) {
    EXPECT_EQ(context_->Provider(static_cast<int>(i))->loaded(), c.loaded[i]) << i;
  }
  EXPECT_EQ(a->InitCalls(), c.initCallsOfA);
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadingTable, ::testing::ValuesIn(kLoadCases),
                         [](const auto& info) { return std::string(info.param.name); });

using LoadingTest = DmTest;

TEST_F(LoadingTest, ProvidersLoadOncePerProcessAndAFailedLoadIsRetried) {
  ManagerPtr before = NewManager();  // no providers key yet
  EXPECT_EQ(before->GetProviderCount(), 0);
  FakeProviderControl* a = AddFake("A", kFakeA);
  ManagerPtr first = NewManager();
  EXPECT_EQ(first->GetProviderCount(), 1);
  EXPECT_EQ(before->GetProviderCount(), 0);  // the count is the object's own
  AddFake("B", kFakeB);
  ManagerPtr second = NewManager();
  EXPECT_EQ(second->GetProviderCount(), 1);  // changes after the load are not seen
  EXPECT_EQ(a->InitCalls(), 1);
  EXPECT_EQ(Fake(kFakeB)->InitCalls(), 0);
}

TEST_F(LoadingTest, ProviderNamesSizeProtocol) {
  AddFake("A", kFakeA);
  AddFake("B", kFakeB);
  ManagerPtr m = NewManager();
  struct Case {
    std::uint32_t size;
    bool buffer, needed;
    std::int32_t result;
    std::uint32_t neededAfter;
    std::size_t zeroed;  // leading bytes zeroed
    bool names;
  };
  const Case cases[] = {
      {0, false, true, S_OK, 64, 0, false},
      {0, false, false, E_INVALIDARG, 5, 0, false},
      {8, false, true, E_INVALIDARG, 5, 0, false},
      {40, true, true, NTE_NO_MEMORY, 64, 40, false},
      {63, true, true, NTE_NO_MEMORY, 64, 63, false},
      {64, true, true, S_OK, 64, 0, true},
      {100, true, true, S_OK, 64, 100, true},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> buffer(128, 0xCC);
    std::uint32_t needed = 5;
    EXPECT_EQ(m->GetProviderNames(c.size, c.buffer ? buffer.data() : nullptr,
                                  c.needed ? &needed : nullptr),
              c.result)
        << c.size;
    if (c.needed) {
      EXPECT_EQ(needed, c.neededAfter) << c.size;
    }
    if (c.names) {
      EXPECT_STREQ(reinterpret_cast<char*>(buffer.data()), "A provider");
      EXPECT_STREQ(reinterpret_cast<char*>(buffer.data() + 32), "B provider");
      for (std::size_t i = 64; i < c.zeroed; ++i) EXPECT_EQ(buffer[i], 0) << i;
    } else {
      for (std::size_t i = 0; i < c.zeroed; ++i) EXPECT_EQ(buffer[i], 0) << c.size << " " << i;
    }
    // Nothing beyond the given size is touched.
    for (std::size_t i = std::max<std::size_t>(c.size, c.buffer ? 0 : 128); i < 128; ++i) {
      EXPECT_EQ(buffer[i], 0xCC) << c.size << " " << i;
    }
  }
}

TEST_F(LoadingTest, WithoutProvidersANamesBufferIsZeroedAndNeededKept) {
  ManagerPtr m = NewManager();
  std::uint8_t buffer[16];
  std::memset(buffer, 0xCC, sizeof buffer);
  std::uint32_t needed = 5;
  EXPECT_EQ(m->GetProviderNames(sizeof buffer, buffer, &needed), S_OK);
  EXPECT_EQ(needed, 5u);
  for (std::uint8_t b : buffer) EXPECT_EQ(b, 0);
}

TEST_F(LoadingTest, WithoutAContextEveryOperationSaysSo) {
  AddFake("A", kFakeA);
  ManagerPtr loaded = NewManager();
  context_.reset();
  ManagerPtr m = NewManager();
  ASSERT_TRUE(m);
  EXPECT_EQ(m->Initialize(), 1);
  EXPECT_EQ(m->GetProviderCount(), 0);
  EXPECT_EQ(m->ReservedCall(1, 2, 3, 4, 5, 6, 7, 8), NTE_NOT_FOUND);
  std::int32_t cookie = 9;
  EXPECT_EQ(m->StartDiscovery(&cookie, 0, &Recorder::Callback), NTE_NOT_FOUND);
  EXPECT_EQ(cookie, 0);
  EXPECT_EQ(m->RemoveDiscoveryCallback(1), NTE_NOT_FOUND);
  std::int32_t count = 9;
  EXPECT_EQ(m->GetTotalDeviceCount(&count), NTE_NOT_FOUND);
  char buffer[256];
  std::uint32_t length = 0;
  EXPECT_EQ(m->QueryDeviceProperty(0, 0, "DEVICE_ADDRESS", nullptr, sizeof buffer, buffer, &length),
            NTE_NOT_FOUND);
  ProviderSettings s{1, 2, 3, 4};
  std::uint32_t written = 0;
  EXPECT_EQ(m->GetProviderSettings("A provider", sizeof s, &s, &written), E_HANDLE);
  EXPECT_EQ(m->SetProviderSettings("A provider", sizeof s, &s), NTE_NOT_FOUND);
  // An object that counted a provider before the context went.
  std::uint8_t names[32];
  std::uint32_t needed = 0;
  EXPECT_EQ(loaded->GetProviderNames(sizeof names, names, &needed), NTE_NOT_FOUND);
}

TEST_F(LoadingTest, ReservedCallAndEmptySlot) {
  ManagerPtr m = NewManager();
  EXPECT_EQ(m->ReservedCall(0, 0, 0, 0, 0, 0, 0, 0), S_FALSE);
  m->EmptySlot();
  EXPECT_EQ(m->ReservedCall(-1, -1, -1, -1, -1, -1, -1, -1), S_FALSE);
}

// A Path that names no regular file is never given to dlopen: a FIFO would
// block the load until someone wrote to it.
TEST_F(LoadingTest, ProviderPathThatIsNoRegularFileIsNotOpened) {
  vlm::testing::FifoFeeder fifo(root_ + "/fifo.so", "not a library");
  ::symlink((root_ + "/fifo.so").c_str(), (root_ + "/link.so").c_str());
  AddProvider("F", "Fifo", root_ + "/fifo.so");
  AddProvider("L", "Link to the FIFO", root_ + "/link.so");
  AddProvider("D", "Folder", root_);
  AddProvider("Z", "Zero", std::string("/dev/zero"));
  AddFake("A", kFakeA);
  ManagerPtr m = NewManager();
  ASSERT_TRUE(m);
  fifo.Stop();
  EXPECT_FALSE(fifo.WasOpened());
  ASSERT_EQ(context_->ProviderCount(), 5);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(context_->Provider(i)->loaded()) << i;
  EXPECT_TRUE(context_->Provider(4)->loaded()) << "a regular library beside them loads";
}

TEST_F(LoadingTest, FreeingAnythingButALiveManagerDoesNothing) {
  FreeDiscoveryManager(nullptr);
  // A record that is no manager is neither read as one nor written.
  std::uint8_t notAManager[64];
  for (std::size_t i = 0; i < sizeof notAManager; ++i) notAManager[i] = static_cast<std::uint8_t>(i * 7 + 1);
  std::uint8_t copy[sizeof notAManager];
  std::memcpy(copy, notAManager, sizeof copy);
  FreeDiscoveryManager(reinterpret_cast<DiscoveryManager*>(notAManager));
  EXPECT_EQ(std::memcmp(notAManager, copy, sizeof copy), 0);
  DiscoveryManager* m = NewDiscoveryManager();
  FreeDiscoveryManager(m);
  FreeDiscoveryManager(m);  // already freed: left alone
}

TEST_F(LoadingTest, RefreshIntervalIsReadAtInitialize) {
  struct Case {
    const char* name;
    DWORD type;
    std::string bytes;
    std::int32_t expected;
  };
  const std::uint32_t v2500 = 2500;
  const std::string dword(reinterpret_cast<const char*>(&v2500), 4);
  const Case cases[] = {
      {"missing", REG_NONE, "", 1000},
      {"dword", REG_DWORD, dword, 2500},
      {"text", REG_SZ, Sz("2500"), 1000},
      {"binary", REG_BINARY, dword, 1000},
  };
  for (const Case& c : cases) {
    HKEY key = Create(kOptionsKey);
    RegDeleteValueA(key, kRefreshIntervalValue);
    if (!c.bytes.empty()) SetBytes(key, kRefreshIntervalValue, c.type, c.bytes);
    RegCloseKey(key);
    ManagerPtr m = NewManager();
    std::int32_t interval = 0;
    EXPECT_EQ(m->GetRefreshInterval(&interval), S_OK);
    EXPECT_EQ(interval, c.expected) << c.name;
  }
}

TEST_F(LoadingTest, SetRefreshIntervalKeepsItPerObjectAndWritesTheRegistry) {
  ManagerPtr earlier = NewManager();
  ManagerPtr m = NewManager();
  const std::int32_t value = 5000;
  EXPECT_EQ(m->SetRefreshInterval(&value), S_OK);
  std::int32_t got = 0;
  EXPECT_EQ(m->GetRefreshInterval(&got), S_OK);
  EXPECT_EQ(got, 5000);
  EXPECT_EQ(earlier->GetRefreshInterval(&got), S_OK);
  EXPECT_EQ(got, 1000);
  std::uint32_t stored = 0;
  EXPECT_TRUE(ReadRegistryDword(1, kOptionsKey, kRefreshIntervalValue, &stored, 0));
  EXPECT_EQ(stored, 5000u);
  EXPECT_EQ(NewManager()->GetRefreshInterval(&got), S_OK);
  EXPECT_EQ(got, 5000);

  EXPECT_EQ(m->SetRefreshInterval(nullptr), E_INVALIDARG);
  EXPECT_EQ(m->GetRefreshInterval(nullptr), E_INVALIDARG);
}

TEST_F(LoadingTest, SetRefreshIntervalKeepsTheValueWhenTheRegistryRefuses) {
  ManagerPtr m = NewManager();
  registry::DenyWriteBelowForTests("HKLM\\SOFTWARE\\VLM\\Discovery\\DM");
  const std::int32_t value = 7000;
  EXPECT_EQ(m->SetRefreshInterval(&value), S_OK);
  std::int32_t got = 0;
  EXPECT_EQ(m->GetRefreshInterval(&got), S_OK);
  EXPECT_EQ(got, 7000);
  std::uint32_t stored = 0;
  EXPECT_FALSE(ReadRegistryDword(1, kOptionsKey, kRefreshIntervalValue, &stored, 1));
  EXPECT_EQ(stored, 1u);
}

TEST_F(LoadingTest, RegistryDwordHelpers) {
  const char* kKey = "SOFTWARE\\VLM\\Test\\Dword";
  ASSERT_TRUE(WriteRegistryDword(1, kKey, "Value", 42));
  ASSERT_TRUE(WriteRegistryDword(0, kKey, "Value", 43));
  PutValue(kKey, "Binary", REG_BINARY, std::string("\x01\x00\x00\x00", 4));
  PutValue(kKey, "Text", REG_SZ, Sz("42"));
  struct Case {
    int selector;
    const char* subKey;
    const char* value;
    bool ok;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {1, kKey, "Value", true, 42},
      {0, kKey, "Value", true, 43},
      {1, kKey, "Binary", false, 7},
      {1, kKey, "Text", false, 7},
      {1, kKey, "Absent", false, 7},
      {1, "SOFTWARE\\VLM\\Test\\NoSuchKey", "Value", false, 7},
      {1, nullptr, "Value", false, 7},
      {1, "", "Value", false, 7},
      {1, kKey, nullptr, false, 7},
      {1, kKey, "", false, 7},
      {2, kKey, "Value", false, 7},
      {7, kKey, "Value", false, 7},
      {8, kKey, "Value", false, 7},
      {-1, kKey, "Value", false, 7},
  };
  for (const Case& c : cases) {
    std::uint32_t value = 99;
    EXPECT_EQ(ReadRegistryDword(c.selector, c.subKey, c.value, &value, 7), c.ok)
        << c.selector << " " << (c.value ? c.value : "(null)");
    EXPECT_EQ(value, c.expected);
  }
  EXPECT_FALSE(ReadRegistryDword(1, kKey, "Value", nullptr, 7));
  EXPECT_FALSE(WriteRegistryDword(2, kKey, "Value", 1));
  EXPECT_FALSE(WriteRegistryDword(1, "", "Value", 1));
  EXPECT_FALSE(WriteRegistryDword(1, kKey, nullptr, 1));
  // Writing creates the key.
  EXPECT_TRUE(WriteRegistryDword(1, "SOFTWARE\\VLM\\Test\\New\\Deeper", "V", 0xFFFFFFFFu));
  std::uint32_t value = 0;
  EXPECT_TRUE(ReadRegistryDword(1, "SOFTWARE\\VLM\\Test\\New\\Deeper", "V", &value, 0));
  EXPECT_EQ(value, 0xFFFFFFFFu);
}

TEST(DmVersion, VersionRecordFromTheFixedVersion) {
  struct Case {
    FixedFileInfo version;
    std::uint32_t cbSize;
    std::int32_t result;
    std::uint32_t major, minor, build;  // when filled
  };
  const Case cases[] = {
      {{0x00020001, 0x00000005}, 20, S_OK, 2, 1, 5},
      {{0x00020001, 0x00030004}, 20, S_OK, 2, 1, 0x00030004},
      {{0, 0}, 20, S_OK, 0, 0, 0},
      {{0x00020001, 0x00000005}, 32, S_OK, 2, 1, 5},
      {{0x00020001, 0x00000005}, 19, E_INVALIDARG, 0, 0, 0},
      {{0x00020001, 0x00000005}, 0, E_INVALIDARG, 0, 0, 0},
  };
  for (const Case& c : cases) {
    // The second form: the first record and two more fields behind it.
    struct {
      DLLVERSIONINFO info;
      std::uint32_t flags;
      std::uint64_t version;
    } record;
    std::memset(&record, 0xEE, sizeof record);
    record.info.cbSize = c.cbSize;
    EXPECT_EQ(FillDllVersion(c.version, &record.info), c.result);
    EXPECT_EQ(record.info.cbSize, c.cbSize);
    const bool filled = c.result == S_OK;
    EXPECT_EQ(record.info.dwMajorVersion, filled ? c.major : 0xEEEEEEEEu);
    EXPECT_EQ(record.info.dwMinorVersion, filled ? c.minor : 0xEEEEEEEEu);
    EXPECT_EQ(record.info.dwBuildNumber, filled ? c.build : 0xEEEEEEEEu);
    EXPECT_EQ(record.info.dwPlatformID, filled ? 1u : 0xEEEEEEEEu);
    EXPECT_EQ(record.flags, 0xEEEEEEEEu);
    EXPECT_EQ(record.version, 0xEEEEEEEEEEEEEEEEull);
  }
  EXPECT_EQ(FillDllVersion(FixedFileInfo{}, nullptr), E_INVALIDARG);
}

}  // namespace
}  // namespace vlm::discovery::testing
