#include "varnic/com/variant.h"

#include <charconv>
#include <cstring>

#include "varnic/com/bstr.h"
#include "varnic/com/interfaces.h"

namespace varnic::com {
namespace {

// Follows VT_BYREF|VT_VARIANT once, as automation clients pass by-reference arguments.
const VARIANT* Deref(const VARIANT& v) {
  if (v.vt == (VT_BYREF | VT_VARIANT)) return v.pvarVal;
  return &v;
}

}  // namespace

void VariantInit(VARIANT* v) { std::memset(v, 0, sizeof *v); }

HRESULT VariantClear(VARIANT* v) {
  if (v == nullptr) return E_INVALIDARG;
  switch (v->vt) {
    case VT_BSTR:
      SysFreeString(v->bstrVal);
      break;
    case VT_UNKNOWN:
    case VT_DISPATCH:
      if (v->punkVal != nullptr) v->punkVal->Release();
      break;
    default:
      break;
  }
  VariantInit(v);
  return S_OK;
}

HRESULT CoerceToInt32(const VARIANT& in, std::int32_t& out) {
  const VARIANT* v = Deref(in);
  if (v == nullptr) return E_POINTER;
  const bool byref = (v->vt & VT_BYREF) != 0;
  if (byref && v->byref == nullptr) return E_POINTER;
  switch (v->vt & ~VT_BYREF) {
    case VT_I2:
      out = byref ? *v->piVal : v->iVal;
      return S_OK;
    case VT_I4:
    case VT_INT:
      out = byref ? *v->plVal : v->lVal;
      return S_OK;
    case VT_BOOL:
      out = byref ? *v->piVal : v->boolVal;
      return S_OK;
    case VT_BSTR: {
      const auto text = Utf16ToUtf8(BstrView(byref ? *v->pbstrVal : v->bstrVal));
      if (!text || text->empty()) return DISP_E_TYPEMISMATCH;
      const char* first = text->data();
      const char* last = first + text->size();
      const auto [end, error] = std::from_chars(first, last, out);
      if (error == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
      return error == std::errc() && end == last ? S_OK : DISP_E_TYPEMISMATCH;
    }
    case VT_EMPTY:
    case VT_NULL:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_ERROR:
      return DISP_E_TYPEMISMATCH;
    default:
      return DISP_E_BADVARTYPE;
  }
}

HRESULT CoerceToBstr(const VARIANT& in, BSTR& out) {
  const VARIANT* v = Deref(in);
  if (v == nullptr) return E_POINTER;
  switch (v->vt) {
    case VT_BSTR:
      out = v->bstrVal;
      return S_OK;
    case VT_BSTR | VT_BYREF:
      if (v->pbstrVal == nullptr) return E_POINTER;
      out = *v->pbstrVal;
      return S_OK;
    case VT_EMPTY:
    case VT_NULL:
      out = nullptr;
      return S_OK;
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_BOOL:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_ERROR:
      return DISP_E_TYPEMISMATCH;
    default:
      return (v->vt & VT_BYREF) != 0 ? DISP_E_TYPEMISMATCH : DISP_E_BADVARTYPE;
  }
}

HRESULT ByRefInt32(const VARIANT& in, std::int32_t*& out) {
  const VARIANT* v = Deref(in);
  if (v == nullptr) return E_POINTER;
  if (v == &in || in.vt != (VT_BYREF | VT_VARIANT)) {
    if (v->vt != (VT_BYREF | VT_I4) && v->vt != (VT_BYREF | VT_INT)) return DISP_E_TYPEMISMATCH;
    if (v->plVal == nullptr) return E_POINTER;
    out = v->plVal;
    return S_OK;
  }
  // Behind a VT_BYREF|VT_VARIANT the target variant itself holds the int.
  if (v->vt == VT_I4 || v->vt == VT_INT) {
    out = const_cast<std::int32_t*>(&v->lVal);
    return S_OK;
  }
  if (v->vt == (VT_BYREF | VT_I4) || v->vt == (VT_BYREF | VT_INT)) {
    if (v->plVal == nullptr) return E_POINTER;
    out = v->plVal;
    return S_OK;
  }
  return DISP_E_TYPEMISMATCH;
}

}  // namespace varnic::com
