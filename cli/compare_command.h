#ifndef VARNIC_CLI_COMPARE_COMMAND_H_
#define VARNIC_CLI_COMPARE_COMMAND_H_

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>

#include "model/line_list.h"

namespace varnic::cli {

// Exit statuses, as diff has them.
inline constexpr int kExitSame = 0;
inline constexpr int kExitDifferent = 1;
inline constexpr int kExitTrouble = 2;

struct CCompareOptions {
  std::string file1;
  std::string file2;
  std::int32_t type1 = 0;
  std::int32_t type2 = 0;
  std::optional<std::pair<std::string, std::string>> save;
  bool quiet = false;
};

// True when some line of either result carries the "d_" or "o_" mark.
bool HasDifferences(const CLineList& result1, const CLineList& result2);

// Loads, compares and (with a save pair) writes both results; prints the side-by-side view to
// `out` unless quiet, and problems to `err`. Returns the exit status.
int RunCompare(const CCompareOptions& options, std::ostream& out, std::ostream& err);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_COMPARE_COMMAND_H_
