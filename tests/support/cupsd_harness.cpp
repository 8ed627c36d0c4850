#include "tests/support/cupsd_harness.h"

#include <cups/cups.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/loopback.h"
#include "tests/support/snmpd_agent.h"
#include "tests/support/temp_folder.h"

namespace vlm::testing {

namespace fs = std::filesystem;

namespace {

// A free TCP port on `host` at the time of the call.
std::uint16_t FreeTcpPort(const std::string& host) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(ParseDottedQuad(host));
  socklen_t len = sizeof sa;
  bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0;
  ::close(fd);
  if (!ok) throw std::runtime_error("no TCP port on " + host);
  return ntohs(sa.sin_port);
}

bool Accepts(const std::string& socketPath) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  socketPath.copy(sa.sun_path, sizeof sa.sun_path - 1);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  ::close(fd);
  return ok;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// fork() + execve() with everything prepared before the fork: the child of a
// threaded process may only make async-signal-safe calls. Output goes to
// `outFd` (or /dev/null when -1).
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& env, int outFd, bool dieWithParent) {
  std::vector<std::string> a = args, e = env;
  std::vector<char*> argv, envp;
  for (auto& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
  for (auto& s : e) envp.push_back(s.data());
  envp.push_back(nullptr);
  int devNull = ::open("/dev/null", O_RDWR);
  pid_t parent = ::getpid();
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(devNull);
    throw std::runtime_error("fork");
  }
  if (pid == 0) {
    if (dieWithParent) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) ::_exit(127);
    }
    int out = outFd >= 0 ? outFd : devNull;
    ::dup2(devNull, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(devNull);
  return pid;
}

const std::vector<std::string>& ClientEnvironment() {
  static const std::vector<std::string> env = {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LANG=C",
                                               "HOME=/nonexistent"};
  return env;
}

}  // namespace

bool DeviceUriIsLoopback(const std::string& uri) {
  std::size_t colon = uri.find(':');
  if (colon == std::string::npos) return false;
  std::string rest = uri.substr(colon + 1);
  if (rest.rfind("//", 0) != 0) return true;  // file:/dev/null, parallel:/dev/lp0
  rest.erase(0, 2);
  std::string authority = rest.substr(0, rest.find_first_of("/?#"));
  if (std::size_t at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
  std::string host = authority.substr(0, authority.find(':'));
  if (host.empty()) return true;  // file:///dev/null
  in_addr addr{};
  return ::inet_pton(AF_INET, host.c_str(), &addr) == 1 && (ntohl(addr.s_addr) >> 24) == 127;
}

CupsdHarness::CupsdHarness() {
  std::string tmpl = vlm::testing::TempRoot() + "/vlm-cupsd-XXXXXX";
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
  dir_ = tmpl;
  ::chmod(dir_.c_str(), 0755);
  socket_ = dir_ + "/cups.sock";
  host_ = AllocateLoopbackAddress();
  port_ = FreeTcpPort(host_);

  for (const char* sub : {"root", "spool", "spool/tmp", "cache", "state", "log", "bin", "bin/backend"})
    fs::create_directories(dir_ + "/" + sub);
  const fs::path system = "/usr/lib/cups";
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(system, ec)) {
    if (entry.path().filename() == "backend") continue;
    fs::create_symlink(entry.path(), dir_ + "/bin/" + entry.path().filename().string(), ec);
  }
  for (const auto& entry : fs::directory_iterator(system / "backend", ec))
    fs::create_symlink(entry.path(), dir_ + "/bin/backend/" + entry.path().filename().string(), ec);
  for (const char* scheme : {"socket", "lpd", "smb", "parallel", "serial", "usb"}) {
    std::string stub = dir_ + "/bin/backend/" + scheme;
    if (fs::exists(fs::symlink_status(stub))) continue;
    std::ofstream(stub) << "#!/bin/sh\n# Stub backend of the test scheduler: reaches no device.\nexit 1\n";
    ::chmod(stub.c_str(), 0755);
  }

  {
    std::ofstream files(dir_ + "/cups-files.conf");
    files << "ServerRoot " << dir_ << "/root\n"
          << "RequestRoot " << dir_ << "/spool\n"
          << "TempDir " << dir_ << "/spool/tmp\n"
          << "CacheDir " << dir_ << "/cache\n"
          << "StateDir " << dir_ << "/state\n"
          << "ServerBin " << dir_ << "/bin\n"
          << "DataDir /usr/share/cups\n"
          << "AccessLog " << dir_ << "/log/access_log\n"
          << "ErrorLog " << dir_ << "/log/error_log\n"
          << "PageLog " << dir_ << "/log/page_log\n"
          << "Printcap " << dir_ << "/printcap\n"
          << "SystemGroup root\n"
          << "FileDevice Yes\n";
  }
  {
    std::ofstream conf(dir_ + "/cupsd.conf");
    conf << "Listen " << host_ << ":" << port_ << "\n"
         << "Listen " << socket_ << "\n"
         << "ServerName " << host_ << "\n"
         << "ServerAlias *\n"
         << "LogLevel info\n"
         << "HostNameLookups Off\n"
         << "Browsing No\n"
         << "BrowseLocalProtocols none\n"
         << "DefaultAuthType None\n"
         << "WebInterface No\n"
         << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
         << "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
  }

  std::vector<std::string> args = {"cupsd", "-f", "-c", dir_ + "/cupsd.conf", "-s",
                                   dir_ + "/cups-files.conf"};
  pid_ = Spawn(FindProgram("cupsd"), args, ClientEnvironment(), -1, true);

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      std::string log = ReadFile(dir_ + "/log/error_log");
      fs::remove_all(dir_, ec);
      throw std::runtime_error("cupsd exited at start: " + log);
    }
    if (Accepts(socket_)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Stop();
  fs::remove_all(dir_, ec);
  throw std::runtime_error("cupsd did not accept connections on " + socket_);
}

CupsdHarness::~CupsdHarness() {
  Stop();
  std::error_code ec;
  if (!dir_.empty()) fs::remove_all(dir_, ec);
}

void CupsdHarness::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 250; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

int CupsdHarness::Run(const std::string& program, const std::vector<std::string>& args,
                      std::string* output) const {
  std::vector<std::string> argv = {program, "-h", socket_};
  argv.insert(argv.end(), args.begin(), args.end());
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  // The child gets the write end through dup2, which clears O_CLOEXEC.
  pid_t pid = Spawn(FindProgram(program), argv, ClientEnvironment(), pipeFds[1], true);
  ::close(pipeFds[1]);
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    text.append(buf, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void CupsdHarness::AddQueue(const std::string& name, const std::string& deviceUri,
                            const std::string& info) const {
  if (!DeviceUriIsLoopback(deviceUri))
    throw std::invalid_argument("test queues print to loopback only: " + deviceUri);
  std::vector<std::string> args = {"-p", name, "-E", "-v", deviceUri};
  if (!info.empty()) {
    args.push_back("-D");
    args.push_back(info);
  }
  std::string output;
  if (Run("lpadmin", args, &output) != 0)
    throw std::runtime_error("lpadmin -p " + name + " failed: " + output);
}

void CupsdHarness::RemoveQueue(const std::string& name) const {
  std::string output;
  if (Run("lpadmin", {"-x", name}, &output) != 0)
    throw std::runtime_error("lpadmin -x " + name + " failed: " + output);
}

void CupsdHarness::StopQueue(const std::string& name) const {
  std::string output;
  if (Run("cupsdisable", {name}, &output) != 0)
    throw std::runtime_error("cupsdisable " + name + " failed: " + output);
}

int CupsdHarness::SubmitHeld(const std::string& queue, const std::string& file,
                             const std::string& title) const {
  std::vector<std::string> args = {"-d", queue, "-H", "hold"};
  if (!title.empty()) {
    args.push_back("-t");
    args.push_back(title);
  }
  args.push_back(file);
  std::string output;
  if (Run("lp", args, &output) != 0) throw std::runtime_error("lp to " + queue + " failed: " + output);
  // "request id is <queue>-<id> (1 file(s))"
  const std::string marker = "request id is " + queue + "-";
  std::size_t at = output.find(marker);
  if (at == std::string::npos) throw std::runtime_error("lp gave no job id: " + output);
  return std::atoi(output.c_str() + at + marker.size());
}

std::string CupsdHarness::WriteFile(const std::string& name, const std::string& content) const {
  std::string path = dir_ + "/" + name;
  std::ofstream(path) << content;
  return path;
}

std::vector<CupsJob> CupsdHarness::Jobs() const {
  http_t* http =
      httpConnect2(socket_.c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
  if (!http) throw std::runtime_error("no connection to the test scheduler");
  cups_job_t* jobs = nullptr;
  int n = cupsGetJobs2(http, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
  std::vector<CupsJob> out;
  for (int i = 0; i < n; ++i)
    out.push_back({jobs[i].id, jobs[i].dest ? jobs[i].dest : "", jobs[i].user ? jobs[i].user : "",
                   jobs[i].title ? jobs[i].title : "", static_cast<int>(jobs[i].state)});
  cupsFreeJobs(n, jobs);
  httpClose(http);
  if (n < 0) throw std::runtime_error("the test scheduler's job listing failed");
  return out;
}

CupsJob CupsdHarness::Job(int id) const {
  for (const CupsJob& j : Jobs())
    if (j.id == id) return j;
  return {};
}

void CupsdHarness::UseForThisProcess() const { ::setenv("CUPS_SERVER", socket_.c_str(), 1); }

}  // namespace vlm::testing
