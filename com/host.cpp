#include "varnic/com/host.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <new>

#include "com/registry.h"

namespace varnic::com {
namespace {

using GetClassObjectFn = HRESULT (*)(const CLSID&, REFIID, void**);
using CanUnloadNowFn = HRESULT (*)();

struct CLoadedModule {
  void* handle;
  GetClassObjectFn getClassObject;
  CanUnloadNowFn canUnloadNow;
  int calls = 0;  // threads inside or about to enter the module; it is not unloaded under them
};

std::mutex& HostLock() {
  static std::mutex lock;
  return lock;
}

std::map<std::string, CLoadedModule>& Modules() {
  static std::map<std::string, CLoadedModule> modules;
  return modules;
}

thread_local std::string lastError;

HRESULT ModulePath(const CLSID& clsid, std::string& path) {
  CRegistryStore store(CRegistryStore::DefaultPath());
  CRegistryTree tree;
  if (const HRESULT hr = store.Read(tree); FAILED(hr)) {
    lastError = store.LastError();
    return hr;
  }
  const CRegistryKey* key = tree.Find("HKCR\\CLSID\\" + FormatGuid(clsid) + "\\InprocServer32");
  if (key == nullptr || !key->defaultValue || key->defaultValue->empty()) {
    lastError = "class " + FormatGuid(clsid) + " is not registered";
    return REGDB_E_CLASSNOTREG;
  }
  path = *key->defaultValue;
  return S_OK;
}

// A module loaded and held for one call into it. The host lock is not held during the call (the
// module may call back into the host), so CoFreeUnusedLibraries needs the count to leave it.
class CModuleUse {
 public:
  CModuleUse() = default;
  ~CModuleUse() {
    if (module_ == nullptr) return;
    const std::lock_guard lock(HostLock());
    --module_->calls;
  }
  CModuleUse(const CModuleUse&) = delete;
  CModuleUse& operator=(const CModuleUse&) = delete;

  HRESULT Load(const std::string& path) {
    const std::lock_guard lock(HostLock());
    auto it = Modules().find(path);
    if (it == Modules().end()) {
      void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (handle == nullptr) {
        lastError = ::dlerror();
        return CO_E_ERRORINDLL;
      }
      auto* get = reinterpret_cast<GetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
      auto* can = reinterpret_cast<CanUnloadNowFn>(::dlsym(handle, "DllCanUnloadNow"));
      if (get == nullptr || can == nullptr) {
        lastError = "'" + path + "' exports no DllGetClassObject or DllCanUnloadNow";
        ::dlclose(handle);
        return CO_E_ERRORINDLL;
      }
      try {
        it = Modules().emplace(path, CLoadedModule{handle, get, can}).first;
      } catch (...) {
        ::dlclose(handle);
        throw;
      }
    }
    module_ = &it->second;  // map nodes stay where they are until erased, which `calls` prevents
    ++module_->calls;
    return S_OK;
  }

  HRESULT GetClassObject(const CLSID& clsid, REFIID riid, void** ppv) const {
    return module_->getClassObject(clsid, riid, ppv);
  }

 private:
  CLoadedModule* module_ = nullptr;
};

// Loads the class's module and gets its class object, which `use` keeps loaded.
HRESULT GetClassObject(const CLSID& clsid, REFIID riid, void** ppv, CModuleUse& use) {
  std::string path;
  if (const HRESULT hr = ModulePath(clsid, path); FAILED(hr)) return hr;
  if (const HRESULT hr = use.Load(path); FAILED(hr)) return hr;
  return use.GetClassObject(clsid, riid, ppv);
}

// The host's calls are its own boundary: a failed allocation is a status, never an exception.
template <typename Body>
HRESULT Guard(Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    lastError = "out of memory";
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace

HRESULT CLSIDFromProgID(std::string_view progId, CLSID& clsid) noexcept {
  return Guard([&]() -> HRESULT {
    CRegistryStore store(CRegistryStore::DefaultPath());
    CRegistryTree tree;
    if (const HRESULT hr = store.Read(tree); FAILED(hr)) {
      lastError = store.LastError();
      return hr;
    }
    if (progId.empty() || progId.find('\\') != std::string_view::npos) return E_INVALIDARG;
    const CRegistryKey* key = tree.Find("HKCR\\" + std::string(progId) + "\\CLSID");
    const auto parsed =
        key != nullptr && key->defaultValue ? ParseGuid(*key->defaultValue) : std::nullopt;
    if (!parsed) {
      lastError = "ProgID '" + std::string(progId) + "' is not registered";
      return REGDB_E_CLASSNOTREG;
    }
    clsid = *parsed;
    return S_OK;
  });
}

HRESULT CoGetClassObject(const CLSID& clsid, REFIID riid, void** ppv) noexcept {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return Guard([&] {
    // Once the module has handed out its class object, that reference keeps it loaded.
    CModuleUse use;
    return GetClassObject(clsid, riid, ppv, use);
  });
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, REFIID riid, void** ppv) noexcept {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  return Guard([&] {
    // Held until the factory's last Release has returned out of the module.
    CModuleUse use;
    IClassFactory* factory = nullptr;
    HRESULT hr = GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory), use);
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(outer, riid, ppv);
    factory->Release();
    return hr;
  });
}

HRESULT CoCreateInstanceByProgID(std::string_view progId, REFIID riid, void** ppv) noexcept {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  CLSID clsid{};
  if (const HRESULT hr = CLSIDFromProgID(progId, clsid); FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, riid, ppv);
}

int CoFreeUnusedLibraries() noexcept {
  const std::lock_guard lock(HostLock());
  int unloaded = 0;
  for (auto it = Modules().begin(); it != Modules().end();) {
    if (it->second.calls == 0 && it->second.canUnloadNow() == S_OK) {
      ::dlclose(it->second.handle);
      it = Modules().erase(it);
      ++unloaded;
    } else {
      ++it;
    }
  }
  return unloaded;
}

std::string LastHostError() {
  try {
    return lastError;
  } catch (...) {
    return {};
  }
}

}  // namespace varnic::com
