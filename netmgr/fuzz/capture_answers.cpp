// Writes the seed corpus of the SNMP answer and trap fuzz targets:
//
//   capture_answers SNMP_ANSWER_DIR TRAP_DIR
//
// Answers are captured from a real agent (snmpd serving the office printer
// of the test fixtures): each of the target's reads is made through the
// network manager against the in-process agent, which passes every request
// on to snmpd and records its answer. A few answers a real agent does not
// give (the scripted agent's cases) are added as made here. Notifications are
// captured from snmptrap and snmpinform sending to a socket of this process.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "netmgr/fuzz/answer_agent.h"
#include "netmgr/fuzz/snmp_answer_reads.h"
#include "netmgr/mib_tables.h"
#include "netmgr/session.h"
#include "netmgr/tests/held_session.h"
#include "tests/support/ber.h"
#include "tests/support/loopback.h"
#include "tests/support/printer_fixtures.h"
#include "tests/support/snmpd_agent.h"

namespace vlm::netmgr::fuzz {
namespace {

using testing::BerValue;

void Write(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
  std::printf("%s/%s: %zu bytes\n", folder.c_str(), name.c_str(), bytes.size());
}

int UdpSocket(const std::string& host, std::uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  ::inet_pton(AF_INET, host.c_str(), &sa.sin_addr);
  socklen_t len = sizeof sa;
  ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  port = ntohs(sa.sin_port);
  return fd;
}

// The next datagram on `fd`, or empty after two seconds.
std::string Receive(int fd) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, 2000) != 1) return {};
  std::string buffer(65536, '\0');
  const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
  return n > 0 ? buffer.substr(0, static_cast<std::size_t>(n)) : std::string();
}

void CaptureAnswers(const std::string& folder) {
  testing::SnmpdAgent snmpd(testing::DemoPrinters()[1].objects);
  std::uint16_t ownPort = 0;
  const int toSnmpd = UdpSocket("127.0.0.1", ownPort);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(snmpd.port());
  ::inet_pton(AF_INET, snmpd.host().c_str(), &peer.sin_addr);

  AnswerAgent agent;
  HeldSession session;
  TargetSpec spec;
  std::memset(&spec, 0, sizeof spec);
  std::snprintf(spec.address, sizeof spec.address, "%s", agent.address().c_str());
  spec.retries = 0;
  spec.timeout = 200;
  session->Connect(spec);
  std::int32_t handles[std::size(kHandleSuffixes)];
  session->OpenRootHandle(148, 0, &handles[0]);
  session->OpenChildHandle(handles[0], 148, 1, &handles[1]);
  session->OpenChildHandle(handles[1], 148, 1, &handles[2]);
  session->OpenChildHandle(handles[1], 148, 2, &handles[3]);

  for (std::size_t r = 0; r < Reads().size(); ++r) {
    const Read& read = Reads()[r];
    const std::int32_t h = handles[read.handle];
    agent.Forward([&](const std::string& request) {
      ::sendto(toSnmpd, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
      return Receive(toSnmpd);
    });
    std::int32_t value = 0;
    char text[kTextSize];
    switch (read.kind) {
      case ReadKind::Integer:
        session->GetIntegerValue(h, read.ids[0], &value);
        break;
      case ReadKind::String:
        session->GetStringValue(h, read.ids[0], text);
        break;
      case ReadKind::List:
        session->ClearScalars(h);
        session->AddScalars(h, read.ids.data(), static_cast<std::int32_t>(read.ids.size()));
        session->GetValues(h);
        break;
      case ReadKind::Count:
        session->GetInstanceCount(h, read.ids[0], &value);
        break;
      case ReadKind::RootCount:
        session->GetRootInstanceCount(read.ids[0], &value);
        break;
    }
    std::vector<std::string> answers;
    for (const AnswerAgent::Exchange& e : agent.exchanges()) answers.push_back(e.answered);
    Write(folder, read.name, JoinInput(r, answers));
  }
  ::close(toSnmpd);

  // Answers no real agent gives, to the first integer and text reads.
  auto answer = [](std::vector<testing::BerBinding> bindings, int version = 0, std::string community = "public") {
    testing::SnmpMessage m;
    m.version = version;
    m.community = std::move(community);
    m.pduType = testing::kPduResponse;
    m.requestId = 1;
    m.bindings = std::move(bindings);
    return testing::EncodeMessage(m);
  };
  const auto state = testing::ParseOidText(std::string(OidOf(Reads()[0].ids[0])) + kHandleSuffixes[Reads()[0].handle]);
  const auto description =
      testing::ParseOidText(std::string(OidOf(Reads()[2].ids[0])) + kHandleSuffixes[Reads()[2].handle]);
  Write(folder, "scripted-counter64", JoinInput(0, {answer({{state, {testing::kTagCounter64, 5, {}, {}}}})}));
  Write(folder, "scripted-octets-for-integer", JoinInput(0, {answer({{state, BerValue::Octets("12")}})}));
  Write(folder, "known-v1-answer-other-community", JoinInput(0, {answer({{state, BerValue::Int(7)}}, 0, "private")}));
  Write(folder, "scripted-version-2c", JoinInput(2, {answer({{description, BerValue::Octets("v2c")}}, 1)}));
  Write(folder, "scripted-binary-text",
        JoinInput(2, {answer({{description, BerValue::Octets(std::string("a\0b\xff\xfe", 5))}})}));
  Write(folder, "scripted-no-such-object",
        JoinInput(2, {answer({{description, {testing::kTagNoSuchObject, 0, {}, {}}}})}));
  // An INTEGER of 2^32, which the library would read as 0.
  Write(folder, "scripted-integer-2-32", JoinInput(0, {answer({{state, BerValue::Int(std::int64_t{1} << 32)}})}));
}

void CaptureTraps(const std::string& folder) {
  std::uint16_t port = 0;
  const int fd = UdpSocket("127.0.0.1", port);
  const std::string to = "127.0.0.1:" + std::to_string(port);
  struct Tool {
    const char* name;
    const char* program;
    std::vector<std::string> args;
  };
  const Tool tools[] = {
      {"v1-enterprise-specific",
       "snmptrap",
       {"-v", "1", "-c", "public", to, "1.3.6.1.4.1.2364", "127.0.0.1", "6", "17", ""}},
      {"v1-cold-start", "snmptrap", {"-v", "1", "-c", "public", to, "", "127.0.0.1", "0", "0", ""}},
      {"v2c-trap", "snmptrap", {"-v", "2c", "-c", "public", to, "", "1.3.6.1.4.1.2364.0.1"}},
      {"v2c-trap-with-bindings",
       "snmptrap",
       {"-v", "2c", "-c", "public", to, "", "1.3.6.1.4.1.2364.0.2", "1.3.6.1.2.1.1.5.0", "s", "Office TQ-4100",
        "1.3.6.1.2.1.25.3.2.1.5.1", "i", "5"}},
      {"v2c-inform", "snmpinform", {"-v", "2c", "-c", "public", "-r", "0", "-t", "1", to, "", "1.3.6.1.4.1.2364.0.3"}},
  };
  for (const Tool& t : tools) {
    testing::RunNetSnmpTool(t.program, t.args);
    Write(folder, t.name, Receive(fd));
  }
  ::close(fd);
}

}  // namespace
}  // namespace vlm::netmgr::fuzz

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: capture_answers SNMP_ANSWER_DIR TRAP_DIR\n");
    return 1;
  }
  vlm::netmgr::fuzz::CaptureAnswers(argv[1]);
  vlm::netmgr::fuzz::CaptureTraps(argv[2]);
  return 0;
}
