// An in-process SNMP network for discovery tests: the SNMP layer's exchange
// hook answers from a table of simulated agents and records every address
// asked, so that nothing is sent.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "discovery/providers/device_finder.h"
#include "netmgr/snmp/snmp.h"

namespace vlm::discovery::testing {

struct FakeAgent {
  std::map<std::string, snmp::VarBind> objects;  // by OID text
  int errorStatus = 0;                            // answer every request with this status
};

class FakeNetwork {
 public:
  FakeNetwork() {
    snmp::SetExchangeHook([this](snmp::PduType, const snmp::Target& target,
                                 const std::vector<snmp::VarBind>& request, snmp::Response& out) {
      return Exchange(target, request, out);
    });
  }
  ~FakeNetwork() { snmp::SetExchangeHook(nullptr); }
  FakeNetwork(const FakeNetwork&) = delete;
  FakeNetwork& operator=(const FakeNetwork&) = delete;

  // An agent at `host` ("a.b.c.d", the default port) answering the system
  // name and description.
  void Device(const std::string& host, const std::string& name,
              const std::string& description = kControllerDescription) {
    FakeAgent agent;
    agent.objects["1.3.6.1.2.1.1.5.0"] = snmp::VarBind::Octets(*snmp::Oid::Parse("1.3.6.1.2.1.1.5.0"), name);
    agent.objects[kSystemDescriptionOid] =
        snmp::VarBind::Octets(*snmp::Oid::Parse(kSystemDescriptionOid), description);
    Agent(host, agent);
  }
  void Agent(const std::string& host, FakeAgent agent) {
    std::lock_guard<std::mutex> guard(lock_);
    agents_[host] = std::move(agent);
  }
  void Remove(const std::string& host) {
    std::lock_guard<std::mutex> guard(lock_);
    agents_.erase(host);
  }
  // Silent addresses take their whole time-out (every try), as on a network.
  void SimulateTimeouts(bool on) { simulateTimeouts_ = on; }

  std::vector<std::string> Asked() const {
    std::lock_guard<std::mutex> guard(lock_);
    return asked_;
  }
  void ClearAsked() {
    std::lock_guard<std::mutex> guard(lock_);
    asked_.clear();
  }

 private:
  snmp::Status Exchange(const snmp::Target& target, const std::vector<snmp::VarBind>& request,
                        snmp::Response& out) {
    std::string host = target.address.HostText();
    FakeAgent agent;
    bool found = false;
    {
      std::lock_guard<std::mutex> guard(lock_);
      asked_.push_back(target.address.port() == snmp::DefaultPort() ? host : target.address.Text());
      auto it = agents_.find(host);
      if (it != agents_.end()) {
        agent = it->second;
        found = true;
      }
    }
    if (!found) {
      if (simulateTimeouts_)
        std::this_thread::sleep_for(std::chrono::milliseconds(10 * target.timeoutCs * (1 + target.retries)));
      return snmp::Status::Timeout;
    }
    out.errorStatus = agent.errorStatus;
    for (std::size_t i = 0; i < request.size(); ++i) {
      auto o = agent.objects.find(request[i].oid.Text());
      if (o == agent.objects.end()) {
        // Version 1: a missing object fails the whole request with noSuchName.
        out.bindings = request;
        out.errorStatus = 2;
        out.errorIndex = static_cast<int>(i + 1);
        return snmp::Status::ErrorStatusSet;
      }
      out.bindings.push_back(o->second);
    }
    if (out.errorStatus != 0) {
      out.bindings = request;
      return snmp::Status::ErrorStatusSet;
    }
    return snmp::Status::Success;
  }

  mutable std::mutex lock_;
  std::map<std::string, FakeAgent> agents_;
  std::vector<std::string> asked_;
  std::atomic<bool> simulateTimeouts_{false};
};

// A device's text or integer property as GetPropertyByName gives it with the
// callers' buffers (256 and 4 bytes); "<absent>" or nullopt when it returns 1.
inline std::string PropertyText(const DeviceFinder& finder, std::uint32_t index, const char* name) {
  char buffer[256];
  std::uint32_t length = 0;
  if (finder.GetPropertyByName(index, name, sizeof buffer, buffer, &length) != 0) return "<absent>";
  return std::string(buffer, length);
}

inline std::optional<std::int32_t> PropertyInt(const DeviceFinder& finder, std::uint32_t index,
                                               const char* name) {
  std::int32_t value = 0;
  std::uint32_t length = 0;
  if (finder.GetPropertyByName(index, name, sizeof value, &value, &length) != 0) return std::nullopt;
  return value;
}

}  // namespace vlm::discovery::testing
