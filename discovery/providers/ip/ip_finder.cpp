#include "discovery/providers/ip/ip_finder.h"

#include <arpa/inet.h>

#include <cctype>

#include "discovery/providers/installed_printers.h"
#include "discovery/providers/ip/resolver.h"
#include "platform/spooler/spooler.h"
#include "platform/sync/sync.h"

namespace vlm::discovery {

namespace {

// The property table: one get asks both, in this order.
const std::vector<PropertyDef>& IpPropertyTable() {
  static const std::vector<PropertyDef> table = {
      {kDeviceProductName, "1.3.6.1.2.1.1.5.0"},
      {kDeviceName, kSystemDescriptionOid},
  };
  return table;
}

bool ParsesAsIpv4(const std::string& text) {
  in_addr a{};
  return ::inet_aton(text.c_str(), &a) != 0;
}

std::string Dotted(std::uint32_t hostOrder) { return snmp::Address::Ip(hostOrder, 0).HostText(); }

bool StartsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::string ExtractDottedQuad(std::string_view text) {
  std::string out;
  int dots = 0;
  for (char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      out.push_back(c);
    } else if (c == '.' && dots < 3) {
      out.push_back(c);
      ++dots;
    } else if (c == '.' || dots == 3) {
      break;  // a fourth dot, or the end of the fourth octet
    } else {
      return {};
    }
  }
  return out;
}

void IpRangeAddress::NextHost() {
  // From .254 of the last block (or past the last address) there is nothing left.
  if (value_ >= 0xFFFFFFFEu) {
    past_ = true;
    return;
  }
  ++value_;
  if ((value_ & 0xFFu) == 0xFFu) ++value_;
}

IpDeviceFinder::IpDeviceFinder() : DeviceFinder(IpPropertyTable()) {}

int IpDeviceFinder::Discover(const std::vector<std::string>& ranges, const OptionValues& options) {
  lastStatus_ = 0;
  MarkAllUnseen();
  if (options.discoverInstalled != 0) CheckInstalledPrinters(options);
  if (options.discoverUnInstalled != 0) ScanRanges(ranges, options);
  return 1;
}

void IpDeviceFinder::CheckInstalledPrinters(const OptionValues& options) {
  MatchInstalledPrinters(PRINTER_ENUM_CONNECTIONS, options);
  MatchInstalledPrinters(PRINTER_ENUM_LOCAL, options);
}

std::string IpDeviceFinder::PrinterAddress(const std::string& port, const std::string& comment) {
  if (StartsWith(port, "FILE:") || StartsWith(port, "\\\\")) return {};
  if (port.size() == 5 && (StartsWith(port, "LPT") || StartsWith(port, "COM"))) return {};
  std::string work = port;
  if (!ParsesAsIpv4(port)) {
    if (port.size() > 3 && StartsWith(port, "IP_") && ParsesAsIpv4(port.substr(3))) {
      work = port.substr(3);
    } else if (std::optional<std::uint32_t> a = ResolveIpv4(port)) {
      work = Dotted(*a);
    } else if (!comment.empty()) {
      work = comment;
      if (!ParsesAsIpv4(comment))
        if (std::optional<std::uint32_t> c = ResolveIpv4(comment)) work = Dotted(*c);
    }
  }
  return ExtractDottedQuad(work);
}

void IpDeviceFinder::MatchInstalledPrinters(DWORD flags, const OptionValues& options) {
  std::vector<InstalledPrinter> printers;
  if (ListInstalledPrinters(flags, printers) == ERROR_NOT_ENOUGH_MEMORY) lastStatus_ = 1;

  for (const InstalledPrinter& p : printers) {
    if (StopRequested()) return;
    std::string address = PrinterAddress(p.port, p.comment);
    if (address.empty()) continue;
    std::optional<snmp::Address> parsed = snmp::Address::Parse(address);
    if (!parsed) continue;  // no device can answer it
    if (RecordPtr match = Query(*parsed, options)) {
      SetText(*match, kDeviceAddress, address);
      SetText(*match, kDeviceNameSpooler, p.name);
      SetInt(*match, kDeviceInstalledPrinter, 1);
      SetInt(*match, kProviderName, kIpProviderKind);
    }
  }
}

int IpDeviceFinder::ScanRanges(const std::vector<std::string>& ranges, const OptionValues& options) {
  lastStatus_ = 0;
  for (const std::string& range : ranges) {
    std::size_t colon = range.find(':');
    if (colon == 0) continue;
    std::string startText = colon == std::string::npos ? range : range.substr(0, colon);
    std::string endText = colon == std::string::npos ? range : range.substr(colon + 1);
    std::optional<snmp::Address> start = snmp::Address::Parse(startText);
    std::optional<snmp::Address> end = snmp::Address::Parse(endText);
    if (!start || !end || start->kind() != snmp::Address::Kind::Ip || end->kind() != snmp::Address::Kind::Ip)
      continue;
    IpRangeAddress at(start->ipv4(), start->port());
    const IpRangeAddress last(end->ipv4(), end->port());
    // .255 is asked only when it is the whole range.
    if ((start->ipv4() & 0xFFu) == 0xFFu && start->ipv4() != end->ipv4()) at.NextHost();
    for (; at.InRange(last); at.NextHost()) {
      if (StopRequested()) return 1;
      snmp::Address address = at.address();
      if (RecordPtr match = Query(address, options)) {
        SetText(*match, kDeviceAddress, address.HostText());
        SetInt(*match, kProviderName, kIpProviderKind);
      }
    }
  }
  return 1;
}

RecordPtr IpDeviceFinder::Query(const snmp::Address& address, const OptionValues& options) {
  RecordPtr record;
  try {
    record = QueryRecordFor(address);
  } catch (const std::bad_alloc&) {
    lastStatus_ = 1;
    return nullptr;
  }
  RecordPtr match = QueryDevice(record, options.timeout, options.retries);
  // A record that did not become a device serves nothing later.
  ReleaseUnlisted(record);
  return match;
}

}  // namespace vlm::discovery
