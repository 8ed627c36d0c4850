// The engine picture libraries as the monitor uses them: each shared object
// registers itself in a registry of the test's own, is created by its ProgID,
// and paints through DrawEngine called by name (and early-bound), exactly
// as its rule list and its own bitmaps say, with all seven loaded at once.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "enginepics/common/server.h"
#include "platform/registry/registry.h"
#include "tests/support/temp_folder.h"

namespace vlm::enginepics {
namespace {

using namespace option;

struct Library {
  const ServerInfo* info;
  const char* path;
};

const Library kLibraries[] = {
    {&rx11::kServer, VLM_RX11_PATH}, {&rx12::kServer, VLM_RX12_PATH}, {&rx13::kServer, VLM_RX13_PATH},
    {&rx14::kServer, VLM_RX14_PATH}, {&rx15::kServer, VLM_RX15_PATH}, {&rx16::kServer, VLM_RX16_PATH},
    {&rx17::kServer, VLM_RX17_PATH},
};

constexpr QRgb kBackground = 0xFFF0F0F0;

// A picture box: its image and the device context that names it.
struct Box {
  explicit Box(const Family& f) : image(f.width, f.height, QImage::Format_RGB32) {
    image.fill(kBackground);
    dc = CreateImageDC(&image);
  }
  ~Box() { DeleteDC(dc); }
  LONG Handle() const { return static_cast<LONG>(static_cast<std::uint32_t>(dc)); }
  QImage image;
  HDC dc{};
};

// The arguments of one paint, as the monitor holds them.
struct Paint {
  DWORD options;
  const char* finisher;
  const char* lct;
  LONG tray;
  LONG bin;
  bool show;
};

// The picture the family's rule list paints from the family's bitmaps,
// painted by the test's own copy of the library code.
QImage Expected(const ServerInfo& info, const Paint& p) {
  Box box(*info.family);
  EngineArgs args;
  args.hdcPaint = box.Handle();
  args.Options = static_cast<LONG>(p.options);
  args.FinisherType = p.finisher;
  args.LCTType = p.lct;
  args.SelectTray = p.tray;
  args.SelectBin = p.bin;
  args.ShowSelection = p.show;
  PaintEngine(*info.family, info.bitmaps, args);
  return box.image;
}

class Servers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = vlm::testing::TempRoot() + "/vlm-enginepics-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    // Before any key is opened: the libraries' own copies of the registry
    // layer read it at their first use.
    ::setenv("VLM_REGISTRY_ROOT", root_.c_str(), 1);
    registry::ResetForTests();
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(root_); }
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override {
    registry::ClearDeniedWritesForTests();
    CoUninitialize();
  }

  // The library's export, from the shared object itself.
  template <class Fn>
  static Fn Export(const Library& lib, const char* name) {
    void* module = dlopen(lib.path, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(module, nullptr) << dlerror();
    return module ? reinterpret_cast<Fn>(dlsym(module, name)) : nullptr;
  }
  static HRESULT Register(const Library& lib) {
    auto fn = Export<DllRegisterServerFn>(lib, "DllRegisterServer");
    return fn ? fn() : E_FAIL;
  }
  static HRESULT Unregister(const Library& lib) {
    auto fn = Export<DllUnregisterServerFn>(lib, "DllUnregisterServer");
    return fn ? fn() : E_FAIL;
  }

  static std::string ReadText(const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ ? std::string(buffer) : "<no value>";
  }

  // The monitor's paint: create by ProgID, DrawEngine by name with its nine
  // arguments (held by reference, as the monitor holds them), release.
  static QImage PaintByName(const ServerInfo& info, const Paint& p) {
    Box box(*info.family);
    ComPtr<IDispatch> engine = VbCreateObject(info.progId);
    LONG hdc = box.Handle();
    LONG options = static_cast<LONG>(p.options);
    LONG engineType = 0;
    Bstr finisher(p.finisher), lct(p.lct), base("");
    LONG tray = p.tray, bin = p.bin;
    VARIANT_BOOL show = p.show ? VARIANT_TRUE : VARIANT_FALSE;
    std::vector<Variant> args;
    args.push_back(Variant::Ref(&hdc));
    args.push_back(Variant::Ref(&options));
    args.push_back(Variant::Ref(&engineType));
    args.push_back(Variant::Ref(finisher.ReleaseAndGetAddressOf()));
    *args.back().pbstrVal = BstrFromUtf8(p.finisher);
    args.push_back(Variant::Ref(lct.ReleaseAndGetAddressOf()));
    *args.back().pbstrVal = BstrFromUtf8(p.lct);
    args.push_back(Variant::Ref(base.ReleaseAndGetAddressOf()));
    args.push_back(Variant::Ref(&tray));
    args.push_back(Variant::Ref(&bin));
    args.push_back(Variant::RefBool(&show));
    VbCallByNameEx(engine.Get(), "DrawEngine", args, nullptr);
    return box.image;
  }

  static std::string root_;
};
std::string Servers::root_;

TEST_F(Servers, AreCreatedByProgIdOnlyOnceRegistered) {
  for (const Library& lib : kLibraries) {
    const ServerInfo& info = *lib.info;
    SCOPED_TRACE(info.progId);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(info.progId, &clsid), CO_E_CLASSSTRING);
    try {
      VbCreateObject(info.progId);
      ADD_FAILURE() << "created before registration";
    } catch (const VbError& e) {
      EXPECT_EQ(e.Number(), VBERR_CANNOT_CREATE_OBJECT);
    }

    ASSERT_EQ(Register(lib), S_OK);
    ASSERT_EQ(CLSIDFromProgID(info.progId, &clsid), S_OK);
    EXPECT_EQ(clsid, info.classId);
    const std::string classKey = "CLSID\\" + GuidToString(info.classId);
    EXPECT_EQ(ReadText(classKey + "\\InprocServer32", ""), std::filesystem::canonical(lib.path).string());
    EXPECT_EQ(ReadText(classKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ReadText(classKey + "\\ProgID", ""), info.progId);
    EXPECT_EQ(ReadText(classKey + "\\TypeLib", ""), GuidToString(info.libraryId));
    EXPECT_EQ(ReadText("Interface\\" + GuidToString(info.interfaceId), ""), info.interfaceName);
    EXPECT_EQ(ReadText("TypeLib\\" + GuidToString(info.libraryId) + "\\1.0", ""), info.helpText);

    auto canUnload = Export<DllCanUnloadNowFn>(lib, "DllCanUnloadNow");
    ASSERT_NE(canUnload, nullptr);
    {
      ComPtr<IDispatch> engine = VbCreateObject(info.progId);
      ASSERT_TRUE(engine);
      EXPECT_EQ(canUnload(), S_FALSE) << "an object is alive";
    }
    EXPECT_EQ(canUnload(), S_OK);

    ASSERT_EQ(Unregister(lib), S_OK);
    EXPECT_EQ(CLSIDFromProgID(info.progId, &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(ReadText(classKey, ""), "<no key>");
    EXPECT_EQ(Unregister(lib), S_OK) << "unregistering twice is harmless";
    ASSERT_EQ(Register(lib), S_OK) << "and registering again works";
  }
}

// All seven loaded together, each paints its own family from its own
// bitmaps, pixel for pixel, by name and early-bound.
TEST_F(Servers, PaintTheirFamilyExactlyByNameAndEarlyBound) {
  const DWORD many = kTopUnit | kLargeCapacityTray | kFinisherSubUnit | kFinisherOffsetUnit | kFinisher |
                     kBaseThirdSource | kBaseFourthSource | kBaseFifthSource | kFinisherVariant3;
  const Paint paints[] = {
      {0, "", "", 0, 0, true},
      {many, "QN-752", "VR-682", 2, 1, true},
      {many, "QN-748", "VR-672", 5, 3, true},
      {many, "QN-759", "", 4, 2, false},
      {kFinisher | kFinisherOffsetUnit, "QN-752W+PK", "", 3, 4, true},
  };
  for (const Library& lib : kLibraries) ASSERT_EQ(Register(lib), S_OK);
  for (const Library& lib : kLibraries) {
    const ServerInfo& info = *lib.info;
    SCOPED_TRACE(info.progId);
    for (const Paint& p : paints) {
      const QImage expected = Expected(info, p);
      EXPECT_EQ(PaintByName(info, p), expected) << "by name, options 0x" << std::hex << p.options;

      ComPtr<IEnginePicture> early;
      ASSERT_EQ(CoCreateInstance(info.classId, nullptr, CLSCTX_INPROC_SERVER, info.interfaceId,
                                 reinterpret_cast<void**>(early.ReleaseAndGetAddressOf())),
                S_OK);
      Box box(*info.family);
      Bstr finisher(p.finisher), lct(p.lct);
      ASSERT_EQ(early->DrawEngine(box.Handle(), static_cast<LONG>(p.options), 0, finisher.Get(), lct.Get(),
                                  nullptr, p.tray, p.bin, p.show ? VARIANT_TRUE : VARIANT_FALSE),
                S_OK);
      EXPECT_EQ(box.image, expected) << "early-bound";
    }
  }
}

TEST_F(Servers, AnswerTheirInterfacesAndTheDrawEngineName) {
  ASSERT_EQ(Register(kLibraries[0]), S_OK);
  const ServerInfo& info = rx11::kServer;
  ComPtr<IDispatch> engine = VbCreateObject(info.progId);
  ASSERT_TRUE(engine);
  void* asOwn = nullptr;
  void* asUnknown = nullptr;
  ASSERT_EQ(engine->QueryInterface(info.interfaceId, &asOwn), S_OK);
  ASSERT_EQ(engine->QueryInterface(IID_IUnknown, &asUnknown), S_OK);
  EXPECT_EQ(asOwn, static_cast<void*>(engine.Get()));
  static_cast<IUnknown*>(asOwn)->Release();
  static_cast<IUnknown*>(asUnknown)->Release();
  void* other = nullptr;
  EXPECT_EQ(engine->QueryInterface(rx12::kServer.interfaceId, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);

  for (const char16_t* name : {u"DrawEngine", u"drawengine", u"DRAWENGINE"}) {
    std::u16string text(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = 0;
    ASSERT_EQ(engine->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, kDispidDrawEngine);
  }
}

// A call by name that automation refuses comes back as the VB error the
// monitor traps, paints nothing and breaks nothing.
TEST_F(Servers, RefuseBadCallsWithTheAutomationError) {
  ASSERT_EQ(Register(kLibraries[4]), S_OK);
  const ServerInfo& info = rx15::kServer;
  Box box(*info.family);
  const LONG hdc = box.Handle();
  ComPtr<IDispatch> engine = VbCreateObject(info.progId);
  struct Bad {
    const char* what;
    LONG vbError;
    std::vector<Variant> args;
    const char* name = "DrawEngine";
  };
  std::vector<Bad> cases;
  cases.push_back({"eight arguments", VBERR_WRONG_ARGUMENT_COUNT,
                   {hdc, LONG{0}, LONG{0}, "", "", "", LONG{1}, LONG{1}}});
  cases.push_back({"ten arguments", VBERR_WRONG_ARGUMENT_COUNT,
                   {hdc, LONG{0}, LONG{0}, "", "", "", LONG{1}, LONG{1}, true, LONG{0}}});
  cases.push_back({"no arguments", VBERR_WRONG_ARGUMENT_COUNT, {}});
  cases.push_back({"text for Options", VBERR_TYPE_MISMATCH,
                   {hdc, "lots", LONG{0}, "", "", "", LONG{1}, LONG{1}, true}});
  cases.push_back({"an object for a text", VBERR_TYPE_MISMATCH,
                   {hdc, LONG{0}, LONG{0}, static_cast<IDispatch*>(engine.Get()), "", "", LONG{1}, LONG{1}, true}});
  cases.push_back({"a number too large for the tray", VBERR_OVERFLOW,
                   {hdc, LONG{0}, LONG{0}, "", "", "", DOUBLE{1e12}, LONG{1}, true}});
  cases.push_back({"a text for ShowSelection", VBERR_TYPE_MISMATCH,
                   {hdc, LONG{0}, LONG{0}, "", "", "", LONG{1}, LONG{1}, "maybe"}});
  cases.push_back({"another name", VBERR_NO_SUCH_MEMBER,
                   {hdc, LONG{0}, LONG{0}, "", "", "", LONG{1}, LONG{1}, true}, "DrawEngines"});
  for (Bad& c : cases) {
    try {
      VbCallByNameEx(engine.Get(), c.name, c.args, nullptr);
      ADD_FAILURE() << c.what << ": no error";
    } catch (const VbError& e) {
      EXPECT_EQ(e.Number(), c.vbError) << c.what;
    }
  }
  for (int y = 0; y < box.image.height(); ++y) {
    for (int x = 0; x < box.image.width(); ++x) ASSERT_EQ(box.image.pixel(x, y), kBackground);
  }
  // Arguments that coerce are taken: texts of numbers, short integers, a
  // numeric ShowSelection; a device context that names nothing paints
  // nothing and is no error.
  std::vector<Variant> coerced{Variant(std::string(std::to_string(hdc))), SHORT{2}, LONG{0}, "", "", "",
                               "1", DOUBLE{0}, SHORT{-1}};
  VbCallByNameEx(engine.Get(), "DrawEngine", coerced, nullptr);
  EXPECT_EQ(box.image.pixel(156, 55), 0xFFFF8C1Au) << "tray 1 marked at (148, 45)";
  std::vector<Variant> nowhere{LONG{0}, LONG{0}, LONG{0}, "", "", "", LONG{1}, LONG{1}, true};
  VbCallByNameEx(engine.Get(), "DrawEngine", nowhere, nullptr);
}

TEST_F(Servers, RegistrationReportsARegistryItCannotWrite) {
  registry::DenyWriteBelowForTests("HKCR\\CLSID");
  EXPECT_EQ(RegisterEngineClass(rx13::kServer, "/opt/vlm/libRX13.so"), SELFREG_E_CLASS);
  EXPECT_EQ(RegisterEngineClass(rx13::kServer, ""), SELFREG_E_CLASS);
  registry::ClearDeniedWritesForTests();
  ASSERT_EQ(RegisterEngineClass(rx13::kServer, "/opt/vlm/libRX13.so"), S_OK);
  // A ProgID that another class has taken over since is left to it.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "TQZResource.TQZRX13\\CLSID", 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::string other = GuidToString(rx14::kServer.classId);
  ASSERT_EQ(RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                           static_cast<DWORD>(other.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(UnregisterEngineClass(rx13::kServer), S_OK);
  EXPECT_EQ(ReadText("TQZResource.TQZRX13\\CLSID", ""), other);
  EXPECT_EQ(ReadText("CLSID\\" + GuidToString(rx13::kServer.classId), ""), "<no key>");
}

}  // namespace
}  // namespace vlm::enginepics
