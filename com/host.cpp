#include "com/host.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "com/registry.h"

namespace varnic::com {
namespace {

using GetClassObjectFn = HRESULT (*)(const CLSID&, REFIID, void**);
using CanUnloadNowFn = HRESULT (*)();

struct CLoadedModule {
  void* handle;
  GetClassObjectFn getClassObject;
  CanUnloadNowFn canUnloadNow;
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

HRESULT Load(const std::string& path, CLoadedModule& module) {
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
    it = Modules().emplace(path, CLoadedModule{handle, get, can}).first;
  }
  module = it->second;
  return S_OK;
}

}  // namespace

HRESULT CLSIDFromProgID(std::string_view progId, CLSID& clsid) {
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
}

HRESULT CoGetClassObject(const CLSID& clsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  std::string path;
  if (const HRESULT hr = ModulePath(clsid, path); FAILED(hr)) return hr;
  CLoadedModule module{};
  if (const HRESULT hr = Load(path, module); FAILED(hr)) return hr;
  return module.getClassObject(clsid, riid, ppv);
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(outer, riid, ppv);
  factory->Release();
  return hr;
}

HRESULT CoCreateInstanceByProgID(std::string_view progId, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  CLSID clsid{};
  if (const HRESULT hr = CLSIDFromProgID(progId, clsid); FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, riid, ppv);
}

int CoFreeUnusedLibraries() {
  const std::lock_guard lock(HostLock());
  int unloaded = 0;
  for (auto it = Modules().begin(); it != Modules().end();) {
    if (it->second.canUnloadNow() == S_OK) {
      ::dlclose(it->second.handle);
      it = Modules().erase(it);
      ++unloaded;
    } else {
      ++it;
    }
  }
  return unloaded;
}

std::string LastHostError() { return lastError; }

}  // namespace varnic::com
