#ifndef VARNIC_COM_PLATFORM_H_
#define VARNIC_COM_PLATFORM_H_

// The one switch between the platform's component model and the portable layer: code that works
// on both includes this and names types, interfaces and status values through varnic::com (or
// unqualified, under `using namespace varnic::com`). Status values, REFIID and REFCLSID are
// macros on Windows, so they are never written with the namespace in front.

#if defined(_WIN32)

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <string_view>

#include "varnic/com/guid_text.h"

// The calling convention of interface methods: stdcall on 32-bit Windows, where a host calls
// through the vtable with it; no mark on the other targets.
#define VARNIC_COM_CALL STDMETHODCALLTYPE

namespace varnic::com {

using ::BSTR;
using ::CLSID;
using ::DISPID;
using ::DISPPARAMS;
using ::EXCEPINFO;
using ::GUID;
using ::HRESULT;
using ::IClassFactory;
using ::IDispatch;
using ::IID;
using ::ITypeInfo;
using ::IUnknown;
using ::LCID;
using ::LONG;
using ::OLECHAR;
using ::ULONG;
using ::VARIANT;
using ::VARIANTARG;
using ::VARTYPE;

// A GUID from its brace form at compile time; a malformed text does not compile.
consteval GUID MakeGuid(std::string_view text) {
  const auto bytes = ParseGuidBytes(text);
  if (!bytes) throw "malformed GUID";  // NOLINT: fails constant evaluation
  const auto& b = *bytes;
  return GUID{static_cast<unsigned long>(b[0]) << 24U | static_cast<unsigned long>(b[1]) << 16U |
                  static_cast<unsigned long>(b[2]) << 8U | b[3],
              static_cast<unsigned short>(b[4] << 8U | b[5]),
              static_cast<unsigned short>(b[6] << 8U | b[7]),
              {b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]}};
}

}  // namespace varnic::com

#else

#define VARNIC_COM_CALL

#include "varnic/com/com_types.h"
#include "varnic/com/interfaces.h"
#include "varnic/com/variant.h"

#endif

#endif  // VARNIC_COM_PLATFORM_H_
