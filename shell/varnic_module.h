#ifndef VARNIC_SHELL_VARNIC_MODULE_H_
#define VARNIC_SHELL_VARNIC_MODULE_H_

#include <string>
#include <string_view>

#include "com/module.h"
#include "varnic/com/platform.h"

namespace varnic::shell {

// This module's bookkeeping, constructed when the module is loaded and torn down when unloaded.
com::CComModule& Module();

// The rest differs by platform (module_posix.cpp, module_windows.cpp).

// The type information of IVarnic, loaded once from the module's embedded type library on first
// use and kept until the module terminates; returned with a new reference. It serves both
// GetTypeInfo and late-bound calls.
com::HRESULT GetVarnicTypeInfo(com::ITypeInfo** info);

// The path the file layer opens for a caller's file name. A name it cannot open exactly (one
// holding a NUL, or with characters the platform's narrow file names cannot spell) becomes the
// empty path, which never opens.
std::string FilePathFrom(com::BSTR path);

// Applies the class's registration script (REGISTRY 102) and registers the embedded type
// library; or removes both again, the type library on a best-effort basis.
com::HRESULT RegisterServer();
com::HRESULT UnregisterServer();

#if !defined(_WIN32)
// The module's resource section as it is in memory (shell/resources.cpp).
std::string_view OwnResources();
#endif

}  // namespace varnic::shell

#endif  // VARNIC_SHELL_VARNIC_MODULE_H_
