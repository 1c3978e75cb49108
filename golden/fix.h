#ifndef VARNIC_GOLDEN_FIX_H_
#define VARNIC_GOLDEN_FIX_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/prepared_file.h"
#include "golden/golden.h"
#include "golden/remediation.h"
#include "varnic/report/ignore.h"

namespace varnic::golden {

// How the golden file and the device are compared, the same for the fix as for the report.
struct CFixOptions {
  std::int32_t goldenType = 0;
  std::int32_t deviceType = 0;
  const report::CIgnoreList* ignores = nullptr;
  bool strict = false;
};

// `device` with exactly the edits of `remedies` (set and remove on their lines, keeping each
// line's end; an added key after the last line of its section, a missing section appended at
// the end, in the line end the file uses). Manual remedies change nothing.
std::string ApplyRemedies(std::string_view device, const std::vector<CRemedy>& remedies);
std::string ApplyRemedies(std::string_view device, const std::vector<CRemedyView>& remedies);

// The device brought to the golden file: remediation derived, applied and checked by comparing
// the golden file (rendered against the result) with the result again, a few rounds while the
// relevance rules move; lines without "=" are left as they are and may still differ. False, with
// the reason, when a remedy is manual or the result does not settle. `applied` holds the edits of
// every round. `first`, when given, are the first round's edits, derived by the caller from its
// own comparison of the same pair.
bool FixDevice(const CGolden& golden, const std::vector<std::string>& names,
               const std::string& device, const CFixOptions& options, std::string& fixed,
               std::vector<CRemedy>& applied, std::string& error,
               const std::vector<CRemedy>* first = nullptr);
// The same for a caller that has no use for the edits (`applied` may be null), whose first
// round's edits are views into its own comparison (as `device` may be, which `fixed` must not
// hold), and that may hold `intended`, the golden file as rendered for the device, analysed: a
// check whose rendering has the same bytes starts from it instead of analysing them again. So
// with `analysed`, the analysis of `device`'s bytes (which must outlive the call): each check
// revises it for the fixed bytes rather than analysing them afresh.
bool FixDevice(const CGolden& golden, const std::vector<std::string>& names,
               std::string_view device, const CFixOptions& options, std::string& fixed,
               std::vector<CRemedy>* applied, std::string& error,
               const std::vector<CRemedyView>* first,
               const std::shared_ptr<const CPreparedFile>& intended = nullptr,
               const CPreparedFile* analysed = nullptr);

}  // namespace varnic::golden

#endif  // VARNIC_GOLDEN_FIX_H_
