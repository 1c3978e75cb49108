#ifndef VARNIC_COM_VARIANT_H_
#define VARNIC_COM_VARIANT_H_

#include <cstdint>

#include "varnic/com/com_types.h"

namespace varnic::com {

class IUnknown;
class IDispatch;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_VARIANT = 12;
inline constexpr VARTYPE VT_UNKNOWN = 13;
inline constexpr VARTYPE VT_INT = 22;
inline constexpr VARTYPE VT_HRESULT = 25;
inline constexpr VARTYPE VT_PTR = 26;
inline constexpr VARTYPE VT_BYREF = 0x4000;
inline constexpr VARTYPE VT_TYPEMASK = 0x0FFF;

struct VARIANT {
  VARTYPE vt;
  std::uint16_t wReserved1;
  std::uint16_t wReserved2;
  std::uint16_t wReserved3;
  union {
    std::int64_t llVal;
    std::int32_t lVal;
    std::int16_t iVal;
    double dblVal;
    std::int32_t intVal;
    std::int16_t boolVal;
    HRESULT scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    std::int16_t* piVal;
    std::int32_t* plVal;
    std::int32_t* pintVal;
    BSTR* pbstrVal;
    VARIANT* pvarVal;
    void* byref;
    std::uint8_t bytes[16];
  };
};
using VARIANTARG = VARIANT;

struct DISPPARAMS {
  VARIANTARG* rgvarg;  // arguments in reverse order, as the platform passes them
  DISPID* rgdispidNamedArgs;
  unsigned cArgs;
  unsigned cNamedArgs;
};

struct EXCEPINFO {
  std::uint16_t wCode;
  std::uint16_t wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  std::uint32_t dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  HRESULT scode;
};

static_assert(sizeof(VARIANT) == 24 && alignof(VARIANT) == 8, "platform VARIANT layout");
static_assert(sizeof(DISPPARAMS) == 24, "platform DISPPARAMS layout");

void VariantInit(VARIANT* v);
// Frees what the variant owns (a BSTR, a reference) and leaves it VT_EMPTY.
HRESULT VariantClear(VARIANT* v);

// In-argument coercion as automation clients expect: the value, through one VT_BYREF and one
// VT_VARIANT indirection, converted to a 32-bit integer (from I2, I4, INT, BOOL or a decimal
// BSTR) or to a BSTR view (from BSTR; VT_EMPTY and VT_NULL give a null BSTR).
HRESULT CoerceToInt32(const VARIANT& v, std::int32_t& out);
HRESULT CoerceToBstr(const VARIANT& v, BSTR& out);
// The int that an [in, out] int* parameter refers to: VT_BYREF|VT_I4 or VT_BYREF|VT_INT, also
// behind VT_BYREF|VT_VARIANT.
HRESULT ByRefInt32(const VARIANT& v, std::int32_t*& out);

}  // namespace varnic::com

#endif  // VARNIC_COM_VARIANT_H_
