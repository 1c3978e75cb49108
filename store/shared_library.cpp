#include "store/shared_library.h"

#include <dlfcn.h>

namespace varnic::store {
namespace {

std::string LastError(const char* fallback) {
  const char* error = dlerror();
  return error != nullptr ? error : fallback;
}

}  // namespace

CSharedLibrary::CSharedLibrary(const char* soname) {
  // RTLD_LOCAL: its symbols stay its own, whatever else the process has loaded.
  handle_ = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) error_ = LastError(soname);
}

void* CSharedLibrary::Symbol(const char* name) {
  if (handle_ == nullptr) return nullptr;
  void* symbol = dlsym(handle_, name);
  if (symbol == nullptr && error_.empty()) error_ = LastError(name);
  return symbol;
}

}  // namespace varnic::store
