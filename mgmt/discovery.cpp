// Discovery runs through the discovery manager, the device scalars made from
// the devices' properties, and the opening of a device.
#include <algorithm>
#include <cstring>
#include <vector>

#include "discovery/providers/provider_api.h"
#include "mgmt/named_objects.h"
#include "mgmt/vector_item.h"

namespace vlm::mgmt {

using namespace xlpnmif;
using discovery::ProviderSettings;

const NamedObjects& ProcessNamedObjects() {
  static const NamedObjects objects = [] {
    NamedObjects o;
    o.timerMutex = CreateMutexA(nullptr, 0, "TIMER_MUTEX");
    o.discEvent = CreateEventA(nullptr, 1, 1, "DISC_EVENT");
    o.discMutex = CreateMutexA(nullptr, 0, "DISC_MUTEX");
    return o;
  }();
  return objects;
}

void VectorItem::OnDiscoveryComplete(std::int32_t, std::intptr_t) {
  SetEvent(ProcessNamedObjects().discEvent);
}

// Switches every provider to installed printers or to the other devices,
// keeping its refresh interval. A provider whose settings cannot be read is
// left as it is.
void VectorItem::SetProviderSearchMode(bool installed) {
  providerCount_ = discovery_->GetProviderCount();
  if (providerCount_ < 1) return;
  std::uint32_t needed = 0;
  if (discovery_->GetProviderNames(0, nullptr, &needed) < 0 || needed == 0) return;
  std::vector<std::uint8_t> names(needed);
  if (discovery_->GetProviderNames(needed, names.data(), &needed) < 0) return;
  std::uint32_t records = std::min<std::uint32_t>(static_cast<std::uint32_t>(providerCount_),
                                                  static_cast<std::uint32_t>(names.size()) /
                                                      discovery::kProviderNameRecord);
  for (std::uint32_t i = 0; i < records; ++i) {
    char name[discovery::kProviderNameRecord + 1] = {};
    std::memcpy(name, names.data() + i * discovery::kProviderNameRecord,
                discovery::kProviderNameRecord);
    if (name[0] == '\0') continue;
    ProviderSettings settings{};
    std::uint32_t written = 0;
    if (discovery_->GetProviderSettings(name, sizeof settings, &settings, &written) < 0 ||
        written < sizeof settings)
      continue;
    settings.stateWord = 0;
    settings.discoverInstalled = installed ? 1 : 0;
    settings.discoverUnInstalled = installed ? 0 : 1;
    discovery_->SetProviderSettings(name, sizeof settings, &settings);
  }
}

std::int32_t VectorItem::RunDiscovery(std::int32_t handle, bool installed) {
  // The search switches belong to the providers, which every object of the
  // process shares: they are set under the run's mutex, so that no run of
  // another object, on another thread, changes them between this object's
  // setting and its run.
  const NamedObjects& named = ProcessNamedObjects();
  NamedLock run(named.discMutex);
  if (!run.owned()) return -1;
  SetProviderSearchMode(installed);
  if (providerCount_ < 1) return -1;
  ResetEvent(named.discEvent);
  std::int32_t cookie = 0;
  std::int32_t started = discovery_->StartDiscovery(&cookie, reinterpret_cast<std::intptr_t>(this),
                                                    &VectorItem::OnDiscoveryComplete);
  // Without a registered callback nothing would ever end the wait.
  if (started < 0 || cookie == 0) return -1;
  cookie_ = cookie;
  WaitForSingleObject(named.discEvent, INFINITE);
  discovery_->RemoveDiscoveryCallback(cookie_);

  std::int32_t total = 0;
  if (discovery_->GetTotalDeviceCount(&total) < 0 || total < 0) total = 0;
  RecordDevices(total, installed);
  std::int32_t& count = installed ? installedCount_ : otherCount_;
  (installed ? installedRootHandle_ : otherRootHandle_) = -1;

  // No device, or no installed printer among them, gives no root; a run for
  // the other devices that finds only installed printers still has one.
  if (total == 0 || (installed && count == 0)) return -1;
  Take(handle, kHandleDiscoveryRoot, 0, -1);
  (installed ? installedRootHandle_ : otherRootHandle_) = handle;
  return handle;
}

// Numbers the devices of the run's kind from 0 (at most 64) and stores each
// one's scalars in its node.
void VectorItem::RecordDevices(std::int32_t total, bool installed) {
  std::int32_t& count = installed ? installedCount_ : otherCount_;
  count = 0;
  deviceNodes_.fill(-1);
  const std::int32_t vector = installed ? kInstalledPrinter : kOtherDevice;
  for (std::int32_t i = 0; i < total && count < kMaxDevices; ++i) {
    std::int32_t installedPrinter = 0;
    std::uint32_t length = 0;
    discovery_->QueryDeviceProperty(cookie_, static_cast<std::uint32_t>(i),
                                    "DEVICE_INSTALLED_PRINTER", nullptr, sizeof installedPrinter,
                                    &installedPrinter, &length);
    if ((installedPrinter != 0) != installed) continue;
    std::int32_t entry = OpenNode(vector, count, -1, nullptr);
    if (entry < 0) break;
    deviceNodes_[static_cast<std::size_t>(count)] = entry;
    ++count;
    ReadDeviceScalars(static_cast<std::uint32_t>(i), nodes_.NodeOf(entry));
  }
}

void VectorItem::ReadDeviceScalars(std::uint32_t index, VectorNode* node) {
  enum class Store { Text, Integer, IsTandem, IsIp, InstalledState };
  struct Property {
    const char* name;
    std::int32_t scalar;
    Store store;
  };
  static constexpr Property kProperties[] = {
      {"DEVICE_ADDRESS", kDeviceAddress, Store::Text},
      {"DEVICE_PRODUCT_NAME", kDeviceProductName, Store::Text},
      {"DEVICE_LOCATION", kDeviceLocation, Store::Text},
      {"DEVICE_TANDEM", kDeviceIsTandem, Store::IsTandem},
      {"PROVIDER_NAME", kDeviceIsIp, Store::IsIp},
      {"DEVICE_NAME_SPOOLER", kDeviceSpoolerName, Store::Text},
      {"DEVICE_GENERAL_STATUS", kDeviceGeneralStatus, Store::Integer},
      {"DEVICE_INSTALLED_PRINTER", kDeviceInstalledState, Store::InstalledState},
  };
  for (const Property& p : kProperties) {
    std::uint32_t length = 0;
    if (p.store == Store::Text) {
      // Preset, so that a device lacking the property stores an empty text.
      char text[256] = {};
      discovery_->QueryDeviceProperty(cookie_, index, p.name, nullptr, sizeof text, text, &length);
      text[sizeof text - 1] = '\0';
      VectorTree::AddScalar(node, p.scalar, kKindText);
      VectorTree::SetScalarString(node, p.scalar, text,
                                  static_cast<std::int32_t>(std::strlen(text)));
      continue;
    }
    std::int32_t value = 0;
    discovery_->QueryDeviceProperty(cookie_, index, p.name, nullptr, sizeof value, &value, &length);
    switch (p.store) {
      case Store::IsTandem: value = value == 3 ? 1 : 0; break;
      case Store::IsIp: value = value == discovery::kProviderIp ? 1 : 0; break;
      case Store::InstalledState: value = value + 1; break;
      default: break;
    }
    VectorTree::AddScalar(node, p.scalar, kKindInteger);
    VectorTree::SetScalarInteger(node, p.scalar, value);
  }
}

std::int32_t VectorItem::OpenDevice(std::int32_t handle, bool installed, std::int32_t number) {
  const std::int32_t count = installed ? installedCount_ : otherCount_;
  if (number < 0 || number >= count) return -1;
  const std::int32_t entry = deviceNodes_[static_cast<std::size_t>(number)];
  VectorNode* node = nodes_.NodeOf(entry);
  if (!node) return -1;

  std::int32_t length = sizeof address_;
  if (VectorTree::GetScalarString(node, kDeviceAddress, address_, &length) != 0) address_[0] = '\0';
  TargetSpec target;
  std::memset(&target, 0, sizeof target);
  std::strcpy(target.transport, "IP");
  std::memcpy(target.address, address_, sizeof target.address);
  target.address[sizeof target.address - 1] = '\0';
  std::strcpy(target.writeCommunity, "qarnel");
  target.retries = 2;
  target.timeout = 100;
  netmgr_->Connect(target);

  if (installed) {
    char spooler[256] = {};
    std::int32_t spoolerLength = sizeof spooler;
    if (VectorTree::GetScalarString(node, kDeviceSpoolerName, spooler, &spoolerLength) != 0)
      spooler[0] = '\0';
    std::unique_ptr<JobReader> reader;
    if (env_.makeJobReader) reader = env_.makeJobReader(spooler);
    jobs_ = reader ? std::move(reader) : std::make_unique<NullJobReader>();
    // The count of the former printer's queue says nothing of this one's.
    jobCount_ = 0;
  }
  Take(handle, kHandleDevice, number, entry);
  return handle;
}

}  // namespace vlm::mgmt
