#ifndef VARNIC_COM_COM_TYPES_H_
#define VARNIC_COM_COM_TYPES_H_

// The portable layer's component-model types (varnic/com/platform.h chooses between these and the
// platform's). Names, values and layouts are the platform's, so that objects built here keep the
// platform's binary shapes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "varnic/com/guid_text.h"

namespace varnic::com {

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;  // 32 bits, as on the platform
using DISPID = std::int32_t;
using LCID = std::uint32_t;
using VARTYPE = std::uint16_t;
using OLECHAR = char16_t;
using BSTR = OLECHAR*;

constexpr HRESULT MakeHresult(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHresult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeHresult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHresult(0x80004003);
inline constexpr HRESULT E_FAIL = MakeHresult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeHresult(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHresult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHresult(0x80070057);
inline constexpr HRESULT E_ACCESSDENIED = MakeHresult(0x80070005);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHresult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHresult(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHresult(0x80040154);
inline constexpr HRESULT REGDB_E_READREGDB = MakeHresult(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = MakeHresult(0x80040151);
inline constexpr HRESULT CO_E_ERRORINDLL = MakeHresult(0x800401F9);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHresult(0x80020001);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHresult(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHresult(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHresult(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHresult(0x80020006);
inline constexpr HRESULT DISP_E_BADVARTYPE = MakeHresult(0x80020008);
inline constexpr HRESULT DISP_E_BADINDEX = MakeHresult(0x8002000B);
inline constexpr HRESULT DISP_E_OVERFLOW = MakeHresult(0x8002000A);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHresult(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeHresult(0x8002000F);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeHresult(0x8002802B);
inline constexpr HRESULT TYPE_E_CANTLOADLIBRARY = MakeHresult(0x80029C4A);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

static_assert(sizeof(HRESULT) == 4);
static_assert(CLASS_E_CLASSNOTAVAILABLE == static_cast<HRESULT>(0x80040111));
static_assert(E_NOINTERFACE == static_cast<HRESULT>(0x80004002));
static_assert(DISP_E_UNKNOWNNAME == static_cast<HRESULT>(0x80020006));

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::array<std::uint8_t, 8> Data4;

  friend constexpr bool operator==(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

// Parses "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (braces required); nullopt when malformed.
constexpr std::optional<GUID> ParseGuid(std::string_view text) {
  const auto bytes = ParseGuidBytes(text);
  if (!bytes) return std::nullopt;
  const auto& b = *bytes;
  GUID guid{};
  guid.Data1 = (std::uint32_t{b[0]} << 24U) | (std::uint32_t{b[1]} << 16U) |
               (std::uint32_t{b[2]} << 8U) | b[3];
  guid.Data2 = static_cast<std::uint16_t>((b[4] << 8U) | b[5]);
  guid.Data3 = static_cast<std::uint16_t>((b[6] << 8U) | b[7]);
  for (std::size_t i = 0; i < 8; ++i) guid.Data4[i] = b[8 + i];
  return guid;
}

// A GUID from its brace form at compile time; a malformed text does not compile.
consteval GUID MakeGuid(std::string_view text) {
  const auto guid = ParseGuid(text);
  if (!guid) throw "malformed GUID";  // NOLINT: fails constant evaluation
  return *guid;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case as the platform writes it.
std::string FormatGuid(const GUID& guid);

inline constexpr IID IID_IUnknown = MakeGuid("{00000000-0000-0000-C000-000000000046}");
inline constexpr IID IID_IDispatch = MakeGuid("{00020400-0000-0000-C000-000000000046}");
inline constexpr IID IID_IClassFactory = MakeGuid("{00000001-0000-0000-C000-000000000046}");
inline constexpr IID IID_ITypeInfo = MakeGuid("{00020401-0000-0000-C000-000000000046}");
inline constexpr IID IID_NULL = MakeGuid("{00000000-0000-0000-0000-000000000000}");

}  // namespace varnic::com

#endif  // VARNIC_COM_COM_TYPES_H_
