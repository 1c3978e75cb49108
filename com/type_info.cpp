// Late binding served from a type library: names to dispatch ids, and invoke through the
// interface's vtable with the arguments coerced to the parameter types the library gives.
#include <array>
#include <atomic>
#include <cstdint>
#include <new>
#include <span>
#include <variant>

#include "com/typelib.h"
#include "varnic/com/bstr.h"

namespace varnic::com {
namespace {

using Arg = std::variant<BSTR, std::int32_t, std::int32_t*>;
constexpr std::size_t kMaxParams = 4;
constexpr DISPID DISPID_UNKNOWN = -1;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Calls vtable slot `fn` of `self` with typed arguments. The slot's function takes the object
// pointer first, then the parameters, as the platform's calling convention lays them out.
template <typename... Ts>
HRESULT CallTyped(void* self, void* fn, Ts... args) {
  using Fn = HRESULT (*)(void*, Ts...);
  return reinterpret_cast<Fn>(fn)(self, args...);
}

template <typename... Ts>
HRESULT Call(void* self, void* fn, std::span<const Arg> rest, Ts... done) {
  if (rest.empty()) return CallTyped(self, fn, done...);
  if constexpr (sizeof...(Ts) >= kMaxParams) {
    return DISP_E_BADPARAMCOUNT;
  } else {
    return std::visit([&](auto arg) { return Call(self, fn, rest.subspan(1), done..., arg); },
                      rest.front());
  }
}

class CTypeInfo final : public ITypeInfo {
 public:
  CTypeInfo(std::shared_ptr<const CTypeLibDesc> lib, std::size_t index)
      : lib_(std::move(lib)), itf_(lib_->interfaces.at(index)) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) noexcept override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_ITypeInfo) return E_NOINTERFACE;
    AddRef();
    *ppv = static_cast<ITypeInfo*>(this);
    return S_OK;
  }
  ULONG AddRef() noexcept override { return ++refs_; }
  ULONG Release() noexcept override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT GetTypeAttr(void** p) noexcept override { return NotImplemented(p); }
  HRESULT GetTypeComp(void** p) noexcept override { return NotImplemented(p); }
  HRESULT GetFuncDesc(unsigned /*index*/, void** p) noexcept override { return NotImplemented(p); }
  HRESULT GetVarDesc(unsigned /*index*/, void** p) noexcept override { return NotImplemented(p); }
  HRESULT GetRefTypeOfImplType(unsigned /*index*/, std::uint32_t* /*p*/) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT GetImplTypeFlags(unsigned /*index*/, int* /*p*/) noexcept override { return E_NOTIMPL; }

  HRESULT GetNames(DISPID memid, BSTR* names, unsigned max, unsigned* count) noexcept override {
    if (names == nullptr || count == nullptr) return E_POINTER;
    *count = 0;
    const CMethodDesc* method = Find(memid);
    if (method == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    const std::size_t all = 1 + method->params.size();
    for (std::size_t i = 0; i < all && i < max; ++i) {
      const std::string_view name = i == 0 ? method->name : method->params[i - 1].name;
      names[i] = AllocName(name);
      if (names[i] == nullptr) {
        for (unsigned k = 0; k < i; ++k) SysFreeString(names[k]);
        *count = 0;
        return E_OUTOFMEMORY;
      }
      *count = static_cast<unsigned>(i + 1);
    }
    return S_OK;
  }

  // The first name is a method, the others its parameters (their ids are their positions).
  HRESULT GetIDsOfNames(OLECHAR** names, unsigned count, DISPID* ids) noexcept override {
    if (names == nullptr || ids == nullptr) return E_POINTER;
    if (count == 0) return E_INVALIDARG;
    for (unsigned i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return Guard([&] {
      const auto name = Utf16ToUtf8(names[0] != nullptr ? std::u16string_view(names[0]) : u"");
      const CMethodDesc* method = nullptr;
      for (const CMethodDesc& m : itf_.methods) {
        if (name && EqualsIgnoringCase(m.name, *name)) method = &m;
      }
      if (method == nullptr) return DISP_E_UNKNOWNNAME;
      ids[0] = method->dispid;
      HRESULT hr = S_OK;
      for (unsigned i = 1; i < count; ++i) {
        const auto param = Utf16ToUtf8(names[i] != nullptr ? std::u16string_view(names[i]) : u"");
        for (std::size_t k = 0; k < method->params.size(); ++k) {
          if (param && EqualsIgnoringCase(method->params[k].name, *param)) {
            ids[i] = static_cast<DISPID>(k);
          }
        }
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
      }
      return hr;
    });
  }

  HRESULT Invoke(void* instance, DISPID memid, std::uint16_t flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* /*excepInfo*/, unsigned* argErr) noexcept override {
    return Guard([&] { return Dispatch(instance, memid, flags, params, result, argErr); });
  }

 private:
  ~CTypeInfo() = default;

  HRESULT Dispatch(void* instance, DISPID memid, std::uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, unsigned* argErr) const {
    if (instance == nullptr) return E_INVALIDARG;
    const CMethodDesc* method = Find(memid);
    if (method == nullptr) return DISP_E_MEMBERNOTFOUND;
    if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (params == nullptr) params = &none;
    if (params->cNamedArgs != 0) return DISP_E_PARAMNOTFOUND;
    if (params->cArgs != method->params.size()) return DISP_E_BADPARAMCOUNT;
    if (params->cArgs != 0 && params->rgvarg == nullptr) return E_INVALIDARG;

    // Arguments never outnumber kMaxParams (the parser refuses more), so they need no allocation.
    if (method->params.size() > kMaxParams) return DISP_E_BADPARAMCOUNT;
    std::array<Arg, kMaxParams> slots{};
    std::size_t taken = 0;
    for (std::size_t i = 0; i < method->params.size(); ++i) {
      // The platform passes the arguments last first.
      const std::size_t at = params->cArgs - 1 - i;
      const VARIANT& v = params->rgvarg[at];
      HRESULT hr = S_OK;
      if (v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND) {
        hr = DISP_E_PARAMNOTOPTIONAL;
      } else if (method->params[i].type == ParamType::kBstr) {
        BSTR text = nullptr;
        hr = CoerceToBstr(v, text);
        slots[taken++] = text;
      } else if (method->params[i].type == ParamType::kInt) {
        std::int32_t value = 0;
        hr = CoerceToInt32(v, value);
        slots[taken++] = value;
      } else {
        std::int32_t* target = nullptr;
        hr = ByRefInt32(v, target);
        slots[taken++] = target;
      }
      if (FAILED(hr)) {
        if (argErr != nullptr) *argErr = static_cast<unsigned>(at);
        return hr;
      }
    }
    void** vtable = *static_cast<void***>(instance);
    const HRESULT hr =
        Call(instance, vtable[method->slot], std::span<const Arg>(slots.data(), taken));
    if (result != nullptr) VariantInit(result);
    return hr;
  }

  // Whatever allocates in a method runs inside this: no exception leaves the object.
  template <typename Body>
  static HRESULT Guard(Body body) noexcept {
    try {
      return body();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

  // A BSTR of a name from the library; null when it cannot be had.
  static BSTR AllocName(std::string_view name) noexcept {
    try {
      const auto wide = Utf8ToUtf16(name);
      return wide ? SysAllocStringLen(wide->data(), static_cast<unsigned>(wide->size())) : nullptr;
    } catch (...) {
      return nullptr;
    }
  }

  static HRESULT NotImplemented(void** p) noexcept {
    if (p != nullptr) *p = nullptr;
    return E_NOTIMPL;
  }

  const CMethodDesc* Find(DISPID id) const noexcept {
    for (const CMethodDesc& m : itf_.methods) {
      if (m.dispid == id) return &m;
    }
    return nullptr;
  }

  std::atomic<ULONG> refs_{1};
  std::shared_ptr<const CTypeLibDesc> lib_;
  const CInterfaceDesc& itf_;
};

}  // namespace

ITypeInfo* CreateTypeInfo(std::shared_ptr<const CTypeLibDesc> lib, std::size_t interfaceIndex) {
  if (!lib || interfaceIndex >= lib->interfaces.size()) return nullptr;
  return new CTypeInfo(std::move(lib), interfaceIndex);
}

}  // namespace varnic::com
