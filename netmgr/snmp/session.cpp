// Exchanges over Net-SNMP's single-session API.
//
// Net-SNMP is used without init_snmp(): that call reads MIB files,
// configuration and persistent state, none of which a version 1 client
// needs. snmp_sess_init() sets up the transports on its own.
//
// The library as Debian builds it is not reentrant: its request-id counter,
// its session list and its start-up are plain globals. Opening and closing
// sessions and creating PDUs therefore run under one lock, and every PDU
// carries a request id of our own; the exchange itself runs without the lock,
// so sessions of different threads wait for their agents concurrently.
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

#include "netmgr/snmp/snmp.h"

namespace vlm::snmp {

namespace {

std::mutex& LibraryLock() {
  static std::mutex m;
  return m;
}

void InitialiseOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::lock_guard<std::mutex> lock(LibraryLock());
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_LOAD_HOST_FILES, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_V3, 1);
    netsnmp_session probe;
    snmp_sess_init(&probe);  // sets up the library's transports
  });
}

long NextRequestId() {
  static std::atomic<std::uint32_t> next{static_cast<std::uint32_t>(std::rand() & 0xFFFF) + 1};
  std::uint32_t id = next.fetch_add(1) & 0x7FFFFFFF;
  return id == 0 ? 1 : static_cast<long>(id);
}

std::mutex& HookLock() {
  static std::mutex m;
  return m;
}
ExchangeHook& Hook() {
  static ExchangeHook h;
  return h;
}
// The IPX backend: empty means unavailable.
struct IpxBackend {
  bool loopbackMap = false;
  std::vector<IpxMapping> map;
};
IpxBackend& Ipx() {
  static IpxBackend b;
  return b;
}

bool SameIpxHost(const Address& a, const Address& b) {
  return std::memcmp(a.ipxNetwork(), b.ipxNetwork(), 4) == 0 && std::memcmp(a.ipxNode(), b.ipxNode(), 6) == 0;
}

// A reader of the answer's BER encoding, for the numbers only.
struct BerReader {
  const u_char* d;
  std::size_t pos;
  std::size_t end;

  // The next header; false when it is malformed or its content runs past `end`.
  bool Next(u_char& tag, std::size_t& len) {
    if (pos + 2 > end) return false;
    tag = d[pos++];
    u_char first = d[pos++];
    if (first < 0x80) {
      len = first;
    } else {
      std::size_t n = first & 0x7F;
      if (n == 0 || n > 4 || pos + n > end) return false;
      len = 0;
      for (std::size_t i = 0; i < n; ++i) len = (len << 8) | d[pos++];
    }
    return len <= end - pos;
  }
};

// Whether a signed content (two's complement) fits 32 bits.
bool SignedFits(const u_char* c, std::size_t len) {
  while (len > 4 && ((c[0] == 0x00 && !(c[1] & 0x80)) || (c[0] == 0xFF && (c[1] & 0x80)))) {
    ++c;
    --len;
  }
  return len <= 4;
}

// Whether an unsigned content fits `bytes` bytes (a negative one never does).
bool UnsignedFits(const u_char* c, std::size_t len, std::size_t bytes) {
  if (len > 0 && (c[0] & 0x80)) return false;
  while (len > bytes && c[0] == 0x00) {
    ++c;
    --len;
  }
  return len <= bytes;
}

bool ValueFits(u_char tag, const u_char* c, std::size_t len) {
  switch (tag) {
    case ASN_INTEGER:
      return SignedFits(c, len);
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
      return UnsignedFits(c, len, 4);
    case ASN_COUNTER64:
      return UnsignedFits(c, len, 8);
    default:
      return true;
  }
}

// Net-SNMP reads the integers of a message into a 64-bit word and keeps its
// low 32 bits, so that an INTEGER of 2^32 reads 0 and an error status of 2^32
// reads as success (over-long sub-identifiers it refuses itself). The
// answer's encoding shows what does not fit: false when the message header,
// the PDU's integers or a binding's value hold such a number. Anything the
// walk does not understand is left to the library's own parse.
bool NumbersFit(const u_char* data, std::size_t length) {
  BerReader r{data, 0, length};
  u_char tag = 0;
  std::size_t len = 0;
  if (!r.Next(tag, len) || tag != (ASN_SEQUENCE | ASN_CONSTRUCTOR)) return true;
  r.end = r.pos + len;
  if (!r.Next(tag, len) || tag != ASN_INTEGER) return true;
  if (!SignedFits(r.d + r.pos, len)) return false;  // version
  r.pos += len;
  if (!r.Next(tag, len) || tag != ASN_OCTET_STR) return true;
  r.pos += len;
  if (!r.Next(tag, len)) return true;  // the PDU
  r.end = r.pos + len;
  for (int field = 0; field < 3; ++field) {  // request id, error status, error index
    if (!r.Next(tag, len) || tag != ASN_INTEGER) return true;
    if (!SignedFits(r.d + r.pos, len)) return false;
    r.pos += len;
  }
  if (!r.Next(tag, len) || tag != (ASN_SEQUENCE | ASN_CONSTRUCTOR)) return true;
  const std::size_t listEnd = r.pos + len;
  while (r.pos < listEnd) {
    if (!r.Next(tag, len) || tag != (ASN_SEQUENCE | ASN_CONSTRUCTOR)) return true;
    const std::size_t bindingEnd = r.pos + len;
    if (!r.Next(tag, len) || tag != ASN_OBJECT_ID) return true;
    r.pos += len;
    if (!r.Next(tag, len)) return true;
    if (!ValueFits(tag, r.d + r.pos, len)) return false;
    r.pos = bindingEnd;
  }
  return true;
}

// Fills `b` from a binding of the answer, reusing its storage.
void FillFromNetSnmp(VarBind& b, const netsnmp_variable_list* v) {
  b.oid.Assign(v->name, v->name_length);
  b.syntax = Syntax::Null;
  b.integer = 0;
  b.bytes.clear();
  b.oidValue.Clear();
  switch (v->type) {
    case ASN_INTEGER:
      b.syntax = Syntax::Integer;
      if (v->val.integer && v->val_len >= sizeof(long))
        b.integer = static_cast<std::int32_t>(*v->val.integer);
      break;
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
      b.syntax = v->type == ASN_COUNTER  ? Syntax::Counter32
                 : v->type == ASN_GAUGE  ? Syntax::Gauge32
                                         : Syntax::TimeTicks;
      if (v->val.integer && v->val_len >= sizeof(long))
        b.integer = static_cast<std::uint32_t>(*v->val.integer & 0xFFFFFFFF);
      break;
    case ASN_COUNTER64:
      b.syntax = Syntax::Counter64;
      if (v->val.counter64 && v->val_len >= sizeof(struct counter64))
        b.integer = static_cast<std::int64_t>((static_cast<std::uint64_t>(v->val.counter64->high) << 32) |
                                              (v->val.counter64->low & 0xFFFFFFFFu));
      break;
    case ASN_OCTET_STR:
    case ASN_OPAQUE:
    case ASN_IPADDRESS:
      b.syntax = v->type == ASN_OCTET_STR ? Syntax::OctetString
                 : v->type == ASN_OPAQUE  ? Syntax::Opaque
                                          : Syntax::IpAddress;
      if (v->val.string && v->val_len > 0)
        b.bytes.assign(reinterpret_cast<const char*>(v->val.string), v->val_len);
      break;
    case ASN_OBJECT_ID:
      b.syntax = Syntax::ObjectId;
      if (v->val.objid) b.oidValue.Assign(v->val.objid, v->val_len / sizeof(oid));
      break;
    case SNMP_NOSUCHOBJECT:
      b.syntax = Syntax::NoSuchObject;
      break;
    case SNMP_NOSUCHINSTANCE:
      b.syntax = Syntax::NoSuchInstance;
      break;
    case SNMP_ENDOFMIBVIEW:
      b.syntax = Syntax::EndOfMibView;
      break;
    default:
      b.syntax = Syntax::Null;
      break;
  }
}

}  // namespace

void SetExchangeHook(ExchangeHook hook) {
  std::lock_guard<std::mutex> lock(HookLock());
  Hook() = std::move(hook);
}

bool UseIpxLoopbackMap(std::vector<IpxMapping> map) {
  for (const IpxMapping& m : map)
    if (m.ipx.kind() != Address::Kind::Ipx || m.udp.kind() != Address::Kind::Ip || (m.udp.ipv4() >> 24) != 127)
      return false;
  std::lock_guard<std::mutex> lock(HookLock());
  Ipx().loopbackMap = true;
  Ipx().map = std::move(map);
  return true;
}

void UseIpxUnavailable() {
  std::lock_guard<std::mutex> lock(HookLock());
  Ipx() = IpxBackend{};
}

bool IpxAvailable() {
  std::lock_guard<std::mutex> lock(HookLock());
  return Ipx().loopbackMap || static_cast<bool>(Hook());
}

namespace {
std::vector<VarBind> NullBindings(const std::vector<Oid>& oids) {
  std::vector<VarBind> request;
  request.reserve(oids.size());
  for (const Oid& o : oids) {
    VarBind b;
    b.oid = o;
    request.push_back(std::move(b));
  }
  return request;
}
}  // namespace

struct Session::Impl {
  std::optional<Address::Kind> bound;  // the one kind of address a bound session takes
  void* handle = nullptr;  // Net-SNMP single session
  std::string peer;        // "udp:a.b.c.d:port" of the open handle
  Address peerAddress;     // the address of the open handle
  // The request id of the last answer whose numbers do not fit their types.
  std::optional<long> oversizedAnswer;

  // Net-SNMP's pre-parse hook: a datagram from any address but the agent's
  // is dropped before it is parsed, so that it can never pass for the answer.
  static int FromPeerOnly(netsnmp_session* session, netsnmp_transport*, void* from, int fromLength) {
    auto* self = static_cast<Impl*>(session->myvoid);
    if (!self || !from || fromLength < static_cast<int>(sizeof(sockaddr_in))) return 0;
    const auto* sender = static_cast<const sockaddr_in*>(from);
    return sender->sin_family == AF_INET && ntohl(sender->sin_addr.s_addr) == self->peerAddress.ipv4() &&
           ntohs(sender->sin_port) == self->peerAddress.port();
  }

  // Net-SNMP's parse hook: the library's own parse, after a look at the
  // encoded numbers that the library would cut to 32 bits without a word.
  static int Parse(netsnmp_session* session, netsnmp_pdu* pdu, u_char* data, size_t length) {
    auto* self = static_cast<Impl*>(session->myvoid);
    int rc = snmp_parse(static_cast<session_list*>(self->handle), session, pdu, data, length);
    if (rc == 0 && !NumbersFit(data, length)) self->oversizedAnswer = pdu->reqid;
    return rc;
  }

  ~Impl() { Close(); }

  void Close() {
    if (handle) {
      std::lock_guard<std::mutex> lock(LibraryLock());
      snmp_sess_close(handle);
      handle = nullptr;
      peer.clear();
    }
  }

  Status Open(const Address& to) {
    if (handle && to == peerAddress) return Status::Success;
    std::string wanted = "udp:" + to.HostText() + ":" + std::to_string(to.port());
    Close();
    std::lock_guard<std::mutex> lock(LibraryLock());
    netsnmp_session s;
    snmp_sess_init(&s);
    s.version = SNMP_VERSION_1;
    s.peername = const_cast<char*>(wanted.c_str());
    static char kNone[] = "";
    s.community = reinterpret_cast<u_char*>(kNone);
    s.community_len = 0;
    s.myvoid = this;
    netsnmp_transport* transport = netsnmp_transport_open_client("snmp", wanted.c_str());
    if (!transport) return Status::TransportFailed;
    // The session owns the transport from here, also when it does not open.
    handle = snmp_sess_add_ex(&s, transport, &Impl::FromPeerOnly, &Impl::Parse, nullptr, nullptr,
                              nullptr, nullptr, nullptr);
    if (!handle) return Status::TransportFailed;
    peer = wanted;
    peerAddress = to;
    return Status::Success;
  }

  // One exchange: get and get-next send `oids`, set sends `sets`. On any
  // result but Success and ErrorStatusSet, `out` holds no binding.
  Status Exchange(PduType type, const Target& target, const std::vector<Oid>* oids,
                  const std::vector<VarBind>* sets, Response& out) {
    bool filled = false;
    Status s = Send(type, target, oids, sets, out, filled);
    if (!filled) {
      out.bindings.clear();
      out.errorStatus = 0;
      out.errorIndex = 0;
    }
    return s;
  }

  Status Send(PduType type, const Target& target, const std::vector<Oid>* oids,
              const std::vector<VarBind>* sets, Response& out, bool& filled) {
    if (bound && target.address.kind() != *bound) return Status::InvalidAddress;
    ExchangeHook hook;
    std::optional<Address> mapped;
    {
      std::lock_guard<std::mutex> lock(HookLock());
      hook = Hook();
      if (!hook && target.address.kind() == Address::Kind::Ipx) {
        for (const IpxMapping& m : Ipx().map)
          if (SameIpxHost(m.ipx, target.address)) {
            mapped = m.udp;
            break;
          }
      }
    }
    if (hook) {
      out = Response{};
      filled = true;
      return hook(type, target, oids ? NullBindings(*oids) : *sets, out);
    }

    Address to = target.address;
    if (to.kind() == Address::Kind::Ipx) {
      if (!mapped) return Status::TransportFailed;  // no IPX on this system, or no map entry
      to = *mapped;
    }
    static const bool loopbackOnly = std::getenv("VLM_SNMP_LOOPBACK_ONLY") != nullptr;
    if (loopbackOnly && (to.ipv4() >> 24) != 127) {
      std::fprintf(stderr, "snmp: refused to send to %s outside loopback\n", to.Text().c_str());
      return Status::TransportFailed;
    }
    if (Status s = Open(to); s != Status::Success) return s;

    const std::string& community = type == PduType::Set ? target.writeCommunity : target.readCommunity;
    netsnmp_pdu* pdu = nullptr;
    {
      std::lock_guard<std::mutex> lock(LibraryLock());
      pdu = snmp_pdu_create(type == PduType::Get       ? SNMP_MSG_GET
                            : type == PduType::GetNext ? SNMP_MSG_GETNEXT
                                                       : SNMP_MSG_SET);
    }
    if (!pdu) return Status::ResourceUnavailable;
    pdu->reqid = NextRequestId();
    pdu->community = static_cast<u_char*>(std::malloc(community.size() + 1));
    if (!pdu->community) {
      snmp_free_pdu(pdu);
      return Status::ResourceUnavailable;
    }
    std::memcpy(pdu->community, community.data(), community.size());
    pdu->community[community.size()] = 0;
    pdu->community_len = community.size();

    const std::size_t count = oids ? oids->size() : sets->size();
    for (std::size_t k = 0; k < count; ++k) {
      const Oid& o = oids ? (*oids)[k] : (*sets)[k].oid;
      if (o.empty() || o.size() > Oid::kMaxSubIds) {
        snmp_free_pdu(pdu);
        return Status::InvalidOid;
      }
      oid name[Oid::kMaxSubIds];
      std::copy(o.ids().begin(), o.ids().end(), name);
      netsnmp_variable_list* added = nullptr;
      if (oids) {
        added = snmp_add_null_var(pdu, name, o.size());
        if (!added) {
          snmp_free_pdu(pdu);
          return Status::ResourceUnavailable;
        }
        continue;
      }
      const VarBind& b = (*sets)[k];
      if (b.syntax == Syntax::Integer) {
        long v = static_cast<std::int32_t>(b.integer);
        added = snmp_pdu_add_variable(pdu, name, b.oid.size(), ASN_INTEGER, &v, sizeof v);
      } else if (b.syntax == Syntax::OctetString) {
        added = snmp_pdu_add_variable(pdu, name, b.oid.size(), ASN_OCTET_STR, b.bytes.data(),
                                      b.bytes.size());
      } else {
        snmp_free_pdu(pdu);
        return Status::InvalidOperation;
      }
      if (!added) {
        snmp_free_pdu(pdu);
        return Status::ResourceUnavailable;
      }
    }

    netsnmp_session* live = snmp_sess_session(handle);
    live->retries = target.retries < 0 ? 0 : target.retries;
    long cs = target.timeoutCs < 1 ? 1 : target.timeoutCs;
    live->timeout = cs * 10000L;

    netsnmp_pdu* response = nullptr;
    oversizedAnswer.reset();
    int rc = snmp_sess_synch_response(handle, pdu, &response);  // frees `pdu`
    Status result;
    if (rc == STAT_TIMEOUT) {
      result = Status::Timeout;
    } else if (rc != STAT_SUCCESS || !response) {
      int liberr = 0, syserr = 0;
      char* text = nullptr;
      snmp_sess_error(handle, &syserr, &liberr, &text);
      std::free(text);
      result = liberr == SNMPERR_BAD_SENDTO || liberr == SNMPERR_BAD_RECVFROM ? Status::TransportFailed
                                                                              : Status::Error;
      // A socket that failed is not reused.
      if (result == Status::TransportFailed) Close();
    } else if (response->command != SNMP_MSG_RESPONSE) {
      result = Status::InvalidPdu;
    } else if (oversizedAnswer && *oversizedAnswer == response->reqid) {
      result = Status::Error;  // a number the library would have read as another one
    } else {
      // One pass over the answer, filling the bindings of the last call.
      std::size_t n = 0;
      for (netsnmp_variable_list* v = response->variables; v; v = v->next_variable, ++n) {
        if (n == out.bindings.size()) out.bindings.emplace_back();
        FillFromNetSnmp(out.bindings[n], v);
      }
      out.bindings.resize(n);
      filled = true;
      out.errorStatus = static_cast<int>(response->errstat);
      out.errorIndex = static_cast<int>(response->errindex);
      result = out.errorStatus != 0 ? Status::ErrorStatusSet : Status::Success;
    }
    if (response) snmp_free_pdu(response);
    return result;
  }
};

Session::Session() : impl_(std::make_unique<Impl>()) { InitialiseOnce(); }

Status Session::Open(Transport transport, std::unique_ptr<Session>& out) {
  out.reset();
  if (transport == Transport::Ipx && !IpxAvailable()) return Status::TransportUnsupported;
  auto session = std::make_unique<Session>();
  session->impl_->bound = transport == Transport::Ipx ? Address::Kind::Ipx : Address::Kind::Ip;
  out = std::move(session);
  return Status::Success;
}
Session::~Session() = default;


Status Session::Get(const Target& target, const std::vector<Oid>& oids, Response& out) {
  return impl_->Exchange(PduType::Get, target, &oids, nullptr, out);
}

Status Session::GetNext(const Target& target, const std::vector<Oid>& oids, Response& out) {
  return impl_->Exchange(PduType::GetNext, target, &oids, nullptr, out);
}

Status Session::Set(const Target& target, const std::vector<VarBind>& bindings, Response& out) {
  return impl_->Exchange(PduType::Set, target, nullptr, &bindings, out);
}

}  // namespace vlm::snmp
