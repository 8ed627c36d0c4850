#include "discovery/providers/ip/resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstdlib>
#include <mutex>

namespace vlm::discovery {

namespace {

struct Slot {
  std::mutex lock;
  Resolver resolver;
};

// Never destroyed: the discovery thread may resolve while statics go away.
Slot& TheSlot() {
  static Slot* slot = new Slot;
  return *slot;
}

std::optional<std::uint32_t> SystemResolve(const std::string& name) {
  static const bool numericOnly = std::getenv("VLM_SNMP_LOOPBACK_ONLY") != nullptr;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  if (numericOnly) hints.ai_flags = AI_NUMERICHOST;
  addrinfo* list = nullptr;
  if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || !list) return std::nullopt;
  std::optional<std::uint32_t> result;
  for (addrinfo* a = list; a; a = a->ai_next) {
    if (a->ai_family == AF_INET && a->ai_addr) {
      result = ntohl(reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
      break;
    }
  }
  ::freeaddrinfo(list);
  return result;
}

}  // namespace

std::optional<std::uint32_t> ResolveIpv4(const std::string& name) {
  Resolver replacement;
  {
    Slot& slot = TheSlot();
    std::lock_guard<std::mutex> guard(slot.lock);
    replacement = slot.resolver;
  }
  try {
    return replacement ? replacement(name) : SystemResolve(name);
  } catch (...) {
    return std::nullopt;
  }
}

void SetResolverForTests(Resolver resolver) {
  Slot& slot = TheSlot();
  std::lock_guard<std::mutex> guard(slot.lock);
  slot.resolver = std::move(resolver);
}

}  // namespace vlm::discovery
