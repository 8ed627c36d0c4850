#include "tests/support/scripted_agent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/loopback.h"

namespace vlm::testing {

ScriptedAgent::ScriptedAgent(Script script) : script_(std::move(script)) {
  host_ = AllocateLoopbackAddress();
  fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd_ < 0) throw std::runtime_error("socket");
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = 0;
  sa.sin_addr.s_addr = htonl(ParseDottedQuad(host_));
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    ::close(fd_);
    throw std::runtime_error("bind " + host_);
  }
  socklen_t len = sizeof sa;
  ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len);
  port_ = ntohs(sa.sin_port);
  thread_ = std::thread([this] { Run(); });
}

ScriptedAgent::~ScriptedAgent() {
  stop_ = true;
  thread_.join();
  ::close(fd_);
}

std::string ScriptedAgent::address() const { return host_ + "/" + std::to_string(port_); }

std::vector<SnmpMessage> ScriptedAgent::received() const {
  std::lock_guard<std::mutex> lock(lock_);
  return received_;
}

ScriptedAgent::Action ScriptedAgent::Reply(std::vector<BerBinding> bindings, int errorStatus,
                                           int errorIndex) {
  Action a;
  a.reply.bindings = std::move(bindings);
  a.reply.errorStatus = errorStatus;
  a.reply.errorIndex = errorIndex;
  return a;
}

ScriptedAgent::Action ScriptedAgent::Drop() {
  Action a;
  a.kind = Action::Kind::Drop;
  return a;
}

ScriptedAgent::Action ScriptedAgent::Raw(std::string datagram) {
  Action a;
  a.kind = Action::Kind::Raw;
  a.raw = std::move(datagram);
  return a;
}

ScriptedAgent::Action ScriptedAgent::Echo(const SnmpMessage& request,
                                          const std::vector<BerValue>& values) {
  std::vector<BerBinding> out;
  for (std::size_t i = 0; i < request.bindings.size(); ++i)
    out.push_back({request.bindings[i].oid, i < values.size() ? values[i] : BerValue::Null()});
  return Reply(std::move(out));
}

void ScriptedAgent::Run() {
  char buf[65536];
  while (!stop_) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 20) != 1) continue;
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    ssize_t n = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n <= 0) continue;
    auto request = DecodeMessage(std::string(buf, static_cast<std::size_t>(n)));
    if (!request) continue;
    int index = count_.fetch_add(1);
    {
      std::lock_guard<std::mutex> lock(lock_);
      received_.push_back(*request);
    }
    Action action = script_(*request, index);
    std::string datagram;
    if (action.kind == Action::Kind::Drop) continue;
    if (action.kind == Action::Kind::Raw) {
      datagram = action.raw;
    } else {
      SnmpMessage reply = action.reply;
      reply.version = request->version;
      if (action.keepCommunity) reply.community = request->community;
      reply.pduType = kPduResponse;
      if (action.keepRequestId) reply.requestId = request->requestId;
      datagram = EncodeMessage(reply);
    }
    if (action.fromHost.empty()) {
      ::sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
      continue;
    }
    int other = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(ParseDottedQuad(action.fromHost));
    if (other >= 0 && ::bind(other, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0)
      ::sendto(other, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
    if (other >= 0) ::close(other);
  }
}

}  // namespace vlm::testing
