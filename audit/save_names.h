#ifndef VARNIC_AUDIT_SAVE_NAMES_H_
#define VARNIC_AUDIT_SAVE_NAMES_H_

#include <string>
#include <vector>

#include "audit/pair.h"

namespace varnic::audit {

// The marked pair of each target inside `directory`: the target's path with every "/" (and "\",
// ":") made "__", a leading "/" dropped, then ".baseline.cfg" and ".device.cfg". Names that
// would collide (sites/a.cfg and sites__a.cfg) get "~2", "~3" in the order of `targets`, so a
// sorted target list gives the same names on every run; long names are cut to fit a file name.
std::vector<CSavePaths> SaveNamesFor(const std::vector<std::string>& targets,
                                     const std::string& directory);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_SAVE_NAMES_H_
