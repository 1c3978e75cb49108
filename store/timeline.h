#ifndef VARNIC_STORE_TIMELINE_H_
#define VARNIC_STORE_TIMELINE_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/store.h"

// What a history says over time, worked out from what the store read: no SQL here. A device is
// known by its name; a run that could not read it (status error) says nothing of its drift, and
// a run that did not list it neither fixes nor adds anything.
namespace varnic::store {

using DriftSets = std::map<std::int64_t, std::vector<CDriftRecord>>;

// The reference point of --since: a run id, or a date ("2026-12-08") or UTC time
// ("2026-12-08T06:00:00Z") meaning the last run started before it (0 when none was). False
// with the reason for a run that does not exist or text that is neither.
bool ResolveSince(const std::vector<CRun>& runs, const std::string& text, std::int64_t& reference,
                  std::string& error);

// One drifted setting of one device, between the reference and the latest run.
struct CSettingChange {
  std::string device;
  std::string section;
  std::string key;
  std::string state;  // new, fixed, persisting
  std::string kind;
  std::string baseline;  // as the latest run found them; for a fixed one, as last seen
  std::string value;
  std::int64_t firstSeenRun = 0;  // the start of the unbroken run of nights it drifted
  std::string firstSeenAt;
  std::int64_t lastRun = 0;  // the run that tells its state now
};

struct CSince {
  std::int64_t reference = 0;
  std::vector<CSettingChange> settings;  // by device, then new, fixed, persisting, then setting
  std::vector<std::string> notSeen;      // devices seen up to the reference and in no run since
  std::size_t added = 0;
  std::size_t fixed = 0;
  std::size_t persisting = 0;
};

// `observations` as CStore::Observations reads them (by run, then name), `sets` holding every
// drift set they name.
CSince Since(const std::vector<CRun>& runs, const std::vector<CObservation>& observations,
             const DriftSets& sets, std::int64_t reference);

// One run's view of one device, with what changed since the device's previous reading.
struct CTimelineEntry {
  CObservation observation;
  std::string startedAt;
  std::vector<CDriftRecord> appeared;  // drifting now, not in the previous reading
  std::vector<CDriftRecord> cleared;   // drifting in the previous reading, not now
};

std::vector<CTimelineEntry> Timeline(const std::vector<CRun>& runs,
                                     const std::vector<CObservation>& observations,
                                     const DriftSets& sets);

// Trend lines for the charts: drifted devices per run and, for the settings that drifted on the
// most devices over all runs, how many devices each run found them on.
struct CTrends {
  std::vector<std::int64_t> runs;  // ids, oldest first
  std::vector<std::int64_t> drifted;
  std::vector<std::pair<std::string, std::vector<std::int64_t>>> settings;  // "[S] key", counts
};

CTrends Trends(const std::vector<CRun>& runs, const std::vector<CObservation>& observations,
               const DriftSets& sets, std::size_t top);

// The drift sets `observations` name, each once: what to ask the store for.
std::vector<std::int64_t> SetsNamed(const std::vector<CObservation>& observations);

}  // namespace varnic::store

#endif  // VARNIC_STORE_TIMELINE_H_
