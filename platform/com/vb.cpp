// VB's run-time errors for late-bound creation and calls.
#include <cstring>

#include "platform/com/com.h"

namespace vlm {

namespace {

struct NumberText {
  LONG number;
  const char* text;
};
constexpr NumberText kTexts[] = {
    {VBERR_INVALID_CALL, "Invalid procedure call or argument"},
    {VBERR_OVERFLOW, "Overflow"},
    {VBERR_OUT_OF_MEMORY, "Out of memory"},
    {VBERR_SUBSCRIPT, "Subscript out of range"},
    {VBERR_DIVISION_BY_ZERO, "Division by zero"},
    {VBERR_TYPE_MISMATCH, "Type mismatch"},
    {VBERR_INTERNAL, "Internal error"},
    {VBERR_FILE_NOT_FOUND, "File not found"},
    {VBERR_OBJECT_NOT_SET, "Object variable or With block variable not set"},
    {VBERR_INVALID_PROPERTY_VALUE, "Invalid property value"},
    {VBERR_FORM_ALREADY_SHOWN, "Form already displayed; can't show modally"},
    {VBERR_MODAL_FORM_SHOWN, "Can't show non-modal form when modal form is displayed"},
    {VBERR_OBJECT_REQUIRED, "Object required"},
    {VBERR_CANNOT_CREATE_OBJECT, "ActiveX component can't create object"},
    {VBERR_NO_AUTOMATION,
     "Class does not support Automation or does not support expected interface"},
    {VBERR_NO_SUCH_MEMBER, "Object doesn't support this property or method"},
    {VBERR_AUTOMATION, "Automation error"},
    {VBERR_NO_NAMED_ARGUMENTS, "Object doesn't support named arguments"},
    {VBERR_NAMED_ARGUMENT_NOT_FOUND, "Named argument not found"},
    {VBERR_ARGUMENT_NOT_OPTIONAL, "Argument not optional"},
    {VBERR_WRONG_ARGUMENT_COUNT, "Wrong number of arguments or invalid property assignment"},
    {VBERR_INDEX_OUT_OF_BOUNDS, "Index out of bounds"},
    {VBERR_ELEMENT_NOT_FOUND, "Element not found"},
    {VBERR_KEY_NOT_UNIQUE, "Key is not unique in collection"},
};

struct HResultNumber {
  HRESULT hr;
  LONG number;
};
constexpr HResultNumber kInvokeNumbers[] = {
    {DISP_E_UNKNOWNNAME, VBERR_NO_SUCH_MEMBER},
    {DISP_E_MEMBERNOTFOUND, VBERR_NO_SUCH_MEMBER},
    {DISP_E_TYPEMISMATCH, VBERR_TYPE_MISMATCH},
    {DISP_E_BADVARTYPE, VBERR_TYPE_MISMATCH},
    {DISP_E_BADPARAMCOUNT, VBERR_WRONG_ARGUMENT_COUNT},
    {DISP_E_PARAMNOTFOUND, VBERR_NAMED_ARGUMENT_NOT_FOUND},
    {DISP_E_PARAMNOTOPTIONAL, VBERR_ARGUMENT_NOT_OPTIONAL},
    {DISP_E_NONAMEDARGS, VBERR_NO_NAMED_ARGUMENTS},
    {DISP_E_OVERFLOW, VBERR_OVERFLOW},
    {DISP_E_BADINDEX, VBERR_SUBSCRIPT},
    {DISP_E_DIVBYZERO, VBERR_DIVISION_BY_ZERO},
    {E_INVALIDARG, VBERR_INVALID_CALL},
    {E_OUTOFMEMORY, VBERR_OUT_OF_MEMORY},
    {E_NOINTERFACE, VBERR_NO_AUTOMATION},
    {DISP_E_UNKNOWNINTERFACE, VBERR_NO_AUTOMATION},
};

constexpr DWORD kFacilityControl = 0x800A0000u;

// The VB number of a failure code (not DISP_E_EXCEPTION).
LONG NumberOf(HRESULT hr) {
  for (const HResultNumber& m : kInvokeNumbers) {
    if (m.hr == hr) return m.number;
  }
  if ((static_cast<DWORD>(hr) & 0xFFFF0000u) == kFacilityControl) {
    return static_cast<LONG>(static_cast<DWORD>(hr) & 0xFFFFu);
  }
  return hr;
}

}  // namespace

std::string VbErrorDescription(LONG number) {
  for (const NumberText& t : kTexts) {
    if (t.number == number) return t.text;
  }
  return number > 0 ? "Application-defined or object-defined error" : "Automation error";
}

std::string VbErrorDescription(LONG number, LONG controlArrayIndex) {
  if (number != VBERR_NO_CONTROL_ARRAY_ELEMENT) return VbErrorDescription(number);
  return "Control array element '" + std::to_string(controlArrayIndex) + "' doesn't exist";
}

VbError VbErrorFromHResult(HRESULT hr, VbCall call, const EXCEPINFO* info) {
  if (call == VbCall::Create) {
    return {VBERR_CANNOT_CREATE_OBJECT, VbErrorDescription(VBERR_CANNOT_CREATE_OBJECT)};
  }
  if (hr == DISP_E_EXCEPTION) {
    LONG number = VBERR_AUTOMATION;
    std::string text;
    if (info) {
      if (info->wCode != 0) {
        number = info->wCode;
      } else if (info->scode != 0 && info->scode != DISP_E_EXCEPTION) {
        number = NumberOf(info->scode);
      }
      text = Utf8FromBstr(info->bstrDescription);
    }
    return {number, text.empty() ? VbErrorDescription(number) : text};
  }
  LONG number = NumberOf(hr);
  return {number, VbErrorDescription(number)};
}

ComPtr<IDispatch> VbCreateObject(std::string_view progId) {
  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID(progId, &clsid);
  ComPtr<IUnknown> object;
  if (SUCCEEDED(hr)) {
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(object.ReleaseAndGetAddressOf()));
  }
  ComPtr<IDispatch> dispatch;
  if (SUCCEEDED(hr)) hr = object.As(&dispatch);
  if (FAILED(hr)) throw VbErrorFromHResult(hr, VbCall::Create);
  return dispatch;
}

namespace com::detail {
void ThrowObjectNotSet() {
  throw VbError(VBERR_OBJECT_NOT_SET, VbErrorDescription(VBERR_OBJECT_NOT_SET));
}

void ThrowIfCallFailed(HRESULT hr, EXCEPINFO* info) {
  if (FAILED(hr)) {
    VbError error = VbErrorFromHResult(hr, VbCall::Invoke, info);
    FreeExcepInfo(info);
    throw error;
  }
  FreeExcepInfo(info);
}
}  // namespace com::detail

}  // namespace vlm
