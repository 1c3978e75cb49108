#ifndef VARNIC_CLI_MARKS_H_
#define VARNIC_CLI_MARKS_H_

#include <string_view>

namespace varnic::cli {

// What line i of the two result lists says together.
enum class PairKind { kHeader, kSame, kDifferent, kOnlyLeft, kOnlyRight, kNone };

PairKind KindOfPair(std::string_view left, std::string_view right);

// True when a result line carries one of the marks "s_", "d_" or "o_".
bool IsMarked(std::string_view line);

// The line without its mark; headers and empty lines as they are.
std::string_view Unmarked(std::string_view line);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_MARKS_H_
