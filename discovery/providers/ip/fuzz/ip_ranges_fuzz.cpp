// Fuzz target: the ranges the IP provider reads from the registry. An input
// is lines; line i is written as the REG_SZ value "i" (the text and a NUL)
// of the provider's RANGES key in a registry folder of this process (under
// $TMPDIR). The provider reads the key, and each range it
// read is walked; the network is an exchange hook that answers nothing, so
// nothing is ever sent, and each walk is stopped after 64 addresses.
//
// Checks, besides the sanitizers:
// - the list read holds the values' texts (cut at their first NUL) in value
//   order, up to the first value that does not fit the provider's buffers;
// - a range that begins with ":", whose halves are not IP addresses, or whose
//   start is above its end asks no address;
// - any other range asks exactly its addresses in ascending order, from the
//   start to the end, with the start's port, passing over those that end in
//   .255 unless the range is that one address (the first 64 of them);
// - a range in the dialog's canonical form asks its start first, on the
//   default port.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "discovery/providers/ip/ip_finder.h"
#include "discovery/providers/ip/seekip.h"
#include "discovery/providers/provider.h"
#include "platform/registry/registry.h"
#include "tests/support/fuzz_support.h"

namespace vlm::discovery::fuzz {
namespace {

constexpr std::size_t kAddressesPerRange = 64;

[[noreturn]] void Fail(const std::string& range, const std::string& what) {
  std::fprintf(stderr, "ip_ranges_fuzz: range \"%s\": %s\n", range.c_str(), what.c_str());
  std::abort();
}

struct Harness {
  testing::RegistryFolder folder{"vlm-ip-ranges-fuzz"};
  std::string keyPath =
      std::string(kSeekIpTraits.transportKey) + "\\Discovery Params\\" + kSeekIpTraits.configurationSubkey;
  std::atomic<bool> stop{false};
  std::mutex m;
  std::vector<snmp::Address> asked;
  IpDeviceFinder finder;

  Harness() {
    ::setenv("VLM_SNMP_LOOPBACK_ONLY", "1", 1);
    finder.SetStopFlag(&stop);
    snmp::SetExchangeHook(
        [this](snmp::PduType, const snmp::Target& target, const std::vector<snmp::VarBind>&, snmp::Response&) {
          std::lock_guard<std::mutex> lock(m);
          asked.push_back(target.address);
          if (asked.size() >= kAddressesPerRange) stop = true;
          return snmp::Status::Timeout;
        });
  }
  ~Harness() { snmp::SetExchangeHook(nullptr); }
};

// The addresses a walk of start..end asks, at most `limit`.
std::uint64_t Expected(std::uint32_t start, std::uint32_t end, std::uint64_t limit) {
  if (start == end) return 1;
  // Every address of the range, less those ending in .255 (one per 256).
  auto lowerThan = [](std::uint64_t a) { return a - a / 256; };  // addresses below a, not .255
  return std::min<std::uint64_t>(limit, lowerThan(std::uint64_t{end} + 1) - lowerThan(start));
}

void CheckWalk(Harness& h, const std::string& range) {
  {
    std::lock_guard<std::mutex> lock(h.m);
    h.asked.clear();
  }
  h.stop = false;
  h.finder.ScanRanges({range}, OptionValues{});
  std::vector<snmp::Address> asked;
  {
    std::lock_guard<std::mutex> lock(h.m);
    asked = h.asked;
  }
  const std::size_t colon = range.find(':');
  const std::string startText = range.substr(0, colon);
  const std::string endText = colon == std::string::npos ? range : range.substr(colon + 1);
  const auto start = snmp::Address::Parse(startText), end = snmp::Address::Parse(endText);
  if (colon == 0 || !start || !end || start->kind() != snmp::Address::Kind::Ip ||
      end->kind() != snmp::Address::Kind::Ip || start->ipv4() > end->ipv4()) {
    if (!asked.empty()) Fail(range, "a range that is none asked " + asked[0].Text());
    return;
  }
  const std::uint64_t expected = Expected(start->ipv4(), end->ipv4(), kAddressesPerRange);
  if (asked.size() != expected)
    Fail(range, std::to_string(asked.size()) + " addresses asked, " + std::to_string(expected) + " expected");
  for (std::size_t i = 0; i < asked.size(); ++i) {
    const snmp::Address& a = asked[i];
    if (a.kind() != snmp::Address::Kind::Ip || a.port() != start->port() || a.ipv4() < start->ipv4() ||
        a.ipv4() > end->ipv4() || (i > 0 && a.ipv4() <= asked[i - 1].ipv4()) ||
        ((a.ipv4() & 0xFF) == 0xFF && start->ipv4() != end->ipv4()))
      Fail(range, "address " + a.Text() + " asked");
  }
  if (testing::IsCanonicalRange(range) &&
      (asked.empty() || !(asked[0] == *start) || start->port() != snmp::DefaultPort()))
    Fail(range, "a canonical range does not begin at its start on the default port");
}

}  // namespace
}  // namespace vlm::discovery::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vlm;
  using namespace vlm::discovery;
  using namespace vlm::discovery::fuzz;
  static Harness harness;
  Harness* h = &harness;
  const std::vector<std::string> lines = testing::InputLines(data, size, 16);

  // The key holds exactly these values.
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, h->keyPath.c_str());
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, h->keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    std::abort();
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (RegSetValueExA(key, std::to_string(i).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(lines[i].c_str()),
                       static_cast<DWORD>(lines[i].size() + 1)) != ERROR_SUCCESS)
      std::abort();
  RegCloseKey(key);

  DiscoveryProvider provider;
  ReadConfigurationList(kSeekIpTraits, provider);
  if (provider.configurationStatus != ERROR_SUCCESS) std::abort();
  // Values are read through 128-byte buffers: the list ends before the
  // first value that does not fit.
  std::size_t readable = 0;
  while (readable < lines.size() && lines[readable].size() + 1 <= 128) ++readable;
  if (provider.configuration.size() != readable)
    Fail("", std::to_string(provider.configuration.size()) + " ranges read");
  for (std::size_t i = 0; i < readable; ++i)
    if (provider.configuration[i] != lines[i].substr(0, lines[i].find('\0')))
      Fail(lines[i], "read back as \"" + provider.configuration[i] + "\"");

  for (const std::string& range : provider.configuration) CheckWalk(*h, range);
  return 0;
}
