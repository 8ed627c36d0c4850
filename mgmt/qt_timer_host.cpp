// The Qt timer host: one QObject on the owner's thread receives the timer
// events of every timer and one posted event per task.
#include "mgmt/qt_timer_host.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimerEvent>

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>
#include <mutex>

namespace vlm::mgmt {
namespace {

QEvent::Type TaskEvent() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// The receiver of the host's events. A host destroyed from inside one of its
// own deliveries (a tick handler or task that drops the last reference to
// the object) detaches its relay, which then deletes itself once that
// delivery has returned; nothing is delivered to a detached relay.
class Relay final : public QObject {
 public:
  explicit Relay(TimerHost::TickHandler onTick) : onTick_(std::move(onTick)) {}

  void Start(std::int32_t id, std::int32_t periodMs) {
    Stop(id);
    const int timer = startTimer(std::max(periodMs, 0), Qt::PreciseTimer);
    if (timer != 0) timers_.emplace_back(id, timer);
  }

  void Stop(std::int32_t id) {
    auto it = std::find_if(timers_.begin(), timers_.end(), [id](const auto& t) { return t.first == id; });
    if (it == timers_.end()) return;
    killTimer(it->second);
    timers_.erase(it);
  }

  // From any thread.
  void Post(std::function<void()> task) noexcept {
    try {
      {
        std::lock_guard lock(tasksLock_);
        if (detached_) return;
        tasks_.push_back(std::move(task));
      }
      QCoreApplication::postEvent(this, new QEvent(TaskEvent()));
    } catch (...) {
      // A task that cannot be queued is dropped.
    }
  }

  void Detach() {
    for (const auto& [id, timer] : timers_) killTimer(timer);
    timers_.clear();
    {
      std::lock_guard lock(tasksLock_);
      detached_ = true;
      tasks_.clear();
    }
    if (depth_ > 0)
      orphaned_ = true;
    else
      delete this;
  }

 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::Timer) {
      Tick(static_cast<QTimerEvent*>(e)->timerId());
      return true;
    }
    if (e->type() == TaskEvent()) {
      RunOneTask();
      return true;
    }
    return QObject::event(e);
  }

 private:
  void Tick(int timer) {
    if (detached_) return;
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [timer](const auto& t) { return t.second == timer; });
    if (it == timers_.end()) return;
    const std::int32_t id = it->first;
    ++depth_;
    try {
      onTick_(id);
    } catch (...) {
      // Nothing may unwind into the event loop.
    }
    Delivered();
  }

  void RunOneTask() {
    std::function<void()> task;
    {
      std::lock_guard lock(tasksLock_);
      if (detached_ || tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    ++depth_;
    try {
      task();
    } catch (...) {
      // Nothing may unwind into the event loop.
    }
    Delivered();
  }

  // The end of a delivery: the relay goes when its host went during it.
  void Delivered() {
    --depth_;
    if (orphaned_ && depth_ == 0) delete this;
  }

  TimerHost::TickHandler onTick_;
  std::vector<std::pair<std::int32_t, int>> timers_;  // our timer id, Qt's
  int depth_ = 0;                       // deliveries in progress (nested event loops)
  bool orphaned_ = false;
  std::mutex tasksLock_;
  std::deque<std::function<void()>> tasks_;
  bool detached_ = false;  // written under tasksLock_, read on the owner's thread
};

class QtTimerHost final : public TimerHost {
 public:
  explicit QtTimerHost(TickHandler onTick) : relay_(new Relay(std::move(onTick))) {}
  ~QtTimerHost() override { relay_->Detach(); }
  QtTimerHost(const QtTimerHost&) = delete;
  QtTimerHost& operator=(const QtTimerHost&) = delete;

  void Start(std::int32_t timerId, std::int32_t periodMs) override { relay_->Start(timerId, periodMs); }
  void Stop(std::int32_t timerId) override { relay_->Stop(timerId); }
  void Post(std::function<void()> task) noexcept override { relay_->Post(std::move(task)); }

 private:
  Relay* relay_;
};

}  // namespace

std::unique_ptr<TimerHost> MakeQtTimerHost(TimerHost::TickHandler onTick) {
  try {
    return std::make_unique<QtTimerHost>(std::move(onTick));
  } catch (...) {
    return nullptr;
  }
}

}  // namespace vlm::mgmt
