// Initialisation, registered class objects, and creation through
// HKEY_CLASSES_ROOT of a real in-process server.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>

#include "tests/support/fifo_feeder.h"
#include "com_test_support.h"
#include "platform/registry/tests/registry_fixture.h"
#include "test_server.h"

namespace vlm {
namespace {

using testing::CLSID_TestCalculator;
using testing::kCalculatorProgId;
using testing::kCalculatorProgIdVersioned;
using testing::RefCount;

constexpr CLSID CLSID_Other = GuidLiteral("{0B1C2D3E-4F50-4162-8374-8596A7B8C9DA}");

// A class object registered by a test: creates Plain objects.
class PlainFactory final : public ComObject<PlainFactory, IClassFactory> {
 public:
  explicit PlainFactory(int* created) : created_(created) {}
  HRESULT CreateInstance(IUnknown*, REFIID iid, void** object) override {
    ++*created_;
    ComPtr<testing::Plain> p = MakeComObject<testing::Plain>();
    return p->QueryInterface(iid, object);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

 private:
  int* created_;
};

class ComRuntime : public testing::RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
  }
  void TearDown() override {
    CoUninitialize();
    RegistryTest::TearDown();
  }

  static void SetDefault(const std::string& path, const std::string& text) {
    HKEY key = Create(path, KEY_WRITE, HKEY_CLASSES_ROOT);
    ASSERT_EQ(SetText(key, "", text), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static void Delete(const std::string& path) {
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str()), ERROR_SUCCESS) << path;
  }

  // The entries an in-process server writes for itself. The version-free
  // ProgID's own CLSID is stale: CurVer must win over it.
  static void RegisterCalculator(const std::string& path) {
    std::string clsid = GuidToString(CLSID_TestCalculator);
    SetDefault("CLSID\\" + clsid, "Test calculator");
    SetDefault("CLSID\\" + clsid + "\\InprocServer32", path);
    SetDefault(std::string(kCalculatorProgIdVersioned) + "\\CLSID", clsid);
    SetDefault(std::string(kCalculatorProgId) + "\\CurVer", kCalculatorProgIdVersioned);
    SetDefault(std::string(kCalculatorProgId) + "\\CLSID", GuidToString(CLSID_Other));
  }
  static void UnregisterCalculator() {
    std::string clsid = "CLSID\\" + GuidToString(CLSID_TestCalculator);
    Delete(std::string(kCalculatorProgId) + "\\CurVer");
    Delete(std::string(kCalculatorProgId) + "\\CLSID");
    Delete(kCalculatorProgId);
    Delete(std::string(kCalculatorProgIdVersioned) + "\\CLSID");
    Delete(kCalculatorProgIdVersioned);
    Delete(clsid + "\\InprocServer32");
    Delete(clsid);
  }

  static HRESULT Create(REFCLSID clsid, ComPtr<IDispatch>* out) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(out->ReleaseAndGetAddressOf()));
  }
  static HRESULT Add(IDispatch* d, LONG a, LONG b, LONG* sum) {
    Variant result;
    std::vector<Variant> args{a, b};
    HRESULT hr = InvokeByNameEx(d, "Add", args, &result, nullptr);
    *sum = result.vt == VT_I4 ? result.lVal : -1;
    return hr;
  }
  using RegistryTest::Create;
};

TEST_F(ComRuntime, InitialisationIsCountedPerThread) {
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
  std::thread other([] {
    ComPtr<IDispatch> d;
    EXPECT_EQ(Create(CLSID_TestCalculator, &d), CO_E_NOTINITIALIZED);
    DWORD cookie = 0;
    ComPtr<testing::Plain> p = MakeComObject<testing::Plain>();
    EXPECT_EQ(CoRegisterClassObject(CLSID_Other, p.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &cookie),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    EXPECT_EQ(Create(CLSID_TestCalculator, &d), REGDB_E_CLASSNOTREG) << "still initialised once";
    CoUninitialize();
    EXPECT_EQ(Create(CLSID_TestCalculator, &d), CO_E_NOTINITIALIZED);
    CoUninitialize();  // one too many: nothing happens
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
  });
  other.join();
}

TEST_F(ComRuntime, RegisteredClassObjectsComeFirstLatestFirst) {
  int first = 0, second = 0;
  ComPtr<PlainFactory> f1 = MakeComObject<PlainFactory>(&first);
  ComPtr<PlainFactory> f2 = MakeComObject<PlainFactory>(&second);
  DWORD c1 = 0, c2 = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_Other, f1.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &c1),
            S_OK);
  ASSERT_EQ(CoRegisterClassObject(CLSID_Other, f2.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &c2),
            S_OK);
  EXPECT_NE(c1, 0u);
  EXPECT_NE(c1, c2);
  EXPECT_EQ(RefCount(f1.Get()), 2u) << "registration holds a reference";

  ComPtr<IUnknown> object;
  auto create = [&](DWORD context) {
    return CoCreateInstance(CLSID_Other, nullptr, context, IID_PPV_ARGS(object.ReleaseAndGetAddressOf()));
  };
  EXPECT_EQ(create(CLSCTX_INPROC_SERVER), S_OK);
  EXPECT_EQ(create(CLSCTX_ALL), S_OK);
  EXPECT_EQ((std::pair{first, second}), (std::pair{0, 2}));
  EXPECT_EQ(create(CLSCTX_LOCAL_SERVER), REGDB_E_CLASSNOTREG) << "registered for in-process only";
  ComPtr<IDispatch> noDispatch;
  EXPECT_EQ(CoCreateInstance(CLSID_Other, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(noDispatch.ReleaseAndGetAddressOf())),
            E_NOINTERFACE);

  EXPECT_EQ(CoRevokeClassObject(c2), S_OK);
  EXPECT_EQ(RefCount(f2.Get()), 1u);
  EXPECT_EQ(create(CLSCTX_INPROC_SERVER), S_OK);
  EXPECT_EQ(first, 1) << "revoking uncovered the earlier registration";
  EXPECT_EQ(CoRevokeClassObject(c2), E_INVALIDARG);
  EXPECT_EQ(CoRevokeClassObject(c1), S_OK);
  EXPECT_EQ(create(CLSCTX_INPROC_SERVER), REGDB_E_CLASSNOTREG);

  // A registered class object wins over the registry's server.
  RegisterCalculator(VLM_COM_TEST_SERVER);
  DWORD c3 = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_TestCalculator, f1.Get(), CLSCTX_INPROC_SERVER,
                                  REGCLS_MULTIPLEUSE, &c3),
            S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_TestCalculator, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(object.ReleaseAndGetAddressOf())),
            S_OK);
  EXPECT_EQ(first, 2);
  EXPECT_EQ(CoRevokeClassObject(c3), S_OK);
  EXPECT_EQ(CoRegisterClassObject(CLSID_Other, nullptr, CLSCTX_INPROC_SERVER, 0, &c3), E_INVALIDARG);
}

TEST_F(ComRuntime, CreationByClsidAndProgIdFollowsRegistration) {
  ComPtr<IDispatch> calc;
  CLSID clsid{};
  EXPECT_EQ(Create(CLSID_TestCalculator, &calc), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CLSIDFromProgID(kCalculatorProgId, &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(clsid, GUID_NULL);
  try {
    VbCreateObject(kCalculatorProgId);
    ADD_FAILURE() << "created before registration";
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), 429);
  }

  RegisterCalculator(VLM_COM_TEST_SERVER);
  ASSERT_EQ(Create(CLSID_TestCalculator, &calc), S_OK);
  LONG sum = 0;
  EXPECT_EQ(Add(calc.Get(), 2, 40, &sum), S_OK);
  EXPECT_EQ(sum, 42);
  for (const char* progId : {kCalculatorProgId, kCalculatorProgIdVersioned, "vlmcomtest.CALCULATOR"}) {
    EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK) << progId;
    EXPECT_EQ(clsid, CLSID_TestCalculator) << progId << ": CurVer wins over a stale CLSID";
  }
  std::u16string wide = Utf16FromUtf8(kCalculatorProgId);
  EXPECT_EQ(CLSIDFromProgID(wide.c_str(), &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestCalculator);

  // As the monitor paints: create by ProgID, call by name, release.
  ComPtr<IDispatch> byName = VbCreateObject(kCalculatorProgId);
  Variant text;
  std::vector<Variant> args{"tray 2"};
  VbCallByNameEx(byName.Get(), "describe", args, &text);
  EXPECT_EQ(Utf8FromBstr(text.bstrVal), "calculator: tray 2");

  // The server counts its own objects, apart from this program's.
  void* server = dlopen(VLM_COM_TEST_SERVER, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(server, nullptr) << "loaded by the creation";
  auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(dlsym(server, "DllCanUnloadNow"));
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_FALSE);
  EXPECT_EQ(com::ModuleObjectCount(), 0);
  calc.Reset();
  byName.Reset();
  EXPECT_EQ(canUnload(), S_OK);
  dlclose(server);

  UnregisterCalculator();
  EXPECT_EQ(Create(CLSID_TestCalculator, &calc), REGDB_E_CLASSNOTREG) << "although still loaded";
  EXPECT_EQ(CLSIDFromProgID(kCalculatorProgId, &clsid), CO_E_CLASSSTRING);
}

TEST_F(ComRuntime, LoadFailuresAreReportedClearly) {
  // A FIFO named as the server would block dlopen until someone wrote to it.
  vlm::testing::FifoFeeder fifo(root_ + "/fifo.so", "not a library");
  struct Case {
    std::string path;
    HRESULT hr;
    std::string why;
  } cases[] = {
      {root_ + "/missing.so", CO_E_DLLNOTFOUND, root_ + "/missing.so: "},
      {root_ + "/fifo.so", CO_E_DLLNOTFOUND, root_ + "/fifo.so: not a regular file"},
      {root_, CO_E_DLLNOTFOUND, root_ + ": not a regular file"},
      {VLM_COM_TEST_NOEXPORT, CO_E_ERRORINDLL, "does not export DllGetClassObject"},
      {"", REGDB_E_CLASSNOTREG, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    SetDefault("CLSID\\" + GuidToString(CLSID_Other) + "\\InprocServer32", c.path);
    ComPtr<IDispatch> d;
    EXPECT_EQ(Create(CLSID_Other, &d), c.hr);
    EXPECT_FALSE(d);
    if (!c.why.empty()) {
      EXPECT_NE(com::LastLoadError().find(c.why), std::string::npos) << com::LastLoadError();
    }
  }
  fifo.Stop();
  EXPECT_FALSE(fifo.WasOpened());
  // The server loads but serves another class.
  SetDefault("CLSID\\" + GuidToString(CLSID_Other) + "\\InprocServer32", VLM_COM_TEST_SERVER);
  ComPtr<IDispatch> d;
  EXPECT_EQ(Create(CLSID_Other, &d), CLASS_E_CLASSNOTAVAILABLE);
  // No InprocServer32 key at all.
  Delete("CLSID\\" + GuidToString(CLSID_Other) + "\\InprocServer32");
  EXPECT_EQ(Create(CLSID_Other, &d), REGDB_E_CLASSNOTREG);
}

TEST_F(ComRuntime, ProgIdLookupStaysInsideItsKeyAndEndsOnLoops) {
  std::string clsid = GuidToString(CLSID_Other);
  SetDefault("CLSID\\" + clsid + "\\CLSID", clsid);  // reachable only by a path
  SetDefault("Loop.A\\CurVer", "Loop.B");
  SetDefault("Loop.B\\CurVer", "Loop.A");
  SetDefault("Self\\CurVer", "SELF");
  SetDefault("Self\\CLSID", clsid);
  SetDefault("Stale\\CurVer", "Not.There");
  SetDefault("Stale\\CLSID", clsid);
  SetDefault("Garbled\\CLSID", "{not a guid}");
  struct Case {
    const char* progId;
    HRESULT hr;
  } cases[] = {
      {"Loop.A", CO_E_CLASSSTRING},
      {"Self", S_OK},   // CurVer naming itself is not followed
      {"Stale", S_OK},  // CurVer to nothing falls back to the key's own CLSID
      {"Garbled", CO_E_CLASSSTRING},
      {"", CO_E_CLASSSTRING},
      {"Not.There", CO_E_CLASSSTRING},
  };
  for (const Case& c : cases) {
    CLSID out{};
    EXPECT_EQ(CLSIDFromProgID(c.progId, &out), c.hr) << c.progId;
    if (c.hr == S_OK) {
      EXPECT_EQ(out, CLSID_Other) << c.progId;
    }
  }
  CLSID out{};
  EXPECT_EQ(CLSIDFromProgID(("CLSID\\" + clsid).c_str(), &out), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID("Self", nullptr), E_INVALIDARG);
}

}  // namespace
}  // namespace vlm
