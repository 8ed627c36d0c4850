#include "netmgr/fuzz/answer_agent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace vlm::netmgr::fuzz {

namespace {

using testing::BerValue;
using testing::SnmpMessage;

// A signed number of at most 8 content bytes.
std::optional<std::int64_t> SignedNumber(std::string_view c) {
  if (c.empty() || c.size() > 8) return std::nullopt;
  std::int64_t v = static_cast<signed char>(c[0]);
  for (std::size_t i = 1; i < c.size(); ++i)
    v = static_cast<std::int64_t>(static_cast<std::uint64_t>(v) << 8) | static_cast<std::uint8_t>(c[i]);
  return v;
}

// Sub-identifiers in base 128; the first one holds the first two.
void ReadName(std::string_view c, AnswerBinding& b) {
  b.name.clear();
  b.nameFits = !c.empty() && !(static_cast<std::uint8_t>(c.back()) & 0x80);
  std::uint64_t v = 0;
  bool first = true;
  for (char ch : c) {
    const auto byte = static_cast<std::uint8_t>(ch);
    if (v > (~std::uint64_t{0} >> 7)) b.nameFits = false;  // past any 64-bit value
    v = (v << 7) | (byte & 0x7F);
    if (byte & 0x80) continue;
    if (first) {
      const std::uint64_t top = v < 40 ? 0 : v < 80 ? 1 : 2;
      b.name.push_back(static_cast<std::uint32_t>(top));
      v -= top * 40;
      first = false;
    }
    if (v > 0xFFFFFFFFu) b.nameFits = false;
    b.name.push_back(static_cast<std::uint32_t>(v));
    v = 0;
  }
}

void PutLength(std::string& out, std::size_t size, std::size_t lengthBytes) {
  std::size_t needed = 0;
  for (std::size_t n = size; n; n >>= 8) ++needed;
  if (lengthBytes == 0 && size < 0x80) {
    out.push_back(static_cast<char>(size));
    return;
  }
  // The long form of the original where the new size fits it.
  const std::size_t count = std::max<std::size_t>(std::max<std::size_t>(needed, 1), lengthBytes);
  out.push_back(static_cast<char>(0x80 | count));
  for (std::size_t i = count; i-- > 0;) out.push_back(static_cast<char>(i >= 8 ? 0 : (size >> (8 * i)) & 0xFF));
}

// The request turned into an answer with error status noSuchName at the first
// binding: it ends any exchange, and a walk with success.
std::string NoSuchName(SnmpMessage request) {
  request.pduType = testing::kPduResponse;
  request.errorStatus = 2;
  request.errorIndex = 1;
  return testing::EncodeMessage(request);
}

}  // namespace

bool ReadBerElement(std::string_view d, std::size_t pos, std::size_t end, BerElement& e) {
  if (pos >= end || end - pos < 2) return false;
  e.start = pos;
  e.tag = static_cast<std::uint8_t>(d[pos++]);
  const auto first = static_cast<std::uint8_t>(d[pos++]);
  e.lengthBytes = 0;
  std::uint64_t size = first;
  if (first & 0x80) {
    e.lengthBytes = first & 0x7F;
    if (e.lengthBytes == 0 || e.lengthBytes > 8 || end - pos < e.lengthBytes) return false;
    size = 0;
    for (std::size_t i = 0; i < e.lengthBytes; ++i) size = (size << 8) | static_cast<std::uint8_t>(d[pos++]);
  }
  if (size > end - pos) return false;
  e.content = pos;
  e.size = static_cast<std::size_t>(size);
  return true;
}

std::optional<Answer> ReadAnswer(std::string_view d) {
  BerElement msg, version, community, pdu, field, list;
  if (!ReadBerElement(d, 0, d.size(), msg) || msg.tag != 0x30) return std::nullopt;
  if (!ReadBerElement(d, msg.content, msg.end(), version) || version.tag != 0x02) return std::nullopt;
  // Net-SNMP takes a community of any type.
  if (!ReadBerElement(d, version.end(), msg.end(), community)) return std::nullopt;
  if (!ReadBerElement(d, community.end(), msg.end(), pdu)) return std::nullopt;
  Answer a;
  const auto v = SignedNumber(d.substr(version.content, version.size));
  if (!v) return std::nullopt;
  a.version = *v;
  a.community = std::string(d.substr(community.content, community.size));
  a.pduTag = pdu.tag;
  std::size_t pos = pdu.content;
  for (int i = 0; i < 3; ++i) {  // request id, error status, error index
    if (!ReadBerElement(d, pos, pdu.end(), field) || field.tag != 0x02) return std::nullopt;
    if (i == 1) a.noError = d.substr(field.content, field.size).find_first_not_of('\0') == std::string_view::npos;
    pos = field.end();
  }
  if (!ReadBerElement(d, pos, pdu.end(), list) || list.tag != 0x30) return std::nullopt;
  // As Net-SNMP reads the list: a binding's name and value lie within its
  // sequence, and the next binding starts right after the value (so that a
  // sequence longer than its name and value holds further bindings).
  for (pos = list.content; pos < list.end();) {
    BerElement binding, name, value;
    if (!ReadBerElement(d, pos, list.end(), binding) || binding.tag != 0x30) return std::nullopt;
    if (!ReadBerElement(d, binding.content, binding.end(), name) || name.tag != 0x06) return std::nullopt;
    if (!ReadBerElement(d, name.end(), binding.end(), value)) return std::nullopt;
    AnswerBinding b;
    ReadName(d.substr(name.content, name.size), b);
    b.tag = value.tag;
    b.content = std::string(d.substr(value.content, value.size));
    a.bindings.push_back(std::move(b));
    pos = value.end();
  }
  return a;
}

std::optional<std::int32_t> IntegerValue(const AnswerBinding& b) {
  std::string_view c = b.content;
  if (b.tag == 0x02) {
    // An empty content reads as 0; more than 8 bytes the library refuses.
    const auto v = c.empty() ? std::optional<std::int64_t>(0) : SignedNumber(c);
    if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(*v);
  }
  if (b.tag == 0x41 || b.tag == 0x42 || b.tag == 0x43) {
    if (!c.empty() && (c[0] & 0x80)) return std::nullopt;  // negative
    std::size_t lead = 0;
    while (c.size() - lead > 4 && c[lead] == 0) ++lead;
    if (c.size() - lead > 4) return std::nullopt;
    std::uint32_t v = 0;
    for (std::size_t i = lead; i < c.size(); ++i) v = (v << 8) | static_cast<std::uint8_t>(c[i]);
    return static_cast<std::int32_t>(v);
  }
  return std::nullopt;
}

std::string WithRequestId(std::string_view d, std::int32_t id) {
  BerElement msg, version, community, pdu, reqid;
  if (!ReadBerElement(d, 0, d.size(), msg) || !ReadBerElement(d, msg.content, msg.end(), version) ||
      !ReadBerElement(d, version.end(), msg.end(), community) || !ReadBerElement(d, community.end(), msg.end(), pdu) ||
      !ReadBerElement(d, pdu.content, pdu.end(), reqid) || reqid.tag != 0x02)
    return std::string(d);
  const std::string idElement = testing::Tlv(0x02, testing::SignedContent(id));
  std::string pduContent = idElement;
  pduContent.append(d.substr(reqid.end(), pdu.end() - reqid.end()));
  std::string msgContent(d.substr(msg.content, pdu.start - msg.content));
  msgContent.push_back(static_cast<char>(pdu.tag));
  PutLength(msgContent, pduContent.size(), pdu.lengthBytes);
  msgContent += pduContent;
  msgContent.append(d.substr(pdu.end(), msg.end() - pdu.end()));
  std::string out(1, static_cast<char>(msg.tag));
  PutLength(out, msgContent.size(), msg.lengthBytes);
  out += msgContent;
  out.append(d.substr(msg.end()));
  return out;
}

// ---- The agent ----

AnswerAgent::AnswerAgent() {
  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    std::perror("answer agent: socket on 127.0.0.1");
    std::abort();
  }
  port_ = ntohs(sa.sin_port);
  thread_ = std::thread([this] { Run(); });
}

AnswerAgent::~AnswerAgent() {
  stop_ = true;
  thread_.join();
  ::close(fd_);
}

std::string AnswerAgent::address() const { return "127.0.0.1/" + std::to_string(port_); }

void AnswerAgent::Prime(std::map<std::vector<std::uint32_t>, BerValue> values) {
  std::lock_guard<std::mutex> lock(lock_);
  mode_ = Mode::Prime;
  prime_ = std::move(values);
  exchanges_.clear();
}

void AnswerAgent::Script(std::vector<std::string> datagrams) {
  std::lock_guard<std::mutex> lock(lock_);
  mode_ = Mode::Script;
  script_ = std::move(datagrams);
  exchanges_.clear();
}

void AnswerAgent::Forward(std::function<std::string(const std::string&)> forward) {
  std::lock_guard<std::mutex> lock(lock_);
  mode_ = Mode::Forward;
  forward_ = std::move(forward);
  exchanges_.clear();
}

std::vector<AnswerAgent::Exchange> AnswerAgent::exchanges() const {
  std::lock_guard<std::mutex> lock(lock_);
  return exchanges_;
}

void AnswerAgent::Run() {
  std::string buffer(65536, '\0');
  while (!stop_) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 50) != 1) continue;
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n <= 0) continue;
    Answer(buffer.substr(0, static_cast<std::size_t>(n)), &from, fromLength);
  }
}

void AnswerAgent::Answer(const std::string& datagram, const void* from, unsigned fromLength) {
  auto send = [&](const std::string& d) {
    ::sendto(fd_, d.data(), d.size(), 0, static_cast<const sockaddr*>(from), fromLength);
  };
  std::optional<SnmpMessage> request = testing::DecodeMessage(datagram);
  if (!request) return;
  std::lock_guard<std::mutex> lock(lock_);
  Exchange exchange{*request, {}};
  switch (mode_) {
    case Mode::Prime:
      if (request->pduType == testing::kPduGet) {
        SnmpMessage answer = *request;
        answer.pduType = testing::kPduResponse;
        for (testing::BerBinding& b : answer.bindings) {
          auto it = prime_.find(b.oid);
          b.value = it == prime_.end() ? BerValue::Null() : it->second;
        }
        send(testing::EncodeMessage(answer));
      } else {
        send(NoSuchName(*request));
      }
      break;
    case Mode::Script:
      if (exchanges_.size() < script_.size()) {
        exchange.answered = WithRequestId(script_[exchanges_.size()], request->requestId);
        send(exchange.answered);
      }
      send(NoSuchName(*request));
      break;
    case Mode::Forward:
      exchange.answered = forward_(datagram);
      if (!exchange.answered.empty()) send(exchange.answered);
      break;
  }
  exchanges_.push_back(std::move(exchange));
}

}  // namespace vlm::netmgr::fuzz
