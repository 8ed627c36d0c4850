// Component objects and OLE Automation: the part of them that the monitor's
// libraries use, for Linux.
//
// What a caller may rely on:
// - Interfaces are abstract structs whose virtual functions stand in slot
//   order, IUnknown's three first. Methods return HRESULT (32-bit) or ULONG
//   and take fixed-width integers. No C++ exception leaves a method of an
//   interface implemented here or an exported function; failures are HRESULTs.
// - HRESULT codes have their platform values. GUID text is the upper-case
//   braced form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; parsing accepts
//   either case, braces required.
// - Reference counting follows COM: a successful QueryInterface, creation or
//   out-pointer hands out one reference, which the receiver releases. ComPtr
//   does that. ComObject counts atomically; a ComObject is deleted at its last
//   Release.
// - CoInitialize keeps a count per thread. CoGetClassObject, CoCreateInstance
//   and CoRegisterClassObject fail with CO_E_NOTINITIALIZED on a thread whose
//   count is 0 (CoRevokeClassObject and CLSIDFromProgID work on any thread).
//   There are no apartments and no threading models: objects are called on
//   the thread the caller chooses. Registered class objects are process-wide.
// - Creation asks, in this order: the class objects registered with
//   CoRegisterClassObject (the latest registration of a CLSID first), then
//   HKEY_CLASSES_ROOT "CLSID\{...}\InprocServer32" (its default value is the
//   path of a shared object). The registry is read at every call; a shared
//   object is dlopen'ed once per path and never unloaded, and its exported
//   DllGetClassObject is asked for the class object. An unregistered class
//   gives REGDB_E_CLASSNOTREG, a path that does not load CO_E_DLLNOTFOUND, a
//   shared object without DllGetClassObject CO_E_ERRORINDLL; com::
//   LastLoadError() then says why, for this thread.
// - State of this layer (registered classes, thread counts, loaded modules,
//   the server module counts) belongs to each linked copy of the layer: a
//   shared object that links it statically has its own, and sees only the
//   classes registered through its own copy.
// - BSTR: length-prefixed char16_t text, NUL-terminated, embedded NULs kept;
//   a null BSTR is the empty text. Narrow texts are UTF-8; invalid sequences
//   become U+FFFD.
// - SAFEARRAY: any number of dimensions, each with its own lower bound;
//   element types VT_I2, VT_I4, VT_R4, VT_R8, VT_BOOL, VT_ERROR, VT_BSTR,
//   VT_VARIANT, VT_DISPATCH, VT_UNKNOWN. rgIndices[i] is the index of
//   dimension i + 1 (the order of the bounds given to SafeArrayCreate).
//   Element access is bounds-checked (DISP_E_BADINDEX); Get copies the
//   element out (the caller frees it), Put copies the value in and frees the
//   element it replaces. Arrays are not thread-safe.
// - VARIANT functions handle VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8,
//   VT_BOOL, VT_ERROR, VT_BSTR, VT_DISPATCH, VT_UNKNOWN, VT_ARRAY|(one of
//   those or VT_VARIANT) and VT_BYREF|(any of those or VT_VARIANT); others
//   give DISP_E_BADVARTYPE. VariantChangeType makes automation's coercions
//   (rounding half to even, DISP_E_OVERFLOW out of range, DISP_E_TYPEMISMATCH
//   where no coercion exists) and leaves the destination unchanged on failure.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace vlm {

using UINT = std::uint32_t;
using INT = std::int32_t;
using SCODE = std::int32_t;
using LCID = DWORD;
using DISPID = LONG;
using VARTYPE = USHORT;
using VARIANT_BOOL = SHORT;
using FLOAT = float;
using DOUBLE = double;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

// ---------------------------------------------------------------------------
// HRESULT

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr HRESULT HRESULT_FROM_WIN32(LONG code) {
  return code <= 0 ? code : static_cast<HRESULT>((static_cast<DWORD>(code) & 0xFFFFu) | 0x80070000u);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT NOERROR = 0;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
inline constexpr HRESULT SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200u);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200u);
inline constexpr HRESULT CONNECT_E_ADVISELIMIT = static_cast<HRESULT>(0x80040201u);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202u);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
inline constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = static_cast<HRESULT>(0x8002000Fu);
inline constexpr HRESULT DISP_E_DIVBYZERO = static_cast<HRESULT>(0x80020012u);
inline constexpr HRESULT NTE_NO_MEMORY = static_cast<HRESULT>(0x8009000Eu);
inline constexpr HRESULT NTE_NOT_FOUND = static_cast<HRESULT>(0x80090011u);

// ---------------------------------------------------------------------------
// GUID

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16);
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}
constexpr bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
constexpr bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
constexpr bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

namespace com::detail {
constexpr int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
// Parses exactly "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (38 characters).
constexpr bool ParseGuid(std::string_view s, GUID& out) {
  if (s.size() != 38 || s[0] != '{' || s[37] != '}') return false;
  if (s[9] != '-' || s[14] != '-' || s[19] != '-' || s[24] != '-') return false;
  BYTE b[16] = {};
  int n = 0;
  for (std::size_t i = 1; i < 37; ++i) {
    if (i == 9 || i == 14 || i == 19 || i == 24) continue;
    int hi = HexDigit(s[i]);
    int lo = HexDigit(s[i + 1]);
    if (hi < 0 || lo < 0) return false;
    b[n++] = static_cast<BYTE>(hi * 16 + lo);
    ++i;
  }
  out.Data1 = (DWORD{b[0]} << 24) | (DWORD{b[1]} << 16) | (DWORD{b[2]} << 8) | b[3];
  out.Data2 = static_cast<WORD>((b[4] << 8) | b[5]);
  out.Data3 = static_cast<WORD>((b[6] << 8) | b[7]);
  for (int i = 0; i < 8; ++i) out.Data4[i] = b[8 + i];
  return true;
}
}  // namespace com::detail

// A GUID from its braced text, checked at compile time.
consteval GUID GuidLiteral(const char (&text)[39]) {
  GUID g{};
  if (!com::detail::ParseGuid(std::string_view(text, 38), g)) throw "malformed GUID literal";
  return g;
}

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};
inline constexpr IID IID_IUnknown = GuidLiteral("{00000000-0000-0000-C000-000000000046}");
inline constexpr IID IID_IClassFactory = GuidLiteral("{00000001-0000-0000-C000-000000000046}");
inline constexpr IID IID_IDispatch = GuidLiteral("{00020400-0000-0000-C000-000000000046}");
inline constexpr IID IID_IConnectionPointContainer =
    GuidLiteral("{B196B284-BAB4-101A-B69C-00AA00341D07}");
inline constexpr IID IID_IConnectionPoint = GuidLiteral("{B196B286-BAB4-101A-B69C-00AA00341D07}");

// Writes the braced upper-case text and its NUL; returns the characters
// written including the NUL (39), or 0 when cchMax is below 39.
int StringFromGUID2(REFGUID guid, LPOLESTR text, int cchMax);
// The braced form only (a ProgID is CLSIDFromProgID's); CO_E_CLASSSTRING
// for anything else, E_INVALIDARG for null pointers.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
// The same text in ASCII, and its parse.
std::string GuidToString(REFGUID guid);
bool GuidFromString(std::string_view text, GUID* guid);

// ---------------------------------------------------------------------------
// Interfaces

// Every interface struct names its IID as kIid and, when it derives from
// another interface than IUnknown, that one as BaseInterface, so that
// ComObject can answer QueryInterface for the whole chain.
struct IUnknown {
  static constexpr IID kIid = IID_IUnknown;
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
  static constexpr IID kIid = IID_IClassFactory;
  using BaseInterface = IUnknown;
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

template <class I>
constexpr const IID& IidOf() {
  return I::kIid;
}
// IID_PPV_ARGS(pp) for pp of type I**: the IID of I and pp as void**. The
// argument is evaluated once.
template <class P>
constexpr const IID& IidOfPointee() {
  return std::remove_pointer_t<std::remove_pointer_t<P>>::kIid;
}
template <class I>
void** PpvArg(I** pp) {
  static_assert(std::is_base_of_v<IUnknown, I>, "IID_PPV_ARGS needs an interface pointer's address");
  return reinterpret_cast<void**>(pp);
}
#define IID_PPV_ARGS(pp) ::vlm::IidOfPointee<decltype(pp)>(), ::vlm::PpvArg(pp)

// Holds one reference to an interface.
template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Shares p: adds a reference of its own.
  explicit ComPtr(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) noexcept : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
    requires std::is_convertible_v<U*, T*>
  ComPtr(const ComPtr<U>& o) noexcept : ComPtr(static_cast<T*>(o.Get())) {}
  ~ComPtr() { Reset(); }
  ComPtr& operator=(const ComPtr& o) noexcept {
    ComPtr(o).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    ComPtr(std::move(o)).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // For an out parameter: releases what is held first.
  T** ReleaseAndGetAddressOf() noexcept {
    Reset();
    return &p_;
  }
  // Takes over a reference that the caller owns.
  void Attach(T* p) noexcept {
    Reset();
    p_ = p;
  }
  // Hands the reference to the caller.
  T* Detach() noexcept { return std::exchange(p_, nullptr); }
  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  void Swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }
  // A new reference for an out parameter.
  HRESULT CopyTo(T** out) const noexcept {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }
  template <class U>
  HRESULT As(ComPtr<U>* out) const noexcept {
    if (!out) return E_POINTER;
    if (!p_) {
      out->Reset();
      return E_POINTER;
    }
    return p_->QueryInterface(IidOf<U>(), reinterpret_cast<void**>(out->ReleaseAndGetAddressOf()));
  }

 private:
  T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) {
  return a.Get() == b.Get();
}

// ---------------------------------------------------------------------------
// Objects, class factories and the server module

namespace com {
// The live objects and server locks of this linked copy of the layer (so of
// the shared object that links it): every ComObject counts, LockServer of a
// ClassFactory locks. ModuleCanUnloadNow is what DllCanUnloadNow answers:
// S_OK when both are 0, else S_FALSE.
void ModuleObjectCreated() noexcept;
void ModuleObjectDestroyed() noexcept;
void ModuleLock(bool lock) noexcept;
LONG ModuleObjectCount() noexcept;
HRESULT ModuleCanUnloadNow() noexcept;

namespace detail {
template <class B>
struct InterfaceOf {
  using type = B;
};
template <class B>
  requires requires { typename B::ImplementedInterface; }
struct InterfaceOf<B> {
  using type = typename B::ImplementedInterface;
};
template <class I>
constexpr bool InterfaceMatches(REFIID iid) {
  if (iid == I::kIid) return true;
  if constexpr (requires { typename I::BaseInterface; }) {
    if constexpr (!std::is_same_v<typename I::BaseInterface, IUnknown>) {
      return InterfaceMatches<typename I::BaseInterface>(iid);
    }
  }
  return false;
}
}  // namespace detail
}  // namespace com

// Reference counting and QueryInterface for a class implementing the
// interfaces Bases (each an interface or an implementation helper naming its
// interface as ImplementedInterface, such as DispatchImpl). IUnknown is
// answered with the first base. A class that answers further IIDs defines
//   void* QueryInterfaceExtra(REFIID iid);
// returning the interface pointer or null. The count starts at 1, the
// creator's reference (see MakeComObject); the last Release deletes the
// object. The class is not aggregatable.
template <class Derived, class... Bases>
class ComObject : public Bases... {
  static_assert(sizeof...(Bases) > 0);

 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    void* found = nullptr;
    if (iid == IID_IUnknown) {
      found = static_cast<IUnknown*>(static_cast<First*>(this));
    } else {
      ((found = found ? found : Try<Bases>(iid)), ...);
      if constexpr (requires(Derived& d) { d.QueryInterfaceExtra(iid); }) {
        if (!found) found = static_cast<Derived*>(this)->QueryInterfaceExtra(iid);
      }
    }
    if (!found) return E_NOINTERFACE;
    AddRef();
    *object = found;
    return S_OK;
  }
  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  ULONG Release() override {
    ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 protected:
  ComObject() noexcept { com::ModuleObjectCreated(); }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;
  // Virtual so that the last Release deletes the most derived object; it
  // stands after the interfaces' slots.
  virtual ~ComObject() { com::ModuleObjectDestroyed(); }

 private:
  using First = std::tuple_element_t<0, std::tuple<Bases...>>;
  template <class B>
  void* Try(REFIID iid) {
    using I = typename com::detail::InterfaceOf<B>::type;
    return com::detail::InterfaceMatches<I>(iid) ? static_cast<I*>(static_cast<B*>(this)) : nullptr;
  }
  std::atomic<ULONG> refs_{1};
};

// A new object holding the creator's reference; null when it cannot be made
// (out of memory, or its constructor threw).
template <class T, class... A>
ComPtr<T> MakeComObject(A&&... args) noexcept {
  ComPtr<T> p;
  try {
    p.Attach(new T(std::forward<A>(args)...));
  } catch (...) {
  }
  return p;
}

// A class factory for T (default-constructed, not aggregatable).
template <class T>
class ClassFactory final : public ComObject<ClassFactory<T>, IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    ComPtr<T> created = MakeComObject<T>();
    if (!created) return E_OUTOFMEMORY;
    return created->QueryInterface(iid, object);
  }
  HRESULT LockServer(BOOL lock) override {
    com::ModuleLock(lock != 0);
    return S_OK;
  }
};

// What a DllGetClassObject serving the one class `served` with objects of T
// answers: CLASS_E_CLASSNOTAVAILABLE for another CLSID, else the factory's
// interface iid (E_NOINTERFACE for one it lacks).
template <class T>
HRESULT ServeClassObject(REFCLSID requested, REFCLSID served, REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (requested != served) return CLASS_E_CLASSNOTAVAILABLE;
  ComPtr<ClassFactory<T>> factory = MakeComObject<ClassFactory<T>>();
  if (!factory) return E_OUTOFMEMORY;
  return factory->QueryInterface(iid, object);
}

// The exports of an in-process server, as dlsym finds them.
extern "C" {
using DllGetClassObjectFn = HRESULT (*)(const CLSID& clsid, const IID& iid, void** object);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
}

// ---------------------------------------------------------------------------
// The runtime

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_SERVER = 0x15;
inline constexpr DWORD CLSCTX_ALL = 0x17;
inline constexpr DWORD REGCLS_SINGLEUSE = 0;
inline constexpr DWORD REGCLS_MULTIPLEUSE = 1;

// S_OK for the thread's first call, S_FALSE after; every call counts.
HRESULT CoInitialize(void* reserved);
// Undoes one CoInitialize of this thread; nothing when the count is 0.
void CoUninitialize();
// Only in-process servers exist: a context without CLSCTX_INPROC_SERVER finds
// only registered class objects of that context, else REGDB_E_CLASSNOTREG.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* serverInfo, REFIID iid,
                         void** object);
// The class object's IClassFactory::CreateInstance(outer, iid).
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object);
// Holds a reference to classObject until CoRevokeClassObject(cookie); the
// flags are accepted and not looked at (every registration serves many
// creations). Cookies are non-zero. An unknown cookie gives E_INVALIDARG.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* classObject, DWORD context, DWORD flags,
                              DWORD* cookie);
HRESULT CoRevokeClassObject(DWORD cookie);
// HKEY_CLASSES_ROOT "<progId>\CLSID"; when "<progId>\CurVer" names another
// ProgID that resolves, that one's CLSID wins. CO_E_CLASSSTRING for a ProgID
// that is empty, holds "\", or does not resolve.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
HRESULT CLSIDFromProgID(std::string_view progId, CLSID* clsid);

namespace com {
// Why the last CO_E_DLLNOTFOUND or CO_E_ERRORINDLL of this thread came
// (the path and the loader's message); empty when none came.
std::string LastLoadError();
// The absolute path of the shared object (or program) that holds `address`,
// as an in-process server registers itself; empty when it cannot be had.
std::string ModulePathOf(const void* address);
}  // namespace com

// ---------------------------------------------------------------------------
// BSTR

// A copy of the NUL-terminated text (null for null).
BSTR SysAllocString(const OLECHAR* text);
// len characters from text, or len zero characters when text is null.
BSTR SysAllocStringLen(const OLECHAR* text, UINT len);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

// UTF-8 to BSTR (null only when out of memory) and back; embedded NULs kept.
BSTR BstrFromUtf8(std::string_view text);
std::string Utf8FromBstr(BSTR text);
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);

// Owns one BSTR.
class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(std::string_view utf8);
  explicit Bstr(std::u16string_view text);
  Bstr(const Bstr& o);
  Bstr(Bstr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  Bstr& operator=(Bstr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Bstr() { SysFreeString(p_); }
  // Takes over a BSTR that the caller owns.
  static Bstr Attach(BSTR p) noexcept {
    Bstr b;
    b.p_ = p;
    return b;
  }
  BSTR Get() const noexcept { return p_; }
  BSTR Detach() noexcept { return std::exchange(p_, nullptr); }
  BSTR* ReleaseAndGetAddressOf() noexcept {
    SysFreeString(std::exchange(p_, nullptr));
    return &p_;
  }
  UINT Length() const noexcept { return SysStringLen(p_); }
  std::u16string_view View() const noexcept { return {p_ ? p_ : u"", Length()}; }
  std::string Utf8() const { return Utf8FromBstr(p_); }

 private:
  BSTR p_ = nullptr;
};

// ---------------------------------------------------------------------------
// VARIANT and SAFEARRAY

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;
// VariantChangeType flags: booleans to text as "True"/"False" (else "-1"/"0").
inline constexpr USHORT VARIANT_ALPHABOOL = 0x2;

struct IDispatch;
struct SAFEARRAY;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONG lVal;
    SHORT iVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    LONG* plVal;
    SHORT* piVal;
    FLOAT* pfltVal;
    DOUBLE* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    SAFEARRAY** pparray;
    VARIANT* pvarVal;
    void* byref;
  };
};
using VARIANTARG = VARIANT;
static_assert(sizeof(VARIANT) == 16);

void VariantInit(VARIANT* v);
// Frees what v owns (text, array, interface reference) and makes it VT_EMPTY.
HRESULT VariantClear(VARIANT* v);
// dest := a deep copy of src (interfaces AddRef'd; VT_BYREF copies the
// pointer). dest's old content is freed; on failure dest is left as it was.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// As VariantCopy, with one VT_BYREF level followed: dest holds the value.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);
// dest := src coerced to vt (dest may be src). VT_BYREF sources are followed.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);

struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};

inline constexpr USHORT FADF_HAVEVARTYPE = 0x0080;
inline constexpr USHORT FADF_BSTR = 0x0100;
inline constexpr USHORT FADF_UNKNOWN = 0x0200;
inline constexpr USHORT FADF_DISPATCH = 0x0400;
inline constexpr USHORT FADF_VARIANT = 0x0800;

// The descriptor; read bounds through SafeArrayGetLBound/GetUBound (the
// bounds stand in rgsabound last dimension first, as on the platform).
struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
};

// Null for an unsupported element type, no dimensions, a size that does not
// fit, or bounds whose upper bound is not a LONG. Elements start zero (null
// texts and interfaces, VT_EMPTY variants).
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
// Frees the elements and the array; DISP_E_ARRAYISLOCKED while locked.
HRESULT SafeArrayDestroy(SAFEARRAY* psa);
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** out);
UINT SafeArrayGetDim(SAFEARRAY* psa);
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* vt);
// nDim counts from 1; DISP_E_BADINDEX outside 1..cDims. An empty dimension
// has upper bound lLbound - 1.
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* bound);
// pv: for VT_BSTR a BSTR* (Get) or a BSTR (Put), for VT_DISPATCH/VT_UNKNOWN
// the interface pointer's address (Get) or the pointer (Put), for VT_VARIANT a
// VARIANT* (Get treats it as uninitialised), else the value's address.
HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* rgIndices, void* pv);
HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* rgIndices, const void* pv);
HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, const LONG* rgIndices, void** element);
HRESULT SafeArrayLock(SAFEARRAY* psa);
HRESULT SafeArrayUnlock(SAFEARRAY* psa);
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);

// Owns one VARIANT (VariantClear at the end). Copies are deep and throw
// std::bad_alloc when out of memory.
class Variant : public VARIANT {
 public:
  Variant() noexcept { VariantInit(this); }
  Variant(LONG v) noexcept : Variant() { Set(VT_I4).lVal = v; }
  Variant(SHORT v) noexcept : Variant() { Set(VT_I2).iVal = v; }
  Variant(FLOAT v) noexcept : Variant() { Set(VT_R4).fltVal = v; }
  Variant(DOUBLE v) noexcept : Variant() { Set(VT_R8).dblVal = v; }
  // Only a bool: a pointer of a type without a constructor of its own must
  // not turn into a boolean silently.
  template <class B>
    requires std::is_same_v<B, bool>
  Variant(B v) noexcept : Variant() {
    Set(VT_BOOL).boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
  }
  Variant(const char* utf8) : Variant(std::string_view(utf8)) {}
  Variant(const char16_t* text) : Variant(std::u16string_view(text)) {}
  Variant(std::string_view utf8);
  Variant(const std::string& utf8) : Variant(std::string_view(utf8)) {}
  Variant(std::u16string_view text);
  Variant(IDispatch* object) noexcept;
  Variant(IUnknown* object) noexcept;
  Variant(const VARIANT& v);
  Variant(const Variant& v) : Variant(static_cast<const VARIANT&>(v)) {}
  Variant(Variant&& v) noexcept : VARIANT(v) { VariantInit(&v); }
  Variant& operator=(const Variant& v);
  Variant& operator=(Variant&& v) noexcept;
  ~Variant() { VariantClear(this); }

  // VT_ERROR with the given code (DISP_E_PARAMNOTFOUND marks a missing
  // optional argument).
  static Variant Error(SCODE code) noexcept;
  // Takes over the array: VT_ARRAY | its element type.
  static Variant Array(SAFEARRAY* psa) noexcept;
  // References: VT_BYREF | the pointee's type. The pointee must outlive it.
  static Variant Ref(LONG* p) noexcept;
  static Variant Ref(SHORT* p) noexcept;
  static Variant Ref(DOUBLE* p) noexcept;
  static Variant Ref(BSTR* p) noexcept;
  static Variant Ref(VARIANT* p) noexcept;
  static Variant Ref(SAFEARRAY** p, VARTYPE elementType) noexcept;
  // VARIANT_BOOL is SHORT, so a boolean reference has a name of its own.
  static Variant RefBool(VARIANT_BOOL* p) noexcept;

  // Hands the content to dest (which must hold nothing) and empties this.
  void Detach(VARIANT* dest) noexcept;
  void Clear() noexcept { VariantClear(this); }

 private:
  Variant& Set(VARTYPE t) noexcept {
    vt = t;
    return *this;
  }
};
static_assert(sizeof(Variant) == sizeof(VARIANT), "a Variant is a VARIANT and nothing more");

// ---------------------------------------------------------------------------
// IDispatch

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x800;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x400;

// Arguments of a call: rgvarg holds them last argument first.
struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};
// Frees the texts and zeroes the record.
void FreeExcepInfo(EXCEPINFO* info);

struct ITypeInfo;  // type information is not offered

struct IDispatch : IUnknown {
  static constexpr IID kIid = IID_IDispatch;
  using BaseInterface = IUnknown;
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
  virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) = 0;

 protected:
  ~IDispatch() = default;
};

// The arguments of one call of a dispatch member, in declared order, each
// already of its declared type: for a by-value type the coerced value (owned
// by the call), for VT_BYREF|type a reference whose writes reach the caller
// (a by-value argument given for it is coerced into a temporary whose writes
// are lost, as automation does), for VT_BYREF|VT_VARIANT the caller's VARIANT.
class DispArgs {
 public:
  DispArgs() = default;
  DispArgs(const DispArgs&) = delete;
  DispArgs& operator=(const DispArgs&) = delete;
  ~DispArgs();
  UINT Count() const noexcept { return static_cast<UINT>(args_.size()); }
  VARIANT& operator[](UINT i) noexcept { return args_[i]; }
  // The typed values; 0 or null when parameter i is of another type.
  LONG I4(UINT i) const noexcept;
  SHORT I2(UINT i) const noexcept;
  DOUBLE R8(UINT i) const noexcept;
  bool Bool(UINT i) const noexcept;
  BSTR Bstr(UINT i) const noexcept;  // borrowed; null is the empty text
  std::string Utf8(UINT i) const;
  IDispatch* Dispatch(UINT i) const noexcept;  // borrowed
  LONG* I4Ref(UINT i) const noexcept;
  SHORT* I2Ref(UINT i) const noexcept;
  BSTR* BstrRef(UINT i) const noexcept;
  VARIANT* VariantRef(UINT i) const noexcept;
  // Where a result goes; null when the caller wants none.
  VARIANT* Result() const noexcept { return result_; }
  // Reports an exception: fills the caller's EXCEPINFO (when given) with scode
  // and the description, and returns DISP_E_EXCEPTION.
  HRESULT Raise(HRESULT scode, std::string_view description) const;

 private:
  friend class DispatchCore;
  std::vector<VARIANT> args_;
  std::vector<VARIANT> temps_;  // values that by-reference parameters point to
  VARIANT* result_ = nullptr;
  EXCEPINFO* excepInfo_ = nullptr;
};

// One member of a dispatch table: a method callable with DISPATCH_METHOD or
// DISPATCH_PROPERTYGET. params are the declared types: VT_I2, VT_I4, VT_R4,
// VT_R8, VT_BOOL, VT_BSTR, VT_DISPATCH, VT_UNKNOWN, VT_VARIANT, VT_ARRAY|t,
// or VT_BYREF| one of those.
template <class T>
struct DispMember {
  const char* name;
  DISPID dispid;
  std::vector<VARTYPE> params;
  HRESULT (*invoke)(T& self, DispArgs& args);
};

// The type-independent part of DispatchTable.
class DispatchCore {
 public:
  struct Entry {
    std::string name;
    DISPID dispid;
    std::vector<VARTYPE> params;
    std::function<HRESULT(void*, DispArgs&)> invoke;
  };
  explicit DispatchCore(std::vector<Entry> entries) : entries_(std::move(entries)) {}
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, DISPID* ids) const noexcept;
  HRESULT Invoke(void* self, DISPID id, REFIID iid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) const noexcept;

 private:
  std::vector<Entry> entries_;
};

// Names (compared case-insensitively) to DISPIDs, and Invoke with arguments
// taken in reverse order from DISPPARAMS and coerced to the declared types:
// DISP_E_MEMBERNOTFOUND for an unknown DISPID or a property put,
// DISP_E_UNKNOWNINTERFACE for an IID other than IID_NULL, DISP_E_BADPARAMCOUNT
// for another number of arguments, DISP_E_PARAMNOTFOUND for any named
// argument, DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW (and *argErr, the rgvarg
// index) for an argument that does not coerce, DISP_E_PARAMNOTOPTIONAL for a
// missing one. A member that fails with hr gives DISP_E_EXCEPTION with scode
// hr when the caller passed an EXCEPINFO, else hr; a member that throws gives
// DISP_E_EXCEPTION (E_OUTOFMEMORY for std::bad_alloc). The result VARIANT is
// an out parameter: it is initialised (not cleared) before the member runs,
// and emptied again when the member fails.
template <class T>
class DispatchTable {
 public:
  DispatchTable(std::initializer_list<DispMember<T>> members) : core_(Entries(members)) {}
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) const noexcept {
    return core_.GetIDsOfNames(iid, names, count, ids);
  }
  HRESULT Invoke(T& self, DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) const noexcept {
    return core_.Invoke(&self, id, iid, flags, params, result, excepInfo, argErr);
  }

 private:
  static std::vector<DispatchCore::Entry> Entries(std::initializer_list<DispMember<T>> members) {
    std::vector<DispatchCore::Entry> out;
    for (const DispMember<T>& m : members) {
      auto fn = m.invoke;
      out.push_back({m.name, m.dispid, m.params,
                     [fn](void* self, DispArgs& args) { return fn(*static_cast<T*>(self), args); }});
    }
    return out;
  }
  DispatchCore core_;
};

// Implements IDispatch (or a dual interface derived from it) for Derived from
// the table that `static const DispatchTable<Derived>& Derived::DispatchMembers()`
// returns. No type information: GetTypeInfoCount gives 0.
template <class Derived, class Interface = IDispatch>
class DispatchImpl : public Interface {
 public:
  using ImplementedInterface = Interface;
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    try {
      return Derived::DispatchMembers().GetIDsOfNames(iid, names, count, lcid, ids);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
    try {
      return Derived::DispatchMembers().Invoke(static_cast<Derived&>(*this), id, iid, lcid, flags,
                                               params, result, excepInfo, argErr);
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }

 protected:
  ~DispatchImpl() = default;
};

namespace com::detail {
// N VARIANTs owned together (cleared at the end), filled from values that
// convert to Variant.
template <std::size_t N>
struct VariantList {
  std::array<VARIANT, N> items;
  template <class... A>
  explicit VariantList(A&&... args) {
    std::array<Variant, N> values{Variant(std::forward<A>(args))...};
    for (std::size_t i = 0; i < N; ++i) values[i].Detach(&items[i]);
  }
  VariantList(const VariantList&) = delete;
  VariantList& operator=(const VariantList&) = delete;
  ~VariantList() {
    for (VARIANT& v : items) VariantClear(&v);
  }
};

// The call itself, with the arguments already in DISPPARAMS order.
HRESULT InvokeByNameReversed(IDispatch* object, std::string_view name, std::span<VARIANT> reversed,
                             VARIANT* result, EXCEPINFO* excepInfo);

template <class T>
HRESULT InvokeByNameOf(IDispatch* object, std::string_view name, std::span<T> args, VARIANT* result,
                       EXCEPINFO* excepInfo) {
  std::vector<VARIANT> reversed;
  try {
    reversed.resize(args.size());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  // The arguments travel in DISPPARAMS themselves (moved there and back), so
  // that what the callee writes into them reaches the caller.
  std::size_t n = args.size();
  for (std::size_t i = 0; i < n; ++i) reversed[n - 1 - i] = args[i];
  HRESULT hr = InvokeByNameReversed(object, name, reversed, result, excepInfo);
  for (std::size_t i = 0; i < n; ++i) static_cast<VARIANT&>(args[i]) = reversed[n - 1 - i];
  return hr;
}
}  // namespace com::detail

// Late-bound calls by name, as automation clients make them: GetIDsOfNames
// with LOCALE_USER_DEFAULT, then Invoke with DISPATCH_METHOD (and
// DISPATCH_PROPERTYGET when a result is asked for). args are in the caller's
// order; they travel in DISPPARAMS and come back with what the callee wrote
// into them. result (cleared first) and excepInfo (zeroed first) may be null.
inline HRESULT InvokeByNameEx(IDispatch* object, std::string_view name, std::span<VARIANT> args,
                              VARIANT* result, EXCEPINFO* excepInfo) {
  return com::detail::InvokeByNameOf(object, name, args, result, excepInfo);
}
inline HRESULT InvokeByNameEx(IDispatch* object, std::string_view name, std::span<Variant> args,
                              VARIANT* result, EXCEPINFO* excepInfo) {
  return com::detail::InvokeByNameOf(object, name, args, result, excepInfo);
}
template <class... A>
HRESULT InvokeByName(IDispatch* object, std::string_view name, A&&... args) {
  try {
    com::detail::VariantList<sizeof...(A)> list(std::forward<A>(args)...);
    return InvokeByNameEx(object, name, list.items, nullptr, nullptr);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// ---------------------------------------------------------------------------
// Connection points

struct IConnectionPoint;
struct IEnumConnections;       // not offered: EnumConnections gives E_NOTIMPL
struct IEnumConnectionPoints;  // not offered: EnumConnectionPoints gives E_NOTIMPL

struct IConnectionPointContainer : IUnknown {
  static constexpr IID kIid = IID_IConnectionPointContainer;
  using BaseInterface = IUnknown;
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
  virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;

 protected:
  ~IConnectionPointContainer() = default;
};

struct IConnectionPoint : IUnknown {
  static constexpr IID kIid = IID_IConnectionPoint;
  using BaseInterface = IUnknown;
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  virtual HRESULT Unadvise(DWORD cookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;

 protected:
  ~IConnectionPoint() = default;
};

// One connection point for an outgoing dispatch interface, held as a member
// of its container object: AddRef and Release go to the container, which it
// keeps alive while a client holds it. Advise asks the sink for the outgoing
// interface's IID (CONNECT_E_CANNOTCONNECT when it lacks it) and keeps that
// IDispatch; cookies are non-zero and never reused while advised. maxSinks 0
// means no limit, else CONNECT_E_ADVISELIMIT past it. Unadvise of an unknown
// cookie gives CONNECT_E_NOCONNECTION. Thread-safe.
class ConnectionPoint final : public IConnectionPoint {
 public:
  ConnectionPoint(IConnectionPointContainer* container, REFIID outgoing,
                  std::size_t maxSinks = 0) noexcept
      : container_(container), outgoing_(outgoing), maxSinks_(maxSinks) {}
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;
  // Releases the sinks still advised.
  ~ConnectionPoint();

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return container_->AddRef(); }
  ULONG Release() override { return container_->Release(); }
  HRESULT GetConnectionInterface(IID* iid) override;
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;
  HRESULT EnumConnections(IEnumConnections** connections) override;

  // What the container's FindConnectionPoint answers for this point:
  // CONNECT_E_NOCONNECTION for another IID.
  HRESULT Find(REFIID iid, IConnectionPoint** point);
  std::size_t SinkCount() const;
  // Calls Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD) on every
  // sink advised when the firing starts, in the order advised, each with its
  // own copy of args (in the caller's order; they travel reversed), no result
  // and no exception information. Each sink is held for its call. A sink that
  // has been unadvised by the time its turn comes is skipped, so sinks may
  // unadvise themselves or others, advise, or fire again from within an
  // event; the container is held for the whole firing, so a sink may drop
  // the last reference to it (do not fire from the container's destructor).
  // Returns the number of sinks called; their results are not looked at.
  std::size_t Fire(DISPID id, std::span<const VARIANT> args);
  template <class... A>
  std::size_t FireWith(DISPID id, A&&... args) {
    try {
      com::detail::VariantList<sizeof...(A)> list(std::forward<A>(args)...);
      return Fire(id, list.items);
    } catch (const std::bad_alloc&) {
      return 0;
    }
  }

 private:
  struct Sink {
    DWORD cookie;
    IDispatch* sink;
  };
  bool IsAdvised(DWORD cookie) const;

  IConnectionPointContainer* container_;
  IID outgoing_;
  std::size_t maxSinks_;
  mutable std::mutex mutex_;
  std::vector<Sink> sinks_;
  DWORD lastCookie_ = 0;
};

// ---------------------------------------------------------------------------
// VB run-time errors: those of late-bound calls and those the monitor raises

inline constexpr LONG VBERR_INVALID_CALL = 5;
inline constexpr LONG VBERR_OVERFLOW = 6;
inline constexpr LONG VBERR_OUT_OF_MEMORY = 7;
inline constexpr LONG VBERR_SUBSCRIPT = 9;
inline constexpr LONG VBERR_DIVISION_BY_ZERO = 11;
inline constexpr LONG VBERR_TYPE_MISMATCH = 13;
inline constexpr LONG VBERR_INTERNAL = 51;
inline constexpr LONG VBERR_FILE_NOT_FOUND = 53;
inline constexpr LONG VBERR_OBJECT_NOT_SET = 91;
inline constexpr LONG VBERR_NO_CONTROL_ARRAY_ELEMENT = 340;
inline constexpr LONG VBERR_INVALID_PROPERTY_VALUE = 380;
inline constexpr LONG VBERR_FORM_ALREADY_SHOWN = 400;
inline constexpr LONG VBERR_MODAL_FORM_SHOWN = 401;
inline constexpr LONG VBERR_OBJECT_REQUIRED = 424;
inline constexpr LONG VBERR_CANNOT_CREATE_OBJECT = 429;
inline constexpr LONG VBERR_NO_AUTOMATION = 430;
inline constexpr LONG VBERR_NO_SUCH_MEMBER = 438;
inline constexpr LONG VBERR_AUTOMATION = 440;
inline constexpr LONG VBERR_NO_NAMED_ARGUMENTS = 446;
inline constexpr LONG VBERR_NAMED_ARGUMENT_NOT_FOUND = 448;
inline constexpr LONG VBERR_ARGUMENT_NOT_OPTIONAL = 449;
inline constexpr LONG VBERR_WRONG_ARGUMENT_COUNT = 450;
inline constexpr LONG VBERR_INDEX_OUT_OF_BOUNDS = 35600;
inline constexpr LONG VBERR_ELEMENT_NOT_FOUND = 35601;
inline constexpr LONG VBERR_KEY_NOT_UNIQUE = 35602;

// A VB run-time error: its number and description.
class VbError : public std::exception {
 public:
  VbError(LONG number, std::string description)
      : number_(number), description_(std::move(description)) {}
  LONG Number() const noexcept { return number_; }
  const std::string& Description() const noexcept { return description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  LONG number_;
  std::string description_;
};

// The VB run-time's text of an error number ("Type mismatch" for 13,
// "Invalid property value" for 380, "Index out of bounds" for 35600), for
// every number above but 340, whose text names the missing element:
// VbErrorDescription(340, index) is "Control array element '<index>' doesn't
// exist". Any other positive number has VB's "Application-defined or
// object-defined error", a negative one "Automation error".
std::string VbErrorDescription(LONG number);
std::string VbErrorDescription(LONG number, LONG controlArrayIndex);

enum class VbCall { Create, Invoke };
// The VB error of a failed creation (always 429, "ActiveX component can't
// create object") or a failed late-bound call: 438 for an unknown name or
// member, 13 type mismatch, 450 wrong argument count, 6 overflow, 9 bad index,
// 5 invalid argument, 7 out of memory, 448/449/446 for argument faults, 430 no
// such interface; DISP_E_EXCEPTION takes wCode, else scode, and the
// description from info; FACILITY_CONTROL codes give their low word; any other
// HRESULT is the number itself with "Automation error".
VbError VbErrorFromHResult(HRESULT hr, VbCall call, const EXCEPINFO* info = nullptr);

// VB's CreateObject: the class by ProgID through CLSIDFromProgID and
// CoCreateInstance (CLSCTX_INPROC_SERVER), its IDispatch; throws VbError 429.
ComPtr<IDispatch> VbCreateObject(std::string_view progId);
namespace com::detail {
// Throws the VB error of a failed late-bound call; frees info either way.
void ThrowIfCallFailed(HRESULT hr, EXCEPINFO* info);
void ThrowObjectNotSet();
}  // namespace com::detail

// A late-bound call by name with VB's errors: 91 for a null object, else
// VbErrorFromHResult(hr, VbCall::Invoke, info).
template <class T>
  requires std::is_same_v<T, VARIANT> || std::is_same_v<T, Variant>
void VbCallByNameEx(IDispatch* object, std::string_view name, std::span<T> args, VARIANT* result) {
  if (!object) com::detail::ThrowObjectNotSet();
  EXCEPINFO info{};
  com::detail::ThrowIfCallFailed(InvokeByNameEx(object, name, args, result, &info), &info);
}
inline void VbCallByNameEx(IDispatch* object, std::string_view name, std::vector<Variant>& args,
                           VARIANT* result) {
  VbCallByNameEx(object, name, std::span<Variant>(args), result);
}
template <class... A>
void VbCallByName(IDispatch* object, std::string_view name, A&&... args) {
  com::detail::VariantList<sizeof...(A)> list(std::forward<A>(args)...);
  VbCallByNameEx(object, name, std::span<VARIANT>(list.items), nullptr);
}

}  // namespace vlm
