#include "platform/registry/hive.h"

#include <charconv>

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

// Takes one space and one quoted token from the front of line.
bool TakeQuoted(std::string_view& line, std::string& out) {
  if (line.size() < 3 || line[0] != ' ' || line[1] != '"') return false;
  out.clear();
  std::size_t i = 2;
  for (; i < line.size() && line[i] != '"'; ++i) {
    char c = line[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 2 >= line.size()) return false;
    int hi = HexDigit(line[i + 1]);
    int lo = HexDigit(line[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  if (i == line.size()) return false;
  line.remove_prefix(i + 1);
  return true;
}

template <typename Int>
bool TakeNumber(std::string_view& line, Int& out) {
  if (line.empty() || line[0] != ' ') return false;
  const char* first = line.data() + 1;
  const char* last = line.data() + line.size();
  auto [end, ec] = std::from_chars(first, last, out);
  if (ec != std::errc() || end == first) return false;
  line.remove_prefix(static_cast<std::size_t>(end - line.data()));
  return true;
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

  Key* current = nullptr;
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
      if (!parsed.root) {
        // The root key comes first and has no name.
        if (!line.empty()) return std::nullopt;
        parsed.root = std::make_unique<Key>();
        current = parsed.root.get();
        continue;
      }
      // A key follows its parent, which must already be there.
      Key* parent = nullptr;
      Key* walk = parsed.root.get();
      while (!line.empty()) {
        if (!walk || !TakeQuoted(line, token) || !ValidKeyName(token)) return std::nullopt;
        parent = walk;
        walk = walk->FindSubkey(token);
      }
      if (!parent || walk) return std::nullopt;  // the root again, or a duplicate
      auto key = std::make_unique<Key>();
      key->name = token;
      current = key.get();
      parent->subkeys.push_back(std::move(key));
    } else if (tag == 'v') {
      Value v;
      if (!current || !TakeNumber(line, v.type) || !TakeQuoted(line, v.name) ||
          !TakeQuoted(line, v.data) || !line.empty()) {
        return std::nullopt;
      }
      if (v.name.size() > kMaxValueName || current->FindValue(v.name) >= 0) return std::nullopt;
      current->values.push_back(std::move(v));
    } else {
      return std::nullopt;
    }
  }
  if (!parsed.root) return std::nullopt;
  return parsed;
}

}  // namespace vlm::registry::detail
