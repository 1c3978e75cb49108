// The module's four entry points and its life: init at load, term at unload.
#include <new>

#include "com/module.h"
#include "shell/catch_all.h"
#include "shell/class_factory.h"
#include "shell/varnic_module.h"
#include "varnic/shell/varnic_ids.h"

// Every entry point is guarded; on Linux it is declared noexcept as well. The platform's headers
// declare the entry points without it, and a redeclaration must match them.
#if defined(_WIN32)
#define VARNIC_EXPORT extern "C"  // VarnicObj.def names the exports
#define VARNIC_ENTRY_NOEXCEPT
#else
#define VARNIC_EXPORT extern "C" __attribute__((visibility("default")))
#define VARNIC_ENTRY_NOEXCEPT noexcept
#endif

namespace varnic::shell {
namespace {

using namespace varnic::com;

CComModule module("VarnicObj");

// Static initialisation and destruction of the module run exactly at load and unload.
struct CModuleLifetime {
  CModuleLifetime() { module.Init(LIBID_VARNICOBJLib); }
  ~CModuleLifetime() { module.Term(); }
  CModuleLifetime(const CModuleLifetime&) = delete;
  CModuleLifetime& operator=(const CModuleLifetime&) = delete;
};
const CModuleLifetime lifetime;

}  // namespace

CComModule& Module() { return module; }

}  // namespace varnic::shell

using namespace varnic::com;
using varnic::shell::Module;

namespace {

// The address of a reference, tested as the pointer the caller really passed: hidden from the
// optimiser, which may take a reference to be never null.
bool IsNull(const void* address) {
  asm("" : "+r"(address));
  return address == nullptr;
}

}  // namespace

VARNIC_EXPORT HRESULT DllGetClassObject(const CLSID& rclsid, REFIID riid,
                                        void** ppv) VARNIC_ENTRY_NOEXCEPT {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  // A C caller can pass a null class or interface id where the declaration has a reference.
  if (IsNull(&rclsid) || IsNull(&riid)) return E_INVALIDARG;
  return varnic::shell::CatchAll([&]() -> HRESULT {
    if (rclsid != varnic::shell::CLSID_Varnic) return CLASS_E_CLASSNOTAVAILABLE;
    IUnknown* factory = nullptr;
    HRESULT hr = Module().GetClassObject(
        rclsid, [] { return new (std::nothrow) varnic::shell::CClassFactory(); }, &factory);
    if (FAILED(hr)) return hr;
    hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
  });
}

VARNIC_EXPORT HRESULT DllCanUnloadNow() VARNIC_ENTRY_NOEXCEPT {
  return Module().LockCount() == 0 ? S_OK : S_FALSE;
}

VARNIC_EXPORT HRESULT DllRegisterServer() VARNIC_ENTRY_NOEXCEPT {
  return varnic::shell::CatchAll([] { return varnic::shell::RegisterServer(); });
}

VARNIC_EXPORT HRESULT DllUnregisterServer() VARNIC_ENTRY_NOEXCEPT {
  return varnic::shell::CatchAll([] { return varnic::shell::UnregisterServer(); });
}
