// Discovery runs: starting the providers, the end of a run, the callback
// slots, and the device count and properties across providers.
#include <atomic>
#include <cstring>

#include "discovery/manager/tests/dm_test_support.h"

namespace vlm::discovery::testing {
namespace {

using namespace std::chrono_literals;

class RunTest : public DmTest {
 protected:
  // Fakes A and B with 3 and 2 devices, and a manager over them.
  void TwoProviders() {
    a_ = AddFake("A", kFakeA);
    b_ = AddFake("B", kFakeB);
    a_->SetDevices(3, "a");
    b_->SetDevices(2, "b");
    m_ = NewManager();
  }

  std::int32_t Start(Recorder& r, std::int32_t* cookie = nullptr) {
    std::int32_t c = -1;
    std::int32_t result = m_->StartDiscovery(cookie ? cookie : &c, r.userData(), &Recorder::Callback);
    return result;
  }

  std::string Address(std::uint32_t index, std::int32_t* result = nullptr) {
    char buffer[256];
    std::memset(buffer, 0, sizeof buffer);
    std::uint32_t length = 0;
    std::int32_t r = m_->QueryDeviceProperty(0, index, "DEVICE_ADDRESS", nullptr, sizeof buffer,
                                             buffer, &length);
    if (result) *result = r;
    return r == S_OK ? std::string(buffer, length) : std::string();
  }

  FakeProviderControl* a_ = nullptr;
  FakeProviderControl* b_ = nullptr;
  ManagerPtr m_;
};

TEST_F(RunTest, TwoProvidersGiveOneCallbackAfterTheSecondFinishes) {
  TwoProviders();
  b_->HoldPasses(true);
  Recorder r;
  std::int32_t cookie = 0;
  ASSERT_EQ(Start(r, &cookie), S_OK);
  EXPECT_EQ(cookie, 1);
  ASSERT_TRUE(b_->WaitPassesBegun(1, 5000));
  ASSERT_TRUE(a_->WaitIdle(5000));
  EXPECT_EQ(a_->PassesReported(), 1);
  EXPECT_EQ(r.Count(), 0u);
  EXPECT_TRUE(context_->RunActive());
  EXPECT_EQ(a_->LastContext(), 0);
  EXPECT_EQ(b_->LastContext(), 1);

  b_->HoldPasses(false);
  ASSERT_TRUE(r.WaitCalls(1));
  ASSERT_TRUE(b_->WaitIdle(5000));
  std::vector<Recorder::Call> calls = r.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].cookie, cookie);
  EXPECT_EQ(calls[0].userData, r.userData());  // all of the pointer
  EXPECT_NE(calls[0].thread, std::this_thread::get_id());
  EXPECT_FALSE(context_->RunActive());
  EXPECT_EQ(a_->StartCalls(), 1);
  EXPECT_EQ(b_->StartCalls(), 1);
}

TEST_F(RunTest, AStartDuringARunJoinsIt) {
  TwoProviders();
  a_->HoldPasses(true);
  Recorder first, second;
  std::int32_t c1 = 0, c2 = 0;
  ASSERT_EQ(Start(first, &c1), S_OK);
  ASSERT_TRUE(a_->WaitPassesBegun(1, 5000));
  ASSERT_EQ(Start(second, &c2), S_OK);
  EXPECT_EQ(c2, 2);
  EXPECT_EQ(a_->StartCalls(), 1);
  EXPECT_EQ(b_->StartCalls(), 1);
  a_->HoldPasses(false);
  ASSERT_TRUE(first.WaitCalls(1));
  ASSERT_TRUE(second.WaitCalls(1));
  EXPECT_EQ(first.Calls()[0].cookie, c1);
  EXPECT_EQ(second.Calls()[0].cookie, c2);
  EXPECT_EQ(first.Count(), 1u);
  EXPECT_EQ(second.Count(), 1u);
}

TEST_F(RunTest, RegisteredCallbacksAreCalledAtEveryRunUntilRemoved) {
  TwoProviders();
  Recorder kept, removed, starter;
  std::int32_t cKept = 0, cRemoved = 0, cStarter = 0;
  a_->HoldPasses(true);
  ASSERT_EQ(Start(kept, &cKept), S_OK);
  ASSERT_EQ(Start(removed, &cRemoved), S_OK);
  a_->HoldPasses(false);
  ASSERT_TRUE(kept.WaitCalls(1));
  ASSERT_TRUE(removed.WaitCalls(1));
  EXPECT_EQ(m_->RemoveDiscoveryCallback(cRemoved), S_OK);

  // A run started by another client calls every registered callback.
  ASSERT_EQ(Start(starter, &cStarter), S_OK);
  ASSERT_TRUE(starter.WaitCalls(1));
  ASSERT_TRUE(kept.WaitCalls(2));
  EXPECT_EQ(removed.Count(), 1u);
  // The freed slot is the next one taken, with the same cookie.
  EXPECT_EQ(cStarter, cRemoved);
}

TEST_F(RunTest, CountAndQueryAreRefusedDuringARun) {
  TwoProviders();
  b_->HoldPasses(true);
  Recorder r;
  ASSERT_EQ(Start(r), S_OK);
  ASSERT_TRUE(b_->WaitPassesBegun(1, 5000));
  std::int32_t count = 99;
  EXPECT_EQ(m_->GetTotalDeviceCount(&count), DM_E_DISCOVERY_RUNNING);
  EXPECT_EQ(count, 0);
  std::int32_t result = 0;
  Address(0, &result);
  EXPECT_EQ(result, DM_E_DISCOVERY_RUNNING);
  b_->HoldPasses(false);
  ASSERT_TRUE(r.WaitCalls(1));
  EXPECT_EQ(m_->GetTotalDeviceCount(&count), S_OK);
  EXPECT_EQ(count, 5);
  EXPECT_EQ(m_->GetTotalDeviceCount(nullptr), E_INVALIDARG);
}

TEST_F(RunTest, DeviceIndexesRunAcrossProvidersInRegistryOrder) {
  a_ = AddFake("A", kFakeA);
  FakeProviderControl* empty = AddFake("E", kFakeC);
  b_ = AddFake("B", kFakeB);
  FakeProviderControl* partial = AddFake("P", kFakePartial);  // no GetDeviceProperty
  a_->SetDevices(3, "a");
  empty->SetDevices(0, "e");
  b_->SetDevices(2, "b");
  partial->SetDevices(1, "p");
  m_ = NewManager();
  std::int32_t count = 0;
  ASSERT_EQ(m_->GetTotalDeviceCount(&count), S_OK);
  EXPECT_EQ(count, 6);

  struct Case {
    std::uint32_t index;
    std::int32_t result;
    const char* address;
  };
  const Case cases[] = {
      {0, S_OK, "a:0"}, {2, S_OK, "a:2"}, {3, S_OK, "b:0"}, {4, S_OK, "b:1"},
      {5, 1, ""},  // the partial provider's device: it cannot answer
      {6, DM_E_DEVICE_NOT_FOUND, ""}, {0xFFFFFFFFu, DM_E_DEVICE_NOT_FOUND, ""},
  };
  for (const Case& c : cases) {
    std::int32_t result = -1;
    EXPECT_EQ(Address(c.index, &result), c.address) << c.index;
    EXPECT_EQ(result, c.result) << c.index;
  }

  // The provider's own result, and the arguments passed on unchanged.
  std::int32_t value = 0;
  std::uint32_t length = 0;
  int marker = 0;
  EXPECT_EQ(m_->QueryDeviceProperty(0, 4, "FAKE_INDEX", &marker, 4, &value, &length), S_OK);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(b_->LastReserved(), &marker);
  EXPECT_EQ(b_->LastBufferSize(), 4u);
  EXPECT_EQ(m_->QueryDeviceProperty(0, 4, "NO_SUCH_PROPERTY", nullptr, 4, &value, &length), 1);
  EXPECT_EQ(m_->QueryDeviceProperty(0, 4, nullptr, nullptr, 4, &value, &length), E_INVALIDARG);
  EXPECT_EQ(m_->QueryDeviceProperty(0, 4, "FAKE_INDEX", nullptr, 4, nullptr, &length),
            E_INVALIDARG);
  EXPECT_EQ(m_->QueryDeviceProperty(0, 4, "FAKE_INDEX", nullptr, 4, &value, nullptr),
            E_INVALIDARG);
}

TEST_F(RunTest, WithoutDevicesEveryIndexIsNotFound) {
  m_ = NewManager();
  std::int32_t count = 7;
  EXPECT_EQ(m_->GetTotalDeviceCount(&count), S_OK);
  EXPECT_EQ(count, 0);
  std::int32_t result = 0;
  Address(0, &result);
  EXPECT_EQ(result, DM_E_DEVICE_NOT_FOUND);
}

TEST_F(RunTest, CookiesAreSlotNumbersAndTheHundredAndFirstGetsNone) {
  TwoProviders();
  a_->HoldPasses(true);
  std::vector<std::unique_ptr<Recorder>> recorders;
  for (int i = 0; i < kCallbackSlots; ++i) {
    recorders.push_back(std::make_unique<Recorder>());
    std::int32_t cookie = -1;
    ASSERT_EQ(Start(*recorders.back(), &cookie), S_OK);
    ASSERT_EQ(cookie, i + 1);
  }
  Recorder extra;
  std::int32_t cookie = -1;
  EXPECT_EQ(Start(extra, &cookie), S_OK);
  EXPECT_EQ(cookie, 0);
  EXPECT_EQ(m_->RemoveDiscoveryCallback(40), S_OK);
  EXPECT_EQ(Start(extra, &cookie), S_OK);
  EXPECT_EQ(cookie, 40);
  EXPECT_EQ(m_->RemoveDiscoveryCallback(40), S_OK);

  // A null callback takes no slot.
  EXPECT_EQ(m_->StartDiscovery(&cookie, 0, nullptr), S_OK);
  EXPECT_EQ(cookie, 0);
  a_->HoldPasses(false);
  for (int i = 0; i < kCallbackSlots; ++i) {
    if (i != 39) {
      ASSERT_TRUE(recorders[i]->WaitCalls(1)) << i;
    }
  }
  ASSERT_TRUE(a_->WaitIdle(5000));
  EXPECT_EQ(extra.Count(), 0u);
  EXPECT_EQ(recorders[39]->Count(), 0u);
}

TEST_F(RunTest, BadStartsAndUnknownCookies) {
  TwoProviders();
  EXPECT_EQ(m_->StartDiscovery(nullptr, 0, &Recorder::Callback), E_INVALIDARG);
  EXPECT_EQ(a_->StartCalls(), 0);
  EXPECT_FALSE(context_->RunActive());

  Recorder r;
  std::int32_t cookie = 0;
  ASSERT_EQ(Start(r, &cookie), S_OK);
  ASSERT_TRUE(r.WaitCalls(1));
  for (std::int32_t unknown : {0, -1, 2, 100, 101, 1 << 30}) {
    EXPECT_EQ(m_->RemoveDiscoveryCallback(unknown), S_OK) << unknown;
  }
  Recorder other;
  ASSERT_EQ(Start(other), S_OK);
  ASSERT_TRUE(other.WaitCalls(1));
  ASSERT_TRUE(r.WaitCalls(2));  // still registered
}

TEST_F(RunTest, ARunThatNoProviderCanMakeEndsAtOnce) {
  struct Case {
    const char* name;
    std::vector<const char*> paths;  // null: a provider key without a library
  };
  const Case cases[] = {
      {"NoProviders", {}},
      {"WithoutStart", {kFakeNoStart}},
      {"LibraryDoesNotLoad", {kFakeUnloadable}},
      {"NoExports", {kFakeBare}},
      {"NoLibrary", {nullptr}},
      {"SeveralThatCannotRun", {kFakeNoStart, kFakeUnloadable, kFakeBare}},
  };
  for (const Case& c : cases) {
    context_ = std::make_unique<DiscoveryContext>();
    for (std::size_t i = 0; i < c.paths.size(); ++i) {
      const std::string value = std::string(c.name) + std::to_string(i);
      if (c.paths[i] && std::string(c.paths[i]) != kFakeUnloadable) Fake(c.paths[i]);
      AddProvider(value, value, c.paths[i] ? std::optional<std::string>(c.paths[i]) : std::nullopt);
    }
    m_ = NewManager();
    ASSERT_EQ(m_->GetProviderCount(), static_cast<std::int32_t>(c.paths.size())) << c.name;
    Recorder r;
    std::int32_t cookie = 0;
    ASSERT_EQ(Start(r, &cookie), S_OK);
    // Called before StartDiscovery returned, on the calling thread.
    ASSERT_EQ(r.Count(), 1u) << c.name;
    EXPECT_EQ(r.Calls()[0].thread, std::this_thread::get_id());
    EXPECT_EQ(r.Calls()[0].cookie, cookie);
    EXPECT_FALSE(context_->RunActive()) << c.name;
    std::int32_t count = -1;
    EXPECT_EQ(m_->GetTotalDeviceCount(&count), S_OK);
    EXPECT_EQ(count, 0);
    Recorder next;
    ASSERT_EQ(Start(next), S_OK);  // and the next run too
    EXPECT_EQ(next.Count(), 1u) << c.name;
    EXPECT_EQ(r.Count(), 2u) << c.name;
    m_.reset();
    context_.reset();
    // The next case starts from an empty providers list.
    HKEY list = Create(kProvidersKey);
    for (std::size_t i = 0; i < c.paths.size(); ++i) {
      RegDeleteValueA(list, (std::string(c.name) + std::to_string(i)).c_str());
    }
    RegCloseKey(list);
  }
}

TEST_F(RunTest, AProviderThatCannotRunDoesNotHoldUpTheOthers) {
  FakeProviderControl* noStart = AddFake("N", kFakeNoStart);
  a_ = AddFake("A", kFakeA);
  m_ = NewManager();
  a_->HoldPasses(true);
  Recorder r;
  ASSERT_EQ(Start(r), S_OK);
  ASSERT_TRUE(a_->WaitPassesBegun(1, 5000));
  EXPECT_EQ(a_->LastContext(), 1);
  EXPECT_EQ(r.Count(), 0u);
  EXPECT_TRUE(context_->RunActive());
  a_->HoldPasses(false);
  ASSERT_TRUE(r.WaitCalls(1));
  EXPECT_EQ(noStart->StartCalls(), 0);
}

TEST_F(RunTest, StrayCompletionsMarkNothing) {
  TwoProviders();
  b_->HoldPasses(true);
  Recorder r;
  ASSERT_EQ(Start(r), S_OK);
  ASSERT_TRUE(a_->WaitIdle(5000));
  ASSERT_TRUE(b_->WaitPassesBegun(1, 5000));
  DiscoveryDoneCallback done = a_->LastDone();
  ASSERT_NE(done, nullptr);
  done(7, 0);   // no such provider
  done(-1, 0);
  done(0, 0);   // already done
  EXPECT_TRUE(context_->RunActive());
  EXPECT_EQ(r.Count(), 0u);
  b_->HoldPasses(false);
  ASSERT_TRUE(r.WaitCalls(1));
  ASSERT_TRUE(b_->WaitIdle(5000));
  // With no run active a completion is ignored.
  done(1, 0);
  done(0, 0);
  EXPECT_EQ(r.Count(), 1u);
}

TEST_F(RunTest, ARegistrationForTheNextRunIsNotCalledByTheEndOfThisOne) {
  TwoProviders();
  Recorder first, next;
  std::atomic<int> nextCookie{-1};
  std::atomic<bool> started{false};
  first.onCall = [&](std::int32_t) {
    if (started.exchange(true)) return;
    // From inside the callback: the run has ended, so this starts the next.
    a_->HoldPasses(true);
    std::int32_t c = -1;
    EXPECT_EQ(m_->StartDiscovery(&c, next.userData(), &Recorder::Callback), S_OK);
    nextCookie = c;
    std::int32_t count = 0;
    EXPECT_EQ(m_->GetTotalDeviceCount(&count), DM_E_DISCOVERY_RUNNING);
  };
  ASSERT_EQ(Start(first), S_OK);
  ASSERT_TRUE(first.WaitCalls(1));
  ASSERT_TRUE(a_->WaitPassesBegun(2, 5000));
  EXPECT_EQ(nextCookie.load(), 2);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(next.Count(), 0u);
  a_->HoldPasses(false);
  ASSERT_TRUE(next.WaitCalls(1));
  ASSERT_TRUE(first.WaitCalls(2));
  EXPECT_EQ(next.Count(), 1u);
}

TEST_F(RunTest, ACallbackRemovedDuringTheDispatchIsNotCalled) {
  TwoProviders();
  Recorder first, second;
  std::int32_t c1 = 0, c2 = 0;
  first.onCall = [&](std::int32_t cookie) {
    EXPECT_EQ(m_->RemoveDiscoveryCallback(c2), S_OK);
    // Removing itself from inside its own call does not wait for itself.
    EXPECT_EQ(m_->RemoveDiscoveryCallback(cookie), S_OK);
    std::int32_t count = 0;
    EXPECT_EQ(m_->GetTotalDeviceCount(&count), S_OK);
    EXPECT_EQ(count, 5);
  };
  a_->HoldPasses(true);
  ASSERT_EQ(Start(first, &c1), S_OK);
  ASSERT_EQ(Start(second, &c2), S_OK);
  a_->HoldPasses(false);
  ASSERT_TRUE(first.WaitCalls(1));
  ASSERT_TRUE(a_->WaitIdle(5000));
  ASSERT_TRUE(b_->WaitIdle(5000));
  EXPECT_EQ(second.Count(), 0u);
  EXPECT_FALSE(context_->RunActive());
}

TEST_F(RunTest, RemoveWaitsForACallInProgressOnAnotherThread) {
  TwoProviders();
  std::mutex m;
  std::condition_variable cv;
  bool inCall = false, release = false;
  Recorder r;
  r.onCall = [&](std::int32_t) {
    std::unique_lock l(m);
    inCall = true;
    cv.notify_all();
    cv.wait(l, [&] { return release; });
  };
  std::int32_t cookie = 0;
  ASSERT_EQ(Start(r, &cookie), S_OK);
  {
    std::unique_lock l(m);
    ASSERT_TRUE(cv.wait_for(l, 5s, [&] { return inCall; }));
  }
  std::atomic<bool> removed{false};
  std::thread remover([&] {
    EXPECT_EQ(m_->RemoveDiscoveryCallback(cookie), S_OK);
    removed = true;
  });
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(removed.load());
  {
    std::lock_guard l(m);
    release = true;
  }
  cv.notify_all();
  remover.join();
  EXPECT_TRUE(removed.load());
}

// Clients on several threads, each running the management interface's
// sequence: start, wait for the callback, remove it, count, read.
TEST_F(RunTest, ClientsOnSeveralThreads) {
  TwoProviders();
  constexpr int kThreads = 4, kRounds = 15;
  std::vector<std::thread> clients;
  std::atomic<int> counted{0};
  for (int t = 0; t < kThreads; ++t) {
    clients.emplace_back([&] {
      for (int round = 0; round < kRounds; ++round) {
        Recorder r;
        std::int32_t cookie = 0;
        ASSERT_EQ(m_->StartDiscovery(&cookie, r.userData(), &Recorder::Callback), S_OK);
        ASSERT_NE(cookie, 0);
        ASSERT_TRUE(r.WaitCalls(1, 10000));
        ASSERT_EQ(m_->RemoveDiscoveryCallback(cookie), S_OK);
        std::int32_t count = 0;
        std::int32_t result = m_->GetTotalDeviceCount(&count);
        // Another client may have started the next run meanwhile.
        if (result == S_OK) {
          EXPECT_EQ(count, 5);
          ++counted;
        } else {
          EXPECT_EQ(result, DM_E_DISCOVERY_RUNNING);
        }
        char buffer[256];
        std::uint32_t length = 0;
        std::int32_t q = m_->QueryDeviceProperty(cookie, 3, "DEVICE_ADDRESS", nullptr,
                                                 sizeof buffer, buffer, &length);
        if (q == S_OK) {
          EXPECT_STREQ(buffer, "b:0");
        } else {
          EXPECT_EQ(q, DM_E_DISCOVERY_RUNNING);
        }
      }
    });
  }
  for (auto& c : clients) c.join();
  EXPECT_GT(counted.load(), 0);
}

}  // namespace
}  // namespace vlm::discovery::testing
