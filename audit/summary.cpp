#include "audit/summary.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace varnic::audit {
namespace {

// The settings of a device's drift, as views into its rows.
std::vector<CSettingRef> SettingsOf(const CDeviceResult& device) {
  std::vector<CSettingRef> settings;
  settings.reserve(device.drift.size());
  for (const CDrift& drift : device.drift) {
    settings.push_back({drift.section, drift.key,
                        drift.kind == DriftKind::kHidden ? Tally::kHidden : Tally::kDrifted});
  }
  return settings;
}

}  // namespace

std::size_t CSettingTally::CHash::operator()(const CSettingView& setting) const noexcept {
  const std::size_t section = std::hash<std::string_view>()(setting.first);
  return section ^ (std::hash<std::string_view>()(setting.second) + 0x9e3779b97f4a7c15ULL +
                    (section << 6) + (section >> 2));
}

void CSettingTally::CountOnce(std::span<const CSettingRef> settings, bool remove) {
  const std::uint64_t device = ++devices_;
  for (const CSettingRef& setting : settings) {
    CCounts& counts = setting.tally == Tally::kHidden ? hidden_ : drifted_;
    const CSettingView view(setting.section, setting.key);
    auto found = counts.find(view);
    if (remove) {
      if (found == counts.end() || found->second.lastDevice == device) continue;
      found->second.lastDevice = device;
      if (--found->second.devices == 0) counts.erase(found);
      continue;
    }
    if (found == counts.end()) {
      found = counts.emplace(CSetting(setting.section, setting.key), CCount{}).first;
    }
    if (found->second.lastDevice == device) continue;
    found->second.lastDevice = device;
    ++found->second.devices;
  }
}

void CSettingTally::AddSettings(std::span<const CSettingRef> settings) {
  const std::lock_guard<std::mutex> lock(mutex_);
  CountOnce(settings, false);
}

void CSettingTally::AddDevice(const CDeviceResult& device) { AddSettings(SettingsOf(device)); }

void CSettingTally::RemoveDevice(const CDeviceResult& device) {
  const std::vector<CSettingRef> settings = SettingsOf(device);
  const std::lock_guard<std::mutex> lock(mutex_);
  CountOnce(settings, true);
}

void CSettingTally::Add(Tally tally, const std::string& section, const std::string& key,
                        std::size_t devices) {
  const std::lock_guard<std::mutex> lock(mutex_);
  (tally == Tally::kHidden ? hidden_ : drifted_)[{section, key}].devices += devices;
}

std::vector<CSettingCount> CSettingTally::MostFirst(Tally tally) const {
  std::vector<CSettingCount> counts;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    const CCounts& source = tally == Tally::kHidden ? hidden_ : drifted_;
    counts.reserve(source.size());
    for (const auto& [setting, count] : source) {
      counts.push_back({setting.first, setting.second, count.devices});
    }
  }
  std::sort(counts.begin(), counts.end(), [](const CSettingCount& a, const CSettingCount& b) {
    return std::tie(b.devices, a.section, a.key) < std::tie(a.devices, b.section, b.key);
  });
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
  CSettingTally own;
  if (tally == nullptr) {
    for (const CDeviceResult& device : devices) own.AddDevice(device);
  }
  return Summarize(CDeviceRows(std::move(devices)), targets, duplicates, interrupted, strict,
                   tally != nullptr ? *tally : own);
}

CAuditSummary Summarize(CDeviceRows devices, std::size_t targets, std::size_t duplicates,
                        bool interrupted, bool strict, const CSettingTally& tally) {
  devices.Close();
  CAuditSummary summary;
  summary.interrupted = interrupted;
  summary.strict = strict;
  CAuditTotals& totals = summary.totals;
  totals.targets = targets;
  totals.duplicates = duplicates;
  totals.audited = devices.size();
  totals.notStarted = targets > devices.size() ? targets - devices.size() : 0;
  totals.errors = devices.errors();
  totals.drifted = devices.drifted();
  totals.clean = devices.size() - devices.errors() - devices.drifted();
  totals.differences = devices.differences();
  totals.hidden = devices.hidden();
  summary.mostDrifted = tally.MostFirst(Tally::kDrifted);
  summary.mostHidden = tally.MostFirst(Tally::kHidden);
  summary.devices = std::move(devices);
  return summary;
}

int ExitStatusOf(const CAuditSummary& summary) {
  if (summary.totals.errors > 0 || summary.totals.audited == 0) return 2;
  return summary.totals.drifted > 0 ? 1 : 0;
}

}  // namespace varnic::audit
