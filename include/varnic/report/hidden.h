#ifndef VARNIC_REPORT_HIDDEN_H_
#define VARNIC_REPORT_HIDDEN_H_

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "varnic/comparison.h"

namespace varnic::report {

class CFileSettings;  // the library's own index of both files' settings
class CLineNumbers;   // and its count of line numbers

// Why a line took no part in the comparison.
enum class HiddenReason : std::uint8_t {
  kNotRelevant,  // the relevance rules dropped it
  kReconciled,   // reconciliation removed it: the other device type's section lacks its key
  kDuplicate,    // a later line of a key; only the first line of a key is compared
  kUnordered,    // a multi-SSID key of no SSID from 1 to 7
  // Lines the rules do not model at all: no stage reads them, so they are compared here.
  kUnknownSection,     // a line of a section the rules do not know
  kBeforeFirstHeader,  // a line before the first section header, dropped by a later header
  kRepeatedHeader,     // a line of a block that a later header of the same section replaced
};

// A setting that was not compared and whose counterpart in the other file differs or is missing:
// the marked results are silent about it, so a person must be told. Views into the comparison
// and into the `texts` given to HiddenDifferencesOf.
struct CHiddenDifference {
  std::string_view section;  // header text; empty for lines before the first header
  std::string_view key;
  std::optional<std::string_view> left;  // the value file 1 holds; absent when it lacks the key
  std::optional<std::string_view> right;
  std::uint32_t leftLine = 0;  // line numbers in the files as read, from 1; 0 when absent
  std::uint32_t rightLine = 0;
  HiddenReason reason = HiddenReason::kNotRelevant;
  std::string_view why;  // in words: "not compared while DHCPclient=Disable"
  bool ignored = false;  // an ignore pattern matched it
};

// A row only one file has while the other file's line of the same key was set aside by a stage
// (SSID2_Status=Disable dropped, SSID2_Status=Enable compared): a reader is owed one change with
// both values and the reason, not a line only one file has.
struct CSetAsideCounterpart {
  const char* compared = nullptr;  // where the row's line starts
  std::string_view line;           // the other file's line that was set aside
  std::uint32_t lineNumber = 0;    // its number in the other file
  std::string_view why;            // in words, as for a hidden difference
};

// The hidden differences of `comparison`, in output order of their sections, then by key as file
// 1 holds them. A setting whose row already shows a difference is not hidden: only its later
// duplicates can be. Lines both files lack in the same way (equal values) are not differences.
std::vector<CHiddenDifference> HiddenDifferencesOf(const CComparison& comparison,
                                                   std::deque<std::string>& texts);
// The same with the settings of the comparison already gathered; `counterparts`, when given,
// receives the set-aside lines that stand opposite a row only the other file has. `numbers`,
// when given, are the report's line numbers (counted once for every part); else they are
// counted here when a line needs one. Without `why`, hidden differences say no words of why
// (counterparts still do). The library's own renderers call it; CFileSettings and CLineNumbers
// are not installed.
std::vector<CHiddenDifference> HiddenDifferencesOf(
    const CComparison& comparison, const CFileSettings& settings, std::deque<std::string>& texts,
    std::vector<CSetAsideCounterpart>* counterparts = nullptr,
    const CLineNumbers* numbers = nullptr, bool why = true);

// "not_relevant", "reconciled", "duplicate", "unordered", "unknown_section",
// "before_first_header", "repeated_header": the names JSON uses.
std::string_view HiddenReasonName(HiddenReason reason);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_HIDDEN_H_
