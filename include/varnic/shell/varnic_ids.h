#ifndef VARNIC_SHELL_VARNIC_IDS_H_
#define VARNIC_SHELL_VARNIC_IDS_H_

// Chosen once; registered hosts and stored registrations depend on them, so they never change.
// shell/varnic.idl spells the same three.
#define VARNIC_CLSID_TEXT "{AD10503A-441E-40F0-B8FF-063B8F573C0C}"
#define VARNIC_IID_TEXT "{06493204-630B-4188-90B5-791B9D279AF6}"
#define VARNIC_LIBID_TEXT "{CF287CAD-BEC7-447B-B32B-6AE278731F3B}"

// The resource compiler reads only the macros above.
#ifndef RC_INVOKED

#include "varnic/com/platform.h"

namespace varnic::shell {

inline constexpr com::CLSID CLSID_Varnic = com::MakeGuid(VARNIC_CLSID_TEXT);
inline constexpr com::IID IID_IVarnic = com::MakeGuid(VARNIC_IID_TEXT);
inline constexpr com::GUID LIBID_VARNICOBJLib = com::MakeGuid(VARNIC_LIBID_TEXT);

}  // namespace varnic::shell

#endif  // RC_INVOKED

#endif  // VARNIC_SHELL_VARNIC_IDS_H_
