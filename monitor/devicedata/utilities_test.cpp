#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/devicedata_test_support.h"
#include "platform/registry/registry.h"

namespace vlm::monitor {
namespace {

using test_support::DeviceDataTest;

constexpr const char* kMapping = "SOFTWARE\\VLM\\Discovery\\Mapping";

// The module on a scratch registry of its own.
class RegistryStringTest : public DeviceDataTest {
 protected:
  void SetUp() override {
    DeviceDataTest::SetUp();
    registryRoot_ = folder_ + "/registry";
    ::setenv("VLM_REGISTRY_ROOT", registryRoot_.c_str(), 1);
    registry::ResetForTests();
    Registry_Value.clear();
    Registry_Found.clear();
  }
  void TearDown() override {
    registry::ResetForTests();
    ::unsetenv("VLM_REGISTRY_ROOT");
    DeviceDataTest::TearDown();
  }
  static void Set(const char* name, const std::string& data, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMapping, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  // A REG_SZ as the installation writes it: the text and its NUL.
  static void Set_Text(const char* name, const std::string& text) {
    Set(name, text + std::string(1, '\0'));
  }
  // Reads the value and checks that no key was left open.
  static std::string Read(const char* subKey, const char* name) {
    const std::size_t before = registry::OpenKeyCountForTests();
    std::string text = Read_Registry_String(HKEY_LOCAL_MACHINE, subKey, name);
    EXPECT_EQ(registry::OpenKeyCountForTests(), before) << subKey << " " << name;
    return text;
  }

  std::string registryRoot_;
};

TEST_F(RegistryStringTest, TextsUpToTheBufferAreReadWithoutTheirNul) {
  for (const std::string& text : {std::string("TQZResource.TQZRX11"), std::string(254, 'p')}) {
    Set_Text("11", text);
    Registry_Found = "stale";
    EXPECT_EQ(Read(kMapping, "11"), text);
    EXPECT_EQ(Registry_Value, text);
    EXPECT_EQ(Registry_Found, "");
  }
  // Data that was written without its NUL is taken whole; a NUL inside ends
  // the text.
  Set("12", "TQZResource.TQZRX12");
  EXPECT_EQ(Read(kMapping, "12"), "TQZResource.TQZRX12");
  Set("13", std::string("TQZResource.TQZRX13\0junk\0", 25));
  EXPECT_EQ(Read(kMapping, "13"), "TQZResource.TQZRX13");
  // Value names compare case-insensitively, key paths may start with "\".
  EXPECT_EQ(Read("\\software\\vlm\\discovery\\MAPPING", "12"), "TQZResource.TQZRX12");
}

// Every failure gives "" and "No", and clears the text of the previous
// printer's engine class, so that no picture is drawn with it.
TEST_F(RegistryStringTest, EveryFailureGivesEmptyTextAndNotFound) {
  Set_Text("11", "TQZResource.TQZRX11");
  Set_Text("14", std::string(255, 'p'));
  Set("15", "");
  Set_Text("16", "");
  Set("17", std::string("\x11\0\0\0", 4), REG_DWORD);
  const struct {
    const char* what;
    const char* subKey;
    const char* name;
  } cases[] = {
      {"missing key", "SOFTWARE\\VLM\\Discovery\\NoSuchKey", "11"},
      {"missing value", kMapping, "18"},
      {"255 characters", kMapping, "14"},
      {"empty data", kMapping, "15"},
      {"empty text", kMapping, "16"},
      {"not a text", kMapping, "17"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Read(kMapping, "11"), "TQZResource.TQZRX11");
    EXPECT_EQ(Read(c.subKey, c.name), "") << c.what;
    EXPECT_EQ(Registry_Value, "") << c.what;
    EXPECT_EQ(Registry_Found, "No") << c.what;
  }
}

TEST_F(RegistryStringTest, AKeyThatRefusesReadingGivesNotFound) {
  Set_Text("11", "TQZResource.TQZRX11");
  ASSERT_EQ(Read(kMapping, "11"), "TQZResource.TQZRX11");
  // A damaged hive refuses every open.
  std::ofstream(registryRoot_ + "/HKLM.hive", std::ios::trunc) << "not a hive\n";
  HKEY key = nullptr;
  ASSERT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMapping, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(Read(kMapping, "11"), "");
  EXPECT_EQ(Registry_Value, "");
  EXPECT_EQ(Registry_Found, "No");
}

using UtilitiesTest = DeviceDataTest;

TEST_F(UtilitiesTest, ThePlatformIsTheNtFamily) {
  OS_Platform_Id = 0;
  Get_OS_Version();
  EXPECT_EQ(OS_Platform_Id, kPlatformWin32Nt);
}

}  // namespace
}  // namespace vlm::monitor
