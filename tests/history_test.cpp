// `varnic audit --db` and `varnic history` as a fleet's nightly job uses them: five nights of a
// fleet in SQLite and in a real PostgreSQL server, checked against what the nights held; two
// audits writing at once; a run stopped by a signal or killed; a database that fails mid-run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "store/store.h"
#include "tests/support/command.h"
#include "tests/support/postgres.h"
#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using nlohmann::json;
using testing::CommandRun;
using testing::CTempDir;
using testing::ReadAll;

const std::string kGolden = ReadAll(VARNIC_SOURCE_DIR "/examples/ap-before.cfg");

// The golden backup with `changes` ("Gateway" -> "10.0.0.1") made to the first line of each key.
std::string With(const std::map<std::string, std::string>& changes) {
  std::string text = kGolden;
  for (const auto& [key, value] : changes) {
    const std::size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos) std::abort();
    const std::size_t end = text.find('\n', at + 1);
    text.replace(at + 1, end - at - 1, key + "=" + value);
  }
  return text;
}

// What one night held of one device: its changed settings, or nothing readable.
struct CNightDevice {
  std::map<std::string, std::string> changes;
  bool broken = false;
};
using Night = std::map<std::string, CNightDevice>;  // by device name; absent: not backed up

// Devices drift, get fixed, disappear, come back, cannot be read for a night. Secrets drift too.
const std::vector<Night> kNights = {
    {{"site-a/ap1", {}},
     {"site-a/ap2", {{{"Gateway", "10.0.0.1"}}}},
     {"site-b/ap3", {{{"Telnet_timeout", "600"}}}},
     {"site-b/ap4", {}}},
    {{"site-a/ap1", {}},
     {"site-a/ap2", {{{"Gateway", "10.0.0.1"}}}},
     {"site-b/ap3", {}},
     {"site-b/ap4", {{{"Gateway", "10.0.0.4"}}}}},
    {{"site-a/ap1", {{{"Telnet_timeout", "900"}}}},
     {"site-a/ap2", {{{"Gateway", "10.0.0.1"}, {"Telnet_timeout", "600"}}}},
     {"site-b/ap3", {}}},
    {{"site-a/ap1", {{{"Telnet_timeout", "900"}, {"passphrase", "N3w'S3cret--"}}}},
     {"site-a/ap2", {{{"Telnet_timeout", "600"}}}},
     {"site-b/ap3", {{}, true}},
     {"site-b/ap4", {{{"Gateway", "10.0.0.4"}}}}},
    {{"site-a/ap1", {{{"passphrase", "N3w'S3cret--"}}}},
     {"site-a/ap2", {{{"Telnet_timeout", "600"}}}},
     {"site-b/ap3", {{{"Gateway", "10.0.0.3"}}}},
     {"site-b/ap4", {{{"Gateway", "10.0.0.4"}}}},
     {"site-b/x'); DROP TABLE runs; --", {{{"Gateway", "1'2"}}}}},
};

std::int64_t NightEpoch(std::size_t night) {
  return 1796090400 + static_cast<std::int64_t>(night) * 86400;  // 2026-12-01T02:00:00Z + n days
}

// What --since `reference` (a night, 1-based; 0 before all) must say, worked out from the nights
// alone: settings that drift now and did not then are new, and so on; the first night of an
// unbroken stretch (nights a device was missing or unreadable do not break it) is first seen.
std::set<std::string> Expected(std::size_t reference) {
  std::set<std::string> lines;
  std::set<std::string> devices;
  for (const Night& night : kNights) {
    for (const auto& [name, device] : night) devices.insert(name);
  }
  for (const std::string& name : devices) {
    std::vector<std::pair<std::size_t, std::set<std::string>>> readings;
    bool seenAfter = false;
    for (std::size_t n = 0; n < kNights.size(); ++n) {
      const auto found = kNights[n].find(name);
      if (found == kNights[n].end()) continue;
      seenAfter = seenAfter || n + 1 > reference;
      if (found->second.broken) continue;
      std::set<std::string> keys;
      for (const auto& [key, value] : found->second.changes) keys.insert(key);
      readings.emplace_back(n + 1, keys);
    }
    const std::set<std::string>* then = nullptr;
    const std::set<std::string>* now = nullptr;
    std::size_t thenAt = 0;
    std::size_t nowAt = 0;
    for (std::size_t i = 0; i < readings.size(); ++i) {
      if (readings[i].first <= reference) {
        then = &readings[i].second;
        thenAt = i;
      } else {
        now = &readings[i].second;
        nowAt = i;
      }
    }
    const auto first = [&](const std::string& key, std::size_t from) {
      std::size_t night = readings[from].first;
      for (std::size_t i = from; i-- > 0 && readings[i].second.count(key) != 0;) {
        night = readings[i].first;
      }
      return std::to_string(night);
    };
    if (now == nullptr) {
      if (then != nullptr && !seenAfter && reference < kNights.size()) {
        lines.insert(name + " not seen");
      }
      continue;
    }
    for (const std::string& key : *now) {
      const bool before = then != nullptr && then->count(key) != 0;
      lines.insert(name + " " + (before ? "persisting " : "new ") + key + " " + first(key, nowAt));
    }
    if (then == nullptr) continue;
    for (const std::string& key : *then) {
      if (now->count(key) == 0) lines.insert(name + " fixed " + key + " " + first(key, thenAt));
    }
  }
  return lines;
}

std::set<std::string> Told(const json& since) {
  std::set<std::string> lines;
  for (const json& s : since.at("settings")) {
    // By key alone: the example's passphrase is that of both bands, one setting here.
    lines.insert(s.at("device").get<std::string>() + " " + s.at("state").get<std::string>() + " " +
                 s.at("key").get<std::string>() + " " +
                 std::to_string(s.at("first_seen_run").get<int>()));
  }
  for (const json& name : since.at("not_seen")) lines.insert(name.get<std::string>() + " not seen");
  return lines;
}

class History : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) == "sqlite") {
      db_ = dir_.File("history.db");
      return;
    }
    server_ = std::make_unique<testing::CPostgresServer>();
    if (!server_->Problem().empty()) GTEST_SKIP() << "skipped: " << server_->Problem();
    db_ = server_->NewDatabase("fleet");
  }

  std::string WriteNight(std::size_t n) const {
    const std::string root = dir_.File("nights/" + std::to_string(n + 1));
    for (const auto& [name, device] : kNights[n]) {
      std::filesystem::create_directories(std::filesystem::path(root + "/" + name).parent_path());
      dir_.Write("nights/" + std::to_string(n + 1) + "/" + name + ".cfg",
                 device.broken ? "[Vendor]\nx=1\n" : With(device.changes));
    }
    return root;
  }

  CommandRun Audit(std::size_t night, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"audit", golden_, WriteNight(night), "--db", db_, "-q"};
    args.insert(args.end(), extra.begin(), extra.end());
    return testing::RunVarnic(args, "SOURCE_DATE_EPOCH=" + std::to_string(NightEpoch(night)) + " ");
  }

  json Show(std::vector<std::string> args) {
    args.insert(args.begin(), {"history", "--db", db_, "--format", "json"});
    const CommandRun run = testing::RunVarnic(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return json::parse(run.out);
  }

  CTempDir dir_;
  std::string golden_ = dir_.Write("golden.cfg", kGolden);
  std::unique_ptr<testing::CPostgresServer> server_;
  std::string db_;
};

TEST_P(History, FiveNightsOfAFleetAsTheNightsHeldThem) {
  for (std::size_t n = 0; n < kNights.size(); ++n) {
    const CommandRun run = Audit(n);
    EXPECT_EQ(run.status, n == 3 ? 2 : 1) << run.err;  // night 4 has an unreadable backup
  }
  const json runs = Show({"runs"});
  ASSERT_EQ(runs.at("runs").size(), kNights.size());
  for (std::size_t n = 0; n < kNights.size(); ++n) {
    const json& run = runs.at("runs")[n];
    SCOPED_TRACE(n);
    EXPECT_EQ(run.at("state"), "complete");
    EXPECT_EQ(run.at("totals").at("targets"), kNights[n].size());
    std::size_t drifted = 0;
    for (const auto& [name, device] : kNights[n]) {
      drifted += !device.broken && !device.changes.empty() ? 1 : 0;
    }
    EXPECT_EQ(run.at("totals").at("drifted"), drifted);
    EXPECT_EQ(run.at("started_at").get<std::string>().substr(0, 10),
              "2026-12-0" + std::to_string(n + 1));
  }
  for (std::size_t reference = 0; reference <= kNights.size(); ++reference) {
    SCOPED_TRACE(reference);
    // Before the first run there is no run to name: a date before it.
    const std::string since = reference == 0 ? "2026-11-30" : std::to_string(reference);
    EXPECT_EQ(Told(Show({"--since", since})), Expected(reference));
  }
  // A date means the last run before that day.
  EXPECT_EQ(Told(Show({"--since", "2026-12-03"})), Expected(2));

  // ap4: missing on night 3, back on night 4 with the drift it had.
  const json ap4 = Show({"--device", "site-b/ap4"});
  std::vector<int> seen;
  for (const json& reading : ap4.at("timeline")) seen.push_back(reading.at("run"));
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 4, 5}));
  EXPECT_EQ(ap4.at("timeline")[1].at("appeared").size(), 1U);
  EXPECT_EQ(ap4.at("timeline")[2].at("appeared").size(), 0U);

  // The secret is in the history only as a digest.
  const json since = Show({"--since", "3"});
  bool digest = false;
  for (const json& s : since.at("settings")) {
    if (s.at("key") == "passphrase")
      digest = s.at("value").get<std::string>().starts_with("sha256:");
  }
  EXPECT_TRUE(digest);
  if (std::string(GetParam()) == "sqlite") {
    const std::string bytes = ReadAll(db_) + ReadAll(db_ + "-wal");
    EXPECT_EQ(bytes.find("N3w'S3cret--"), std::string::npos);
    EXPECT_NE(bytes.find("x'); DROP TABLE runs; --"), std::string::npos);
  }
}

// Two shards of one fleet audited at once into one history: both land whole.
TEST_P(History, TwoAuditsWritingAtOnceBothLand) {
  constexpr int kDevices = 700;
  for (const char* shard : {"a", "b"}) {
    std::filesystem::create_directories(dir_.File(shard));
    for (int i = 0; i < kDevices; ++i) {
      dir_.Write(std::string(shard) + "/ap" + std::to_string(i) + ".cfg",
                 With({{"Gateway", "10.0." + std::to_string(i % 7) + ".1"}}));
    }
  }
  std::vector<std::thread> audits;
  std::vector<CommandRun> runs(2);
  for (int s = 0; s < 2; ++s) {
    audits.emplace_back([&, s] {
      runs[s] = testing::RunVarnic(
          {"audit", golden_, dir_.File(s == 0 ? "a" : "b"), "--db", db_, "-q", "-j1"});
    });
  }
  for (std::thread& t : audits) t.join();
  for (const CommandRun& run : runs) EXPECT_EQ(run.status, 1) << run.err;
  const json all = Show({"runs"});
  ASSERT_EQ(all.at("runs").size(), 2U);
  for (const json& run : all.at("runs")) {
    EXPECT_EQ(run.at("state"), "complete");
    EXPECT_EQ(run.at("totals").at("audited"), kDevices);
  }
  std::string error;
  const auto store = store::OpenStore(db_, store::OpenMode::kRead, error);
  ASSERT_NE(store, nullptr) << error;
  std::vector<store::CObservation> observations;
  ASSERT_TRUE(store->Observations(std::nullopt, observations, error)) << error;
  EXPECT_EQ(observations.size(), 2U * kDevices);
}

INSTANTIATE_TEST_SUITE_P(Databases, History, ::testing::Values("sqlite", "postgres"));

// A fleet large enough to stop in the middle of.
std::string BigFleet(const CTempDir& dir, int count) {
  std::filesystem::create_directory(dir.File("fleet"));
  const std::string drifted = With({{"Gateway", "10.9.9.9"}});
  for (int i = 0; i < count; ++i) dir.Write("fleet/ap" + std::to_string(i) + ".cfg", drifted);
  return dir.Write("golden.cfg", kGolden);
}

std::size_t Recorded(const std::string& db) {
  std::string error;
  const auto store = store::OpenStore(db, store::OpenMode::kRead, error);
  std::vector<store::CObservation> observations;
  if (store) store->Observations(std::nullopt, observations, error);
  return observations.size();
}

// SIGINT: the run is kept, marked interrupted, with every device the summary reports. SIGKILL:
// the run says it never finished, and holds whole batches only.
TEST(HistoryRuns, StoppedOrKilledRunsAreKeptAndSaySo) {
  for (const int signal : {SIGINT, SIGKILL}) {
    SCOPED_TRACE(signal);
    CTempDir dir;
    const std::string golden = BigFleet(dir, 4000);
    const std::string db = dir.File("history.db");
    const std::string out = dir.File("out");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(fd, 1);
      ::execl(VARNIC_BINARY, "varnic", "audit", golden.c_str(), dir.File("fleet").c_str(), "-j1",
              "--db", db.c_str(), "--format", "json", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline && Recorded(db) < 256) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(child, signal);
    int raw = 0;
    ASSERT_EQ(::waitpid(child, &raw, 0), child);
    const CommandRun runs = testing::RunVarnic({"history", "--db", db, "--format", "json"});
    ASSERT_EQ(runs.status, 0) << runs.err;
    const json run = json::parse(runs.out).at("runs").at(0);
    const std::size_t recorded = Recorded(db);
    EXPECT_GE(recorded, 256U);
    if (signal == SIGINT) {
      ASSERT_TRUE(WIFEXITED(raw));
      EXPECT_EQ(WEXITSTATUS(raw), 130);
      EXPECT_EQ(run.at("state"), "interrupted");
      const json summary = json::parse(ReadAll(out));
      EXPECT_EQ(summary.at("state"), "interrupted");
      EXPECT_EQ(summary.at("run_id"), 1);
      EXPECT_EQ(recorded, summary.at("totals").at("audited").get<std::size_t>());
      EXPECT_EQ(run.at("totals").at("audited"), recorded);
    } else {
      EXPECT_EQ(run.at("state"), "running");
      EXPECT_TRUE(run.at("finished_at").is_null());
      EXPECT_EQ(recorded % 256, 0U);  // whole batches
      EXPECT_LT(recorded, 4000U);
    }
  }
}

// The database failing part-way (a file-size limit here) is exit 2 with the reason; the audit's
// own output is whole all the same.
TEST(HistoryRuns, ADatabaseThatFailsMidRunLeavesTheOtherOutputsWhole) {
  CTempDir dir;
  const std::string golden = BigFleet(dir, 3000);
  const std::string db = dir.File("history.db");
  const CommandRun run = testing::RunVarnic(
      {"audit", golden, dir.File("fleet"), "--db", db, "--format", "json", "-j1"},
      "prlimit --fsize=300000 ");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("cannot record the audit in the history"), std::string::npos) << run.err;
  const json summary = json::parse(run.out);
  EXPECT_EQ(summary.at("devices").size(), 3000U);
  EXPECT_EQ(summary.at("state"), "complete");
}

TEST(HistoryRuns, BadRequestsAreRefusedWithTheReason) {
  CTempDir dir;
  const std::string golden = dir.Write("golden.cfg", kGolden);
  const std::string target = dir.Write("ap1.cfg", With({{"Gateway", "10.0.0.1"}}));
  const std::string db = dir.File("history.db");
  ASSERT_EQ(testing::RunVarnic({"audit", golden, target, "--db", db, "-q"}).status, 1);
  const std::string other = dir.File("other.db");
  ASSERT_EQ(std::system(("sqlite3 '" + other +
                         "' 'CREATE TABLE t(x)' 2>/dev/null || "
                         "printf 'SQLite format 3' > '" +
                         other + "'")
                            .c_str()),
            0);
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"audit", golden, target, "--db", target}, "refusing to overwrite input"},
      {{"audit", golden, target, "--db", golden}, "refusing to overwrite input"},
      {{"audit", golden, target, "--db", dir.File("no/such/dir/h.db")}, "cannot open"},
      {{"audit", golden, target, "--db", other}, "not a varnic history database"},
      {{"audit", "--merge", target, "--db", db}, "a merge has nothing new to record"},
      {{"history", "--db", other}, "not a varnic history database"},
      {{"history", "--db", dir.File("missing.db")}, "no such history database"},
      {{"history"}, "history needs --db"},
      {{"history", "--db", db, "--since", "last week"}, "neither a run number nor a date"},
      {{"history", "--db", db, "--since", "7"}, "there is no run 7"},
      {{"history", "--db", db, "--device", "ap9"}, "no device 'ap9'"},
      {{"history", "--db", db, "--format", "xml"}, "is not one of table, json, csv"},
      {{"history", "--db", db, "--html", db}, "refusing to overwrite input"},
      {{"history", "--db", db, "prune"}, "needs --keep N or --older-than DAYS"},
      {{"history", "--db", dir.File("missing.db"), "prune", "--keep", "1"},
       "no such history database"},
  };
  const std::string before = ReadAll(target) + ReadAll(golden) + ReadAll(other);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const CommandRun run = testing::RunVarnic(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_EQ(ReadAll(target) + ReadAll(golden) + ReadAll(other), before);
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.db")));
}

// Every view in JSON against the published schema, and the page: no script, the policy, charts.
TEST(HistoryRuns, JsonMatchesItsSchemaAndThePageRunsNothing) {
  if (std::system("/usr/bin/python3 -c 'import jsonschema' 2>/dev/null") != 0) {
    GTEST_SKIP() << "python3-jsonschema is not installed";
  }
  CTempDir dir;
  const std::string golden = dir.Write("golden.cfg", kGolden);
  const std::string db = dir.File("history.db");
  const std::string target = dir.Write("<script>x.cfg", With({{"Gateway", "<b>"}}));
  for (int night = 0; night < 3; ++night) {
    if (night == 2) dir.Write("<script>x.cfg", kGolden);
    ASSERT_LE(testing::RunVarnic({"audit", golden, target, "--db", db, "-q"}).status, 1);
  }
  for (const std::vector<std::string>& view :
       {std::vector<std::string>{"runs"}, {"--since", "1"}, {"--device", "<script>x"}}) {
    std::vector<std::string> args = {"history", "--db", db, "--format", "json"};
    args.insert(args.end(), view.begin(), view.end());
    const CommandRun run = testing::RunVarnic(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string json = dir.Write("view.json", run.out);
    EXPECT_EQ(std::system(("/usr/bin/python3 -c 'import json,sys,jsonschema; "
                           "jsonschema.validate(json.load(open(sys.argv[1])), "
                           "json.load(open(sys.argv[2])))' " +
                           json + " " VARNIC_SOURCE_DIR "/docs/varnic-history.schema.json")
                              .c_str()),
              0)
        << run.out;
  }
  const std::string page = dir.File("history.html");
  ASSERT_EQ(testing::RunVarnic({"history", "--db", db, "--since", "1", "--html", page}).status, 0);
  const std::string html = ReadAll(page);
  EXPECT_NE(html.find("Content-Security-Policy"), std::string::npos);
  EXPECT_NE(html.find("<polyline"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;x"), std::string::npos);
  EXPECT_EQ(html.find("<b>"), std::string::npos);
}

TEST(HistoryRuns, PruneKeepsTheNewestRuns) {
  CTempDir dir;
  const std::string golden = dir.Write("golden.cfg", kGolden);
  const std::string target = dir.Write("ap1.cfg", With({{"Gateway", "10.0.0.1"}}));
  const std::string db = dir.File("history.db");
  for (int night = 0; night < 4; ++night) {
    ASSERT_EQ(testing::RunVarnic({"audit", golden, target, "--db", db, "-q"},
                                 "SOURCE_DATE_EPOCH=" + std::to_string(NightEpoch(night)) + " ")
                  .status,
              1);
  }
  const auto prune = [&](const std::vector<std::string>& how) {
    std::vector<std::string> args = {"history", "--db", db, "prune"};
    args.insert(args.end(), how.begin(), how.end());
    return testing::RunVarnic(args, "SOURCE_DATE_EPOCH=" + std::to_string(NightEpoch(4)) + " ");
  };
  EXPECT_EQ(prune({"--older-than", "3"}).out, "removed 1 run\n");  // night 1 (four days ago)
  EXPECT_EQ(prune({"--keep", "2"}).out, "removed 1 run\n");
  const CommandRun runs = testing::RunVarnic({"history", "--db", db, "--format", "csv"});
  EXPECT_EQ(std::count(runs.out.begin(), runs.out.end(), '\n'), 3);  // header and two runs
  EXPECT_NE(runs.out.find("\n3,2026-12-03"), std::string::npos) << runs.out;
}

}  // namespace
}  // namespace varnic
