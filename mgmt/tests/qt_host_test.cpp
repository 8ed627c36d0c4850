// The Qt timer host: ticks and tasks on the owner's thread, and nothing
// delivered once the host is gone, also when it goes inside a delivery.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "mgmt/qt_timer_host.h"
#include "mgmt/tests/qt_event_loop.h"

namespace vlm::mgmt::testing {
namespace {

TEST(QtTimerHost, TicksAndPostedTasksRunOnTheOwnersThread) {
  TestApplication();
  const std::thread::id owner = std::this_thread::get_id();
  std::vector<std::thread::id> tickThreads;
  std::vector<std::int32_t> tickIds;
  std::unique_ptr<TimerHost> host = MakeQtTimerHost([&](std::int32_t id) {
    tickThreads.push_back(std::this_thread::get_id());
    tickIds.push_back(id);
  });
  ASSERT_TRUE(host);
  host->Start(1000, 5);
  host->Start(1000, 5);  // starts over, still one timer
  ASSERT_TRUE(RunEventsUntil([&] { return tickIds.size() >= 3; }, 2000));
  host->Stop(1000);
  host->Stop(7);  // not running: ignored
  const std::size_t ticks = tickIds.size();
  EXPECT_EQ(tickThreads, std::vector<std::thread::id>(ticks, owner));
  EXPECT_EQ(tickIds, std::vector<std::int32_t>(ticks, 1000));

  // Tasks posted from another thread run here, in order, and never inside
  // Post.
  std::vector<int> order;
  std::vector<std::thread::id> taskThreads;
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i)
      host->Post([&, i] {
        order.push_back(i);
        taskThreads.push_back(std::this_thread::get_id());
      });
  });
  poster.join();
  EXPECT_TRUE(order.empty());
  ASSERT_TRUE(RunEventsUntil([&] { return order.size() == 3; }, 2000));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(taskThreads, std::vector<std::thread::id>(3, owner));
  RunEventsUntil([] { return false; }, 30);
  EXPECT_EQ(tickIds.size(), ticks);  // stopped
}

TEST(QtTimerHost, AHostThatGoesDeliversNothingMoreEvenFromInsideADelivery) {
  TestApplication();
  struct Case {
    const char* what;
    bool inTick;  // destroyed by its own tick, else by its first task
  };
  for (const Case& c : {Case{"inside a tick", true}, Case{"inside a task", false}}) {
    SCOPED_TRACE(c.what);
    int ticks = 0, tasks = 0, ticksAtEnd = -1;
    std::unique_ptr<TimerHost> host;
    host = MakeQtTimerHost([&](std::int32_t) {
      ++ticks;
      if (c.inTick) {
        ticksAtEnd = ticks;
        host.reset();
      }
    });
    host->Start(1, 1);
    host->Start(2, 1);
    if (!c.inTick) {
      host->Post([&] {
        ++tasks;
        ticksAtEnd = ticks;
        host.reset();
      });
      host->Post([&] { ++tasks; });
    }
    ASSERT_TRUE(RunEventsUntil([&] { return !host; }, 2000));
    RunEventsUntil([] { return false; }, 30);
    EXPECT_EQ(ticks, ticksAtEnd);
    EXPECT_EQ(tasks, c.inTick ? 0 : 1);
  }

  // Destroyed between deliveries with a timer running and tasks queued.
  int delivered = 0;
  auto host = MakeQtTimerHost([&](std::int32_t) { ++delivered; });
  host->Start(1, 1);
  host->Post([&] { ++delivered; });
  host.reset();
  RunEventsUntil([] { return false; }, 30);
  EXPECT_EQ(delivered, 0);
}

}  // namespace
}  // namespace vlm::mgmt::testing
