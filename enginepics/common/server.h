// The automation class of an engine picture library: one creatable class per
// library with the single method DrawEngine (DISPID 0x60030000), callable
// early-bound through IEnginePicture and by name through IDispatch; its
// self-registration under HKEY_CLASSES_ROOT; and the four in-process server
// exports.
//
// What a caller may rely on:
// - The class keeps no state between calls; DrawEngine paints the family's
//   picture into the device context hdcPaint (a handle of the device-context
//   layer) and returns S_OK. Texts are taken as they come (a null BSTR is the
//   empty text) and never changed. It raises nothing in normal operation; a
//   failure inside (out of memory) comes back as an HRESULT, never as a C++
//   exception.
// - By name, the arguments are coerced as automation does: VT_I4 for the
//   integers, VT_BSTR for the texts, VT_BOOL for ShowSelection; references
//   are followed. A wrong number of arguments gives DISP_E_BADPARAMCOUNT, an
//   argument that does not coerce DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW.
// - QueryInterface answers IUnknown, IDispatch and the library's own
//   interface identifier with the same IEnginePicture pointer.
// - RegisterEngineClass writes the ProgID (with its CLSID), the class (its
//   in-process server path, ThreadingModel "Apartment", ProgID, TypeLib), the
//   interface and the type library; UnregisterEngineClass removes them again
//   (the ProgID only while it still names this class). Both return S_OK or
//   SELFREG_E_CLASS.
#pragma once

#include <string>

#include "enginepics/common/families.h"
#include "platform/com/com.h"

namespace vlm::enginepics {

inline constexpr DISPID kDispidDrawEngine = 0x60030000;

// The default interface of every engine picture class, in slot order after
// IDispatch. Each library answers it under its own interface identifier;
// kIid names IDispatch, which it extends.
struct IEnginePicture : IDispatch {
  static constexpr IID kIid = IID_IDispatch;
  using BaseInterface = IUnknown;
  virtual HRESULT DrawEngine(LONG hdcPaint, LONG Options, LONG EngineType, BSTR FinisherType,
                             BSTR LCTType, BSTR BaseType, LONG SelectTray, LONG SelectBin,
                             VARIANT_BOOL ShowSelection) = 0;

 protected:
  ~IEnginePicture() = default;
};

// What one library is.
struct ServerInfo {
  const Family* family;
  HINSTANCE bitmaps;
  CLSID classId;
  IID interfaceId;
  GUID libraryId;
  const char* className;      // "TQZRX11"
  const char* progId;         // "TQZResource.TQZRX11"
  const char* interfaceName;  // "_TQZRX11"
  const char* helpText;       // "Bitmap Library for TQZ/RX11 Engine Family"
};

// DrawEngine's body, shared by every class: no exception leaves it.
HRESULT DrawEngineFor(const ServerInfo& info, LONG hdcPaint, LONG options, LONG engineType,
                      BSTR finisherType, BSTR lctType, BSTR baseType, LONG selectTray,
                      LONG selectBin, VARIANT_BOOL showSelection) noexcept;

HRESULT RegisterEngineClass(const ServerInfo& info, const std::string& modulePath) noexcept;
HRESULT UnregisterEngineClass(const ServerInfo& info) noexcept;

template <const ServerInfo& Info>
class EnginePicture final
    : public ComObject<EnginePicture<Info>, DispatchImpl<EnginePicture<Info>, IEnginePicture>> {
 public:
  HRESULT DrawEngine(LONG hdcPaint, LONG Options, LONG EngineType, BSTR FinisherType, BSTR LCTType,
                     BSTR BaseType, LONG SelectTray, LONG SelectBin,
                     VARIANT_BOOL ShowSelection) override {
    return DrawEngineFor(Info, hdcPaint, Options, EngineType, FinisherType, LCTType, BaseType,
                         SelectTray, SelectBin, ShowSelection);
  }

  void* QueryInterfaceExtra(REFIID iid) {
    return iid == Info.interfaceId ? static_cast<IEnginePicture*>(this) : nullptr;
  }

  static const DispatchTable<EnginePicture>& DispatchMembers() {
    static const DispatchTable<EnginePicture> table{
        {"DrawEngine",
         kDispidDrawEngine,
         {VT_I4, VT_I4, VT_I4, VT_BSTR, VT_BSTR, VT_BSTR, VT_I4, VT_I4, VT_BOOL},
         [](EnginePicture& self, DispArgs& a) -> HRESULT {
           return self.DrawEngine(a.I4(0), a.I4(1), a.I4(2), a.Bstr(3), a.Bstr(4), a.Bstr(5),
                                  a.I4(6), a.I4(7), a.Bool(8) ? VARIANT_TRUE : VARIANT_FALSE);
         }},
    };
    return table;
  }
};

}  // namespace vlm::enginepics

// The four exports of the library whose ServerInfo is `info` (a namespace-
// scope object with external linkage).
#define VLM_ENGINE_SERVER_EXPORTS(info)                                                        \
  extern "C" __attribute__((visibility("default"))) ::vlm::HRESULT DllGetClassObject(          \
      const ::vlm::CLSID& clsid, const ::vlm::IID& iid, void** object) {                       \
    return ::vlm::ServeClassObject<::vlm::enginepics::EnginePicture<info>>(                    \
        clsid, info.classId, iid, object);                                                     \
  }                                                                                            \
  extern "C" __attribute__((visibility("default"))) ::vlm::HRESULT DllCanUnloadNow() {         \
    return ::vlm::com::ModuleCanUnloadNow();                                                   \
  }                                                                                            \
  extern "C" __attribute__((visibility("default"))) ::vlm::HRESULT DllRegisterServer() {       \
    return ::vlm::enginepics::RegisterEngineClass(                                             \
        info, ::vlm::com::ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer))); \
  }                                                                                            \
  extern "C" __attribute__((visibility("default"))) ::vlm::HRESULT DllUnregisterServer() {     \
    return ::vlm::enginepics::UnregisterEngineClass(info);                                     \
  }

// The ServerInfo kServer of a family's library, in namespace
// vlm::enginepics::<ns>, from its code ("RX11") and its identifiers.
#define VLM_ENGINE_SERVER_INFO(ns, code, clsid, iid, libid)                                    \
  namespace vlm::enginepics::ns {                                                              \
  const ServerInfo kServer{&kFamily,                                                           \
                           &kBitmaps,                                                          \
                           GuidLiteral(clsid),                                                 \
                           GuidLiteral(iid),                                                   \
                           GuidLiteral(libid),                                                 \
                           "TQZ" code,                                                         \
                           "TQZResource.TQZ" code,                                             \
                           "_TQZ" code,                                                        \
                           "Bitmap Library for TQZ/" code " Engine Family"};                   \
  }

namespace vlm::enginepics {
#define VLM_ENGINE_SERVER(ns) \
  namespace ns {              \
  extern const ServerInfo kServer; \
  }
VLM_ENGINE_SERVER(rx11)
VLM_ENGINE_SERVER(rx12)
VLM_ENGINE_SERVER(rx13)
VLM_ENGINE_SERVER(rx14)
VLM_ENGINE_SERVER(rx15)
VLM_ENGINE_SERVER(rx16)
VLM_ENGINE_SERVER(rx17)
#undef VLM_ENGINE_SERVER
}  // namespace vlm::enginepics
