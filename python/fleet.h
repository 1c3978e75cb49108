#ifndef VARNIC_PYTHON_FLEET_H_
#define VARNIC_PYTHON_FLEET_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audit/run_info.h"
#include "audit/targets.h"

// The fleet audit in pieces a Python caller can spread over processes or machines: the targets
// are listed once, audited in batches anywhere, and the batches' summaries folded back with the
// merge of `varnic audit --merge` into the document one `varnic audit` of the fleet prints.
namespace varnic::python {

// What every batch of one fleet is audited with. Plain values, so that a batch can be shipped
// to another process.
struct CFleetSettings {
  std::string baselinePath;  // as given: the rows name it so
  std::string baselineText;  // read once, by whoever listed the fleet
  std::vector<std::string> ignores;
  bool strict = false;
  std::int32_t baselineType = 0;
  std::int32_t targetType = 0;
  bool autoTypes = true;
};

// One target as the listing found it.
struct CBatchTarget {
  std::string path;
  std::string error;    // known before reading: it cannot be audited
  bool walked = false;  // a directory walk found it (rather than being named)
};

// What auditing a batch gives: its summary as WriteAuditJson writes it, and the walked files
// that held marked results rather than a backup, with why, which no summary row names.
struct CBatchResult {
  std::string document;
  std::vector<audit::CSkippedFile> skipped;
};

// Audits `targets` as the command audits its own, on `jobs` threads (0: one per core). False
// with the reason in `error` when the settings are unusable (a bad ignore pattern) or `stop` was
// set before the batch was done: then nothing is returned, never part of a batch. `monitor` is
// called on the calling thread now and then, as RunPool calls it.
bool AuditBatch(const CFleetSettings& settings, const std::vector<CBatchTarget>& targets,
                unsigned jobs, const std::atomic<bool>& stop,
                const std::function<void(std::size_t)>& monitor, CBatchResult& result,
                std::string& error);

// The targets of a fleet as `varnic audit BASELINE TARGET...` lists them: directories walked
// for files matching `glob`, each file once, the baseline left out of a walk.
audit::CTargetList ListFleet(const std::string& baseline, const std::vector<std::string>& targets,
                             const std::string& glob);

// The batches' documents folded into the document one audit of `list` prints: the devices of
// every batch, a row for each directory where no backup was found, the duplicates `list`
// dropped, and `options` as the run's own. False with the reason in `error` when a document is
// not a batch summary.
bool FinishFleet(const audit::CTargetList& list, const audit::CRunOptions& options,
                 const std::vector<std::string>& documents,
                 const std::vector<std::string>& skippedPaths, std::string& json,
                 std::string& error);

}  // namespace varnic::python

#endif  // VARNIC_PYTHON_FLEET_H_
