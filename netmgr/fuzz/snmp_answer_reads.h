// The reads the SNMP answer fuzz target makes, shared with the tool that
// captures its seeds from a real agent, and the layout of one input.
//
// An input is one byte that picks the read (modulo the table's size), then
// the answers: each a two-byte big-endian length and that many bytes (the
// last one may be cut short). Answer k goes to the k-th request the read
// sends; its request id is set to the request's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vlm::netmgr::fuzz {

enum class ReadKind {
  Integer,    // GetIntegerValue of ids[0]: one get
  String,     // GetStringValue of ids[0]: one get
  List,       // AddScalars(ids), GetValues, both value lists: walks for the
              // count scalars, then one get
  Count,      // GetInstanceCount of the vector ids[0]: a walk (get-next)
  RootCount,  // GetRootInstanceCount of the vector ids[0]: a walk
};

// The handles the target opens, by their instance suffix.
inline constexpr const char* kHandleSuffixes[] = {"", ".1", ".1.1", ".1.2"};

struct Read {
  const char* name;  // the seed file's name
  ReadKind kind;
  int handle;  // index into kHandleSuffixes
  std::vector<std::int32_t> ids;
};

inline const std::vector<Read>& Reads() {
  static const std::vector<Read> reads = {
      {"integer-engine-state", ReadKind::Integer, 2, {186}},
      {"integer-tray-size", ReadKind::Integer, 3, {36}},
      {"string-system-description", ReadKind::String, 0, {67}},
      {"string-alert-text", ReadKind::String, 2, {181}},
      {"list-input-unit", ReadKind::List, 3, {22, 27, 36, 187, 188, 216}},
      {"list-system-info", ReadKind::List, 0, {67, 68, 69, 70, 71, 72, 73}},
      {"list-engine", ReadKind::List, 2, {186, 153, 152, 151, 189, 206}},
      {"list-counts-and-scalars", ReadKind::List, 1, {8001, 8004, 8002}},
      {"count-trays", ReadKind::Count, 1, {8}},
      {"count-alerts", ReadKind::Count, 1, {175}},
      {"root-count-engines", ReadKind::RootCount, 0, {148}},
  };
  return reads;
}

// Splits an input into its read and its answers (at most `maxAnswers`).
inline std::size_t SplitInput(const std::uint8_t* data, std::size_t size, std::vector<std::string>& answers,
                              std::size_t maxAnswers) {
  answers.clear();
  if (size == 0) return 0;
  const std::size_t read = data[0] % Reads().size();
  std::size_t pos = 1;
  while (size - pos >= 2 && answers.size() < maxAnswers) {
    std::size_t length = (std::size_t{data[pos]} << 8) | data[pos + 1];
    pos += 2;
    length = std::min(length, size - pos);
    answers.emplace_back(reinterpret_cast<const char*>(data + pos), length);
    pos += length;
  }
  return read;
}

// The input that SplitInput splits into `read` and `answers`.
inline std::string JoinInput(std::size_t read, const std::vector<std::string>& answers) {
  std::string out(1, static_cast<char>(read));
  for (const std::string& a : answers) {
    out.push_back(static_cast<char>((a.size() >> 8) & 0xFF));
    out.push_back(static_cast<char>(a.size() & 0xFF));
    out += a;
  }
  return out;
}

}  // namespace vlm::netmgr::fuzz
