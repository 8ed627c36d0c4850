// The peer of the SNMP answer fuzz target: a UDP socket on 127.0.0.1 that
// answers each request the network manager sends with the next datagram of
// the current script, and a reader of answer datagrams that is independent of
// the SNMP layer, for the target's checks.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/ber.h"

namespace vlm::netmgr::fuzz {

// ---- Messages as the checks read them ----

// One BER element as Net-SNMP reads it: a one-byte tag and a definite
// length, in the short form or the long form of 1 to 8 length bytes.
struct BerElement {
  std::uint8_t tag = 0;
  std::size_t start = 0;        // the tag's offset
  std::size_t lengthBytes = 0;  // 0 for the short form, else the long form's count
  std::size_t content = 0;      // the content's offset
  std::size_t size = 0;         // the content's size
  std::size_t end() const { return content + size; }
};

// Reads the element at `pos`, which must end by `end`.
bool ReadBerElement(std::string_view datagram, std::size_t pos, std::size_t end, BerElement& e);

struct AnswerBinding {
  // False when the name is empty or a sub-identifier is 2^32 or more: such a
  // binding names none of the OIDs the network manager asks.
  bool nameFits = false;
  std::vector<std::uint32_t> name;
  std::uint8_t tag = 0;
  std::string content;  // the value's content bytes
};

struct Answer {
  std::int64_t version = -1;
  std::string community;
  std::uint8_t pduTag = 0;
  bool noError = false;  // the error status is 0
  std::vector<AnswerBinding> bindings;
};

// Reads a message as BER with definite lengths (short or long form): the
// envelope, the PDU's three integers and its bindings. Null when the datagram
// is not of that shape; what lies after the binding list is not looked at.
std::optional<Answer> ReadAnswer(std::string_view datagram);

// The value of an integer binding as the network manager reports it: INTEGER
// when it fits 32 bits signed, Counter32, Gauge32 and TimeTicks when they fit
// 0..2^32-1 (as a 32-bit pattern). Null for every other binding.
std::optional<std::int32_t> IntegerValue(const AnswerBinding& b);

// The datagram with its request id replaced by `id` (every length around it
// adjusted), or the datagram unchanged when no request id can be found in it.
std::string WithRequestId(std::string_view datagram, std::int32_t id);

// ---- The agent ----

class AnswerAgent {
 public:
  // What the agent answers with.
  enum class Mode {
    // Get: every asked OID bound to the value `primeValues` gives it (Null
    // for others). Get-next: noSuchName, which ends a walk.
    Prime,
    // Request k of the script (counted from 0) is answered with script[k],
    // its request id set to the request's, and then, always, with the
    // request turned into a noSuchName answer: that ends the exchange when
    // the scripted datagram was not taken.
    Script,
    // Every request is passed on to `forward` and its answer sent back and
    // recorded (for capturing seeds from a real agent).
    Forward,
  };

  AnswerAgent();
  ~AnswerAgent();
  AnswerAgent(const AnswerAgent&) = delete;
  AnswerAgent& operator=(const AnswerAgent&) = delete;

  // "127.0.0.1/port".
  std::string address() const;

  // Sets what the next requests get; clears what was recorded.
  void Prime(std::map<std::vector<std::uint32_t>, testing::BerValue> values);
  void Script(std::vector<std::string> datagrams);
  void Forward(std::function<std::string(const std::string& request)> forward);

  // What the agent saw since the last mode change.
  struct Exchange {
    testing::SnmpMessage request;
    std::string answered;  // the scripted or forwarded datagram as sent, empty for none
  };
  std::vector<Exchange> exchanges() const;

 private:
  void Run();
  void Answer(const std::string& request, const void* from, unsigned fromLength);

  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex lock_;
  Mode mode_ = Mode::Prime;
  std::map<std::vector<std::uint32_t>, testing::BerValue> prime_;
  std::vector<std::string> script_;
  std::function<std::string(const std::string&)> forward_;
  std::vector<Exchange> exchanges_;
  std::thread thread_;
};

}  // namespace vlm::netmgr::fuzz
