#include "shell/varnic_object.h"

#include <optional>
#include <string>

#include "com/bstr.h"
#include "com/module.h"
#include "shell/catch_all.h"
#include "shell/varnic_ids.h"
#include "shell/varnic_module.h"

namespace varnic::shell {
namespace {

using namespace varnic::com;

constexpr HRESULT DISP_E_BADINDEX = MakeHresult(0x8002000B);

// A null path is an empty path. A path that is not valid UTF-16, or that holds a NUL (the file
// layer would cut it there and open another file), becomes the empty path, which never opens.
std::string PathFrom(BSTR path) {
  std::string converted = Utf16ToUtf8(BstrView(path)).value_or(std::string());
  return converted.find('\0') == std::string::npos ? converted : std::string();
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

HRESULT CVarnic::CInnerUnknown::QueryInterface(REFIID riid, void** ppv) {
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

ULONG CVarnic::CInnerUnknown::AddRef() { return ++object_.refs_; }

ULONG CVarnic::CInnerUnknown::Release() {
  const ULONG left = --object_.refs_;
  if (left == 0) delete &object_;
  return left;
}

HRESULT CVarnic::QueryInterface(REFIID riid, void** ppv) {
  return outer_->QueryInterface(riid, ppv);
}
ULONG CVarnic::AddRef() { return outer_->AddRef(); }
ULONG CVarnic::Release() { return outer_->Release(); }

HRESULT CVarnic::GetTypeInfoCount(unsigned* pctinfo) {
  if (pctinfo == nullptr) return E_POINTER;
  *pctinfo = 1;
  return S_OK;
}

HRESULT CVarnic::GetTypeInfo(unsigned iTInfo, LCID /*lcid*/, ITypeInfo** ppTInfo) {
  if (ppTInfo == nullptr) return E_POINTER;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  return Guarded([&] { return GetVarnicTypeInfo(ppTInfo); });
}

HRESULT CVarnic::GetIDsOfNames(REFIID riid, OLECHAR** rgszNames, unsigned cNames, LCID /*lcid*/,
                               DISPID* rgDispId) {
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
                        unsigned* puArgErr) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  ITypeInfo* info = nullptr;
  const HRESULT loaded = Guarded([&] { return GetVarnicTypeInfo(&info); });
  if (FAILED(loaded)) return loaded;
  // The call reaches the early-bound method, which takes the module state itself.
  const HRESULT hr = info->Invoke(static_cast<IVarnic*>(this), dispIdMember, wFlags, pDispParams,
                                  pVarResult, pExcepInfo, puArgErr);
  info->Release();
  return hr;
}

HRESULT CVarnic::LoadFromFile(BSTR bstrFile1, int nType1, BSTR bstrFile2, int nType2) {
  return Guarded([&] {
    return engine_.LoadFiles(PathFrom(bstrFile1), nType1, PathFrom(bstrFile2), nType2) ? S_OK
                                                                                       : S_FALSE;
  });
}

HRESULT CVarnic::CompareFile() {
  return Guarded([&] {
    engine_.CompareFiles();
    return S_OK;
  });
}

HRESULT CVarnic::SaveToFile(BSTR bstrFile1, int* nItemCount1, BSTR bstrFile2, int* nItemCount2) {
  if (nItemCount1 == nullptr || nItemCount2 == nullptr) return E_POINTER;
  return Guarded([&] {
    int count1 = 0;
    int count2 = 0;
    if (!engine_.WriteFiles(PathFrom(bstrFile1), count1, PathFrom(bstrFile2), count2)) {
      return S_FALSE;
    }
    *nItemCount1 = count1;
    *nItemCount2 = count2;
    return S_OK;
  });
}

}  // namespace varnic::shell
