// Provider settings: the 16-byte record, the options cache and the provider's
// GetOptions and SetOptions behind them.
#include <cstring>

#include "discovery/manager/tests/dm_test_support.h"

namespace vlm::discovery {

// Found by argument-dependent lookup from the assertions.
bool operator==(const ProviderSettings& x, const ProviderSettings& y) {
  return std::memcmp(&x, &y, sizeof x) == 0;
}
std::ostream& operator<<(std::ostream& o, const ProviderSettings& s) {
  return o << "{" << s.stateWord << ", " << s.discoverInstalled << ", " << s.discoverUnInstalled
           << ", " << s.refreshInterval << "}";
}

namespace testing {
namespace {

class SettingsTest : public DmTest {
 protected:
  void SetUp() override {
    DmTest::SetUp();
    a_ = AddFake("A", kFakeA);
  }

  ProviderSettings Get(DiscoveryManager* m, const char* name = "A provider",
                       std::int32_t* result = nullptr) {
    ProviderSettings s;
    std::memset(&s, 0xCC, sizeof s);
    std::uint32_t written = 0;
    std::int32_t r = m->GetProviderSettings(name, sizeof s, &s, &written);
    if (result) *result = r;
    EXPECT_EQ(written, 16u);
    return s;
  }

  FakeProviderControl* a_ = nullptr;
};

TEST_F(SettingsTest, ReadAfterLoadingGivesAllThreeOptionFields) {
  a_->SetOptionsRecord({kProviderIp, 28, 0, 1, 1234, 0, 1}, false);
  ManagerPtr m = NewManager();
  std::int32_t r = -1;
  EXPECT_EQ(Get(m.get(), "a PROVIDER", &r), (ProviderSettings{0, 0, 1, 1234}));
  EXPECT_EQ(r, S_OK);
  // One refresh per field, on the 28-byte cache.
  ASSERT_EQ(a_->GetOptionsCalls(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(a_->GetOptionsSize(i), 28u);
}

TEST_F(SettingsTest, SmallBufferOrUnknownNameCopiesNothing) {
  ManagerPtr m = NewManager();
  std::uint8_t buffer[24];
  std::memset(buffer, 0xCC, sizeof buffer);
  std::uint32_t written = 0;
  EXPECT_EQ(m->GetProviderSettings("A provider", 8,
                                   reinterpret_cast<ProviderSettings*>(buffer), &written),
            S_OK);
  EXPECT_EQ(written, 16u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(buffer[i], 0) << i;
  for (int i = 8; i < 24; ++i) EXPECT_EQ(buffer[i], 0xCC) << i;
  EXPECT_EQ(a_->GetOptionsCalls(), 0);

  std::memset(buffer, 0xCC, sizeof buffer);
  written = 0;
  EXPECT_EQ(m->GetProviderSettings("No such provider", 16,
                                   reinterpret_cast<ProviderSettings*>(buffer), &written),
            E_HANDLE);
  EXPECT_EQ(written, 16u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(m->GetProviderSettings(nullptr, 16, reinterpret_cast<ProviderSettings*>(buffer),
                                   &written),
            E_HANDLE);

  written = 0;
  EXPECT_EQ(m->GetProviderSettings("A provider", 16, nullptr, &written), S_OK);
  EXPECT_EQ(written, 16u);
  EXPECT_EQ(m->GetProviderSettings("A provider", 16, reinterpret_cast<ProviderSettings*>(buffer),
                                   nullptr),
            E_INVALIDARG);
  EXPECT_EQ(a_->GetOptionsCalls(), 0);
}

TEST_F(SettingsTest, WritingTheReadRecordBackKeepsTheProvidersRefreshInterval) {
  a_->SetOptionsRecord({kProviderIp, 28, 0, 1, 2500, 1, 0}, false);
  ManagerPtr m = NewManager();
  ProviderSettings s = Get(m.get());
  s.stateWord = 0;
  s.discoverInstalled = 0;
  s.discoverUnInstalled = 1;
  EXPECT_EQ(m->SetProviderSettings("A provider", sizeof s, &s), S_OK);
  ProviderOptions given = a_->LastSetOptions();
  EXPECT_EQ(given.refreshInterval & 0xFFFF, 2500);
  EXPECT_EQ(given.discoverInstalled, 0);
  EXPECT_EQ(given.discoverUnInstalled, 1);
  // The rest of the record is as the provider last reported it.
  EXPECT_EQ(given.providerKind, kProviderIp);
  EXPECT_EQ(given.recordSize, 28);
  EXPECT_EQ(given.one, 1);
  EXPECT_EQ(Get(m.get()), (ProviderSettings{0, 0, 1, 2500}));
}

TEST_F(SettingsTest, RefreshIntervalIsTheLowHalfOfItsField) {
  // A provider whose field has an upper half: it is read as the low 16 bits
  // and kept on writing.
  a_->SetOptionsRecord({kProviderIp, 28, 0, 1, static_cast<std::int32_t>(0xABCD0064u), 1, 0},
                       true);
  ManagerPtr m = NewManager();
  EXPECT_EQ(Get(m.get()).refreshInterval, 0x64);
  ProviderSettings s{0, 1, 0, 0x00012710};
  EXPECT_EQ(m->SetProviderSettings("A provider", sizeof s, &s), S_OK);
  EXPECT_EQ(static_cast<std::uint32_t>(a_->LastSetOptions().refreshInterval), 0xABCD2710u);
}

TEST_F(SettingsTest, StateWordIsKeptByTheManager) {
  ManagerPtr m = NewManager();
  ProviderSettings s{77, 1, 0, 1000};
  EXPECT_EQ(m->SetProviderSettings("A provider", sizeof s, &s), S_OK);
  EXPECT_EQ(Get(m.get()).stateWord, 77);
  EXPECT_EQ(Get(NewManager().get()).stateWord, 77);  // one entry per process
  EXPECT_EQ(a_->LastSetOptions().providerKind, kProviderIp);
}

TEST_F(SettingsTest, ExtraOptionDataEnlargesTheCache) {
  a_->SetOptionsRecord({kProviderIp, 28, 12, 1, 900, 1, 0}, false);
  ManagerPtr m = NewManager();
  EXPECT_EQ(Get(m.get()), (ProviderSettings{0, 1, 0, 900}));
  ASSERT_EQ(a_->GetOptionsCalls(), 4);
  EXPECT_EQ(a_->GetOptionsSize(0), 28u);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(a_->GetOptionsSize(i), 40u) << i;
}

TEST_F(SettingsTest, OptionsThatCannotBeReadGiveZeroFields) {
  struct Case {
    const char* name;
    ProviderOptions record;
    std::int32_t getResult;
    bool writeNothing;
  };
  const Case cases[] = {
      {"GetOptionsFails", {kProviderIp, 28, 0, 1, 1000, 1, 1}, 1, false},
      {"GetOptionsWritesNothing", {kProviderIp, 28, 0, 1, 1000, 1, 1}, 0, true},
      {"NegativeExtraSize", {kProviderIp, 28, -4, 1, 1000, 1, 1}, 0, false},
      {"ExtraSizeBeyondAnyRecord", {kProviderIp, 28, 0x7FFFFFF0, 1, 1000, 1, 1}, 0, false},
  };
  for (const Case& c : cases) {
    // Each case on a fresh load, so that the cache is made anew.
    context_ = std::make_unique<DiscoveryContext>();
    a_->Reset();
    a_->SetOptionsRecord(c.record, false);
    a_->SetOptionsResults(c.getResult, 0, c.writeNothing);
    ManagerPtr m = NewManager();
    std::int32_t r = -1;
    ProviderSettings s = Get(m.get(), "A provider", &r);
    EXPECT_EQ(r, S_OK) << c.name;
    EXPECT_EQ(s.discoverInstalled, 0) << c.name;
    EXPECT_EQ(s.discoverUnInstalled, 0) << c.name;
    EXPECT_EQ(s.refreshInterval, 0) << c.name;
    m.reset();
    context_.reset();
  }
}

TEST_F(SettingsTest, SettingsRefusedOrNotApplied) {
  FakeProviderControl* partial = AddFake("Partial", kFakePartial);  // no SetOptions
  AddFake("Bare", kFakeBare);                                      // none of the seven
  AddProvider("Unloadable", "Unloadable provider", std::string(kFakeUnloadable));
  ManagerPtr m = NewManager();
  ProviderSettings s{1, 0, 1, 1000};
  struct Case {
    const char* what;
    const char* name;
    std::uint32_t size;
    const ProviderSettings* settings;
    std::int32_t setResult;  // of the fake's SetOptions
    std::int32_t expected;
  };
  const Case cases[] = {
      {"null name", nullptr, 16, &s, 0, E_INVALIDARG},
      {"null record", "A provider", 16, nullptr, 0, E_INVALIDARG},
      {"short record", "A provider", 8, &s, 0, S_FALSE},
      {"unknown provider", "Nobody", 16, &s, 0, S_FALSE},
      {"no SetOptions", "Partial provider", 16, &s, 0, S_FALSE},
      {"no GetOptions", "Bare provider", 16, &s, 0, S_FALSE},
      {"library not loaded", "Unloadable provider", 16, &s, 0, S_FALSE},
      {"SetOptions negative", "A provider", 16, &s, -1, S_FALSE},
      {"SetOptions positive", "A provider", 16, &s, 1, S_OK},
      {"SetOptions zero", "A provider", 16, &s, 0, S_OK},
  };
  for (const Case& c : cases) {
    a_->SetOptionsResults(0, c.setResult, false);
    EXPECT_EQ(m->SetProviderSettings(c.name, c.size, c.settings), c.expected) << c.what;
  }
  EXPECT_EQ(partial->SetOptionsCalls(), 0);
  // Providers without options read back as zero but for the state word.
  EXPECT_EQ(Get(m.get(), "Bare provider"), (ProviderSettings{0, 0, 0, 0}));
  EXPECT_EQ(Get(m.get(), "Unloadable provider"), (ProviderSettings{0, 0, 0, 0}));
  // The partial provider kept the state word though its options could not
  // be written.
  EXPECT_EQ(Get(m.get(), "Partial provider").stateWord, 1);
}

TEST_F(SettingsTest, TheFirstProviderOfANameIsTheOneUsed) {
  a_->SetOptionsRecord({kProviderIp, 28, 0, 1, 111, 1, 0}, false);
  FakeProviderControl* b = Fake(kFakeB);
  b->SetOptionsRecord({kProviderIp, 28, 0, 1, 222, 1, 0}, false);
  AddProvider("B", "A PROVIDER", std::string(kFakeB));
  ManagerPtr m = NewManager();
  EXPECT_EQ(Get(m.get(), "A Provider").refreshInterval, 111);
  EXPECT_EQ(b->GetOptionsCalls(), 0);
}

}  // namespace
}  // namespace testing
}  // namespace vlm::discovery
