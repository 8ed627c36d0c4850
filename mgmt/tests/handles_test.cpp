// VectorItem's construction, its handle table, root and child handles,
// instance counts and releases, against the fake peers.
#include <future>

#include "mgmt/named_objects.h"
#include "mgmt/tests/fixture.h"

namespace vlm::mgmt::testing {
namespace {

using namespace xlpnmif;

TEST_F(ItemTest, ConstructionConnectsBothManagersAndRegistersForNotifications) {
  EXPECT_EQ(net->calls.front(), "RegisterTrapCallback 1");
  EXPECT_EQ(net->trapReserved, 1);
  EXPECT_EQ(net->trapData, static_cast<void*>(&Core()));
  EXPECT_NE(net->trapCallback, nullptr);
  // A notification reaches the object without touching anything yet.
  TargetSpec spec{};
  net->trapCallback(&spec, net->trapData);

  {
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(item.As(&container), S_OK);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(DIID__IVectorItemEvents, point.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, point.ReleaseAndGetAddressOf()),
              CONNECT_E_NOCONNECTION);
  }

  item = nullptr;
  EXPECT_TRUE(dm.freed);
  EXPECT_EQ(FakeNetMgr::live, 0);
}

TEST_F(ItemTest, CreationFailsWholeWithoutEitherManager) {
  const int before = FakeNetMgr::live;
  env.makeDiscoveryManager = [] { return nullptr; };
  ComPtr<IVectorItem> p;
  EXPECT_EQ(CreateVectorItem(env, IID_IVectorItem, reinterpret_cast<void**>(p.ReleaseAndGetAddressOf())),
            E_FAIL);
  EXPECT_FALSE(p);
  EXPECT_EQ(FakeNetMgr::live, before);  // the network manager was given back

  // No network manager class: its creation error comes back as it is.
  env.makeDiscoveryManager = [this] { return &dm; };
  RevokeNetMgr();
  EXPECT_EQ(CreateVectorItem(env, IID_IVectorItem, reinterpret_cast<void**>(p.ReleaseAndGetAddressOf())),
            REGDB_E_CLASSNOTREG);
}

TEST_F(ItemTest, HandlesAreHandedOutLowestFirstUntilTheTableIsFull) {
  // The network manager holds 32 handles of its own: the rest of the table
  // is filled with job lists.
  for (LONG i = 0; i < 32; ++i) ASSERT_EQ(Root(148, 1), i);
  for (LONG i = 32; i < kHandleCount; ++i) ASSERT_EQ(Root(kPrintJobs), i);
  const std::size_t opens = net->Count("OpenRootHandle");
  EXPECT_EQ(Root(148, 1), -1);
  EXPECT_EQ(Child(0, 8, 1), -1);
  EXPECT_EQ(Root(kPrintJobs), -1);
  EXPECT_EQ(net->Count("OpenRootHandle") + net->Count("OpenChildHandle"), opens);  // nothing opened
  ASSERT_EQ(item->ReleaseHandle(40), S_OK);
  ASSERT_EQ(item->ReleaseHandle(5), S_OK);
  EXPECT_EQ(Root(148, 1), 5);
  EXPECT_EQ(Root(148, 1), -1);  // the network manager's own table is full
  EXPECT_EQ(Root(kPrintJobs), 40);
  EXPECT_EQ(Core().OccupancyForTests().openHandles, kHandleCount);
}

TEST_F(ItemTest, AFailedOpenFreesTheEntry) {
  net->failOpens = true;
  EXPECT_EQ(Root(148, 1), -1);
  net->failOpens = false;
  const LONG engine = Root(0, 1);
  EXPECT_EQ(engine, 0);  // the entry of the failed open is free again
  net->failOpens = true;
  EXPECT_EQ(Child(engine, 8, 1), -1);
  EXPECT_EQ(Core().OccupancyForTests().openHandles, 1);
}

TEST_F(ItemTest, ReleasesOfWhatIsNotOpenDoNothing) {
  const LONG h = Root(148, 1);
  ASSERT_EQ(h, 0);
  for (LONG bad : {-1, 1, 63, 64, 1000, -7}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(item->ReleaseHandle(bad), S_OK);
  }
  EXPECT_EQ(net->Count("FreeHandle"), 0u);
  EXPECT_EQ(item->ReleaseHandle(h), S_OK);
  EXPECT_EQ(item->ReleaseHandle(h), S_OK);  // double release
  EXPECT_EQ(net->Count("FreeHandle"), 1u);
  EXPECT_EQ(Core().OccupancyForTests().openHandles, 0);
}

TEST_F(ItemTest, ReleaseFreesTheNetworkManagersHandleUnderTheTimerMutex) {
  const LONG h = Root(148, 1);
  bool heldElsewhere = false;
  net->onFreeHandle = [&] {
    // Another thread cannot have the mutex while the handle is freed.
    heldElsewhere = std::async(std::launch::async, [] {
                      HANDLE m = ProcessNamedObjects().timerMutex;
                      DWORD r = WaitForSingleObject(m, 0);
                      if (r == WAIT_OBJECT_0) ReleaseMutex(m);
                      return r == WAIT_TIMEOUT;
                    }).get();
  };
  item->ReleaseHandle(h);
  EXPECT_TRUE(heldElsewhere);
}

TEST_F(ItemTest, ANewEntryStartsWithModeZero) {
  net->integers[6] = 3;
  net->groups[1022] = {{6}, {}};
  LONG h = Root(0, 1);
  Read(h, 1022);
  Ints(h);
  ASSERT_EQ(Read(h, 1022, 1), 0);  // cached: mode 1
  item->ReleaseHandle(h);
  h = Root(0, 2);
  ASSERT_EQ(h, 0);
  // A mode-1 list would answer from the cache of the released handle's
  // group; a fresh entry reads the network manager.
  const std::size_t lists = net->Count("GetIntegerValueList");
  Ints(h);
  EXPECT_EQ(net->Count("GetIntegerValueList"), lists + 1);
}

TEST_F(ItemTest, ChildHandlesOpenOnlyUnderParentsTheNetworkManagerOwns) {
  ASSERT_EQ(Discover({{"127.0.0.5", 1}}), 0);  // handle 0: discovery root
  const LONG device = Root(kInstalledPrinter, 0);
  const LONG jobs = Root(kPrintJobs);
  const LONG engine = Child(device, 0, 1);
  ASSERT_EQ(std::vector<LONG>({device, jobs, engine}), std::vector<LONG>({1, 2, 3}));
  EXPECT_EQ(net->calls.back(), "OpenRootHandle 0 1");

  struct Case {
    LONG parent, vector;
    const char* why;
  };
  for (const Case& c : {Case{-1, 8, "no parent"}, Case{64, 8, "out of range"},
                        Case{40, 8, "free entry"}, Case{0, 8, "discovery root"},
                        Case{jobs, 8, "job list"}, Case{engine, 5002, "own vector"},
                        Case{engine, 7001, "own vector"}, Case{engine, 300, "unknown vector"}}) {
    SCOPED_TRACE(c.why);
    const std::size_t calls = net->calls.size();
    EXPECT_EQ(Child(c.parent, c.vector, 1), -1);
    EXPECT_EQ(net->calls.size(), calls);
  }
  EXPECT_EQ(Core().OccupancyForTests().openHandles, 4);

  // Below a device, vectors open at the device's root; below the engine
  // they are rows of it.
  EXPECT_EQ(Child(device, 148, 1), 4);
  EXPECT_EQ(net->calls.back(), "OpenRootHandle 148 1");
  EXPECT_EQ(Child(engine, 8, 2), 5);
  EXPECT_EQ(net->calls.back(), "OpenChildHandle 0 8 2");

  // Own and unknown vectors never reach the network manager as roots.
  for (LONG v : {6001, 7003, 5555, -1, 218}) {
    SCOPED_TRACE(v);
    const std::size_t calls = net->calls.size();
    EXPECT_EQ(Root(v, 1), -1);
    EXPECT_EQ(net->calls.size(), calls);
  }
}

TEST_F(ItemTest, InstanceCountsByParent) {
  ASSERT_EQ(Discover({{"127.0.0.5", 1}}), 0);
  const LONG device = Root(kInstalledPrinter, 0);
  const LONG engine = Child(device, 0, 1);
  const LONG jobs = Root(kPrintJobs);
  struct Case {
    LONG parent, vector;
    HRESULT result;
    const char* call;  // expected last call, or null for none
  };
  const Case cases[] = {
      {0, 8, S_OK, "GetRootInstanceCount 8"},
      {device, 8, S_OK, "GetRootInstanceCount 8"},
      {engine, 8, S_OK, "GetInstanceCount 0 8"},
      {jobs, 8, netmgr::kErrCall, nullptr},
      {-1, 8, netmgr::kErrCall, nullptr},
      {50, 8, netmgr::kErrCall, nullptr},
      {engine, 5002, netmgr::kErrCall, nullptr},
      {engine, 7003, netmgr::kErrCall, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.parent) + " " + std::to_string(c.vector));
    const std::size_t calls = net->calls.size();
    LONG count = -5;
    EXPECT_EQ(item->GetNumberOfInstances(c.parent, c.vector, &count), c.result);
    EXPECT_EQ(count, c.result == S_OK ? 3 : 0);
    if (c.call)
      EXPECT_EQ(net->calls.back(), c.call);
    else
      EXPECT_EQ(net->calls.size(), calls);
  }
}

// The spooler's queue as a job reader sees it.
struct Queue {
  std::int32_t count = 2;
  std::vector<std::pair<std::int32_t, std::int32_t>> controls;
  std::vector<std::string> readers;
};

class Jobs final : public JobReader {
 public:
  explicit Jobs(Queue* q) : q_(q) {}
  bool RefreshJobList(std::int32_t* count) override {
    *count = q_->count;
    return true;
  }
  bool GetJobInfo(std::int32_t position, JobRecord* r) override {
    std::snprintf(r->document, sizeof r->document, "doc %d", position);
    r->position = position + 1;
    return true;
  }
  std::int32_t ControlJob(std::int32_t position, std::int32_t command) override {
    q_->controls.emplace_back(position, command);
    return 0;
  }

 private:
  Queue* q_;
};

TEST_F(ItemTest, JobHandlesFollowTheQueueOfTheLastInstalledPrinterOpened) {
  Queue queue;
  env.makeJobReader = [&](const std::string& name) {
    queue.readers.push_back(name);
    return std::make_unique<Jobs>(&queue);
  };
  item = Make();
  net = FakeNetMgr::last;

  // Before any printer is opened there is no queue: no jobs.
  LONG list = Root(kPrintJobs);
  EXPECT_EQ(Child(list, kPrintJob, 0), -1);
  item->ReleaseHandle(list);

  ASSERT_EQ(Discover({{"127.0.0.5", 1}, {"127.0.0.6", 1}}), 0);
  Root(kInstalledPrinter, 1);
  EXPECT_EQ(queue.readers, std::vector<std::string>{"queue-127.0.0.6"});
  list = Root(kPrintJobs);
  ASSERT_EQ(Read(list, kJobListGroup), 0);
  ValueLists count = Ints(list);
  EXPECT_EQ(count.Ids(), std::vector<std::int32_t>{kJobCount});
  EXPECT_EQ(count.IntValues(), std::vector<std::int32_t>{2});

  // Positions at or past the count open nothing.
  const int open = Core().OccupancyForTests().openHandles;
  EXPECT_EQ(Child(list, kPrintJob, 2), -1);
  EXPECT_EQ(Child(list, kPrintJob, -1), -1);
  EXPECT_EQ(Core().OccupancyForTests().openHandles, open);

  const LONG job = Child(list, kPrintJob, 1);
  ASSERT_GE(job, 0);
  EXPECT_EQ(Read(job, kJobGroup), 0);
  ValueLists texts = Texts(job);
  EXPECT_EQ(texts.Ids(), (std::vector<std::int32_t>{kJobStatus, kJobUserName, kJobDocument}));
  EXPECT_EQ(texts.TextValues()[2], "doc 1");
  EXPECT_EQ(Ints(job).Ids(),
            (std::vector<std::int32_t>{kJobPosition, kJobPagesPrinted, kJobPriority, kJobTotalPages}));
  // A refresh that finds fewer jobs leaves the handle past the end.
  queue.count = 1;
  EXPECT_EQ(Read(job, kJobGroup), kErrJobPastEnd);
  EXPECT_EQ(Texts(job).TextValues()[2], "doc 1");

  // Control values: 0 cancel, 3 restart, others nothing.
  LONG error = -5;
  for (LONG value : {7, 0, 3, -1}) item->SetScalarIntegerValue(job, 0, value, &error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(queue.controls, (std::vector<std::pair<std::int32_t, std::int32_t>>{
                                {1, JOB_CONTROL_CANCEL}, {1, JOB_CONTROL_RESTART}}));
}

TEST_F(ItemTest, ObjectsShareTheNamedObjectsWithoutClosingThemUnderEachOther) {
  ComPtr<IVectorItem> other = Make();
  ASSERT_TRUE(other);
  other = nullptr;
  // The mutex and event still work for the remaining object.
  EXPECT_EQ(Discover({{"127.0.0.5", 1}}), 0);
  const NamedObjects& named = ProcessNamedObjects();
  ASSERT_EQ(WaitForSingleObject(named.discMutex, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(named.discMutex, 0), WAIT_OBJECT_0);  // recursive
  EXPECT_TRUE(ReleaseMutex(named.discMutex));
  EXPECT_TRUE(ReleaseMutex(named.discMutex));
}

}  // namespace
}  // namespace vlm::mgmt::testing
