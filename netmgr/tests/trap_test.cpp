// Notifications: real snmptrap messages reach every registered object with
// the sender's address, and objects can go away while traps arrive.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "netmgr/session.h"
#include "netmgr/tests/held_session.h"
#include "netmgr/trap_listener.h"
#include "tests/support/ber.h"
#include "tests/support/loopback.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::netmgr {
namespace {

// A free UDP port for the listener, set before the first registration.
std::uint16_t ListenerPort() {
  static const std::uint16_t port = [] {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    socklen_t len = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    ::close(fd);
    std::uint16_t p = ntohs(sa.sin_port);
    ::setenv("VLM_SNMP_TRAP_PORT", std::to_string(p).c_str(), 1);
    return p;
  }();
  return port;
}

struct Inbox {
  std::mutex m;
  std::condition_variable cv;
  std::vector<TargetSpec> received;

  static void Callback(TargetSpec* t, void* data) {
    auto* self = static_cast<Inbox*>(data);
    std::lock_guard<std::mutex> lock(self->m);
    self->received.push_back(*t);
    self->cv.notify_all();
  }
  bool WaitFor(std::size_t n) {
    std::unique_lock<std::mutex> lock(m);
    return cv.wait_for(lock, std::chrono::seconds(5), [&] { return received.size() >= n; });
  }
};

using Held = HeldSession;

int RunSnmptrap(const std::vector<std::string>& args) {
  return testing::RunNetSnmpTool("snmptrap", args);
}

bool AllZeroExceptAddress(const TargetSpec& t) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&t);
  std::size_t addressEnd = offsetof(TargetSpec, address) + std::strlen(t.address);
  for (std::size_t i = 0; i < sizeof t; ++i) {
    if (i >= offsetof(TargetSpec, address) && i < addressEnd) continue;
    if (bytes[i] != 0) return false;
  }
  return true;
}

TEST(Notifications, RealTrapsReachEveryRegisteredObjectWithTheSendersAddress) {
  const std::uint16_t port = ListenerPort();
  Inbox first, second;
  Held a, b;
  ASSERT_EQ(a->RegisterTrapCallback(1, &Inbox::Callback, &first), 0);
  ASSERT_EQ(b->RegisterTrapCallback(1, &Inbox::Callback, &second), 0);
  ASSERT_TRUE(TrapListener::Instance().listening());

  const std::string sender = testing::AllocateLoopbackAddress();
  const std::string to = "127.0.0.1:" + std::to_string(port);
  ASSERT_EQ(RunSnmptrap({"-v", "1", "-c", "public", "--clientaddr=" + sender, to,
                         "1.3.6.1.4.1.2364", sender, "6", "17", ""}),
            0);
  ASSERT_EQ(RunSnmptrap({"-v", "2c", "-c", "public", "--clientaddr=" + sender, to, "",
                         "1.3.6.1.4.1.2364.0.1"}),
            0);
  ASSERT_TRUE(first.WaitFor(2));
  ASSERT_TRUE(second.WaitFor(2));
  for (Inbox* inbox : {&first, &second}) {
    for (const TargetSpec& t : inbox->received) {
      EXPECT_STREQ(t.address, sender.c_str());
      EXPECT_TRUE(AllZeroExceptAddress(t));
    }
  }

  // A replaced callback gets the next notification, the old one does not.
  Inbox replacement;
  ASSERT_EQ(a->RegisterTrapCallback(1, &Inbox::Callback, &replacement), 0);
  ASSERT_EQ(RunSnmptrap({"-v", "2c", "-c", "public", "--clientaddr=" + sender, to, "",
                         "1.3.6.1.4.1.2364.0.2"}),
            0);
  ASSERT_TRUE(replacement.WaitFor(1));
  ASSERT_TRUE(second.WaitFor(3));
  std::lock_guard<std::mutex> lock(first.m);
  EXPECT_EQ(first.received.size(), 2u);
}

TEST(Notifications, OnlyNotificationsCount) {
  using testing::SnmpMessage;
  struct Case {
    const char* what;
    std::string datagram;
    bool notification;
  };
  auto message = [](int version, std::uint8_t type) {
    SnmpMessage m;
    m.version = version;
    m.pduType = type;
    return testing::EncodeMessage(m);
  };
  using testing::SignedContent;
  using testing::Tlv;
  auto envelope = [](int version, std::uint8_t type, const std::string& pdu) {
    return Tlv(0x30, Tlv(0x02, SignedContent(version)) + Tlv(0x04, "public") + Tlv(type, pdu));
  };
  // enterprise 1.3.6.1.4.1.2364, agent address, generic 6, specific 17, time 0, no bindings
  const std::string trapFields = Tlv(0x06, "\x2B\x06\x01\x04\x01\x92\x3C") +
                                 Tlv(0x40, std::string("\x7F\0\0\x01", 4)) +
                                 Tlv(0x02, SignedContent(6)) + Tlv(0x02, SignedContent(17)) +
                                 Tlv(0x43, SignedContent(0)) + Tlv(0x30, "");
  const std::string v1 = envelope(0, testing::kPduTrapV1, trapFields);
  std::string v2 = message(1, testing::kPduTrapV2);
  const Case cases[] = {
      {"v2c trap", v2, true},
      {"v2c inform", message(1, 0xA6), true},
      {"v1 trap", v1, true},
      {"empty v1 Trap-PDU", envelope(0, testing::kPduTrapV1, ""), false},
      {"empty v2c trap PDU", envelope(1, testing::kPduTrapV2, ""), false},
      {"v1 Trap-PDU in the layout of other PDUs", message(0, testing::kPduTrapV1), false},
      {"v1 Trap-PDU without its bindings",
       envelope(0, testing::kPduTrapV1, trapFields.substr(0, trapFields.size() - 2)), false},
      {"v1 Trap-PDU with a field too many", envelope(0, testing::kPduTrapV1, trapFields + Tlv(0x05, "")),
       false},
      {"v1 trap PDU in a v2c message", envelope(1, testing::kPduTrapV1, trapFields), false},
      {"v2c trap PDU in a v1 message", message(0, testing::kPduTrapV2), false},
      {"get request", message(0, testing::kPduGet), false},
      {"response", message(1, testing::kPduResponse), false},
      {"truncated", v2.substr(0, v2.size() - 1), false},
      {"trailing bytes", v2 + "x", false},
      {"empty", "", false},
      {"garbage", "\x30\x84\xFF\xFF\xFF\xFF", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsNotification(reinterpret_cast<const std::uint8_t*>(c.datagram.data()), c.datagram.size()),
              c.notification)
        << c.what;
}

struct Guarded {
  std::atomic<bool> alive{true};
  std::atomic<int> calls{0};
  std::atomic<int> lateCalls{0};
  static void Callback(TargetSpec*, void* data) {
    auto* self = static_cast<Guarded*>(data);
    if (!self->alive) ++self->lateCalls;
    ++self->calls;
  }
};

TEST(Notifications, TheSocketHoldsABurst) {
  ListenerPort();
  Inbox inbox;
  Held a;
  ASSERT_EQ(a->RegisterTrapCallback(1, &Inbox::Callback, &inbox), 0);
  ASSERT_TRUE(TrapListener::Instance().listening());
  long most = 4 << 20;  // what the listener asks for, or what the kernel allows at most
  if (::geteuid() != 0) {
    FILE* f = std::fopen("/proc/sys/net/core/rmem_max", "r");
    long limit = 0;
    if (f && std::fscanf(f, "%ld", &limit) == 1) most = std::min(most, limit);
    if (f) std::fclose(f);
  }
  EXPECT_GE(TrapListener::Instance().receiveBufferBytes(), most);
}

TEST(Notifications, ObjectsGoAwayCleanlyWhileTrapsArrive) {
  const std::uint16_t port = ListenerPort();
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    testing::SnmpMessage m;
    m.version = 1;
    m.pduType = testing::kPduTrapV2;
    std::string d = testing::EncodeMessage(m);
    while (!stop) {
      ::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::close(fd);
  });
  int total = 0;
  for (int round = 0; round < 40; ++round) {
    Guarded g;
    {
      Held s;
      s->RegisterTrapCallback(1, &Guarded::Callback, &g);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    g.alive = false;  // the object is gone: no call may follow
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(g.lateCalls.load(), 0);
    total += g.calls;
  }
  stop = true;
  sender.join();
  EXPECT_GT(total, 0);
}

}  // namespace
}  // namespace vlm::netmgr
