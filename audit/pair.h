#ifndef VARNIC_AUDIT_PAIR_H_
#define VARNIC_AUDIT_PAIR_H_

#include <cstdint>
#include <memory>
#include <string>

#include "audit/device_result.h"
#include "audit/summary.h"
#include "engine/prepared_file.h"
#include "golden/golden.h"
#include "report/ignore_use.h"
#include "varnic/report/ignore.h"

namespace varnic::audit {

// A baseline read once. Workers share it read-only.
struct CBaseline {
  std::string path;
  std::string text;
  // Set when the baseline is a golden template: each target compares with its own rendering.
  std::shared_ptr<const golden::CGolden> golden;
  // `text` analysed once for every pair (a golden template's rendering too, where it is the same
  // bytes); without it each pair analyses a copy of the text.
  std::shared_ptr<const CPreparedFile> prepared;
};

struct CPairOptions {
  std::int32_t baselineType = 0;                 // file 1 of every pair
  std::int32_t deviceType = 0;                   // file 2
  bool autoTypes = false;                        // pick the types from each pair's files instead
  const report::CIgnoreList* ignores = nullptr;  // must outlive the audit
  report::CPatternUse* patternUse = nullptr;     // told each target's text, when given
  bool strict = false;                           // hidden differences count as drift
  bool showSecrets = false;                      // keep secret values in the drift rows
  // Keep what a history records: ignored settings too, and digests of secret values instead of
  // a mask. ForOutputs then turns the rows into what the summary shows.
  bool forHistory = false;
  // When given (and not for a history), each device's drift is counted here as it is found and
  // only the first kMaxKeptDrift rows are copied out of the comparison; the rest are counted as
  // omitted. Without it every row is kept, for the caller to tally and trim.
  CSettingTally* tally = nullptr;
  // With a tally: the drift rows a device keeps for the outputs, at most kMaxKeptDrift (0 when
  // no output shows them: the table and CSV name only counts).
  std::size_t keptRows = kMaxKeptDrift;
  // Keep a golden baseline's remediation for the outputs (JSON and HTML show it); --fix-dir
  // derives it either way.
  bool remediation = true;
  // The fix directory was made by this run: a fixed backup is created in place rather than
  // staged and renamed, as there is nothing there to replace.
  bool freshFixDirectory = false;
};

// Where a pair's marked results go; empty paths write nothing.
struct CSavePaths {
  std::string baseline;
  std::string device;
  std::string fixed;  // the device brought to its baseline, written when it drifted
};

// Reads `target`, compares it with the baseline and keeps what the summary needs. A target that
// cannot be read, is empty or has nothing in a known section, or whose results cannot be saved,
// gives a result with its error set; nothing here throws for a bad target. The saved pair is
// staged and lands whole or not at all. A target a directory walk found (`walked`) that holds
// marked results rather than a backup is not compared: its result says it was skipped. A golden
// baseline is rendered for the device known by its path relative to `root` (the directory
// argument it was found under) or its file name; a variable without a value is the row's error.
CDeviceResult AuditPair(const CBaseline& baseline, const std::string& target,
                        const CPairOptions& options, const CSavePaths& save, bool walked = false,
                        const std::string& root = {});

// Drops the ignored rows a history kept and masks secret digests, as the outputs show drift.
void ForOutputs(CDeviceResult& device);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_PAIR_H_
