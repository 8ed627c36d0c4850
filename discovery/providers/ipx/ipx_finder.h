// The IPX/SPX transport's device finder: the addresses of the services of
// SAP type 0x0414, from the SAP name space or from the bindery of the first
// configured NetWare server, queried over SNMP on IPX, and matched with the
// installed printers whose port names name a NetWare queue.
//
// What a caller may rely on:
// - The first pass sets the transport up once: the name-space mode from the
//   name-space providers and the platform family (SelectNameSpaceMode), the
//   installation of the SAP service class (a failure, for instance because
//   the class is installed already, only means that it is not installed
//   again), and in mode NetWareClient the binding of the NetWare client.
// - Every pass empties the query list, collects the addresses (the bindery in
//   mode NetWareClient, else the SAP look-up), queries each address once
//   (a repeated address is not asked again), and matches the installed local
//   printers. The records of the emptied query list that are not listed
//   devices are freed; at the end of the pass the query list holds only the
//   records that answered.
// - A device found again keeps the values of the pass that first found it;
//   devices that stop answering stay listed. Found devices have
//   "DEVICE_ADDRESS" (the 21-character address text), "PROVIDER_NAME" 2 and
//   "DEVICE_INSTALLED_PRINTER" (0, or 1 with "DEVICE_NAME_SPOOLER" once an
//   installed printer's queue is served by the device).
// - The bindery scan attaches once to the first configured server and keeps
//   the connection; a failed attach is tried again by the next pass.
// - A requested stop ends the pass before the next address or query.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/providers/device_finder.h"
#include "platform/netware/netware.h"

namespace vlm::discovery {

inline constexpr std::int32_t kIpxProviderKind = 2;
inline constexpr WORD kSapServiceType = 0x0414;
inline constexpr const char* kQueueServer = "QSERVER";
inline constexpr const char* kQueueServerOid = "1.3.6.1.4.1.901.1.1.3.12.1.3";
inline constexpr const char* kDeviceLocation = "DEVICE_LOCATION";
inline constexpr const char* kDeviceGeneralStatus = "DEVICE_GENERAL_STATUS";
inline constexpr const char* kDeviceTandem = "DEVICE_TANDEM";
inline constexpr const char* kDeviceMibVersion = "DEVICE_MIB_VERSION";

enum class NameSpaceMode : std::int32_t {
  None = 0,           // NT family without a SAP name-space provider
  SapProvider9x = 1,  // the SAP name provider, Windows 9x family
  SapProviderNt = 2,  // the SAP name provider, NT family
  NwLink = 3,         // the NWLink transport's name space
  NetWareClient = 4,  // 9x family without either: the NetWare client's bindery
};

// The first identifier that names the SAP name provider or the NWLink
// transport (ignoring case) decides; without one, NetWareClient on the 9x
// family and None on the NT family.
NameSpaceMode SelectNameSpaceMode(const std::vector<std::string>& providerIdentifiers, bool ntFamily);

// "nnnnnnnn:hhhhhhhhhhhh": the network's 4 and the node's 6 bytes in
// lower-case hexadecimal.
std::string IpxAddressText(const BYTE* network, const BYTE* node);

// The NetWare queue of a port name "\\server\queue" or "\\server\.queue.context":
// "\\FS1\LASERQ" and "\\FS1\.LASERQ.SALES.ACME" give "LASERQ"; anything else,
// and "\\FS1\.LASERQ" (no context), gives "".
std::string ParseQueueName(std::string_view portName);

// The record of an IPX address; it has "IPX_DEVICE" = 1 from the start.
class IpxDeviceRecord : public DeviceRecord {
 public:
  explicit IpxDeviceRecord(const snmp::Address& address);
};

class IpxDeviceFinder : public DeviceFinder {
 public:
  IpxDeviceFinder();
  int Discover(const std::vector<std::string>& servers, const OptionValues& options) override;
  void OnPassEnd() override {}

  // Address texts of the services, in the order found (duplicates kept).
  void EnumSapServers(std::vector<std::string>& entries);
  void ScanBinderyServers(std::vector<std::string>& entries, const std::vector<std::string>& servers);
  void MatchInstalledPrinters(const OptionValues& options);
  // One query of the device's queue-server name; true when it names `queue`
  // (ignoring case).
  bool HasQueueServer(const std::string& queue, const RecordPtr& device, const OptionValues& options);

  NameSpaceMode mode() const { return mode_; }

 private:
  void SetUpTransport();

  bool firstPass_ = true;
  NameSpaceMode mode_ = NameSpaceMode::None;
  netware::NetWareApi api_;
  bool attached_ = false;
  std::uint32_t connection_ = 0;
};

}  // namespace vlm::discovery
