// The layer used from several threads at once (also run under
// ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "com_test_support.h"
#include "platform/registry/tests/registry_fixture.h"
#include "test_server.h"

namespace vlm {
namespace {

constexpr int kThreads = 8;
constexpr IID DIID_Events = GuidLiteral("{C913AE2E-88C4-11D2-9D17-004033A508EE}");

template <class F>
void RunThreads(F body) {
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(body, t);
  for (std::thread& t : threads) t.join();
}

TEST(ComThreads, ReferenceCountsAreAtomic) {
  int destroyed = 0;
  ComPtr<testing::Plain> object = MakeComObject<testing::Plain>(&destroyed);
  RunThreads([&](int) {
    for (int i = 0; i < 20000; ++i) {
      ComPtr<testing::Plain> copy = object;
      ComPtr<IUnknown> unknown;
      ASSERT_EQ(copy.As(&unknown), S_OK);
    }
  });
  EXPECT_EQ(testing::RefCount(object.Get()), 1u);
  object.Reset();
  EXPECT_EQ(destroyed, 1);
}

class ComThreadsRegistry : public testing::RegistryTest {};

TEST_F(ComThreadsRegistry, ServersLoadOnceWhileThreadsCreate) {
  std::string clsid = GuidToString(testing::CLSID_TestCalculator);
  HKEY key = Create("CLSID\\" + clsid + "\\InprocServer32", KEY_WRITE, HKEY_CLASSES_ROOT);
  ASSERT_EQ(SetText(key, "", VLM_COM_TEST_SERVER), ERROR_SUCCESS);
  RegCloseKey(key);
  std::atomic<int> sums{0};
  RunThreads([&](int t) {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    for (int i = 0; i < 20; ++i) {
      ComPtr<IDispatch> calc;
      ASSERT_EQ(CoCreateInstance(testing::CLSID_TestCalculator, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(calc.ReleaseAndGetAddressOf())),
                S_OK);
      Variant sum;
      std::vector<Variant> args{LONG{t}, LONG{i}};
      ASSERT_EQ(InvokeByNameEx(calc.Get(), "Add", args, &sum, nullptr), S_OK);
      if (sum.lVal == t + i) ++sums;
    }
    CoUninitialize();
  });
  EXPECT_EQ(sums, kThreads * 20);
}

TEST(ComThreads, RegistrationsChangeWhileOthersCreate) {
  constexpr CLSID clsid = GuidLiteral("{5A6B7C8D-9EAF-4B0C-8D1E-2F3A4B5C6D7E}");
  std::atomic<bool> stop{false};
  std::thread creator([&] {
    CoInitialize(nullptr);
    while (!stop) {
      ComPtr<IUnknown> object;
      HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(object.ReleaseAndGetAddressOf()));
      EXPECT_TRUE(hr == S_OK || hr == REGDB_E_CLASSNOTREG || hr == CO_E_DLLNOTFOUND ||
                  hr == E_NOINTERFACE)
          << std::hex << hr;
    }
    CoUninitialize();
  });
  RunThreads([&](int) {
    CoInitialize(nullptr);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(ServeClassObject<testing::Plain>(clsid, clsid,
                                               IID_PPV_ARGS(factory.ReleaseAndGetAddressOf())),
              S_OK);
    for (int i = 0; i < 200; ++i) {
      DWORD cookie = 0;
      ASSERT_EQ(CoRegisterClassObject(clsid, factory.Get(), CLSCTX_INPROC_SERVER,
                                      REGCLS_MULTIPLEUSE, &cookie),
                S_OK);
      ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
    }
    CoUninitialize();
  });
  stop = true;
  creator.join();
}

class Source final : public ComObject<Source, IConnectionPointContainer> {
 public:
  Source() : point(this, DIID_Events) {}
  HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** found) override {
    return point.Find(iid, found);
  }
  ConnectionPoint point;
};

TEST(ComThreads, SinksComeAndGoWhileEventsFire) {
  ComPtr<Source> source = MakeComObject<Source>();
  ComPtr<testing::RecordingSink> steady = MakeComObject<testing::RecordingSink>(DIID_Events);
  DWORD steadyCookie = 0;
  ASSERT_EQ(source->point.Advise(static_cast<IDispatch*>(steady.Get()), &steadyCookie), S_OK);
  std::atomic<bool> stop{false};
  std::atomic<int> fired{0};
  std::thread firer([&] {
    while (!stop) {
      source->point.FireWith(1, LONG{1}, LONG{0});
      ++fired;
    }
  });
  RunThreads([&](int) {
    for (int i = 0; i < 300; ++i) {
      ComPtr<testing::RecordingSink> sink = MakeComObject<testing::RecordingSink>(DIID_Events);
      DWORD cookie = 0;
      ASSERT_EQ(source->point.Advise(static_cast<IDispatch*>(sink.Get()), &cookie), S_OK);
      ASSERT_EQ(source->point.Unadvise(cookie), S_OK);
    }
  });
  stop = true;
  firer.join();
  EXPECT_EQ(steady->Calls().size(), static_cast<std::size_t>(fired.load()));
  EXPECT_EQ(source->point.SinkCount(), 1u);
}

}  // namespace
}  // namespace vlm
