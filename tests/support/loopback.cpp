#include "tests/support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>

namespace vlm::testing {

namespace {

bool CanBind(std::uint32_t hostOrder, std::uint16_t port, std::uint16_t* boundPort = nullptr) {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) return false;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = htonl(hostOrder);
  bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  if (ok && boundPort) {
    socklen_t len = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    *boundPort = ntohs(sa.sin_port);
  }
  ::close(fd);
  return ok;
}

std::mutex& Lock() {
  static std::mutex m;
  return m;
}

std::set<std::uint32_t>& Reserved() {
  static std::set<std::uint32_t> s;
  return s;
}

}  // namespace

std::string DottedQuad(std::uint32_t a) {
  return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." +
         std::to_string((a >> 8) & 255) + "." + std::to_string(a & 255);
}

std::uint32_t ParseDottedQuad(const std::string& text) {
  in_addr addr{};
  if (::inet_pton(AF_INET, text.c_str(), &addr) != 1) throw std::invalid_argument(text);
  return ntohl(addr.s_addr);
}

std::uint16_t AgentPort() {
  static const std::uint16_t port = [] {
    std::uint16_t p = 161;
    if (!CanBind(0x7F000001u, 161)) {
      if (!CanBind(0x7F000001u, 0, &p)) throw std::runtime_error("no UDP port for test agents");
    }
    if (p != 161) ::setenv("VLM_SNMP_PORT", std::to_string(p).c_str(), 1);
    return p;
  }();
  return port;
}

std::vector<std::string> AllocateLoopbackRange(int count) {
  if (count < 1 || count > 250) throw std::invalid_argument("loopback range size");
  std::uint16_t port = AgentPort();
  std::lock_guard<std::mutex> lock(Lock());
  std::random_device rd;
  std::mt19937 gen(rd() ^ static_cast<unsigned>(::getpid()));
  // 127.16.0.0 - 127.250.255.255: clear of 127.0.0.x, which other software uses.
  std::uniform_int_distribution<std::uint32_t> net(16u << 16, (250u << 16) | 0xFFFFu);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::uint32_t base = 0x7F000000u | (net(gen) << 8);
    std::uint32_t first = base | (count >= 250 ? 1u : 1u + gen() % (250u - static_cast<unsigned>(count)));
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
      std::uint32_t a = first + static_cast<std::uint32_t>(i);
      ok = !Reserved().count(a) && CanBind(a, port);
    }
    if (!ok) continue;
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
      Reserved().insert(first + static_cast<std::uint32_t>(i));
      out.push_back(DottedQuad(first + static_cast<std::uint32_t>(i)));
    }
    return out;
  }
  throw std::runtime_error("no free loopback range");
}

std::string AllocateLoopbackAddress() { return AllocateLoopbackRange(1).front(); }

}  // namespace vlm::testing
