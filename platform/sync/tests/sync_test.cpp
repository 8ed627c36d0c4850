#include "platform/sync/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace vlm {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

DWORD Error(LONG code) { return static_cast<DWORD>(code); }

// Waits until pred holds, at most five seconds.
bool Eventually(const std::function<bool()>& pred) {
  auto deadline = Clock::now() + 5s;
  while (!pred()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// The result of a wait on another thread.
DWORD WaitElsewhere(HANDLE h, DWORD ms) {
  DWORD result = 0;
  std::thread([&] { result = WaitForSingleObject(h, ms); }).join();
  return result;
}

TEST(SyncMutex, IsRecursiveForItsOwnerAndExcludesOthers) {
  HANDLE m = CreateMutexA(nullptr, 0, nullptr);
  ASSERT_NE(m, nullptr);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(WaitElsewhere(m, 0), WAIT_TIMEOUT) << "still held " << 3 - i << " times";
    ASSERT_TRUE(ReleaseMutex(m));
  }
  EXPECT_FALSE(ReleaseMutex(m));
  EXPECT_EQ(GetLastError(), Error(ERROR_NOT_OWNER));
  // Released for good: another thread gets it (and the thread's end abandons it).
  EXPECT_EQ(WaitElsewhere(m, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_ABANDONED);
  ASSERT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0) << "abandonment is reported once";
  ASSERT_TRUE(ReleaseMutex(m));
  CloseHandle(m);
}

TEST(SyncMutex, ReleaseByAnotherThreadFails) {
  HANDLE m = CreateMutexA(nullptr, 1, nullptr);  // owned by this thread
  ASSERT_NE(m, nullptr);
  BOOL released = 1;
  DWORD error = 0;
  std::thread([&] {
    released = ReleaseMutex(m);
    error = GetLastError();
  }).join();
  EXPECT_FALSE(released);
  EXPECT_EQ(error, Error(ERROR_NOT_OWNER));
  EXPECT_EQ(WaitElsewhere(m, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(m));
  CloseHandle(m);
}

TEST(SyncMutex, SerialisesThreads) {
  HANDLE m = CreateMutexA(nullptr, 0, "SerialisesThreads");
  ASSERT_NE(m, nullptr);
  int counter = 0;  // guarded by the mutex only
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      HANDLE mine = CreateMutexA(nullptr, 0, "SerialisesThreads");
      for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(WaitForSingleObject(mine, INFINITE), WAIT_OBJECT_0);
        int seen = counter;
        std::this_thread::yield();
        counter = seen + 1;
        ReleaseMutex(mine);
      }
      CloseHandle(mine);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 2000);
  CloseHandle(m);
}

TEST(SyncMutex, WaitTimesOutWhileAnotherThreadHoldsIt) {
  HANDLE m = CreateMutexA(nullptr, 1, nullptr);
  auto start = Clock::now();
  EXPECT_EQ(WaitElsewhere(m, 60), WAIT_TIMEOUT);
  EXPECT_GE(Clock::now() - start, 60ms);
  ReleaseMutex(m);
  CloseHandle(m);
}

TEST(SyncEvent, AutoResetReleasesOneWaiterPerSet) {
  HANDLE e = CreateEventA(nullptr, 0, 0, nullptr);
  ASSERT_NE(e, nullptr);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) {
    waiters.emplace_back([&] {
      if (WaitForSingleObject(e, INFINITE) == WAIT_OBJECT_0) ++released;
    });
  }
  for (int set = 1; set <= 3; ++set) {
    ASSERT_TRUE(SetEvent(e));
    ASSERT_TRUE(Eventually([&] { return released == set; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(released, set) << "one SetEvent released more than one waiter";
  }
  for (auto& t : waiters) t.join();
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT) << "non-signalled after the release";

  // With no one waiting it stays signalled for exactly one wait.
  ASSERT_TRUE(SetEvent(e));
  ASSERT_TRUE(SetEvent(e));
  EXPECT_EQ(WaitElsewhere(e, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
  CloseHandle(e);
}

TEST(SyncEvent, ManualResetReleasesEveryWaiterUntilReset) {
  HANDLE e = CreateEventA(nullptr, 1, 0, nullptr);
  ASSERT_NE(e, nullptr);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 4; ++i) {
    waiters.emplace_back([&] {
      if (WaitForSingleObject(e, INFINITE) == WAIT_OBJECT_0) ++released;
    });
  }
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(released, 0);
  ASSERT_TRUE(SetEvent(e));
  for (auto& t : waiters) t.join();
  EXPECT_EQ(released, 4);

  ASSERT_TRUE(SetEvent(e));
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitElsewhere(e, 0), WAIT_OBJECT_0) << "stays signalled";
  ASSERT_TRUE(ResetEvent(e));
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
  CloseHandle(e);
}

TEST(SyncEvent, WaitsTimeOutAfterTheGivenTime) {
  HANDLE e = CreateEventA(nullptr, 1, 0, nullptr);
  auto start = Clock::now();
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
  EXPECT_LT(Clock::now() - start, 50ms);
  start = Clock::now();
  EXPECT_EQ(WaitForSingleObject(e, 80), WAIT_TIMEOUT);
  auto waited = Clock::now() - start;
  EXPECT_GE(waited, 80ms);
  EXPECT_LT(waited, 2s);

  // A set during a long wait ends it at once.
  std::thread setter([&] {
    std::this_thread::sleep_for(30ms);
    SetEvent(e);
  });
  start = Clock::now();
  EXPECT_EQ(WaitForSingleObject(e, 10000), WAIT_OBJECT_0);
  EXPECT_LT(Clock::now() - start, 5s);
  setter.join();
  HANDLE initiallySet = CreateEventA(nullptr, 0, 1, nullptr);
  EXPECT_EQ(WaitForSingleObject(initiallySet, 0), WAIT_OBJECT_0);
  CloseHandle(initiallySet);
  CloseHandle(e);
}

TEST(SyncNamed, SecondCreateOpensTheSameObject) {
  HANDLE first = CreateMutexA(nullptr, 0, "TIMER_MUTEX");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), Error(ERROR_SUCCESS));
  HANDLE second = CreateMutexA(nullptr, 1, "TIMER_MUTEX");  // owner flag ignored
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), Error(ERROR_ALREADY_EXISTS));
  EXPECT_NE(first, second);
  EXPECT_EQ(WaitElsewhere(first, 0), WAIT_OBJECT_0) << "the second create did not take it";
  ASSERT_EQ(WaitForSingleObject(first, 0), WAIT_ABANDONED);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0) << "one object, one owner";
  EXPECT_EQ(WaitElsewhere(second, 0), WAIT_TIMEOUT);
  ReleaseMutex(second);
  ReleaseMutex(first);

  HANDLE other = CreateMutexA(nullptr, 0, "timer_mutex");
  EXPECT_EQ(GetLastError(), Error(ERROR_SUCCESS)) << "names keep their case";
  HANDLE unnamed1 = CreateMutexA(nullptr, 1, nullptr);
  HANDLE unnamed2 = CreateMutexA(nullptr, 0, "");
  EXPECT_EQ(GetLastError(), Error(ERROR_SUCCESS));
  EXPECT_EQ(WaitElsewhere(unnamed2, 0), WAIT_OBJECT_0) << "unnamed objects are distinct";

  EXPECT_EQ(CreateEventA(nullptr, 1, 0, "TIMER_MUTEX"), nullptr);
  EXPECT_EQ(GetLastError(), Error(ERROR_INVALID_HANDLE));
  for (HANDLE h : {first, second, other, unnamed1, unnamed2}) EXPECT_TRUE(CloseHandle(h));
  HANDLE again = CreateMutexA(nullptr, 0, "TIMER_MUTEX");
  EXPECT_EQ(GetLastError(), Error(ERROR_SUCCESS)) << "the name is free after the last close";
  CloseHandle(again);
}

// The module keeps one handle and every new object replaces it with a handle
// of its own to the same name: closing the replaced one must leave the object
// alive for the holders that remain, even while they wait on it.
TEST(SyncNamed, ClosingOneHolderKeepsTheObjectForTheOthers) {
  HANDLE module = CreateEventA(nullptr, 1, 1, "DISC_EVENT");
  HANDLE replacement = CreateEventA(nullptr, 1, 1, "DISC_EVENT");
  ASSERT_EQ(GetLastError(), Error(ERROR_ALREADY_EXISTS));
  ASSERT_TRUE(ResetEvent(module));
  ASSERT_TRUE(CloseHandle(module));
  EXPECT_EQ(WaitForSingleObject(replacement, 0), WAIT_TIMEOUT) << "the reset object lives on";

  std::atomic<DWORD> result{WAIT_FAILED};
  std::thread waiter([&] { result = WaitForSingleObject(replacement, INFINITE); });
  std::this_thread::sleep_for(20ms);
  HANDLE setter = CreateEventA(nullptr, 1, 0, "DISC_EVENT");
  EXPECT_EQ(GetLastError(), Error(ERROR_ALREADY_EXISTS));
  ASSERT_TRUE(CloseHandle(replacement));  // closed while a wait on it runs
  ASSERT_TRUE(SetEvent(setter));
  waiter.join();
  EXPECT_EQ(result, WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(replacement, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), Error(ERROR_INVALID_HANDLE));
  CloseHandle(setter);

  // A mutex held through one holder's handle stays held when another closes.
  HANDLE a = CreateMutexA(nullptr, 0, "DISC_MUTEX");
  HANDLE b = CreateMutexA(nullptr, 0, "DISC_MUTEX");
  ASSERT_EQ(WaitForSingleObject(b, INFINITE), WAIT_OBJECT_0);
  CloseHandle(a);
  HANDLE c = CreateMutexA(nullptr, 0, "DISC_MUTEX");
  EXPECT_EQ(GetLastError(), Error(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(WaitElsewhere(c, 0), WAIT_TIMEOUT);
  ReleaseMutex(b);
  EXPECT_EQ(WaitElsewhere(c, 0), WAIT_OBJECT_0);
  CloseHandle(b);
  CloseHandle(c);
}

TEST(SyncHandles, BadHandlesFailWithInvalidHandle) {
  HANDLE m = CreateMutexA(nullptr, 0, nullptr);
  HANDLE e = CreateEventA(nullptr, 0, 0, nullptr);
  HANDLE closed = CreateEventA(nullptr, 0, 0, nullptr);
  ASSERT_TRUE(CloseHandle(closed));
  struct Case {
    const char* what;
    std::function<bool()> failed;
  };
  const std::vector<Case> cases = {
      {"wait on null", [] { return WaitForSingleObject(nullptr, 0) == WAIT_FAILED; }},
      {"wait on closed", [&] { return WaitForSingleObject(closed, INFINITE) == WAIT_FAILED; }},
      {"set a mutex", [&] { return !SetEvent(m); }},
      {"reset a mutex", [&] { return !ResetEvent(m); }},
      {"release an event", [&] { return !ReleaseMutex(e); }},
      {"set closed", [&] { return !SetEvent(closed); }},
      {"close twice", [&] { return !CloseHandle(closed); }},
      {"close null", [] { return !CloseHandle(nullptr); }},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_TRUE(c.failed()) << c.what;
    EXPECT_EQ(GetLastError(), Error(ERROR_INVALID_HANDLE)) << c.what;
  }
  // The last error belongs to each thread.
  SetLastError(1234);
  std::thread([] { EXPECT_EQ(GetLastError(), 0u); }).join();
  EXPECT_EQ(GetLastError(), 1234u);
  CloseHandle(m);
  CloseHandle(e);
}

}  // namespace
}  // namespace vlm
