// The module's resources on Linux: string 100 (the module name), the registration script
// ("REGISTRY" 102) and the type library ("TYPELIB" 1), in the section the runtime reads them
// from. shell/varnic.rc.in holds the same for Windows, where the type library is compiled from
// shell/varnic.idl; a test keeps the two type libraries in agreement.
#include "com/resources.h"

#include <string_view>

#include "shell/registration_script.h"
#include "varnic/shell/varnic_ids.h"

#define VARNIC_NUL "\0"

#define VARNIC_TYPE_LIBRARY                               \
  "VarnicTypeLib 1\n"                                     \
  "library\t" VARNIC_LIBID_TEXT                           \
  "\t1\t0\t0\tVARNICOBJLib\tVarnicObj 1.0 Type Library\t" \
  "stdole2.tlb\n"                                         \
  "interface\t" VARNIC_IID_TEXT                           \
  "\tIVarnic\tIVarnic Interface\tdual\n"                  \
  "method\t1\t7\tLoadFromFile\tmethod LoadFromFile\n"     \
  "param\tin\tbstr\tbstrFile1\n"                          \
  "param\tin\tint\tnType1\n"                              \
  "param\tin\tbstr\tbstrFile2\n"                          \
  "param\tin\tint\tnType2\n"                              \
  "method\t2\t8\tCompareFile\tmethod CompareFile\n"       \
  "method\t3\t9\tSaveToFile\tmethod SaveToFile\n"         \
  "param\tin\tbstr\tbstrFile1\n"                          \
  "param\tin,out\tint*\tnItemCount1\n"                    \
  "param\tin\tbstr\tbstrFile2\n"                          \
  "param\tin,out\tint*\tnItemCount2\n"                    \
  "coclass\t" VARNIC_CLSID_TEXT "\tVarnic\tVarnic Class\t" VARNIC_IID_TEXT "\n"

// Entries: type, id, bytes; each ended by a NUL (see com/resources.h). A plain array, since the
// linker places exactly these bytes in the section.
// NOLINTNEXTLINE(modernize-avoid-c-arrays)
VARNIC_RESOURCE_SECTION extern const char kVarnicResources[] =
    "VRSRC1" VARNIC_NUL "STRING" VARNIC_NUL "100" VARNIC_NUL "VarnicObj" VARNIC_NUL
    "REGISTRY" VARNIC_NUL "102" VARNIC_NUL VARNIC_REGISTRY_SCRIPT VARNIC_NUL "TYPELIB" VARNIC_NUL
    "1" VARNIC_NUL VARNIC_TYPE_LIBRARY;

namespace varnic::shell {

std::string_view OwnResources() { return {kVarnicResources, sizeof kVarnicResources}; }

}  // namespace varnic::shell
