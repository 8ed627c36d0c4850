// Test doubles for the advise timers and events: a timer host whose ticks
// and posted tasks run only when the test says so, and an event sink that
// records every call it gets.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "mgmt/timer_host.h"
#include "mgmt/xlpnmif.h"
#include "platform/com/com.h"

namespace vlm::mgmt::testing {

// The state behind the hosts it makes; it outlives them.
class FakeTimers {
 public:
  // Timers that run now: id -> period.
  std::map<std::int32_t, std::int32_t> Running() {
    std::lock_guard lock(m_);
    return running_;
  }
  std::optional<std::int32_t> Period(std::int32_t id) {
    std::lock_guard lock(m_);
    auto it = running_.find(id);
    return it == running_.end() ? std::nullopt : std::optional<std::int32_t>(it->second);
  }
  // "start ID PERIOD" and "stop ID" in call order (stops of idle ids too).
  std::vector<std::string> Log() {
    std::lock_guard lock(m_);
    return log_;
  }
  bool HostAlive() {
    std::lock_guard lock(m_);
    return alive_;
  }
  std::size_t Pending() {
    std::lock_guard lock(m_);
    return posted_.size();
  }

  // One tick of a running timer; false when it does not run.
  bool Tick(std::int32_t id) {
    TimerHost::TickHandler handler;
    {
      std::lock_guard lock(m_);
      if (!alive_ || !running_.count(id)) return false;
      handler = onTick_;
    }
    handler(id);
    return true;
  }
  // Runs the tasks posted so far, in order; the number run.
  std::size_t RunPosted() {
    std::size_t n = 0;
    for (;;) {
      std::function<void()> task;
      {
        std::lock_guard lock(m_);
        if (posted_.empty()) return n;
        task = std::move(posted_.front());
        posted_.pop_front();
      }
      task();
      ++n;
    }
  }

  TimerHostFactory Factory() {
    return [this](TimerHost::TickHandler onTick) -> std::unique_ptr<TimerHost> {
      return std::make_unique<Host>(this, std::move(onTick));
    };
  }

 private:
  class Host final : public TimerHost {
   public:
    Host(FakeTimers* s, TickHandler onTick) : s_(s) {
      std::lock_guard lock(s_->m_);
      s_->alive_ = true;
      s_->onTick_ = std::move(onTick);
      s_->running_.clear();
    }
    ~Host() override {
      std::lock_guard lock(s_->m_);
      s_->alive_ = false;
      s_->running_.clear();
      s_->posted_.clear();
    }
    void Start(std::int32_t id, std::int32_t period) override {
      std::lock_guard lock(s_->m_);
      s_->running_[id] = period;
      s_->log_.push_back("start " + std::to_string(id) + " " + std::to_string(period));
    }
    void Stop(std::int32_t id) override {
      std::lock_guard lock(s_->m_);
      s_->running_.erase(id);
      s_->log_.push_back("stop " + std::to_string(id));
    }
    void Post(std::function<void()> task) noexcept override {
      std::lock_guard lock(s_->m_);
      s_->posted_.push_back(std::move(task));
    }

   private:
    FakeTimers* s_;
  };

  std::mutex m_;
  bool alive_ = false;
  TimerHost::TickHandler onTick_;
  std::map<std::int32_t, std::int32_t> running_;
  std::vector<std::string> log_;
  std::deque<std::function<void()>> posted_;
};

// A sink of _IVectorItemEvents that records each Invoke as it came.
class RecordingSink final : public ComObject<RecordingSink, IDispatch> {
 public:
  struct Call {
    DISPID id;
    IID iid;
    LCID lcid;
    WORD flags;
    std::vector<VARTYPE> types;  // in DISPPARAMS order
    std::vector<LONG> args;      // in the parameters' order
    UINT named;
    bool wantsResult, wantsExcepInfo, wantsArgErr;
  };
  // Runs inside each call, after it was recorded.
  std::function<void(const Call&)> onCall;

  std::vector<Call> Calls() {
    std::lock_guard lock(m_);
    return calls_;
  }
  void Clear() {
    std::lock_guard lock(m_);
    calls_.clear();
  }
  // The calls as "Int h count" / "Str h group type".
  std::vector<std::string> Summary() {
    std::vector<std::string> out;
    for (const Call& c : Calls()) {
      std::string line = c.id == DISPID_XferIntegerValues   ? "Int"
                         : c.id == DISPID_XferStringValues ? "Str"
                                                           : '?' + std::to_string(c.id);
      for (LONG a : c.args) (line += ' ') += std::to_string(a);
      out.push_back(line);
    }
    return out;
  }

  void* QueryInterfaceExtra(REFIID iid) {
    return iid == DIID__IVectorItemEvents ? static_cast<IDispatch*>(this) : nullptr;
  }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
    Call c{id, iid, lcid, flags, {}, {}, params ? params->cNamedArgs : 0, result != nullptr,
           excepInfo != nullptr, argErr != nullptr};
    if (params) {
      for (UINT i = 0; i < params->cArgs; ++i) c.types.push_back(params->rgvarg[i].vt);
      for (UINT i = params->cArgs; i-- > 0;) c.args.push_back(params->rgvarg[i].lVal);
    }
    {
      std::lock_guard lock(m_);
      calls_.push_back(c);
    }
    if (onCall) onCall(c);
    return S_OK;
  }

 private:
  std::mutex m_;
  std::vector<Call> calls_;
};

// Advises a sink on an object's event connection point; the cookie, 0 when
// it failed.
inline DWORD AdviseSink(IUnknown* object, IUnknown* sink) {
  ComPtr<IConnectionPointContainer> container;
  if (FAILED(object->QueryInterface(IID_IConnectionPointContainer,
                                    reinterpret_cast<void**>(container.ReleaseAndGetAddressOf()))))
    return 0;
  ComPtr<IConnectionPoint> point;
  if (FAILED(container->FindConnectionPoint(DIID__IVectorItemEvents, point.ReleaseAndGetAddressOf())))
    return 0;
  DWORD cookie = 0;
  point->Advise(sink, &cookie);
  return cookie;
}

}  // namespace vlm::mgmt::testing
