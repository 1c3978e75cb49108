#ifndef VARNIC_REPORT_LINE_FORMATS_H_
#define VARNIC_REPORT_LINE_FORMATS_H_

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "varnic/report/report_model.h"
#include "varnic/report/secrets.h"

namespace varnic::report {

inline constexpr std::string_view kArrow = " \xe2\x86\x92 ";  // " → ", from old to new

// A value as the text formats show it: its bytes escaped, a secret's replaced by `masker`'s
// label when a masker is given, "(missing)" where the file lacks the setting.
std::string ShownValue(std::string_view key, const std::optional<std::string_view>& value,
                       CSecretMasker* masker);

// One line per difference, LF-ended, easy to grep: "[System] IPaddr: 1.2.3.4 → 1.2.3.5" for a
// different setting, "[System] - key=value" for one only file 1 has, "[System] + key=value" for
// one only file 2 has, "[System] key: a → b (why)" for one only a file has while the other's line
// of the key was set aside, and "[System] ~ IPaddr: a → b (why)" for a setting that was not
// compared and differs. Keys are named as each file names them. Ignored settings are left out.
// Every byte that could act on a terminal is escaped; secret values are labelled by `masker` when
// given. Needs the report's entries.
void WriteChanges(const CReport& report, CSecretMasker* masker, std::ostream& out);

// One line for the pair, as `diff -q` has it: "Files A and B differ" when the verdict says so,
// a line about settings that were not compared when only they differ, nothing otherwise.
void WriteBrief(const CReport& report, std::ostream& out);

// GitHub Actions workflow commands: a warning per difference and a notice per hidden difference,
// each pointing at the line of file 2, or of file 1 when only file 1's marked result holds it.
void WriteGithub(const CReport& report, CSecretMasker* masker, std::ostream& out);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_LINE_FORMATS_H_
