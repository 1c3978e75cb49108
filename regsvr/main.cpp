// varnic-regsvr [-u] MODULE: registers (or with -u removes) an in-process component, as the
// platform's regsvr tool does, by calling the module's own entry point.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "com/registry.h"
#include "varnic/com/com_types.h"

namespace {

using varnic::com::HRESULT;

int Usage() {
  std::fprintf(stderr,
               "usage: varnic-regsvr [-u] MODULE\n"
               "  registers the component MODULE in the registry store ($VARNIC_REGISTRY, or\n"
               "  the per-user default); -u removes it again\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  std::string module;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0) {
      unregister = true;
    } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
      Usage();
      return 0;
    } else if (module.empty() && argv[i][0] != '-') {
      module = argv[i];
    } else {
      return Usage();
    }
  }
  if (module.empty()) return Usage();

  // Registration records the path hosts will load, so it must not depend on today's directory.
  std::error_code error;
  const std::string path = std::filesystem::absolute(module, error).string();
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    std::fprintf(stderr, "varnic-regsvr: cannot load '%s': %s\n", path.c_str(), ::dlerror());
    return 1;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto* function = reinterpret_cast<HRESULT (*)()>(::dlsym(handle, entry));
  if (function == nullptr) {
    std::fprintf(stderr, "varnic-regsvr: '%s' has no entry point %s\n", path.c_str(), entry);
    ::dlclose(handle);
    return 1;
  }
  const HRESULT hr = function();
  ::dlclose(handle);
  if (varnic::com::FAILED(hr)) {
    // The module and this program share the runtime, which keeps the store's reason.
    const std::string reason = varnic::com::LastRegistryError();
    std::fprintf(
        stderr, "varnic-regsvr: %s in '%s' failed: 0x%08X (%s)\n", entry, path.c_str(),
        static_cast<unsigned>(hr),
        reason.empty()
            ? ("registry store '" + varnic::com::CRegistryStore::DefaultPath() + "'").c_str()
            : reason.c_str());
    return 1;
  }
  std::printf("%s in '%s' succeeded\n", entry, path.c_str());
  const std::string store = varnic::com::CRegistryStore::DefaultPath();
  if (const std::string written = varnic::com::CRegistryStore::WrittenPath(store);
      written != store) {
    std::printf("registry store '%s' is a link: written to '%s'\n", store.c_str(), written.c_str());
  }
  return 0;
}
