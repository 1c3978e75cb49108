// The module on the portable runtime: its path from the dynamic loader, resources from its ELF
// section, registration in the registry store.
#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <mutex>

#include "com/registrar.h"
#include "com/registry.h"
#include "com/resources.h"
#include "com/typelib.h"
#include "shell/varnic_module.h"
#include "varnic/com/bstr.h"
#include "varnic/shell/varnic_ids.h"

namespace varnic::shell {
namespace {

using namespace varnic::com;

constexpr int kRegistryScriptId = 102;

ITypeInfo* cachedTypeInfo = nullptr;

// The module's own file, absolute.
std::string ModulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&ModulePath), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  std::error_code error;
  const auto absolute = std::filesystem::absolute(info.dli_fname, error);
  return error ? std::string(info.dli_fname) : absolute.string();
}

// The module's own type library, parsed from its resources in memory: the file on disk may since
// have been replaced or removed.
HRESULT LoadOwnTypeLib(std::shared_ptr<const CTypeLibDesc>& lib) {
  std::string_view text;
  if (!FindResource(OwnResources(), "TYPELIB", 1, text)) return TYPE_E_CANTLOADLIBRARY;
  return LoadTypeLibText(text, lib);
}

HRESULT RunScript(bool registering) {
  const std::string path = ModulePath();
  std::string_view script;
  if (!FindResource(OwnResources(), "REGISTRY", kRegistryScriptId, script)) return E_UNEXPECTED;
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

// Registered as the module's file, from which other processes load it.
HRESULT RegisterOwnTypeLib() {
  const std::filesystem::path path = ModulePath();
  std::shared_ptr<const CTypeLibDesc> lib;
  if (const HRESULT hr = LoadOwnTypeLib(lib); FAILED(hr)) return hr;
  return RegisterTypeLib(*lib, path.string(), path.parent_path().string());
}

}  // namespace

HRESULT GetVarnicTypeInfo(ITypeInfo** info) {
  const std::lock_guard lock(Module().TypeInfoLock());
  if (cachedTypeInfo == nullptr) {
    std::shared_ptr<const CTypeLibDesc> lib;
    if (const HRESULT hr = LoadOwnTypeLib(lib); FAILED(hr)) return hr;
    cachedTypeInfo = CreateTypeInfo(lib, 0);
    if (cachedTypeInfo == nullptr) return E_OUTOFMEMORY;
    Module().AddTermCallback([] {
      cachedTypeInfo->Release();
      cachedTypeInfo = nullptr;
    });
  }
  cachedTypeInfo->AddRef();
  *info = cachedTypeInfo;
  return S_OK;
}

// A path that is not valid UTF-16, or that holds a NUL (the file layer would cut it there and
// open another file), becomes the empty path. A null path is an empty path.
std::string FilePathFrom(BSTR path) {
  std::string converted = Utf16ToUtf8(BstrView(path)).value_or(std::string());
  return converted.find('\0') == std::string::npos ? converted : std::string();
}

HRESULT RegisterServer() {
  if (const HRESULT hr = RunScript(true); FAILED(hr)) return hr;
  return RegisterOwnTypeLib();
}

HRESULT UnregisterServer() {
  // A store that cannot be read or written is reported, not passed off as success.
  const HRESULT result = RunScript(false);
  // Hosts find the runtime's UnRegisterTypeLib by name, as they find the platform's.
  using UnRegisterFn = HRESULT (*)(const GUID&, unsigned short, unsigned short, LCID, int);
  void* runtime = ::dlopen("libvarnic_com.so", RTLD_NOW | RTLD_NOLOAD);
  auto* unregister = runtime != nullptr
                         ? reinterpret_cast<UnRegisterFn>(::dlsym(runtime, "UnRegisterTypeLib"))
                         : nullptr;
  std::shared_ptr<const CTypeLibDesc> lib;
  if (unregister != nullptr && SUCCEEDED(LoadOwnTypeLib(lib))) {
    unregister(lib->libid, lib->major, lib->minor, lib->lcid, 3);
  }
  if (runtime != nullptr) ::dlclose(runtime);
  return result;
}

}  // namespace varnic::shell
