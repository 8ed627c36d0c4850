// NetWare and SAP services for the IPX provider, and the platform's version.
// Linux has neither IPX nor a NetWare client: every part here has a Linux
// default that finds nothing, and can be replaced so that tests drive it.
//
// What a caller may rely on:
//
// Platform version
// - CurrentPlatformFamily() is the NT family unless SetPlatformFamily
//   installed another answer. Thread-safe.
//
// SAP name space
// - One process-wide NameSpace answers the three operations the IPX
//   provider makes: the name-space providers (their identifiers), installing
//   a service class, and looking up the addresses of a service class. The
//   default has no providers: it lists none, refuses installs (WSAEINVAL) and
//   finds no service (WSASERVICE_NOT_FOUND). SetNameSpace installs another
//   (null restores the default); ScriptedNameSpace is the one for tests.
// - Results are 0 or a Windows Sockets error code. Nothing throws out of
//   these operations except std::bad_alloc.
//
// NetWare client
// - BindNetWareApi loads the client library by name at run time (dlopen) and
//   looks its five calls up by name. The library is the one set with
//   SetNetWareClientLibrary, else $VLM_NETWARE_CLIENT, else
//   kDefaultNetWareClient, which Linux does not have. A library that does not
//   load gives an api without calls; a call the library lacks stays null.
//   A loaded library stays loaded until the process ends.
// - The calls have the C signatures below (our own). Texts are
//   NUL-terminated; every output text buffer comes with its size and is
//   filled with at most size - 1 characters and a NUL. Object types are
//   passed and returned in network byte order, as on the wire. Results are
//   0 for success or a NetWare completion code.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace vlm {

// ---------------------------------------------------------------- platform version

enum class PlatformFamily {
  WindowsNt,  // VER_PLATFORM_WIN32_NT
  Windows9x,  // VER_PLATFORM_WIN32_WINDOWS
};

PlatformFamily CurrentPlatformFamily();
inline bool IsNtFamily() { return CurrentPlatformFamily() == PlatformFamily::WindowsNt; }
// Replaces the answer for the process; nullopt restores the default (NT).
void SetPlatformFamily(std::optional<PlatformFamily> family);

namespace netware {

// ---------------------------------------------------------------- SAP name space

inline constexpr DWORD NS_ALL = 0;
inline constexpr DWORD NS_SAP = 1;
inline constexpr DWORD LUP_RETURN_ALL = 0x0FF0;

inline constexpr LONG WSAEINVAL = 10022;
inline constexpr LONG WSAEALREADY = 10037;
inline constexpr LONG WSASERVICE_NOT_FOUND = 10108;

// The identifiers of the two name-space providers that know SAP.
inline constexpr const char* kNovellSapNameProvider = "Novell IPX/SPX SAP Name Provider";
inline constexpr const char* kNwLinkTransport = "NWLink IPX/SPX Compatible Transport Protocol";

// A service class identifier (a GUID's four fields).
struct ServiceClassId {
  DWORD data1 = 0;
  WORD data2 = 0;
  WORD data3 = 0;
  BYTE data4[8] = {};
  bool operator==(const ServiceClassId&) const = default;
};

// The identifier of the service class of a SAP type: 0x000B in the high half
// of the first field, the type in its low half, the two short fields 0, and
// the bytes C0 00 00 00 00 00 00 46.
ServiceClassId SapServiceClassId(WORD sapType);

struct NameSpaceProvider {
  std::string identifier;
  DWORD nameSpace = NS_SAP;
  bool active = true;
};

struct ServiceClassEntry {
  std::string name;
  DWORD nameSpace = 0;
  DWORD valueType = 0;
  std::vector<BYTE> value;
};

struct ServiceClass {
  ServiceClassId id;
  std::string name;
  std::vector<ServiceClassEntry> entries;
};

struct ServiceQuery {
  ServiceClassId classId;
  std::optional<std::string> instanceName;  // none: every instance
  DWORD nameSpace = NS_ALL;
  DWORD controlFlags = 0;
};

// An IPX socket address: network, node and socket (network byte order).
struct IpxSocketAddress {
  BYTE network[4] = {};
  BYTE node[6] = {};
  WORD socket = 0;
};

class NameSpace {
 public:
  virtual ~NameSpace() = default;
  virtual LONG EnumProviders(std::vector<NameSpaceProvider>& out) = 0;
  virtual LONG InstallServiceClass(const ServiceClass& serviceClass) = 0;
  // The first address of every service found, in the order found.
  virtual LONG LookupService(const ServiceQuery& query, std::vector<IpxSocketAddress>& out) = 0;
};

std::shared_ptr<NameSpace> CurrentNameSpace();
void SetNameSpace(std::shared_ptr<NameSpace> nameSpace);

// A name space whose providers and services the test sets. A class installs
// once: installing its identifier again gives WSAEALREADY, as it does after
// MarkInstalled (a class an earlier process installed). Lookups of an
// installed class return the services; of any other class
// WSASERVICE_NOT_FOUND. It records the classes installed and the queries.
class ScriptedNameSpace : public NameSpace {
 public:
  void SetProviders(std::vector<NameSpaceProvider> providers);
  void SetServices(std::vector<IpxSocketAddress> services);
  void MarkInstalled(const ServiceClassId& id);
  std::vector<ServiceClass> Installed() const;
  std::vector<ServiceQuery> Queries() const;

  LONG EnumProviders(std::vector<NameSpaceProvider>& out) override;
  LONG InstallServiceClass(const ServiceClass& serviceClass) override;
  LONG LookupService(const ServiceQuery& query, std::vector<IpxSocketAddress>& out) override;

 private:
  mutable std::mutex lock_;
  std::vector<NameSpaceProvider> providers_;
  std::vector<IpxSocketAddress> services_;
  std::vector<ServiceClass> installed_;
  std::vector<ServiceClassId> known_;  // installed, by this process or an earlier one
  std::vector<ServiceQuery> queries_;
};

// ---------------------------------------------------------------- NetWare client

inline constexpr const char* kDefaultNetWareClient = "libnwapi32.so";

// Completion codes.
inline constexpr std::int32_t kNwSuccess = 0;
inline constexpr std::int32_t kNwServerUnknown = 0x880F;
inline constexpr std::int32_t kNwNoSuchSegment = 0x89EC;
inline constexpr std::int32_t kNwNoSuchProperty = 0x89FB;
inline constexpr std::int32_t kNwNoSuchObject = 0x89FC;

// The start value of the object and property scans' iteration fields.
inline constexpr std::uint32_t kNwScanStart = 0xFFFFFFFFu;
// Sizes of bindery texts and of one property value segment.
inline constexpr std::uint32_t kNwObjectNameSize = 48;
inline constexpr std::uint32_t kNwPropertyNameSize = 16;
inline constexpr std::uint32_t kNwSegmentSize = 128;

extern "C" {
// Attaches to a file server; `connection` receives the connection handle.
using NWAttachToFileServerFn = std::int32_t (*)(const char* serverName, std::uint16_t scopeFlag,
                                                std::uint32_t* connection);
// The next object after `*objectId` (kNwScanStart: the first) whose name
// matches `searchName` ("*" matches every name) and whose type is
// `searchType`; updates `*objectId`. kNwNoSuchObject when there is none.
using NWScanObjectFn = std::int32_t (*)(std::uint32_t connection, const char* searchName,
                                        std::uint16_t searchType, std::uint32_t* objectId,
                                        char* objectName, std::uint32_t objectNameSize,
                                        std::uint16_t* objectType, std::uint8_t* hasProperties,
                                        std::uint8_t* objectFlags, std::uint8_t* objectSecurity);
// The next property of the object after `*sequence` (kNwScanStart: the
// first) whose name matches `searchName`. kNwNoSuchProperty when none.
using NWScanPropertyFn = std::int32_t (*)(std::uint32_t connection, const char* objectName,
                                          std::uint16_t objectType, const char* searchName,
                                          std::uint32_t* sequence, char* propertyName,
                                          std::uint32_t propertyNameSize, std::uint8_t* propertyFlags,
                                          std::uint8_t* propertySecurity, std::uint8_t* hasValue,
                                          std::uint8_t* moreProperties);
// Segment `segment` (from 1) of a property's value, into `data` (at most
// `dataSize` bytes, the rest of a kNwSegmentSize segment left out).
using NWReadPropertyValueFn = std::int32_t (*)(std::uint32_t connection, const char* objectName,
                                               std::uint16_t objectType, const char* propertyName,
                                               std::uint8_t segment, std::uint8_t* data,
                                               std::uint32_t dataSize, std::uint8_t* moreSegments,
                                               std::uint8_t* propertyFlags);
using NWGetObjectNameFn = std::int32_t (*)(std::uint32_t connection, std::uint32_t objectId,
                                           char* objectName, std::uint32_t objectNameSize,
                                           std::uint16_t* objectType);
}

struct NetWareApi {
  void* library = nullptr;  // the loaded client, or null
  NWAttachToFileServerFn attachToFileServer = nullptr;
  NWScanObjectFn scanObject = nullptr;
  NWScanPropertyFn scanProperty = nullptr;
  NWReadPropertyValueFn readPropertyValue = nullptr;
  NWGetObjectNameFn getObjectName = nullptr;
};

NetWareApi BindNetWareApi();
// The client library's name or path for later binds; "" restores the
// environment's or the default.
void SetNetWareClientLibrary(std::string library);

}  // namespace netware
}  // namespace vlm
