// Threads of one process using the registry at once.
#include <thread>
#include <vector>

#include "platform/registry/tests/registry_fixture.h"

namespace vlm::testing {
namespace {

TEST_F(RegistryTest, ThreadsWritingAndReadingOneKeyLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kEach = 40;
  RegCloseKey(Create("SOFTWARE\\Threads"));
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < kEach; ++i) {
        HKEY key = nullptr;
        // Each thread opens its own handles, and reads what the others wrote.
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\threads", 0, KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS) {
          ++failures[t];
          continue;
        }
        std::string name = std::to_string(t) + "-" + std::to_string(i);
        if (RegistryTest::SetText(key, name.c_str(), name) != ERROR_SUCCESS) ++failures[t];
        char other[32];
        DWORD size = sizeof other;
        LONG rc = RegEnumValueA(key, static_cast<DWORD>(i), other, &size, nullptr, nullptr,
                                nullptr, nullptr);
        if (rc != ERROR_SUCCESS) ++failures[t];
        if (RegCloseKey(key) != ERROR_SUCCESS) ++failures[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;

  registry::ResetForTests();
  HKEY key = nullptr;
  ASSERT_EQ(Open("SOFTWARE\\Threads", KEY_READ, &key), ERROR_SUCCESS);
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kEach; ++i) {
      std::string name = std::to_string(t) + "-" + std::to_string(i);
      EXPECT_EQ(Read(key, name.c_str()), name + '\0');
    }
  }
  RegCloseKey(key);
}

}  // namespace
}  // namespace vlm::testing
