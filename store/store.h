#ifndef VARNIC_STORE_STORE_H_
#define VARNIC_STORE_STORE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The audit's history: runs, what each device looked like in each run, and the drift behind it.
// This layer is the only one that knows SQL; SQLite and PostgreSQL sit behind one interface.
namespace varnic::store {

// One drifted setting as stored. Values of secret keys are digests ("sha256:...") unless the run
// showed secrets.
struct CDriftRecord {
  std::string section;  // "[System]"
  std::string key;
  std::string kind;  // different, only_in_baseline, only_in_device, hidden (= not compared)
  std::string baseline;
  std::string device;
  bool ignored = false;  // an ignore pattern matched it: kept, but no drift

  bool operator==(const CDriftRecord&) const = default;
};

// One device as one run found it.
struct CObservation {
  std::int64_t run = 0;  // filled in when read back
  std::string name;      // the device's identity across runs
  std::string path;
  std::string baseline;
  std::string status;  // clean, drifted, error
  std::string error;
  std::int32_t baselineType = 0;
  std::int32_t deviceType = 0;
  std::int64_t differences = 0;
  std::int64_t onlyInBaseline = 0;
  std::int64_t onlyInDevice = 0;
  std::int64_t hidden = 0;
  std::int64_t ignored = 0;
  // Written: the rows. Read back: empty, and `driftSet` names the rows (see DriftSets): devices
  // that drift alike from one night to the next share one stored set.
  std::vector<CDriftRecord> drift;
  std::int64_t driftSet = 0;
  // DigestDrift(drift) when the caller worked it out already (on its own thread, say); the store
  // works it out when empty.
  std::string driftDigest;
};

struct CRunTotals {
  std::int64_t targets = 0;
  std::int64_t audited = 0;
  std::int64_t drifted = 0;
  std::int64_t clean = 0;
  std::int64_t errors = 0;
  std::int64_t differences = 0;
  std::int64_t hidden = 0;
};

struct CRun {
  std::int64_t id = 0;
  std::string startedAt;   // UTC, "2026-12-08T21:55:03Z"
  std::string finishedAt;  // empty while running, and for a run that was killed
  std::string state;       // running, complete, interrupted
  std::string host;
  std::string options;  // a JSON object: the audit's options
  std::string baseline;
  std::string baselineDigest;  // "sha256:..." of the baseline's bytes
  CRunTotals totals;
};

// Which runs prune removes: all but the newest `keep`, and/or those started before `before`.
struct CPrune {
  std::optional<std::int64_t> keep;
  std::optional<std::string> before;  // a UTC time as runs store it
};

// One history database. Every failure is false with a reason that names the database; nothing
// throws. Not for use from two threads at once (open one per thread).
class CStore {
 public:
  virtual ~CStore() = default;

  // Adds a run in state "running" and sets `run.id`.
  virtual bool BeginRun(CRun& run, std::string& error) = 0;
  // Adds devices of a run in one transaction: all of them land or none.
  virtual bool Record(std::int64_t run, std::span<const CObservation> devices,
                      std::string& error) = 0;
  // Sets the run's end, state and totals.
  virtual bool FinishRun(const CRun& run, std::string& error) = 0;

  // Every run, oldest first.
  virtual bool Runs(std::vector<CRun>& runs, std::string& error) = 0;
  // What every run found, by run then name; only the device `name` when given.
  virtual bool Observations(const std::optional<std::string>& name,
                            std::vector<CObservation>& observations, std::string& error) = 0;
  // The rows of the given drift sets.
  virtual bool DriftSets(const std::vector<std::int64_t>& ids,
                         std::map<std::int64_t, std::vector<CDriftRecord>>& sets,
                         std::string& error) = 0;
  // Removes runs with what only they refer to; `removed` counts the runs.
  virtual bool Prune(const CPrune& prune, std::int64_t& removed, std::string& error) = 0;
};

enum class OpenMode {
  kWrite,  // created when missing, its schema brought up to date
  kRead,   // must exist and be of this version; never altered
};

// The schema this program writes. A database of a newer one is refused untouched.
inline constexpr int kSchemaVersion = 1;

// Opens a SQLite file, or a PostgreSQL database given as "postgresql://..." or "postgres://...".
// A database of another program, of a newer schema, locked past the busy timeout or read-only
// (when writing) is refused with the reason.
std::unique_ptr<CStore> OpenStore(const std::string& where, OpenMode mode, std::string& error);

// The database as messages name it: a PostgreSQL address without its password.
std::string DisplayName(const std::string& where);

bool IsPostgresAddress(const std::string& where);

}  // namespace varnic::store

#endif  // VARNIC_STORE_STORE_H_
