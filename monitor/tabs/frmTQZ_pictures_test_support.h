// Test doubles of the machine pictures: a scratch registry (with an engine
// picture library registered, or none), the engine mapping, and an engine
// picture class that records each DrawEngine call.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "enginepics/gdi/gdi.h"
#include "monitor/tabs/frmTQZ_tabs.h"
#include "platform/com/com.h"
#include "platform/registry/registry.h"

namespace vlm::monitor::test_support {

inline void Set_Text(HKEY root, const std::string& path, const char* name, const std::string& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

inline void Map_Engine_Type(const char* code, const std::string& prog_id) {
  Set_Text(HKEY_LOCAL_MACHINE, kMappingKey, code, prog_id);
}

// A scratch registry for the whole program, and COM on its thread (each
// test program registers one with AddGlobalTestEnvironment). Given an
// engine picture library, the library registers itself there and its
// class is mapped to the engine type, as the installation maps it.
class Scratch_Registry : public ::testing::Environment {
 public:
  Scratch_Registry() = default;
  Scratch_Registry(const char* library, const char* engine_type, const char* prog_id)
      : library_(library), engine_type_(engine_type), prog_id_(prog_id) {}

  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlm_tabs_registry_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    ::setenv("VLM_REGISTRY_ROOT", root_.c_str(), 1);
    CoInitialize(nullptr);
    if (library_ == nullptr) return;
    void* library = dlopen(library_, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto reg = reinterpret_cast<DllRegisterServerFn>(dlsym(library, "DllRegisterServer"));
    ASSERT_TRUE(reg != nullptr && reg() == S_OK);
    Map_Engine_Type(engine_type_, prog_id_);
  }
  void TearDown() override {
    CoUninitialize();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

 private:
  const char* library_ = nullptr;
  const char* engine_type_ = nullptr;
  const char* prog_id_ = nullptr;
  std::string root_;
};

// One DrawEngine call as the class received it.
struct Draw_Call {
  LONG hdc, options, engine_type;
  std::string finisher, lct, base;
  LONG tray, bin;
  bool show;
  COLORREF origin;  // the pixel at (0, 0) of the context: the box was cleared
};
inline std::vector<Draw_Call> g_calls;
inline int g_live_engines = 0;

class Recording_Engine final
    : public ComObject<Recording_Engine, DispatchImpl<Recording_Engine, IDispatch>> {
 public:
  Recording_Engine() { ++g_live_engines; }
  ~Recording_Engine() { --g_live_engines; }
  static const DispatchTable<Recording_Engine>& DispatchMembers() {
    static const DispatchTable<Recording_Engine> table{
        {"DrawEngine",
         0x60030000,
         {VT_I4, VT_I4, VT_I4, VT_BSTR, VT_BSTR, VT_BSTR, VT_I4, VT_I4, VT_BOOL},
         [](Recording_Engine&, DispArgs& a) -> HRESULT {
           g_calls.push_back({a.I4(0), a.I4(1), a.I4(2), a.Utf8(3), a.Utf8(4), a.Utf8(5), a.I4(6),
                              a.I4(7), a.Bool(8), GetPixel(static_cast<HDC>(a.I4(0)), 0, 0)});
           return S_OK;
         }},
    };
    return table;
  }
};

constexpr CLSID kRecorderClsid = GuidLiteral("{5B0D7E61-2C1A-4E7B-9C1D-6A1F3B2E7D10}");
constexpr const char* kRecorderProgId = "TQZResource.Recorder";

// The recording class registered under kRecorderProgId while it lives.
class Recorder_Registration {
 public:
  Recorder_Registration() {
    Set_Text(HKEY_CLASSES_ROOT, std::string(kRecorderProgId) + "\\CLSID", "", GuidToString(kRecorderClsid));
    auto factory = MakeComObject<ClassFactory<Recording_Engine>>();
    EXPECT_EQ(CoRegisterClassObject(kRecorderClsid, factory.Get(), CLSCTX_INPROC_SERVER, 0, &cookie_), S_OK);
  }
  ~Recorder_Registration() { CoRevokeClassObject(cookie_); }
  Recorder_Registration(const Recorder_Registration&) = delete;
  Recorder_Registration& operator=(const Recorder_Registration&) = delete;

 private:
  DWORD cookie_ = 0;
};

}  // namespace vlm::monitor::test_support
