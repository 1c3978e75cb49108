#ifndef VARNIC_CLI_IGNORE_OPTIONS_H_
#define VARNIC_CLI_IGNORE_OPTIONS_H_

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "report/ignore_use.h"
#include "varnic/report/ignore.h"

namespace varnic::cli {

// The ignore patterns of a run and where each came from.
struct CIgnores {
  report::CIgnoreList list;
  std::vector<std::string> files;  // per pattern: its --ignore-file, or "" for --ignore
};

// Adds the --ignore `patterns` and the patterns of each --ignore-file in `files` to `ignores`.
// False, with the pattern or file and the reason on `err`, at the first that cannot be used.
bool LoadIgnores(std::span<const std::string> patterns, std::span<const std::string> files,
                 CIgnores& ignores, std::ostream& err);

// A warning on `err` for each pattern that `use` saw match no setting, naming the pattern and
// where it was given; `where` ends the sentence ("in either file").
void WarnUnusedPatterns(const CIgnores& ignores, const report::CPatternUse& use,
                        std::string_view where, std::ostream& err);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_IGNORE_OPTIONS_H_
