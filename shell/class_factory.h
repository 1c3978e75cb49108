#ifndef VARNIC_SHELL_CLASS_FACTORY_H_
#define VARNIC_SHELL_CLASS_FACTORY_H_

#include <atomic>

#include "com/platform.h"

namespace varnic::shell {

// Makes Varnic objects. The module caches one factory (holding one reference); every further
// reference holds a module lock, so the module is not unloaded under a client that keeps it.
class CClassFactory final : public com::IClassFactory {
 public:
  CClassFactory() = default;

  com::HRESULT QueryInterface(const com::IID& riid, void** ppv) override;
  com::ULONG AddRef() override;
  com::ULONG Release() override;
  com::HRESULT CreateInstance(com::IUnknown* pUnkOuter, const com::IID& riid,
                              void** ppvObject) override;
  com::HRESULT LockServer(int fLock) override;

 private:
  ~CClassFactory() = default;
  std::atomic<com::ULONG> refs_{1};
};

}  // namespace varnic::shell

#endif  // VARNIC_SHELL_CLASS_FACTORY_H_
