#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include <sys/stat.h>

#include <memory>

#include "platform/registry/tests/registry_fixture.h"
#include "tests/support/fifo_feeder.h"

namespace vlm::testing {
namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The names that enumeration gives, in its order.
std::vector<std::string> Enumerate(HKEY key, bool values) {
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD size = sizeof name;
    LONG rc = values ? RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr)
                     : RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(rc, ERROR_SUCCESS);
    if (rc != ERROR_SUCCESS) break;
    EXPECT_EQ(size, std::strlen(name));
    names.emplace_back(name);
  }
  return names;
}
std::vector<std::string> SubkeyNames(HKEY key) { return Enumerate(key, false); }
std::vector<std::string> ValueNames(HKEY key) { return Enumerate(key, true); }

using Names = std::vector<std::string>;

TEST_F(RegistryTest, ValuesKeepTypeAndExactBytesAcrossReload) {
  DWORD disposition = 0;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VLM\\Discovery\\Preferences", 0,
                            nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  const DWORD interval = 1000;
  const std::string binary("\0\x01\xff\"%\n end\n", 11);
  ASSERT_EQ(SetText(key, "IP_Enabled", "Yes"), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "RefreshInterval", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&interval), 4),
            ERROR_SUCCESS);
  ASSERT_EQ(SetBytes(key, "Blob", REG_BINARY, binary), ERROR_SUCCESS);
  ASSERT_EQ(SetBytes(key, "Empty", REG_SZ, ""), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, nullptr, "default"), ERROR_SUCCESS);
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "\\Software\\VLM\\Discovery\\Preferences", 0,
                            nullptr, 0, KEY_READ, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(key);

  registry::ResetForTests();  // read everything back from the file
  ASSERT_EQ(Open("SOFTWARE\\VLM\\Discovery\\Preferences", KEY_READ, &key), ERROR_SUCCESS);
  DWORD type = 0;
  EXPECT_EQ(Read(key, "IP_Enabled", &type), std::string("Yes\0", 4));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(Read(key, "RefreshInterval", &type), std::string("\xe8\x03\0\0", 4));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(Read(key, "Blob", &type), binary);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(Read(key, "Empty", &type), std::string());
  EXPECT_EQ(type, REG_SZ);
  // The null and the empty name are both the default value.
  EXPECT_EQ(Read(key, nullptr), std::string("default\0", 8));
  EXPECT_EQ(Read(key, ""), std::string("default\0", 8));

  // A size-only query reports size and type without a buffer.
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "IP_Enabled", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  RegCloseKey(key);

  HKEY other = nullptr;
  EXPECT_EQ(Open("SOFTWARE\\VLM\\Discovery\\Preferences", KEY_READ, &other, HKEY_CLASSES_ROOT),
            ERROR_FILE_NOT_FOUND)
      << "the two hives are separate";
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
  HKEY ranges = Create("SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\RANGES");
  ASSERT_EQ(SetText(ranges, "Server_Name", "first"), ERROR_SUCCESS);
  ASSERT_EQ(SetText(ranges, "SERVER_NAME", "second"), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(ranges), Names{"Server_Name"});
  EXPECT_EQ(Read(ranges, "server_name"), std::string("second\0", 7));
  RegCloseKey(ranges);

  HKEY same = nullptr;
  ASSERT_EQ(Open("Software\\vlm\\DISCOVERY\\dp\\ip\\discovery params\\Ranges", KEY_READ, &same),
            ERROR_SUCCESS);
  EXPECT_EQ(Read(same, "Server_Name"), std::string("second\0", 7));
  RegCloseKey(same);

  HKEY params = Create("software\\VLM\\Discovery\\DP\\IP\\Discovery Params");
  EXPECT_EQ(SubkeyNames(params), Names{"RANGES"});
  RegCloseKey(params);
  HKEY root = nullptr;
  ASSERT_EQ(Open("", KEY_READ, &root), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(root), Names{"SOFTWARE"});
  RegCloseKey(root);
}

TEST_F(RegistryTest, SubkeysAndValuesEnumerateInCreationOrder) {
  HKEY key = Create("Order");
  for (const char* name : {"b", "A", "c"}) RegCloseKey(Create(std::string("Order\\") + name));
  for (const char* name : {"2", "0", "1"}) ASSERT_EQ(SetText(key, name, name), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, "0", "again"), ERROR_SUCCESS);  // replacing keeps the place
  EXPECT_EQ(SubkeyNames(key), (Names{"b", "A", "c"}));
  EXPECT_EQ(ValueNames(key), (Names{"2", "0", "1"}));

  ASSERT_EQ(RegDeleteKeyA(key, "A"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(key, "2"), ERROR_SUCCESS);
  RegCloseKey(Create("Order\\A"));
  ASSERT_EQ(SetText(key, "2", "2"), ERROR_SUCCESS);
  registry::ResetForTests();
  EXPECT_EQ(SubkeyNames(key), (Names{"b", "c", "A"}));
  EXPECT_EQ(ValueNames(key), (Names{"0", "1", "2"}));

  // Enumeration also gives types and data, and ends with 259.
  char name[8];
  DWORD nameSize = sizeof name, type = 0, dataSize = 16;
  BYTE data[16];
  ASSERT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, &type, data, &dataSize),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(name), "0");
  EXPECT_EQ(nameSize, 1u);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), dataSize), std::string("again\0", 6));
  nameSize = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 3, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
}

TEST_F(RegistryTest, TooSmallBuffersGiveMoreDataAndTheSizeNeeded) {
  HKEY key = Create("Sizes");
  RegCloseKey(Create("Sizes\\Eleven_Char"));
  ASSERT_EQ(SetText(key, "Name", "127.0.0.1:127.0.0.9"), ERROR_SUCCESS);  // 20 bytes

  BYTE buffer[32];
  std::memset(buffer, 'x', sizeof buffer);
  DWORD size = 19, type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 20u);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(buffer[0], 'x') << "nothing is written to a buffer that is too small";
  size = 20;
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 20u);
  EXPECT_EQ(std::memcmp(buffer, "127.0.0.1:127.0.0.9", 20), 0);

  char name[32];
  std::memset(name, 'x', sizeof name);
  DWORD nameSize = 11;  // no room for the NUL
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  EXPECT_EQ(nameSize, 11u);
  EXPECT_EQ(name[0], 'x');
  nameSize = 12;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(nameSize, 11u);
  EXPECT_STREQ(name, "Eleven_Char");

  // Value enumeration: the data does not fit, so neither buffer is touched.
  std::memset(name, 'x', sizeof name);
  nameSize = sizeof name;
  size = 4;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, &type, buffer, &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 20u);
  EXPECT_EQ(nameSize, 4u);
  EXPECT_EQ(name[0], 'x');
  nameSize = 4;  // the name does not fit
  size = sizeof buffer;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, buffer, &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(nameSize, 4u);
  RegCloseKey(key);
}

struct BadCase {
  const char* what;
  std::function<LONG(HKEY key)> call;  // key: an open key "Bad" with value "v"
  LONG expected;
};

TEST_F(RegistryTest, BadArgumentsGiveDocumentedCodes) {
  HKEY closed = Create("Closed");
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
  const std::string longKey(256, 'k');
  const std::string longValue(16384, 'v');
  const std::string huge(1024 * 1024 + 1, 'h');
  // Path depth: 512 levels at most, and at most 32 new ones made by a create.
  auto levels = [](std::size_t n) {
    std::string path = "L";
    for (std::size_t i = 1; i < n; ++i) path += "\\L";
    return path;
  };
  const std::string new33 = levels(33);
  const std::string deep513 = levels(513);
  const std::string path12k = levels(6 * 1024);
  const DWORD dword = 7;
  const auto* dw = reinterpret_cast<const BYTE*>(&dword);
  static HKEY out;
  static DWORD size;
  static char name[64];
  static BYTE data[64];
  auto create = [](HKEY parent, const char* path) {
    return RegCreateKeyExA(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr);
  };
  const std::vector<BadCase> cases = {
      {"open: null result", [](HKEY k) { return RegOpenKeyExA(k, "", 0, KEY_READ, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"open: null handle",
       [](HKEY) { return RegOpenKeyExA(nullptr, "Bad", 0, KEY_READ, &out); },
       ERROR_INVALID_HANDLE},
      {"open: closed handle",
       [closed](HKEY) { return RegOpenKeyExA(closed, "", 0, KEY_READ, &out); },
       ERROR_INVALID_HANDLE},
      {"open: made-up handle",
       [](HKEY) { return RegOpenKeyExA(reinterpret_cast<HKEY>(0x1234), "", 0, KEY_READ, &out); },
       ERROR_INVALID_HANDLE},
      {"open: options", [](HKEY k) { return RegOpenKeyExA(k, "", 8, KEY_READ, &out); },
       ERROR_INVALID_PARAMETER},
      {"open: missing key", [](HKEY k) { return RegOpenKeyExA(k, "None", 0, KEY_READ, &out); },
       ERROR_FILE_NOT_FOUND},
      {"create: null result",
       [](HKEY k) {
         return RegCreateKeyExA(k, "X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr, nullptr);
       },
       ERROR_INVALID_PARAMETER},
      {"create: null subkey", [=](HKEY k) { return create(k, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"create: reserved",
       [](HKEY k) {
         return RegCreateKeyExA(k, "X", 1, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr);
       },
       ERROR_INVALID_PARAMETER},
      {"create: volatile",
       [](HKEY k) {
         return RegCreateKeyExA(k, "X", 0, nullptr, 1, KEY_ALL_ACCESS, nullptr, &out, nullptr);
       },
       ERROR_INVALID_PARAMETER},
      {"create: empty name inside", [=](HKEY k) { return create(k, "A\\\\B"); },
       ERROR_INVALID_PARAMETER},
      {"create: trailing separator", [=](HKEY k) { return create(k, "A\\"); },
       ERROR_INVALID_PARAMETER},
      {"create: control character", [=](HKEY k) { return create(k, "A\tB"); },
       ERROR_INVALID_PARAMETER},
      {"create: name of 256", [=](HKEY k) { return create(k, longKey.c_str()); },
       ERROR_INVALID_PARAMETER},
      {"create: closed handle", [=](HKEY) { return create(closed, "X"); }, ERROR_INVALID_HANDLE},
      {"create: 33 new levels", [&](HKEY k) { return create(k, new33.c_str()); },
       ERROR_INVALID_PARAMETER},
      {"create: 12 KB path", [&](HKEY k) { return create(k, path12k.c_str()); },
       ERROR_INVALID_PARAMETER},
      {"create: 513 levels",
       [&](HKEY) { return create(HKEY_LOCAL_MACHINE, deep513.c_str()); },
       ERROR_INVALID_PARAMETER},
      {"open: 513 levels",
       [&](HKEY) { return RegOpenKeyExA(HKEY_LOCAL_MACHINE, deep513.c_str(), 0, KEY_READ, &out); },
       ERROR_INVALID_PARAMETER},
      {"set: value name of 16384",
       [&](HKEY k) { return RegSetValueExA(k, longValue.c_str(), 0, REG_DWORD, dw, 4); },
       ERROR_INVALID_PARAMETER},
      {"set: dword of 3 bytes", [&](HKEY k) { return RegSetValueExA(k, "d", 0, REG_DWORD, dw, 3); },
       ERROR_INVALID_PARAMETER},
      {"set: dword of 8 bytes", [&](HKEY k) { return RegSetValueExA(k, "d", 0, REG_DWORD, dw, 8); },
       ERROR_INVALID_PARAMETER},
      {"set: null data with a size",
       [](HKEY k) { return RegSetValueExA(k, "d", 0, REG_SZ, nullptr, 4); },
       ERROR_INVALID_PARAMETER},
      {"set: unknown type", [&](HKEY k) { return RegSetValueExA(k, "d", 0, 7, dw, 4); },
       ERROR_INVALID_PARAMETER},
      {"set: reserved", [&](HKEY k) { return RegSetValueExA(k, "d", 1, REG_DWORD, dw, 4); },
       ERROR_INVALID_PARAMETER},
      {"set: over 1 MiB",
       [&](HKEY k) {
         return RegSetValueExA(k, "d", 0, REG_BINARY, reinterpret_cast<const BYTE*>(huge.data()),
                               static_cast<DWORD>(huge.size()));
       },
       ERROR_INVALID_PARAMETER},
      {"set: closed handle",
       [&](HKEY) { return RegSetValueExA(closed, "d", 0, REG_DWORD, dw, 4); },
       ERROR_INVALID_HANDLE},
      {"query: reserved",
       [](HKEY k) {
         DWORD reserved = 0;
         size = sizeof data;
         return RegQueryValueExA(k, "v", &reserved, nullptr, data, &size);
       },
       ERROR_INVALID_PARAMETER},
      {"query: data without size",
       [](HKEY k) { return RegQueryValueExA(k, "v", nullptr, nullptr, data, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"query: value name of 16384",
       [&](HKEY k) { return RegQueryValueExA(k, longValue.c_str(), nullptr, nullptr, nullptr, &size); },
       ERROR_INVALID_PARAMETER},
      {"query: missing value",
       [](HKEY k) { return RegQueryValueExA(k, "none", nullptr, nullptr, nullptr, &size); },
       ERROR_FILE_NOT_FOUND},
      {"query: null handle",
       [](HKEY) { return RegQueryValueExA(nullptr, "v", nullptr, nullptr, nullptr, &size); },
       ERROR_INVALID_HANDLE},
      {"delete value: missing", [](HKEY k) { return RegDeleteValueA(k, "none"); },
       ERROR_FILE_NOT_FOUND},
      {"delete value: closed handle", [=](HKEY) { return RegDeleteValueA(closed, "v"); },
       ERROR_INVALID_HANDLE},
      {"delete key: null subkey", [](HKEY k) { return RegDeleteKeyA(k, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"delete key: missing", [](HKEY k) { return RegDeleteKeyA(k, "None"); },
       ERROR_FILE_NOT_FOUND},
      {"delete key: a root", [](HKEY) { return RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""); },
       ERROR_ACCESS_DENIED},
      {"delete key: bad name", [](HKEY k) { return RegDeleteKeyA(k, "A\\\\B"); },
       ERROR_INVALID_PARAMETER},
      {"enum keys: null name",
       [](HKEY k) {
         size = 8;
         return RegEnumKeyExA(k, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_INVALID_PARAMETER},
      {"enum keys: null size",
       [](HKEY k) { return RegEnumKeyExA(k, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"enum keys: class without size",
       [](HKEY k) {
         size = sizeof name;
         char cls[4];
         return RegEnumKeyExA(k, 0, name, &size, nullptr, cls, nullptr, nullptr);
       },
       ERROR_INVALID_PARAMETER},
      {"enum values: null name",
       [](HKEY k) {
         size = 8;
         return RegEnumValueA(k, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_INVALID_PARAMETER},
      {"enum values: data without size",
       [](HKEY k) {
         DWORD n = sizeof name;
         return RegEnumValueA(k, 0, name, &n, nullptr, nullptr, data, nullptr);
       },
       ERROR_INVALID_PARAMETER},
      {"enum values: closed handle",
       [=](HKEY) {
         DWORD n = sizeof name;
         return RegEnumValueA(closed, 0, name, &n, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_INVALID_HANDLE},
      {"close: null", [](HKEY) { return RegCloseKey(nullptr); }, ERROR_INVALID_HANDLE},
      {"close: twice", [=](HKEY) { return RegCloseKey(closed); }, ERROR_INVALID_HANDLE},
  };

  HKEY key = Create("Bad");
  ASSERT_EQ(SetText(key, "v", "value"), ERROR_SUCCESS);
  const std::string before = FileText(HivePath());
  for (const BadCase& c : cases) {
    out = nullptr;
    EXPECT_EQ(c.call(key), c.expected) << c.what;
    EXPECT_EQ(out, nullptr) << c.what << ": no handle on failure";
  }
  EXPECT_EQ(FileText(HivePath()), before) << "a refused call changes nothing";

  // The limits themselves are allowed: 32 new levels a create, down to 512.
  HKEY longest = Create(std::string(255, 'k'));
  RegCloseKey(longest);
  for (std::size_t depth = 32; depth <= 512; depth += 32) RegCloseKey(Create(levels(depth)));
  HKEY deepest = nullptr;
  EXPECT_EQ(Open(levels(512), KEY_READ, &deepest), ERROR_SUCCESS);
  RegCloseKey(deepest);
  EXPECT_EQ(RegSetValueExA(key, longValue.substr(1).c_str(), 0, REG_DWORD, dw, 4), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(RegistryTest, HandlesDoOnlyWhatTheyWereOpenedFor) {
  HKEY key = Create("Rights");
  RegCloseKey(Create("Rights\\Child"));
  ASSERT_EQ(SetText(key, "v", "1"), ERROR_SUCCESS);
  RegCloseKey(key);

  HKEY reader = nullptr, writer = nullptr;
  ASSERT_EQ(Open("Rights", KEY_READ, &reader), ERROR_SUCCESS);
  ASSERT_EQ(Open("Rights", KEY_WRITE, &writer), ERROR_SUCCESS);
  EXPECT_EQ(SetText(reader, "v", "2"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(reader, "v"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Read(writer, "v"), std::nullopt);
  char name[16];
  DWORD size = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(writer, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  size = sizeof name;
  EXPECT_EQ(RegEnumValueA(writer, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(SetText(writer, "v", "3"), ERROR_SUCCESS);
  EXPECT_EQ(Read(reader, "v"), std::string("3\0", 2));
  // A key is deleted through a handle opened for reading only, as a
  // recursive delete that walks a key it opened for reading does.
  EXPECT_EQ(RegDeleteKeyA(reader, "Child"), ERROR_SUCCESS);
  RegCloseKey(reader);
  RegCloseKey(writer);
}

TEST_F(RegistryTest, DeniedKeysRefuseWritesBelowThemOnly) {
  const std::string ranges = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges";
  RegCloseKey(Create(ranges + "\\Below"));
  HKEY openedBefore = Create(ranges);
  HKEY sibling = Create("SOFTWARE\\VLM\\Discovery\\Preferences");
  registry::DenyWriteBelowForTests("HKLM\\software\\vlm\\discovery\\dp\\ip\\Discovery Params\\RANGES");

  HKEY key = nullptr;
  EXPECT_EQ(Open(ranges, KEY_WRITE, &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(Open(ranges + "\\Below", KEY_SET_VALUE, &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, ranges.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (ranges + "\\New").c_str(), 0, nullptr, 0,
                            KEY_READ, nullptr, &key, nullptr),
            ERROR_ACCESS_DENIED)
      << "creating a key is a write whatever the rights asked";
  EXPECT_EQ(SetText(openedBefore, "0", "127.0.0.1:127.0.0.2"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(openedBefore, "Below"), ERROR_ACCESS_DENIED);

  ASSERT_EQ(Open(ranges, KEY_READ, &key), ERROR_SUCCESS) << "reading is still allowed";
  RegCloseKey(key);
  EXPECT_EQ(SetText(sibling, "IP_Enabled", "Yes"), ERROR_SUCCESS);
  RegCloseKey(Create("SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges2"));
  RegCloseKey(Create(ranges, KEY_ALL_ACCESS, HKEY_CLASSES_ROOT));

  registry::ClearDeniedWritesForTests();
  EXPECT_EQ(SetText(openedBefore, "0", "127.0.0.1:127.0.0.2"), ERROR_SUCCESS);
  RegCloseKey(openedBefore);

  registry::DenyWriteBelowForTests("HKCR");
  EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr),
            ERROR_ACCESS_DENIED);
  RegCloseKey(sibling);
}

TEST_F(RegistryTest, DeleteKeyRefusesKeysWithSubkeys) {
  HKEY parent = Create("Parent");
  HKEY child = Create("Parent\\Child");
  ASSERT_EQ(SetText(child, "v", "1"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Parent"), ERROR_KEY_HAS_CHILDREN);
  EXPECT_EQ(SubkeyNames(parent), Names{"Child"});

  EXPECT_EQ(RegDeleteKeyA(parent, "CHILD"), ERROR_SUCCESS) << "values do not hold a key";
  EXPECT_EQ(Read(child, "v"), std::nullopt);
  EXPECT_EQ(SetText(child, "v", "2"), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Parent"), ERROR_SUCCESS);
  HKEY gone = nullptr;
  EXPECT_EQ(Open("Parent", KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
  RegCloseKey(parent);
}

TEST_F(RegistryTest, EffectiveUserWithoutWriteRightGetsAccessDenied) {
  HKEY key = Create("SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges");
  ASSERT_EQ(SetText(key, "0", "127.0.0.1:127.0.0.5"), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Drop to a user who may read the hive but not write it.
    if (::geteuid() == 0) {
      if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) _exit(90);
    } else if (::chmod(HivePath().c_str(), 0444) != 0 || ::chmod(root_.c_str(), 0555) != 0) {
      _exit(91);
    }
    const std::string path = "SOFTWARE\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges";
    int failures = 0;
    HKEY k = nullptr;
    if (Open(path, KEY_READ, &k) != ERROR_SUCCESS) failures |= 1;
    if (Read(k, "0") != std::string("127.0.0.1:127.0.0.5\0", 20)) failures |= 2;
    RegCloseKey(k);
    if (Open(path, KEY_WRITE, &k) != ERROR_ACCESS_DENIED) failures |= 4;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "New", 0, nullptr, 0, KEY_READ, nullptr, &k,
                        nullptr) != ERROR_ACCESS_DENIED) {
      failures |= 8;
    }
    if (RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1) !=
        ERROR_ACCESS_DENIED) {
      failures |= 16;
    }
    _exit(failures);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::chmod(root_.c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "bit mask of the failed checks";
}

TEST_F(RegistryTest, HiveThatDoesNotParseIsReportedAndLeftAlone) {
  HKEY key = Create("Keep");
  ASSERT_EQ(SetText(key, "v", "1"), ERROR_SUCCESS);
  RegCloseKey(key);
  RegCloseKey(Create("Other", KEY_ALL_ACCESS, HKEY_CLASSES_ROOT));
  std::string whole = FileText(HivePath());
  for (const std::string& broken :
       {whole.substr(0, whole.size() - 4), std::string("garbage\n"), whole.substr(0, 30)}) {
    std::ofstream(HivePath(), std::ios::binary | std::ios::trunc) << broken;
    HKEY k = nullptr;
    EXPECT_EQ(Open("Keep", KEY_READ, &k), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "New", 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                              nullptr),
              ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(FileText(HivePath()), broken) << "a hive that does not parse is not overwritten";
    HKEY other = nullptr;
    EXPECT_EQ(Open("Other", KEY_READ, &other, HKEY_CLASSES_ROOT), ERROR_SUCCESS);
    RegCloseKey(other);
  }
}

TEST_F(RegistryTest, HiveFileFormat) {
  HKEY key = Create("CLSID\\{FB275470-7D98-11D2-9D15-004033A508EE}", KEY_WRITE, HKEY_CLASSES_ROOT);
  ASSERT_EQ(SetText(key, nullptr, "VlmNetMgr Component"), ERROR_SUCCESS);
  const DWORD one = 1;
  ASSERT_EQ(RegSetValueExA(key, "100% \"odd\"", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                           4),
            ERROR_SUCCESS);
  RegCloseKey(Create("CLSID\\{FB275470-7D98-11D2-9D15-004033A508EE}\\Inproc Server32", KEY_WRITE,
                     HKEY_CLASSES_ROOT));
  RegCloseKey(key);
  EXPECT_EQ(FileText(HivePath("HKCR")),
            "vlm-registry-hive 1 4\n"
            "k\n"
            "k \"CLSID\"\n"
            "k \"CLSID\" \"{FB275470-7D98-11D2-9D15-004033A508EE}\"\n"
            "v 1 \"\" \"VlmNetMgr Component%00\"\n"
            "v 4 \"100%25 %22odd%22\" \"%01%00%00%00\"\n"
            "k \"CLSID\" \"{FB275470-7D98-11D2-9D15-004033A508EE}\" \"Inproc Server32\"\n"
            "end\n");
}

// What lies where the hive, its lock or its temporary file should be: a
// planted link is never followed nor left as the hive, and a FIFO or device
// never blocks a call; the planted file is refused and left as it is.
TEST_F(RegistryTest, PlantedLinksAndSpecialFilesAreRefusedNotFollowed) {
  const std::string kValidHive = "vlm-registry-hive 1 1\nk\nk \"Keep\"\nend\n";
  struct Case {
    const char* name;
    const char* planted;  // file name in the root folder
    std::function<std::unique_ptr<FifoFeeder>(const std::string& planted)> plant;
    LONG create;  // what creating a key gives
    bool hiveRefused;  // every call on the hive gives 1015
  };
  // Links name "victim" beside them, a file of each case's fresh root.
  auto link = [&](const std::string& target) {
    return [&, target](const std::string& planted) {
      EXPECT_EQ(::symlink(target.c_str(), planted.c_str()), 0);
      return std::unique_ptr<FifoFeeder>();
    };
  };
  auto fifo = [&](const std::string& content) {
    return [content](const std::string& planted) {
      return std::make_unique<FifoFeeder>(planted, content);
    };
  };
  const Case cases[] = {
      {"temporary file links to a file", "HKLM.hive.tmp", link("victim"), ERROR_SUCCESS, false},
      {"hive is a FIFO", "HKLM.hive", fifo(kValidHive), ERROR_REGISTRY_CORRUPT, true},
      {"hive links to a hive", "HKLM.hive", link("victim"), ERROR_REGISTRY_CORRUPT, true},
      {"hive links to /dev/zero", "HKLM.hive", link("/dev/zero"), ERROR_REGISTRY_CORRUPT, true},
      {"lock is a FIFO", "HKLM.lock", fifo(""), ERROR_REGISTRY_IO_FAILED, false},
      {"lock links to a file", "HKLM.lock", link("victim"), ERROR_REGISTRY_IO_FAILED, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    const std::string victim = root_ + "/victim";
    std::ofstream(victim, std::ios::binary) << kValidHive;
    const std::string planted = root_ + "/" + c.planted;
    std::unique_ptr<FifoFeeder> feeder = c.plant(planted);
    struct stat before {};
    ASSERT_EQ(::lstat(planted.c_str(), &before), 0);

    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              c.create);
    if (key) {
      EXPECT_EQ(SetText(key, "v", "written"), ERROR_SUCCESS);
      EXPECT_EQ(Read(key, "v"), std::string("written", 8));
      RegCloseKey(key);
    }
    HKEY kept = nullptr;
    EXPECT_EQ(Open("Keep", KEY_READ, &kept),
              c.hiveRefused ? ERROR_REGISTRY_CORRUPT : ERROR_FILE_NOT_FOUND);
    if (kept) RegCloseKey(kept);
    if (feeder) feeder->Stop();

    EXPECT_EQ(FileText(victim), kValidHive) << "a link's target is never written";
    struct stat hive {};
    if (c.create == ERROR_SUCCESS) {
      ASSERT_EQ(::lstat(HivePath().c_str(), &hive), 0);
      EXPECT_TRUE(S_ISREG(hive.st_mode)) << "the hive is a file of its own";
      for (const auto& entry : std::filesystem::directory_iterator(root_)) {
        EXPECT_NE(entry.path().filename().string().rfind("HKLM.hive.tmp", 0), 0u)
            << "left behind: " << entry.path();
      }
    } else {
      struct stat after {};
      ASSERT_EQ(::lstat(planted.c_str(), &after), 0);
      EXPECT_EQ(after.st_mode, before.st_mode) << "a refused file is left as it is";
      EXPECT_EQ(after.st_ino, before.st_ino);
    }
    // The other hive is not affected.
    RegCloseKey(Create("Other", KEY_ALL_ACCESS, HKEY_CLASSES_ROOT));
  }
}

// The parser takes exactly what the writer writes; every other text is a
// corrupt hive, however close to the written form.
TEST_F(RegistryTest, OnlyTheWrittenFormParses) {
  auto hive = [](const std::string& body, const std::string& generation = "4") {
    return "vlm-registry-hive 1 " + generation + "\nk\nk \"A\"\n" + body + "end\n";
  };
  std::string deep512 = "k";
  std::string chain;
  for (int i = 0; i < 512; ++i) chain += " \"L\"", deep512 += "\nk" + chain;
  const std::string deep513 = deep512 + "\nk" + chain + " \"L\"";
  const std::string megabyte(1024 * 1024, 'x');
  struct Case {
    const char* name;
    std::string text;
    bool valid;
  };
  const Case cases[] = {
      {"as written", hive("v 1 \"n%25\" \"a%00\"\nk \"A\" \"B\"\nk \"A\" \"C\"\nk \"D\"\n"), true},
      {"512 levels", "vlm-registry-hive 1 4\nk\nk \"A\"\n" + deep512.substr(2) + "\nend\n", true},
      {"data of 1 MiB", hive("v 3 \"big\" \"" + megabyte + "\"\n"), true},
      {"513 levels", "vlm-registry-hive 1 4\nk\nk \"A\"\n" + deep513.substr(2) + "\nend\n", false},
      {"data over 1 MiB", hive("v 3 \"big\" \"" + megabyte + "x\"\n"), false},
      {"raw control byte in data", hive("v 1 \"n\" \"a\x01b\"\n"), false},
      {"raw tab in a value name", hive("v 1 \"a\tb\" \"\"\n"), false},
      {"raw high byte in data", hive("v 3 \"n\" \"\xC3\xA9\"\n"), false},
      {"escaped printable byte", hive("v 1 \"n\" \"%41\"\n"), false},
      {"lower-case escape", hive("v 3 \"n\" \"%0a\"\n"), false},
      {"dword of 2 bytes", hive("v 4 \"d\" \"%01%00\"\n"), false},
      {"dword of 5 bytes", hive("v 4 \"d\" \"%01%00%00%00%00\"\n"), false},
      {"unknown type", hive("v 2 \"n\" \"\"\n"), false},
      {"type with a leading zero", hive("v 01 \"n\" \"%00\"\n"), false},
      {"generation with leading zeros", hive("", "0004"), false},
      {"generation with a sign", hive("", "+4"), false},
      {"generation past 64 bits", hive("", "18446744073709551616"), false},
      {"key before its parent", hive("k \"B\" \"C\"\n"), false},
      {"key after its parent's subtree", hive("k \"B\"\nk \"A\" \"C\"\n"), false},
      {"parent spelt otherwise", hive("k \"a\" \"C\"\n"), false},
      {"duplicate key", hive("k \"a\"\n"), false},
      {"duplicate value", hive("v 1 \"N\" \"\"\nv 1 \"n\" \"\"\n"), false},
      {"key name of 256", hive("k \"" + std::string(256, 'k') + "\"\n"), false},
      {"value name of 16384", hive("v 1 \"" + std::string(16384, 'v') + "\" \"\"\n"), false},
      {"trailing space", hive("v 1 \"n\" \"\" \n"), false},
      {"line ends in CR LF", hive("v 1 \"n\" \"\"\r\n"), false},
      {"second root", hive("k\n"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    registry::ResetForTests();
    std::ofstream(HivePath(), std::ios::binary | std::ios::trunc) << c.text;
    HKEY key = nullptr;
    EXPECT_EQ(Open("A", KEY_READ, &key), c.valid ? ERROR_SUCCESS : ERROR_REGISTRY_CORRUPT);
    if (key) RegCloseKey(key);
  }
}

// 400,000 sibling keys (a hive of 5 MB) parse in one pass over the file.
TEST_F(RegistryTest, ManySiblingKeysParseInLinearTime) {
  constexpr int kSiblings = 400000;
  std::string text = "vlm-registry-hive 1 1\nk\n";
  for (int i = 0; i < kSiblings; ++i) text += "k \"K" + std::to_string(i) + "\"\n";
  text += "end\n";
  std::ofstream(HivePath(), std::ios::binary) << text;
  HKEY key = nullptr;
  ASSERT_EQ(Open("k399999", KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  char name[32];
  DWORD size = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(HKEY_LOCAL_MACHINE, kSiblings - 1, name, &size, nullptr, nullptr,
                          nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, "K399999");
}

}  // namespace
}  // namespace vlm::testing
