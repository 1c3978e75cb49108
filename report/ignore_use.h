#ifndef VARNIC_REPORT_IGNORE_USE_H_
#define VARNIC_REPORT_IGNORE_USE_H_

#include <atomic>
#include <cstddef>
#include <string_view>
#include <vector>

#include "varnic/report/ignore.h"

namespace varnic::report {

// Which ignore patterns matched a setting of some backup seen, so that a pattern that matched
// nothing (a typo, a section renamed) can be told rather than silently ignore nothing. A setting
// is the key of any line under a line starting with "[" (its section header, known to the rules
// or not); a line before the first header has the header "". Safe to feed from several threads.
class CPatternUse {
 public:
  // `ignores` must outlive this.
  explicit CPatternUse(const CIgnoreList& ignores);

  // Marks the patterns that match a setting of `text`, a backup's bytes. Patterns already
  // marked are not tried again, so once every pattern was used this costs nothing.
  void See(std::string_view text);

  // The patterns no text matched, by their index in the list, in order.
  std::vector<std::size_t> Unused() const;

 private:
  const CIgnoreList* ignores_;
  std::vector<std::atomic<bool>> used_;  // sized once, never resized
  std::atomic<std::size_t> unused_;
};

}  // namespace varnic::report

#endif  // VARNIC_REPORT_IGNORE_USE_H_
