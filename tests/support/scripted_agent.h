// A scripted SNMP agent for what a real agent cannot be made to do: any
// error status, no answer, an answer only on a retry, a get-next that repeats
// its OID, a wrong request id or community, a malformed or truncated datagram.
//
// It listens on a loopback address of its own (on an ephemeral port, so its
// address text carries "/port") and answers each request with what the
// script returns for it.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ber.h"

namespace vlm::testing {

class ScriptedAgent {
 public:
  struct Action {
    enum class Kind { Reply, Drop, Raw };
    Kind kind = Kind::Reply;
    SnmpMessage reply;        // response PDU fields; see `keepRequestId`
    bool keepRequestId = true;  // false: send reply.requestId as given
    bool keepCommunity = true;  // false: send reply.community as given
    std::string raw;          // Kind::Raw: the datagram to send
    std::string fromHost;     // not empty: sent from this loopback address
                              // (on a port of its own) instead of the agent's
  };

  // `index` counts the requests received so far, from 0.
  using Script = std::function<Action(const SnmpMessage& request, int index)>;

  explicit ScriptedAgent(Script script);
  ~ScriptedAgent();
  ScriptedAgent(const ScriptedAgent&) = delete;
  ScriptedAgent& operator=(const ScriptedAgent&) = delete;

  std::string address() const;
  int requestCount() const { return count_.load(); }
  std::vector<SnmpMessage> received() const;

  static Action Reply(std::vector<BerBinding> bindings, int errorStatus = 0, int errorIndex = 0);
  static Action Drop();
  static Action Raw(std::string datagram);
  // Echoes the request's OIDs with the given values (one per binding).
  static Action Echo(const SnmpMessage& request, const std::vector<BerValue>& values);

 private:
  void Run();

  Script script_;
  std::string host_;
  int fd_ = -1;
  unsigned short port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> count_{0};
  mutable std::mutex lock_;
  std::vector<SnmpMessage> received_;
  std::thread thread_;
};

}  // namespace vlm::testing
