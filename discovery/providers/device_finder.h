// The device finder family shared by the discovery transports: named device
// properties, device records, and the finder that queries candidate
// addresses over SNMP and keeps the devices that pass the controller check.
//
// What a caller may rely on:
// - A transport derives from DeviceFinder, gives it its property table (the
//   varbind order of the one get each candidate is asked) and implements
//   Discover (one pass) and OnPassEnd.
// - A record with the integer property "IPX_DEVICE" is reached over IPX,
//   any other over UDP. QueryDevice opens the finder's session at its first
//   query, over the transport of that record, and keeps it for the finder's
//   life; when it does not open (IPX on a system without IPX) the query is
//   dropped and the next query tries again. QueryOneOid opens a session of
//   its own over its record's transport and applies the retries.
// - QueryDevice sends one synchronous get of every table OID to the record's
//   address. An answer without an error status whose bindings pass the
//   controller check is stored on the first query-list record of that
//   address, which is returned and joins the device list unless a device of
//   that address is listed already. The
//   controller check: when the table asks for the system description
//   (kSystemDescriptionOid), the answer must hold it and it must be exactly
//   kControllerDescription; otherwise nothing of the answer is stored.
// - Device indexes are positions in the device list, which only grows.
//   GetDeviceCount and GetPropertyByName may be called from any thread, also
//   during a pass; the finder's lock keeps them consistent.
// - Property reads (DeviceRecord::ReadProperty, GetPropertyByName) return
//   true/0 only when they wrote the value: a text with its NUL into a buffer
//   large enough, or a 32-bit integer into a buffer of at least 4 bytes, and
//   its length (without the NUL for texts, 4 for integers). Anything else (no
//   such device or property, a buffer too small, a value of a syntax that is
//   neither text nor integer) gives false/1 and writes nothing. Names are
//   compared exactly, case included.
// - The query list holds one record per address: QueryRecordFor returns the
//   existing record of an address (so that a device found again is refreshed
//   in place) and ReleaseUnlisted drops a record that did not become a device.
// - Nothing here throws out of the public operations except std::bad_alloc.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "netmgr/snmp/snmp.h"

namespace vlm::discovery {

// Property names.
inline constexpr const char* kDeviceAddress = "DEVICE_ADDRESS";
inline constexpr const char* kDeviceName = "DEVICE_NAME";
inline constexpr const char* kDeviceProductName = "DEVICE_PRODUCT_NAME";
inline constexpr const char* kDeviceNameSpooler = "DEVICE_NAME_SPOOLER";
inline constexpr const char* kDeviceInstalledPrinter = "DEVICE_INSTALLED_PRINTER";
inline constexpr const char* kProviderName = "PROVIDER_NAME";
inline constexpr const char* kIpxDevice = "IPX_DEVICE";

inline constexpr const char* kSystemDescriptionOid = "1.3.6.1.2.1.1.1.0";
inline constexpr const char* kControllerDescription = "Velmar IP Controller";

// The five options of a provider, each a 16-bit value.
struct OptionValues {
  std::uint16_t refreshInterval = 0;
  std::uint16_t timeout = 0;  // hundredths of a second
  std::uint16_t retries = 0;
  std::uint16_t discoverInstalled = 0;
  std::uint16_t discoverUnInstalled = 0;
};

// One row of a transport's property table.
struct PropertyDef {
  const char* name;
  const char* oid;  // dotted decimal
};

enum class PropertyKind : std::int32_t { VarBind = 1, Text = 2, Integer = 3 };

// One named value; its kind is fixed when it is made.
struct PropertyEntry {
  std::string name;
  std::string text;
  snmp::VarBind varbind;
  std::int32_t integer = 0;
  PropertyKind kind = PropertyKind::Text;
};

// One device or candidate address with its properties, in the order their
// names were first set.
class DeviceRecord {
 public:
  explicit DeviceRecord(std::string_view addressText);
  explicit DeviceRecord(const snmp::Address& address);
  virtual ~DeviceRecord() = default;
  DeviceRecord(const DeviceRecord&) = delete;
  DeviceRecord& operator=(const DeviceRecord&) = delete;

  // Parses the text; an address that does not parse leaves the record
  // without one (it is then never queried).
  void SetAddress(std::string_view text);
  const std::optional<snmp::Address>& address() const { return address_; }

  const PropertyEntry* FindProperty(std::string_view name) const;
  // Replace the value of the entry of that name if there is one (whatever its
  // kind, the setter's own field), else append an entry of the setter's kind.
  void SetVbProperty(std::string_view name, const snmp::VarBind& value);
  void SetTextProperty(std::string_view name, std::string_view value);
  void SetIntProperty(std::string_view name, std::int32_t value);

  bool ReadProperty(std::string_view name, std::uint32_t bufferSize, void* buffer,
                    std::uint32_t* length) const;
  // An integer-kind entry, or a varbind of an integer syntax.
  bool ReadIntProperty(std::string_view name, std::int32_t* value) const;

  bool seen = false;

 private:
  PropertyEntry& Entry(std::string_view name, PropertyKind kind);

  std::vector<PropertyEntry> properties_;
  std::optional<snmp::Address> address_;
};

using RecordPtr = std::shared_ptr<DeviceRecord>;

class DeviceFinder {
 public:
  explicit DeviceFinder(std::vector<PropertyDef> table);
  virtual ~DeviceFinder();
  DeviceFinder(const DeviceFinder&) = delete;
  DeviceFinder& operator=(const DeviceFinder&) = delete;

  // Clears every listed device's seen flag; returns the device count.
  int MarkAllUnseen();
  // Drops the query-list records whose seen flag is clear; returns how many.
  int RemoveUnseen();
  // One pass over the configuration (ranges or servers) with the options of
  // this pass.
  virtual int Discover(const std::vector<std::string>& configuration, const OptionValues& options) = 0;
  // Marks the record seen and lists it unless a device of that address is
  // listed already; 1 when it was listed.
  int AddDevice(const RecordPtr& record);

  // One get of every table OID; the record the answer was stored on, or null
  // when nothing was stored.
  RecordPtr QueryDevice(const RecordPtr& record, int timeoutCs, int retries);
  // One get of one OID on a session of its own; an answer of that OID is
  // stored on the record under `propertyName`. 1 unless the OID is malformed.
  int QueryOneOid(const RecordPtr& record, std::string_view oid, std::string_view propertyName,
                  int timeoutCs, int retries);
  // Handles an answer from `responder` (reason AsyncResponse for an answer
  // to a request); returns the record it was stored on, or null.
  RecordPtr OnDeviceResponse(const snmp::Address& responder, const snmp::Response& response,
                             snmp::Status reason);
  virtual void OnPassEnd() = 0;

  std::int32_t GetDeviceCount() const;
  // Index of the listed device with the record's address, or -1.
  int FindDevice(const DeviceRecord* record) const;
  // 0 when the device has the property and it was copied (see the header), else 1.
  std::int32_t GetPropertyByName(std::uint32_t index, const char* name, std::uint32_t bufferSize,
                                 void* buffer, std::uint32_t* length) const;

  // The flag that asks a running pass to end at the next address.
  void SetStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }
  bool StopRequested() const { return stop_ && stop_->load(std::memory_order_relaxed); }

  std::size_t QueryListSize() const { return queryList_.size(); }
  std::int32_t lastStatus() const { return lastStatus_; }

 protected:
  // The query-list record of this address, made and appended when there is
  // none yet (null when the text does not parse).
  RecordPtr QueryRecordFor(const snmp::Address& address);
  RecordPtr QueryRecordFor(std::string_view addressText);
  // Appends a record the transport made; it becomes the first record of its
  // address unless the query list has one.
  void AppendQueryRecord(const RecordPtr& record);
  // Drops a query-list record that is not a listed device.
  void ReleaseUnlisted(const RecordPtr& record);
  void EmptyQueryList();
  // The listed device at `index`, or null.
  RecordPtr DeviceAt(std::size_t index) const;
  // Setters for records that may be listed (readers on other threads).
  void SetText(DeviceRecord& record, std::string_view name, std::string_view value);
  void SetInt(DeviceRecord& record, std::string_view name, std::int32_t value);

  std::int32_t lastStatus_ = 0;

 private:
  static std::string Key(const snmp::Address& address) { return address.Text(); }
  RecordPtr FirstQueryRecord(const snmp::Address& address) const;

  std::vector<PropertyDef> table_;
  std::vector<snmp::Oid> oids_;  // the table's OIDs, empty when one does not parse
  bool checksController_ = false;

  mutable std::mutex lock_;        // the device list and listed records' properties
  std::vector<RecordPtr> devices_;
  std::vector<RecordPtr> queryList_;
  std::unordered_map<std::string, RecordPtr> queryIndex_;  // first record of an address
  std::unique_ptr<snmp::Session> session_;
  const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace vlm::discovery
