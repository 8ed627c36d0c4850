#include "discovery/providers/device_finder.h"

#include <algorithm>
#include <cstring>

namespace vlm::discovery {

namespace {

bool IsIntegerSyntax(snmp::Syntax s) {
  return s == snmp::Syntax::Integer || s == snmp::Syntax::Counter32 || s == snmp::Syntax::Gauge32 ||
         s == snmp::Syntax::TimeTicks;
}

bool IsTextSyntax(snmp::Syntax s) {
  return s == snmp::Syntax::OctetString || s == snmp::Syntax::ObjectId || s == snmp::Syntax::IpAddress;
}

bool CopyText(const std::string& text, std::uint32_t bufferSize, void* buffer, std::uint32_t* length) {
  if (text.size() + 1 > bufferSize) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *length = static_cast<std::uint32_t>(text.size());
  return true;
}

bool CopyInt(std::int32_t value, std::uint32_t bufferSize, void* buffer, std::uint32_t* length) {
  if (bufferSize < sizeof value) return false;
  std::memcpy(buffer, &value, sizeof value);
  *length = sizeof value;
  return true;
}

snmp::Transport TransportOf(const DeviceRecord& record) {
  std::int32_t ignored = 0;
  return record.ReadIntProperty(kIpxDevice, &ignored) ? snmp::Transport::Ipx : snmp::Transport::Udp;
}

const snmp::Oid& SystemDescription() {
  static const snmp::Oid* oid = new snmp::Oid(*snmp::Oid::Parse(kSystemDescriptionOid));
  return *oid;
}

}  // namespace

// ---------------------------------------------------------------- records

DeviceRecord::DeviceRecord(std::string_view addressText) { SetAddress(addressText); }

DeviceRecord::DeviceRecord(const snmp::Address& address) : address_(address) {}

void DeviceRecord::SetAddress(std::string_view text) { address_ = snmp::Address::Parse(text); }

const PropertyEntry* DeviceRecord::FindProperty(std::string_view name) const {
  for (const PropertyEntry& e : properties_)
    if (e.name == name) return &e;
  return nullptr;
}

PropertyEntry& DeviceRecord::Entry(std::string_view name, PropertyKind kind) {
  for (PropertyEntry& e : properties_)
    if (e.name == name) return e;
  PropertyEntry& e = properties_.emplace_back();
  e.name = name;
  e.kind = kind;
  return e;
}

void DeviceRecord::SetVbProperty(std::string_view name, const snmp::VarBind& value) {
  Entry(name, PropertyKind::VarBind).varbind = value;
}

void DeviceRecord::SetTextProperty(std::string_view name, std::string_view value) {
  Entry(name, PropertyKind::Text).text = value;
}

void DeviceRecord::SetIntProperty(std::string_view name, std::int32_t value) {
  Entry(name, PropertyKind::Integer).integer = value;
}

bool DeviceRecord::ReadProperty(std::string_view name, std::uint32_t bufferSize, void* buffer,
                                std::uint32_t* length) const {
  const PropertyEntry* e = FindProperty(name);
  if (!e || !buffer || !length) return false;
  switch (e->kind) {
    case PropertyKind::VarBind:
      if (IsIntegerSyntax(e->varbind.syntax)) return CopyInt(*e->varbind.AsInt32(), bufferSize, buffer, length);
      if (IsTextSyntax(e->varbind.syntax)) return CopyText(e->varbind.Printable(), bufferSize, buffer, length);
      return false;  // never answered, or a value that is neither text nor integer
    case PropertyKind::Text:
      return CopyText(e->text, bufferSize, buffer, length);
    case PropertyKind::Integer:
      return CopyInt(e->integer, bufferSize, buffer, length);
  }
  return false;
}

bool DeviceRecord::ReadIntProperty(std::string_view name, std::int32_t* value) const {
  const PropertyEntry* e = FindProperty(name);
  if (!e || !value) return false;
  if (e->kind == PropertyKind::Integer) {
    *value = e->integer;
    return true;
  }
  if (e->kind == PropertyKind::VarBind && IsIntegerSyntax(e->varbind.syntax)) {
    *value = *e->varbind.AsInt32();
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- finder

DeviceFinder::DeviceFinder(std::vector<PropertyDef> table) : table_(std::move(table)) {
  for (const PropertyDef& def : table_) {
    std::optional<snmp::Oid> oid = snmp::Oid::Parse(def.oid ? def.oid : "");
    if (!oid) {
      oids_.clear();  // a malformed table asks nothing
      break;
    }
    checksController_ |= *oid == SystemDescription();
    oids_.push_back(std::move(*oid));
  }
}

DeviceFinder::~DeviceFinder() = default;

int DeviceFinder::MarkAllUnseen() {
  std::lock_guard<std::mutex> guard(lock_);
  for (const RecordPtr& d : devices_) d->seen = false;
  return static_cast<int>(devices_.size());
}

int DeviceFinder::RemoveUnseen() {
  std::size_t before = queryList_.size();
  std::erase_if(queryList_, [](const RecordPtr& r) { return !r->seen; });
  queryIndex_.clear();
  for (const RecordPtr& r : queryList_)
    if (r->address()) queryIndex_.emplace(Key(*r->address()), r);
  return static_cast<int>(before - queryList_.size());
}

int DeviceFinder::AddDevice(const RecordPtr& record) {
  if (!record) return 0;
  std::lock_guard<std::mutex> guard(lock_);
  record->seen = true;
  for (const RecordPtr& d : devices_)
    if (d->address() == record->address()) return 0;
  devices_.push_back(record);
  return 1;
}

RecordPtr DeviceFinder::QueryDevice(const RecordPtr& record, int timeoutCs, int retries) {
  if (!record || !record->address() || oids_.size() != table_.size() || oids_.empty()) return nullptr;
  // The first record queried decides the session's transport.
  if (!session_ && snmp::Session::Open(TransportOf(*record), session_) != snmp::Status::Success) return nullptr;
  snmp::Target target;
  target.address = *record->address();
  target.timeoutCs = timeoutCs;
  target.retries = retries;
  snmp::Response response;
  snmp::Status status = session_->Get(target, oids_, response);
  if (status != snmp::Status::Success && status != snmp::Status::ErrorStatusSet) return nullptr;
  return OnDeviceResponse(target.address, response, snmp::Status::AsyncResponse);
}

int DeviceFinder::QueryOneOid(const RecordPtr& record, std::string_view oidText,
                              std::string_view propertyName, int timeoutCs, int retries) {
  std::optional<snmp::Oid> oid = snmp::Oid::Parse(oidText);
  if (!oid || !record) return 0;
  if (!record->address()) return 1;
  std::unique_ptr<snmp::Session> session;
  if (snmp::Session::Open(TransportOf(*record), session) != snmp::Status::Success) return 1;
  snmp::Target target;
  target.address = *record->address();
  target.timeoutCs = timeoutCs;
  target.retries = retries;
  snmp::Response response;
  if (session->Get(target, {*oid}, response) == snmp::Status::Success && !response.bindings.empty() &&
      response.bindings.front().oid == *oid) {
    std::lock_guard<std::mutex> guard(lock_);
    record->SetVbProperty(propertyName, response.bindings.front());
  }
  return 1;
}

RecordPtr DeviceFinder::OnDeviceResponse(const snmp::Address& responder, const snmp::Response& response,
                                         snmp::Status reason) {
  RecordPtr match = FirstQueryRecord(responder);
  if (!match || reason != snmp::Status::AsyncResponse || response.errorStatus != 0) return nullptr;

  // The controller check comes first, so that nothing of another device's
  // answer lands on a listed record.
  bool described = false;
  for (const snmp::VarBind& b : response.bindings) {
    if (b.oid != SystemDescription()) continue;
    if (b.Printable() != kControllerDescription) return nullptr;
    described = true;
  }
  if (checksController_ && !described) return nullptr;

  {
    std::lock_guard<std::mutex> guard(lock_);
    for (const snmp::VarBind& b : response.bindings) {
      auto it = std::find(oids_.begin(), oids_.end(), b.oid);
      if (it != oids_.end()) match->SetVbProperty(table_[static_cast<std::size_t>(it - oids_.begin())].name, b);
    }
  }
  AddDevice(match);
  OnPassEnd();
  return match;
}

std::int32_t DeviceFinder::GetDeviceCount() const {
  std::lock_guard<std::mutex> guard(lock_);
  return static_cast<std::int32_t>(devices_.size());
}

int DeviceFinder::FindDevice(const DeviceRecord* record) const {
  if (!record || !record->address()) return -1;
  std::lock_guard<std::mutex> guard(lock_);
  for (std::size_t i = 0; i < devices_.size(); ++i)
    if (devices_[i]->address() == record->address()) return static_cast<int>(i);
  return -1;
}

std::int32_t DeviceFinder::GetPropertyByName(std::uint32_t index, const char* name, std::uint32_t bufferSize,
                                             void* buffer, std::uint32_t* length) const {
  if (!name) return 1;
  std::lock_guard<std::mutex> guard(lock_);
  if (index >= devices_.size()) return 1;
  return devices_[index]->ReadProperty(name, bufferSize, buffer, length) ? 0 : 1;
}

RecordPtr DeviceFinder::QueryRecordFor(const snmp::Address& address) {
  std::string key = Key(address);
  if (auto it = queryIndex_.find(key); it != queryIndex_.end()) return it->second;
  auto record = std::make_shared<DeviceRecord>(address);
  AppendQueryRecord(record);
  return record;
}

RecordPtr DeviceFinder::QueryRecordFor(std::string_view addressText) {
  std::optional<snmp::Address> address = snmp::Address::Parse(addressText);
  return address ? QueryRecordFor(*address) : nullptr;
}

void DeviceFinder::AppendQueryRecord(const RecordPtr& record) {
  if (!record) return;
  queryList_.push_back(record);
  if (record->address()) queryIndex_.emplace(Key(*record->address()), record);
}

RecordPtr DeviceFinder::DeviceAt(std::size_t index) const {
  std::lock_guard<std::mutex> guard(lock_);
  return index < devices_.size() ? devices_[index] : nullptr;
}

void DeviceFinder::ReleaseUnlisted(const RecordPtr& record) {
  if (!record) return;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (std::find(devices_.begin(), devices_.end(), record) != devices_.end()) return;
  }
  auto it = std::find(queryList_.rbegin(), queryList_.rend(), record);
  if (it == queryList_.rend()) return;
  queryList_.erase(std::next(it).base());
  if (record->address()) {
    auto at = queryIndex_.find(Key(*record->address()));
    if (at != queryIndex_.end() && at->second == record) {
      queryIndex_.erase(at);
      // Another record of that address, if any, is now the first.
      for (const RecordPtr& r : queryList_)
        if (r->address() == record->address()) {
          queryIndex_.emplace(Key(*r->address()), r);
          break;
        }
    }
  }
}

void DeviceFinder::EmptyQueryList() {
  queryList_.clear();
  queryIndex_.clear();
}

void DeviceFinder::SetText(DeviceRecord& record, std::string_view name, std::string_view value) {
  std::lock_guard<std::mutex> guard(lock_);
  record.SetTextProperty(name, value);
}

void DeviceFinder::SetInt(DeviceRecord& record, std::string_view name, std::int32_t value) {
  std::lock_guard<std::mutex> guard(lock_);
  record.SetIntProperty(name, value);
}

RecordPtr DeviceFinder::FirstQueryRecord(const snmp::Address& address) const {
  auto it = queryIndex_.find(Key(address));
  return it == queryIndex_.end() ? nullptr : it->second;
}

}  // namespace vlm::discovery
