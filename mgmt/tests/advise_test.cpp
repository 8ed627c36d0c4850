// Advised groups and their timer, device notifications, the events that
// announce both, and the whole interface called by name.
#include <future>

#include "mgmt/named_objects.h"
#include "mgmt/tests/event_fixture.h"

namespace vlm::mgmt::testing {
namespace {

using namespace xlpnmif;
using Lines = std::vector<std::string>;

TEST_F(EventTest, TheAdvisePeriodComesFromTheGroupThatStartsTheTimer) {
  const LONG custom = Group({151});
  struct Case {
    LONG group;
    std::int32_t period;
  };
  for (const Case& c : {Case{1020, 25000}, Case{1035, 25000}, Case{1023, 50000}, Case{1029, 10000},
                        Case{1001, 15000}, Case{1017, 15000}, Case{custom, 15000}}) {
    SCOPED_TRACE(c.group);
    EXPECT_EQ(AdviseGroup(engine, c.group), 0);
    EXPECT_EQ(timers.Period(kAdviseTimer), c.period);
    EXPECT_EQ(Core().AdviseStateForTests(engine).rate, c.period);
    EXPECT_EQ(AdviseGroup(engine, c.group, kMechanismUnadvise), 0);
    EXPECT_FALSE(timers.Period(kAdviseTimer));
  }

  // A running timer keeps its period: neither the rate nor a later advise
  // changes it, until it stops and a new advise starts it again.
  const std::size_t starts = timers.Log().size();
  AdviseGroup(engine, 1023);
  EXPECT_EQ(item->SetAdviseRate(5000, 200), S_OK);
  EXPECT_EQ(Core().AdviseStateForTests(engine).rate, 5000);
  EXPECT_EQ(Core().AdviseStateForTests(engine).precision, 200);
  AdviseGroup(device, 1020);
  EXPECT_EQ(timers.Log().size(), starts + 1);
  EXPECT_EQ(timers.Period(kAdviseTimer), 50000);
  AdviseGroup(engine, 1023, kMechanismUnadvise);
  EXPECT_EQ(timers.Period(kAdviseTimer), 50000);  // the device is still advised
  AdviseGroup(device, 1020, kMechanismUnadvise);
  EXPECT_FALSE(timers.Period(kAdviseTimer));
  AdviseGroup(engine, 1001);
  EXPECT_EQ(timers.Period(kAdviseTimer), 15000);
}

TEST_F(EventTest, UnadviseTakesTheLatestGroupWhateverGroupIsNamed) {
  AdviseGroup(engine, 1017);
  AdviseGroup(engine, 1018);
  AdviseGroup(engine, 1017, kMechanismUnadvise);
  EXPECT_EQ(Core().AdviseStateForTests(engine).groups, std::vector<std::int32_t>{1017});
  net->calls.clear();
  ASSERT_TRUE(timers.Tick(kAdviseTimer));
  EXPECT_EQ(net->Count("CreateGroup"), 1u);
  EXPECT_EQ(net->Count("CreateGroup 1017"), 1u);
  EXPECT_EQ(sink->Summary(), (Lines{"Int 2 0", "Str 2 1017 0"}));
}

TEST_F(EventTest, ATickRereadsEveryAdvisedGroupHandleByHandleAndAnnouncesEach) {
  const LONG tray = Child(engine, 8, 1);
  ASSERT_EQ(tray, 3);
  AdviseGroup(tray, 1023);
  AdviseGroup(engine, 1017);
  AdviseGroup(engine, 1018, kMechanismAdvise, kModeCached);  // records mode 1
  AdviseGroup(device, kDeviceGroup);
  net->calls.clear();

  // Events come inside the tick, with the timer mutex held.
  std::vector<DWORD> otherThreadWaits;
  sink->onCall = [&](const RecordingSink::Call&) {
    otherThreadWaits.push_back(std::async(std::launch::async, [] {
                                 return WaitForSingleObject(ProcessNamedObjects().timerMutex, 0);
                               }).get());
  };
  ASSERT_TRUE(timers.Tick(kAdviseTimer));
  sink->onCall = nullptr;
  // Arguments in the parameters' order (DISPPARAMS holds them last first).
  EXPECT_EQ(sink->Summary(), (Lines{"Int 1 0", "Str 1 1026 0", "Int 2 0", "Str 2 1017 0", "Int 2 0",
                                    "Str 2 1018 0", "Int 3 0", "Str 3 1023 0"}));
  EXPECT_EQ(otherThreadWaits, std::vector<DWORD>(8, WAIT_TIMEOUT));
  EXPECT_EQ(net->Count("GetValues"), 3u);  // the device handle reads nothing
  for (const RecordingSink::Call& c : sink->Calls()) {
    EXPECT_EQ(c.iid, IID_NULL);
    EXPECT_EQ(c.lcid, 0x400u);
    EXPECT_EQ(c.flags, DISPATCH_METHOD);
    EXPECT_EQ(c.types, std::vector<VARTYPE>(c.id == DISPID_XferIntegerValues ? 2 : 3, VT_I4));
    EXPECT_EQ(c.named, 0u);
    EXPECT_FALSE(c.wantsResult || c.wantsExcepInfo || c.wantsArgErr);
  }

  // The refresh put the engine back to mode 0: its list is read afresh.
  const std::size_t lists = net->Count("GetIntegerValueList");
  Ints(engine);
  EXPECT_EQ(net->Count("GetIntegerValueList"), lists + 1);
}

TEST_F(EventTest, AFailedRefreshAnnouncesOnlyItsFailure) {
  AdviseGroup(device, kDeviceGroup);
  AdviseGroup(engine, 1017);
  net->getValuesResult = netmgr::kErrTimeout;
  ASSERT_TRUE(timers.Tick(kAdviseTimer));
  EXPECT_EQ(sink->Summary(), (Lines{"Int 1 0", "Str 1 1026 0", "Int 2 -1"}));
}

TEST_F(EventTest, AdviseListsHoldSixtyThreeGroupsAndNeverGoBelowEmpty) {
  for (LONG g = 1; g <= kAdviseGroups + 1; ++g) EXPECT_EQ(AdviseGroup(engine, 3000 + g), 0);
  VectorItem::AdviseState s = Core().AdviseStateForTests(engine);
  ASSERT_EQ(s.groups.size(), 63u);
  EXPECT_EQ(s.groups.back(), 3063);
  EXPECT_EQ(s.advisedHandles, 1);

  // An unadvise of an empty list changes nothing, here or for others.
  const LONG tray = Child(engine, 8, 1);
  for (int i = 0; i < 3; ++i) AdviseGroup(tray, 1023, kMechanismUnadvise);
  s = Core().AdviseStateForTests(engine);
  EXPECT_EQ(s.groups.size(), 63u);
  EXPECT_EQ(s.advisedHandles, 1);
  EXPECT_TRUE(s.timerRunning);
  EXPECT_TRUE(timers.Period(kAdviseTimer));

  // Releasing the advised handle counts it out and stops the idle timer.
  AdviseGroup(tray, 1023);
  EXPECT_EQ(Core().AdviseStateForTests(tray).advisedHandles, 2);
  item->ReleaseHandle(engine);
  EXPECT_EQ(Core().AdviseStateForTests(engine).groups.size(), 0u);
  EXPECT_EQ(Core().AdviseStateForTests(engine).advisedHandles, 1);
  item->ReleaseHandle(tray);
  EXPECT_EQ(Core().AdviseStateForTests(tray).advisedHandles, 0);
  EXPECT_FALSE(timers.Period(kAdviseTimer));
  EXPECT_FALSE(Core().AdviseStateForTests(tray).timerRunning);

  // A handle that is not open advises nothing.
  EXPECT_EQ(AdviseGroup(engine, 1017), netmgr::kErrCall);
  EXPECT_EQ(Core().AdviseStateForTests(engine).advisedHandles, 0);
}

TEST_F(EventTest, ASinkMayReleaseHandlesAndTheObjectFromInsideAnEvent) {
  const LONG tray = Child(engine, 8, 1);
  AdviseGroup(engine, 1017);
  AdviseGroup(engine, 1018);
  AdviseGroup(tray, 1023);
  // The release takes the timer mutex again on the same thread.
  sink->onCall = [&](const RecordingSink::Call& c) {
    if (c.id == DISPID_XferIntegerValues && c.args[0] == engine) item->ReleaseHandle(engine);
  };
  ASSERT_TRUE(timers.Tick(kAdviseTimer));
  EXPECT_EQ(sink->Summary(), (Lines{"Int 2 0", "Str 2 1017 0", "Int 3 0", "Str 3 1023 0"}));
  EXPECT_EQ(Core().OccupancyForTests().openHandles, 3);  // root, device, tray

  // The client's last reference goes inside an event: the object ends after
  // the tick.
  sink->Clear();
  sink->onCall = [&](const RecordingSink::Call&) { item = nullptr; };
  ASSERT_TRUE(timers.Tick(kAdviseTimer));
  EXPECT_EQ(sink->Summary(), (Lines{"Int 3 0", "Str 3 1023 0"}));
  EXPECT_FALSE(timers.HostAlive());
  EXPECT_EQ(FakeNetMgr::live, 0);
}

TEST_F(EventTest, ANotificationIsPostedToTheObjectsThreadAndAnnounced50msLater) {
  const LONG second = Root(kInstalledPrinter, 1);
  ASSERT_EQ(second, 3);
  Notify("127.0.0.6");
  // Nothing was touched on the listener's thread.
  EXPECT_FALSE(timers.Period(kNotificationTimer));
  EXPECT_EQ(timers.Pending(), 1u);
  EXPECT_EQ(timers.RunPosted(), 1u);
  EXPECT_EQ(timers.Period(kNotificationTimer), 50);

  net->calls.clear();
  ASSERT_TRUE(timers.Tick(kNotificationTimer));
  EXPECT_EQ(sink->Summary(), (Lines{"Int 3 0", "Str 3 0 0"}));
  EXPECT_FALSE(timers.Period(kNotificationTimer));  // a one-shot
  EXPECT_TRUE(net->calls.empty());                  // nothing is read
  EXPECT_FALSE(timers.Tick(kNotificationTimer));
}

TEST_F(EventTest, NotificationsThatNameNoOpenInstalledDeviceStartNoTimer) {
  struct Case {
    const char* what;
    std::function<void()> before;
    std::string address;
  };
  const Case cases[] = {
      {"no such device", [] {}, "127.0.0.7"},
      {"the address only begins like a device's", [] {}, "127.0.0.50"},
      {"an empty address", [] {}, ""},
      {"the device has no open handle", [&] { item->ReleaseHandle(device); }, "127.0.0.5"},
      {"the latest run found no installed printer",
       [&] { Discover({{"127.0.0.5", 0}}); }, "127.0.0.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.before();
    Notify(c.address);
    timers.RunPosted();
    EXPECT_FALSE(timers.Period(kNotificationTimer));
  }
  EXPECT_TRUE(sink->Calls().empty());
}

TEST_F(EventTest, OfTwoQuickNotificationsOnlyTheNewerIsAnnounced) {
  const LONG second = Root(kInstalledPrinter, 1);
  Notify("127.0.0.5");
  timers.RunPosted();
  Notify("127.0.0.6");
  timers.RunPosted();
  EXPECT_EQ(timers.Log(), (Lines{"start 1000 50", "start 1000 50"}));
  ASSERT_TRUE(timers.Tick(kNotificationTimer));
  EXPECT_EQ(sink->Summary(), (Lines{"Int " + std::to_string(second) + " 0",
                                    "Str " + std::to_string(second) + " 0 0"}));

  // A pending notification goes with its handle.
  Notify("127.0.0.5");
  timers.RunPosted();
  item->ReleaseHandle(device);
  EXPECT_FALSE(timers.Period(kNotificationTimer));
  EXPECT_EQ(sink->Calls().size(), 2u);
}

TEST_F(EventTest, TheObjectsEndStopsNotificationsBeforeTheNetworkManagerGoes) {
  ComPtr<FakeNetMgr> keep(net);
  AdviseGroup(engine, 1017);
  Notify("127.0.0.5");  // posted, not yet run
  const NetMgrTrapCallback callback = net->trapCallback;
  void* const data = net->trapData;

  item = nullptr;
  EXPECT_EQ(net->trapCallback, nullptr);
  EXPECT_EQ(net->calls.back().rfind("RegisterTrapCallback", 0), 0u);
  EXPECT_EQ(net->Count("RegisterTrapCallback"), 2u);
  EXPECT_FALSE(timers.HostAlive());
  EXPECT_EQ(timers.Pending(), 0u);
  EXPECT_FALSE(timers.Tick(kAdviseTimer));

  // A callback already under way when the object went reaches nothing.
  TargetSpec spec{};
  std::snprintf(spec.address, sizeof spec.address, "127.0.0.5");
  std::thread late([&] { callback(&spec, data); });
  late.join();
  EXPECT_EQ(timers.Pending(), 0u);
  EXPECT_TRUE(sink->Calls().empty());
}

TEST_F(EventTest, AllFifteenMethodsAnswerByName) {
  ComPtr<IDispatch> d;
  ASSERT_EQ(item.As(&d), S_OK);
  net->integers[8001] = 3;
  LONG tray = -1, group = -1, error = -1, count = -1, handle = -1, filter = 0;

  VbCallByName(d.Get(), "GetHandle", engine, LONG{8}, LONG{2}, Variant::Ref(&tray));
  EXPECT_EQ(tray, 3);
  VbCallByName(d.Get(), "CreateCustomGroup", ShortArray({8001, 188}), Variant::Ref(&group));
  EXPECT_EQ(Core().CustomGroupIdsForTests(group), (std::vector<std::int32_t>{8001, 188}));
  VbCallByName(d.Get(), "GetGroupValues", tray, group, LONG{0}, LONG{0}, Variant::Ref(&error));
  EXPECT_EQ(error, 0);
  ValueLists ints(false);
  VbCallByName(d.Get(), "GetCurrentIntegerValueList", tray, Variant::Ref(&ints.ids),
               Variant::Ref(&ints.values), Variant::Ref(&ints.descrs), Variant::Ref(&count));
  ints.count = count;
  EXPECT_EQ(ints.IntValues(), (std::vector<std::int32_t>{3, 4}));
  VbCallByName(d.Get(), "GetGroupValues", engine, LONG{1018}, LONG{0}, LONG{0}, Variant::Ref(&error));
  ValueLists texts(true);
  VbCallByName(d.Get(), "GetCurrentStringValueList", engine, Variant::Ref(&texts.ids),
               Variant::Ref(&texts.values), Variant::Ref(&texts.descrs), Variant::Ref(&count));
  texts.count = count;
  EXPECT_EQ(texts.TextValues(), Lines{"Velmar 9000"});

  VbCallByName(d.Get(), "GetGroupValues", tray, LONG{1023}, LONG{0}, LONG{2}, Variant::Ref(&error));
  EXPECT_EQ(Core().AdviseStateForTests(tray).groups, std::vector<std::int32_t>{1023});
  VbCallByName(d.Get(), "SetAdviseRate", LONG{4000}, LONG{100});
  EXPECT_EQ(Core().AdviseStateForTests(tray).rate, 4000);
  EXPECT_EQ(Core().AdviseStateForTests(tray).precision, 100);

  VbCallByName(d.Get(), "CreateFilter", LONG{8001}, LONG{8}, Variant::Ref(&filter));
  EXPECT_NE(filter, 0);
  net->instanceIntegers[".1.2.2"][188] = 0;  // the second row below the tray
  VbCallByName(d.Get(), "AddConditionToFilter", filter, LONG{188}, Variant(LONG{0}), LONG{0});
  VbCallByName(d.Get(), "GetCurrentIntegerValueList", tray, Variant::Ref(&ints.ids),
               Variant::Ref(&ints.values), Variant::Ref(&ints.descrs), Variant::Ref(&count));
  ints.count = count;
  EXPECT_EQ(ints.IntValues(), (std::vector<std::int32_t>{2, 4}));
  VbCallByName(d.Get(), "RemoveFilter", filter);
  VbCallByName(d.Get(), "GetCurrentIntegerValueList", tray, Variant::Ref(&ints.ids),
               Variant::Ref(&ints.values), Variant::Ref(&ints.descrs), Variant::Ref(&count));
  ints.count = count;
  EXPECT_EQ(ints.IntValues(), (std::vector<std::int32_t>{3, 4}));

  VbCallByName(d.Get(), "SetScalarIntegerValue", tray, LONG{188}, LONG{3}, Variant::Ref(&error));
  VbCallByName(d.Get(), "SetScalarStringValue", engine, LONG{77}, Variant("Front"), Variant::Ref(&error));
  EXPECT_EQ(error, 0);
  EXPECT_EQ(net->writes, (std::vector<std::pair<std::int32_t, std::string>>{{188, "3"}, {77, "Front"}}));

  VbCallByName(d.Get(), "GetNumberOfInstances", engine, LONG{8}, Variant::Ref(&count));
  EXPECT_EQ(count, 3);
  VbCallByName(d.Get(), "GetRootHandle", LONG{kInstalledPrinter}, LONG{1}, Variant::Ref(&handle));
  EXPECT_EQ(handle, 4);
  VbCallByName(d.Get(), "ReleaseHandle", handle);
  VbCallByName(d.Get(), "ReleaseHandle", tray);
  EXPECT_EQ(Core().AdviseStateForTests(tray).advisedHandles, 0);
  VbCallByName(d.Get(), "DeleteCustomGroup", group);
  EXPECT_TRUE(Core().CustomGroupIdsForTests(group).empty());
}

}  // namespace
}  // namespace vlm::mgmt::testing
