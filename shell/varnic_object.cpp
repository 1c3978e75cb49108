#include "shell/varnic_object.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "com/module.h"
#include "shell/catch_all.h"
#include "shell/varnic_module.h"
#include "varnic/shell/varnic_ids.h"

namespace varnic::shell {
namespace {

using namespace varnic::com;

constexpr DISPID kSaveToFile = 3;
// Where SaveToFile's two counts (nItemCount1, nItemCount2) sit in DISPPARAMS, which holds the
// arguments last first.
constexpr std::array<unsigned, 2> kCountArgs = {2, 0};

// One count of a late-bound SaveToFile, passed to the method as a local by reference, and the
// caller's variable to write it back to, when the caller passed one.
struct CCountArg {
  LONG value = 0;
  LONG* byRefLong = nullptr;
  VARIANT* byRefVariant = nullptr;
};

bool FromNumber(const VARIANT& v, LONG& out) {
  switch (v.vt) {
    case VT_EMPTY:
      out = 0;
      return true;
    case VT_I2:
      out = v.iVal;
      return true;
    case VT_I4:
      out = v.lVal;
      return true;
    case VT_R8:
      // The method ignores what comes in, but a value that fits is kept for the way back.
      out = std::isfinite(v.dblVal) && std::fabs(v.dblVal) < 2147483647.0
                ? static_cast<LONG>(std::lround(v.dblVal))
                : 0;
      return true;
    default:
      return false;
  }
}

// Script engines pass a count in forms that a long* parameter does not take: VBScript a
// reference to its variable (VT_BYREF|VT_VARIANT), JScript, which has no references, a plain
// number. Any other form is a type mismatch.
bool TakeCount(const VARIANT& in, CCountArg& count) {
  if (in.vt == (VT_BYREF | VT_I4)) {
    if (in.plVal == nullptr) return false;
    count.byRefLong = in.plVal;
    count.value = *in.plVal;
    return true;
  }
  if (in.vt == (VT_BYREF | VT_VARIANT)) {
    if (in.pvarVal == nullptr || !FromNumber(*in.pvarVal, count.value)) return false;
    count.byRefVariant = in.pvarVal;
    return true;
  }
  return FromNumber(in, count.value);
}

// Every interface method runs in this module's state, restored on every way out, and lets no
// exception escape.
template <typename Body>
HRESULT Guarded(Body body) {
  const CModuleStateGuard state(Module().State());
  return CatchAll(body);
}

}  // namespace

CVarnic::CVarnic(IUnknown* outer) : outer_(outer != nullptr ? outer : &inner_) { Module().Lock(); }

CVarnic::~CVarnic() { Module().Unlock(); }

HRESULT CVarnic::Create(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  CVarnic* object = nullptr;
  try {
    object = new CVarnic(outer);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  const HRESULT hr = object->inner_.QueryInterface(riid, ppv);
  if (FAILED(hr)) delete object;
  return hr;
}

HRESULT CVarnic::CInnerUnknown::QueryInterface(REFIID riid, void** ppv) noexcept {
  IVarnic* self = &object_;
  const bool aggregated = object_.outer_ != this;
  IUnknown* identity = aggregated ? static_cast<IUnknown*>(this) : self;
  if (riid == IID_IUnknown) {
    // The inner unknown's references are the object's own count, whoever holds them.
    if (ppv == nullptr) return E_POINTER;
    *ppv = identity;
    ++object_.refs_;
    return S_OK;
  }
  return QueryInterfaceFrom({{&IID_IVarnic, self}, {&IID_IDispatch, self}}, riid, ppv);
}

ULONG CVarnic::CInnerUnknown::AddRef() noexcept { return ++object_.refs_; }

ULONG CVarnic::CInnerUnknown::Release() noexcept {
  const ULONG left = --object_.refs_;
  if (left == 0) delete &object_;
  return left;
}

HRESULT CVarnic::QueryInterface(REFIID riid, void** ppv) noexcept {
  return outer_->QueryInterface(riid, ppv);
}
ULONG CVarnic::AddRef() noexcept { return outer_->AddRef(); }
ULONG CVarnic::Release() noexcept { return outer_->Release(); }

HRESULT CVarnic::GetTypeInfoCount(unsigned* pctinfo) noexcept {
  if (pctinfo == nullptr) return E_POINTER;
  *pctinfo = 1;
  return S_OK;
}

HRESULT CVarnic::GetTypeInfo(unsigned iTInfo, LCID /*lcid*/, ITypeInfo** ppTInfo) noexcept {
  if (ppTInfo == nullptr) return E_POINTER;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  return Guarded([&] { return GetVarnicTypeInfo(ppTInfo); });
}

HRESULT CVarnic::GetIDsOfNames(REFIID riid, OLECHAR** rgszNames, unsigned cNames, LCID /*lcid*/,
                               DISPID* rgDispId) noexcept {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  return Guarded([&] {
    ITypeInfo* info = nullptr;
    HRESULT hr = GetVarnicTypeInfo(&info);
    if (FAILED(hr)) return hr;
    hr = info->GetIDsOfNames(rgszNames, cNames, rgDispId);
    info->Release();
    return hr;
  });
}

HRESULT CVarnic::Invoke(DISPID dispIdMember, REFIID riid, LCID /*lcid*/, std::uint16_t wFlags,
                        DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                        unsigned* puArgErr) noexcept {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* info = nullptr;
  const HRESULT loaded = Guarded([&] { return GetVarnicTypeInfo(&info); });
  if (FAILED(loaded)) return loaded;
  const HRESULT hr = CatchAll([&] {
    return InvokeWith(info, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
  });
  info->Release();
  return hr;
}

HRESULT CVarnic::InvokeWith(ITypeInfo* info, DISPID dispIdMember, std::uint16_t wFlags,
                            DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                            unsigned* puArgErr) {
  // SaveToFile's counts go through locals that the type information takes as long*; what the
  // method wrote goes back to callers that passed a variable.
  DISPPARAMS params{};
  std::array<VARIANT, 4> args{};
  std::array<CCountArg, 2> counts{};
  bool countsTaken = false;
  if (dispIdMember == kSaveToFile && pDispParams != nullptr && pDispParams->cArgs == args.size() &&
      pDispParams->cNamedArgs == 0 && pDispParams->rgvarg != nullptr) {
    std::copy(pDispParams->rgvarg, pDispParams->rgvarg + args.size(), args.begin());
    countsTaken = true;
    for (std::size_t i = 0; i < counts.size() && countsTaken; ++i) {
      const unsigned at = kCountArgs[i];
      if (TakeCount(args[at], counts[i])) continue;
      countsTaken = false;
      // A missing argument is left to the type information to report as such.
      if (args[at].vt == VT_ERROR) break;
      if (puArgErr != nullptr) *puArgErr = at;
      return DISP_E_TYPEMISMATCH;
    }
    if (countsTaken) {
      for (std::size_t i = 0; i < counts.size(); ++i) {
        VARIANT& arg = args[kCountArgs[i]];
        arg.vt = VT_BYREF | VT_I4;
        arg.plVal = &counts[i].value;
      }
      params = *pDispParams;
      params.rgvarg = args.data();
      pDispParams = &params;
    }
  }
  // The call reaches the early-bound method, which takes the module state itself.
  const HRESULT hr = info->Invoke(static_cast<IVarnic*>(this), dispIdMember, wFlags, pDispParams,
                                  pVarResult, pExcepInfo, puArgErr);
  if (countsTaken && SUCCEEDED(hr)) {
    for (const CCountArg& count : counts) {
      if (count.byRefLong != nullptr) *count.byRefLong = count.value;
      if (count.byRefVariant != nullptr) {
        count.byRefVariant->vt = VT_I4;  // held a number or nothing, so there is nothing to free
        count.byRefVariant->lVal = count.value;
      }
    }
  }
  return hr;
}

HRESULT CVarnic::LoadFromFile(BSTR bstrFile1, LONG nType1, BSTR bstrFile2, LONG nType2) noexcept {
  return Guarded([&] {
    return engine_.LoadFiles(FilePathFrom(bstrFile1), nType1, FilePathFrom(bstrFile2), nType2)
               ? S_OK
               : S_FALSE;
  });
}

HRESULT CVarnic::CompareFile() noexcept {
  return Guarded([&] {
    engine_.CompareFiles();
    return S_OK;
  });
}

HRESULT CVarnic::SaveToFile(BSTR bstrFile1, LONG* nItemCount1, BSTR bstrFile2,
                            LONG* nItemCount2) noexcept {
  if (nItemCount1 == nullptr || nItemCount2 == nullptr) return E_POINTER;
  return Guarded([&] {
    int count1 = 0;
    int count2 = 0;
    const std::string path1 = FilePathFrom(bstrFile1);
    const std::string path2 = FilePathFrom(bstrFile2);
    // Refused before anything is written: one result would replace the other, or a backup.
    if (!engine_.OutputsAreSafe(path1, path2)) return E_INVALIDARG;
    if (!engine_.WriteFiles(path1, count1, path2, count2)) {
      return S_FALSE;
    }
    *nItemCount1 = count1;
    *nItemCount2 = count2;
    return S_OK;
  });
}

}  // namespace varnic::shell
