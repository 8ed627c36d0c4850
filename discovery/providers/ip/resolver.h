// Host names to IPv4 addresses for the IP provider, behind a seam that tests
// replace with a table.
//
// What a caller may rely on:
// - ResolveIpv4 gives the first IPv4 address (host byte order) that the
//   system resolver (getaddrinfo, AF_INET) returns for the name, or nullopt.
//   Numeric texts resolve without a query.
// - When $VLM_SNMP_LOOPBACK_ONLY is set (the tests set it), the system
//   resolver is never consulted: only numeric texts resolve, so that no test
//   can reach a name server.
// - SetResolverForTests installs a replacement for the process; null restores
//   the system resolver. Thread-safe; nothing throws.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vlm::discovery {

using Resolver = std::function<std::optional<std::uint32_t>(const std::string& name)>;

std::optional<std::uint32_t> ResolveIpv4(const std::string& name);
void SetResolverForTests(Resolver resolver);

}  // namespace vlm::discovery
