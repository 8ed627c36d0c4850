// A small BER codec for SNMP version 1 and 2c messages, for the scripted
// test agent and the harness's readiness probe. It knows only what those
// need: the message envelope, the PDUs and the basic value types.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vlm::testing {

enum BerTag : std::uint8_t {
  kTagInteger = 0x02,
  kTagOctets = 0x04,
  kTagNull = 0x05,
  kTagOid = 0x06,
  kTagSequence = 0x30,
  kTagIpAddress = 0x40,
  kTagCounter32 = 0x41,
  kTagGauge32 = 0x42,
  kTagTimeTicks = 0x43,
  kTagOpaque = 0x44,
  kTagCounter64 = 0x46,
  kTagNoSuchObject = 0x80,
  kTagNoSuchInstance = 0x81,
  kTagEndOfMibView = 0x82,
  kPduGet = 0xA0,
  kPduGetNext = 0xA1,
  kPduResponse = 0xA2,
  kPduSet = 0xA3,
  kPduTrapV1 = 0xA4,
  kPduTrapV2 = 0xA7,
};

struct BerValue {
  std::uint8_t tag = kTagNull;
  std::int64_t number = 0;              // integer types
  std::string bytes;                    // octets, opaque, IP address
  std::vector<std::uint32_t> oid;       // object identifiers

  static BerValue Int(std::int64_t v) { return {kTagInteger, v, {}, {}}; }
  static BerValue Unsigned(std::uint8_t tag, std::uint32_t v) { return {tag, v, {}, {}}; }
  static BerValue Octets(std::string v) { return {kTagOctets, 0, std::move(v), {}}; }
  static BerValue Null() { return {}; }
};

struct BerBinding {
  std::vector<std::uint32_t> oid;
  BerValue value;
};

struct SnmpMessage {
  int version = 0;  // 0 = v1, 1 = v2c
  std::string community = "public";
  std::uint8_t pduType = kPduGet;
  std::int32_t requestId = 0;
  std::int32_t errorStatus = 0;
  std::int32_t errorIndex = 0;
  std::vector<BerBinding> bindings;
};

std::string EncodeMessage(const SnmpMessage& m);
// One BER element, and the minimal two's complement content of an integer,
// for datagrams that EncodeMessage cannot make.
std::string Tlv(std::uint8_t tag, const std::string& content);
std::string SignedContent(std::int64_t v);
std::optional<SnmpMessage> DecodeMessage(const std::string& datagram);

std::vector<std::uint32_t> ParseOidText(const std::string& text);
std::string OidText(const std::vector<std::uint32_t>& oid);

}  // namespace vlm::testing
