#ifndef VARNIC_GOLDEN_REMEDIATION_H_
#define VARNIC_GOLDEN_REMEDIATION_H_

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "golden/template.h"
#include "varnic/report/report_model.h"

namespace varnic::golden {

enum class RemedyKind : std::uint8_t { kSet, kAdd, kRemove, kManual };

// One edit that brings the device towards the intended file, in the device's own key names.
template <typename Text>
struct CBasicRemedy {
  RemedyKind kind = RemedyKind::kSet;
  Text section;  // the header line, "[System]"
  Text key;
  Text value;                    // set, add: the value to write; remove, manual: the device's value
  Text rule;                     // manual: the rule the device's value fails
  std::uint32_t deviceLine = 0;  // set, remove, manual: the line in the device file, from 1
  Text previous;                 // set: the device's value it replaces
};

// An edit that owns its text.
using CRemedy = CBasicRemedy<std::string>;
// An edit whose text is views into the report, the failed rules and the device text it was
// derived from, valid while they are: a fleet derives a hundred edits a device, and owned
// strings made allocating them most of the cost.
using CRemedyView = CBasicRemedy<std::string_view>;

// The edits the differences of `report` (golden = file 1, device = file 2) call for: a different
// value is set, a setting only in the golden file added, one only in the device removed; with
// `strict`, the settings not compared that differ as well. A failed rule with one value that
// satisfies it is set to it; one without is manual. Ignored settings and lines without "="
// (comments, blank lines: no setting) call for nothing.
std::vector<CRemedy> Remediation(const report::CReport& report,
                                 const std::vector<CFailedRule>& failed, std::string_view device,
                                 bool strict);
// The same edits as views, for a caller that uses them while `report`, `failed` and `device` live.
std::vector<CRemedyView> RemediationViews(const report::CReport& report,
                                          const std::vector<CFailedRule>& failed,
                                          std::string_view device, bool strict);
// `remedy` with its own copy of the text.
CRemedy Owned(const CRemedyView& remedy);

// Per section: "[Section]" then "set key=value", "add key=value", "remove key=value",
// "manual: key=value fails {{ rule }}", LF-ended.
void WriteRemediation(const std::vector<CRemedy>& remedies, std::ostream& out);

// "set", "add", "remove" or "manual": the action as the outputs name it.
const char* ActionName(RemedyKind kind);

// The remedies as a report carries them to its renderers.
std::vector<report::CRemediationItem> ReportItems(const std::vector<CRemedy>& remedies);

}  // namespace varnic::golden

#endif  // VARNIC_GOLDEN_REMEDIATION_H_
