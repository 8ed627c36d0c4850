// Connection points for outgoing dispatch interfaces.
#include "platform/com/com.h"

namespace vlm {

ConnectionPoint::~ConnectionPoint() {
  std::vector<Sink> sinks;
  {
    std::lock_guard lock(mutex_);
    sinks.swap(sinks_);
  }
  for (Sink& s : sinks) s.sink->Release();
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
  *object = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = outgoing_;
  return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  container_->AddRef();
  *container = container_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  IDispatch* dispatch = nullptr;
  if (FAILED(sink->QueryInterface(outgoing_, reinterpret_cast<void**>(&dispatch))) || !dispatch) {
    return CONNECT_E_CANNOTCONNECT;
  }
  HRESULT hr = S_OK;
  {
    std::lock_guard lock(mutex_);
    if (maxSinks_ != 0 && sinks_.size() >= maxSinks_) {
      hr = CONNECT_E_ADVISELIMIT;
    } else {
      // Cookies count up, skip 0 and any still in use.
      do {
        ++lastCookie_;
      } while (lastCookie_ == 0 || IsAdvised(lastCookie_));
      try {
        sinks_.push_back({lastCookie_, dispatch});
        *cookie = lastCookie_;
      } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
      }
    }
  }
  if (FAILED(hr)) dispatch->Release();
  return hr;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  IDispatch* removed = nullptr;
  {
    std::lock_guard lock(mutex_);
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
      if (it->cookie == cookie) {
        removed = it->sink;
        sinks_.erase(it);
        break;
      }
    }
  }
  if (!removed) return CONNECT_E_NOCONNECTION;
  removed->Release();
  return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (connections) *connections = nullptr;
  return E_NOTIMPL;
}

HRESULT ConnectionPoint::Find(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != outgoing_) return CONNECT_E_NOCONNECTION;
  AddRef();
  *point = this;
  return S_OK;
}

std::size_t ConnectionPoint::SinkCount() const {
  std::lock_guard lock(mutex_);
  return sinks_.size();
}

// Called with mutex_ held, or under it from Fire.
bool ConnectionPoint::IsAdvised(DWORD cookie) const {
  for (const Sink& s : sinks_) {
    if (s.cookie == cookie) return true;
  }
  return false;
}

std::size_t ConnectionPoint::Fire(DISPID id, std::span<const VARIANT> args) {
  // The container stays alive for the whole firing, even when a sink drops
  // the last outside reference to it.
  ComPtr<IConnectionPointContainer> keepAlive(container_);
  std::vector<Sink> snapshot;
  {
    std::lock_guard lock(mutex_);
    try {
      snapshot = sinks_;
    } catch (const std::bad_alloc&) {
      return 0;
    }
    for (Sink& s : snapshot) s.sink->AddRef();
  }
  std::size_t called = 0;
  std::size_t n = args.size();
  std::vector<VARIANT> reversed;
  bool ok = true;
  try {
    reversed.resize(n);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  for (Sink& s : snapshot) {
    bool advised;
    {
      std::lock_guard lock(mutex_);
      advised = IsAdvised(s.cookie);
    }
    if (ok && advised) {
      // Each sink gets its own copy of the arguments.
      for (VARIANT& v : reversed) VariantInit(&v);
      bool copied = true;
      for (std::size_t i = 0; i < n && copied; ++i) {
        copied = SUCCEEDED(VariantCopy(&reversed[n - 1 - i], &args[i]));
      }
      if (copied) {
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(n), 0};
        s.sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                       nullptr, nullptr);
        ++called;
      }
      for (VARIANT& v : reversed) VariantClear(&v);
    }
    s.sink->Release();
  }
  return called;
}

}  // namespace vlm
