#include "audit/pair.h"

#include <chrono>
#include <new>
#include <system_error>
#include <utility>

#include "audit/targets.h"
#include "engine/staged_files.h"
#include "engine/text_file.h"
#include "report/device_types.h"
#include "report/input_checks.h"
#include "report/report_model.h"
#include "report/secrets.h"
#include "store/digest.h"
#include "varnic/compare.h"
#include "varnic/marked.h"

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

// Keeps the report's verdict and what drifted, copied out of the comparison.
void Collect(const cli::CReport& report, const CPairOptions& options, CDeviceResult& result) {
  for (const cli::CEntry& e : report.entries) {
    if (e.status == RowKind::kSame || (e.ignored && !options.forHistory)) continue;
    const bool secret = cli::IsSecretKey(e.key);
    const bool digests = secret && options.forHistory && !options.showSecrets;
    const DriftKind kind = KindOf(e.status);
    if (!e.ignored) {
      result.onlyInBaseline += kind == DriftKind::kOnlyInBaseline ? 1 : 0;
      result.onlyInDevice += kind == DriftKind::kOnlyInDevice ? 1 : 0;
    }
    result.drift.push_back({std::string(e.section), std::string(e.key), kind,
                            Value(e.left, secret, options), Value(e.right, secret, options),
                            std::string(e.setAsideWhy), e.ignored, digests});
  }
  for (const cli::CHiddenDifference& h : report.hidden) {
    if (h.ignored && !options.forHistory) continue;
    const bool secret = cli::IsSecretKey(h.key);
    const bool digests = secret && options.forHistory && !options.showSecrets;
    result.drift.push_back({std::string(h.section), std::string(h.key), DriftKind::kHidden,
                            Value(h.left, secret, options), Value(h.right, secret, options),
                            std::string(), h.ignored, digests});
  }
  result.differences = report.verdict.differences;
  result.hidden = report.verdict.hiddenDifferences;
  result.ignored = report.verdict.ignored;
  result.drifted = report.verdict.Differs();
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

CDeviceResult Audit(const CBaseline& baseline, const std::string& target,
                    const CPairOptions& options, const CSavePaths& save, bool walked) {
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
    const cli::CDetectedTypes types = cli::DetectTypes(baseline.text, text);
    result.baselineType = types.type1;
    result.deviceType = types.type2;
  }
  // The comparison takes its inputs over, so every pair copies the shared baseline text.
  const CComparison comparison =
      Compare({baseline.text, result.baselineType}, {std::move(text), result.deviceType});
  if (options.patternUse != nullptr) options.patternUse->See(comparison.Text(FileSide::kFile2));
  result.error = cli::InputProblem(comparison, FileSide::kFile2);
  if (!result.error.empty()) return result;
  cli::CReportOptions report;
  report.ignores = options.ignores;
  report.strict = options.strict;
  report.parts.stats = false;
  report.parts.explanations = false;
  Collect(cli::BuildReport(comparison, {baseline.path, result.baselineType, 0, options.autoTypes},
                           {target, result.deviceType, 0, options.autoTypes}, report),
          options, result);
  if (!save.baseline.empty() && !Save(comparison, save, result.error)) result.drift.clear();
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
                        const CPairOptions& options, const CSavePaths& save, bool walked) {
  const auto start = std::chrono::steady_clock::now();
  CDeviceResult result;
  try {
    result = Audit(baseline, target, options, save, walked);
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
