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
#include <net-snmp/library/large_fd_set.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
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

// A reader of the answer's BER encoding, for the numbers only. Lengths are
// read as Net-SNMP reads them: the short form, or the long form of 1 to 8
// length bytes.
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
      if (n == 0 || n > sizeof(std::uint64_t) || n > end - pos) return false;
      std::uint64_t v = 0;
      for (std::size_t i = 0; i < n; ++i) v = (v << 8) | d[pos++];
      if (v > end - pos) return false;
      len = static_cast<std::size_t>(v);
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

// Whether every sub-identifier of an OID's content fits 32 bits. Net-SNMP
// adds up the groups of seven bits in a 64-bit word and then refuses only
// what lies above 2^32-1, so that 2^64 + n reads as n.
bool OidFits(const u_char* c, std::size_t len) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < len; ++i) {
    v = (v << 7) | (c[i] & 0x7F);
    if (v > 0xFFFFFFFFu) return false;
    if (!(c[i] & 0x80)) v = 0;
  }
  return true;
}

bool ValueFits(u_char tag, const u_char* c, std::size_t len) {
  switch (tag) {
    case ASN_OBJECT_ID:
      return OidFits(c, len);
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
// reads as success; a sub-identifier of 2^64 + n it reads as n. The answer's
// encoding shows what does not fit: false when the message header, the PDU's
// integers, a binding's name or its value hold such a number. The walk reads
// the message the way the library does (a community of any type, each
// binding's name and value and the next binding right after the value), and
// a message the library took that the walk cannot follow is refused too:
// nothing in it is left unchecked.
bool NumbersFit(const u_char* data, std::size_t length) {
  BerReader r{data, 0, length};
  u_char tag = 0;
  std::size_t len = 0;
  if (!r.Next(tag, len) || tag != (ASN_SEQUENCE | ASN_CONSTRUCTOR)) return false;
  r.end = r.pos + len;
  if (!r.Next(tag, len) || tag != ASN_INTEGER) return false;
  if (!SignedFits(r.d + r.pos, len)) return false;  // version
  r.pos += len;
  if (!r.Next(tag, len)) return false;  // the community
  r.pos += len;
  if (!r.Next(tag, len)) return false;  // the PDU
  r.end = r.pos + len;
  for (int field = 0; field < 3; ++field) {  // request id, error status, error index
    if (!r.Next(tag, len) || tag != ASN_INTEGER) return false;
    if (!SignedFits(r.d + r.pos, len)) return false;
    r.pos += len;
  }
  if (!r.Next(tag, len) || tag != (ASN_SEQUENCE | ASN_CONSTRUCTOR)) return false;
  const std::size_t listEnd = r.pos + len;
  while (r.pos < listEnd) {
    if (!r.Next(tag, len) || tag != (ASN_SEQUENCE | ASN_CONSTRUCTOR)) return false;
    if (!r.Next(tag, len) || tag != ASN_OBJECT_ID) return false;
    if (!OidFits(r.d + r.pos, len)) return false;
    r.pos += len;
    if (!r.Next(tag, len)) return false;
    if (!ValueFits(tag, r.d + r.pos, len)) return false;
    r.pos += len;  // a binding longer than its name and value holds the next one
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
  // A message that does not carry the community of the request in progress
  // is dropped as unparsable, so that it can never pass for the answer: the
  // library itself does not compare a response's community.
  static int Parse(netsnmp_session* session, netsnmp_pdu* pdu, u_char* data, size_t length) {
    auto* self = static_cast<Impl*>(session->myvoid);
    int rc = snmp_parse(static_cast<session_list*>(self->handle), session, pdu, data, length);
    if (rc != 0) return rc;
    const std::string_view community(pdu->community ? reinterpret_cast<const char*>(pdu->community) : "",
                                     pdu->community ? pdu->community_len : 0);
    if (community != self->waiting.community) return SNMPERR_AUTHENTICATION_FAILURE;
    if (!NumbersFit(data, length)) self->oversizedAnswer = pdu->reqid;
    return rc;
  }

  // The OIDs of the last get or get-next, and once the same list has been
  // asked twice in a row, its null bindings in the library's form. A monitor
  // asks the same lists at every tick; a walk asks a new OID at every step
  // and builds each request once.
  std::vector<Oid> templateOids;
  netsnmp_variable_list* requestTemplate = nullptr;

  ~Impl() {
    Close();
    snmp_free_varbind(requestTemplate);
  }

  // Null bindings of `oids` (null for an empty list). An OID out of bounds
  // is refused before anything is built.
  static Status BuildNullBindings(const std::vector<Oid>& oids, netsnmp_variable_list*& out) {
    out = nullptr;
    netsnmp_variable_list* last = nullptr;
    for (const Oid& o : oids) {
      if (o.empty() || o.size() > Oid::kMaxSubIds) {
        snmp_free_varbind(out);
        out = nullptr;
        return Status::InvalidOid;
      }
      oid name[Oid::kMaxSubIds];
      std::copy(o.ids().begin(), o.ids().end(), name);
      // Appended at the end kept here: the library would walk the list for each.
      netsnmp_variable_list* added = snmp_varlist_add_variable(last ? &last->next_variable : &out, name,
                                                               o.size(), ASN_NULL, nullptr, 0);
      if (!added) {
        snmp_free_varbind(out);
        out = nullptr;
        return Status::ResourceUnavailable;
      }
      last = added;
    }
    return Status::Success;
  }

  // The bindings of a get or get-next of `oids`, for the PDU to own.
  Status NullBindingsFor(const std::vector<Oid>& oids, netsnmp_variable_list*& out) {
    out = nullptr;
    if (oids.empty()) return Status::Success;
    if (oids == templateOids) {
      if (!requestTemplate) {
        if (Status s = BuildNullBindings(oids, requestTemplate); s != Status::Success) return s;
      }
      out = snmp_clone_varbind(requestTemplate);
      return out ? Status::Success : Status::ResourceUnavailable;
    }
    snmp_free_varbind(requestTemplate);
    requestTemplate = nullptr;
    templateOids.clear();
    if (Status s = BuildNullBindings(oids, out); s != Status::Success) return s;
    templateOids = oids;
    return Status::Success;
  }

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
    pdu->community = static_cast<u_char*>(std::malloc(community.size() + 1));
    if (!pdu->community) {
      snmp_free_pdu(pdu);
      return Status::ResourceUnavailable;
    }
    std::memcpy(pdu->community, community.data(), community.size());
    pdu->community[community.size()] = 0;
    pdu->community_len = community.size();

    if (oids) {
      // A get or get-next: a list asked again is copied from the library's
      // form kept for it.
      netsnmp_variable_list* bindings = nullptr;
      if (Status s = NullBindingsFor(*oids, bindings); s != Status::Success) {
        snmp_free_pdu(pdu);
        return s;
      }
      pdu->variables = bindings;
    } else {
      for (const VarBind& b : *sets) {
        if (b.oid.empty() || b.oid.size() > Oid::kMaxSubIds) {
          snmp_free_pdu(pdu);
          return Status::InvalidOid;
        }
        oid name[Oid::kMaxSubIds];
        std::copy(b.oid.ids().begin(), b.oid.ids().end(), name);
        netsnmp_variable_list* added = nullptr;
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
    }

    netsnmp_session* live = snmp_sess_session(handle);
    live->retries = target.retries < 0 ? 0 : target.retries;
    long cs = target.timeoutCs < 1 ? 1 : target.timeoutCs;
    live->timeout = cs * 10000L;

    oversizedAnswer.reset();
    waiting = Waiting{};
    waiting.community = community;
    waiting.reqid = NextRequestId();
    waiting.out = &out;
    waiting.open = true;
    pdu->reqid = waiting.reqid;
    Status result = Await(pdu);
    filled = waiting.filled;
    waiting.out = nullptr;
    if (waiting.failed) {
      int liberr = 0, syserr = 0;
      char* text = nullptr;
      snmp_sess_error(handle, &syserr, &liberr, &text);
      std::free(text);
      if (liberr == SNMPERR_BAD_SENDTO || liberr == SNMPERR_BAD_RECVFROM) {
        result = Status::TransportFailed;
        Close();  // a socket that failed is not reused
      }
    }
    return result;
  }

  // The exchange in progress: the request id and community the answer must
  // carry, where its bindings go, and how it ended.
  struct Waiting {
    long reqid = 0;
    std::string community;  // the request's
    Response* out = nullptr;
    bool open = false;
    bool filled = false;
    bool failed = false;  // the library reported a failure: the session says which
    Status status = Status::Error;
  };
  Waiting waiting;

  // Sends `pdu` (which the library owns from here) and waits for its answer,
  // its time-out after every retry, or an error. The answer is read in place
  // by OnEvent: the library's synchronous call would copy every answer first
  // and free the copy after.
  Status Await(netsnmp_pdu* pdu) {
    if (snmp_sess_async_send(handle, pdu, &Impl::OnEvent, this) == 0) {
      snmp_free_pdu(pdu);
      waiting.open = false;
      waiting.failed = true;
      return Status::Error;
    }
    netsnmp_large_fd_set fds;
    netsnmp_large_fd_set_init(&fds, FD_SETSIZE);
    while (waiting.open) {
      int fdCount = 0;
      int block = 1;
      timeval timeout{};
      NETSNMP_LARGE_FD_ZERO(&fds);
      snmp_sess_select_info2_flags(handle, &fdCount, &fds, &timeout, &block, NETSNMP_SELECT_NOALARMS);
      if (block == 1) {
        // The library holds no request with a time-out any more, so no answer
        // and no time-out can come: end rather than wait for ever.
        waiting.open = false;
        waiting.status = Status::Error;
        break;
      }
      int ready = netsnmp_large_fd_set_select(fdCount, &fds, nullptr, nullptr, &timeout);
      if (ready > 0) {
        snmp_sess_read2(handle, &fds);
      } else if (ready == 0) {
        snmp_sess_timeout(handle);
      } else if (errno != EINTR) {
        waiting.open = false;
        waiting.failed = true;
        waiting.status = Status::Error;
      }
    }
    netsnmp_large_fd_set_cleanup(&fds);
    return waiting.status;
  }

  // Net-SNMP's callback for our requests. Anything for a request that is not
  // the one being waited for (one left behind by an exchange that ended) is
  // dropped.
  static int OnEvent(int op, netsnmp_session*, int reqid, netsnmp_pdu* pdu, void* magic) {
    auto* self = static_cast<Impl*>(magic);
    Waiting& w = self->waiting;
    if (!w.open || reqid != w.reqid) return 1;
    switch (op) {
      case NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE:
        if (!pdu) return 0;
        w.status = self->Read(*pdu);
        break;
      case NETSNMP_CALLBACK_OP_TIMED_OUT:
        w.status = Status::Timeout;
        break;
      case NETSNMP_CALLBACK_OP_SEND_FAILED:
      case NETSNMP_CALLBACK_OP_DISCONNECT:
      case NETSNMP_CALLBACK_OP_SEC_ERROR:
        w.failed = true;
        w.status = Status::Error;
        break;
      default:  // a resend, and anything else that does not end the request
        return 0;
    }
    w.open = false;
    return 1;
  }

  // The answer to the exchange in progress.
  Status Read(const netsnmp_pdu& response) {
    if (response.command != SNMP_MSG_RESPONSE) return Status::InvalidPdu;
    if (oversizedAnswer && *oversizedAnswer == response.reqid)
      return Status::Error;  // a number the library would have read as another one
    // One pass over the answer, filling the bindings of the last call.
    Response& out = *waiting.out;
    std::size_t n = 0;
    for (const netsnmp_variable_list* v = response.variables; v; v = v->next_variable, ++n) {
      if (n == out.bindings.size()) out.bindings.emplace_back();
      FillFromNetSnmp(out.bindings[n], v);
    }
    out.bindings.resize(n);
    waiting.filled = true;
    out.errorStatus = static_cast<int>(response.errstat);
    out.errorIndex = static_cast<int>(response.errindex);
    return out.errorStatus != 0 ? Status::ErrorStatusSet : Status::Success;
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
