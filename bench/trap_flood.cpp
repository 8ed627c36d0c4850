// The notification listener under a flood: valid version 2c traps and
// garbage datagrams sent side by side, as fast as two senders can, to the
// listener on loopback; prints how many traps reached the handler and what
// the kernel counted as receive-buffer drops. Run by hand (see
// docs/performance.md).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "netmgr/trap_listener.h"
#include "tests/support/ber.h"

namespace {

// The UDP receive-buffer errors of the whole machine (/proc/net/snmp).
long RcvbufErrors() {
  std::ifstream in("/proc/net/snmp");
  std::string header, values;
  while (std::getline(in, header) && std::getline(in, values)) {
    if (header.rfind("Udp:", 0) != 0) continue;
    std::istringstream h(header), v(values);
    std::string name, value;
    while (h >> name && v >> value)
      if (name == "RcvbufErrors") return std::atol(value.c_str());
  }
  return -1;
}

std::uint16_t FreePort() {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  socklen_t len = sizeof sa;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  ::close(fd);
  return ntohs(sa.sin_port);
}

void Send(std::uint16_t port, const std::string& datagram, int count) {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (int i = 0; i < count; ++i)
    ::sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  const int traps = argc > 1 ? std::atoi(argv[1]) : 25000;
  const int garbage = argc > 2 ? std::atoi(argv[2]) : 60000;
  const std::uint16_t port = FreePort();
  ::setenv("VLM_SNMP_TRAP_PORT", std::to_string(port).c_str(), 1);

  std::atomic<int> calls{0};
  auto& listener = vlm::netmgr::TrapListener::Instance();
  int owner = 0;
  listener.Register(&owner, [&calls](std::uint32_t) { ++calls; });
  if (!listener.listening()) {
    std::fprintf(stderr, "cannot listen on port %u\n", port);
    return 1;
  }

  vlm::testing::SnmpMessage m;
  m.version = 1;
  m.pduType = vlm::testing::kPduTrapV2;
  m.bindings = {{{1, 3, 6, 1, 2, 1, 1, 3, 0}, vlm::testing::BerValue::Unsigned(vlm::testing::kTagTimeTicks, 1)}};
  const std::string trap = vlm::testing::EncodeMessage(m);
  const std::string junk(200, 'x');

  const long dropsBefore = RcvbufErrors();
  std::thread a([&] { Send(port, trap, traps); });
  std::thread b([&] { Send(port, junk, garbage); });
  a.join();
  b.join();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const long drops = RcvbufErrors() - dropsBefore;
  std::printf("receive buffer %d bytes: %d of %d traps reached the handler beside %d garbage "
              "datagrams; receive-buffer errors %ld\n",
              listener.receiveBufferBytes(), calls.load(), traps, garbage, drops);
  listener.Unregister(&owner);
  return 0;
}
