// Fuzz target: notification datagrams through the trap listener's receive
// path (its socket, its check of the message, the dispatch to the network
// manager's callbacks).
//
// Each input is sent from 127.0.0.1 to the listener, followed by a valid
// trap from 127.0.0.2 that marks the end of the input. Checks, besides the
// sanitizers:
// - the input calls the callback at most once, with the record all zero but
//   the sender's address, which is the input's UDP source;
// - an input that calls it is a well-formed notification: a version 1
//   Trap-PDU or a version 2c trap or inform whose fields fill the message
//   and the PDU exactly.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "netmgr/fuzz/answer_agent.h"
#include "netmgr/session.h"
#include "netmgr/tests/held_session.h"
#include "netmgr/trap_listener.h"
#include "tests/support/ber.h"

namespace vlm::netmgr::fuzz {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "trap_fuzz: %s\n", what.c_str());
  std::abort();
}

int UdpSocket(const char* host, std::uint16_t* port = nullptr) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  ::inet_pton(AF_INET, host, &sa.sin_addr);
  socklen_t len = sizeof sa;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
    Fail(std::string("no UDP socket on ") + host);
  if (port) *port = ntohs(sa.sin_port);
  return fd;
}

// The record's bytes are all zero except the address text.
bool OnlyTheAddress(const TargetSpec& t) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&t);
  const std::size_t from = offsetof(TargetSpec, address), to = from + strnlen(t.address, sizeof t.address);
  for (std::size_t i = 0; i < sizeof t; ++i)
    if ((i < from || i >= to) && bytes[i] != 0) return false;
  return true;
}

struct Harness {
  std::mutex m;
  std::condition_variable cv;
  std::vector<std::string> senders;  // of every callback, in order
  int input = -1, marker = -1;
  sockaddr_in listener{};
  std::string markerTrap;
  HeldSession session;

  static void Callback(TargetSpec* t, void* data) {
    auto* self = static_cast<Harness*>(data);
    if (!OnlyTheAddress(*t)) Fail("a callback record with more than the sender's address");
    std::lock_guard<std::mutex> lock(self->m);
    self->senders.emplace_back(t->address, strnlen(t->address, sizeof t->address));
    self->cv.notify_all();
  }

  Harness() {
    input = UdpSocket("127.0.0.1");
    marker = UdpSocket("127.0.0.2");
    testing::SnmpMessage trap;
    trap.version = 1;
    trap.pduType = testing::kPduTrapV2;
    trap.requestId = 1;
    trap.bindings = {
        {testing::ParseOidText("1.3.6.1.2.1.1.3.0"), testing::BerValue::Unsigned(testing::kTagTimeTicks, 1)},
        {testing::ParseOidText("1.3.6.1.6.3.1.1.4.1.0"),
         {testing::kTagOid, 0, {}, testing::ParseOidText("1.3.6.1.4.1.2364.0.1")}}};
    markerTrap = testing::EncodeMessage(trap);
    // The listener's port: a free one, chosen before it binds (and again
    // should another process take it in between).
    for (int attempt = 0; attempt < 10 && !TrapListener::Instance().listening(); ++attempt) {
      std::uint16_t port = 0;
      ::close(UdpSocket("127.0.0.1", &port));
      ::setenv("VLM_SNMP_TRAP_PORT", std::to_string(port).c_str(), 1);
      listener.sin_port = htons(port);
      if (session->RegisterTrapCallback(1, &Harness::Callback, this) != kOk) Fail("no registration");
    }
    if (!TrapListener::Instance().listening()) Fail("the listener does not listen");
  }

  void Send(int fd, const std::uint8_t* data, std::size_t size) {
    if (::sendto(fd, data, size, 0, reinterpret_cast<const sockaddr*>(&listener), sizeof listener) < 0 && size <= 65507)
      Fail("cannot send to the listener");
  }
};

// Whether the elements from `pos` to `end` have exactly the given tags.
bool Fill(std::string_view d, std::size_t pos, std::size_t end, std::initializer_list<std::uint8_t> tags) {
  for (std::uint8_t wanted : tags) {
    BerElement e;
    if (!ReadBerElement(d, pos, end, e) || e.tag != wanted) return false;
    pos = e.end();
  }
  return pos == end;
}

bool WellFormedNotification(std::string_view d) {
  BerElement msg, version, community, pdu;
  if (!ReadBerElement(d, 0, d.size(), msg) || msg.tag != 0x30 || msg.end() != d.size()) return false;
  if (!ReadBerElement(d, msg.content, d.size(), version) || version.tag != 0x02 || version.size != 1) return false;
  if (!ReadBerElement(d, version.end(), d.size(), community) || community.tag != 0x04) return false;
  if (!ReadBerElement(d, community.end(), d.size(), pdu) || pdu.end() != d.size()) return false;
  const int v = static_cast<std::uint8_t>(d[version.content]);
  if (v == 0 && pdu.tag == 0xA4) return Fill(d, pdu.content, d.size(), {0x06, 0x40, 0x02, 0x02, 0x43, 0x30});
  if (v == 1 && (pdu.tag == 0xA6 || pdu.tag == 0xA7)) return Fill(d, pdu.content, d.size(), {0x02, 0x02, 0x02, 0x30});
  return false;
}
}  // namespace
}  // namespace vlm::netmgr::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vlm::netmgr::fuzz;
  static Harness* h = new Harness;  // lives to the end of the process
  if (size > 65507) return 0;       // no UDP datagram
  {
    std::lock_guard<std::mutex> lock(h->m);
    h->senders.clear();
  }
  h->Send(h->input, data, size);
  h->Send(h->marker, reinterpret_cast<const std::uint8_t*>(h->markerTrap.data()), h->markerTrap.size());
  std::unique_lock<std::mutex> lock(h->m);
  if (!h->cv.wait_for(lock, std::chrono::seconds(5),
                      [&] { return !h->senders.empty() && h->senders.back() == "127.0.0.2"; }))
    Fail("the marker trap did not arrive");
  const std::size_t calls = h->senders.size() - 1;
  if (calls > 1) Fail("one datagram called the callback " + std::to_string(calls) + " times");
  if (calls == 1 && h->senders[0] != "127.0.0.1") Fail("a callback with sender " + h->senders[0]);
  if (calls == 1 && !WellFormedNotification(std::string_view(reinterpret_cast<const char*>(data), size)))
    Fail("a datagram that is no notification was taken");
  return 0;
}
