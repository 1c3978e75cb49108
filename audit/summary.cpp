#include "audit/summary.h"

#include <algorithm>
#include <atomic>
#include <tuple>
#include <utility>

#include "model/hash_index.h"

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
  // The engine's hash, eight bytes at a time: a fleet names a few hundred settings a device, and
  // the library's byte-wise hash was most of the tally's time.
  return (std::size_t{HashOf(setting.first)} << 32U) ^ HashOf(setting.second);
}

CSettingTally::CSettingTally() {
  static std::atomic<std::uint64_t> next{1};
  id_ = next.fetch_add(1);
  shards_.push_back(std::make_unique<CShard>());
}

CSettingTally::~CSettingTally() = default;

void CSettingTally::CountOnce(CShard& shard, std::span<const CSettingRef> settings, bool remove) {
  const std::uint64_t device = ++shard.devices;
  for (const CSettingRef& setting : settings) {
    CCounts& counts = setting.tally == Tally::kHidden ? shard.hidden : shard.drifted;
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

CSettingTally::CShard& CSettingTally::ShardOfThisThread() {
  struct CCached {
    std::uint64_t tally = 0;
    CShard* shard = nullptr;
  };
  thread_local CCached cached;
  if (cached.tally == id_) return *cached.shard;
  // A thread met here first, or one that fed another tally since: found again by its id, so
  // that switching between tallies adds no shard.
  const std::thread::id self = std::this_thread::get_id();
  const std::lock_guard<std::mutex> lock(shardsMutex_);
  const auto own = std::find_if(shards_.begin() + 1, shards_.end(),
                                [&](const auto& shard) { return shard->owner == self; });
  CShard* shard = own != shards_.end() ? own->get() : nullptr;
  if (shard == nullptr) {
    shard = shards_.emplace_back(std::make_unique<CShard>()).get();
    shard->owner = self;
  }
  cached = {id_, shard};
  return *shard;
}

void CSettingTally::FoldShardsLocked() {
  CShard& first = *shards_.front();
  for (std::size_t i = 1; i < shards_.size(); ++i) {
    CShard& shard = *shards_[i];
    const std::lock_guard<std::mutex> lock(shard.mutex);
    for (const auto& [from, to] :
         {std::pair{&shard.drifted, &first.drifted}, std::pair{&shard.hidden, &first.hidden}}) {
      for (auto& [setting, count] : *from) (*to)[setting].devices += count.devices;
      from->clear();
    }
  }
}

void CSettingTally::AddSettings(std::span<const CSettingRef> settings) {
  CShard& shard = ShardOfThisThread();
  const std::lock_guard<std::mutex> lock(shard.mutex);
  CountOnce(shard, settings, false);
}

void CSettingTally::AddDevice(const CDeviceResult& device) { AddSettings(SettingsOf(device)); }

void CSettingTally::RemoveDevice(const CDeviceResult& device) {
  const std::vector<CSettingRef> settings = SettingsOf(device);
  // Taken back from the fleet's counts, not from whichever thread happened to count it.
  const std::lock_guard<std::mutex> lock(shardsMutex_);
  FoldShardsLocked();
  const std::lock_guard<std::mutex> first(shards_.front()->mutex);
  CountOnce(*shards_.front(), settings, true);
}

void CSettingTally::Add(Tally tally, const std::string& section, const std::string& key,
                        std::size_t devices) {
  const std::lock_guard<std::mutex> lock(shardsMutex_);
  CShard& first = *shards_.front();
  const std::lock_guard<std::mutex> firstLock(first.mutex);
  (tally == Tally::kHidden ? first.hidden : first.drifted)[{section, key}].devices += devices;
}

std::vector<CSettingCount> CSettingTally::MostFirst(Tally tally) const {
  std::vector<CSettingCount> counts;
  {
    // Summed by name across the shards.
    std::unordered_map<CSettingView, std::size_t, CHash, CEqual> sums;
    const std::lock_guard<std::mutex> lock(shardsMutex_);
    for (const auto& shard : shards_) {
      const std::lock_guard<std::mutex> shardLock(shard->mutex);
      for (const auto& [setting, count] :
           tally == Tally::kHidden ? shard->hidden : shard->drifted) {
        sums[CSettingView(setting.first, setting.second)] += count.devices;
      }
    }
    counts.reserve(sums.size());
    for (const auto& [setting, devices] : sums) {
      counts.push_back({std::string(setting.first), std::string(setting.second), devices});
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
