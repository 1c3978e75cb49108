#include "store/postgres_store.h"

#include <array>
#include <cstdlib>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "store/digest.h"
#include "store/libpq.h"
#include "store/schema.h"

namespace varnic::store {
namespace {

// Serializes first audits creating the schema: "VRNC".
constexpr const char* kSchemaLock = "SELECT pg_advisory_xact_lock(1448234563)";

// Migrations, forward only: entry i takes a database from version i to i + 1.
constexpr std::array<const char*, 1> kMigrations = {
    R"(CREATE TABLE varnic_schema(application TEXT NOT NULL, version INTEGER NOT NULL);
INSERT INTO varnic_schema VALUES('varnic', 0);
CREATE TABLE runs(
  id BIGSERIAL PRIMARY KEY,
  started_at TEXT NOT NULL,
  finished_at TEXT,
  state TEXT NOT NULL,
  host BYTEA NOT NULL,
  options TEXT NOT NULL,
  baseline BYTEA NOT NULL,
  baseline_digest TEXT NOT NULL,
  targets BIGINT NOT NULL DEFAULT 0,
  audited BIGINT NOT NULL DEFAULT 0,
  drifted BIGINT NOT NULL DEFAULT 0,
  clean BIGINT NOT NULL DEFAULT 0,
  errors BIGINT NOT NULL DEFAULT 0,
  differences BIGINT NOT NULL DEFAULT 0,
  hidden BIGINT NOT NULL DEFAULT 0);
CREATE TABLE drift_sets(
  id BIGSERIAL PRIMARY KEY,
  digest TEXT NOT NULL UNIQUE,
  rows BIGINT NOT NULL);
CREATE TABLE drift(
  set_id BIGINT NOT NULL REFERENCES drift_sets(id) ON DELETE CASCADE,
  seq BIGINT NOT NULL,
  section BYTEA NOT NULL,
  key BYTEA NOT NULL,
  kind TEXT NOT NULL,
  baseline BYTEA NOT NULL,
  device BYTEA NOT NULL,
  ignored BOOLEAN NOT NULL,
  PRIMARY KEY(set_id, seq));
CREATE TABLE observations(
  run_id BIGINT NOT NULL REFERENCES runs(id) ON DELETE CASCADE,
  name BYTEA NOT NULL,
  path BYTEA NOT NULL,
  baseline BYTEA NOT NULL,
  status TEXT NOT NULL,
  error BYTEA NOT NULL,
  baseline_type INTEGER NOT NULL,
  device_type INTEGER NOT NULL,
  differences BIGINT NOT NULL,
  only_in_baseline BIGINT NOT NULL,
  only_in_device BIGINT NOT NULL,
  hidden BIGINT NOT NULL,
  ignored BIGINT NOT NULL,
  drift_set BIGINT REFERENCES drift_sets(id),
  PRIMARY KEY(run_id, name));
CREATE INDEX observations_by_name ON observations(name, run_id);
CREATE INDEX observations_by_set ON observations(drift_set);)",
};
static_assert(kMigrations.size() == kSchemaVersion);

// bytea in PostgreSQL's text form: "\x" and two hex digits a byte.
std::string Bytea(std::string_view bytes) {
  static constexpr std::string_view kDigits = "0123456789abcdef";
  std::string text = "\\x";
  text.reserve(2 + bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    text += kDigits[b >> 4];
    text += kDigits[b & 0xf];
  }
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

std::string FromBytea(std::string_view text) {
  if (!text.starts_with("\\x")) return std::string(text);
  std::string bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 2; i + 1 < text.size(); i += 2) {
    bytes += static_cast<char>(HexDigit(text[i]) << 4 | HexDigit(text[i + 1]));
  }
  return bytes;
}

// An array of bytea as a parameter: every element is hex, so none needs quoting.
std::string ByteaArray(const std::vector<std::string_view>& items) {
  std::string text = "{";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ',';
    text += '"';
    text += '\\';  // the array syntax's escape, before bytea's own "\x"
    text += Bytea(items[i]);
    text += '"';
  }
  return text + "}";
}

// A query's result, cleared when it goes.
class CResult {
 public:
  CResult(const CLibpq& pq, PGresult* result) : pq_(pq), result_(result) {}
  ~CResult() { pq_.clear(result_); }
  CResult(const CResult&) = delete;
  CResult& operator=(const CResult&) = delete;

  bool Ok() const {
    const ExecStatusType status = pq_.resultStatus(result_);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
  }
  int Rows() const { return pq_.ntuples(result_); }
  std::string Text(int row, int column) const {
    return {pq_.getvalue(result_, row, column),
            static_cast<std::size_t>(pq_.getlength(result_, row, column))};
  }
  std::string Bytes(int row, int column) const { return FromBytea(Text(row, column)); }
  std::int64_t Int(int row, int column) const {
    return std::strtoll(pq_.getvalue(result_, row, column), nullptr, 10);
  }
  std::int64_t Affected() const { return std::strtoll(pq_.cmdTuples(result_), nullptr, 10); }
  std::string Error() const {
    std::string message = pq_.resultErrorMessage(result_);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
      message.pop_back();
    }
    return message;
  }

 private:
  const CLibpq& pq_;
  PGresult* result_;
};

class CPostgresStore final : public CStore {
 public:
  CPostgresStore(const CLibpq& pq, PGconn* connection, std::string name)
      : pq_(pq), connection_(connection), name_(std::move(name)) {}
  ~CPostgresStore() override { pq_.finish(connection_); }
  CPostgresStore(const CPostgresStore&) = delete;
  CPostgresStore& operator=(const CPostgresStore&) = delete;

  bool Prepare(OpenMode mode, std::string& error);

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
  // Runs `sql` with `values` bound as $1, $2, ... in text form; never pasted into the SQL.
  CResult Query(const char* sql, std::initializer_list<std::string> values = {}) {
    std::vector<const char*> pointers;
    std::vector<int> lengths;
    for (const std::string& value : values) {
      pointers.push_back(value.c_str());
      lengths.push_back(static_cast<int>(value.size()));
    }
    return {pq_, pq_.execParams(connection_, sql, static_cast<int>(pointers.size()), nullptr,
                                pointers.data(), lengths.data(), nullptr, 0)};
  }
  bool Check(const CResult& result, std::string& error) {
    if (result.Ok()) return true;
    error = "'" + name_ + "': " + result.Error();
    return false;
  }
  bool Exec(const char* sql, std::string& error) { return Check(Query(sql), error); }
  bool Rollback() {
    std::string ignored;
    Exec("ROLLBACK", ignored);
    return false;
  }
  bool ReadSchema(bool& ours, bool& empty, int& version, std::string& error);
  bool StoreSet(const CObservation& device, std::string& set, std::string& error);

  const CLibpq& pq_;
  PGconn* connection_;
  std::string name_;
};

bool CPostgresStore::ReadSchema(bool& ours, bool& empty, int& version, std::string& error) {
  const CResult tables = Query(
      "SELECT to_regclass('varnic_schema') IS NOT NULL, "
      "to_regclass('runs') IS NOT NULL OR to_regclass('observations') IS NOT NULL OR "
      "to_regclass('drift') IS NOT NULL OR to_regclass('drift_sets') IS NOT NULL");
  if (!Check(tables, error)) return false;
  const bool marked = tables.Text(0, 0) == "t";
  empty = !marked && tables.Text(0, 1) != "t";
  ours = false;
  version = 0;
  if (!marked) return true;
  const CResult row = Query("SELECT application, version FROM varnic_schema");
  if (!Check(row, error)) return false;
  ours = row.Rows() == 1 && row.Text(0, 0) == "varnic";
  empty = false;
  if (ours) version = static_cast<int>(row.Int(0, 1));
  return true;
}

bool CPostgresStore::Prepare(OpenMode mode, std::string& error) {
  if (!Exec("SET bytea_output = 'hex'", error)) return false;
  if (mode == OpenMode::kWrite && (!Exec("BEGIN", error) || !Exec(kSchemaLock, error))) {
    return false;
  }
  bool ours = false;
  bool empty = false;
  int version = 0;
  if (!ReadSchema(ours, empty, version, error)) return mode == OpenMode::kWrite && Rollback();
  const std::string problem = SchemaProblem(ours, empty, version, mode);
  if (!problem.empty()) {
    error = "'" + name_ + "' " + problem;
    return mode == OpenMode::kWrite && Rollback();
  }
  if (mode == OpenMode::kRead) return true;
  for (int v = version; v < kSchemaVersion; ++v) {
    // A migration is fixed text with no values in it: run as a script.
    if (!Check(CResult(pq_, pq_.exec(connection_, kMigrations[static_cast<std::size_t>(v)])),
               error))
      return Rollback();
  }
  if (version < kSchemaVersion &&
      !Check(Query("UPDATE varnic_schema SET version = $1", {std::to_string(kSchemaVersion)}),
             error)) {
    return Rollback();
  }
  return Exec("COMMIT", error) || Rollback();
}

bool CPostgresStore::BeginRun(CRun& run, std::string& error) {
  const CResult result = Query(
      "INSERT INTO runs(started_at, state, host, options, baseline, baseline_digest) "
      "VALUES($1, 'running', $2, $3, $4, $5) RETURNING id",
      {run.startedAt, Bytea(run.host), run.options, Bytea(run.baseline), run.baselineDigest});
  if (!Check(result, error)) return false;
  run.id = result.Int(0, 0);
  run.state = "running";
  return true;
}

bool CPostgresStore::StoreSet(const CObservation& device, std::string& set, std::string& error) {
  set.clear();
  if (device.drift.empty()) return true;
  const std::string digest =
      device.driftDigest.empty() ? DigestDrift(device.drift) : device.driftDigest;
  // A set another audit adds at the same time is taken as it lands: the insert waits for it.
  for (int attempt = 0; attempt < 2 && set.empty(); ++attempt) {
    const CResult found = Query("SELECT id FROM drift_sets WHERE digest = $1", {digest});
    if (!Check(found, error)) return false;
    if (found.Rows() == 1) {
      set = found.Text(0, 0);
      return true;
    }
    const CResult added = Query(
        "INSERT INTO drift_sets(digest, rows) VALUES($1, $2) ON CONFLICT (digest) DO NOTHING "
        "RETURNING id",
        {digest, std::to_string(device.drift.size())});
    if (!Check(added, error)) return false;
    if (added.Rows() == 1) set = added.Text(0, 0);
  }
  if (set.empty()) {
    error = "'" + name_ + "': a drift set vanished while it was stored";
    return false;
  }
  std::vector<std::string_view> sections, keys, kinds, baselines, values;
  std::string ignored = "{";
  for (const CDriftRecord& row : device.drift) {
    sections.push_back(row.section);
    keys.push_back(row.key);
    kinds.push_back(row.kind);
    baselines.push_back(row.baseline);
    values.push_back(row.device);
    if (ignored.size() > 1) ignored += ',';
    ignored += row.ignored ? 't' : 'f';
  }
  ignored += '}';
  const CResult rows = Query(
      "INSERT INTO drift(set_id, seq, section, key, kind, baseline, device, ignored) "
      "SELECT $1, r.seq - 1, r.section, r.key, convert_from(r.kind, 'UTF8'), r.baseline, "
      "r.device, r.ignored FROM unnest($2::bytea[], $3::bytea[], $4::bytea[], $5::bytea[], "
      "$6::bytea[], $7::boolean[]) WITH ORDINALITY "
      "AS r(section, key, kind, baseline, device, ignored, seq)",
      {set, ByteaArray(sections), ByteaArray(keys), ByteaArray(kinds), ByteaArray(baselines),
       ByteaArray(values), ignored});
  return Check(rows, error);
}

bool CPostgresStore::Record(std::int64_t run, std::span<const CObservation> devices,
                            std::string& error) {
  if (!Exec("BEGIN", error)) return false;
  for (const CObservation& d : devices) {
    std::string set;
    if (!StoreSet(d, set, error)) return Rollback();
    const CResult added = Query(
        "INSERT INTO observations(run_id, name, path, baseline, status, error, baseline_type, "
        "device_type, differences, only_in_baseline, only_in_device, hidden, ignored, drift_set) "
        "VALUES($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, NULLIF($14, '')::bigint)",
        {std::to_string(run), Bytea(d.name), Bytea(d.path), Bytea(d.baseline), d.status,
         Bytea(d.error), std::to_string(d.baselineType), std::to_string(d.deviceType),
         std::to_string(d.differences), std::to_string(d.onlyInBaseline),
         std::to_string(d.onlyInDevice), std::to_string(d.hidden), std::to_string(d.ignored), set});
    if (!Check(added, error)) return Rollback();
  }
  return Exec("COMMIT", error) || Rollback();
}

bool CPostgresStore::FinishRun(const CRun& run, std::string& error) {
  const CRunTotals& t = run.totals;
  return Check(
      Query("UPDATE runs SET finished_at = $2, state = $3, targets = $4, audited = $5, "
            "drifted = $6, clean = $7, errors = $8, differences = $9, hidden = $10 WHERE id = $1",
            {std::to_string(run.id), run.finishedAt, run.state, std::to_string(t.targets),
             std::to_string(t.audited), std::to_string(t.drifted), std::to_string(t.clean),
             std::to_string(t.errors), std::to_string(t.differences), std::to_string(t.hidden)}),
      error);
}

bool CPostgresStore::Runs(std::vector<CRun>& runs, std::string& error) {
  const CResult result = Query(
      "SELECT id, started_at, coalesce(finished_at, ''), state, host, options, baseline, "
      "baseline_digest, targets, audited, drifted, clean, errors, differences, hidden "
      "FROM runs ORDER BY id");
  if (!Check(result, error)) return false;
  for (int i = 0; i < result.Rows(); ++i) {
    CRun r;
    r.id = result.Int(i, 0);
    r.startedAt = result.Text(i, 1);
    r.finishedAt = result.Text(i, 2);
    r.state = result.Text(i, 3);
    r.host = result.Bytes(i, 4);
    r.options = result.Text(i, 5);
    r.baseline = result.Bytes(i, 6);
    r.baselineDigest = result.Text(i, 7);
    r.totals = {result.Int(i, 8),  result.Int(i, 9),  result.Int(i, 10), result.Int(i, 11),
                result.Int(i, 12), result.Int(i, 13), result.Int(i, 14)};
    runs.push_back(std::move(r));
  }
  return true;
}

bool CPostgresStore::Observations(const std::optional<std::string>& name,
                                  std::vector<CObservation>& observations, std::string& error) {
  constexpr const char* kColumns =
      "SELECT run_id, name, path, baseline, status, error, baseline_type, device_type, "
      "differences, only_in_baseline, only_in_device, hidden, ignored, coalesce(drift_set, 0) "
      "FROM observations ";
  const std::string all = std::string(kColumns) + "ORDER BY run_id, name";
  const std::string one = std::string(kColumns) + "WHERE name = $1 ORDER BY run_id";
  const CResult result = name ? Query(one.c_str(), {Bytea(*name)}) : Query(all.c_str());
  if (!Check(result, error)) return false;
  for (int i = 0; i < result.Rows(); ++i) {
    CObservation o;
    o.run = result.Int(i, 0);
    o.name = result.Bytes(i, 1);
    o.path = result.Bytes(i, 2);
    o.baseline = result.Bytes(i, 3);
    o.status = result.Text(i, 4);
    o.error = result.Bytes(i, 5);
    o.baselineType = static_cast<std::int32_t>(result.Int(i, 6));
    o.deviceType = static_cast<std::int32_t>(result.Int(i, 7));
    o.differences = result.Int(i, 8);
    o.onlyInBaseline = result.Int(i, 9);
    o.onlyInDevice = result.Int(i, 10);
    o.hidden = result.Int(i, 11);
    o.ignored = result.Int(i, 12);
    o.driftSet = result.Int(i, 13);
    observations.push_back(std::move(o));
  }
  return true;
}

bool CPostgresStore::DriftSets(const std::vector<std::int64_t>& ids,
                               std::map<std::int64_t, std::vector<CDriftRecord>>& sets,
                               std::string& error) {
  std::string list = "{";
  for (const std::int64_t id : ids) {
    if (list.size() > 1) list += ',';
    list += std::to_string(id);
  }
  list += '}';
  const CResult result = Query(
      "SELECT set_id, section, key, kind, baseline, device, ignored FROM drift "
      "WHERE set_id = ANY($1::bigint[]) ORDER BY set_id, seq",
      {list});
  if (!Check(result, error)) return false;
  for (const std::int64_t id : ids) sets[id];
  for (int i = 0; i < result.Rows(); ++i) {
    sets[result.Int(i, 0)].push_back({result.Bytes(i, 1), result.Bytes(i, 2), result.Text(i, 3),
                                      result.Bytes(i, 4), result.Bytes(i, 5),
                                      result.Text(i, 6) == "t"});
  }
  return true;
}

bool CPostgresStore::Prune(const CPrune& prune, std::int64_t& removed, std::string& error) {
  if (!Exec("BEGIN", error)) return false;
  removed = 0;
  if (prune.keep) {
    const CResult result =
        Query("DELETE FROM runs WHERE id NOT IN (SELECT id FROM runs ORDER BY id DESC LIMIT $1)",
              {std::to_string(*prune.keep)});
    if (!Check(result, error)) return Rollback();
    removed += result.Affected();
  }
  if (prune.before) {
    const CResult result = Query("DELETE FROM runs WHERE started_at < $1", {*prune.before});
    if (!Check(result, error)) return Rollback();
    removed += result.Affected();
  }
  // Observations go with their runs; drift rows with their sets.
  if (!Exec("DELETE FROM drift_sets WHERE id NOT IN "
            "(SELECT drift_set FROM observations WHERE drift_set IS NOT NULL)",
            error)) {
    return Rollback();
  }
  return Exec("COMMIT", error) || Rollback();
}

}  // namespace

std::unique_ptr<CStore> OpenPostgresStore(const std::string& address, OpenMode mode,
                                          std::string& error) {
  const std::string name = DisplayName(address);
  const CLibpq* pq = Libpq(error);
  if (pq == nullptr) {
    error = "cannot connect to '" + name + "': " + error;
    return nullptr;
  }
  PGconn* connection = pq->connectdb(address.c_str());
  if (connection == nullptr || pq->status(connection) != CONNECTION_OK) {
    std::string message = connection != nullptr ? pq->errorMessage(connection) : "out of memory";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
      message.pop_back();
    }
    error = "cannot connect to '" + name + "': " + message;
    pq->finish(connection);
    return nullptr;
  }
  auto store = std::make_unique<CPostgresStore>(*pq, connection, name);
  if (!store->Prepare(mode, error)) return nullptr;
  return store;
}

}  // namespace varnic::store
