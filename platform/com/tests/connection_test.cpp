// Connection points: advising, limits, and firing to sinks that call back.
#include <gtest/gtest.h>

#include "com_test_support.h"

namespace vlm {
namespace {

using testing::RecordingSink;
using testing::RefCount;

constexpr IID DIID_Events = GuidLiteral("{C913AE2E-88C4-11D2-9D17-004033A508EE}");
constexpr DISPID kXferIntegerValues = 1;
constexpr DISPID kXferStringValues = 2;

// A container with one connection point, as an automation object has.
class Source final : public ComObject<Source, IConnectionPointContainer> {
 public:
  explicit Source(std::size_t maxSinks = 0, bool* destroyed = nullptr)
      : point(this, DIID_Events, maxSinks), destroyed_(destroyed) {}
  ~Source() override {
    if (destroyed_) *destroyed_ = true;
  }
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override {
    if (points) *points = nullptr;
    return E_NOTIMPL;
  }
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** found) override {
    return point.Find(iid, found);
  }
  ConnectionPoint point;

 private:
  bool* destroyed_;
};

ComPtr<RecordingSink> NewSink() { return MakeComObject<RecordingSink>(DIID_Events); }

DWORD Advise(Source& source, RecordingSink& sink) {
  ComPtr<IConnectionPoint> cp;
  EXPECT_EQ(source.FindConnectionPoint(DIID_Events, cp.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(cp->Advise(static_cast<IDispatch*>(&sink), &sink.cookie), S_OK);
  return sink.cookie;
}

std::size_t CallCount(const RecordingSink& sink) { return sink.Calls().size(); }

TEST(ConnectionPoint, AdviseUnadviseCookiesAndLimits) {
  ComPtr<Source> source = MakeComObject<Source>(2);
  ComPtr<IConnectionPoint> cp;
  EXPECT_EQ(source->FindConnectionPoint(IID_IDispatch, cp.ReleaseAndGetAddressOf()),
            CONNECT_E_NOCONNECTION);
  EXPECT_FALSE(cp);
  ASSERT_EQ(source->FindConnectionPoint(DIID_Events, cp.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(RefCount(source.Get()), 2u) << "the connection point holds its container";

  IID iid{};
  EXPECT_EQ(cp->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, DIID_Events);
  ComPtr<IConnectionPointContainer> back;
  EXPECT_EQ(cp->GetConnectionPointContainer(back.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(back.Get(), static_cast<IConnectionPointContainer*>(source.Get()));
  back.Reset();

  auto a = NewSink(), b = NewSink(), c = NewSink();
  DWORD ca = 0, cb = 0, cc = 0;
  ASSERT_EQ(cp->Advise(static_cast<IDispatch*>(a.Get()), &ca), S_OK);
  ASSERT_EQ(cp->Advise(static_cast<IDispatch*>(b.Get()), &cb), S_OK);
  EXPECT_NE(ca, 0u);
  EXPECT_NE(ca, cb);
  EXPECT_EQ(RefCount(a.Get()), 2u) << "an advised sink is held";
  EXPECT_EQ(cp->Advise(static_cast<IDispatch*>(c.Get()), &cc), CONNECT_E_ADVISELIMIT);
  EXPECT_EQ(cc, 0u);
  EXPECT_EQ(RefCount(c.Get()), 1u);

  EXPECT_EQ(cp->Unadvise(ca), S_OK);
  EXPECT_EQ(RefCount(a.Get()), 1u);
  EXPECT_EQ(cp->Unadvise(ca), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(cp->Unadvise(0), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(cp->Advise(static_cast<IDispatch*>(c.Get()), &cc), S_OK);
  EXPECT_NE(cc, cb);

  // A sink without the outgoing interface cannot connect.
  ComPtr<testing::Plain> plain = MakeComObject<testing::Plain>();
  DWORD cookie = 9;
  ComPtr<Source> unlimited = MakeComObject<Source>();
  EXPECT_EQ(unlimited->point.Advise(plain.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(unlimited->point.Advise(nullptr, &cookie), E_POINTER);
  IEnumConnections* e = nullptr;
  EXPECT_EQ(cp->EnumConnections(&e), E_NOTIMPL);

  // Releasing the container releases the sinks still advised.
  cp.Reset();
  source.Reset();
  EXPECT_EQ(RefCount(b.Get()), 1u);
  EXPECT_EQ(RefCount(c.Get()), 1u);
}

TEST(ConnectionPoint, FiresInAdviseOrderWithArgumentsReversedInDispParams) {
  ComPtr<Source> source = MakeComObject<Source>();
  auto a = NewSink(), b = NewSink();
  Advise(*source, *a);
  Advise(*source, *b);
  std::vector<int> order;
  a->onEvent = [&](RecordingSink&) { order.push_back(1); };
  b->onEvent = [&](RecordingSink&) { order.push_back(2); };
  EXPECT_EQ(source->point.FireWith(kXferStringValues, LONG{5}, LONG{1020}, LONG{0}), 2u);
  EXPECT_EQ(source->point.FireWith(kXferIntegerValues, LONG{5}, LONG{-1}), 2u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 1, 2}));
  auto calls = a->Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].id, kXferStringValues);
  EXPECT_EQ(calls[0].args, (std::vector<LONG>{5, 1020, 0}));
  EXPECT_EQ(calls[1].id, kXferIntegerValues);
  EXPECT_EQ(calls[1].args, (std::vector<LONG>{5, -1}));
  EXPECT_TRUE(a->SawStandardCall()) << "LCID 0x400, DISPATCH_METHOD, IID_NULL, no result";
}

TEST(ConnectionPoint, FiringToleratesSinksThatCallBack) {
  struct Case {
    const char* what;
    // What sink a does during its event; sinks a, b, c are advised in order.
    std::function<void(Source&, RecordingSink& a, RecordingSink& b, RecordingSink& c)> during;
    std::vector<std::size_t> calls;  // events seen by a, b, c after one firing
    std::size_t sinksLeft;
  };
  std::vector<Case> cases = {
      {"unadvises itself",
       [](Source& s, RecordingSink& a, RecordingSink&, RecordingSink&) {
         s.point.Unadvise(a.cookie);
       },
       {1, 1, 1}, 2},
      {"unadvises the next sink, which is then skipped",
       [](Source& s, RecordingSink&, RecordingSink& b, RecordingSink&) {
         s.point.Unadvise(b.cookie);
       },
       {1, 0, 1}, 2},
      {"unadvises everyone",
       [](Source& s, RecordingSink& a, RecordingSink& b, RecordingSink& c) {
         s.point.Unadvise(c.cookie);
         s.point.Unadvise(b.cookie);
         s.point.Unadvise(a.cookie);
       },
       {1, 0, 0}, 0},
      {"fires again from within the event",
       [](Source& s, RecordingSink& a, RecordingSink&, RecordingSink&) {
         if (a.Calls().size() == 1) s.point.FireWith(kXferIntegerValues, LONG{7}, LONG{0});
       },
       {2, 2, 2}, 3},
      {"advises a new sink, which waits for the next firing",
       [](Source& s, RecordingSink& a, RecordingSink&, RecordingSink&) {
         if (a.Calls().size() == 1) {
           auto late = NewSink();
           Advise(s, *late);
         }
       },
       {1, 1, 1}, 4},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    ComPtr<Source> source = MakeComObject<Source>();
    auto a = NewSink(), b = NewSink(), cs = NewSink();
    Advise(*source, *a);
    Advise(*source, *b);
    Advise(*source, *cs);
    Source* raw = source.Get();
    RecordingSink *pa = a.Get(), *pb = b.Get(), *pc = cs.Get();
    a->onEvent = [&c, raw, pa, pb, pc](RecordingSink&) { c.during(*raw, *pa, *pb, *pc); };
    source->point.FireWith(kXferIntegerValues, LONG{3}, LONG{0});
    EXPECT_EQ((std::vector<std::size_t>{CallCount(*a), CallCount(*b), CallCount(*cs)}), c.calls);
    EXPECT_EQ(source->point.SinkCount(), c.sinksLeft);
    a->onEvent = nullptr;
  }
}

TEST(ConnectionPoint, ContainerReleasedDuringItsOwnFiringLivesUntilTheEnd) {
  bool destroyed = false;
  ComPtr<Source> source = MakeComObject<Source>(0, &destroyed);
  auto a = NewSink(), b = NewSink();
  Advise(*source, *a);
  Advise(*source, *b);
  Source* raw = source.Get();
  ComPtr<Source>* holder = &source;
  a->onEvent = [&](RecordingSink&) {
    holder->Reset();  // the last outside reference goes
    EXPECT_FALSE(destroyed) << "still firing";
  };
  EXPECT_EQ(raw->point.FireWith(kXferIntegerValues, LONG{1}, LONG{0}), 2u);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(CallCount(*b), 1u);
  EXPECT_EQ(RefCount(a.Get()), 1u) << "the sinks were let go with the container";
  EXPECT_EQ(RefCount(b.Get()), 1u);
}

}  // namespace
}  // namespace vlm
