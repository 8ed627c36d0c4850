// A small in-process automation server: Add(a, b) and Describe(text) on a
// late-bound class, created through DllGetClassObject.
#include "test_server.h"

namespace {

using namespace vlm;

class Calculator final : public ComObject<Calculator, DispatchImpl<Calculator>> {
 public:
  static const DispatchTable<Calculator>& DispatchMembers() {
    static const DispatchTable<Calculator> table{
        {"Add", 1, {VT_I4, VT_I4},
         [](Calculator&, DispArgs& a) -> HRESULT {
           if (VARIANT* r = a.Result()) {
             r->vt = VT_I4;
             r->lVal = a.I4(0) + a.I4(1);
           }
           return S_OK;
         }},
        {"Describe", 2, {VT_BSTR},
         [](Calculator&, DispArgs& a) -> HRESULT {
           if (VARIANT* r = a.Result()) {
             r->vt = VT_BSTR;
             r->bstrVal = BstrFromUtf8("calculator: " + a.Utf8(0));
             if (!r->bstrVal) return E_OUTOFMEMORY;
           }
           return S_OK;
         }},
    };
    return table;
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid,
                                                                           const IID& iid,
                                                                           void** object) {
  return ServeClassObject<Calculator>(clsid, vlm::testing::CLSID_TestCalculator, iid, object);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return com::ModuleCanUnloadNow();
}
