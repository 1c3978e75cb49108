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

  com::HRESULT VARNIC_COM_CALL QueryInterface(const com::IID& riid, void** ppv) noexcept override;
  com::ULONG VARNIC_COM_CALL AddRef() noexcept override;
  com::ULONG VARNIC_COM_CALL Release() noexcept override;
  com::HRESULT VARNIC_COM_CALL CreateInstance(com::IUnknown* pUnkOuter, const com::IID& riid,
                                              void** ppvObject) noexcept override;
  com::HRESULT VARNIC_COM_CALL LockServer(int fLock) noexcept override;

 private:
  ~CClassFactory() = default;
  std::atomic<com::ULONG> refs_{1};
};

}  // namespace varnic::shell

#endif  // VARNIC_SHELL_CLASS_FACTORY_H_
