#include "audit/summary.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace varnic::audit {
namespace {

// 0 for errors, 1 for drift, 2 for clean: the order of the table.
int Rank(const CDeviceResult& device) {
  if (device.Failed()) return 0;
  return device.drifted ? 1 : 2;
}

// The settings of a device's drift in one tally, each once: a key listed twice on one device
// (a later duplicate beside its row) is one setting.
std::vector<std::pair<std::string, std::string>> SettingsOf(const CDeviceResult& device,
                                                            Tally tally) {
  std::vector<std::pair<std::string, std::string>> settings;
  for (const CDrift& drift : device.drift) {
    if ((drift.kind == DriftKind::kHidden) == (tally == Tally::kHidden)) {
      settings.emplace_back(drift.section, drift.key);
    }
  }
  std::sort(settings.begin(), settings.end());
  settings.erase(std::unique(settings.begin(), settings.end()), settings.end());
  return settings;
}

}  // namespace

void CSettingTally::AddDevice(const CDeviceResult& device) {
  auto drifted = SettingsOf(device, Tally::kDrifted);
  auto hidden = SettingsOf(device, Tally::kHidden);
  const std::lock_guard<std::mutex> lock(mutex_);
  for (auto& setting : drifted) ++drifted_[std::move(setting)];
  for (auto& setting : hidden) ++hidden_[std::move(setting)];
}

void CSettingTally::RemoveDevice(const CDeviceResult& device) {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (const Tally tally : {Tally::kDrifted, Tally::kHidden}) {
    CCounts& counts = tally == Tally::kHidden ? hidden_ : drifted_;
    for (const auto& setting : SettingsOf(device, tally)) {
      const auto it = counts.find(setting);
      if (it == counts.end()) continue;
      if (--it->second == 0) counts.erase(it);
    }
  }
}

void CSettingTally::Add(Tally tally, const std::string& section, const std::string& key,
                        std::size_t devices) {
  const std::lock_guard<std::mutex> lock(mutex_);
  (tally == Tally::kHidden ? hidden_ : drifted_)[{section, key}] += devices;
}

std::vector<CSettingCount> CSettingTally::MostFirst(Tally tally) const {
  std::vector<CSettingCount> counts;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    const CCounts& source = tally == Tally::kHidden ? hidden_ : drifted_;
    counts.reserve(source.size());
    for (const auto& [setting, count] : source) {
      counts.push_back({setting.first, setting.second, count});
    }
  }
  std::stable_sort(
      counts.begin(), counts.end(),
      [](const CSettingCount& a, const CSettingCount& b) { return a.devices > b.devices; });
  return counts;
}

void TrimDrift(CDeviceResult& device, std::size_t keep) {
  if (device.drift.size() <= keep) return;
  device.driftOmitted += device.drift.size() - keep;
  device.drift.resize(keep);
  device.drift.shrink_to_fit();
}

CAuditSummary Summarize(std::vector<CDeviceResult> devices, std::size_t targets,
                        std::size_t duplicates, bool interrupted, bool strict,
                        const CSettingTally* tally) {
  CAuditSummary summary;
  summary.interrupted = interrupted;
  summary.strict = strict;
  CAuditTotals& totals = summary.totals;
  totals.targets = targets;
  totals.duplicates = duplicates;
  totals.audited = devices.size();
  totals.notStarted = targets > devices.size() ? targets - devices.size() : 0;

  CSettingTally own;
  for (const CDeviceResult& device : devices) {
    if (device.Failed()) {
      ++totals.errors;
    } else if (device.drifted) {
      ++totals.drifted;
    } else {
      ++totals.clean;
    }
    totals.differences += device.differences;
    totals.hidden += device.hidden;
    if (tally == nullptr) own.AddDevice(device);
  }
  const CSettingTally& counts = tally != nullptr ? *tally : own;
  summary.mostDrifted = counts.MostFirst(Tally::kDrifted);
  summary.mostHidden = counts.MostFirst(Tally::kHidden);

  std::sort(devices.begin(), devices.end(), [](const CDeviceResult& a, const CDeviceResult& b) {
    const int rankA = Rank(a);
    const int rankB = Rank(b);
    const std::size_t weightA = a.differences + a.hidden;
    const std::size_t weightB = b.differences + b.hidden;
    // More drift first: the weights swap sides.
    return std::tie(rankA, weightB, a.path) < std::tie(rankB, weightA, b.path);
  });
  summary.devices = std::move(devices);
  return summary;
}

int ExitStatusOf(const CAuditSummary& summary) {
  if (summary.totals.errors > 0 || summary.totals.audited == 0) return 2;
  return summary.totals.drifted > 0 ? 1 : 0;
}

}  // namespace varnic::audit
