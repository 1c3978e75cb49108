#ifndef VARNIC_AUDIT_SUMMARY_H_
#define VARNIC_AUDIT_SUMMARY_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "audit/device_result.h"
#include "audit/device_rows.h"
#include "audit/run_info.h"

namespace varnic::audit {

// How many devices a setting drifted on: the fleet's view of one setting.
struct CSettingCount {
  std::string section;  // "[5GHz_SecuritySettings]"
  std::string key;
  std::size_t devices = 0;
};

struct CAuditTotals {
  std::size_t targets = 0;     // listed, after duplicates were dropped
  std::size_t audited = 0;     // compared, errors included
  std::size_t notStarted = 0;  // left when the audit was interrupted
  std::size_t drifted = 0;
  std::size_t clean = 0;
  std::size_t errors = 0;
  std::size_t duplicates = 0;  // targets named again and audited once
  std::size_t differences = 0;
  std::size_t hidden = 0;
};

// The two counts a setting has in a fleet: the devices on which it was compared and drifted
// (marked different or only in one file), and those on which it was not compared and differs.
enum class Tally : std::uint8_t { kDrifted, kHidden };

// One setting of a device's drift, named by views that need only outlive the call they are
// passed to (a comparison's own text, before any row is copied out of it).
struct CSettingRef {
  std::string_view section;
  std::string_view key;
  Tally tally = Tally::kDrifted;
};

// How many devices each setting drifted on, fed as devices finish, from any thread.
class CSettingTally {
 public:
  CSettingTally();
  CSettingTally(const CSettingTally&) = delete;
  CSettingTally& operator=(const CSettingTally&) = delete;
  ~CSettingTally();

  // Counts each setting of the device's drift once in each tally it belongs to.
  void AddDevice(const CDeviceResult& device);
  // The same for a device whose drift is named by views: nothing is copied but a setting the
  // fleet had not drifted in before.
  void AddSettings(std::span<const CSettingRef> settings);
  // Takes back what AddDevice counted for `device` (a device a merge met twice), never below 0.
  void RemoveDevice(const CDeviceResult& device);
  // Adds devices to one setting's count (a shard's count, when merging).
  void Add(Tally tally, const std::string& section, const std::string& key, std::size_t devices);
  // Most devices first, then by section and key.
  std::vector<CSettingCount> MostFirst(Tally tally) const;

 private:
  using CSetting = std::pair<std::string, std::string>;
  using CSettingView = std::pair<std::string_view, std::string_view>;
  // Hashes and compares a setting by its bytes, so that a view finds it without a copy.
  struct CHash {
    using is_transparent = void;
    std::size_t operator()(const CSettingView& setting) const noexcept;
    std::size_t operator()(const CSetting& setting) const noexcept {
      return (*this)(CSettingView(setting.first, setting.second));
    }
  };
  struct CEqual {
    using is_transparent = void;
    template <typename A, typename B>
    bool operator()(const A& a, const B& b) const noexcept {
      return std::string_view(a.first) == std::string_view(b.first) &&
             std::string_view(a.second) == std::string_view(b.second);
    }
  };
  struct CCount {
    std::size_t devices = 0;
    // The last device that counted here: a setting a device names twice (a later duplicate
    // beside its row) counts once.
    std::uint64_t lastDevice = 0;
  };
  using CCounts = std::unordered_map<CSetting, CCount, CHash, CEqual>;
  // The counts of the devices one thread added. The pairs of an audit finish on every core at
  // once, each naming a few hundred settings: under one lock they waited on each other. The
  // fleet's counts are the shards' sums. A shard's lock is only ever contended by a reader.
  struct CShard {
    std::mutex mutex;
    std::thread::id owner;
    CCounts drifted;
    CCounts hidden;
    std::uint64_t devices = 0;  // devices counted or taken back, numbering each
  };

  // Adds (or takes back) each setting once, as one device.
  static void CountOnce(CShard& shard, std::span<const CSettingRef> settings, bool remove);
  CShard& ShardOfThisThread();
  // Folds every thread's shard into the first one; the caller holds shardsMutex_.
  void FoldShardsLocked();

  std::uint64_t id_;  // tells this tally apart in each thread's cached shard
  mutable std::mutex shardsMutex_;
  std::vector<std::unique_ptr<CShard>> shards_;  // the first for merges, then one per thread
};

// Keeps the first `keep` drift rows of `device` and counts the others as omitted.
void TrimDrift(CDeviceResult& device, std::size_t keep = kMaxKeptDrift);

// What the audit says of the fleet: every device audited, worst first, and the totals.
struct CAuditSummary {
  CDeviceRows devices;
  std::vector<CSettingCount> mostDrifted;  // compared drift; most devices first, then by name
  std::vector<CSettingCount> mostHidden;   // hidden differences, likewise
  CAuditTotals totals;
  bool interrupted = false;
  bool strict = false;
  CRunInfo run;  // when and how; the command fills it in
};

// Folds device results into a summary, the devices in WorstFirst order. The setting counts come
// from `tally` when given, else from the devices' drift.
CAuditSummary Summarize(std::vector<CDeviceResult> devices, std::size_t targets,
                        std::size_t duplicates, bool interrupted, bool strict,
                        const CSettingTally* tally = nullptr);
// The same for rows gathered as the pairs finished (closed here), with their settings tallied.
CAuditSummary Summarize(CDeviceRows devices, std::size_t targets, std::size_t duplicates,
                        bool interrupted, bool strict, const CSettingTally& tally);

// The exit status the summary calls for: 2 when any target failed or no device at all was
// audited (a collection that failed must not pass), 1 when any device drifted, 0 otherwise. (An
// interrupted audit is told apart by the command.)
int ExitStatusOf(const CAuditSummary& summary);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_SUMMARY_H_
