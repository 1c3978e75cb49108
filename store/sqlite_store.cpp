#include "store/sqlite_store.h"

#include <sqlite3.h>

#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "store/digest.h"
#include "store/schema.h"

namespace varnic::store {
namespace {

// Migrations, forward only: entry i takes a database from version i to i + 1.
constexpr std::array<std::string_view, 1> kMigrations = {
    R"(CREATE TABLE runs(
  id INTEGER PRIMARY KEY,
  started_at TEXT NOT NULL,
  finished_at TEXT,
  state TEXT NOT NULL,
  host TEXT NOT NULL,
  options TEXT NOT NULL,
  baseline TEXT NOT NULL,
  baseline_digest TEXT NOT NULL,
  targets INTEGER NOT NULL DEFAULT 0,
  audited INTEGER NOT NULL DEFAULT 0,
  drifted INTEGER NOT NULL DEFAULT 0,
  clean INTEGER NOT NULL DEFAULT 0,
  errors INTEGER NOT NULL DEFAULT 0,
  differences INTEGER NOT NULL DEFAULT 0,
  hidden INTEGER NOT NULL DEFAULT 0);
CREATE TABLE drift_sets(
  id INTEGER PRIMARY KEY,
  digest TEXT NOT NULL UNIQUE,
  rows INTEGER NOT NULL);
CREATE TABLE drift(
  set_id INTEGER NOT NULL REFERENCES drift_sets(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  section TEXT NOT NULL,
  key TEXT NOT NULL,
  kind TEXT NOT NULL,
  baseline TEXT NOT NULL,
  device TEXT NOT NULL,
  ignored INTEGER NOT NULL,
  PRIMARY KEY(set_id, seq)) WITHOUT ROWID;
CREATE TABLE observations(
  run_id INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  path TEXT NOT NULL,
  baseline TEXT NOT NULL,
  status TEXT NOT NULL,
  error TEXT NOT NULL,
  baseline_type INTEGER NOT NULL,
  device_type INTEGER NOT NULL,
  differences INTEGER NOT NULL,
  only_in_baseline INTEGER NOT NULL,
  only_in_device INTEGER NOT NULL,
  hidden INTEGER NOT NULL,
  ignored INTEGER NOT NULL,
  drift_set INTEGER REFERENCES drift_sets(id),
  PRIMARY KEY(run_id, name)) WITHOUT ROWID;
CREATE INDEX observations_by_name ON observations(name, run_id);
CREATE INDEX observations_by_set ON observations(drift_set);)",
};
static_assert(kMigrations.size() == kSchemaVersion);

// One prepared statement, reset after each use.
class CStatement {
 public:
  CStatement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {}
  ~CStatement() { sqlite3_reset(statement_); }
  CStatement(const CStatement&) = delete;
  CStatement& operator=(const CStatement&) = delete;

  // Not copied (SQLITE_STATIC): `text` must outlive this statement's use, which ends when the
  // CStatement goes.
  CStatement& Bind(int index, std::string_view text) {
    sqlite3_bind_text(statement_, index, text.empty() ? "" : text.data(),
                      static_cast<int>(text.size()), SQLITE_STATIC);
    return *this;
  }
  CStatement& Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
    return *this;
  }
  CStatement& BindNull(int index) {
    sqlite3_bind_null(statement_, index);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return sqlite3_step(statement_); }
  std::string Text(int column) const {
    const auto* bytes = sqlite3_column_text(statement_, column);
    if (bytes == nullptr) return {};
    return {reinterpret_cast<const char*>(bytes),
            static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
  }
  std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
  sqlite3* Db() const { return db_; }

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_;
};

// Drift rows go in this many to a statement: fewer steps through the library for a large set.
constexpr std::size_t kRowsPerInsert = 32;

std::string DriftInsert(std::size_t rows) {
  std::string sql =
      "INSERT INTO drift(set_id, seq, section, key, kind, baseline, device, ignored) VALUES";
  for (std::size_t i = 0; i < rows; ++i) sql += i == 0 ? "(?,?,?,?,?,?,?,?)" : ",(?,?,?,?,?,?,?,?)";
  return sql;
}

class CSqliteStore final : public CStore {
 public:
  CSqliteStore(sqlite3* db, std::string name) : db_(db), name_(std::move(name)) {}
  ~CSqliteStore() override {
    for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
    sqlite3_close(db_);
  }
  CSqliteStore(const CSqliteStore&) = delete;
  CSqliteStore& operator=(const CSqliteStore&) = delete;

  bool Prepare(OpenMode mode, int busyMilliseconds, std::string& error);

  bool BeginRun(CRun& run, std::string& error) override;
  bool Record(std::int64_t run, std::span<const CObservation> devices, std::string& error) override;
  bool FinishRun(const CRun& run, std::string& error) override;
  bool Runs(std::vector<CRun>& runs, std::string& error) override;
  bool Observations(const std::optional<std::string>& name, std::vector<CObservation>& observations,
                    std::string& error) override;
  bool DriftSets(const std::vector<std::int64_t>& ids,
                 std::map<std::int64_t, std::vector<CDriftRecord>>& sets,
                 std::string& error) override;
  bool Prune(const CPrune& prune, std::int64_t& removed, std::string& error) override;

 private:
  // The statement for `sql`, prepared the first time it is asked for. `sql` is a literal: the
  // cache is keyed by its address.
  std::optional<CStatement> Statement(const char* sql, std::string& error);
  bool Exec(const char* sql, std::string& error);
  bool Fail(std::string& error) const {
    error = "'" + name_ + "': " + sqlite3_errmsg(db_);
    return false;
  }
  bool Done(CStatement& statement, std::string& error) {
    return statement.Step() == SQLITE_DONE || Fail(error);
  }
  bool Rollback() {
    std::string ignored;
    return Exec("ROLLBACK", ignored);
  }
  bool ReadVersion(int& application, int& version, std::int64_t& tables, std::string& error);
  bool StoreSet(const CObservation& device, std::int64_t& set, std::string& error);

  sqlite3* db_;
  std::string name_;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

std::optional<CStatement> CSqliteStore::Statement(const char* sql, std::string& error) {
  sqlite3_stmt*& statement = statements_[sql];
  if (statement == nullptr && sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
    Fail(error);
    statements_.erase(sql);
    return std::nullopt;
  }
  sqlite3_clear_bindings(statement);
  return std::optional<CStatement>(std::in_place, db_, statement);
}

bool CSqliteStore::Exec(const char* sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  error = "'" + name_ + "': " + (message != nullptr ? message : sqlite3_errmsg(db_));
  sqlite3_free(message);
  return false;
}

bool CSqliteStore::ReadVersion(int& application, int& version, std::int64_t& tables,
                               std::string& error) {
  // One statement, so one snapshot: read one by one, another audit creating the schema could
  // commit between them and show tables without our mark, as another program's file would.
  std::optional<CStatement> s = Statement(
      "SELECT (SELECT application_id FROM pragma_application_id()),"
      " (SELECT user_version FROM pragma_user_version()), (SELECT count(*) FROM sqlite_master)",
      error);
  if (!s) return false;
  if (s->Step() != SQLITE_ROW) return Fail(error);
  application = static_cast<int>(s->Int(0));
  version = static_cast<int>(s->Int(1));
  tables = s->Int(2);
  return true;
}

bool CSqliteStore::Prepare(OpenMode mode, int busyMilliseconds, std::string& error) {
  sqlite3_busy_timeout(db_, busyMilliseconds);
  int application = 0;
  int version = 0;
  std::int64_t tables = 0;
  if (!ReadVersion(application, version, tables, error)) return false;
  // Checked before anything is written: a database that is not ours stays as it was.
  std::string problem = SchemaProblem(application == kSqliteApplicationId,
                                      application == 0 && tables == 0, version, mode);
  if (!problem.empty()) {
    error = "'" + name_ + "' " + problem;
    return false;
  }
  if (mode == OpenMode::kRead) return true;
  if (sqlite3_db_readonly(db_, "main") == 1) {
    error = "'" + name_ + "' is read-only";
    return false;
  }
  if (version < kSchemaVersion) {
    // Another audit may be migrating the same file: decide again under the write lock.
    if (!Exec("BEGIN IMMEDIATE", error)) return false;
    if (!ReadVersion(application, version, tables, error)) return Rollback() && false;
    problem = SchemaProblem(application == kSqliteApplicationId, application == 0 && tables == 0,
                            version, mode);
    if (!problem.empty()) {
      Rollback();
      error = "'" + name_ + "' " + problem;
      return false;
    }
    for (int v = version; v < kSchemaVersion; ++v) {
      if (!Exec(std::string(kMigrations[static_cast<std::size_t>(v)]).c_str(), error))
        return Rollback() && false;
    }
    const std::string mark = "PRAGMA application_id=" + std::to_string(kSqliteApplicationId) +
                             ";PRAGMA user_version=" + std::to_string(kSchemaVersion);
    if (!Exec(mark.c_str(), error) || !Exec("COMMIT", error)) return Rollback() && false;
  }
  // WAL lets readers go on while an audit writes; NORMAL syncs at checkpoints, and a crash
  // loses at most the last transactions, never the file.
  return Exec("PRAGMA journal_mode=WAL", error) && Exec("PRAGMA synchronous=NORMAL", error) &&
         Exec("PRAGMA foreign_keys=ON", error);
}

bool CSqliteStore::BeginRun(CRun& run, std::string& error) {
  std::optional<CStatement> s = Statement(
      "INSERT INTO runs(started_at, state, host, options, baseline, baseline_digest) "
      "VALUES(?1, 'running', ?2, ?3, ?4, ?5)",
      error);
  if (!s) return false;
  s->Bind(1, run.startedAt).Bind(2, run.host).Bind(3, run.options).Bind(4, run.baseline);
  s->Bind(5, run.baselineDigest);
  if (!Done(*s, error)) return false;
  run.id = sqlite3_last_insert_rowid(db_);
  run.state = "running";
  return true;
}

bool CSqliteStore::StoreSet(const CObservation& device, std::int64_t& set, std::string& error) {
  set = 0;
  if (device.drift.empty()) return true;
  const std::string digest =
      device.driftDigest.empty() ? DigestDrift(device.drift) : device.driftDigest;
  {
    std::optional<CStatement> find =
        Statement("SELECT id FROM drift_sets WHERE digest = ?1", error);
    if (!find) return false;
    find->Bind(1, digest);
    const int step = find->Step();
    if (step == SQLITE_ROW) {
      set = find->Int(0);
      return true;
    }
    if (step != SQLITE_DONE) return Fail(error);
  }
  std::optional<CStatement> add =
      Statement("INSERT INTO drift_sets(digest, rows) VALUES(?1, ?2)", error);
  if (!add) return false;
  add->Bind(1, digest).Bind(2, static_cast<std::int64_t>(device.drift.size()));
  if (!Done(*add, error)) return false;
  set = sqlite3_last_insert_rowid(db_);
  // Two statement shapes: a full batch of rows, and one row for the rest.
  static const std::string kMany = DriftInsert(kRowsPerInsert);
  static const std::string kOne = DriftInsert(1);
  std::size_t seq = 0;
  while (seq < device.drift.size()) {
    const std::size_t rows = device.drift.size() - seq >= kRowsPerInsert ? kRowsPerInsert : 1;
    std::optional<CStatement> s = Statement((rows == 1 ? kOne : kMany).c_str(), error);
    if (!s) return false;
    for (std::size_t i = 0; i < rows; ++i, ++seq) {
      const CDriftRecord& row = device.drift[seq];
      const int at = static_cast<int>(i * 8);
      s->Bind(at + 1, set).Bind(at + 2, static_cast<std::int64_t>(seq)).Bind(at + 3, row.section);
      s->Bind(at + 4, row.key).Bind(at + 5, row.kind).Bind(at + 6, row.baseline);
      s->Bind(at + 7, row.device).Bind(at + 8, std::int64_t{row.ignored ? 1 : 0});
    }
    if (!Done(*s, error)) return false;
  }
  return true;
}

bool CSqliteStore::Record(std::int64_t run, std::span<const CObservation> devices,
                          std::string& error) {
  if (!Exec("BEGIN IMMEDIATE", error)) return false;
  for (const CObservation& d : devices) {
    std::int64_t set = 0;
    if (!StoreSet(d, set, error)) return Rollback() && false;
    std::optional<CStatement> s = Statement(
        "INSERT INTO observations(run_id, name, path, baseline, status, error, baseline_type, "
        "device_type, differences, only_in_baseline, only_in_device, hidden, ignored, drift_set) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)",
        error);
    if (!s) return Rollback() && false;
    s->Bind(1, run).Bind(2, d.name).Bind(3, d.path).Bind(4, d.baseline).Bind(5, d.status);
    s->Bind(6, d.error).Bind(7, std::int64_t{d.baselineType}).Bind(8, std::int64_t{d.deviceType});
    s->Bind(9, d.differences).Bind(10, d.onlyInBaseline).Bind(11, d.onlyInDevice);
    s->Bind(12, d.hidden).Bind(13, d.ignored);
    if (set == 0) {
      s->BindNull(14);
    } else {
      s->Bind(14, set);
    }
    if (!Done(*s, error)) return Rollback() && false;
  }
  return Exec("COMMIT", error) || (Rollback() && false);
}

bool CSqliteStore::FinishRun(const CRun& run, std::string& error) {
  std::optional<CStatement> s = Statement(
      "UPDATE runs SET finished_at = ?2, state = ?3, targets = ?4, audited = ?5, drifted = ?6, "
      "clean = ?7, errors = ?8, differences = ?9, hidden = ?10 WHERE id = ?1",
      error);
  if (!s) return false;
  const CRunTotals& t = run.totals;
  s->Bind(1, run.id).Bind(2, run.finishedAt).Bind(3, run.state).Bind(4, t.targets);
  s->Bind(5, t.audited).Bind(6, t.drifted).Bind(7, t.clean).Bind(8, t.errors);
  s->Bind(9, t.differences).Bind(10, t.hidden);
  return Done(*s, error);
}

bool CSqliteStore::Runs(std::vector<CRun>& runs, std::string& error) {
  std::optional<CStatement> s = Statement(
      "SELECT id, started_at, coalesce(finished_at, ''), state, host, options, baseline, "
      "baseline_digest, targets, audited, drifted, clean, errors, differences, hidden "
      "FROM runs ORDER BY id",
      error);
  if (!s) return false;
  int step = 0;
  while ((step = s->Step()) == SQLITE_ROW) {
    CRun r;
    r.id = s->Int(0);
    r.startedAt = s->Text(1);
    r.finishedAt = s->Text(2);
    r.state = s->Text(3);
    r.host = s->Text(4);
    r.options = s->Text(5);
    r.baseline = s->Text(6);
    r.baselineDigest = s->Text(7);
    r.totals = {s->Int(8), s->Int(9), s->Int(10), s->Int(11), s->Int(12), s->Int(13), s->Int(14)};
    runs.push_back(std::move(r));
  }
  return step == SQLITE_DONE || Fail(error);
}

bool CSqliteStore::Observations(const std::optional<std::string>& name,
                                std::vector<CObservation>& observations, std::string& error) {
  std::optional<CStatement> s = Statement(
      "SELECT run_id, name, path, baseline, status, error, baseline_type, device_type, "
      "differences, only_in_baseline, only_in_device, hidden, ignored, coalesce(drift_set, 0) "
      "FROM observations WHERE ?1 IS NULL OR name = ?1 ORDER BY run_id, name",
      error);
  if (!s) return false;
  if (name) s->Bind(1, *name);
  int step = 0;
  while ((step = s->Step()) == SQLITE_ROW) {
    CObservation o;
    o.run = s->Int(0);
    o.name = s->Text(1);
    o.path = s->Text(2);
    o.baseline = s->Text(3);
    o.status = s->Text(4);
    o.error = s->Text(5);
    o.baselineType = static_cast<std::int32_t>(s->Int(6));
    o.deviceType = static_cast<std::int32_t>(s->Int(7));
    o.differences = s->Int(8);
    o.onlyInBaseline = s->Int(9);
    o.onlyInDevice = s->Int(10);
    o.hidden = s->Int(11);
    o.ignored = s->Int(12);
    o.driftSet = s->Int(13);
    observations.push_back(std::move(o));
  }
  return step == SQLITE_DONE || Fail(error);
}

bool CSqliteStore::DriftSets(const std::vector<std::int64_t>& ids,
                             std::map<std::int64_t, std::vector<CDriftRecord>>& sets,
                             std::string& error) {
  // One read transaction, so that every set comes from one state of the file.
  if (!Exec("BEGIN", error)) return false;
  for (const std::int64_t id : ids) {
    std::optional<CStatement> s = Statement(
        "SELECT section, key, kind, baseline, device, ignored FROM drift WHERE set_id = ?1 "
        "ORDER BY seq",
        error);
    if (!s) return Rollback() && false;
    s->Bind(1, id);
    std::vector<CDriftRecord>& rows = sets[id];
    int step = 0;
    while ((step = s->Step()) == SQLITE_ROW) {
      rows.push_back({s->Text(0), s->Text(1), s->Text(2), s->Text(3), s->Text(4), s->Int(5) != 0});
    }
    if (step != SQLITE_DONE) {
      Fail(error);
      Rollback();
      return false;
    }
  }
  return Exec("COMMIT", error);
}

bool CSqliteStore::Prune(const CPrune& prune, std::int64_t& removed, std::string& error) {
  if (!Exec("BEGIN IMMEDIATE", error)) return false;
  removed = 0;
  if (prune.keep) {
    std::optional<CStatement> s = Statement(
        "DELETE FROM runs WHERE id NOT IN (SELECT id FROM runs ORDER BY id DESC LIMIT ?1)", error);
    if (!s) return Rollback() && false;
    s->Bind(1, *prune.keep);
    if (!Done(*s, error)) return Rollback() && false;
    removed += sqlite3_changes(db_);
  }
  if (prune.before) {
    std::optional<CStatement> s = Statement("DELETE FROM runs WHERE started_at < ?1", error);
    if (!s) return Rollback() && false;
    s->Bind(1, *prune.before);
    if (!Done(*s, error)) return Rollback() && false;
    removed += sqlite3_changes(db_);
  }
  // What only the removed runs referred to goes with them.
  if (!Exec("DELETE FROM observations WHERE run_id NOT IN (SELECT id FROM runs);"
            "DELETE FROM drift_sets WHERE id NOT IN "
            "(SELECT drift_set FROM observations WHERE drift_set IS NOT NULL);"
            "DELETE FROM drift WHERE set_id NOT IN (SELECT id FROM drift_sets);"
            "COMMIT",
            error)) {
    return Rollback() && false;
  }
  return true;
}

}  // namespace

std::unique_ptr<CStore> OpenSqliteStore(const std::string& path, OpenMode mode, std::string& error,
                                        int busyMilliseconds) {
  std::error_code code;
  if (mode == OpenMode::kRead && !std::filesystem::exists(path, code)) {
    error = "'" + path + "': no such history database";
    return nullptr;
  }
  if (std::filesystem::is_directory(path, code)) {
    error = "'" + path + "' is a directory";
    return nullptr;
  }
  sqlite3* db = nullptr;
  const int flags =
      mode == OpenMode::kRead ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  // NOMUTEX: a store belongs to one thread. No URI flag: the path is a file name, whatever it
  // looks like.
  const int opened = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (opened != SQLITE_OK) {
    error = "cannot open '" + path +
            "': " + (db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(opened));
    sqlite3_close(db);
    return nullptr;
  }
  auto store = std::make_unique<CSqliteStore>(db, path);
  if (!store->Prepare(mode, busyMilliseconds, error)) return nullptr;
  return store;
}

}  // namespace varnic::store
