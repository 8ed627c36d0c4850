#include "tests/support/programs.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace vlm::testing {

namespace fs = std::filesystem;

pid_t Start(const Launch& launch) {
  // Everything the child needs is made before the fork.
  std::vector<char*> argv;
  for (const std::string& a : launch.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::setpgid(0, 0);
    for (const auto& [name, value] : launch.set) ::setenv(name.c_str(), value.c_str(), 1);
    for (const std::string& name : launch.unset) ::unsetenv(name.c_str());
    if (!launch.output.empty()) {
      const int fd = ::open(launch.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (fd < 0 || ::dup2(fd, 1) < 0 || ::dup2(fd, 2) < 0) ::_exit(126);
    }
    if (launch.uid != static_cast<uid_t>(-1) &&
        (::setgroups(0, nullptr) != 0 || ::setgid(launch.gid) != 0 || ::setuid(launch.uid) != 0 ||
         ::setuid(0) == 0))
      ::_exit(126);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return child;
}

int Wait(pid_t child, const std::string& what, int limit_seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(limit_seconds);
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      ::kill(-child, SIGKILL);
      ::waitpid(child, &status, 0);
      std::fprintf(stderr, "%s did not end in time: killed\n", what.c_str());
      return kKilledAtLimit;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Run(const Launch& launch, int limit_seconds) {
  return Wait(Start(launch), launch.args.at(0), limit_seconds);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::uint16_t FreeUdpPort() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
  ::close(fd);
  return ntohs(a.sin_port);
}

std::vector<std::string> ProcessesUsing(const std::string& folder) {
  std::vector<std::string> found;
  for (const fs::directory_entry& e : fs::directory_iterator("/proc")) {
    const std::string pid = e.path().filename();
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == std::to_string(::getpid()))
      continue;
    std::string cmdline = ReadFile(e.path() / "cmdline");
    for (char& c : cmdline)
      if (c == '\0') c = ' ';
    std::error_code ec;
    const std::string cwd = fs::read_symlink(e.path() / "cwd", ec).string();
    if (cmdline.find(folder) != std::string::npos || cwd.rfind(folder, 0) == 0)
      found.push_back(pid + " " + cmdline);
  }
  return found;
}

std::vector<std::string> Shown(const std::string& record, const std::string& where) {
  std::vector<std::string> lines;
  std::istringstream in(record);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(where + "\t", 0) == 0) lines.push_back(line.substr(where.size() + 1));
  return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& l : lines)
    if (l.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace vlm::testing
