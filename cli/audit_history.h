#ifndef VARNIC_CLI_AUDIT_HISTORY_H_
#define VARNIC_CLI_AUDIT_HISTORY_H_

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audit/device_result.h"
#include "audit/recorder.h"
#include "audit/run_info.h"
#include "audit/summary.h"
#include "audit/targets.h"

namespace varnic::cli {

// The name that identifies each target from one night to the next: its path below the directory
// argument it was found in (else its file name), without the file's extension:
// "/backups/2026-12-08/site-a/ap1.cfg" found under "/backups/2026-12-08" is "site-a/ap1". Names
// two targets would share are replaced by the targets' paths.
std::vector<std::string> DeviceNames(const std::vector<audit::CTarget>& targets,
                                     const std::vector<std::string>& arguments);

// Which of `inputs` names the same file as the database, when one does. The database is an
// output of the run; this check is meant to join the run's other outputs in one plan.
std::optional<std::string> DatabaseInput(const std::string& database,
                                         const std::vector<std::string>& inputs);

// An audit's record in its history database (--db).
class CAuditHistory {
 public:
  // Opens the database (refusing one that is an input) and adds the run; false with the reason
  // told on `err`.
  bool Open(const std::string& where, const audit::CRunInfo& run,
            const std::vector<std::string>& inputs, std::vector<std::string> names,
            std::ostream& err);
  bool Active() const { return recorder_ != nullptr; }
  std::int64_t RunId() const { return run_; }
  // From any worker: target `index` as found (before ForOutputs).
  void Add(const audit::CDeviceResult& device, std::size_t index);
  // Writes what is left and closes the run with the summary's totals; false with the reason on
  // `err` when the history did not take the whole run.
  bool Finish(const audit::CAuditSummary& summary, std::ostream& err);

 private:
  std::string where_;
  std::int64_t run_ = 0;
  std::vector<std::string> names_;
  std::unique_ptr<audit::CRecorder> recorder_;
};

}  // namespace varnic::cli

#endif  // VARNIC_CLI_AUDIT_HISTORY_H_
