#include "cli/audit_command.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <system_error>

#include "audit/baseline_map.h"
#include "audit/interrupt.h"
#include "audit/merge.h"
#include "audit/pair.h"
#include "audit/pool.h"
#include "audit/progress.h"
#include "audit/render.h"
#include "audit/save_names.h"
#include "audit/summary.h"
#include "audit/targets.h"
#include "cli/audit_history.h"
#include "cli/ignore_options.h"
#include "cli/os.h"
#include "engine/staged_files.h"
#include "engine/text_file.h"
#include "report/device_types.h"
#include "report/ignore.h"
#include "report/input_checks.h"
#include "report/report_date.h"
#include "report/terminal_text.h"
#include "varnic/compare.h"

namespace varnic::cli {
namespace {

constexpr int kTrouble = 2;

using audit::CAuditSummary;
using audit::CBaseline;

std::string Shown(std::string_view name) { return SafeText(name); }

bool ParseTypeOption(const std::optional<std::string>& text, const char* option, std::int32_t& type,
                     std::ostream& err) {
  if (!text) return true;
  if (const std::optional<std::int32_t> parsed = ParseType(*text)) {
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
  const std::string problem =
      InputProblem(Compare({baseline.text, 0}, {baseline.text, 0}), FileSide::kFile1);
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

bool LoadBaselines(const CAuditOptions& options, CBaselines& baselines, std::ostream& err) {
  baselines.fallback = options.inputs.front();
  std::vector<std::string> paths{baselines.fallback};
  if (options.baselineMap) {
    std::string text;
    std::error_code code;
    std::string error;
    const std::string directory =
        std::filesystem::path(*options.baselineMap).parent_path().string();
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

bool WriteHtml(const CAuditSummary& summary, const std::string& path, std::ostream& err) {
  std::string html;
  {
    std::ostringstream page;
    audit::WriteAuditHtml(summary, ReportDate(), page);
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

int RunMerge(const CAuditOptions& options, std::ostream& out, std::ostream& err) {
  audit::CMergedAudits merged;
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
  CAuditSummary summary =
      audit::Summarize(std::move(merged.devices), merged.targets, merged.duplicates,
                       merged.interrupted, merged.strict, &merged.tally);
  summary.run.generatedAt = audit::GeneratedAt();
  summary.run.shards = std::move(merged.shards);
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
  CIgnoreList ignores;
  if (!ParseTypeOption(options.baselineType, "--baseline-type", pair.baselineType, err) ||
      !ParseTypeOption(options.targetType, "--target-type", pair.deviceType, err) ||
      !LoadIgnores(
          options.ignores,
          options.ignoreFile ? std::span(&*options.ignoreFile, 1) : std::span<const std::string>(),
          ignores, err)) {
    return kTrouble;
  }
  pair.ignores = &ignores;
  CBaselines baselines;
  if (!LoadBaselines(options, baselines, err)) return kTrouble;

  const audit::CTargetList list = audit::ExpandTargets(
      std::vector<std::string>(options.inputs.begin() + 1, options.inputs.end()), options.glob,
      options.saveDir.value_or(""));
  const std::vector<audit::CTarget>& targets = list.targets;
  audit::CRunInfo run;
  run.generatedAt = audit::GeneratedAt();
  run.options = RunOptionsOf(options, pair);
  std::vector<audit::CSavePaths> saves(targets.size());
  if (options.saveDir) {
    std::error_code code;
    std::filesystem::create_directories(*options.saveDir, code);
    if (code) {
      err << "varnic: cannot create '" << Shown(*options.saveDir) << "': " << code.message()
          << "\n";
      return kTrouble;
    }
    std::vector<std::string> paths;
    paths.reserve(targets.size());
    for (const audit::CTarget& target : targets) paths.push_back(target.path);
    saves = audit::SaveNamesFor(paths, *options.saveDir);
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

  // Each slot is written by the one worker that took its index; unstarted ones stay empty.
  std::vector<std::optional<audit::CDeviceResult>> results(targets.size());
  audit::CSettingTally tally;
  const auto work = [&](std::size_t i) {
    const audit::CTarget& target = targets[i];
    const CBaseline& baseline = baselines.For(target.path);
    if (!target.error.empty()) {
      audit::CDeviceResult failed;
      failed.path = target.path;
      failed.baseline = baseline.path;
      failed.error = target.error;
      if (history.Active()) history.Add(failed, i);
      results[i] = std::move(failed);
      return;
    }
    audit::CDeviceResult result = audit::AuditPair(baseline, target.path, pair, saves[i]);
    if (history.Active()) {
      history.Add(result, i);
      audit::ForOutputs(result);
    }
    // Tallied whole, kept in part: what a device keeps does not grow with how much it drifted.
    tally.AddDevice(result);
    audit::TrimDrift(result);
    results[i] = std::move(result);
  };

  const bool progress = !options.quiet && !options.noProgress && os::StderrIsTerminal();
  const auto start = std::chrono::steady_clock::now();
  const auto monitor = [&](std::size_t done) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    err << "\r" << audit::ProgressLine(done, targets.size(), elapsed.count()) << "\x1b[K"
        << std::flush;
  };
  int signal = 0;
  {
    const audit::CInterruptScope interrupt;
    audit::RunPool(targets.size(), options.jobs, work, interrupt.Flag(),
                   progress ? std::function<void(std::size_t)>(monitor) : nullptr);
    signal = interrupt.Signal();
  }
  if (progress) err << "\r\x1b[K" << std::flush;

  std::vector<audit::CDeviceResult> devices;
  devices.reserve(targets.size());
  for (std::optional<audit::CDeviceResult>& result : results) {
    if (result) devices.push_back(std::move(*result));
  }
  CAuditSummary summary = audit::Summarize(std::move(devices), targets.size(), list.duplicates,
                                           signal != 0, options.strict, &tally);
  summary.run = std::move(run);
  int status = Report(summary, options, out, err);
  // The other outputs are whole whatever the history does; a history that missed devices is
  // trouble.
  if (history.Active() && !history.Finish(summary, err)) status = kTrouble;
  if (signal != 0) {
    err << "varnic: audit interrupted; " << summary.totals.notStarted << " of "
        << summary.totals.targets << " targets were not audited\n";
    return kExitInterruptedBase + signal;
  }
  return status;
}

}  // namespace varnic::cli
