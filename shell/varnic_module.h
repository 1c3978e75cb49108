#ifndef VARNIC_SHELL_VARNIC_MODULE_H_
#define VARNIC_SHELL_VARNIC_MODULE_H_

#include <memory>
#include <string>

#include "com/module.h"
#include "com/typelib.h"

namespace varnic::shell {

// This module's bookkeeping, constructed when the module is loaded and torn down when unloaded.
com::CComModule& Module();

// The module's own file, absolute.
std::string ModulePath();

// The type information of IVarnic, loaded once from the module's embedded type library on first
// use and kept until the module terminates; returned with a new reference.
com::HRESULT GetVarnicTypeInfo(com::ITypeInfo** info);

}  // namespace varnic::shell

#endif  // VARNIC_SHELL_VARNIC_MODULE_H_
