// Several processes on one registry: a writer killed in the middle of its
// writes, two writers on one key, and changes seen across processes.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/registry/tests/registry_fixture.h"

namespace vlm::testing {
namespace {

// Runs body in a child process, whose exit status is body's result.
pid_t Spawn(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) _exit(body());
  return pid;
}

int WaitExit(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

constexpr int kKeys = 12;
constexpr std::size_t kFill = 24 * 1024;

std::string KeyPath(int i) { return "SOFTWARE\\Crash\\K" + std::to_string(i); }

// Round r's value of key i: the round number, then a fill that depends on both.
std::string RoundData(int round, int i) {
  return std::to_string(round) + ":" + std::string(kFill, static_cast<char>('a' + (round + i) % 26));
}

// The round a value belongs to, or -1 when it is not exactly one round's value.
int RoundOf(const std::string& data, int i) {
  std::size_t colon = data.find(':');
  if (colon == std::string::npos || colon == 0) return -1;
  int round = std::stoi(data.substr(0, colon));
  return data == RoundData(round, i) ? round : -1;
}

TEST_F(RegistryTest, KilledWriterLeavesEveryKeyOldOrNew) {
  for (int i = 0; i < kKeys; ++i) {
    HKEY key = Create(KeyPath(i));
    ASSERT_EQ(SetBytes(key, "Data", REG_BINARY, RoundData(0, i)), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  int round = 0;  // every key holds this round or the next
  for (int delayMs : {0, 2, 5, 11, 23, 41}) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const int first = round + 1;
    pid_t child = Spawn([&]() -> int {
      ::close(fds[0]);
      for (int r = first;; ++r) {
        for (int i = 0; i < kKeys; ++i) {
          // A key per round, made before the round's first value.
          if (i == 0) RegCloseKey(Create("SOFTWARE\\Crash\\Round" + std::to_string(r)));
          HKEY key = nullptr;
          if (Open(KeyPath(i), KEY_WRITE, &key) != ERROR_SUCCESS) return 1;
          if (SetBytes(key, "Data", REG_BINARY, RoundData(r, i)) != ERROR_SUCCESS) return 2;
          RegCloseKey(key);
          if (r == first && i == 0 && ::write(fds[1], "w", 1) != 1) return 3;
        }
      }
    });
    ASSERT_GT(child, 0);
    ::close(fds[1]);
    char started = 0;
    ASSERT_EQ(::read(fds[0], &started, 1), 1) << "the writer failed before its first write";
    ::close(fds[0]);
    ::usleep(static_cast<useconds_t>(delayMs) * 1000);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own: " << WEXITSTATUS(status);

    // A fresh look, as a new process would take it.
    registry::ResetForTests();
    std::vector<int> rounds;
    for (int i = 0; i < kKeys; ++i) {
      HKEY key = nullptr;
      ASSERT_EQ(Open(KeyPath(i), KEY_READ, &key), ERROR_SUCCESS) << "the hive must parse";
      auto data = Read(key, "Data");
      RegCloseKey(key);
      ASSERT_TRUE(data.has_value());
      rounds.push_back(RoundOf(*data, i));
      ASSERT_GE(rounds.back(), round) << "key " << i << " is torn or went back";
    }
    // Keys are written in order, so they hold round R up to some key and R-1 after it.
    for (int i = 1; i < kKeys; ++i) {
      EXPECT_TRUE(rounds[i] == rounds[i - 1] || rounds[i] == rounds[i - 1] - 1)
          << "key " << i << " holds round " << rounds[i] << " after " << rounds[i - 1];
    }
    HKEY created = nullptr;
    ASSERT_EQ(Open("SOFTWARE\\Crash\\Round" + std::to_string(rounds[0]), KEY_READ, &created),
              ERROR_SUCCESS);
    RegCloseKey(created);
    round = rounds.back();
  }
  // A write after the crashes works and keeps every other key.
  HKEY key = Create(KeyPath(0));
  EXPECT_EQ(SetText(key, "After", "yes"), ERROR_SUCCESS);
  RegCloseKey(key);
  registry::ResetForTests();
  ASSERT_EQ(Open(KeyPath(kKeys - 1), KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_GE(RoundOf(Read(key, "Data").value_or(""), kKeys - 1), round);
  RegCloseKey(key);
}

TEST_F(RegistryTest, TwoProcessesWritingOneKeyLoseNeithersChanges) {
  constexpr int kEach = 120;
  HKEY key = Create("SOFTWARE\\Shared");
  ASSERT_EQ(SetText(key, "seed", "0"), ERROR_SUCCESS);
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> children;
  for (const char* prefix : {"a", "b"}) {
    children.push_back(Spawn([&, prefix]() -> int {
      ::close(go[1]);
      char byte;
      if (::read(go[0], &byte, 1) != 1) return 1;
      HKEY shared = nullptr;
      if (Open("SOFTWARE\\Shared", KEY_WRITE, &shared) != ERROR_SUCCESS) return 2;
      for (int i = 0; i < kEach; ++i) {
        std::string name = prefix + std::to_string(i);
        if (SetText(shared, name.c_str(), name) != ERROR_SUCCESS) return 3;
      }
      return RegCloseKey(shared) == ERROR_SUCCESS ? 0 : 4;
    }));
    ASSERT_GT(children.back(), 0);
  }
  ::close(go[0]);
  ASSERT_EQ(::write(go[1], "gg", 2), 2);  // both start at once
  ::close(go[1]);
  for (pid_t child : children) EXPECT_EQ(WaitExit(child), 0);

  // Read through the handle opened before: the children's changes are seen.
  for (const char* prefix : {"a", "b"}) {
    for (int i = 0; i < kEach; ++i) {
      std::string name = prefix + std::to_string(i);
      EXPECT_EQ(Read(key, name.c_str()), name + '\0') << name;
    }
  }
  EXPECT_EQ(Read(key, "seed"), std::string("0\0", 2));
  RegCloseKey(key);
}

TEST_F(RegistryTest, AnotherProcessesChangeIsSeenByTheNextCall) {
  HKEY watched = Create("Watched");
  HKEY gone = Create("Gone");
  ASSERT_EQ(SetText(watched, "v", "1"), ERROR_SUCCESS);
  ASSERT_EQ(Read(watched, "v"), std::string("1\0", 2));  // now cached here
  pid_t child = Spawn([&]() -> int {
    if (SetText(watched, "v", "2") != ERROR_SUCCESS) return 1;
    HKEY sub = nullptr;
    if (RegCreateKeyExA(watched, "Sub", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr) !=
        ERROR_SUCCESS) {
      return 2;
    }
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Gone") == ERROR_SUCCESS ? 0 : 3;
  });
  ASSERT_EQ(WaitExit(child), 0);
  EXPECT_EQ(Read(watched, "v"), std::string("2\0", 2));
  char name[8];
  DWORD size = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(watched, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "Sub");
  EXPECT_EQ(SetText(gone, "v", "x"), ERROR_KEY_DELETED);
  RegCloseKey(watched);
  RegCloseKey(gone);
}

}  // namespace
}  // namespace vlm::testing
