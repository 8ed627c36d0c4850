// OIDs, addresses and printable values of the SNMP layer. Nothing here
// touches the network or Net-SNMP.
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "netmgr/snmp/snmp.h"

namespace vlm::snmp {

namespace {

bool ParseUnsigned(std::string_view text, std::uint64_t max, std::uint64_t& out) {
  if (text.empty() || text.size() > 20) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned>(c - '0');
    if (v > max) return false;
  }
  out = v;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexBytes(std::string_view text, std::uint8_t* out, std::size_t count) {
  if (text.size() != count * 2) return false;
  for (std::size_t i = 0; i < count; ++i) {
    int hi = HexDigit(text[2 * i]);
    int lo = HexDigit(text[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
  }
  return true;
}

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
  std::uint32_t value = 0;
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    std::size_t dot = text.find('.', pos);
    bool last = part == 3;
    if (last != (dot == std::string_view::npos)) return std::nullopt;
    std::string_view digits = text.substr(pos, last ? text.npos : dot - pos);
    std::uint64_t octet = 0;
    if (digits.size() > 3 || !ParseUnsigned(digits, 255, octet)) return std::nullopt;
    value = (value << 8) | static_cast<std::uint32_t>(octet);
    pos = dot + 1;
  }
  return value;
}

}  // namespace

std::uint16_t DefaultPort() {
  static const std::uint16_t port = [] {
    const char* env = std::getenv("VLM_SNMP_PORT");
    std::uint64_t v = 0;
    if (env && ParseUnsigned(env, 65535, v) && v > 0) return static_cast<std::uint16_t>(v);
    return static_cast<std::uint16_t>(161);
  }();
  return port;
}

// ---------------------------------------------------------------- Oid

std::optional<Oid> Oid::Parse(std::string_view text) {
  std::vector<std::uint32_t> ids;
  std::size_t pos = 0;
  while (true) {
    if (ids.size() == kMaxSubIds) return std::nullopt;
    std::size_t dot = text.find('.', pos);
    std::string_view part = text.substr(pos, dot == std::string_view::npos ? text.npos : dot - pos);
    std::uint64_t v = 0;
    if (!ParseUnsigned(part, 0xFFFFFFFFull, v)) return std::nullopt;
    ids.push_back(static_cast<std::uint32_t>(v));
    if (dot == std::string_view::npos) break;
    pos = dot + 1;
  }
  return Oid(std::move(ids));
}

std::string Oid::Text() const {
  std::string out;
  out.reserve(ids_.size() * 4);
  char buf[16];
  for (std::size_t i = 0; i < ids_.size(); ++i) {
    if (i) out.push_back('.');
    auto r = std::to_chars(buf, buf + sizeof buf, ids_[i]);
    out.append(buf, r.ptr);
  }
  return out;
}

bool Oid::StartsWith(const Oid& prefix) const {
  if (prefix.ids_.size() > ids_.size()) return false;
  return std::equal(prefix.ids_.begin(), prefix.ids_.end(), ids_.begin());
}

// ---------------------------------------------------------------- Address

Address Address::Ip(std::uint32_t hostOrderIpv4, std::uint16_t port) {
  Address a;
  a.kind_ = Kind::Ip;
  a.ipv4_ = hostOrderIpv4;
  a.port_ = port;
  return a;
}

Address Address::Ipx(const std::uint8_t* network, const std::uint8_t* node) {
  Address a;
  a.kind_ = Kind::Ipx;
  std::memcpy(a.ipxNet_, network, 4);
  std::memcpy(a.ipxNode_, node, 6);
  return a;
}

std::optional<Address> Address::Parse(std::string_view text) {
  std::string_view host = text;
  std::optional<std::string_view> portText;
  if (auto slash = text.find('/'); slash != std::string_view::npos) {
    host = text.substr(0, slash);
    portText = text.substr(slash + 1);
  }
  std::uint64_t port = 0;
  if (portText && (!ParseUnsigned(*portText, 65535, port) || port == 0)) return std::nullopt;

  if (auto ip = ParseIpv4(host)) {
    return Ip(*ip, portText ? static_cast<std::uint16_t>(port) : DefaultPort());
  }

  // IPX: 8 hex digits of network, a separator, 12 hex digits of node.
  if (host.size() == 21 && (host[8] == ':' || host[8] == '.' || host[8] == '-')) {
    Address a;
    a.kind_ = Kind::Ipx;
    if (!ParseHexBytes(host.substr(0, 8), a.ipxNet_, 4)) return std::nullopt;
    if (!ParseHexBytes(host.substr(9), a.ipxNode_, 6)) return std::nullopt;
    a.hasSocket_ = portText.has_value();
    a.port_ = static_cast<std::uint16_t>(port);
    return a;
  }
  return std::nullopt;
}

std::string Address::HostText() const {
  char buf[32];
  if (kind_ == Kind::Ip) {
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", (ipv4_ >> 24) & 255u, (ipv4_ >> 16) & 255u,
                  (ipv4_ >> 8) & 255u, ipv4_ & 255u);
  } else {
    std::snprintf(buf, sizeof buf, "%02x%02x%02x%02x:%02x%02x%02x%02x%02x%02x", ipxNet_[0],
                  ipxNet_[1], ipxNet_[2], ipxNet_[3], ipxNode_[0], ipxNode_[1], ipxNode_[2],
                  ipxNode_[3], ipxNode_[4], ipxNode_[5]);
  }
  return buf;
}

std::string Address::Text() const {
  std::string out = HostText();
  if (kind_ == Kind::Ip || hasSocket_) (out += '/') += std::to_string(port_);
  return out;
}

bool Address::operator==(const Address& o) const {
  if (kind_ != o.kind_ || port_ != o.port_) return false;
  if (kind_ == Kind::Ip) return ipv4_ == o.ipv4_;
  return hasSocket_ == o.hasSocket_ && std::memcmp(ipxNet_, o.ipxNet_, 4) == 0 &&
         std::memcmp(ipxNode_, o.ipxNode_, 6) == 0;
}

// ---------------------------------------------------------------- values

VarBind VarBind::Int(Oid oid, std::int32_t v) {
  VarBind b;
  b.oid = std::move(oid);
  b.syntax = Syntax::Integer;
  b.integer = v;
  return b;
}

VarBind VarBind::Octets(Oid oid, std::string v) {
  VarBind b;
  b.oid = std::move(oid);
  b.syntax = Syntax::OctetString;
  b.bytes = std::move(v);
  return b;
}

std::string PrintableOctets(std::string_view bytes) {
  bool printable = true;
  for (unsigned char c : bytes) {
    if (c != '\r' && c != '\n' && !(c >= 0x20 && c < 0x7F)) {
      printable = false;
      break;
    }
  }
  if (printable) return std::string(bytes);

  // Hex dump: per line of up to 16 bytes, two blanks, "XX " per byte, blanks
  // in place of the missing bytes, three blanks, the bytes as characters with
  // '.' for those that do not print, and a line feed.
  std::string out;
  out.reserve((bytes.size() / 16 + 1) * 72);
  static const char kHex[] = "0123456789ABCDEF";
  for (std::size_t line = 0; line < bytes.size(); line += 16) {
    std::size_t n = std::min<std::size_t>(16, bytes.size() - line);
    out += "  ";
    std::string chars;
    for (std::size_t i = 0; i < n; ++i) {
      unsigned char c = static_cast<unsigned char>(bytes[line + i]);
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
      out.push_back(' ');
      chars.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.');
    }
    out.append((16 - n) * 3, ' ');
    out += "   ";
    out += chars;
    out += "\n";
  }
  return out;
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of `b` (shortest
// form, no surrogates, at most U+10FFFF), or 0; `cp` receives its character.
std::size_t Utf8Sequence(std::string_view b, char32_t& cp) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(b[i]); };
  const unsigned char c = byte(0);
  std::size_t n = 0;
  char32_t min = 0;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    n = 2, min = 0x80, cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, min = 0x800, cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, min = 0x10000, cp = c & 0x07;
  } else {
    return 0;
  }
  if (b.size() < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

// Characters that do not print: the C0 and C1 controls and DEL, except the
// tab and the line ends that texts carry.
bool IsControl(char32_t cp) {
  if (cp == '\t' || cp == '\r' || cp == '\n') return false;
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
}

}  // namespace

std::string OctetsAsText(std::string_view bytes) {
  while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);  // padding
  static constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    char32_t cp = 0;
    std::size_t n = Utf8Sequence(bytes, cp);
    if (n == 0) {
      out += kReplacement;  // one for each byte that is not part of a character
      n = 1;
    } else if (IsControl(cp)) {
      out += kReplacement;
    } else {
      out.append(bytes.data(), n);
    }
    bytes.remove_prefix(n);
  }
  return out;
}

std::string VarBind::Printable() const {
  char buf[64];
  switch (syntax) {
    case Syntax::Integer:
      return std::to_string(static_cast<std::int32_t>(integer));
    case Syntax::Counter32:
    case Syntax::Gauge32:
      return std::to_string(static_cast<std::uint32_t>(integer));
    case Syntax::Counter64:
      return std::to_string(static_cast<std::uint64_t>(integer));
    case Syntax::TimeTicks: {
      std::uint32_t tt = static_cast<std::uint32_t>(integer);
      unsigned days = tt / 8640000;
      tt %= 8640000;
      unsigned hours = tt / 360000;
      tt %= 360000;
      unsigned minutes = tt / 6000;
      tt %= 6000;
      unsigned seconds = tt / 100;
      unsigned hundredths = tt % 100;
      if (days == 0)
        std::snprintf(buf, sizeof buf, "%u:%02u:%02u.%02u", hours, minutes, seconds, hundredths);
      else if (days == 1)
        std::snprintf(buf, sizeof buf, "1 day %u:%02u:%02u.%02u", hours, minutes, seconds,
                      hundredths);
      else
        std::snprintf(buf, sizeof buf, "%u days, %u:%02u:%02u.%02u", days, hours, minutes,
                      seconds, hundredths);
      return buf;
    }
    case Syntax::OctetString:
      return OctetsAsText(bytes);
    case Syntax::Opaque:
      return PrintableOctets(bytes);
    case Syntax::IpAddress:
      if (bytes.size() == 4) {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
        std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
        return buf;
      }
      return PrintableOctets(bytes);
    case Syntax::ObjectId:
      return oidValue.Text();
    case Syntax::Null:
    case Syntax::NoSuchObject:
    case Syntax::NoSuchInstance:
    case Syntax::EndOfMibView:
      return std::string();
  }
  return std::string();
}

}  // namespace vlm::snmp
