#ifndef VARNIC_REPORT_EXPLAIN_H_
#define VARNIC_REPORT_EXPLAIN_H_

#include <cstdint>
#include <deque>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "varnic/comparison.h"
#include "varnic/report/secrets.h"

namespace varnic::report {

class CFileSettings;  // the library's own index of both files' settings
class CLineNumbers;

// One thing the pipeline dropped or changed before the lines were compared.
struct CExplanation {
  enum class Kind {
    kFiltered,           // not relevant under the file's own settings
    kBandCleared,        // a band the other device type has no settings for
    kReconcileRemoved,   // a key the other device type's section lacks
    kReconcileRestored,  // removed as such, then kept: the file's own settings make it relevant
    kRenumbered,         // a MAC filter entry matched under another number
    kSpacing,            // a key that differs from the other file's only by spaces
    kDuplicate,          // a later line of a key; only the first line of a key is compared
    kUnordered,          // a multi-SSID key of no SSID from 1 to 7
    kUnknownSection,     // a line of a section the rules do not know
    kBeforeFirstHeader,  // a line before the first section header
    kRepeatedHeader,     // a line of a block a later header of its section replaced
  };
  Kind kind;
  int file;                   // 1 or 2
  std::string_view section;   // header text, e.g. "[System]"; for a cleared band the band's name
  std::string_view line;      // the line concerned (for a renumbering: the line before)
  std::string_view detail;    // the rules' conditions, the line after a renumbering, the other key
  std::string_view reason{};  // in words: "SSID2 is disabled: SSID2_Status=Disable"
  std::uint32_t lineNumber = 0;  // of `line` in file `file`, from 1; 0 when not known
  // A cleared band or a run: the numbers of all its lines.
  std::vector<std::uint32_t> lineNumbers{};
  // Lines a stage set aside one after another for one reason are one note, a run (a large pair
  // sets aside most of its lines, and a note for each was most of a report's memory). `line` and
  // `lineNumber` are the first's; the others are the changes of `log` that follow `firstChange`,
  // and `lineNumbers` holds every line's number, the first's included, when they were counted
  // (a run's lines are all numbered or none is). A single line has `lines` 1 and needs no log.
  std::uint32_t lines = 1;
  std::uint32_t firstChange = 0;  // index of the first line's change in `log`
  const CChangeLog* log = nullptr;

  // The `k`-th line the note stands for, from 0 (`line`) to `lines` - 1.
  std::string_view Line(std::uint32_t k) const {
    return k == 0 ? line : log->Changes().LineAt(firstChange + k);
  }
};

// What the stages of `comparison` dropped or changed, in the order they did it; a cleared band
// is one explanation, not one per line, and a line taken out and put back one, not two; every
// other note of this overload stands for one line (`lines` is 1). Keys that differ from the
// other file's only by spaces come last. The views point into `comparison` and into `texts`,
// which receives the text of each set of rules once, however many lines it dropped.
std::vector<CExplanation> ExplanationsOf(const CComparison& comparison,
                                         std::deque<std::string>& texts);
// The same with the settings of the comparison already gathered, and with the line numbers
// filled in when `numbers` is given; then consecutive lines set aside for one reason (filtered,
// later duplicates, unordered) are one note each run, pointing into the comparison's log.
// The library's own renderers call it; neither type is installed.
std::vector<CExplanation> ExplanationsOf(const CComparison& comparison,
                                         const CFileSettings& settings,
                                         std::deque<std::string>& texts,
                                         const CLineNumbers* numbers = nullptr);

std::string KindName(CExplanation::Kind kind);

// One plain-text line per explanation, in words (not yet escaped for a terminal).
std::string DescribeExplanation(const CExplanation& e);

// Writes the explanations as --explain prints them: grouped under their sections in output
// order, each line escaped for a terminal, secret values labelled by `masker` when given.
void WriteExplanations(const std::vector<CExplanation>& explanations, CSecretMasker* masker,
                       std::ostream& out);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_EXPLAIN_H_
