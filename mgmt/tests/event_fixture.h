// A VectorItem with the fake timer host and a recording event sink, after a
// discovery run that found two installed printers, with device 0 and its
// engine open.
#pragma once

#include "mgmt/tests/event_fakes.h"
#include "mgmt/tests/fixture.h"

namespace vlm::mgmt::testing {

class EventTest : public ItemTest {
 protected:
  void SetUp() override {
    ItemTest::SetUp();
    env.makeTimerHost = timers.Factory();
    item = Make();
    ASSERT_TRUE(item);
    net = FakeNetMgr::last;
    sink = MakeComObject<RecordingSink>();
    ASSERT_NE(AdviseSink(item.Get(), sink.Get()), 0u);

    net->integers = {{151, 12}, {152, 5}, {153, 7}, {188, 4}, {8001, 3}};
    net->texts = {{77, "Velmar 9000"}};
    net->groups[1017] = {{151, 152}, {}};
    net->groups[1018] = {{153}, {77}};
    net->groups[1023] = {{188}, {}};
    root = Discover({{"127.0.0.5", 1}, {"127.0.0.6", 1}});
    ASSERT_EQ(root, 0);
    device = Root(xlpnmif::kInstalledPrinter, 0);
    engine = Child(device, 0, 1);
    ASSERT_EQ(engine, 2);
  }
  // GetGroupValues with an advise mechanism (2 advise, 3 unadvise).
  LONG AdviseGroup(LONG handle, LONG group, LONG mechanism = xlpnmif::kMechanismAdvise,
                   LONG mode = xlpnmif::kModeRead) {
    return Read(handle, group, mode, mechanism);
  }
  // A notification as the network manager's listener thread delivers it.
  void Notify(const std::string& address) {
    TargetSpec spec{};
    std::snprintf(spec.address, sizeof spec.address, "%s", address.c_str());
    NetMgrTrapCallback callback = net->trapCallback;
    void* data = net->trapData;
    std::thread listener([&] { callback(&spec, data); });
    listener.join();
  }

  FakeTimers timers;
  ComPtr<RecordingSink> sink;
  LONG root = -1, device = -1, engine = -1;
};

}  // namespace vlm::mgmt::testing
