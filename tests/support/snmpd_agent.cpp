#include "tests/support/snmpd_agent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/ber.h"
#include "tests/support/loopback.h"
#include "tests/support/temp_folder.h"

namespace vlm::testing {

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& v) {
  std::string out = "\"";
  for (char c : v) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

// One get of sysObjectID.0 (any answer, even an error, shows the agent is up).
bool Answers(const std::string& host, std::uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(ParseDottedQuad(host));
  SnmpMessage m;
  m.requestId = 4242;
  m.bindings.push_back({{1, 3, 6, 1, 2, 1, 1, 2, 0}, BerValue::Null()});
  std::string datagram = EncodeMessage(m);
  ::sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  pollfd p{fd, POLLIN, 0};
  bool ok = ::poll(&p, 1, 100) == 1;
  ::close(fd);
  return ok;
}

}  // namespace

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = std::string(path ? path : "") + ":/usr/sbin:/usr/bin:/sbin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t colon = dirs.find(':', start);
    std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0) return dir + "/" + name;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  throw std::runtime_error(name + " not found; run scripts/setup");
}

int RunNetSnmpTool(const std::string& name, const std::vector<std::string>& args) {
  TempFolder folder("vlm-snmptool");
  const std::string persist = folder / "persist";
  fs::create_directories(persist);
  // Prepared before fork(): the child of a threaded process may only make
  // async-signal-safe calls.
  const std::string program = FindProgram(name);
  std::vector<std::string> all = {name};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<std::string> env = {"SNMP_PERSISTENT_DIR=" + persist, "SNMPCONFPATH=" + persist,
                                  "MIBS=", "MIBDIRS=" + persist, "HOME=" + folder.path(),
                                  "PATH=/usr/sbin:/usr/bin:/sbin:/bin"};
  std::vector<char*> argv, envp;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

SnmpdAgent::SnmpdAgent(std::vector<FixtureObject> fixture)
    : SnmpdAgent(AllocateLoopbackAddress(), std::move(fixture)) {}

SnmpdAgent::SnmpdAgent(std::string host, std::vector<FixtureObject> fixture)
    : host_(std::move(host)), port_(AgentPort()) {
  Start(fixture);
}

SnmpdAgent::~SnmpdAgent() {
  Stop();
  std::error_code ec;
  if (!dir_.empty()) fs::remove_all(dir_, ec);
}

std::string SnmpdAgent::address() const { return host_ + "/" + std::to_string(port_); }

void SnmpdAgent::Start(const std::vector<FixtureObject>& fixture) {
  std::string tmpl = vlm::testing::TempRoot() + "/vlm-snmpd-XXXXXX";
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
  dir_ = tmpl;
  fs::create_directories(dir_ + "/persist");
  {
    std::ofstream conf(dir_ + "/snmpd.conf");
    conf << "rocommunity public 127.0.0.0/8\n";
    conf << "rwcommunity qarnel 127.0.0.0/8\n";
    for (const FixtureObject& o : fixture) {
      conf << "override " << (o.writable ? "-rw " : "") << o.oid << " " << o.type << " "
           << (o.type == "octet_str" ? Quote(o.value) : o.value) << "\n";
    }
  }
  std::string conf = dir_ + "/snmpd.conf";
  std::string log = dir_ + "/snmpd.log";
  std::string pidfile = dir_ + "/snmpd.pid";
  std::string listen = "udp:" + host_ + ":" + std::to_string(port_);
  std::string persist = dir_ + "/persist";

  // Everything the child needs is prepared before fork(): the child of a
  // threaded process may only make async-signal-safe calls.
  std::string program = FindProgram("snmpd");
  std::vector<std::string> args = {"snmpd", "-f", "-C", "-c", conf, "-Lf", log, "-p", pidfile,
                                   "-I", "override,vacm_conf", listen};
  std::vector<std::string> env = {"SNMP_PERSISTENT_DIR=" + persist, "MIBS=", "MIBDIRS=" + persist,
                                  "PATH=/usr/sbin:/usr/bin:/sbin:/bin"};
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork");
  if (pid_ == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      std::ifstream in(log);
      std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      throw std::runtime_error("snmpd exited at start on " + listen + ": " + text);
    }
    if (Answers(host_, port_)) return;
  }
  Stop();
  throw std::runtime_error("snmpd did not answer on " + listen);
}

void SnmpdAgent::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace vlm::testing
