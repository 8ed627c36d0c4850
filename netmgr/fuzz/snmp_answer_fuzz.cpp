// Fuzz target: answer datagrams to the network manager's gets, get-nexts and
// walks, through the SNMP layer's receive path (Net-SNMP's parse behind our
// hooks, the layer's number check and value conversion) up to the values the
// network manager hands out.
//
// The agent is a socket on 127.0.0.1 in this process (see answer_agent.h).
// Checks, besides the sanitizers:
// - every result is 0 or one of the network manager's codes;
// - a value the network manager reports as read comes from a binding of the
//   asked OID in an answer the exchange could take (a GetResponse with the
//   request's version and community and no error status): an integer has
//   that binding's number,
//   a text of printable octets is those octets (at most 255);
// - a single read that fails leaves the caller's value as it was;
// - a list read that fails leaves each entry with its earlier value, with no
//   value, or with a value of the answer (as above); a count is never more
//   than the answers that were given.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "netmgr/fuzz/answer_agent.h"
#include "netmgr/fuzz/snmp_answer_reads.h"
#include "netmgr/mib_tables.h"
#include "netmgr/session.h"
#include "netmgr/tests/held_session.h"

namespace vlm::netmgr::fuzz {
namespace {

using testing::BerValue;

constexpr std::int32_t kStaleInteger = 24237;
constexpr const char* kStaleText = "stale value";
constexpr std::size_t kMaxAnswers = 64;

[[noreturn]] void Fail(const Read& read, const std::string& what) {
  std::fprintf(stderr, "snmp_answer_fuzz: read %s: %s\n", read.name, what.c_str());
  std::abort();
}

// The object, its agent and its handles, made once for the whole run.
struct Harness {
  AnswerAgent agent;
  HeldSession session;
  std::int32_t handles[std::size(kHandleSuffixes)] = {};

  Harness() {
    TargetSpec spec;
    std::memset(&spec, 0, sizeof spec);
    std::strcpy(spec.transport, "IP");
    std::snprintf(spec.address, sizeof spec.address, "%s", agent.address().c_str());
    std::strcpy(spec.writeCommunity, "qarnel");
    spec.retries = 0;
    spec.timeout = 50;
    if (session->Connect(spec) != kOk) std::abort();
    if (session->OpenRootHandle(148, 0, &handles[0]) != kOk ||
        session->OpenChildHandle(handles[0], 148, 1, &handles[1]) != kOk ||
        session->OpenChildHandle(handles[1], 148, 1, &handles[2]) != kOk ||
        session->OpenChildHandle(handles[1], 148, 2, &handles[3]) != kOk)
      std::abort();
  }
};

Harness& TheHarness() {
  static Harness* harness = new Harness;  // lives to the end of the process
  return *harness;
}

bool IsCode(std::int32_t rc) { return rc <= kOk && rc >= kErrOther; }

std::vector<std::uint32_t> AskedOid(std::int32_t id, const char* suffix) {
  std::string text = std::string(OidOf(id)) + suffix;
  return testing::ParseOidText(text);
}

bool IsException(std::uint8_t tag) { return tag == 0x80 || tag == 0x81 || tag == 0x82; }

bool PrintableOctets(const AnswerBinding& b) {
  if (b.tag != 0x04) return false;
  for (char ch : b.content) {
    const auto c = static_cast<unsigned char>(ch);
    if (!(c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F))) return false;
  }
  return true;
}

// The bindings of `oid` in the answers the exchanges could have taken.
std::vector<AnswerBinding> BindingsOf(const std::vector<AnswerAgent::Exchange>& exchanges,
                                      const std::vector<std::uint32_t>& oid) {
  std::vector<AnswerBinding> found;
  for (const AnswerAgent::Exchange& e : exchanges) {
    std::optional<Answer> a = ReadAnswer(e.answered);
    if (!a || a->pduTag != testing::kPduResponse || !a->noError || a->version != e.request.version ||
        a->community != e.request.community)
      continue;
    for (const AnswerBinding& b : a->bindings)
      if (b.nameFits && b.name == oid && !IsException(b.tag)) found.push_back(b);
  }
  return found;
}

bool IntegerFrom(const std::vector<AnswerBinding>& bindings, std::int32_t value) {
  for (const AnswerBinding& b : bindings)
    if (IntegerValue(b) == value) return true;
  return false;
}

bool TextFrom(const std::vector<AnswerBinding>& bindings, const std::string& text) {
  for (const AnswerBinding& b : bindings)
    if (!PrintableOctets(b) || text == b.content.substr(0, kTextSize - 1)) return true;
  return false;
}

std::string Terminated(const char* text, const Read& read) {
  const std::size_t n = strnlen(text, kTextSize);
  if (n == kTextSize) Fail(read, "a text without its NUL in 256 bytes");
  return std::string(text, n);
}

void SingleRead(Harness& h, const Read& read, std::vector<std::string> answers) {
  const std::int32_t handle = h.handles[read.handle];
  const std::int32_t id = read.ids[0];
  h.agent.Script(std::move(answers));
  std::int32_t value = kStaleInteger;
  char text[kTextSize];
  std::snprintf(text, sizeof text, "%s", kStaleText);
  const std::int32_t rc = read.kind == ReadKind::Integer ? h.session->GetIntegerValue(handle, id, &value)
                                                         : h.session->GetStringValue(handle, id, text);
  if (!IsCode(rc)) Fail(read, "result " + std::to_string(rc));
  const std::string shown = Terminated(text, read);
  if (rc != kOk) {
    if (value != kStaleInteger || shown != kStaleText) Fail(read, "a failed read changed the value");
    return;
  }
  const auto bindings = BindingsOf(h.agent.exchanges(), AskedOid(id, kHandleSuffixes[read.handle]));
  if (read.kind == ReadKind::Integer && !IntegerFrom(bindings, value))
    Fail(read, "integer " + std::to_string(value) + " is no answer's value of the asked OID");
  if (read.kind == ReadKind::String && !TextFrom(bindings, shown))
    Fail(read, "text \"" + shown + "\" is no answer's value of the asked OID");
}

void ListRead(Harness& h, const Read& read, std::vector<std::string> answers) {
  const std::int32_t handle = h.handles[read.handle];
  const char* suffix = kHandleSuffixes[read.handle];
  // First every entry gets a value of an earlier read.
  std::map<std::vector<std::uint32_t>, BerValue> prime;
  for (std::int32_t id : read.ids)
    if (IsMibObject(id))
      prime[AskedOid(id, suffix)] =
          IsStringInReadList(id) ? BerValue::Octets(kStaleText) : BerValue::Int(kStaleInteger);
  h.agent.Prime(std::move(prime));
  h.session->ClearScalars(handle);
  if (h.session->AddScalars(handle, read.ids.data(), static_cast<std::int32_t>(read.ids.size())) != kOk) std::abort();
  h.session->GetValues(handle);

  const std::size_t given = answers.size();
  h.agent.Script(std::move(answers));
  const std::int32_t rc = h.session->GetValues(handle);
  if (!IsCode(rc)) Fail(read, "result " + std::to_string(rc));
  const auto exchanges = h.agent.exchanges();

  std::int32_t ids[kMaxEntries], values[kMaxEntries], count = 0;
  IVlmNetMgr::Text labels[kMaxEntries], texts[kMaxEntries];
  h.session->GetIntegerValueList(handle, ids, labels, values, &count);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::string entry = "entry " + std::to_string(ids[i]) + " = " + std::to_string(values[i]);
    if (IsCountBand(ids[i])) {
      if (values[i] < 0 || static_cast<std::size_t>(values[i]) > given)
        Fail(read, entry + " counts more rows than answers");
      continue;
    }
    if (IntegerFrom(BindingsOf(exchanges, AskedOid(ids[i], suffix)), values[i])) continue;
    if (rc != kOk && (values[i] == 0 || values[i] == kStaleInteger)) continue;
    Fail(read, entry + (rc == kOk ? " read without an answer's value" : " is no answer's value"));
  }
  h.session->GetStringValueList(handle, ids, labels, texts, &count);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::string shown = Terminated(texts[i], read);
    const std::string entry = "entry " + std::to_string(ids[i]) + " = \"" + shown + "\"";
    const auto bindings = BindingsOf(exchanges, AskedOid(ids[i], suffix));
    if (!bindings.empty() && TextFrom(bindings, shown)) continue;
    if (rc != kOk && (shown.empty() || shown == kStaleText)) continue;
    Fail(read, entry + (rc == kOk ? " read without an answer's value" : " is no answer's value"));
  }
}

void CountRead(Harness& h, const Read& read, std::vector<std::string> answers) {
  const std::size_t given = answers.size();
  h.agent.Script(std::move(answers));
  std::int32_t count = -1;
  const std::int32_t rc = read.kind == ReadKind::Count
                              ? h.session->GetInstanceCount(h.handles[read.handle], read.ids[0], &count)
                              : h.session->GetRootInstanceCount(read.ids[0], &count);
  if (!IsCode(rc)) Fail(read, "result " + std::to_string(rc));
  if (count < 0 || static_cast<std::size_t>(count) > given)
    Fail(read, "count " + std::to_string(count) + " from " + std::to_string(given) + " answers");
}

}  // namespace
}  // namespace vlm::netmgr::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vlm::netmgr::fuzz;
  Harness& h = TheHarness();
  std::vector<std::string> answers;
  const Read& read = Reads()[SplitInput(data, size, answers, kMaxAnswers)];
  switch (read.kind) {
    case ReadKind::Integer:
    case ReadKind::String:
      SingleRead(h, read, std::move(answers));
      break;
    case ReadKind::List:
      ListRead(h, read, std::move(answers));
      break;
    case ReadKind::Count:
    case ReadKind::RootCount:
      CountRead(h, read, std::move(answers));
      break;
  }
  return 0;
}
