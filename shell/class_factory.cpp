#include "shell/class_factory.h"

#include "com/module.h"
#include "shell/varnic_module.h"
#include "shell/varnic_object.h"

namespace varnic::shell {

using namespace varnic::com;

HRESULT CClassFactory::QueryInterface(REFIID riid, void** ppv) noexcept {
  return QueryInterfaceFrom({{&IID_IUnknown, this}, {&IID_IClassFactory, this}}, riid, ppv);
}

ULONG CClassFactory::AddRef() noexcept {
  const ULONG refs = ++refs_;
  if (refs == 2) Module().Lock();
  return refs;
}

ULONG CClassFactory::Release() noexcept {
  const ULONG refs = --refs_;
  if (refs == 1) Module().Unlock();
  if (refs == 0) delete this;
  return refs;
}

HRESULT CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) noexcept {
  if (ppvObject == nullptr) return E_POINTER;
  *ppvObject = nullptr;
  if (pUnkOuter != nullptr && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  const CModuleStateGuard state(Module().State());
  return CVarnic::Create(pUnkOuter, riid, ppvObject);
}

HRESULT CClassFactory::LockServer(int fLock) noexcept {
  if (fLock != 0) {
    Module().Lock();
  } else {
    Module().Unlock();
  }
  return S_OK;
}

}  // namespace varnic::shell
