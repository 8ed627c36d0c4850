#include "discovery/providers/ipx/ipx_finder.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <new>
#include <set>

#include "discovery/providers/installed_printers.h"
#include "platform/spooler/spooler.h"

namespace vlm::discovery {

namespace {

// The property table: one get asks all six, in this order.
const std::vector<PropertyDef>& IpxPropertyTable() {
  static const std::vector<PropertyDef> table = {
      {kDeviceProductName, "1.3.6.1.4.1.2364.1.1.1.1.1.2.1.1"},
      {kDeviceLocation, "1.3.6.1.4.1.2364.1.1.1.1.1.3.1.1"},
      {kDeviceGeneralStatus, "1.3.6.1.4.1.2364.1.1.1.1.1.6.1.1"},
      {kDeviceTandem, "1.3.6.1.4.1.2364.1.1.1.1.1.8.1.1"},
      {kDeviceMibVersion, "1.3.6.1.4.1.2364.1.1.2.1.1.2.1.1"},
      {kDeviceName, "1.3.6.1.2.1.43.5.1.1.16.1"},
  };
  return table;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The class the look-ups ask for: "SAP Service", one entry for the SAP name
// space whose value is the 16-bit SAP type.
netware::ServiceClass SapServiceClass() {
  netware::ServiceClass c;
  c.id = netware::SapServiceClassId(kSapServiceType);
  c.name = "SAP Service";
  const WORD type = kSapServiceType;
  const auto* bytes = reinterpret_cast<const BYTE*>(&type);
  c.entries.push_back({"SAP Service", netware::NS_SAP, 0, {bytes, bytes + sizeof type}});
  return c;
}

// A bindery scan that never reports its end still ends.
constexpr int kMaxBinderyObjects = 65536;

constexpr const char* kNetAddressProperty = "NET_ADDRESS";

}  // namespace

NameSpaceMode SelectNameSpaceMode(const std::vector<std::string>& providerIdentifiers, bool ntFamily) {
  for (const std::string& id : providerIdentifiers) {
    if (EqualsIgnoringCase(id, netware::kNovellSapNameProvider))
      return ntFamily ? NameSpaceMode::SapProviderNt : NameSpaceMode::SapProvider9x;
    if (EqualsIgnoringCase(id, netware::kNwLinkTransport)) return NameSpaceMode::NwLink;
  }
  return ntFamily ? NameSpaceMode::None : NameSpaceMode::NetWareClient;
}

std::string IpxAddressText(const BYTE* network, const BYTE* node) {
  return snmp::Address::Ipx(network, node).HostText();
}

std::string ParseQueueName(std::string_view port) {
  if (port.substr(0, 2) != "\\\\") return {};
  std::size_t slash = port.find('\\', 2);
  if (slash == std::string_view::npos) return {};
  std::string_view rest = port.substr(slash + 1);
  if (rest.empty() || rest.front() != '.') return std::string(rest);
  std::size_t dot = rest.find('.', 1);
  if (dot == std::string_view::npos) return {};
  return std::string(rest.substr(1, dot - 1));
}

IpxDeviceRecord::IpxDeviceRecord(const snmp::Address& address) : DeviceRecord(address) {
  SetIntProperty(kIpxDevice, 1);
}

IpxDeviceFinder::IpxDeviceFinder() : DeviceFinder(IpxPropertyTable()) {}

void IpxDeviceFinder::SetUpTransport() {
  std::shared_ptr<netware::NameSpace> nameSpace = netware::CurrentNameSpace();
  std::vector<netware::NameSpaceProvider> providers;
  std::vector<std::string> identifiers;
  if (nameSpace->EnumProviders(providers) == 0)
    for (const netware::NameSpaceProvider& p : providers) identifiers.push_back(p.identifier);
  mode_ = SelectNameSpaceMode(identifiers, IsNtFamily());
  // A class that is installed already (by an earlier process) serves the
  // look-ups as well as a fresh one, so a failure here ends nothing.
  lastStatus_ = nameSpace->InstallServiceClass(SapServiceClass());
  if (mode_ == NameSpaceMode::NetWareClient) api_ = netware::BindNetWareApi();
}

int IpxDeviceFinder::Discover(const std::vector<std::string>& servers, const OptionValues& options) {
  if (firstPass_) {
    firstPass_ = false;  // never again, also when the set-up fails
    SetUpTransport();
  }
  MarkAllUnseen();
  // Fresh records every pass: a device found again answers on its new
  // record, so the listed one keeps the values of its first pass.
  EmptyQueryList();

  std::vector<std::string> entries;
  if (mode_ == NameSpaceMode::NetWareClient) ScanBinderyServers(entries, servers);
  else EnumSapServers(entries);

  std::set<std::string> asked;
  for (const std::string& text : entries) {
    if (StopRequested()) break;
    if (!asked.insert(text).second) continue;
    std::optional<snmp::Address> address = snmp::Address::Parse(text);
    if (!address) continue;
    RecordPtr record;
    try {
      record = std::make_shared<IpxDeviceRecord>(*address);
      AppendQueryRecord(record);
    } catch (const std::bad_alloc&) {
      lastStatus_ = 1;
      continue;
    }
    if (RecordPtr match = QueryDevice(record, options.timeout, options.retries)) {
      SetText(*match, kDeviceAddress, text);
      SetInt(*match, kProviderName, kIpxProviderKind);
      SetInt(*match, kDeviceInstalledPrinter, 0);
    }
  }
  if (!StopRequested()) MatchInstalledPrinters(options);
  RemoveUnseen();
  return 1;
}

void IpxDeviceFinder::EnumSapServers(std::vector<std::string>& entries) {
  netware::ServiceQuery query;
  query.classId = netware::SapServiceClassId(kSapServiceType);
  if (mode_ == NameSpaceMode::NwLink) query.instanceName = std::string(1, '*');
  query.nameSpace = netware::NS_ALL;
  query.controlFlags = netware::LUP_RETURN_ALL;
  std::vector<netware::IpxSocketAddress> found;
  LONG status = netware::CurrentNameSpace()->LookupService(query, found);
  if (status != 0) {
    lastStatus_ = status;
    return;
  }
  for (const netware::IpxSocketAddress& a : found) entries.push_back(IpxAddressText(a.network, a.node));
}

void IpxDeviceFinder::ScanBinderyServers(std::vector<std::string>& entries, const std::vector<std::string>& servers) {
  if (servers.empty() || !api_.attachToFileServer || !api_.scanObject || !api_.scanProperty ||
      !api_.readPropertyValue)
    return;
  if (!attached_) {
    // Only the first configured server is asked.
    std::uint32_t connection = 0;
    std::int32_t rc = api_.attachToFileServer(servers.front().c_str(), 0, &connection);
    if (rc != netware::kNwSuccess) {
      lastStatus_ = rc;
      return;
    }
    attached_ = true;
    connection_ = connection;
  }

  const std::string pattern = UpperCase("*");
  const std::uint16_t type = htons(kSapServiceType);
  std::uint32_t objectId = netware::kNwScanStart;
  for (int n = 0; n < kMaxBinderyObjects && !StopRequested(); ++n) {
    char name[netware::kNwObjectNameSize] = {};
    std::uint16_t objectType = 0;
    std::uint8_t hasProperties = 0, flags = 0, security = 0;
    std::uint32_t previous = objectId;
    if (api_.scanObject(connection_, pattern.c_str(), type, &objectId, name, sizeof name, &objectType,
                        &hasProperties, &flags, &security) != netware::kNwSuccess ||
        objectId == previous)
      break;
    name[sizeof name - 1] = '\0';
    if (!hasProperties) continue;

    std::uint32_t sequence = netware::kNwScanStart;
    char property[netware::kNwPropertyNameSize] = {};
    std::uint8_t propertyFlags = 0, propertySecurity = 0, hasValue = 0, more = 0;
    if (api_.scanProperty(connection_, name, objectType, kNetAddressProperty, &sequence, property,
                          sizeof property, &propertyFlags, &propertySecurity, &hasValue,
                          &more) != netware::kNwSuccess ||
        !hasValue)
      continue;
    std::uint8_t value[netware::kNwSegmentSize] = {};
    std::uint8_t moreSegments = 0;
    if (api_.readPropertyValue(connection_, name, objectType, kNetAddressProperty, 1, value, sizeof value,
                               &moreSegments, &propertyFlags) != netware::kNwSuccess)
      continue;
    entries.push_back(IpxAddressText(value, value + 4));
  }
}

void IpxDeviceFinder::MatchInstalledPrinters(const OptionValues& options) {
  if (GetDeviceCount() == 0) return;
  std::vector<InstalledPrinter> printers;
  if (ListInstalledPrinters(PRINTER_ENUM_LOCAL, printers) != 0) return;
  for (const InstalledPrinter& p : printers) {
    std::string queue = ParseQueueName(p.port);
    if (queue.empty()) continue;
    for (std::size_t i = 0;; ++i) {
      if (StopRequested()) return;
      RecordPtr device = DeviceAt(i);
      if (!device) break;
      if (HasQueueServer(queue, device, options)) {
        SetText(*device, kDeviceNameSpooler, p.name);
        SetInt(*device, kDeviceInstalledPrinter, 1);
        break;
      }
    }
  }
}

bool IpxDeviceFinder::HasQueueServer(const std::string& queue, const RecordPtr& device, const OptionValues& options) {
  // One query: asking again would only give the same name.
  if (QueryOneOid(device, kQueueServerOid, kQueueServer, options.timeout, options.retries) == 0) return false;
  int index = FindDevice(device.get());
  if (index < 0) return false;
  char buffer[256];
  std::uint32_t length = 0;
  std::string served;
  if (GetPropertyByName(static_cast<std::uint32_t>(index), kQueueServer, sizeof buffer, buffer, &length) == 0)
    served.assign(buffer, length);
  return !served.empty() && EqualsIgnoringCase(served, queue);
}

}  // namespace vlm::discovery
