// The request behind one open handle of the network manager: the instance
// suffix that places the handle inside a table, the lists of scalars to read
// and to write, and the SNMP exchanges that fill and store them.
//
// What a caller may rely on:
// - Every operation returns 0 or one of the network manager's negative codes
//   (below); nothing throws.
// - Each of the four lists holds at most 64 entries; an append beyond that,
//   of an OID or suffix over 255 characters or 128 sub-identifiers, or (for
//   writes) of an identifier outside the MIB object table, is refused with -2
//   and writes nothing.
// - A read list entry whose identifier is outside the tables is an integer
//   entry with value 0 that causes no traffic.
// - Values are texts of at most 255 characters (longer printable values are
//   cut), integers are 32-bit.
// - The request does not own the session or the target; the caller keeps
//   both alive and serialises the calls on requests that share a session.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "netmgr/codes.h"
#include "netmgr/snmp/snmp.h"

namespace vlm::netmgr {


// Maps the status of a failed exchange, and the error status of the answer
// when the agent gave one, to a result code.
std::int32_t MapSnmpStatus(int status, int errorStatus);

inline constexpr int kMaxEntries = 64;
inline constexpr std::size_t kMaxText = 255;
// Upper bound on the get-next exchanges of one row count.
inline constexpr int kMaxWalkSteps = 10000;

using Text = std::array<char, kTextSize>;

class VectorRequest {
 public:
  // `suffix` is empty or "." and a decimal instance per level, as ".1.3".
  VectorRequest(std::string suffix, snmp::Session& session, const snmp::Target& target);
  // The request keeps pointers into its own lists.
  VectorRequest(const VectorRequest&) = delete;
  VectorRequest& operator=(const VectorRequest&) = delete;

  const std::string& suffix() const { return suffix_; }

  // Own suffix followed by "." and the instance, unless the instance is 0.
  // -2 for a negative instance or a suffix that would pass 255 characters or
  // 128 levels.
  std::int32_t BuildChildSuffix(std::int32_t instance, std::string& out) const;
  // The suffix of a root handle with that instance (empty for 0); -2 as above.
  static std::int32_t BuildRootSuffix(std::int32_t instance, std::string& out);

  std::int32_t AppendScalar(std::int32_t id);
  // All of `ids` or, when one is refused, none of them.
  std::int32_t AppendScalars(const std::int32_t* ids, std::int32_t count);
  void ClearReadLists();

  // One get for every listed scalar, plus a row count per count scalar.
  std::int32_t FetchValues();
  // Rows of `vector` below this request's instance; `count` always written.
  std::int32_t CountInstances(std::int32_t vector, std::int32_t& count);

  // Single reads: on failure the out value is left as it was.
  std::int32_t ReadInteger(std::int32_t id, std::int32_t& value);
  std::int32_t ReadString(std::int32_t id, char* text256);

  // Copy-outs: arrays sized for at least the list's current count.
  std::int32_t CopyIntegerList(std::int32_t* ids, char (*labels)[kTextSize], std::int32_t* values,
                               std::int32_t* count) const;
  std::int32_t CopyStringList(std::int32_t* ids, char (*labels)[kTextSize],
                              char (*values)[kTextSize], std::int32_t* count) const;
  std::int32_t integerCount() const { return intCount_; }
  std::int32_t stringCount() const { return strCount_; }

  void ClearWriteLists();
  std::int32_t AppendIntegerWrite(std::int32_t id, std::int32_t value);
  std::int32_t AppendStringWrite(std::int32_t id, const char* text);
  // All entries or, when one is refused, none of them.
  std::int32_t AppendIntegerWrites(const std::int32_t* ids, const std::int32_t* values,
                                   std::int32_t count);
  std::int32_t AppendStringWrites(const std::int32_t* ids, const char (*texts)[kTextSize],
                                  std::int32_t count);
  // One set of every write entry, sent even when both lists are empty.
  std::int32_t StoreValues();

 private:
  // The texts of an entry are written when the entry is appended, so that a
  // new request does not clear the room of 256 entries it may never use.
  // What a read touches comes first, the text last.
  struct ReadEntry {
    std::int32_t id = 0;
    std::int32_t value = 0;  // integer entries
    bool prepared = false;   // oid is made for id (kept when the list is cleared)
    snmp::Oid oid;           // empty for count scalars and unknown identifiers
    Text text;               // string entries: printable value
  };
  struct WriteEntry {
    std::int32_t value = 0;  // integer writes
    snmp::Oid oid;
    Text text;  // string writes
  };

  // Full OID of a MIB record with this request's suffix; false when too long.
  bool FullOid(std::int32_t id, snmp::Oid& oid) const;
  std::int32_t Walk(const snmp::Oid& subtree, std::int32_t& count);
  // One get of one MIB record at this request's instance.
  std::int32_t GetOne(std::int32_t id, snmp::VarBind& answer);

  // The get of FetchValues, rebuilt when the read lists change: the OIDs in
  // the order sent and the entry each one fills.
  void BuildGet();

  std::array<ReadEntry, kMaxEntries> ints_;
  std::int32_t intCount_ = 0;
  std::array<ReadEntry, kMaxEntries> strs_;
  std::int32_t strCount_ = 0;
  std::string suffix_;
  std::array<WriteEntry, kMaxEntries> intWrites_;
  std::int32_t intWriteCount_ = 0;
  std::array<WriteEntry, kMaxEntries> strWrites_;
  std::int32_t strWriteCount_ = 0;
  // The instance suffix as sub-identifiers (nullopt when it does not parse).
  std::vector<std::uint32_t> suffixIds_;
  bool suffixParses_ = true;
  // The get is kept while the lists are refilled with the same entries.
  bool getBuilt_ = false;
  std::int32_t builtInts_ = 0;
  std::int32_t builtStrs_ = 0;
  std::vector<snmp::Oid> getOids_;
  std::vector<ReadEntry*> getEntries_;
  std::size_t getIntegers_ = 0;  // the first entries of getEntries_ are integers
  // Reused from exchange to exchange, so that a read allocates nothing once
  // the buffers are large enough.
  snmp::Response response_;
  std::vector<snmp::Oid> walkOid_;
  snmp::Session& session_;
  const snmp::Target& target_;
};

}  // namespace vlm::netmgr
