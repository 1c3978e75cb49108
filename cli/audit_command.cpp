#include "cli/audit_command.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

#include "audit/baseline_map.h"
#include "audit/collection.h"
#include "audit/interrupt.h"
#include "audit/merge.h"
#include "audit/pair.h"
#include "audit/pool.h"
#include "audit/progress.h"
#include "audit/render.h"
#include "audit/save_names.h"
#include "audit/summary.h"
#include "audit/targets.h"
#include "base/path_names.h"
#include "cli/audit_history.h"
#include "cli/ignore_options.h"
#include "cli/os.h"
#include "cli/output_checks.h"
#include "engine/prepared_file.h"
#include "engine/staged_files.h"
#include "engine/text_file.h"
#include "golden/golden.h"
#include "report/ignore_use.h"
#include "report/terminal_text.h"
#include "store/store.h"
#include "varnic/compare.h"
#include "varnic/report/device_types.h"
#include "varnic/report/ignore.h"
#include "varnic/report/input_checks.h"
#include "varnic/report/report_date.h"

namespace varnic::cli {
namespace {

constexpr int kTrouble = 2;

using audit::CAuditSummary;
using audit::CBaseline;

std::string Shown(std::string_view name) { return report::SafeText(name); }

bool ParseTypeOption(const std::optional<std::string>& text, const char* option, std::int32_t& type,
                     std::ostream& err) {
  if (!text) return true;
  if (const std::optional<std::int32_t> parsed = report::ParseType(*text)) {
    type = *parsed;
    return true;
  }
  err << "varnic: " << option << ": '" << Shown(*text)
      << "' is neither a number nor single-band or dual-band\n";
  return false;
}

// A baseline is read and checked once, before any pair starts: a bad one would fail every pair.
bool LoadBaseline(const std::string& path, CBaseline& baseline, std::ostream& err) {
  baseline.path = path;
  std::error_code code;
  if (!ReadFileBytes(path, baseline.text, code)) {
    err << "varnic: cannot read baseline '" << Shown(path) << "': " << code.message() << "\n";
    return false;
  }
  baseline.prepared = CPreparedFile::Make({baseline.text, 0});
  const std::string problem =
      report::InputProblem(Compare(baseline.prepared, 0, {baseline.text, 0}), FileSide::kFile1);
  if (!problem.empty()) {
    err << "varnic: baseline '" << Shown(path) << "' " << Shown(problem) << "\n";
    return false;
  }
  return true;
}

// What the audit checks every target against: one baseline, or a map of them.
struct CBaselines {
  std::map<std::string, CBaseline> byPath;
  audit::CBaselineMap map;
  std::string fallback;

  const CBaseline& For(const std::string& target) const {
    return byPath.at(map.BaselineFor(target, fallback));
  }
};

// The fixed backup of each target in --fix-dir: its marked-pair name, ending ".fixed.cfg". The
// output plan checks them with every other output.
void NameFixes(const std::string& directory, const std::vector<audit::CTarget>& targets,
               std::vector<audit::CSavePaths>& saves) {
  std::vector<std::string> paths;
  paths.reserve(targets.size());
  for (const audit::CTarget& target : targets) paths.push_back(target.path);
  const std::vector<audit::CSavePaths> names = audit::SaveNamesFor(paths, directory);
  for (std::size_t i = 0; i < targets.size(); ++i) {
    std::string name = names[i].device;
    constexpr std::string_view kSuffix = ".device.cfg";
    if (name.ends_with(kSuffix)) name.resize(name.size() - kSuffix.size());
    saves[i].fixed = name + ".fixed.cfg";
  }
}

// Golden baselines are parsed once, their rules compiled once, for every target.
bool LoadGoldens(const CAuditOptions& options, CBaselines& baselines, std::ostream& err) {
  const bool templates = options.golden || options.vars;
  if (!templates && !options.fixDir) return true;
  for (auto& [path, baseline] : baselines.byPath) {
    auto golden = std::make_shared<golden::CGolden>();
    std::string error;
    if (!golden->Load(path, baseline.text, options.vars.value_or(""), error, !templates)) {
      err << "varnic: " << Shown(error) << "\n";
      return false;
    }
    baseline.golden = std::move(golden);
  }
  return true;
}

bool LoadBaselines(const CAuditOptions& options, CBaselines& baselines, std::ostream& err) {
  baselines.fallback = options.inputs.front();
  std::vector<std::string> paths{baselines.fallback};
  if (options.baselineMap) {
    std::string text;
    std::error_code code;
    std::string error;
    const std::string directory = base::NameOf(base::PathOf(*options.baselineMap).parent_path());
    if (!ReadFileBytes(*options.baselineMap, text, code)) {
      err << "varnic: cannot read '" << Shown(*options.baselineMap) << "': " << code.message()
          << "\n";
      return false;
    }
    if (!baselines.map.Parse(text, directory, error)) {
      err << "varnic: '" << Shown(*options.baselineMap) << "': " << Shown(error) << "\n";
      return false;
    }
    for (std::string& path : baselines.map.Baselines()) paths.push_back(std::move(path));
  }
  for (const std::string& path : paths) {
    if (baselines.byPath.count(path) != 0) continue;
    if (!LoadBaseline(path, baselines.byPath[path], err)) return false;
  }
  return true;
}

bool LoadExpected(const CAuditOptions& options, audit::CExpectedDevices& expected,
                  std::ostream& err) {
  if (!options.expect) return true;
  std::string text;
  std::error_code code;
  if (!ReadFileBytes(*options.expect, text, code)) {
    err << "varnic: cannot read '" << Shown(*options.expect) << "': " << code.message() << "\n";
    return false;
  }
  expected.Parse(text);
  return true;
}

void WarnUnusedMapLines(const CAuditOptions& options, const audit::CBaselineMap& map,
                        const std::vector<audit::CTarget>& targets, std::ostream& err) {
  if (!options.baselineMap || options.quiet) return;
  std::vector<std::string> paths;
  paths.reserve(targets.size());
  for (const audit::CTarget& target : targets) paths.push_back(target.path);
  for (const audit::CBaselineMap::CUnusedLine& line : map.Unused(paths)) {
    err << "varnic: warning: '" << Shown(*options.baselineMap) << "' line " << line.number << ": '"
        << Shown(line.glob) << "' "
        << (line.shadowed ? "chooses no target: earlier lines take every target it matches"
                          : "matches no target")
        << "\n";
  }
}

// A file a walk passed over is told, not audited; a long list is cut, the count is not.
void NoteSkipped(const std::vector<audit::CSkippedFile>& skipped, std::ostream& err) {
  constexpr std::size_t kNamedNotes = 10;
  for (std::size_t i = 0; i < skipped.size() && i < kNamedNotes; ++i) {
    err << "varnic: note: skipped '" << Shown(skipped[i].path) << "': " << skipped[i].reason
        << "\n";
  }
  if (skipped.size() > kNamedNotes) {
    err << "varnic: note: skipped " << skipped.size() - kNamedNotes << " more files\n";
  }
}

// Everything the audit reads (baselines, the map, the ignore and expect files, the variables,
// every target found) and writes (the page, every saved pair, every fixed backup), so that no
// output lands on an input or on another output.
base::COutputPlan PlanOf(const CAuditOptions& options, const CBaselines& baselines,
                         const std::vector<audit::CTarget>& targets,
                         const std::vector<audit::CSavePaths>& saves) {
  base::COutputPlan plan;
  for (const auto& [path, baseline] : baselines.byPath) plan.AddInput(path);
  if (options.baselineMap) plan.AddInput(*options.baselineMap);
  if (options.ignoreFile) plan.AddInput(*options.ignoreFile);
  if (options.expect) plan.AddInput(*options.expect);
  if (options.vars) plan.AddInput(*options.vars);
  for (const audit::CTarget& target : targets) plan.AddInput(target.path);
  if (options.html) plan.AddOutput(*options.html);
  // The history file is written too: never an input, never another output.
  if (options.db && !store::IsPostgresAddress(*options.db)) plan.AddOutput(*options.db);
  std::vector<std::string> fixes;
  for (const audit::CSavePaths& save : saves) {
    if (!save.baseline.empty()) {
      plan.AddOutput(save.baseline);
      plan.AddOutput(save.device);
    }
    if (!save.fixed.empty()) fixes.push_back(save.fixed);
  }
  // A fixed backup of each drifted device, all in the fix directory.
  if (options.fixDir) plan.AddOutputsIn(*options.fixDir, fixes);
  return plan;
}

bool WriteHtml(const CAuditSummary& summary, const std::string& path, std::ostream& err) {
  std::string html;
  {
    std::ostringstream page;
    std::string warning;
    audit::WriteAuditHtml(summary, report::ReportDate(&warning), page);
    if (!warning.empty()) err << "varnic: warning: " << warning << "\n";
    html = std::move(page).str();
  }
  CStagedFiles outputs;
  std::error_code error;
  if (outputs.Stage(
          path, [&html](CBufferedWriter& out) { out.Append(html); }, error) &&
      outputs.Commit(error)) {
    return true;
  }
  err << "varnic: cannot write '" << Shown(path) << "': " << error.message() << "\n";
  return false;
}

int Report(const CAuditSummary& summary, const CAuditOptions& options, std::ostream& out,
           std::ostream& err) {
  if (options.html && !WriteHtml(summary, *options.html, err)) return kTrouble;
  if (!options.quiet) {
    switch (options.format) {
      case AuditFormat::kTable:
        audit::WriteTable(summary, out);
        break;
      case AuditFormat::kJson:
        audit::WriteAuditJson(summary, out);
        break;
      case AuditFormat::kCsv:
        audit::WriteCsv(summary, out);
        break;
      case AuditFormat::kJunit:
        audit::WriteJunit(summary, out);
        break;
      case AuditFormat::kGithub:
        audit::WriteGithub(summary, out);
        break;
    }
  }
  return audit::ExitStatusOf(summary);
}

// Walked files that were no backups (saved marked results), noted by target number as the
// pairs find them; none is taken once the audit is folded.
class CSkippedTargets {
 public:
  void Add(std::size_t index, std::string why) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!closed_) found_.emplace_back(index, std::move(why));
  }
  // In the targets' order.
  std::vector<std::pair<std::size_t, std::string>> Close() {
    const std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    std::sort(found_.begin(), found_.end());
    return std::move(found_);
  }

 private:
  std::mutex mutex_;
  bool closed_ = false;
  std::vector<std::pair<std::size_t, std::string>> found_;
};

// Adds to the pairs' rows those a collection that fell short calls for, and notes the walked
// files that were no backups. `listed` is the number of targets, the unstarted ones of an
// interrupted audit included.
void Fold(audit::CDeviceRows& devices, CSkippedTargets& skippedTargets,
          const audit::CTargetList& list, const audit::CExpectedDevices* expected,
          const CBaselines& baselines, const CAuditOptions& options, bool interrupted,
          std::size_t& listed, std::ostream& err) {
  const std::vector<std::pair<std::size_t, std::string>> found = skippedTargets.Close();
  std::vector<bool> skipped(list.targets.size(), false);
  std::vector<audit::CSkippedFile> notes = list.skipped;
  for (const auto& [index, why] : found) {
    skipped[index] = true;
    notes.push_back({list.targets[index].path, why});
  }
  listed = list.targets.size() - found.size();
  if (!options.quiet) NoteSkipped(notes, err);
  // What an interrupted audit did not reach is told as such, not as missing.
  if (!interrupted) {
    for (audit::CDeviceResult& row : audit::MissingBackups(list, skipped, options.glob, expected)) {
      err << "varnic: '" << Shown(row.path) << "': " << Shown(row.error) << "\n";
      row.baseline = baselines.For(row.path).path;
      devices.Add(std::move(row));
      ++listed;
    }
  }
}

const audit::CSavePaths kNoSaves;

int RunMerge(const CAuditOptions& options, std::ostream& out, std::ostream& err) {
  base::COutputPlan plan;
  for (const std::string& path : options.inputs) plan.AddInput(path);
  if (options.expect) plan.AddInput(*options.expect);
  if (options.html) plan.AddOutput(*options.html);
  if (!OutputsAreSafe(plan, err)) return kTrouble;
  audit::CMergedAudits merged;
  audit::CExpectedDevices expected;
  if (!LoadExpected(options, expected, err)) return kTrouble;
  for (const std::string& path : options.inputs) {
    std::string text;
    std::error_code code;
    std::string error;
    if (!ReadFileBytes(path, text, code)) {
      err << "varnic: cannot read '" << Shown(path) << "': " << code.message() << "\n";
      return kTrouble;
    }
    if (!audit::MergeAuditJson(text, merged, error)) {
      err << "varnic: '" << Shown(path) << "' is not an audit summary: " << Shown(error) << "\n";
      return kTrouble;
    }
  }
  if (merged.inexactDuplicates > 0) {
    err << "varnic: warning: " << merged.inexactDuplicates
        << " devices held by more than one summary drifted in more settings than a summary "
           "lists; the settings not listed may count twice in the most drifted\n";
  }
  // The shards together must hold the fleet, as one audit must.
  if (options.expect) {
    for (audit::CDeviceResult& row : audit::ExpectedWithoutBackup(
             expected, std::vector<std::string>(merged.paths.begin(), merged.paths.end()))) {
      err << "varnic: '" << Shown(row.path) << "': " << Shown(row.error) << "\n";
      merged.devices.push_back(std::move(row));
      ++merged.targets;
    }
  }
  CAuditSummary summary =
      audit::Summarize(std::move(merged.devices), merged.targets, merged.duplicates,
                       merged.interrupted, merged.strict, &merged.tally);
  summary.run.generatedAt = audit::GeneratedAt();
  summary.run.shards = std::move(merged.shards);
  if (summary.devices.empty()) err << "varnic: the summaries hold no device\n";
  return Report(summary, options, out, err);
}

audit::CRunOptions RunOptionsOf(const CAuditOptions& options, const audit::CPairOptions& pair) {
  audit::CRunOptions run;
  run.baseline = options.inputs.front();
  run.baselineMap = options.baselineMap;
  run.targets.assign(options.inputs.begin() + 1, options.inputs.end());
  run.glob = options.glob;
  run.ignores = options.ignores;
  run.ignoreFile = options.ignoreFile;
  run.strict = options.strict;
  run.baselineType = pair.baselineType;
  run.targetType = pair.deviceType;
  run.autoTypes = options.autoTypes;
  run.showSecrets = options.showSecrets;
  return run;
}

// Every file the audit reads, which none of its outputs may be.
std::vector<std::string> InputsOf(const CAuditOptions& options, const CBaselines& baselines,
                                  const std::vector<audit::CTarget>& targets) {
  std::vector<std::string> inputs;
  for (const auto& [path, baseline] : baselines.byPath) inputs.push_back(path);
  if (options.baselineMap) inputs.push_back(*options.baselineMap);
  if (options.ignoreFile) inputs.push_back(*options.ignoreFile);
  if (options.vars) inputs.push_back(*options.vars);
  for (const audit::CTarget& target : targets) inputs.push_back(target.path);
  return inputs;
}

}  // namespace

int RunAudit(const CAuditOptions& options, std::ostream& out, std::ostream& err) {
  if (options.merge && options.db) {
    err << "varnic: --db records an audit; a merge has nothing new to record\n";
    return kTrouble;
  }
  if (options.merge) return RunMerge(options, out, err);
  if (options.inputs.size() < 2) {
    err << "varnic: audit needs a BASELINE and at least one TARGET\n"
           "Run 'varnic audit --help' for usage.\n";
    return kTrouble;
  }
  audit::CPairOptions pair;
  pair.autoTypes = options.autoTypes;
  pair.strict = options.strict;
  pair.showSecrets = options.showSecrets;
  pair.remediation = options.html || (!options.quiet && options.format == AuditFormat::kJson);
  // The table and CSV show counts only: a fleet audited for them keeps no drift row per device.
  if (!options.html && (options.quiet || options.format == AuditFormat::kTable ||
                        options.format == AuditFormat::kCsv)) {
    pair.keptRows = 0;
  }
  CIgnores ignores;
  audit::CExpectedDevices expected;
  if (!ParseTypeOption(options.baselineType, "--baseline-type", pair.baselineType, err) ||
      !ParseTypeOption(options.targetType, "--target-type", pair.deviceType, err) ||
      !LoadIgnores(
          options.ignores,
          options.ignoreFile ? std::span(&*options.ignoreFile, 1) : std::span<const std::string>(),
          ignores, err) ||
      !LoadExpected(options, expected, err)) {
    return kTrouble;
  }
  pair.ignores = &ignores.list;
  report::CPatternUse patternUse(ignores.list);
  pair.patternUse = &patternUse;
  CBaselines baselines;
  if (!LoadBaselines(options, baselines, err)) return kTrouble;
  for (const auto& [path, baseline] : baselines.byPath) patternUse.See(baseline.text);
  if (!LoadGoldens(options, baselines, err)) return kTrouble;

  audit::CWalkSkips skips{options.saveDir.value_or(""), {}, options.fixDir.value_or("")};
  for (const auto& [path, baseline] : baselines.byPath) skips.baselines.push_back(path);
  const audit::CTargetList list = audit::ExpandTargets(
      std::vector<std::string>(options.inputs.begin() + 1, options.inputs.end()), options.glob,
      skips);
  const std::vector<audit::CTarget>& targets = list.targets;
  WarnUnusedMapLines(options, baselines.map, targets, err);
  audit::CRunInfo run;
  run.generatedAt = audit::GeneratedAt();
  run.options = RunOptionsOf(options, pair);
  // Named only when there is something to save: a row per device otherwise.
  std::vector<audit::CSavePaths> saves(options.saveDir || options.fixDir ? targets.size() : 0);
  if (options.saveDir) {
    std::vector<std::string> paths;
    paths.reserve(targets.size());
    for (const audit::CTarget& target : targets) paths.push_back(target.path);
    saves = audit::SaveNamesFor(paths, *options.saveDir);
  }
  if (options.fixDir) NameFixes(*options.fixDir, targets, saves);
  // Checked before the folders are made: a refused run leaves nothing behind.
  if (!OutputsAreSafe(PlanOf(options, baselines, targets, saves), err)) return kTrouble;
  for (const std::optional<std::string>* directory : {&options.saveDir, &options.fixDir}) {
    if (!*directory) continue;
    std::error_code code;
    const bool made = std::filesystem::create_directories(base::PathOf(**directory), code);
    if (directory == &options.fixDir) pair.freshFixDirectory = made;
    if (code) {
      err << "varnic: cannot create '" << Shown(**directory) << "': " << code.message() << "\n";
      return kTrouble;
    }
  }

  // Opened last, so that a run is recorded only once everything else is ready.
  CAuditHistory history;
  if (options.db) {
    const std::vector<std::string> arguments(options.inputs.begin() + 1, options.inputs.end());
    if (!history.Open(*options.db, run, InputsOf(options, baselines, targets),
                      DeviceNames(targets, arguments), err)) {
      return kTrouble;
    }
    run.runId = history.RunId();
    pair.forHistory = true;
  }

  // The rows spill to a temporary file past a bound: memory does not grow with the fleet.
  audit::CDeviceRows devices(audit::CDeviceRows::kDefaultBound);
  CSkippedTargets skippedTargets;
  audit::CSettingTally tally;
  // Without a history the pairs tally as they go and copy out only the rows the outputs show.
  if (!history.Active()) pair.tally = &tally;
  const auto work = [&](std::size_t i) {
    const audit::CTarget& target = targets[i];
    const CBaseline& baseline = baselines.For(target.path);
    if (!target.error.empty()) {
      audit::CDeviceResult failed;
      failed.path = target.path;
      failed.baseline = baseline.path;
      failed.error = target.error;
      if (history.Active()) history.Add(failed, i);
      devices.Add(std::move(failed));
      return;
    }
    const bool walked = target.directory != audit::kNamed;
    audit::CDeviceResult result =
        audit::AuditPair(baseline, target.path, pair, saves.empty() ? kNoSaves : saves[i], walked,
                         walked ? list.directories[target.directory].path : std::string());
    if (history.Active()) {
      history.Add(result, i);
      audit::ForOutputs(result);
      // Tallied whole, kept in part: what a device keeps does not grow with how much it drifted.
      tally.AddDevice(result);
      audit::TrimDrift(result);
    }
    if (!result.skipped.empty()) {
      skippedTargets.Add(i, std::move(result.skipped));
    } else {
      devices.Add(std::move(result));
    }
  };

  const bool progress = !options.quiet && !options.noProgress && os::StderrIsTerminal();
  const auto start = std::chrono::steady_clock::now();
  const auto monitor = [&](std::size_t done) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    err << "\r" << audit::ProgressLine(done, targets.size(), elapsed.count()) << "\x1b[K"
        << std::flush;
  };
  int signal = 0;
  std::size_t stuck = 0;
  {
    const audit::CInterruptScope interrupt;
    // After a signal the pairs running get a second to finish; one stuck in the system (a slow
    // network file system) is left behind so that the summary comes now.
    audit::RunPool(targets.size(), options.jobs, work, interrupt.Flag(),
                   progress ? std::function<void(std::size_t)>(monitor) : nullptr, &stuck);
    signal = interrupt.Signal();
  }
  if (progress) err << "\r\x1b[K" << std::flush;
  // The fixed backups were written without a flush each: one sync makes them all durable
  // before the summary says they were written.
  bool fixesSynced = true;
  if (options.fixDir) {
    std::error_code code;
    fixesSynced = SyncFileSystem(*options.fixDir, code);
    if (!fixesSynced) {
      err << "varnic: cannot flush the fixed backups in '" << Shown(*options.fixDir)
          << "' to disk: " << code.message() << "\n";
    }
  }

  std::size_t listed = 0;
  Fold(devices, skippedTargets, list, options.expect ? &expected : nullptr, baselines, options,
       signal != 0, listed, err);
  if (!options.quiet && signal == 0) {
    WarnUnusedPatterns(ignores, patternUse, "in any backup audited", err);
  }
  CAuditSummary summary = audit::Summarize(std::move(devices), listed, list.duplicates, signal != 0,
                                           options.strict, tally);
  summary.run = std::move(run);
  int status = Report(summary, options, out, err);
  if (!summary.devices.Error().empty()) {
    err << "varnic: the summary is missing devices: " << summary.devices.Error() << "\n";
    status = kTrouble;
  }
  // The other outputs are whole whatever the history does; a history that missed devices is
  // trouble.
  if (history.Active() && !history.Finish(summary, err)) status = kTrouble;
  if (!fixesSynced) status = kTrouble;
  if (signal != 0) {
    err << "varnic: audit interrupted; " << summary.totals.notStarted << " of "
        << summary.totals.targets << " targets were not audited\n";
    if (stuck > 0) {
      // The pairs left running still refer to this function's state: the process ends here.
      err << "varnic: " << stuck << " pair(s) did not finish in time and were left unsaved\n";
      out.flush();
      err.flush();
      std::_Exit(kExitInterruptedBase + signal);
    }
    return kExitInterruptedBase + signal;
  }
  return status;
}

}  // namespace varnic::cli
