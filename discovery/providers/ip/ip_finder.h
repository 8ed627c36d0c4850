// The TCP/IP transport's device finder: installed printers whose port names
// (or comments) give an IPv4 address, and the configured address ranges.
//
// What a caller may rely on:
// - Discover runs the installed-printer half when `discoverInstalled` is not
//   0 (connections, then local printers) and the range half when
//   `discoverUnInstalled` is not 0. Every address is one synchronous get, one
//   after another; a requested stop ends the pass before the next address.
// - A device found again keeps its place in the device list and has its
//   properties refreshed; devices are never dropped.
// - Ranges are "start:end", or one address; the end is inclusive and
//   addresses are walked as 32-bit numbers. Addresses ending in .255 are
//   skipped unless the range is that one address; a range that begins with
//   ":", whose start is above its end, or whose halves do not parse, queries
//   nothing. A start may carry "/port", which every address of the range uses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/providers/device_finder.h"
#include "platform/types.h"

namespace vlm::discovery {

inline constexpr std::int32_t kIpProviderKind = 1;

// The leading digits and dots of a text, up to the third dot's octet:
// "127.1.2.20:9100" gives "127.1.2.20", "127.0.0.5.7" gives "127.0.0.5",
// "host1" gives "". A character other than a digit or dot before the third
// dot makes the result empty. Octets are not range-checked.
std::string ExtractDottedQuad(std::string_view text);

// One address of a range walk.
class IpRangeAddress {
 public:
  IpRangeAddress(std::uint32_t hostOrder, std::uint16_t port) : value_(hostOrder), port_(port) {}
  // The next address to query, skipping those ending in .255.
  void NextHost();
  // Not past `end` (inclusive).
  bool InRange(const IpRangeAddress& end) const { return !past_ && value_ <= end.value_; }
  snmp::Address address() const { return snmp::Address::Ip(value_, port_); }

 private:
  std::uint32_t value_;
  std::uint16_t port_;
  bool past_ = false;
};

class IpDeviceFinder : public DeviceFinder {
 public:
  IpDeviceFinder();
  int Discover(const std::vector<std::string>& ranges, const OptionValues& options) override;
  void OnPassEnd() override {}

  void CheckInstalledPrinters(const OptionValues& options);
  void MatchInstalledPrinters(DWORD flags, const OptionValues& options);
  int ScanRanges(const std::vector<std::string>& ranges, const OptionValues& options);

 private:
  // The address text a printer's port name (or comment) gives; empty to skip it.
  static std::string PrinterAddress(const std::string& portName, const std::string& comment);
  // One query of the address's record (made or reused); the record the
  // answer was stored on, or null.
  RecordPtr Query(const snmp::Address& address, const OptionValues& options);
};

}  // namespace vlm::discovery
