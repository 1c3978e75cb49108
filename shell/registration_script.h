#ifndef VARNIC_SHELL_REGISTRATION_SCRIPT_H_
#define VARNIC_SHELL_REGISTRATION_SCRIPT_H_

// The class's registration script ("REGISTRY" resource 102 on both platforms). Macros only, so
// that the resource compiler can read it too.
#include "varnic/shell/varnic_ids.h"

#define VARNIC_REGISTRY_SCRIPT                              \
  "HKCR\n"                                                  \
  "{\n"                                                     \
  "\tVarnicObj.Varnic.1 = s 'Varnic Class'\n"               \
  "\t{\n"                                                   \
  "\t\tCLSID = s '" VARNIC_CLSID_TEXT                       \
  "'\n"                                                     \
  "\t}\n"                                                   \
  "\tVarnicObj.Varnic = s 'Varnic Class'\n"                 \
  "\t{\n"                                                   \
  "\t\tCLSID = s '" VARNIC_CLSID_TEXT                       \
  "'\n"                                                     \
  "\t\tCurVer = s 'VarnicObj.Varnic.1'\n"                   \
  "\t}\n"                                                   \
  "\tNoRemove CLSID\n"                                      \
  "\t{\n"                                                   \
  "\t\tForceRemove " VARNIC_CLSID_TEXT                      \
  " = s 'Varnic Class'\n"                                   \
  "\t\t{\n"                                                 \
  "\t\t\tProgID = s 'VarnicObj.Varnic.1'\n"                 \
  "\t\t\tVersionIndependentProgID = s 'VarnicObj.Varnic'\n" \
  "\t\t\tForceRemove 'Programmable'\n"                      \
  "\t\t\tInprocServer32 = s '%MODULE%'\n"                   \
  "\t\t\t{\n"                                               \
  "\t\t\t\tval ThreadingModel = s 'Apartment'\n"            \
  "\t\t\t}\n"                                               \
  "\t\t\t'TypeLib' = s '" VARNIC_LIBID_TEXT                 \
  "'\n"                                                     \
  "\t\t}\n"                                                 \
  "\t}\n"                                                   \
  "}\n"

#endif  // VARNIC_SHELL_REGISTRATION_SCRIPT_H_
