#include "tests/support/ber.h"

#include <sstream>

namespace vlm::testing {

namespace {

void PutLength(std::string& out, std::size_t n) {
  if (n < 0x80) {
    out.push_back(static_cast<char>(n));
    return;
  }
  std::string bytes;
  while (n) {
    bytes.insert(bytes.begin(), static_cast<char>(n & 0xFF));
    n >>= 8;
  }
  out.push_back(static_cast<char>(0x80 | bytes.size()));
  out += bytes;
}

}  // namespace

std::string Tlv(std::uint8_t tag, const std::string& content) {
  std::string out(1, static_cast<char>(tag));
  PutLength(out, content.size());
  return out + content;
}

std::string SignedContent(std::int64_t v) {
  std::string out;
  for (int i = 7; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  // Minimal two's complement form.
  while (out.size() > 1 && ((out[0] == 0 && !(out[1] & 0x80)) ||
                            (static_cast<unsigned char>(out[0]) == 0xFF && (out[1] & 0x80))))
    out.erase(out.begin());
  return out;
}

namespace {

std::string UnsignedContent(std::uint64_t v) {
  std::string out;
  do {
    out.insert(out.begin(), static_cast<char>(v & 0xFF));
    v >>= 8;
  } while (v);
  if (static_cast<unsigned char>(out[0]) & 0x80) out.insert(out.begin(), '\0');
  return out;
}

std::string OidContent(const std::vector<std::uint32_t>& oid) {
  std::string out;
  if (oid.size() < 2) return std::string(1, '\0');
  auto put = [&](std::uint64_t v) {
    std::string b(1, static_cast<char>(v & 0x7F));
    v >>= 7;
    while (v) {
      b.insert(b.begin(), static_cast<char>(0x80 | (v & 0x7F)));
      v >>= 7;
    }
    out += b;
  };
  put(static_cast<std::uint64_t>(oid[0]) * 40 + oid[1]);
  for (std::size_t i = 2; i < oid.size(); ++i) put(oid[i]);
  return out;
}

std::string EncodeValue(const BerValue& v) {
  switch (v.tag) {
    case kTagInteger:
      return Tlv(v.tag, SignedContent(v.number));
    case kTagCounter32:
    case kTagGauge32:
    case kTagTimeTicks:
    case kTagCounter64:
      return Tlv(v.tag, UnsignedContent(static_cast<std::uint64_t>(v.number)));
    case kTagOctets:
    case kTagOpaque:
    case kTagIpAddress:
      return Tlv(v.tag, v.bytes);
    case kTagOid:
      return Tlv(v.tag, OidContent(v.oid));
    default:
      return Tlv(v.tag, "");
  }
}

struct Reader {
  const std::string& s;
  std::size_t pos = 0;
  std::size_t end;

  bool Header(std::uint8_t& tag, std::size_t& len) {
    if (pos + 2 > end) return false;
    tag = static_cast<std::uint8_t>(s[pos++]);
    std::uint8_t first = static_cast<std::uint8_t>(s[pos++]);
    if (first < 0x80) {
      len = first;
    } else {
      int n = first & 0x7F;
      if (n == 0 || n > 4 || pos + n > end) return false;
      len = 0;
      for (int i = 0; i < n; ++i) len = (len << 8) | static_cast<std::uint8_t>(s[pos++]);
    }
    return pos + len <= end;
  }
  bool Integer(std::int64_t& v) {
    std::uint8_t tag;
    std::size_t len;
    if (!Header(tag, len) || tag != kTagInteger || len == 0 || len > 8) return false;
    v = static_cast<signed char>(s[pos]);
    for (std::size_t i = 1; i < len; ++i) v = (v << 8) | static_cast<std::uint8_t>(s[pos + i]);
    pos += len;
    return true;
  }
};

bool DecodeOid(const std::string& s, std::size_t pos, std::size_t len, std::vector<std::uint32_t>& oid) {
  oid.clear();
  std::uint64_t v = 0;
  bool first = true;
  for (std::size_t i = 0; i < len; ++i) {
    std::uint8_t b = static_cast<std::uint8_t>(s[pos + i]);
    v = (v << 7) | (b & 0x7F);
    if (b & 0x80) continue;
    if (first) {
      oid.push_back(static_cast<std::uint32_t>(v < 80 ? v / 40 : 2));
      oid.push_back(static_cast<std::uint32_t>(v < 80 ? v % 40 : v - 80));
      first = false;
    } else {
      oid.push_back(static_cast<std::uint32_t>(v));
    }
    v = 0;
  }
  return !oid.empty();
}

}  // namespace

std::string EncodeMessage(const SnmpMessage& m) {
  std::string vbs;
  for (const BerBinding& b : m.bindings)
    vbs += Tlv(kTagSequence, Tlv(kTagOid, OidContent(b.oid)) + EncodeValue(b.value));
  std::string pdu = Tlv(kTagInteger, SignedContent(m.requestId)) +
                    Tlv(kTagInteger, SignedContent(m.errorStatus)) +
                    Tlv(kTagInteger, SignedContent(m.errorIndex)) + Tlv(kTagSequence, vbs);
  std::string msg = Tlv(kTagInteger, SignedContent(m.version)) + Tlv(kTagOctets, m.community) +
                    Tlv(m.pduType, pdu);
  return Tlv(kTagSequence, msg);
}

std::optional<SnmpMessage> DecodeMessage(const std::string& d) {
  Reader r{d, 0, d.size()};
  std::uint8_t tag;
  std::size_t len;
  if (!r.Header(tag, len) || tag != kTagSequence) return std::nullopt;
  r.end = r.pos + len;
  SnmpMessage m;
  std::int64_t v;
  if (!r.Integer(v)) return std::nullopt;
  m.version = static_cast<int>(v);
  if (!r.Header(tag, len) || tag != kTagOctets) return std::nullopt;
  m.community = d.substr(r.pos, len);
  r.pos += len;
  if (!r.Header(tag, len)) return std::nullopt;
  m.pduType = tag;
  if (tag == kPduTrapV1) return m;  // the trap's own layout is not needed here
  if (!r.Integer(v)) return std::nullopt;
  m.requestId = static_cast<std::int32_t>(v);
  if (!r.Integer(v)) return std::nullopt;
  m.errorStatus = static_cast<std::int32_t>(v);
  if (!r.Integer(v)) return std::nullopt;
  m.errorIndex = static_cast<std::int32_t>(v);
  if (!r.Header(tag, len) || tag != kTagSequence) return std::nullopt;
  std::size_t listEnd = r.pos + len;
  while (r.pos < listEnd) {
    if (!r.Header(tag, len) || tag != kTagSequence) return std::nullopt;
    BerBinding b;
    if (!r.Header(tag, len) || tag != kTagOid || !DecodeOid(d, r.pos, len, b.oid)) return std::nullopt;
    r.pos += len;
    if (!r.Header(tag, len)) return std::nullopt;
    b.value.tag = tag;
    if (tag == kTagInteger) {
      if (len == 0 || len > 8) return std::nullopt;
      std::int64_t x = static_cast<signed char>(d[r.pos]);
      for (std::size_t i = 1; i < len; ++i) x = (x << 8) | static_cast<std::uint8_t>(d[r.pos + i]);
      b.value.number = x;
      r.pos += len;
    } else {
      b.value.bytes = d.substr(r.pos, len);
      r.pos += len;
    }
    m.bindings.push_back(std::move(b));
  }
  return m;
}

std::vector<std::uint32_t> ParseOidText(const std::string& text) {
  std::vector<std::uint32_t> out;
  std::stringstream ss(text);
  std::string part;
  while (std::getline(ss, part, '.')) out.push_back(static_cast<std::uint32_t>(std::stoul(part)));
  return out;
}

std::string OidText(const std::vector<std::uint32_t>& oid) {
  std::string out;
  for (std::size_t i = 0; i < oid.size(); ++i) {
    if (i) out += '.';
    out += std::to_string(oid[i]);
  }
  return out;
}

}  // namespace vlm::testing
