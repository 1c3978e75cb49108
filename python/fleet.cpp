#include "python/fleet.h"

#include <optional>
#include <set>
#include <sstream>
#include <utility>

#include "audit/collection.h"
#include "audit/merge.h"
#include "audit/pair.h"
#include "audit/pool.h"
#include "audit/render.h"
#include "audit/summary.h"
#include "engine/prepared_file.h"
#include "varnic/report/ignore.h"

namespace varnic::python {

bool AuditBatch(const CFleetSettings& settings, const std::vector<CBatchTarget>& targets,
                unsigned jobs, const std::atomic<bool>& stop,
                const std::function<void(std::size_t)>& monitor, CBatchResult& result,
                std::string& error) {
  report::CIgnoreList ignores;
  for (const std::string& pattern : settings.ignores) {
    if (!ignores.Add(pattern, error)) {
      error.insert(0, "ignore: ");
      return false;
    }
  }
  audit::CPairOptions pair;
  pair.baselineType = settings.baselineType;
  pair.deviceType = settings.targetType;
  pair.autoTypes = settings.autoTypes;
  pair.ignores = &ignores;
  pair.strict = settings.strict;
  const audit::CBaseline baseline{settings.baselinePath, settings.baselineText, nullptr,
                                  CPreparedFile::Make({settings.baselineText, 0})};

  // Each slot is written by the one worker that took its index.
  std::vector<std::optional<audit::CDeviceResult>> results(targets.size());
  audit::CSettingTally tally;
  // Tallied whole as each pair goes, kept in part, as the command keeps a device.
  pair.tally = &tally;
  const auto work = [&](std::size_t i) {
    const CBatchTarget& target = targets[i];
    audit::CDeviceResult device;
    if (!target.error.empty()) {
      device.path = target.path;
      device.baseline = baseline.path;
      device.error = target.error;
    } else {
      device = audit::AuditPair(baseline, target.path, pair, {}, target.walked);
    }
    results[i] = std::move(device);
  };
  const std::size_t started = audit::RunPool(targets.size(), jobs, work, stop, monitor);
  if (stop.load() && started < targets.size()) {
    error = "interrupted";
    return false;
  }

  std::vector<audit::CDeviceResult> devices;
  devices.reserve(targets.size());
  result.skipped.clear();
  for (std::size_t i = 0; i < targets.size(); ++i) {
    if (!results[i]->skipped.empty()) {
      result.skipped.push_back({targets[i].path, results[i]->skipped});
    } else {
      devices.push_back(std::move(*results[i]));
    }
  }
  const std::size_t audited = devices.size();
  const audit::CAuditSummary summary =
      audit::Summarize(std::move(devices), audited, 0, false, settings.strict, &tally);
  std::ostringstream out;
  audit::WriteAuditJson(summary, out);
  result.document = std::move(out).str();
  return true;
}

audit::CTargetList ListFleet(const std::string& baseline, const std::vector<std::string>& targets,
                             const std::string& glob) {
  return audit::ExpandTargets(targets, glob, audit::CWalkSkips{"", {baseline}, ""});
}

bool FinishFleet(const audit::CTargetList& list, const audit::CRunOptions& options,
                 const std::vector<std::string>& documents,
                 const std::vector<std::string>& skippedPaths, std::string& json,
                 std::string& error) {
  audit::CMergedAudits merged;
  for (std::size_t i = 0; i < documents.size(); ++i) {
    if (!audit::MergeAuditJson(documents[i], merged, error)) {
      error.insert(0, "batch " + std::to_string(i + 1) + " is not an audit summary: ");
      return false;
    }
  }
  const std::set<std::string> skippedSet(skippedPaths.begin(), skippedPaths.end());
  std::vector<bool> skipped(list.targets.size(), false);
  for (std::size_t i = 0; i < list.targets.size(); ++i) {
    skipped[i] = skippedSet.count(list.targets[i].path) != 0;
  }
  std::size_t targets = merged.targets;
  for (audit::CDeviceResult& row : audit::MissingBackups(list, skipped, options.glob, nullptr)) {
    row.baseline = options.baseline;
    merged.devices.push_back(std::move(row));
    ++targets;
  }
  audit::CAuditSummary summary =
      audit::Summarize(std::move(merged.devices), targets, merged.duplicates + list.duplicates,
                       merged.interrupted, options.strict, &merged.tally);
  summary.run.generatedAt = audit::GeneratedAt();
  summary.run.options = options;
  std::ostringstream out;
  audit::WriteAuditJson(summary, out);
  json = std::move(out).str();
  return true;
}

}  // namespace varnic::python
