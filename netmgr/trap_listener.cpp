#include "netmgr/trap_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace vlm::netmgr {

namespace {

// Reads one BER header at `pos`; false when it is malformed or runs past
// `end`.
bool Header(const std::uint8_t* d, std::size_t& pos, std::size_t end, std::uint8_t& tag,
            std::size_t& len) {
  if (pos + 2 > end) return false;
  tag = d[pos++];
  std::uint8_t first = d[pos++];
  if (first < 0x80) {
    len = first;
  } else {
    std::size_t n = first & 0x7F;
    if (n == 0 || n > 3 || pos + n > end) return false;
    len = 0;
    for (std::size_t i = 0; i < n; ++i) len = (len << 8) | d[pos++];
  }
  return len <= end - pos;
}

std::uint16_t ConfiguredPort() {
  const char* env = std::getenv("VLM_SNMP_TRAP_PORT");
  if (env && *env) {
    char* endp = nullptr;
    long v = std::strtol(env, &endp, 10);
    if (*endp == '\0' && v > 0 && v < 65536) return static_cast<std::uint16_t>(v);
  }
  return 162;
}

// Whether the elements from `pos` to `end` have exactly the given tags.
bool Fields(const std::uint8_t* d, std::size_t pos, std::size_t end,
            std::initializer_list<std::uint8_t> tags) {
  for (std::uint8_t wanted : tags) {
    std::uint8_t tag = 0;
    std::size_t len = 0;
    if (!Header(d, pos, end, tag, len) || tag != wanted) return false;
    pos += len;
  }
  return pos == end;
}

}  // namespace

bool IsNotification(const std::uint8_t* d, std::size_t size) {
  std::size_t pos = 0, len = 0;
  std::uint8_t tag = 0;
  if (!Header(d, pos, size, tag, len) || tag != 0x30 || pos + len != size) return false;
  // version
  if (!Header(d, pos, size, tag, len) || tag != 0x02 || len != 1) return false;
  int version = d[pos];
  pos += len;
  // community
  if (!Header(d, pos, size, tag, len) || tag != 0x04) return false;
  pos += len;
  // PDU: its fields fill it exactly, so that an empty PDU is none.
  if (!Header(d, pos, size, tag, len) || pos + len != size) return false;
  if (version == 0 && tag == 0xA4)  // Trap-PDU: enterprise, agent address, generic, specific, time, bindings
    return Fields(d, pos, size, {0x06, 0x40, 0x02, 0x02, 0x43, 0x30});
  if (version == 1 && (tag == 0xA7 || tag == 0xA6))  // SNMPv2-Trap, Inform: id, status, index, bindings
    return Fields(d, pos, size, {0x02, 0x02, 0x02, 0x30});
  return false;
}

namespace {

// The receive buffer asked for the socket: a burst of notifications (or of
// garbage beside them) waits there while handlers run. The kernel gives at
// most net.core.rmem_max unless the process may force more.
constexpr int kReceiveBuffer = 4 << 20;

void GrowReceiveBuffer(int s) {
  int wanted = kReceiveBuffer;
  if (::setsockopt(s, SOL_SOCKET, SO_RCVBUFFORCE, &wanted, sizeof wanted) != 0)
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
}

}  // namespace

struct TrapListener::State {
  std::recursive_mutex dispatch;  // handlers and their calls
  std::map<const void*, Handler> handlers;
  std::mutex lifecycle;  // start and stop
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<bool> listening{false};
  std::atomic<std::uint16_t> port{0};
  std::atomic<std::thread::id> runner{};
  int fd = -1;

  void Run() {
    runner = std::this_thread::get_id();
    std::vector<std::uint8_t> buf(65536);
    while (!stop) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 50) != 1) continue;
      // Drain what has queued up (a bounded batch, so that a stop is seen).
      for (int i = 0; i < 4096 && !stop; ++i) {
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        ssize_t n = ::recvfrom(fd, buf.data(), buf.size(), MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n < 0) break;
        if (n == 0 || from.sin_family != AF_INET) continue;
        if (!IsNotification(buf.data(), static_cast<std::size_t>(n))) continue;
        Dispatch(ntohl(from.sin_addr.s_addr));
      }
    }
  }

  void Dispatch(std::uint32_t sender) {
    std::lock_guard<std::recursive_mutex> lock(dispatch);
    std::vector<const void*> owners;
    for (auto& [owner, handler] : handlers) owners.push_back(owner);
    for (const void* owner : owners) {
      auto it = handlers.find(owner);  // a handler may have unregistered one
      if (it == handlers.end()) continue;
      Handler h = it->second;
      h(sender);
    }
  }

  bool StartLocked() {
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    int one = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    GrowReceiveBuffer(s);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(ConfiguredPort());
    sa.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
      std::fprintf(stderr, "netmgr: cannot listen for notifications on UDP port %u\n",
                   static_cast<unsigned>(ConfiguredPort()));
      ::close(s);
      return false;
    }
    fd = s;
    port = ConfiguredPort();
    stop = false;
    listening = true;
    thread = std::thread([this] { Run(); });
    return true;
  }

  void StopLocked() {
    if (!thread.joinable()) return;
    stop = true;
    thread.join();
    ::close(fd);
    fd = -1;
    listening = false;
  }
};

TrapListener& TrapListener::Instance() {
  static TrapListener instance;
  return instance;
}

TrapListener::TrapListener() : state_(new State) {}

TrapListener::~TrapListener() {
  {
    std::lock_guard<std::mutex> life(state_->lifecycle);
    state_->StopLocked();
  }
  delete state_;
}

void TrapListener::Register(const void* owner, Handler handler) {
  std::lock_guard<std::mutex> life(state_->lifecycle);
  {
    std::lock_guard<std::recursive_mutex> lock(state_->dispatch);
    state_->handlers[owner] = std::move(handler);
  }
  if (!state_->thread.joinable()) state_->StartLocked();
}

void TrapListener::Unregister(const void* owner) {
  bool empty;
  {
    std::lock_guard<std::recursive_mutex> lock(state_->dispatch);
    state_->handlers.erase(owner);
    empty = state_->handlers.empty();
  }
  if (!empty || std::this_thread::get_id() == state_->runner.load()) return;
  std::lock_guard<std::mutex> life(state_->lifecycle);
  {
    std::lock_guard<std::recursive_mutex> lock(state_->dispatch);
    if (!state_->handlers.empty()) return;
  }
  state_->StopLocked();
}

bool TrapListener::listening() const { return state_->listening; }

int TrapListener::receiveBufferBytes() const {
  std::lock_guard<std::mutex> life(state_->lifecycle);
  int size = 0;
  socklen_t len = sizeof size;
  if (state_->fd < 0 || ::getsockopt(state_->fd, SOL_SOCKET, SO_RCVBUF, &size, &len) != 0) return 0;
  return size;
}
std::uint16_t TrapListener::port() const { return state_->port; }

}  // namespace vlm::netmgr
