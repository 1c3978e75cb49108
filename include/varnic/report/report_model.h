#ifndef VARNIC_REPORT_REPORT_MODEL_H_
#define VARNIC_REPORT_REPORT_MODEL_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "varnic/comparison.h"
#include "varnic/report/explain.h"
#include "varnic/report/hidden.h"
#include "varnic/report/ignore.h"
#include "varnic/report/stats.h"

namespace varnic::report {

// One aligned setting of the two results: its values as the marked results show them. Views into
// the comparison the entry was taken from.
struct CEntry {
  using Status = RowKind;
  std::string_view section;  // header text
  std::string_view key;
  std::optional<std::string_view> left;  // absent when only file 2 has the key
  std::optional<std::string_view> right;
  Status status;
  std::uint32_t leftLine = 0;  // line numbers in the files as read, from 1; 0 when absent
  std::uint32_t rightLine = 0;
  bool ignored = false;  // an ignore pattern matched it: it counts for nothing
  // The key each file's own line has; they differ from `key` only for a MAC filter entry that
  // was matched under another number. Empty where the file lacks the setting.
  std::string_view leftKey{};
  std::string_view rightKey{};
  // A row only one file has, while the other file's line of the key was set aside by a stage:
  // that line's value fills the other side (with its number) and this says why it was set
  // aside. Empty otherwise.
  std::string_view setAsideWhy{};

  // Whether the marked result of a file shows the setting.
  bool InLeft() const { return status != RowKind::kOnlyRight; }
  bool InRight() const { return status != RowKind::kOnlyLeft; }
  // The key as the given file names it (file 1's when it lacks the setting).
  std::string_view KeyIn(FileSide side) const {
    const std::string_view own = side == FileSide::kFile1 ? leftKey : rightKey;
    return own.empty() ? key : own;
  }
};

struct CInput {
  std::string path;
  std::int32_t type = 0;
  std::size_t lines = 0;  // lines read from the file
  bool inferred = false;  // the type was chosen from the files, not given
  bool has5GHz = false;   // a 5 GHz section of the file holds a line: BuildReport sets it
};

// "same device type" when the types are equal (nothing is reconciled); otherwise the name of
// the file's type ("single-band", "dual-band"), except that a file with 5 GHz settings is
// never called single-band; "" when no name fits.
std::string_view RoleOf(const CInput& input, const CInput& other);

// What the report says of the pair as a whole. Ignored settings count nowhere here.
struct CVerdict {
  std::size_t differences = 0;        // settings the marked results show as different or only
  std::size_t hiddenDifferences = 0;  // settings not compared that differ
  std::size_t ignored = 0;            // differing settings an ignore pattern matched
  bool strict = false;                // hidden differences count as differences

  bool Differs() const { return differences > 0 || (strict && hiddenDifferences > 0); }
};

// An edit that brings file 2 to file 1, as a caller that knows the way back derived it.
struct CRemediationItem {
  std::string action;  // "set", "add", "remove" or "manual"
  std::string section;
  std::string key;    // file 2's key name
  std::string value;  // set, add: to write; remove, manual: file 2's value
  std::string rule;   // manual: the rule file 2's value fails
};

// Everything a report shows: the inputs, the aligned entries, the counts, the explanations and
// the hidden differences. Built once per pair; every renderer reads the same report.
struct CReport {
  const CComparison* comparison = nullptr;  // what the report was built from; outlives it
  CInput left;
  CInput right;
  std::vector<CEntry> entries;
  std::vector<CSectionStats> stats;
  std::vector<CExplanation> explanations;
  std::vector<CHiddenDifference> hidden;
  CVerdict verdict;
  std::vector<std::string> ignorePatterns;   // as given, in order
  std::deque<std::string> explanationTexts;  // what explanations and hidden differences point into
  std::string generatedAt;                   // shown in reports
  // Set when file 1 is a golden file: the edits that bring file 2 to it.
  std::optional<std::vector<CRemediationItem>> remediation;
};

// Which parts a caller needs: the others stay empty (a 1M-line pair's entries cost time). The
// verdict is always worked out; without `hidden` it knows of no hidden difference.
struct CReportParts {
  bool entries = true;
  bool stats = true;
  bool explanations = true;
  bool hidden = true;
  // Entries of settings both files hold alike, and line numbers: an output that shows only
  // changes and no numbers (`changes`) is spared their cost. Off, entries hold only the rows
  // that differ, and every line number is 0.
  bool sameEntries = true;
  bool lineNumbers = true;
  // Off, file 1's lines are not counted either (their numbers are 0): a golden run's edits
  // number the device's lines only, and its template's numbers are shown nowhere.
  bool file1LineNumbers = true;
  // Off, a hidden difference says no words of why (`why` is empty): the audit names its hidden
  // differences without them, and forming them was a twentieth of its time.
  bool hiddenWhy = true;
};

struct CReportOptions {
  const CIgnoreList* ignores = nullptr;  // must outlive the call only
  bool strict = false;
  CReportParts parts;
};

// The report of `comparison`, whose views it holds: the comparison must outlive it.
CReport BuildReport(const CComparison& comparison, CInput left, CInput right,
                    const CReportOptions& options);

// The entries of a comparison, section by section.
std::vector<CEntry> EntriesOf(const CComparison& comparison);

// "same", "different", "only_left", "only_right": the names JSON uses. StatusText makes no
// string, for a writer that names a hundred thousand entries.
std::string_view StatusText(CEntry::Status status);
std::string StatusName(CEntry::Status status);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_REPORT_MODEL_H_
