#ifndef VARNIC_CLI_SUGGEST_H_
#define VARNIC_CLI_SUGGEST_H_

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// "Did you mean ...?" for a mistyped subcommand or option value.
namespace varnic::cli {

// The optimal-string-alignment distance: insertions, deletions, substitutions and swaps of two
// adjacent bytes cost one each (a swapped pair is the commonest typo: "comapre"). Bytes, not
// characters: the words it serves are ASCII.
std::size_t EditDistance(std::string_view a, std::string_view b);

// The candidate nearest to `typed`, when it is within max(1, typed.size() / 3) edits; the first
// of equally near ones. No answer when nothing is that near, so "xyz" suggests nothing rather
// than anything at all.
std::optional<std::string> NearestWord(std::string_view typed,
                                       std::span<const std::string_view> candidates);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_SUGGEST_H_
