// The module's four entry points and its life: init at load, term at unload.
#include <dlfcn.h>

#include <array>
#include <filesystem>
#include <mutex>

#include "com/registrar.h"
#include "com/registry.h"
#include "com/resources.h"
#include "com/typelib.h"
#include "shell/catch_all.h"
#include "shell/class_factory.h"
#include "shell/varnic_ids.h"
#include "shell/varnic_module.h"

#define VARNIC_EXPORT extern "C" __attribute__((visibility("default")))

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

ITypeInfo* cachedTypeInfo = nullptr;

// The class table: one class, with its script resource.
struct CClassEntry {
  const CLSID* clsid;
  int scriptId;
};
constexpr std::array<CClassEntry, 1> kClasses = {{{&CLSID_Varnic, 102}}};

HRESULT RunScript(const CClassEntry& entry, bool registering) {
  const std::string path = ModulePath();
  std::string script;
  if (!FindModuleResource(path, "REGISTRY", entry.scriptId, script)) return E_UNEXPECTED;
  CRegistrar registrar;
  registrar.AddReplacement("MODULE", QuoteForScript(path));
  CRegistryStore store(CRegistryStore::DefaultPath());
  return store.Update([&](CRegistryTree& tree) {
    std::string error;
    const bool ok = registering ? registrar.Register(script, tree, error)
                                : registrar.Unregister(script, tree, error);
    return ok ? S_OK : E_UNEXPECTED;
  });
}

// The module itself, else the same path with ".tlb" for its extension.
HRESULT RegisterOwnTypeLib() {
  std::filesystem::path path = ModulePath();
  std::shared_ptr<const CTypeLibDesc> lib;
  HRESULT hr = LoadTypeLib(path.string(), lib);
  if (FAILED(hr)) {
    path.replace_extension(".tlb");
    hr = LoadTypeLib(path.string(), lib);
    if (FAILED(hr)) return hr;
  }
  return RegisterTypeLib(*lib, path.string(), path.parent_path().string());
}

}  // namespace

CComModule& Module() { return module; }

std::string ModulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&ModulePath), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  std::error_code error;
  const auto absolute = std::filesystem::absolute(info.dli_fname, error);
  return error ? std::string(info.dli_fname) : absolute.string();
}

HRESULT GetVarnicTypeInfo(ITypeInfo** info) {
  const std::lock_guard lock(module.TypeInfoLock());
  if (cachedTypeInfo == nullptr) {
    std::shared_ptr<const CTypeLibDesc> lib;
    if (const HRESULT hr = LoadTypeLib(ModulePath(), lib); FAILED(hr)) return hr;
    cachedTypeInfo = CreateTypeInfo(lib, 0);
    if (cachedTypeInfo == nullptr) return E_OUTOFMEMORY;
    module.AddTermCallback([] {
      cachedTypeInfo->Release();
      cachedTypeInfo = nullptr;
    });
  }
  cachedTypeInfo->AddRef();
  *info = cachedTypeInfo;
  return S_OK;
}

}  // namespace varnic::shell

using namespace varnic::com;
using varnic::shell::Module;

VARNIC_EXPORT HRESULT DllGetClassObject(const CLSID& rclsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return varnic::shell::CatchAll([&]() -> HRESULT {
    for (const auto& entry : varnic::shell::kClasses) {
      if (*entry.clsid != rclsid) continue;
      IUnknown* factory = nullptr;
      HRESULT hr = Module().GetClassObject(
          rclsid, [] { return new varnic::shell::CClassFactory(); }, &factory);
      if (FAILED(hr)) return hr;
      hr = factory->QueryInterface(riid, ppv);
      factory->Release();
      return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
  });
}

VARNIC_EXPORT HRESULT DllCanUnloadNow() { return Module().LockCount() == 0 ? S_OK : S_FALSE; }

VARNIC_EXPORT HRESULT DllRegisterServer() {
  return varnic::shell::CatchAll([]() -> HRESULT {
    for (const auto& entry : varnic::shell::kClasses) {
      if (const HRESULT hr = varnic::shell::RunScript(entry, true); FAILED(hr)) return hr;
    }
    return varnic::shell::RegisterOwnTypeLib();
  });
}

VARNIC_EXPORT HRESULT DllUnregisterServer() {
  return varnic::shell::CatchAll([]() -> HRESULT {
    HRESULT result = S_OK;
    for (const auto& entry : varnic::shell::kClasses) {
      // A store that cannot be read or written is reported, not passed off as success.
      if (const HRESULT hr = varnic::shell::RunScript(entry, false); FAILED(hr)) result = hr;
    }
    using UnRegisterFn = HRESULT (*)(const GUID&, unsigned short, unsigned short, LCID, int);
    void* runtime = ::dlopen("libvarnic_com.so", RTLD_NOW | RTLD_NOLOAD);
    auto* unregister = runtime != nullptr
                           ? reinterpret_cast<UnRegisterFn>(::dlsym(runtime, "UnRegisterTypeLib"))
                           : nullptr;
    std::shared_ptr<const CTypeLibDesc> lib;
    if (unregister != nullptr && SUCCEEDED(LoadTypeLib(varnic::shell::ModulePath(), lib))) {
      unregister(lib->libid, lib->major, lib->minor, lib->lcid, 3);
    }
    if (runtime != nullptr) ::dlclose(runtime);
    return result;
  });
}
