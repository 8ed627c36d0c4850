// Fuzz target: hive files. Each input is written as HKLM.hive of a registry
// folder of this process (under $TMPDIR), loaded through
// the registry's interface and walked: every key opened by its name, every
// sub-key and value enumerated, every value queried by its name.
//
// Checks, besides the sanitizers:
// - a hive that loads is read back exactly as the file holds it (the walk
//   gives its keys, values, types and data in file order);
// - it writes back to the same bytes: the text the layer writes for the tree
//   is the input, and a change made and undone through the interface leaves
//   the input with its generation counted up by two;
// - the text written loads again to the same tree;
// - a hive that does not load gives ERROR_REGISTRY_CORRUPT, and nothing is
//   written over it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/registry/hive.h"
#include "platform/registry/registry.h"
#include "tests/support/fuzz_support.h"

namespace vlm::registry::fuzz {
namespace {

using detail::Key;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "hive_fuzz: %s\n", what.c_str());
  std::abort();
}

// The registry folder of the run.
struct Folder {
  testing::RegistryFolder registry{"vlm-hive-fuzz"};
  std::string Hive() const { return registry.folder / "HKLM.hive"; }
};

const Folder& TheFolder() {
  static const Folder folder;
  return folder;
}
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const std::string temporary = path + ".new";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || (size && ::write(fd, data, size) != static_cast<ssize_t>(size)) || ::close(fd) != 0 ||
      ::rename(temporary.c_str(), path.c_str()) != 0)
    Fail("cannot write " + path);
}

bool SameTree(const Key& a, const Key& b) {
  if (a.name != b.name || a.values.size() != b.values.size() || a.subkeys.size() != b.subkeys.size()) return false;
  for (std::size_t i = 0; i < a.values.size(); ++i)
    if (a.values[i].name != b.values[i].name || a.values[i].type != b.values[i].type ||
        a.values[i].data != b.values[i].data)
      return false;
  for (std::size_t i = 0; i < a.subkeys.size(); ++i)
    if (!SameTree(*a.subkeys[i], *b.subkeys[i])) return false;
  return true;
}

struct Handle {
  HKEY h = nullptr;
  ~Handle() {
    if (h) RegCloseKey(h);
  }
};

// The walk of `key` (opened as `path`) against the tree's `expected`.
void Walk(HKEY key, const Key& expected, const std::string& path) {
  std::vector<char> name(detail::kMaxValueName + 1);
  std::vector<BYTE> data;
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size()), type = 0, dataSize = 0;
    LONG rc = RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, nullptr, &dataSize);
    if (rc == ERROR_NO_MORE_ITEMS) {
      if (i != expected.values.size()) Fail(path + ": " + std::to_string(i) + " values enumerated");
      break;
    }
    if (rc != ERROR_SUCCESS || i >= expected.values.size())
      Fail(path + ": value enumeration gives " + std::to_string(rc));
    const detail::Value& v = expected.values[i];
    data.assign(dataSize + 1, 0xA5);
    DWORD size = dataSize, queriedType = 0;
    nameSize = static_cast<DWORD>(name.size());
    if (RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &size) != ERROR_SUCCESS ||
        std::string(name.data(), nameSize) != v.name || type != v.type || size != v.data.size() ||
        std::string(data.begin(), data.begin() + size) != v.data || data[size] != 0xA5)
      Fail(path + ": value " + std::to_string(i) + " is not read back as the file holds it");
    // A name that holds a NUL cannot be asked for.
    if (v.name.find('\0') != std::string::npos) continue;
    size = dataSize;
    if (RegQueryValueExA(key, v.name.c_str(), nullptr, &queriedType, data.data(), &size) != ERROR_SUCCESS ||
        queriedType != v.type || std::string(data.begin(), data.begin() + size) != v.data)
      Fail(path + ": value \"" + v.name + "\" is not found by its name");
  }
  for (DWORD i = 0;; ++i) {
    char subName[detail::kMaxKeyName + 1];
    DWORD subSize = sizeof subName;
    LONG rc = RegEnumKeyExA(key, i, subName, &subSize, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) {
      if (i != expected.subkeys.size()) Fail(path + ": " + std::to_string(i) + " sub-keys enumerated");
      break;
    }
    if (rc != ERROR_SUCCESS || i >= expected.subkeys.size())
      Fail(path + ": sub-key enumeration gives " + std::to_string(rc));
    const Key& sub = *expected.subkeys[i];
    if (std::string(subName, subSize) != sub.name) Fail(path + ": sub-key " + std::to_string(i) + " is " + subName);
    Handle h;
    if (RegOpenKeyExA(key, sub.name.c_str(), 0, KEY_READ, &h.h) != ERROR_SUCCESS)
      Fail(path + ": sub-key \"" + sub.name + "\" does not open");
    Walk(h.h, sub, path + "\\" + sub.name);
  }
}

// A value name the root key does not have.
std::string FreeValueName(const Key& root) {
  std::string name = "fuzz";
  while (root.FindValue(name) >= 0) name += "z";
  return name;
}

}  // namespace
}  // namespace vlm::registry::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vlm;
  using namespace vlm::registry::fuzz;
  const Folder& folder = TheFolder();
  WriteFile(folder.Hive(), data, size);
  registry::ResetForTests();  // a new file may reuse the old one's inode and time stamp
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::optional<registry::detail::Parsed> parsed = registry::detail::Parse(text);

  Handle root;
  const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_ALL_ACCESS, &root.h);
  if (!parsed) {
    if (rc != ERROR_REGISTRY_CORRUPT) Fail("a hive that does not parse opens with " + std::to_string(rc));
    const std::uint8_t byte = 1;
    if (RegSetValueExA(HKEY_LOCAL_MACHINE, "fuzz", 0, REG_BINARY, &byte, 1) != ERROR_REGISTRY_CORRUPT ||
        ReadFile(folder.Hive()) != text)
      Fail("a hive that does not parse was written over");
    return 0;
  }
  if (rc != ERROR_SUCCESS) Fail("a hive that parses opens with " + std::to_string(rc));

  const std::string written = registry::detail::Serialize(*parsed->root, parsed->generation);
  if (written != text) Fail("the hive is not written back to the same bytes");
  std::optional<registry::detail::Parsed> again = registry::detail::Parse(written);
  if (!again || again->generation != parsed->generation || !SameTree(*again->root, *parsed->root))
    Fail("the hive written back does not load to the same tree");

  Walk(root.h, *parsed->root, "HKLM");

  // A change made and undone through the interface: the same tree, two
  // generations on.
  const std::string name = FreeValueName(*parsed->root);
  const std::uint8_t byte = 1;
  if (RegSetValueExA(root.h, name.c_str(), 0, REG_BINARY, &byte, 1) != ERROR_SUCCESS ||
      RegDeleteValueA(root.h, name.c_str()) != ERROR_SUCCESS)
    Fail("the hive cannot be changed");
  if (ReadFile(folder.Hive()) != registry::detail::Serialize(*parsed->root, parsed->generation + 2))
    Fail("a change made and undone does not write the same tree back");
  return 0;
}
