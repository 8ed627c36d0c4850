// The timers and the task queue of a VectorItem's own thread: what runs the
// advise timer and the notification timer, and what carries the network
// manager's notifications from its listener thread to the object.
//
// What a caller may rely on:
// - A host is made on the thread that owns the object ("its thread"), and
//   Start, Stop and the destructor are called on that thread only.
// - Start(id, period) runs timer `id` every `period` milliseconds (a timer
//   already running under that id starts over with the new period); Stop(id)
//   ends it (an id that does not run is ignored). Each tick calls the tick
//   handler with the id, on the host's thread.
// - Post(task) may be called from any thread, but never at the same time as
//   the destructor (the owner stops posting first); the task runs later on
//   the host's thread, never inside Post. Tasks run in the order posted.
// - After the destructor returns no tick handler and no task runs again
//   (tasks not yet run are dropped). The destructor may run from inside a
//   tick handler or a task of the same host.
// - Nothing here throws: a task that cannot be queued is dropped.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace vlm::mgmt {

class TimerHost {
 public:
  using TickHandler = std::function<void(std::int32_t timerId)>;
  virtual ~TimerHost() = default;
  virtual void Start(std::int32_t timerId, std::int32_t periodMs) = 0;
  virtual void Stop(std::int32_t timerId) = 0;
  virtual void Post(std::function<void()> task) noexcept = 0;
};

// Makes the host of the calling thread; null when none can be had.
using TimerHostFactory = std::function<std::unique_ptr<TimerHost>(TimerHost::TickHandler onTick)>;

// A host whose timers never tick and whose tasks never run: what an object
// made without a factory has (it then neither polls nor notifies).
class InertTimerHost final : public TimerHost {
 public:
  void Start(std::int32_t, std::int32_t) override {}
  void Stop(std::int32_t) override {}
  void Post(std::function<void()>) noexcept override {}
};

}  // namespace vlm::mgmt
