#include "audit/pair.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <new>
#include <system_error>
#include <utility>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "audit/targets.h"
#include "engine/file_names.h"
#include "engine/staged_files.h"
#include "engine/text_file.h"
#include "golden/fix.h"
#include "golden/remediation.h"
#include "store/digest.h"
#include "varnic/compare.h"
#include "varnic/marked.h"
#include "varnic/report/device_types.h"
#include "varnic/report/input_checks.h"
#include "varnic/report/report_model.h"
#include "varnic/report/secrets.h"

namespace varnic::audit {
namespace {

constexpr std::string_view kSecretMask = "‹secret›";

std::string Kept(std::string_view value, bool secret, bool showSecrets) {
  if (secret && !showSecrets) return std::string(kSecretMask);
  if (value.size() <= kMaxKeptValue) return std::string(value);
  return std::string(value.substr(0, kMaxKeptValue)) + "…";
}

std::string Kept(const std::optional<std::string_view>& value, bool secret, bool showSecrets) {
  return value ? Kept(*value, secret, showSecrets) : std::string();
}

DriftKind KindOf(RowKind kind) {
  switch (kind) {
    case RowKind::kOnlyLeft:
      return DriftKind::kOnlyInBaseline;
    case RowKind::kOnlyRight:
      return DriftKind::kOnlyInDevice;
    default:
      return DriftKind::kDifferent;
  }
}

// A drift row's value: a history keeps a digest of a secret, so that a changed secret shows.
std::string Value(const std::optional<std::string_view>& value, bool secret,
                  const CPairOptions& options) {
  if (secret && !options.showSecrets && options.forHistory) {
    return value ? store::Sha256Text(*value) : std::string();
  }
  return Kept(value, secret, options.showSecrets);
}

// Keeps the report's verdict and what drifted, copied out of the comparison: every row, or with
// a tally, the rows the outputs show, the others counted and named in `settings` only.
void Collect(const report::CReport& report, const CPairOptions& options, CDeviceResult& result,
             std::vector<CSettingRef>& settings) {
  const bool trim = options.tally != nullptr && !options.forHistory;
  const std::size_t keptRows = std::min(options.keptRows, kMaxKeptDrift);
  settings.clear();
  const auto keep = [&](std::string_view section, std::string_view key, DriftKind kind,
                        const std::optional<std::string_view>& left,
                        const std::optional<std::string_view>& right, std::string_view setAside,
                        bool ignored) {
    if (trim) {
      settings.push_back(
          {section, key, kind == DriftKind::kHidden ? Tally::kHidden : Tally::kDrifted});
      if (result.drift.size() >= keptRows) {
        ++result.driftOmitted;
        return;
      }
    }
    const bool secret = report::IsSecretKey(key);
    const bool digests = secret && options.forHistory && !options.showSecrets;
    result.drift.push_back({std::string(section), std::string(key), kind,
                            Value(left, secret, options), Value(right, secret, options),
                            std::string(setAside), ignored, digests});
  };
  if (trim) {
    // Exactly the rows kept: a fleet holds them all until the end.
    std::size_t rows = 0;
    for (const report::CEntry& e : report.entries) rows += e.status != RowKind::kSame && !e.ignored;
    for (const report::CHiddenDifference& h : report.hidden) rows += !h.ignored;
    result.drift.reserve(std::min(rows, keptRows));
  }
  for (const report::CEntry& e : report.entries) {
    if (e.status == RowKind::kSame || (e.ignored && !options.forHistory)) continue;
    const DriftKind kind = KindOf(e.status);
    if (!e.ignored) {
      result.onlyInBaseline += kind == DriftKind::kOnlyInBaseline ? 1 : 0;
      result.onlyInDevice += kind == DriftKind::kOnlyInDevice ? 1 : 0;
    }
    keep(e.section, e.key, kind, e.left, e.right, e.setAsideWhy, e.ignored);
  }
  for (const report::CHiddenDifference& h : report.hidden) {
    if (h.ignored && !options.forHistory) continue;
    keep(h.section, h.key, DriftKind::kHidden, h.left, h.right, {}, h.ignored);
  }
  result.differences = report.verdict.differences;
  result.hidden = report.verdict.hiddenDifferences;
  result.ignored = report.verdict.ignored;
  result.drifted = report.verdict.Differs();
}

// Names, on each drift row of a golden baseline, the rule the device's value failed.
void NameFailedRules(const std::vector<golden::CFailedRule>& failed, CDeviceResult& result) {
  if (failed.empty()) return;
  for (CDrift& drift : result.drift) {
    for (const golden::CFailedRule& rule : failed) {
      if (rule.section == drift.section && rule.key == drift.key) drift.rule = rule.rule;
    }
  }
}

// The edits as the outputs show them: values masked and cut as drift values are.
void KeepRemediation(const std::vector<golden::CRemedyView>& remedies, const CPairOptions& options,
                     CDeviceResult& result) {
  std::vector<CEdit>& kept = result.remediation.emplace();
  const std::size_t shown = std::min(remedies.size(), kMaxKeptDrift);
  kept.reserve(shown);
  result.remediationOmitted += remedies.size() - shown;
  for (std::size_t i = 0; i < shown; ++i) {
    const golden::CRemedyView& remedy = remedies[i];
    kept.push_back({golden::ActionName(remedy.kind), std::string(remedy.section),
                    std::string(remedy.key),
                    Kept(remedy.value, report::IsSecretKey(remedy.key), options.showSecrets),
                    std::string(remedy.rule)});
  }
}

bool Save(const CComparison& comparison, const CSavePaths& save, std::string& error) {
  CStagedFiles outputs;
  std::error_code code;
  const auto marked = [&comparison](FileSide side) -> CWriteBody {
    return [&comparison, side](CBufferedWriter& out) { RenderMarked(comparison, side, out); };
  };
  if (outputs.Stage(save.baseline, marked(FileSide::kFile1), code) &&
      outputs.Stage(save.device, marked(FileSide::kFile2), code) && outputs.Commit(code)) {
    return true;
  }
  error = "cannot write '" + outputs.FailedPath() + "': " + code.message();
  return false;
}

// A fixed backup in a directory this run made: no file there to replace, so one exclusive create
// does what staging and renaming would, at half the directory operations. What a failed write
// began is removed. False with `taken` set when the name exists after all (another program
// wrote there), for the caller to replace it as any output.
bool CreateFixed(const std::string& path, std::string_view bytes, bool& taken, std::string& error) {
  taken = false;
  const int fd = OpenNamed(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    taken = errno == EEXIST;
    if (!taken) error = "cannot write '" + path + "': " + std::generic_category().message(errno);
    return false;
  }
  bool ok = WriteAll(fd, bytes);
  int code = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) {
    code = errno;
    ok = false;
  }
  if (!ok) {
    RemoveNamed(path);
    error = "cannot write '" + path + "': " + std::generic_category().message(code);
  }
  return ok;
}

// The device brought to its baseline, verified, written whole or not at all.
void WriteFixed(const golden::CGolden& golden, const CComparison& comparison,
                const std::shared_ptr<const CPreparedFile>& intended, const CPreparedFile* device,
                const std::vector<std::string>& names, const CPairOptions& options,
                const std::vector<golden::CRemedyView>& first, const std::string& path,
                std::string& error) {
  const golden::CFixOptions fix{comparison.Type(FileSide::kFile1),
                                comparison.Type(FileSide::kFile2), options.ignores, options.strict};
  // Reused device after device.
  thread_local std::string fixed;
  std::string why;
  if (!golden::FixDevice(golden, names, comparison.Text(FileSide::kFile2), fix, fixed, nullptr, why,
                         &first, intended, device)) {
    error = "cannot fix: " + why;
    return;
  }
  bool taken = false;
  if (options.freshFixDirectory && (CreateFixed(path, fixed, taken, error) || !taken)) return;
  // Not flushed one by one: the audit syncs the fix directory once, after every pair.
  CStagedFiles output(false);
  std::error_code code;
  if (!output.Stage(
          path, [](CBufferedWriter& out) { out.Append(fixed); }, code) ||
      !output.Commit(code)) {
    error = "cannot write '" + output.FailedPath() + "': " + code.message();
  }
}

CDeviceResult Audit(const CBaseline& baseline, const std::string& target,
                    const CPairOptions& options, const CSavePaths& save, bool walked,
                    const std::string& root) {
  CDeviceResult result;
  result.path = target;
  result.baseline = baseline.path;
  result.baselineType = options.baselineType;
  result.deviceType = options.deviceType;
  std::string text;
  std::error_code error;
  if (!ReadRegularFileBytes(target, text, error)) {
    result.error = "cannot read: " + error.message();
    return result;
  }
  if (text.empty()) {
    result.error = "the file is empty";
    return result;
  }
  if (walked && IsMarkedResult(text)) {
    result.skipped = "saved marked results, not a backup";
    return result;
  }
  if (options.autoTypes) {
    const report::CDetectedTypes types = report::DetectTypes(baseline.text, text);
    result.baselineType = types.type1;
    result.deviceType = types.type2;
  }
  // The baseline as analysed once for the fleet, unless a template renders other bytes for this
  // device: those are analysed here, once for the pair and the fix's check.
  std::shared_ptr<const CPreparedFile> intended = baseline.prepared;
  golden::CRendered rendered;
  std::vector<std::string> names;
  if (baseline.golden) {
    names = golden::DeviceNames(target, root);
    if (!baseline.golden->RenderFor(names, &text, rendered, result.error)) {
      return result;
    }
    if (!intended || intended->Text() != rendered.text) {
      intended = baseline.golden->Analyse(rendered);
    }
  } else if (!intended) {
    intended = CPreparedFile::Make({baseline.text, 0});
  }
  // The device's analysis is the baseline's revised: a fleet's backups hold mostly their
  // baseline's lines, whose filtering is known already. Kept for a device to fix, whose check
  // revises it in turn for the fixed bytes. Two device types are reconciled before filtering,
  // which then starts afresh: such a device is analysed as the pair goes.
  const bool fixing = baseline.golden && !save.fixed.empty();
  std::shared_ptr<const CPreparedFile> device;
  const CComparison comparison = [&] {
    if (!fixing && result.baselineType != result.deviceType) {
      return Compare(intended, result.baselineType, {std::move(text), result.deviceType});
    }
    device = CPreparedFile::Revise(*intended, {std::move(text), 0});
    return Compare(intended, result.baselineType, device, result.deviceType);
  }();
  if (options.patternUse != nullptr) options.patternUse->See(comparison.Text(FileSide::kFile2));
  result.error = report::InputProblem(comparison, FileSide::kFile2);
  if (!result.error.empty()) return result;
  report::CReportOptions report;
  report.ignores = options.ignores;
  report.strict = options.strict;
  report.parts.stats = false;
  report.parts.explanations = false;
  // A drift row names no line and no setting both files hold alike: the audit is spared their
  // cost. A golden baseline's way back edits the device's lines by number, so it keeps the
  // device's (and only the device's).
  report.parts.sameEntries = false;
  report.parts.lineNumbers = baseline.golden != nullptr;
  report.parts.file1LineNumbers = false;
  // Nor does it say why a hidden difference was not compared.
  report.parts.hiddenWhy = false;
  const report::CReport built =
      report::BuildReport(comparison, {baseline.path, result.baselineType, 0, options.autoTypes},
                          {target, result.deviceType, 0, options.autoTypes}, report);
  // Reused pair after pair: the names of what drifted, for the tally.
  thread_local std::vector<CSettingRef> settings;
  Collect(built, options, result, settings);
  // The way back to a golden baseline, derived once: the outputs show it, and it is the first
  // round of the fix, so that only the fix's check compares again.
  // Views into `built`, `rendered` and the comparison, all of which outlive the fix.
  std::vector<golden::CRemedyView> remedies;
  if (baseline.golden) {
    NameFailedRules(rendered.failed, result);
    if (result.drifted && (fixing || options.remediation)) {
      remedies = golden::RemediationViews(built, rendered.failed, comparison.Text(FileSide::kFile2),
                                          options.strict);
      if (options.remediation) KeepRemediation(remedies, options, result);
    }
  }
  if (!save.baseline.empty() && !Save(comparison, save, result.error)) {
    // A pair that could not be saved is an error row: none of its drift counts.
    result.drift.clear();
    result.driftOmitted = 0;
    settings.clear();
  }
  if (result.error.empty() && result.drifted && !save.fixed.empty() && baseline.golden) {
    WriteFixed(*baseline.golden, comparison, intended, device.get(), names, options, remedies,
               save.fixed, result.error);
  }
  if (options.tally != nullptr && !options.forHistory) options.tally->AddSettings(settings);
  return result;
}

}  // namespace

void ForOutputs(CDeviceResult& device) {
  std::erase_if(device.drift, [](const CDrift& drift) { return drift.ignored; });
  for (CDrift& drift : device.drift) {
    if (!drift.secret) continue;
    // An absent value stays empty, as the outputs tell "only in" rows.
    if (!drift.baseline.empty()) drift.baseline = kSecretMask;
    if (!drift.device.empty()) drift.device = kSecretMask;
    drift.secret = false;
  }
}

CDeviceResult AuditPair(const CBaseline& baseline, const std::string& target,
                        const CPairOptions& options, const CSavePaths& save, bool walked,
                        const std::string& root) {
  const auto start = std::chrono::steady_clock::now();
  CDeviceResult result;
  try {
    result = Audit(baseline, target, options, save, walked, root);
  } catch (const std::bad_alloc&) {
    result = CDeviceResult{};
    result.path = target;
    result.baseline = baseline.path;
    result.error = "out of memory";
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

}  // namespace varnic::audit
