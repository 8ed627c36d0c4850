// The scenario build of the SeekIPX provider (see scenario.h).
#include "discovery/providers/ipx/tests/scenario.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "discovery/providers/exports.h"
#include "discovery/providers/ipx/seekipx.h"
#include "platform/netware/netware.h"
#include "platform/spooler/spooler.h"

VLM_PROVIDER_LIBRARY(vlm::discovery::kSeekIpxTraits);

namespace {

namespace netware = vlm::netware;

struct Scenario {
  std::mutex lock;
  std::shared_ptr<netware::ScriptedNameSpace> nameSpace;
  std::vector<netware::NameSpaceProvider> providers;
  std::vector<netware::IpxSocketAddress> services;
  std::vector<vlm::snmp::IpxMapping> map;
  std::shared_ptr<vlm::spooler::MemorySpooler> printers;
};

Scenario& TheScenario() {
  static Scenario* s = new Scenario;
  return *s;
}

netware::ScriptedNameSpace& NameSpace(Scenario& s) {
  if (!s.nameSpace) {
    s.nameSpace = std::make_shared<netware::ScriptedNameSpace>();
    netware::SetNameSpace(s.nameSpace);
  }
  return *s.nameSpace;
}

std::int32_t Add(const std::string& key, const std::string& value) {
  Scenario& s = TheScenario();
  std::lock_guard<std::mutex> guard(s.lock);
  if (key == "platform") {
    if (value != "nt" && value != "9x") return 1;
    vlm::SetPlatformFamily(value == "nt" ? vlm::PlatformFamily::WindowsNt : vlm::PlatformFamily::Windows9x);
  } else if (key == "provider") {
    s.providers.push_back({value});
    NameSpace(s).SetProviders(s.providers);
  } else if (key == "service") {
    auto a = vlm::snmp::Address::Parse(value);
    if (!a || a->kind() != vlm::snmp::Address::Kind::Ipx) return 1;
    netware::IpxSocketAddress service;
    std::memcpy(service.network, a->ipxNetwork(), 4);
    std::memcpy(service.node, a->ipxNode(), 6);
    s.services.push_back(service);
    NameSpace(s).SetServices(s.services);
  } else if (key == "map") {
    std::size_t eq = value.find('=');
    if (eq == std::string::npos) return 1;
    auto ipx = vlm::snmp::Address::Parse(value.substr(0, eq));
    auto udp = vlm::snmp::Address::Parse(value.substr(eq + 1));
    if (!ipx || !udp) return 1;
    s.map.push_back({*ipx, *udp});
    if (!vlm::snmp::UseIpxLoopbackMap(s.map)) {
      s.map.pop_back();
      return 1;
    }
  } else if (key == "client") {
    netware::SetNetWareClientLibrary(value);
  } else if (key == "printer") {
    std::size_t tab = value.find('\t');
    if (tab == std::string::npos) return 1;
    if (!s.printers) {
      s.printers = std::make_shared<vlm::spooler::MemorySpooler>();
      vlm::spooler::SetBackend(s.printers);
    }
    s.printers->AddPrinter({value.substr(0, tab), value.substr(tab + 1), "", false});
  } else {
    return 1;
  }
  return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t VlmSeekIpxScenario(const char* key,
                                                                                  const char* value) {
  if (!key || !value) return 1;
  try {
    return Add(key, value);
  } catch (...) {
    return 1;
  }
}

static_assert(std::is_same_v<decltype(&VlmSeekIpxScenario), SeekIpxScenarioFn>);
