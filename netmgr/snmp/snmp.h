// SNMP version 1 exchanges for the network manager and the discovery
// providers. This is the only code of the system that talks to Net-SNMP.
//
// What a caller may rely on:
// - Initialisation happens once per process, on first use, and reads no MIB
//   file, configuration file or persistent state.
// - A `Session` is one Net-SNMP single-session handle (its own socket on a
//   free local port). Different sessions may be used from different threads at
//   the same time; one session is used by one thread at a time.
// - Addresses are parsed here, never resolved: "a.b.c.d" or "a.b.c.d/port"
//   for UDP over IPv4 (the port defaults to `DefaultPort()`), and the IPX form
//   "NNNNNNNN:HHHHHHHHHHHH[/socket]". IPX addresses are carried by the
//   process's IPX backend (see "IPX transport" below): by default there is
//   none, and an exchange with an IPX address fails with
//   `Status::TransportFailed` before anything is sent.
// - OIDs are parsed strictly: decimal sub-identifiers separated by single
//   dots, no leading or trailing dot, 1 to 128 sub-identifiers, each below
//   2^32. A request whose OID does not parse is refused without traffic.
// - Exchanges are synchronous: get, get-next and set, with the target's
//   retries and a time-out in hundredths of a second. The result is a
//   `Status` whose values are those of the class library the network
//   manager's error map was written against; an agent's non-zero error status
//   gives `Status::ErrorStatusSet` with the error status in the response.
// - When $VLM_SNMP_LOOPBACK_ONLY is set (the tests set it), an exchange with
//   an address outside 127.0.0.0/8 is refused with Status::TransportFailed
//   before anything is sent.
// - Every returned binding carries its type; values are copied by length
//   (octet strings may hold NUL bytes); `Printable()` formats numbers, OIDs
//   and opaque values the way that class library did, and octet strings as
//   text.
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlm::snmp {

// Statuses of an exchange, numbered as the class library numbered them.
enum class Status : int {
  Success = 0,
  Error = -1,                // general error
  ResourceUnavailable = -2,  // out of memory or sockets
  InternalError = -3,
  Unsupported = -4,
  Timeout = -5,  // no answer after every retry
  AsyncResponse = -6,
  Notification = -7,
  SessionDestroyed = -8,
  Invalid = -10,  // the session could not be used
  InvalidPdu = -11,
  InvalidTarget = -12,
  InvalidCallback = -13,
  InvalidRequestId = -14,
  InvalidNotifyId = -15,
  InvalidOperation = -16,
  InvalidOid = -17,
  InvalidAddress = -18,
  ErrorStatusSet = -19,  // the agent answered with a non-zero error status
  TransportUnsupported = -20,
  TransportInUse = -21,
  TransportFailed = -22,
};

inline constexpr int ToInt(Status s) { return static_cast<int>(s); }

// The port used when an address text names none: $VLM_SNMP_PORT when it holds
// a valid port number, else 161. Read once per process.
std::uint16_t DefaultPort();

// Object identifier.
class Oid {
 public:
  static constexpr std::size_t kMaxSubIds = 128;

  Oid() = default;
  explicit Oid(std::vector<std::uint32_t> ids) : ids_(std::move(ids)) {}

  // Strict parse; nullopt for anything but a well-formed dotted OID.
  static std::optional<Oid> Parse(std::string_view text);

  const std::vector<std::uint32_t>& ids() const { return ids_; }
  std::size_t size() const { return ids_.size(); }
  bool empty() const { return ids_.empty(); }

  // Replaces the sub-identifiers (keeping the storage, so that an OID that
  // is refilled for every answer allocates nothing once it is large enough).
  template <class T>
  void Assign(const T* ids, std::size_t count) {
    ids_.resize(count);
    std::uint32_t* out = ids_.data();
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint32_t>(ids[i]);
  }
  void Clear() { ids_.clear(); }

  // Dotted decimal, no leading dot.
  std::string Text() const;

  // True when `prefix`'s sub-identifiers begin this OID (an OID lies in its
  // own subtree).
  bool StartsWith(const Oid& prefix) const;

  // Lexicographic by sub-identifier, as agents order their MIB views.
  std::strong_ordering operator<=>(const Oid& other) const = default;
  bool operator==(const Oid& other) const = default;

 private:
  std::vector<std::uint32_t> ids_;
};

// Transport address of an agent.
class Address {
 public:
  enum class Kind { Ip, Ipx };

  static std::optional<Address> Parse(std::string_view text);
  static Address Ip(std::uint32_t hostOrderIpv4, std::uint16_t port);
  // An IPX address without a socket from its 4 network and 6 node bytes.
  static Address Ipx(const std::uint8_t* network, const std::uint8_t* node);

  Kind kind() const { return kind_; }
  // IPv4 in host byte order, and the UDP port (IP addresses only).
  std::uint32_t ipv4() const { return ipv4_; }
  std::uint16_t port() const { return port_; }
  // IPX network (4 bytes), node (6 bytes) and socket (IPX addresses only).
  const std::uint8_t* ipxNetwork() const { return ipxNet_; }
  const std::uint8_t* ipxNode() const { return ipxNode_; }
  std::uint16_t ipxSocket() const { return port_; }

  // "a.b.c.d" (IP) or the 21-character "nnnnnnnn:hhhhhhhhhhhh" (IPX).
  std::string HostText() const;
  // HostText() followed by "/port" (IP) or "/socket" (IPX, when one was given).
  std::string Text() const;

  bool operator==(const Address& o) const;

 private:
  Kind kind_ = Kind::Ip;
  std::uint32_t ipv4_ = 0;
  std::uint16_t port_ = 0;
  bool hasSocket_ = false;
  std::uint8_t ipxNet_[4] = {};
  std::uint8_t ipxNode_[6] = {};
};

enum class Syntax : std::uint8_t {
  Null,
  Integer,
  OctetString,
  ObjectId,
  IpAddress,
  Counter32,
  Gauge32,
  TimeTicks,
  Opaque,
  Counter64,
  NoSuchObject,
  NoSuchInstance,
  EndOfMibView,
};

// One variable binding: an OID and a typed value.
struct VarBind {
  Oid oid;
  Syntax syntax = Syntax::Null;
  std::int64_t integer = 0;  // Integer (signed), Counter32/Gauge32/TimeTicks
                             // (unsigned 32), Counter64 (bit pattern)
  std::string bytes;         // OctetString, Opaque, IpAddress (4 bytes)
  Oid oidValue;              // ObjectId

  static VarBind Int(Oid oid, std::int32_t v);
  static VarBind Octets(Oid oid, std::string v);

  // The value as a 32-bit integer: Integer as is, Counter32, Gauge32 and
  // TimeTicks modulo 2^32; nullopt for every other syntax.
  std::optional<std::int32_t> AsInt32() const {
    switch (syntax) {
      case Syntax::Integer:
      case Syntax::Counter32:
      case Syntax::Gauge32:
      case Syntax::TimeTicks:
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(integer & 0xFFFFFFFF));
      default:
        return std::nullopt;
    }
  }

  // The printable value: decimal numbers, "h:mm:ss.hh" time ticks, dotted OIDs
  // and IP addresses, octet strings as text (OctetsAsText), and opaque
  // values (and an IP address that is not 4 bytes long) as a hex dump.
  std::string Printable() const;
};

// The hex dump of octets, 16 bytes a line, when any byte is not printable
// ASCII (or CR/LF); octets that all print stand as they are.
std::string PrintableOctets(std::string_view bytes);

// Octets as UTF-8 text: NUL bytes at the end (padding) are dropped; every
// byte that is not part of a well-formed UTF-8 character, and every control
// character but tab, CR and LF, is replaced by U+FFFD.
std::string OctetsAsText(std::string_view bytes);

struct Target {
  Address address;
  std::string readCommunity = "public";
  std::string writeCommunity;
  int retries = 1;
  int timeoutCs = 100;  // hundredths of a second
};

struct Response {
  std::vector<VarBind> bindings;
  int errorStatus = 0;
  int errorIndex = 0;
};

enum class PduType { Get, GetNext, Set };

// Replaces the network for every session of the process: each exchange is
// passed to the hook instead of being sent. For tests that must not send.
using ExchangeHook = std::function<Status(PduType, const Target&,
                                          const std::vector<VarBind>& request, Response& out)>;
void SetExchangeHook(ExchangeHook hook);

// IPX transport. Linux has no IPX and Net-SNMP has no IPX transport, so IPX
// exchanges go through one process-wide backend:
// - unavailable (the default): a session bound to IPX does not open
//   (Status::TransportUnsupported), and an exchange with an IPX address fails
//   with Status::TransportFailed without traffic;
// - a loopback map (for tests): IPX sessions open, and an exchange with a
//   mapped IPX address (network and node; the socket is not looked at) is a
//   real SNMP exchange over UDP with the mapped address, which must lie in
//   127.0.0.0/8. An unmapped IPX address fails with Status::TransportFailed.
// An exchange hook (SetExchangeHook) stands for the network of every
// transport, so IPX sessions open while one is installed.
struct IpxMapping {
  Address ipx;
  Address udp;
};
// Installs the map; false, and the backend unchanged, when an entry is not an
// IPX address mapped to a UDP address in 127.0.0.0/8.
bool UseIpxLoopbackMap(std::vector<IpxMapping> map);
// Back to the default backend.
void UseIpxUnavailable();
// Whether a session bound to IPX opens now.
bool IpxAvailable();

// The transport of a session opened with Session::Open.
enum class Transport { Udp, Ipx };

class Session {
 public:
  // A session for addresses of either kind, each sent by its own transport.
  Session();
  // A session bound to one transport, as the class library's sessions were:
  // Success with `out` set, or TransportUnsupported with `out` empty when the
  // transport is not available (IPX without a backend). A bound session
  // exchanges only with addresses of its transport; an address of the other
  // kind gives Status::InvalidAddress without traffic.
  static Status Open(Transport transport, std::unique_ptr<Session>& out);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Get and get-next send the OIDs with null values and the read community.
  // `out` may be reused from call to call: its storage is kept.
  Status Get(const Target& target, const std::vector<Oid>& oids, Response& out);
  Status GetNext(const Target& target, const std::vector<Oid>& oids, Response& out);
  // Set sends the bindings with the write community.
  Status Set(const Target& target, const std::vector<VarBind>& bindings, Response& out);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vlm::snmp
