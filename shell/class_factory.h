#ifndef VARNIC_SHELL_CLASS_FACTORY_H_
#define VARNIC_SHELL_CLASS_FACTORY_H_

#include <atomic>

#include "varnic/com/platform.h"

namespace varnic::shell {

// Makes Varnic objects. The module caches one factory (holding one reference); every further
// reference holds a module lock, so the module is not unloaded under a client that keeps it.
class CClassFactory final : public com::IClassFactory {
 public:
  CClassFactory() = default;

  com::HRESULT QueryInterface(const com::IID& riid, void** ppv) noexcept override;
  com::ULONG AddRef() noexcept override;
  com::ULONG Release() noexcept override;
  com::HRESULT CreateInstance(com::IUnknown* pUnkOuter, const com::IID& riid,
                              void** ppvObject) noexcept override;
  com::HRESULT LockServer(int fLock) noexcept override;

 private:
  ~CClassFactory() = default;
  std::atomic<com::ULONG> refs_{1};
};

}  // namespace varnic::shell

#endif  // VARNIC_SHELL_CLASS_FACTORY_H_
