#ifndef VARNIC_COM_TYPELIB_H_
#define VARNIC_COM_TYPELIB_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "varnic/com/com_types.h"
#include "varnic/com/interfaces.h"

namespace varnic::com {

enum class ParamType { kBstr, kInt, kIntPtr };

struct CParamDesc {
  std::string name;
  ParamType type;
  bool in = true;
  bool out = false;  // [in, out] when both
};

struct CMethodDesc {
  DISPID dispid;
  unsigned slot;  // vtable slot of the early-bound method
  std::string name;
  std::string help;
  std::vector<CParamDesc> params;
};

struct CInterfaceDesc {
  IID iid;
  std::string name;
  std::string help;
  bool dual = true;
  std::vector<CMethodDesc> methods;
};

struct CCoclassDesc {
  CLSID clsid;
  std::string name;
  std::string help;
  IID defaultInterface;
};

// A type library: what the platform's compiled library holds, in our own text format.
struct CTypeLibDesc {
  GUID libid;
  unsigned short major = 1;
  unsigned short minor = 0;
  LCID lcid = 0;
  std::string name;
  std::string help;
  std::vector<CInterfaceDesc> interfaces;
  std::vector<CCoclassDesc> coclasses;
  std::string importlib = "stdole2.tlb";  // the platform's standard library for IDispatch
};

// The text form (what a .tlb file of ours and the "TYPELIB" resource hold).
std::string SerializeTypeLib(const CTypeLibDesc& lib);
bool ParseTypeLib(std::string_view text, CTypeLibDesc& lib, std::string& error);

// Loads a type library from a module's "TYPELIB" 1 resource, or from a .tlb file of ours.
HRESULT LoadTypeLib(const std::string& path, std::shared_ptr<const CTypeLibDesc>& lib);
// The same from the text form already in memory (a module's own resource).
HRESULT LoadTypeLibText(std::string_view text, std::shared_ptr<const CTypeLibDesc>& lib);

// Writes HKCR\TypeLib\{libid}\major.minor with its help string, FLAGS, HELPDIR and
// lcid\linux64 = path into the registry store; UnRegisterTypeLib removes that version again.
HRESULT RegisterTypeLib(const CTypeLibDesc& lib, const std::string& path,
                        const std::string& helpDir);

// Type information for one interface of a loaded library: names to dispatch ids and late-bound
// calls through the interface's vtable. Returned with one reference.
ITypeInfo* CreateTypeInfo(std::shared_ptr<const CTypeLibDesc> lib, std::size_t interfaceIndex);

}  // namespace varnic::com

// Found by name at run time, as hosts find the platform's.
extern "C" varnic::com::HRESULT UnRegisterTypeLib(const varnic::com::GUID& libid,
                                                  unsigned short major, unsigned short minor,
                                                  varnic::com::LCID lcid, int syskind) noexcept;

#endif  // VARNIC_COM_TYPELIB_H_
