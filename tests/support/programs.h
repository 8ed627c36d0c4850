// Programs that tests start: the installed monitor, its tools, cmake, cpack
// and dpkg-deb, and what their runs leave to read.
//
// What a caller may rely on:
// - Start() forks and executes args[0] (a path, no search) in a process group
//   of its own, with the environment of this process changed by `set` and
//   `unset`. With `output`, standard output and standard error go to that
//   file (made or emptied). With a user (`uid`, `gid` not -1), the child drops
//   every supplementary group and takes that group and user before it
//   executes the program, and exits with 126 when it cannot.
// - Wait() waits for the child and gives its exit status, or -1 when it did
//   not exit by itself; when it outlives the limit its process group is
//   killed, a line says so on stderr, and the result is kKilledAtLimit.
// - Run() is Start() then Wait().
// - FreeUdpPort() is a loopback UDP port that was free a moment ago.
// - ProcessesUsing(folder) lists the other processes whose command line names
//   the folder or whose working folder lies in it ("pid command line").
// - Shown(record, where) takes the lines of a monitor's window.txt whose first
//   column is `where`, without that column.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vlm::testing {

using Env = std::vector<std::pair<std::string, std::string>>;

struct Launch {
  std::vector<std::string> args;
  Env set;
  std::vector<std::string> unset;
  std::string output;
  uid_t uid = static_cast<uid_t>(-1);
  gid_t gid = static_cast<gid_t>(-1);
};

inline constexpr int kKilledAtLimit = -2;

pid_t Start(const Launch& launch);
int Wait(pid_t child, const std::string& what, int limit_seconds = 200);
int Run(const Launch& launch, int limit_seconds = 200);

std::string ReadFile(const std::string& path);
std::uint16_t FreeUdpPort();
std::vector<std::string> ProcessesUsing(const std::string& folder);
std::vector<std::string> Shown(const std::string& record, const std::string& where);
bool Contains(const std::vector<std::string>& lines, const std::string& text);

}  // namespace vlm::testing
