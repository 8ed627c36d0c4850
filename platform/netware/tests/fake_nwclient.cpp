// The fake NetWare client library (see fake_nwclient.h).
#include "platform/netware/tests/fake_nwclient.h"

#include <arpa/inet.h>
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/netware/netware.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace vlm::netware::testing {
namespace {

struct Object {
  std::string name;
  std::uint16_t type;
  bool hasProperties;
  bool hasAddress;
  std::vector<std::uint8_t> address;
};

struct Server {
  std::string name;
  std::vector<Object> objects;
};

void CopyText(const std::string& text, char* out, std::uint32_t size) {
  if (!out || size == 0) return;
  std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

bool Matches(const char* pattern, const std::string& name) {
  return pattern && (std::strcmp(pattern, "*") == 0 || ::strcasecmp(pattern, name.c_str()) == 0);
}

class Fake final : public FakeNetWareControl {
 public:
  void Reset() override {
    std::lock_guard l(m);
    servers.clear();
    attached.clear();
    scans = names = 0;
  }
  void AddServer(const char* name) override {
    std::lock_guard l(m);
    servers.push_back({name, {}});
  }
  void AddObject(const char* server, const char* name, std::uint16_t type, bool hasProperties,
                 const std::uint8_t* netAddress, std::uint32_t size) override {
    std::lock_guard l(m);
    for (Server& s : servers)
      if (::strcasecmp(s.name.c_str(), server) == 0) {
        Object o{name, type, hasProperties, netAddress != nullptr, {}};
        if (netAddress) o.address.assign(netAddress, netAddress + size);
        s.objects.push_back(std::move(o));
      }
  }
  int AttachCalls() override {
    std::lock_guard l(m);
    return static_cast<int>(attached.size());
  }
  const char* AttachedServer(int n) override {
    std::lock_guard l(m);
    return n >= 0 && n < static_cast<int>(attached.size()) ? attached[static_cast<std::size_t>(n)].c_str() : "";
  }
  int ObjectScanCalls() override {
    std::lock_guard l(m);
    return scans;
  }
  int GetObjectNameCalls() override {
    std::lock_guard l(m);
    return names;
  }

  // Connection n + 1 is server n.
  Server* ServerOf(std::uint32_t connection) {
    return connection >= 1 && connection <= servers.size() ? &servers[connection - 1] : nullptr;
  }
  Object* Find(std::uint32_t connection, const char* name, std::uint16_t netType) {
    Server* s = ServerOf(connection);
    if (!s || !name) return nullptr;
    for (Object& o : s->objects)
      if (::strcasecmp(o.name.c_str(), name) == 0 && htons(o.type) == netType) return &o;
    return nullptr;
  }

  std::mutex m;
  std::vector<Server> servers;
  std::vector<std::string> attached;
  int scans = 0;
  int names = 0;
};

Fake& TheFake() {
  static Fake* fake = new Fake;
  return *fake;
}

}  // namespace
}  // namespace vlm::netware::testing

using vlm::netware::testing::TheFake;
namespace nw = vlm::netware;

FAKE_EXPORT vlm::netware::testing::FakeNetWareControl* VlmFakeNetWareControl() { return &TheFake(); }

FAKE_EXPORT std::int32_t NWAttachToFileServer(const char* serverName, std::uint16_t, std::uint32_t* connection) {
  auto& f = TheFake();
  std::lock_guard l(f.m);
  f.attached.push_back(serverName ? serverName : "");
  for (std::size_t i = 0; i < f.servers.size(); ++i)
    if (serverName && ::strcasecmp(f.servers[i].name.c_str(), serverName) == 0) {
      if (connection) *connection = static_cast<std::uint32_t>(i + 1);
      return nw::kNwSuccess;
    }
  return nw::kNwServerUnknown;
}

FAKE_EXPORT std::int32_t NWScanObject(std::uint32_t connection, const char* searchName, std::uint16_t searchType,
                                      std::uint32_t* objectId, char* objectName, std::uint32_t objectNameSize,
                                      std::uint16_t* objectType, std::uint8_t* hasProperties,
                                      std::uint8_t* objectFlags, std::uint8_t* objectSecurity) {
  auto& f = TheFake();
  std::lock_guard l(f.m);
  ++f.scans;
  auto* server = f.ServerOf(connection);
  if (!server || !objectId) return nw::kNwNoSuchObject;
  // Object i has the identifier i + 1.
  std::size_t from = *objectId == nw::kNwScanStart ? 0 : *objectId;
  for (std::size_t i = from; i < server->objects.size(); ++i) {
    const auto& o = server->objects[i];
    if (htons(o.type) != searchType || !vlm::netware::testing::Matches(searchName, o.name)) continue;
    *objectId = static_cast<std::uint32_t>(i + 1);
    vlm::netware::testing::CopyText(o.name, objectName, objectNameSize);
    if (objectType) *objectType = htons(o.type);
    if (hasProperties) *hasProperties = o.hasProperties ? 0xFF : 0;
    if (objectFlags) *objectFlags = 0;
    if (objectSecurity) *objectSecurity = 0x31;
    return nw::kNwSuccess;
  }
  return nw::kNwNoSuchObject;
}

FAKE_EXPORT std::int32_t NWScanProperty(std::uint32_t connection, const char* objectName, std::uint16_t objectType,
                                        const char* searchName, std::uint32_t* sequence, char* propertyName,
                                        std::uint32_t propertyNameSize, std::uint8_t* propertyFlags,
                                        std::uint8_t* propertySecurity, std::uint8_t* hasValue,
                                        std::uint8_t* moreProperties) {
  auto& f = TheFake();
  std::lock_guard l(f.m);
  auto* o = f.Find(connection, objectName, objectType);
  if (!o || !o->hasProperties || !o->hasAddress || !sequence || *sequence != nw::kNwScanStart ||
      !vlm::netware::testing::Matches(searchName, "NET_ADDRESS"))
    return nw::kNwNoSuchProperty;
  *sequence = 1;
  vlm::netware::testing::CopyText("NET_ADDRESS", propertyName, propertyNameSize);
  if (propertyFlags) *propertyFlags = 0;
  if (propertySecurity) *propertySecurity = 0x31;
  if (hasValue) *hasValue = o->address.empty() ? 0 : 0xFF;
  if (moreProperties) *moreProperties = 0;
  return nw::kNwSuccess;
}

FAKE_EXPORT std::int32_t NWReadPropertyValue(std::uint32_t connection, const char* objectName,
                                             std::uint16_t objectType, const char* propertyName,
                                             std::uint8_t segment, std::uint8_t* data, std::uint32_t dataSize,
                                             std::uint8_t* moreSegments, std::uint8_t* propertyFlags) {
  auto& f = TheFake();
  std::lock_guard l(f.m);
  auto* o = f.Find(connection, objectName, objectType);
  if (!o || !o->hasAddress || !propertyName || ::strcasecmp(propertyName, "NET_ADDRESS") != 0)
    return nw::kNwNoSuchProperty;
  if (segment != 1 || o->address.empty()) return nw::kNwNoSuchSegment;
  std::uint8_t full[nw::kNwSegmentSize] = {};
  std::memcpy(full, o->address.data(), std::min<std::size_t>(o->address.size(), sizeof full));
  if (data) std::memcpy(data, full, std::min<std::uint32_t>(dataSize, sizeof full));
  if (moreSegments) *moreSegments = 0;
  if (propertyFlags) *propertyFlags = 0;
  return nw::kNwSuccess;
}

FAKE_EXPORT std::int32_t NWGetObjectName(std::uint32_t connection, std::uint32_t objectId, char* objectName,
                                         std::uint32_t objectNameSize, std::uint16_t* objectType) {
  auto& f = TheFake();
  std::lock_guard l(f.m);
  ++f.names;
  auto* server = f.ServerOf(connection);
  if (!server || objectId == 0 || objectId > server->objects.size()) return nw::kNwNoSuchObject;
  const auto& o = server->objects[objectId - 1];
  vlm::netware::testing::CopyText(o.name, objectName, objectNameSize);
  if (objectType) *objectType = htons(o.type);
  return nw::kNwSuccess;
}
