#ifndef VARNIC_COM_HOST_H_
#define VARNIC_COM_HOST_H_

#include <string>
#include <string_view>

#include "varnic/com/com_types.h"
#include "varnic/com/interfaces.h"

namespace varnic::com {

// The host side, through the registry store at CRegistryStore::DefaultPath(): a ProgID names a
// CLSID, whose InprocServer32 names the module that is loaded (once per process) and asked for
// its class object.
HRESULT CLSIDFromProgID(std::string_view progId, CLSID& clsid) noexcept;
HRESULT CoGetClassObject(const CLSID& clsid, REFIID riid, void** ppv) noexcept;
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, REFIID riid, void** ppv) noexcept;
HRESULT CoCreateInstanceByProgID(std::string_view progId, REFIID riid, void** ppv) noexcept;

// Unloads every module whose DllCanUnloadNow answers S_OK; returns how many were unloaded.
int CoFreeUnusedLibraries() noexcept;

// Why the last failed call failed (registry or loader message), for the user.
std::string LastHostError();

}  // namespace varnic::com

#endif  // VARNIC_COM_HOST_H_
