// The module's four entry points and its life: init at load, term at unload.
#include "com/module.h"
#include "shell/catch_all.h"
#include "shell/class_factory.h"
#include "shell/varnic_ids.h"
#include "shell/varnic_module.h"

#if defined(_WIN32)
#define VARNIC_EXPORT extern "C"  // VarnicObj.def names the exports
#else
#define VARNIC_EXPORT extern "C" __attribute__((visibility("default")))
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

VARNIC_EXPORT HRESULT DllGetClassObject(const CLSID& rclsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return varnic::shell::CatchAll([&]() -> HRESULT {
    if (rclsid != varnic::shell::CLSID_Varnic) return CLASS_E_CLASSNOTAVAILABLE;
    IUnknown* factory = nullptr;
    HRESULT hr = Module().GetClassObject(
        rclsid, [] { return new varnic::shell::CClassFactory(); }, &factory);
    if (FAILED(hr)) return hr;
    hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
  });
}

VARNIC_EXPORT HRESULT DllCanUnloadNow() { return Module().LockCount() == 0 ? S_OK : S_FALSE; }

VARNIC_EXPORT HRESULT DllRegisterServer() {
  return varnic::shell::CatchAll([] { return varnic::shell::RegisterServer(); });
}

VARNIC_EXPORT HRESULT DllUnregisterServer() {
  return varnic::shell::CatchAll([] { return varnic::shell::UnregisterServer(); });
}
