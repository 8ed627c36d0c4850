#include "netmgr/vector_request.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "netmgr/mib_tables.h"

namespace vlm::netmgr {

namespace {

using snmp::Status;

// Copies at most 255 bytes and the terminating NUL; a text that is cut is
// cut before a UTF-8 character, never inside one.
void CopyOut(char* to, std::string_view from) {
  std::size_t n = std::min(from.size(), kMaxText);
  if (n < from.size())
    while (n > 0 && (static_cast<unsigned char>(from[n]) & 0xC0) == 0x80) --n;
  if (n) std::memcpy(to, from.data(), n);
  to[n] = '\0';
}

void CopyText(Text& to, std::string_view from) { CopyOut(to.data(), from); }

// The printable value, without a copy for the usual octet string of
// printable characters.
void CopyPrintable(Text& to, const snmp::VarBind& b) {
  if (b.syntax == snmp::Syntax::OctetString &&
      std::all_of(b.bytes.begin(), b.bytes.end(), [](char ch) {
        unsigned char c = static_cast<unsigned char>(ch);
        return c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7F);
      })) {
    CopyText(to, b.bytes);
    return;
  }
  CopyText(to, b.Printable());
}

// The parsed OID of each MIB record, made once; null where it does not parse.
const std::vector<std::uint32_t>* RecordOid(std::int32_t id) {
  static const auto table = [] {
    std::vector<std::optional<std::vector<std::uint32_t>>> t(kMibObjectCount);
    for (std::int32_t i = 0; i < kMibObjectCount; ++i)
      if (auto parsed = snmp::Oid::Parse(OidOf(i))) t[static_cast<std::size_t>(i)] = parsed->ids();
    return t;
  }();
  if (id < 0 || id >= kMibObjectCount || !table[static_cast<std::size_t>(id)]) return nullptr;
  return &*table[static_cast<std::size_t>(id)];
}

std::size_t Levels(std::string_view suffix) {
  std::size_t n = 0;
  for (char c : suffix) n += c == '.';
  return n;
}

// Agent error statuses (RFC 1905 numbering) to result codes.
std::int32_t MapErrorStatus(int errorStatus) {
  switch (errorStatus) {
    case 1:  // tooBig
      return kErrTooBig;
    case 2:  // noSuchName
    case 5:  // genErr
    case 18:  // inconsistentName
      return kErrNoSuch;
    case 3:   // badValue
    case 7:   // wrongType
    case 8:   // wrongLength
    case 9:   // wrongEncoding
    case 10:  // wrongValue
    case 12:  // inconsistentValue
      return kErrBadValue;
    case 4:   // readOnly
    case 6:   // noAccess
    case 11:  // noCreation
    case 16:  // authorizationError
    case 17:  // notWritable
      return kErrAccess;
    case 13:  // resourceUnavailable
      return kErrTooBig;
    case 14:  // commitFailed
    case 15:  // undoFailed
      return kErrCommit;
    default:  // noError, or a status no agent of this MIB's era sends
      return kErrOther;
  }
}

constexpr int kNoSuchName = 2;

// The exception values of version 2: the agent has nothing at the OID.
bool IsException(snmp::Syntax s) {
  return s == snmp::Syntax::NoSuchObject || s == snmp::Syntax::NoSuchInstance ||
         s == snmp::Syntax::EndOfMibView;
}

// The binding of `oid` in an answer, or null when the answer binds no value
// to it.
const snmp::VarBind* BindingOf(const snmp::Response& response, const snmp::Oid& oid) {
  for (const snmp::VarBind& b : response.bindings)
    if (b.oid == oid && !IsException(b.syntax)) return &b;
  return nullptr;
}

// How long a walk may take in all: ten times the longest wait for one
// answer, and at least a second.
std::chrono::steady_clock::duration WalkDeadline(const snmp::Target& target) {
  const long cs = std::max(1, target.timeoutCs);
  const long tries = std::max(0, target.retries) + 1L;
  return std::max<std::chrono::steady_clock::duration>(std::chrono::milliseconds(10 * tries * cs * 10),
                                                       std::chrono::seconds(1));
}

}  // namespace

std::int32_t MapSnmpStatus(int status, int errorStatus) {
  if (status >= -22 && status <= -20) return kErrTransport;
  if (status == -19) return MapErrorStatus(errorStatus);
  if (status >= -18 && status <= -10) return kErrCall;
  if (status >= -9 && status <= -6) return kErrOther;
  if (status == -5) return kErrTimeout;
  if (status == -4 || status == -3 || status == -1) return kErrGeneral;
  if (status == -2) return kErrResource;
  return kErrOther;
}

VectorRequest::VectorRequest(std::string suffix, snmp::Session& session, const snmp::Target& target)
    : suffix_(std::move(suffix)), session_(session), target_(target) {
  if (!suffix_.empty()) {
    auto parsed = suffix_[0] == '.' ? snmp::Oid::Parse(std::string_view(suffix_).substr(1)) : std::nullopt;
    suffixParses_ = parsed.has_value();
    if (parsed) suffixIds_ = parsed->ids();
  }
}

std::int32_t VectorRequest::BuildRootSuffix(std::int32_t instance, std::string& out) {
  if (instance < 0) return kErrCall;
  out = instance == 0 ? std::string() : '.' + std::to_string(instance);
  return kOk;
}

std::int32_t VectorRequest::BuildChildSuffix(std::int32_t instance, std::string& out) const {
  if (instance < 0) return kErrCall;
  std::string s = suffix_;
  if (instance != 0) (s += '.') += std::to_string(instance);
  if (s.size() > kMaxText || Levels(s) > snmp::Oid::kMaxSubIds) return kErrCall;
  out = std::move(s);
  return kOk;
}

bool VectorRequest::FullOid(std::int32_t id, snmp::Oid& oid) const {
  // The OID's text would pass 255 characters: refused as before.
  if (OidOf(id).size() + suffix_.size() > kMaxText || !suffixParses_) return false;
  const std::vector<std::uint32_t>* record = RecordOid(id);
  if (!record || record->size() + suffixIds_.size() > snmp::Oid::kMaxSubIds) return false;
  std::uint32_t ids[snmp::Oid::kMaxSubIds];
  std::copy(record->begin(), record->end(), ids);
  std::copy(suffixIds_.begin(), suffixIds_.end(), ids + record->size());
  oid.Assign(ids, record->size() + suffixIds_.size());
  return true;
}

std::int32_t VectorRequest::AppendScalar(std::int32_t id) {
  bool isString = IsStringInReadList(id);
  auto& list = isString ? strs_ : ints_;
  std::int32_t& count = isString ? strCount_ : intCount_;
  if (count >= kMaxEntries) return kErrCall;

  // Filled in place: a list that is cleared and filled again with the same
  // identifiers for every read keeps its OIDs, and the get built from them.
  ReadEntry& e = list[count];
  if (!e.prepared || e.id != id) {
    e.id = id;
    e.prepared = false;
    e.oid.Clear();
    getBuilt_ = false;
    if (IsMibObject(id) && !FullOid(id, e.oid)) return kErrCall;
    e.prepared = true;
  }
  e.value = 0;
  e.text[0] = '\0';
  ++count;
  return kOk;
}

std::int32_t VectorRequest::AppendScalars(const std::int32_t* ids, std::int32_t count) {
  const std::int32_t ints = intCount_, strs = strCount_;
  for (std::int32_t i = 0; i < count; ++i) {
    if (AppendScalar(ids[i]) != kOk) {
      intCount_ = ints;
      strCount_ = strs;
      getBuilt_ = false;
      return kErrCall;
    }
  }
  return kOk;
}

void VectorRequest::ClearReadLists() {
  intCount_ = 0;
  strCount_ = 0;
}

std::int32_t VectorRequest::Walk(const snmp::Oid& subtree, std::int32_t& count) {
  count = 0;
  walkOid_.resize(1);
  walkOid_[0] = subtree;
  const snmp::Oid& current = walkOid_[0];
  snmp::Response& response = response_;
  const auto deadline = std::chrono::steady_clock::now() + WalkDeadline(target_);
  for (int step = 0; step < kMaxWalkSteps; ++step) {
    // An agent that answers every step just in time must not hold the caller.
    if (step > 0 && std::chrono::steady_clock::now() > deadline) return kErrTimeout;
    Status s = session_.GetNext(target_, walkOid_, response);
    // A version 1 agent ends its view with noSuchName: the walk is complete.
    if (s == Status::ErrorStatusSet && response.errorStatus == kNoSuchName) return kOk;
    if (s != Status::Success) return MapSnmpStatus(snmp::ToInt(s), response.errorStatus);
    if (response.bindings.empty()) return kErrOther;
    const snmp::VarBind& answer = response.bindings.front();
    if (answer.syntax == snmp::Syntax::EndOfMibView) return kOk;
    // An agent that repeats or goes back would keep the walk going for ever.
    if (!(answer.oid > current)) return kErrOther;
    if (!answer.oid.StartsWith(subtree)) return kOk;
    ++count;
    walkOid_[0] = answer.oid;
  }
  return kErrOther;
}

std::int32_t VectorRequest::CountInstances(std::int32_t vector, std::int32_t& count) {
  count = 0;
  std::string walk(IsVector(vector) ? WalkOidOf(vector) : OidOf(vector + 1));
  if (walk.empty()) return kErrCall;
  walk += suffix_;
  if (walk.size() > kMaxText) return kErrCall;
  auto subtree = snmp::Oid::Parse(walk);
  if (!subtree) return kErrCall;
  return Walk(*subtree, count);
}

void VectorRequest::BuildGet() {
  getOids_.clear();
  getEntries_.clear();
  for (std::int32_t i = 0; i < intCount_; ++i)
    if (!IsCountBand(ints_[i].id) && !ints_[i].oid.empty()) getEntries_.push_back(&ints_[i]);
  getIntegers_ = getEntries_.size();
  for (std::int32_t i = 0; i < strCount_; ++i)
    if (!strs_[i].oid.empty()) getEntries_.push_back(&strs_[i]);
  getOids_.resize(getEntries_.size());
  for (std::size_t k = 0; k < getEntries_.size(); ++k) getOids_[k] = getEntries_[k]->oid;
  getBuilt_ = true;
  builtInts_ = intCount_;
  builtStrs_ = strCount_;
}

std::int32_t VectorRequest::FetchValues() {
  std::int32_t firstWalkError = kOk;
  for (std::int32_t i = 0; i < intCount_; ++i) {
    ReadEntry& e = ints_[i];
    if (!IsCountBand(e.id)) continue;
    if (const CountScalar* row = FindCountScalar(e.id)) {
      std::int32_t rows = 0;
      std::int32_t rc = CountInstances(row->vector, rows);
      e.value = rows;
      if (rc != kOk && firstWalkError == kOk) firstWalkError = rc;
    }
  }
  if (!getBuilt_ || builtInts_ != intCount_ || builtStrs_ != strCount_) BuildGet();
  if (getOids_.empty()) return firstWalkError;

  Status s = session_.Get(target_, getOids_, response_);
  if (s != Status::Success) return MapSnmpStatus(snmp::ToInt(s), response_.errorStatus);

  // Every asked OID must be bound to a value of its entry's kind: an entry
  // the answer leaves out, or binds to something that is not a number for
  // an integer entry, holds no value rather than one of an earlier read (of
  // another device, maybe). Text entries take any value's printable form,
  // as a single read does. Agents answer in the order asked, so the binding
  // at the entry's own position is tried first; an answer in another order
  // is searched.
  const std::vector<snmp::VarBind>& answer = response_.bindings;
  bool complete = true;
  bool numbers = true;
  // The OIDs are compared with the list just sent (getOids_, the entries'
  // OIDs in the same order), which the exchange has left in the cache.
  for (std::size_t k = 0; k < getEntries_.size(); ++k) {
    ReadEntry& e = *getEntries_[k];
    const snmp::Oid& asked = getOids_[k];
    const snmp::VarBind* b = k < answer.size() && answer[k].oid == asked && !IsException(answer[k].syntax)
                                 ? &answer[k]
                                 : BindingOf(response_, asked);
    const bool text = k >= getIntegers_;
    if (!b) {
      if (text)
        e.text[0] = '\0';
      else
        e.value = 0;
      complete = false;
    } else if (text) {
      CopyPrintable(e.text, *b);
    } else if (auto v = b->AsInt32()) {
      e.value = *v;
    } else {
      e.value = 0;
      numbers = false;
    }
  }
  if (!complete) return kErrOther;
  if (!numbers) return kErrBadValue;
  return firstWalkError;
}

std::int32_t VectorRequest::GetOne(std::int32_t id, snmp::VarBind& answer) {
  if (!IsMibObject(id)) return kErrCall;
  snmp::Oid oid;
  if (!FullOid(id, oid)) return kErrCall;
  snmp::Response response;
  Status s = session_.Get(target_, {oid}, response);
  if (s != Status::Success) return MapSnmpStatus(snmp::ToInt(s), response.errorStatus);
  const snmp::VarBind* bound = BindingOf(response, oid);
  if (!bound) return kErrOther;  // the answer is not about the asked object
  answer = *bound;
  return kOk;
}

std::int32_t VectorRequest::ReadInteger(std::int32_t id, std::int32_t& value) {
  if (IsCountBand(id)) {
    const CountScalar* row = FindCountScalar(id);
    if (!row) return kErrCall;
    std::int32_t rows = 0;
    std::int32_t rc = CountInstances(row->vector, rows);
    value = rows;
    return rc;
  }
  snmp::VarBind answer;
  std::int32_t rc = GetOne(id, answer);
  if (rc != kOk) return rc;
  auto v = answer.AsInt32();
  if (!v) return kErrBadValue;  // not a number: the value stays as it was
  value = *v;
  return kOk;
}

std::int32_t VectorRequest::ReadString(std::int32_t id, char* text256) {
  snmp::VarBind answer;
  std::int32_t rc = GetOne(id, answer);
  if (rc == kOk) CopyOut(text256, answer.Printable());
  return rc;
}

std::int32_t VectorRequest::CopyIntegerList(std::int32_t* ids, char (*labels)[kTextSize],
                                            std::int32_t* values, std::int32_t* count) const {
  for (std::int32_t i = 0; i < intCount_; ++i) {
    if (ids) ids[i] = ints_[i].id;
    if (labels) CopyOut(labels[i], LabelOf(ints_[i].id));
    if (values) values[i] = ints_[i].value;
  }
  if (count) *count = intCount_;
  return kOk;
}

std::int32_t VectorRequest::CopyStringList(std::int32_t* ids, char (*labels)[kTextSize],
                                           char (*values)[kTextSize], std::int32_t* count) const {
  for (std::int32_t i = 0; i < strCount_; ++i) {
    if (ids) ids[i] = strs_[i].id;
    if (labels) CopyOut(labels[i], IsMibObject(strs_[i].id) ? LabelOf(strs_[i].id) : "");
    if (values) CopyOut(values[i], strs_[i].text.data());
  }
  if (count) *count = strCount_;
  return kOk;
}

void VectorRequest::ClearWriteLists() {
  intWriteCount_ = 0;
  strWriteCount_ = 0;
}

std::int32_t VectorRequest::AppendIntegerWrite(std::int32_t id, std::int32_t value) {
  if (intWriteCount_ >= kMaxEntries || !IsMibObject(id)) return kErrCall;
  WriteEntry& e = intWrites_[intWriteCount_];
  if (!FullOid(id, e.oid)) return kErrCall;
  e.value = value;
  e.text[0] = '\0';
  ++intWriteCount_;
  return kOk;
}

std::int32_t VectorRequest::AppendStringWrite(std::int32_t id, const char* text) {
  if (strWriteCount_ >= kMaxEntries || !IsMibObject(id)) return kErrCall;
  WriteEntry& e = strWrites_[strWriteCount_];
  if (!FullOid(id, e.oid)) return kErrCall;
  e.value = 0;
  CopyText(e.text, text ? std::string_view(text, strnlen(text, kMaxText)) : std::string_view());
  ++strWriteCount_;
  return kOk;
}

std::int32_t VectorRequest::AppendIntegerWrites(const std::int32_t* ids, const std::int32_t* values,
                                                std::int32_t count) {
  const std::int32_t before = intWriteCount_;
  for (std::int32_t i = 0; i < count; ++i) {
    if (AppendIntegerWrite(ids[i], values[i]) != kOk) {
      intWriteCount_ = before;
      return kErrCall;
    }
  }
  return kOk;
}

std::int32_t VectorRequest::AppendStringWrites(const std::int32_t* ids,
                                               const char (*texts)[kTextSize], std::int32_t count) {
  const std::int32_t before = strWriteCount_;
  for (std::int32_t i = 0; i < count; ++i) {
    if (AppendStringWrite(ids[i], texts[i]) != kOk) {
      strWriteCount_ = before;
      return kErrCall;
    }
  }
  return kOk;
}

std::int32_t VectorRequest::StoreValues() {
  std::vector<snmp::VarBind> bindings;
  bindings.reserve(static_cast<std::size_t>(intWriteCount_ + strWriteCount_));
  for (std::int32_t i = 0; i < intWriteCount_; ++i)
    bindings.push_back(snmp::VarBind::Int(intWrites_[i].oid, intWrites_[i].value));
  for (std::int32_t i = 0; i < strWriteCount_; ++i)
    bindings.push_back(snmp::VarBind::Octets(strWrites_[i].oid, strWrites_[i].text.data()));
  snmp::Response response;
  Status s = session_.Set(target_, bindings, response);
  if (s != Status::Success) return MapSnmpStatus(snmp::ToInt(s), response.errorStatus);
  return kOk;
}

}  // namespace vlm::netmgr
