// A registry under a fresh temporary root folder, and small helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/registry/registry.h"

namespace vlm::testing {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlm-registry-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    ::setenv("VLM_REGISTRY_ROOT", root_.c_str(), 1);
    registry::ResetForTests();
    registry::ClearDeniedWritesForTests();
  }

  void TearDown() override {
    registry::ClearDeniedWritesForTests();
    registry::ResetForTests();
    std::filesystem::remove_all(root_);
  }

  std::string HivePath(const char* stem = "HKLM") const { return root_ + "/" + stem + ".hive"; }

  // Creates (or opens) a key; the test fails when that does not succeed.
  static HKEY Create(const std::string& path, DWORD access = KEY_ALL_ACCESS,
                     HKEY root = HKEY_LOCAL_MACHINE) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    return key;
  }

  static LONG Open(const std::string& path, DWORD access, HKEY* key,
                   HKEY root = HKEY_LOCAL_MACHINE) {
    return RegOpenKeyExA(root, path.c_str(), 0, access, key);
  }

  // REG_SZ as the monitor writes it: the text and its terminating NUL.
  static LONG SetText(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
  }

  static LONG SetBytes(HKEY key, const char* name, DWORD type, const std::string& bytes) {
    return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
  }

  // The value's bytes, or null when it cannot be read.
  static std::optional<std::string> Read(HKEY key, const char* name, DWORD* type = nullptr) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    std::string data(size, '\0');
    if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    data.resize(size);
    return data;
  }

  std::string root_;
};

}  // namespace vlm::testing
