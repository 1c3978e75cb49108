#ifndef VARNIC_CLI_IGNORE_OPTIONS_H_
#define VARNIC_CLI_IGNORE_OPTIONS_H_

#include <ostream>
#include <span>
#include <string>

#include "report/ignore.h"

namespace varnic::cli {

// Adds the --ignore `patterns` and the patterns of each --ignore-file in `files` to `ignores`.
// False, with the pattern or file and the reason on `err`, at the first that cannot be used.
bool LoadIgnores(std::span<const std::string> patterns, std::span<const std::string> files,
                 CIgnoreList& ignores, std::ostream& err);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_IGNORE_OPTIONS_H_
