// Test doubles of the management interface's peers: a network manager that
// logs every call and answers from a table, a discovery manager that ends
// its runs on a thread of its own, and the value-list arrays a client passes.
#pragma once

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "discovery/manager/vlmdm.h"
#include "mgmt/xlpnmif.h"
#include "netmgr/netmgr.h"
#include "platform/com/com.h"

namespace vlm::mgmt::testing {

// ---------------------------------------------------------------------------
// Network manager

class FakeNetMgr final : public ComObject<FakeNetMgr, IVlmNetMgr> {
 public:
  inline static FakeNetMgr* last = nullptr;
  inline static int live = 0;
  FakeNetMgr() {
    last = this;
    ++live;
  }
  ~FakeNetMgr() override {
    --live;
    if (last == this) last = nullptr;
  }

  // The device: integer values by id, and the ids whose values are texts.
  std::map<std::int32_t, std::int32_t> integers;
  std::map<std::int32_t, std::string> texts;
  // Single reads (GetIntegerValue, GetStringValue) of one instance, by its
  // open path ("." and the instance for each level, as ".1.3"), before the
  // values above; and their result.
  std::map<std::string, std::map<std::int32_t, std::int32_t>> instanceIntegers;
  std::map<std::string, std::map<std::int32_t, std::string>> instanceTexts;
  std::int32_t getValueResult = 0;
  // Predefined groups: integer ids, then text ids.
  std::map<std::int32_t, std::pair<std::vector<std::int32_t>, std::vector<std::int32_t>>> groups;
  std::int32_t getValuesResult = 0;
  std::int32_t setValuesResult = 0;
  std::int32_t instanceCount = 3;
  bool failOpens = false;
  std::function<void()> onFreeHandle;

  // Every call, as "Name arg arg ...".
  std::vector<std::string> calls;
  std::vector<TargetSpec> connects;
  std::vector<std::pair<std::int32_t, std::string>> writes;  // id, value as text
  NetMgrTrapCallback trapCallback = nullptr;
  void* trapData = nullptr;
  std::int32_t trapReserved = 0;
  int liveGroups = 0;

  std::size_t Count(const std::string& prefix) const {
    std::size_t n = 0;
    for (const std::string& c : calls) n += c.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  // Calls that would reach the device.
  std::size_t Traffic() const {
    return Count("GetValues") + Count("SetValues") + Count("GetInstanceCount") +
           Count("GetRootInstanceCount") + Count("Connect");
  }
  bool IsText(std::int32_t id) const { return texts.count(id) != 0; }
  int OpenCount() const { return static_cast<int>(open_.size()); }

  std::int32_t Connect(TargetSpec target) override {
    Log("Connect", {}, target.address);
    connects.push_back(target);
    return 0;
  }
  std::int32_t GetInstanceCount(std::int32_t handle, std::int32_t vector,
                                std::int32_t* count) override {
    Log("GetInstanceCount", {handle, vector});
    if (!open_.count(handle)) return netmgr::kErrCall;
    *count = instanceCount;
    return 0;
  }
  std::int32_t GetRootInstanceCount(std::int32_t vector, std::int32_t* count) override {
    Log("GetRootInstanceCount", {vector});
    *count = instanceCount;
    return 0;
  }
  std::int32_t OpenRootHandle(std::int32_t vector, std::int32_t instance,
                              std::int32_t* handle) override {
    Log("OpenRootHandle", {vector, instance});
    return Open('.' + std::to_string(instance), handle);
  }
  std::int32_t OpenChildHandle(std::int32_t parent, std::int32_t vector, std::int32_t instance,
                               std::int32_t* handle) override {
    Log("OpenChildHandle", {parent, vector, instance});
    *handle = -1;
    if (!open_.count(parent)) return netmgr::kErrCall;
    return Open(open_[parent].path + "." + std::to_string(instance), handle);
  }
  std::int32_t AddScalars(std::int32_t handle, const std::int32_t* ids,
                          std::int32_t count) override {
    Log("AddScalars", std::vector<std::int32_t>(ids, ids + count), {}, handle);
    if (!open_.count(handle) || open_[handle].reads.size() + static_cast<std::size_t>(count) > 128)
      return netmgr::kErrCall;
    open_[handle].reads.insert(open_[handle].reads.end(), ids, ids + count);
    return 0;
  }
  std::int32_t GetValues(std::int32_t handle) override {
    Log("GetValues", {handle});
    if (!open_.count(handle)) return netmgr::kErrCall;
    open_[handle].fetched = getValuesResult == 0;
    return getValuesResult;
  }
  std::int32_t GetIntegerValueList(std::int32_t handle, std::int32_t* ids, Text* labels,
                                   std::int32_t* values, std::int32_t* count) override {
    Log("GetIntegerValueList", {handle});
    return List(handle, false, ids, labels, values, nullptr, count);
  }
  std::int32_t GetStringValueList(std::int32_t handle, std::int32_t* ids, Text* labels,
                                  Text* values, std::int32_t* count) override {
    Log("GetStringValueList", {handle});
    return List(handle, true, ids, labels, nullptr, values, count);
  }
  std::int32_t GetIntegerValue(std::int32_t handle, std::int32_t id, std::int32_t* value) override {
    Log("GetIntegerValue", {handle, id});
    if (!open_.count(handle)) return netmgr::kErrCall;
    if (getValueResult != 0) return getValueResult;
    auto& own = instanceIntegers[open_[handle].path];
    *value = own.count(id) ? own[id] : integers[id];
    return 0;
  }
  std::int32_t GetStringValue(std::int32_t handle, std::int32_t id, char* text) override {
    Log("GetStringValue", {handle, id});
    if (!open_.count(handle)) return netmgr::kErrCall;
    if (getValueResult != 0) return getValueResult;
    auto& own = instanceTexts[open_[handle].path];
    std::strncpy(text, (own.count(id) ? own[id] : texts[id]).c_str(), 255);
    return 0;
  }
  std::int32_t ClearScalars(std::int32_t handle) override {
    Log("ClearScalars", {handle});
    if (!open_.count(handle)) return netmgr::kErrCall;
    open_[handle].reads.clear();
    open_[handle].fetched = false;
    return 0;
  }
  std::int32_t ClearSetScalars(std::int32_t handle) override {
    Log("ClearSetScalars", {handle});
    return 0;
  }
  std::int32_t AddIntegerSetValues(std::int32_t handle, const std::int32_t* ids,
                                   const std::int32_t* values, std::int32_t count) override {
    Log("AddIntegerSetValues", {handle, ids[0], values[0], count});
    writes.emplace_back(ids[0], std::to_string(values[0]));
    return 0;
  }
  std::int32_t AddStringSetValues(std::int32_t handle, const std::int32_t* ids, const Text* values,
                                  std::int32_t count) override {
    Log("AddStringSetValues", {handle, ids[0], count}, values[0]);
    writes.emplace_back(ids[0], values[0]);
    return 0;
  }
  std::int32_t SetValues(std::int32_t handle) override {
    Log("SetValues", {handle});
    return setValuesResult;
  }
  std::int32_t CreateGroup(std::int32_t group, std::int32_t* groupHandle) override {
    Log("CreateGroup", {group});
    std::int32_t g = nextGroup_++;
    groups_[g] = groups[group];
    ++liveGroups;
    *groupHandle = g;
    return 0;
  }
  std::int32_t GetGroupScalarCount(std::int32_t groupHandle, std::int32_t kind,
                                   std::int32_t* count) override {
    auto& g = groups_.at(groupHandle);
    *count = static_cast<std::int32_t>((kind == 0 ? g.first : g.second).size());
    return 0;
  }
  std::int32_t GetGroupScalarIds(std::int32_t groupHandle, std::int32_t kind,
                                 std::int32_t* ids) override {
    auto& g = groups_.at(groupHandle);
    for (std::int32_t id : kind == 0 ? g.first : g.second) *ids++ = id;
    return 0;
  }
  std::int32_t FreeHandle(std::int32_t handle) override {
    Log("FreeHandle", {handle});
    if (onFreeHandle) onFreeHandle();
    return open_.erase(handle) ? 0 : netmgr::kErrCall;
  }
  std::int32_t FreeGroup(std::int32_t groupHandle) override {
    Log("FreeGroup", {groupHandle});
    if (!groups_.erase(groupHandle)) return netmgr::kErrCall;
    --liveGroups;
    return 0;
  }
  std::int32_t RegisterTrapCallback(std::int32_t reserved, NetMgrTrapCallback callback,
                                    void* data) override {
    Log("RegisterTrapCallback", {reserved});
    trapReserved = reserved;
    trapCallback = callback;
    trapData = data;
    return 0;
  }

 private:
  struct Request {
    std::string path;
    std::vector<std::int32_t> reads;
    bool fetched = false;
  };

  void Log(const std::string& name, const std::vector<std::int32_t>& args, const std::string& text = {},
           std::int32_t first = -999) {
    std::string line = name;
    if (first != -999) (line += ' ') += std::to_string(first);
    for (std::int32_t a : args) (line += ' ') += std::to_string(a);
    if (!text.empty()) line += " " + text;
    calls.push_back(line);
  }
  std::int32_t Open(std::string path, std::int32_t* handle) {
    *handle = -1;
    if (failOpens) return 0;  // the real one answers 0 with -1 when full
    for (std::int32_t h = 0; h < netmgr::kHandleSlots; ++h) {
      if (open_.count(h)) continue;
      open_[h] = Request{std::move(path), {}, false};
      *handle = h;
      return 0;
    }
    return 0;
  }
  std::int32_t List(std::int32_t handle, bool text, std::int32_t* ids, Text* labels,
                    std::int32_t* values, Text* textValues, std::int32_t* count) {
    if (!open_.count(handle)) return netmgr::kErrCall;
    const Request& r = open_[handle];
    std::int32_t n = 0;
    for (std::int32_t id : r.reads) {
      if (IsText(id) != text) continue;
      ids[n] = id;
      if (labels) std::snprintf(labels[n], sizeof labels[n], "Label %d", id);
      if (values) values[n] = r.fetched ? integers[id] : 0;
      if (textValues) std::snprintf(textValues[n], sizeof textValues[n], "%s", r.fetched ? texts[id].c_str() : "");
      ++n;
    }
    *count = n;
    return 0;
  }

  std::map<std::int32_t, Request> open_;
  std::map<std::int32_t, std::pair<std::vector<std::int32_t>, std::vector<std::int32_t>>> groups_;
  std::int32_t nextGroup_ = 0;
};

// ---------------------------------------------------------------------------
// Discovery manager

class FakeDiscovery final : public discovery::DiscoveryManager {
 public:
  using Value = std::variant<std::int32_t, std::string>;
  using Device = std::map<std::string, Value>;

  std::vector<std::string> providers = {"IP"};
  std::map<std::string, discovery::ProviderSettings> settings = {{"IP", {9, 0, 0, 30}}};
  std::set<std::string> unreadable;  // providers whose settings cannot be read
  std::vector<std::pair<std::string, discovery::ProviderSettings>> written;
  std::vector<Device> devices;
  std::int32_t startResult = 0;
  std::int32_t cookie = 7;
  bool complete = true;  // end every run, on a thread of its own
  int runs = 0;
  std::vector<std::int32_t> removed;
  bool freed = false;
  // The calls of every run, in order, with the calling thread: "set" (the
  // switches of a provider), "start" (with the IP provider's switches then in
  // force), "total" and "query".
  struct Call {
    std::thread::id thread;
    std::string what;
    discovery::ProviderSettings ip{};
  };
  std::vector<Call> calls;

  ~FakeDiscovery() { Join(); }

  // A device found by the TCP/IP provider.
  static Device At(const std::string& address, std::int32_t installed) {
    return {{"DEVICE_ADDRESS", address},
            {"DEVICE_PRODUCT_NAME", "Model " + address},
            {"DEVICE_LOCATION", "Room " + address},
            {"DEVICE_TANDEM", std::int32_t{1}},
            {"PROVIDER_NAME", std::int32_t{1}},
            {"DEVICE_NAME_SPOOLER", installed ? "queue-" + address : std::string()},
            {"DEVICE_GENERAL_STATUS", std::int32_t{4}},
            {"DEVICE_INSTALLED_PRINTER", installed}};
  }

  std::int32_t GetProviderCount() override { return static_cast<std::int32_t>(providers.size()); }
  std::int32_t GetProviderNames(std::uint32_t bufferSize, std::uint8_t* buffer,
                                std::uint32_t* needed) override {
    std::uint32_t size = static_cast<std::uint32_t>(providers.size()) * discovery::kProviderNameRecord;
    *needed = size;
    if (!buffer || bufferSize < size) return buffer ? static_cast<std::int32_t>(E_INVALIDARG) : S_OK;
    std::memset(buffer, 0, size);
    for (std::size_t i = 0; i < providers.size(); ++i)
      std::memcpy(buffer + i * discovery::kProviderNameRecord, providers[i].data(),
                  std::min<std::size_t>(providers[i].size(), discovery::kProviderNameRecord));
    return S_OK;
  }
  std::int32_t GetRefreshInterval(std::int32_t*) override { return S_OK; }
  std::int32_t SetRefreshInterval(const std::int32_t*) override { return S_OK; }
  std::int32_t GetProviderSettings(const char* name, std::uint32_t size,
                                   discovery::ProviderSettings* out, std::uint32_t* w) override {
    std::lock_guard lock(settingsLock_);
    if (unreadable.count(name) || !settings.count(name) || size < sizeof *out) return NTE_NOT_FOUND;
    *out = settings[name];
    *w = sizeof *out;
    return S_OK;
  }
  std::int32_t SetProviderSettings(const char* name, std::uint32_t,
                                   const discovery::ProviderSettings* in) override {
    std::lock_guard lock(settingsLock_);
    written.emplace_back(name, *in);
    settings[name] = *in;
    calls.push_back({std::this_thread::get_id(), "set", {}});
    return S_OK;
  }
  std::int32_t StartDiscovery(std::int32_t* c, std::intptr_t userData,
                              discovery::DiscoveryCompleteCallback callback) override {
    ++runs;
    Record("start");
    if (startResult < 0) return startResult;
    *c = cookie;
    if (complete) {
      Join();
      std::int32_t k = cookie;
      worker_ = std::thread([callback, userData, k] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        callback(k, userData);
      });
    }
    return S_OK;
  }
  std::int32_t RemoveDiscoveryCallback(std::int32_t c) override {
    removed.push_back(c);
    return S_OK;
  }
  std::int32_t GetTotalDeviceCount(std::int32_t* count) override {
    Record("total");
    *count = static_cast<std::int32_t>(devices.size());
    return S_OK;
  }
  std::int32_t QueryDeviceProperty(std::int32_t, std::uint32_t index, const char* name, void*,
                                   std::uint32_t bufferSize, void* buffer,
                                   std::uint32_t* length) override {
    Record("query");
    if (index >= devices.size()) return discovery::DM_E_DEVICE_NOT_FOUND;
    auto it = devices[index].find(name);
    if (it == devices[index].end()) return 1;
    if (const auto* i = std::get_if<std::int32_t>(&it->second)) {
      if (bufferSize < 4) return 1;
      std::memcpy(buffer, i, 4);
      *length = 4;
    } else {
      const std::string& s = std::get<std::string>(it->second);
      if (s.size() + 1 > bufferSize) return 1;
      std::memcpy(buffer, s.c_str(), s.size() + 1);
      *length = static_cast<std::uint32_t>(s.size() + 1);
    }
    return S_OK;
  }
  std::int32_t ReservedCall(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                            std::int32_t, std::int32_t, std::int32_t) override {
    return S_OK;
  }
  void DeleteDiscoveryManager(std::uint32_t) override {}
  std::int32_t Initialize() override { return S_OK; }
  void EmptySlot() override {}

  void Join() {
    if (worker_.joinable()) worker_.join();
  }

  std::vector<Call> Calls() {
    std::lock_guard lock(settingsLock_);
    return calls;
  }

 private:
  void Record(const char* what) {
    std::lock_guard lock(settingsLock_);
    auto ip = settings.find("IP");
    calls.push_back({std::this_thread::get_id(), what,
                     ip == settings.end() ? discovery::ProviderSettings{} : ip->second});
  }

  std::thread worker_;
  std::mutex settingsLock_;
};

// ---------------------------------------------------------------------------
// The client's arrays of a value list

// A custom group's id array as the monitor dimensions it: one element more
// than the ids it holds.
inline Variant ShortArray(const std::vector<SHORT>& ids, LONG lower = 0, ULONG extra = 1) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_I2, lower, static_cast<ULONG>(ids.size()) + extra);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    LONG index = lower + static_cast<LONG>(i);
    SafeArrayPutElement(psa, &index, &ids[i]);
  }
  return Variant::Array(psa);
}

struct ValueLists {
  explicit ValueLists(bool text, ULONG size = 101)
      : ids(Variant::Array(SafeArrayCreateVector(VT_I4, 0, size))),
        values(Variant::Array(SafeArrayCreateVector(text ? VT_BSTR : VT_I4, 0, size))),
        descrs(Variant::Array(SafeArrayCreateVector(VT_BSTR, 0, size))) {}
  Variant ids, values, descrs;
  LONG count = -7;

  std::vector<std::int32_t> Ints(const Variant& v) const {
    std::vector<std::int32_t> out;
    for (LONG i = 0; i < count; ++i) {
      LONG x = 0;
      SafeArrayGetElement(v.parray, &i, &x);
      out.push_back(x);
    }
    return out;
  }
  std::vector<std::string> Texts(const Variant& v) const {
    std::vector<std::string> out;
    for (LONG i = 0; i < count; ++i) {
      BSTR b = nullptr;
      SafeArrayGetElement(v.parray, &i, &b);
      out.push_back(Utf8FromBstr(b));
      SysFreeString(b);
    }
    return out;
  }
  std::vector<std::int32_t> Ids() const { return Ints(ids); }
  std::vector<std::int32_t> IntValues() const { return Ints(values); }
  std::vector<std::string> TextValues() const { return Texts(values); }
  std::vector<std::string> Descriptions() const { return Texts(descrs); }
};

}  // namespace vlm::mgmt::testing
