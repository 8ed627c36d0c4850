#include "platform/registry/hive.h"

#include <charconv>
#include <unordered_set>

namespace vlm::registry::detail {
namespace {

constexpr std::string_view kMagic = "vlm-registry-hive 1 ";
constexpr std::string_view kEnd = "end\n";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Names and data are written between double quotes; bytes outside printable
// ASCII, '"' and '%' are written as %XX, so that a token never holds a quote
// or a line break and the file stays plain ASCII.
void AppendQuoted(std::string& out, std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '"';
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '%') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
  }
  out += '"';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool WrittenBare(unsigned char c) { return c >= 0x20 && c < 0x7F && c != '"' && c != '%'; }

// Takes one space and one quoted token from the front of line, in exactly the
// form AppendQuoted writes: bare printable bytes, and %XX (upper-case) only
// for the bytes that are never written bare.
bool TakeQuoted(std::string_view& line, std::string& out) {
  if (line.size() < 3 || line[0] != ' ' || line[1] != '"') return false;
  out.clear();
  std::size_t i = 2;
  for (; i < line.size() && line[i] != '"'; ++i) {
    auto c = static_cast<unsigned char>(line[i]);
    if (c != '%') {
      if (!WrittenBare(c)) return false;
      out += static_cast<char>(c);
      continue;
    }
    if (i + 2 >= line.size()) return false;
    int hi = HexDigit(line[i + 1]);
    int lo = HexDigit(line[i + 2]);
    if (hi < 0 || lo < 0) return false;
    auto byte = static_cast<unsigned char>(hi * 16 + lo);
    if (WrittenBare(byte)) return false;
    out += static_cast<char>(byte);
    i += 2;
  }
  if (i == line.size()) return false;
  line.remove_prefix(i + 1);
  return true;
}

// Takes one space and a decimal number as std::to_string writes it: digits
// only, no sign and no leading zero.
template <typename Int>
bool TakeNumber(std::string_view& line, Int& out) {
  if (line.size() < 2 || line[0] != ' ') return false;
  if (line[1] == '0' && line.size() > 2 && line[2] >= '0' && line[2] <= '9') return false;
  const char* first = line.data() + 1;
  const char* last = line.data() + line.size();
  if (*first < '0' || *first > '9') return false;
  auto [end, ec] = std::from_chars(first, last, out);
  if (ec != std::errc() || end == first) return false;
  line.remove_prefix(static_cast<std::size_t>(end - line.data()));
  return true;
}

bool KnownType(DWORD type) {
  return type == kTypeNone || type == kTypeText || type == kTypeBinary || type == kTypeDword;
}

std::string Folded(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = Lower(c);
  return out;
}

void SerializeKey(const Key& key, std::string& path, std::string& out) {
  out += 'k';
  out += path;
  out += '\n';
  for (const Value& v : key.values) {
    out += "v ";
    out += std::to_string(v.type);
    out += ' ';
    AppendQuoted(out, v.name);
    out += ' ';
    AppendQuoted(out, v.data);
    out += '\n';
  }
  for (const auto& sub : key.subkeys) {
    std::size_t mark = path.size();
    path += ' ';
    AppendQuoted(path, sub->name);
    SerializeKey(*sub, path, out);
    path.resize(mark);
  }
}

}  // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool ValidKeyName(std::string_view name) {
  if (name.empty() || name.size() > kMaxKeyName) return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '\\') return false;
  }
  return true;
}

Key* Key::FindSubkey(std::string_view n) const {
  for (const auto& sub : subkeys) {
    if (EqualNoCase(sub->name, n)) return sub.get();
  }
  return nullptr;
}

std::ptrdiff_t Key::FindValue(std::string_view n) const {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (EqualNoCase(values[i].name, n)) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

std::string Serialize(const Key& root, std::uint64_t generation) {
  std::string out(kMagic);
  out += std::to_string(generation);
  out += '\n';
  std::string path;
  SerializeKey(root, path, out);
  out += kEnd;
  return out;
}

std::optional<std::uint64_t> ParseGeneration(std::string_view head) {
  if (head.substr(0, kMagic.size()) != kMagic) return std::nullopt;
  std::string_view rest = head.substr(kMagic.size() - 1);  // keep the space
  std::uint64_t generation = 0;
  if (!TakeNumber(rest, generation) || rest.empty() || rest[0] != '\n') return std::nullopt;
  return generation;
}

std::optional<Parsed> Parse(std::string_view text) {
  Parsed parsed;
  auto gen = ParseGeneration(text);
  if (!gen) return std::nullopt;
  parsed.generation = *gen;
  // A hive always ends with the end line; a file without it is cut short.
  if (text.size() < kEnd.size() || text.substr(text.size() - kEnd.size()) != kEnd) {
    return std::nullopt;
  }
  text.remove_prefix(text.find('\n') + 1);
  text.remove_suffix(kEnd.size());

  // Keys come depth-first, so the parent of every key is on the path of the
  // key read last: one step up that path per level, and the names seen below
  // each level of it in a set, keep the parse linear in the file's size.
  struct Level {
    Key* key;
    std::unordered_set<std::string> subkeys;  // folded names
  };
  std::vector<Level> path;
  std::unordered_set<std::string> values;  // folded names of the current key's values
  std::string token;
  while (!text.empty()) {
    std::size_t nl = text.find('\n');
    if (nl == std::string_view::npos) return std::nullopt;
    std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl + 1);
    if (line.empty()) return std::nullopt;
    char tag = line[0];
    line.remove_prefix(1);
    if (tag == 'k') {
      values.clear();
      if (!parsed.root) {
        // The root key comes first and has no name.
        if (!line.empty()) return std::nullopt;
        parsed.root = std::make_unique<Key>();
        path.push_back({parsed.root.get(), {}});
        continue;
      }
      // The names of the key's ancestors must be those on the path, written
      // as they are stored; the last name is the new key's.
      std::size_t depth = 0;
      for (;;) {
        if (!TakeQuoted(line, token) || !ValidKeyName(token)) return std::nullopt;
        ++depth;
        if (line.empty()) break;
        if (depth >= path.size() || path[depth].key->name != token) return std::nullopt;
      }
      if (depth > kMaxKeyDepth) return std::nullopt;
      path.resize(depth);  // the parent is now last
      if (!path.back().subkeys.insert(Folded(token)).second) return std::nullopt;  // duplicate
      auto key = std::make_unique<Key>();
      key->name = token;
      Key* added = key.get();
      path.back().key->subkeys.push_back(std::move(key));
      path.push_back({added, {}});
    } else if (tag == 'v') {
      Value v;
      if (path.empty() || !TakeNumber(line, v.type) || !TakeQuoted(line, v.name) ||
          !TakeQuoted(line, v.data) || !line.empty()) {
        return std::nullopt;
      }
      if (!KnownType(v.type) || (v.type == kTypeDword && v.data.size() != 4) ||
          v.name.size() > kMaxValueName || v.data.size() > kMaxValueData ||
          !values.insert(Folded(v.name)).second) {
        return std::nullopt;
      }
      path.back().key->values.push_back(std::move(v));
    } else {
      return std::nullopt;
    }
  }
  if (!parsed.root) return std::nullopt;
  return parsed;
}

}  // namespace vlm::registry::detail
