// Objects that the layer's tests count references on and sink events into.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "platform/com/com.h"

namespace vlm::testing {

// An object whose only interface is IUnknown; it reports its destruction.
class Plain final : public ComObject<Plain, IUnknown> {
 public:
  explicit Plain(int* destroyed = nullptr) : destroyed_(destroyed) {}
  ~Plain() override {
    if (destroyed_) ++*destroyed_;
  }

 private:
  int* destroyed_;
};

// The references an interface pointer holds now (AddRef then Release).
inline ULONG RefCount(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

// An event sink for the outgoing interface `events`: records every call
// (DISPID and the arguments as 32-bit integers, in the caller's order) and
// then runs onEvent, which may call back into whatever it likes.
class RecordingSink final : public ComObject<RecordingSink, IDispatch> {
 public:
  struct Call {
    DISPID id;
    std::vector<LONG> args;
  };
  explicit RecordingSink(const IID& events) : events_(events) {}

  void* QueryInterfaceExtra(REFIID iid) {
    return iid == events_ ? static_cast<IDispatch*>(this) : nullptr;
  }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* info, UINT*) override {
    Call call{id, {}};
    for (UINT i = params->cArgs; i-- > 0;) {
      const VARIANT& v = params->rgvarg[i];
      call.args.push_back(v.vt == VT_I4 ? v.lVal : -999);
    }
    {
      std::lock_guard lock(mutex_);
      calls_.push_back(call);
      lastLcid_ = lcid;
      lastFlags_ = flags;
      sawNullIid_ = iid == IID_NULL;
      sawNoResult_ = result == nullptr && info == nullptr;
    }
    if (onEvent) onEvent(*this);
    return S_OK;
  }

  std::vector<Call> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  bool SawStandardCall() const {
    std::lock_guard lock(mutex_);
    return lastLcid_ == LOCALE_USER_DEFAULT && lastFlags_ == DISPATCH_METHOD && sawNullIid_ &&
           sawNoResult_;
  }

  std::function<void(RecordingSink&)> onEvent;
  DWORD cookie = 0;

 private:
  IID events_;
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
  LCID lastLcid_ = 0;
  WORD lastFlags_ = 0;
  bool sawNullIid_ = false;
  bool sawNoResult_ = false;
};

}  // namespace vlm::testing
