#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "audit/baseline_map.h"
#include "audit/collection.h"
#include "audit/merge.h"
#include "audit/pool.h"
#include "audit/progress.h"
#include "audit/render.h"
#include "audit/save_names.h"
#include "audit/summary.h"
#include "audit/targets.h"
#include "tests/support/temp_dir.h"

namespace varnic::audit {
namespace {

using testing::CTempDir;

TEST(AuditTargets, FileNameGlobs) {
  const struct {
    const char* glob;
    const char* name;
    bool matches;
  } cases[] = {
      {"*.cfg", "ap.cfg", true},
      {"*.cfg", "ap.cfg.bak", false},
      {"*.cfg", ".cfg", true},
      {"ap-??.cfg", "ap-12.cfg", true},
      {"ap-??.cfg", "ap-1.cfg", false},
      {"*a*b*", "xxaxxbxx", true},
      {"*a*b", "ab-ba", false},
      {"*", "", true},
      {"", "x", false},
      {"**.cfg", "a.cfg", true},
      {"*.CFG", "a.cfg", false},         // bytes, not letters
      {"ap[1].cfg", "ap[1].cfg", true},  // brackets are themselves, as in ignore patterns
      {"ap[12].cfg", "ap1.cfg", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileNameMatches(c.glob, c.name), c.matches) << c.glob << " " << c.name;
  }
}

TEST(AuditTargets, WalksSortsAndListsEachFileOnce) {
  CTempDir dir;
  std::filesystem::create_directories(dir.File("fleet/site-b"));
  std::filesystem::create_directories(dir.File("fleet/site-a"));
  dir.Write("fleet/site-b/ap2.cfg", "x");
  dir.Write("fleet/site-a/ap1.cfg", "x");
  dir.Write("fleet/site-a/notes.txt", "x");
  std::filesystem::create_directory_symlink(dir.File("fleet"), dir.File("fleet/site-a/loop"));
  // The same files again through a link to the folder, and a link to one of them.
  std::filesystem::create_directory_symlink(dir.File("fleet"), dir.File("fleet-link"));
  std::filesystem::create_symlink(dir.File("fleet/site-b/ap2.cfg"), dir.File("ap.cfg"));
  const std::string fleet = dir.File("fleet");
  const CTargetList list =
      ExpandTargets({fleet, fleet + "/site-a/../site-a/ap1.cfg", fleet + "/missing.cfg",
                     dir.File("fleet-link/"), dir.File("ap.cfg")},
                    "*.cfg");
  std::vector<std::string> paths;
  for (const CTarget& target : list.targets) paths.push_back(target.path);
  EXPECT_EQ(paths, (std::vector<std::string>{fleet + "/missing.cfg", fleet + "/site-a/ap1.cfg",
                                             fleet + "/site-b/ap2.cfg"}));
  EXPECT_EQ(list.duplicates, 4U);
}

TEST(AuditTargets, WalkSkipsTheBaselineAndTheSaveDirAndCountsPerDirectory) {
  CTempDir dir;
  std::filesystem::create_directories(dir.File("fleet/saved"));
  std::filesystem::create_directories(dir.File("empty"));
  dir.Write("fleet/golden.cfg", "x");
  dir.Write("fleet/ap1.cfg", "x");
  dir.Write("fleet/saved/ap1.cfg.device.cfg", "x");
  // The root spelled with trailing separators, a folder met on the way: the walked baseline is
  // still the one named.
  for (const std::string root : {"fleet", "fleet/", "fleet//", "fleet/../fleet"}) {
    SCOPED_TRACE(root);
    const CTargetList list =
        ExpandTargets({dir.File(root), dir.File("empty"), dir.File("fleet/golden.cfg")}, "*.cfg",
                      {dir.File("fleet/saved"), {dir.File("fleet/../fleet/golden.cfg")}, {}});
    ASSERT_EQ(list.targets.size(), 2U);  // ap1.cfg, and the baseline named on its own
    EXPECT_EQ(list.targets[0].directory, 0U);
    EXPECT_EQ(list.targets[1].directory, kNamed);
    ASSERT_EQ(list.skipped.size(), 1U);
    EXPECT_EQ(list.skipped[0].reason, "the baseline");
    ASSERT_EQ(list.directories.size(), 2U);
    EXPECT_EQ(list.directories[0].found, 1U);
    EXPECT_EQ(list.directories[0].skipped, 1U);
    EXPECT_EQ(list.directories[1].found, 0U);
  }
}

TEST(AuditTargets, MarkedResultsAreToldFromBackups) {
  const struct {
    const char* text;
    bool marked;
  } cases[] = {
      {"[System]\r\ns_Username=admin\r\nd_IPaddr=1\r\n\r\n[5GHz_Filter]\r\no_x=1\r\n", true},
      {"[System]\ns_a=1\nIPaddr=1\n", false},  // one plain setting: a backup
      {"[System]\nUsername=admin\n", false},
      {"[System]\n\n", false},  // no setting at all
      {"s_a=1\n", true},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsMarkedResult(c.text), c.marked) << c.text;
}

TEST(AuditCollection, DirectoriesWithoutBackupsAndExpectedDevicesAreErrors) {
  CTargetList list;
  list.directories = {{"empty", 0, 0}, {"saved", 1, 1}, {"site-a", 2, 0}};
  list.targets = {{"saved/x.cfg.device.cfg", "", 1},
                  {"site-a/ap1.cfg", "", 2},
                  {"site-a/ap2.cfg", "", 2},
                  {"other/ap9.ini", "", kNamed}};
  CExpectedDevices expected;
  expected.Parse(
      "# fleet\nap1\n  ap2.cfg \r\nsite-a/ap1.cfg\n./site-a/../site-a/ap2.cfg\nap9\nap3\n"
      "site-b/ap1.cfg\nx.cfg.device\n");
  const std::vector<CDeviceResult> rows =
      MissingBackups(list, {true, false, false, false}, "*.cfg", &expected);
  std::vector<std::string> found;
  for (const CDeviceResult& row : rows) found.push_back(row.path + ": " + row.error);
  EXPECT_EQ(found, (std::vector<std::string>{
                       "empty: no backup found: no file matches '*.cfg'",
                       "saved: no backup found: the 2 files matching '*.cfg' are saved results or "
                       "the baseline",
                       "ap3: expected (line 7), but no backup was found",
                       "site-b/ap1.cfg: expected (line 8), but no backup was found",
                       // a skipped file meets no expectation
                       "x.cfg.device: expected (line 9), but no backup was found",
                   }));
  EXPECT_EQ(MissingBackups(list, {false, false, false, false}, "*", nullptr).size(), 1U);
}

TEST(AuditBaselineMap, FirstMatchingLineWinsRelativeToTheMap) {
  CBaselineMap map;
  std::string error;
  ASSERT_TRUE(map.Parse("# per model\n\n*/x100/* -> golden/x100.cfg\n*/x*/*->/abs/x.cfg\r\n",
                        "/etc/varnic", error))
      << error;
  const std::string fallback = "default.cfg";
  EXPECT_EQ(map.BaselineFor("sites/x100/ap.cfg", fallback), "/etc/varnic/golden/x100.cfg");
  EXPECT_EQ(map.BaselineFor("sites/x200/ap.cfg", fallback), "/abs/x.cfg");
  EXPECT_EQ(map.BaselineFor("sites/y/ap.cfg", fallback), fallback);
  EXPECT_EQ(map.Baselines().size(), 2U);

  std::vector<std::string> unused;
  for (const auto& line : map.Unused({"sites/x100/ap.cfg", "sites/y/ap.cfg"})) {
    unused.push_back(std::to_string(line.number) + (line.shadowed ? " shadowed" : " unmatched"));
  }
  EXPECT_EQ(unused, (std::vector<std::string>{"4 shadowed"}));
  EXPECT_EQ(map.Unused({"z.cfg"}).size(), 2U);

  for (const char* bad : {"no arrow here\n", "-> b.cfg\n", "*.cfg ->\n"}) {
    CBaselineMap other;
    EXPECT_FALSE(other.Parse(std::string("# c\n") + bad, "", error)) << bad;
    EXPECT_EQ(error.rfind("line 2:", 0), 0U) << error;
  }
}

TEST(AuditSaveNames, DerivedFromThePathWithoutCollisions) {
  const std::vector<CSavePaths> names =
      SaveNamesFor({"/srv/a/b.cfg", "a/b.cfg", "a__b.cfg", "../up.cfg", "c:\\x.cfg"}, "out");
  const std::vector<std::string> expected = {
      "out/srv__a__b.cfg.device.cfg", "out/a__b.cfg.device.cfg", "out/a__b.cfg~2.device.cfg",
      "out/..__up.cfg.device.cfg", "out/c___x.cfg.device.cfg"};
  ASSERT_EQ(names.size(), expected.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(names[i].device, expected[i]);
    EXPECT_EQ(std::filesystem::path(names[i].baseline).parent_path(), "out");
  }
  const std::string longName(400, 'n');
  EXPECT_LT(
      std::filesystem::path(SaveNamesFor({longName}, "out")[0].baseline).filename().string().size(),
      255U);
}

CDeviceResult Device(const std::string& path, std::size_t differences, std::size_t hidden,
                     const std::string& error = "", const std::vector<std::string>& keys = {}) {
  CDeviceResult d;
  d.path = path;
  d.baseline = "golden.cfg";
  d.error = error;
  d.differences = differences;
  d.hidden = hidden;
  d.drifted = differences > 0;
  for (const std::string& key : keys)
    d.drift.push_back({"[System]", key, DriftKind::kDifferent, "a", "b"});
  return d;
}

TEST(AuditSummary, WorstFirstTotalsAndMostDrifted) {
  const CAuditSummary summary =
      Summarize({Device("c.cfg", 0, 0), Device("b.cfg", 1, 0, "", {"IPaddr"}),
                 Device("a.cfg", 3, 1, "", {"IPaddr", "Gateway", "IPaddr"}),
                 Device("z.cfg", 0, 0, "bad"), Device("d.cfg", 0, 2)},
                7, 1, true, false);
  std::vector<std::string> order;
  for (const CDeviceResult& d : summary.devices) order.push_back(d.path);
  EXPECT_EQ(order, (std::vector<std::string>{"z.cfg", "a.cfg", "b.cfg", "d.cfg", "c.cfg"}));
  EXPECT_EQ(summary.totals.drifted, 2U);
  EXPECT_EQ(summary.totals.clean, 2U);  // hidden differences alone are no drift unless strict
  EXPECT_EQ(summary.totals.errors, 1U);
  EXPECT_EQ(summary.totals.notStarted, 2U);
  EXPECT_EQ(summary.totals.hidden, 3U);
  ASSERT_EQ(summary.mostDrifted.size(), 2U);
  EXPECT_EQ(summary.mostDrifted[0].key, "IPaddr");
  EXPECT_EQ(summary.mostDrifted[0].devices, 2U);  // twice on a.cfg counts once
  EXPECT_EQ(ExitStatusOf(summary), 2);
  EXPECT_EQ(ExitStatusOf(Summarize({Device("a", 1, 0)}, 1, 0, false, false)), 1);
  EXPECT_EQ(ExitStatusOf(Summarize({Device("a", 0, 3)}, 1, 0, false, false)), 0);
  EXPECT_EQ(ExitStatusOf(Summarize({}, 0, 0, false, false)), 2);  // nothing audited never passes
}

TEST(AuditSummary, HiddenDifferencesHaveTheirOwnTally) {
  CDeviceResult a = Device("a.cfg", 1, 2, "", {"Gateway"});
  a.drift.push_back({"[System]", "IPaddr", DriftKind::kHidden, "1", "2"});
  a.drift.push_back({"[System]", "Gateway", DriftKind::kHidden, "1", "2"});  // a later duplicate
  CDeviceResult b = Device("b.cfg", 0, 1);
  b.drift.push_back({"[System]", "IPaddr", DriftKind::kHidden, "1", "3"});
  const CAuditSummary summary = Summarize({a, b}, 2, 0, false, false);
  const auto names = [](const std::vector<CSettingCount>& counts) {
    std::vector<std::string> out;
    for (const CSettingCount& c : counts) out.push_back(c.key + " " + std::to_string(c.devices));
    return out;
  };
  EXPECT_EQ(names(summary.mostDrifted), (std::vector<std::string>{"Gateway 1"}));
  EXPECT_EQ(names(summary.mostHidden), (std::vector<std::string>{"IPaddr 2", "Gateway 1"}));
}

TEST(AuditSummary, TalliedWholeKeptInPart) {
  std::vector<std::string> keys;
  for (int i = 0; i < 30; ++i) keys.push_back("k" + std::to_string(100 + i));
  CDeviceResult device = Device("a.cfg", 30, 0, "", keys);
  CSettingTally tally;
  tally.AddDevice(device);
  tally.AddDevice(Device("b.cfg", 1, 0, "", {"k129"}));
  TrimDrift(device);
  EXPECT_EQ(device.drift.size(), kMaxKeptDrift);
  EXPECT_EQ(device.driftOmitted, 30 - kMaxKeptDrift);
  const CAuditSummary summary = Summarize({device}, 1, 0, false, false, &tally);
  ASSERT_EQ(summary.mostDrifted.size(), 30U);
  EXPECT_EQ(summary.mostDrifted[0].key, "k129");  // beyond what a.cfg kept, still counted
  EXPECT_EQ(summary.mostDrifted[0].devices, 2U);
}

// Devices fed from several threads at once, and one of them taken back as a merge does, count as
// they do fed from one; a thread that feeds two tallies in turn keeps them apart.
TEST(AuditSummary, ThreadsTallyAsOne) {
  std::vector<CDeviceResult> devices;
  for (int i = 0; i < 64; ++i) {
    std::vector<std::string> keys;
    for (int k = 0; k <= i % 7; ++k) keys.push_back("k" + std::to_string((i + k) % 11));
    devices.push_back(Device("d" + std::to_string(i) + ".cfg", keys.size(), 0, "", keys));
  }
  CSettingTally one;
  for (const CDeviceResult& device : devices) one.AddDevice(device);
  CSettingTally threaded;
  CSettingTally other;
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t i = t; i < devices.size(); i += 4) {
        threaded.AddDevice(devices[i]);
        other.AddDevice(devices[i]);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  const auto counts = [](const CSettingTally& tally) {
    std::vector<std::string> out;
    for (const CSettingCount& c : tally.MostFirst(Tally::kDrifted)) {
      out.push_back(c.key + " " + std::to_string(c.devices));
    }
    return out;
  };
  EXPECT_EQ(counts(threaded), counts(one));
  EXPECT_EQ(counts(other), counts(one));
  one.RemoveDevice(devices[6]);
  threaded.RemoveDevice(devices[6]);
  EXPECT_EQ(counts(threaded), counts(one));
  EXPECT_NE(counts(threaded), counts(other));
}

// Rows the document writes whole, with each optional member or none, and texts that need escapes
// (written the long way): read back as written, laid out as the rest of the document.
TEST(AuditJson, RowsReadBackAsWritten) {
  CDeviceResult device = Device("a.cfg", 5, 1);
  const std::vector<CDrift> drift = {
      {"[System]", "Gateway", DriftKind::kDifferent, "10.0.0.1", "10.0.0.2"},
      {"[System]", "Mask", DriftKind::kOnlyInDevice, "", "255.0.0.0", "not compared while x=1"},
      {"[System]", "Channel", DriftKind::kDifferent, "6", "13", "", false, false, "one_of 1 6 11"},
      {"[System]", "Rate", DriftKind::kDifferent, "1", "2", "aside", false, false, "any"},
      {"[System]", "Name", DriftKind::kDifferent, "say \"hi\"", "tab\there", "", false, false,
       "back\\slash"},
      {"[Sys\x01]", "k\u00e9y", DriftKind::kHidden, "a", "b"}};
  device.drift = drift;
  device.remediation = std::vector<CEdit>{{"set", "[System]", "Gateway", "10.0.0.1", ""},
                                          {"manual", "[System]", "Channel", "13", "one_of 1 6"},
                                          {"set", "[System]", "Name", "say \"hi\"", ""}};
  CSettingTally tally;
  tally.AddDevice(device);
  tally.AddDevice(Device("b.cfg", 1, 0, "", {"odd\"key"}));
  std::ostringstream out;
  WriteAuditJson(Summarize({device}, 1, 0, false, false, &tally), out);
  const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(out.str());
  EXPECT_EQ(out.str(), parsed.dump(2) + "\n");
  const nlohmann::ordered_json& rows = parsed["devices"][0]["drift"];
  ASSERT_EQ(rows.size(), drift.size());
  for (std::size_t i = 0; i < drift.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i]["section"], drift[i].section);
    EXPECT_EQ(rows[i]["key"], drift[i].key);
    EXPECT_EQ(rows[i]["baseline"], drift[i].baseline);
    EXPECT_EQ(rows[i]["device"], drift[i].device);
    EXPECT_EQ(rows[i].value("set_aside", ""), drift[i].setAside);
    EXPECT_EQ(rows[i].value("rule", ""), drift[i].rule);
    EXPECT_EQ(rows[i].size(),
              5 + (drift[i].setAside.empty() ? 0 : 1) + (drift[i].rule.empty() ? 0 : 1));
  }
  const nlohmann::ordered_json& edits = parsed["devices"][0]["remediation"];
  ASSERT_EQ(edits.size(), 3U);
  EXPECT_TRUE(edits[0]["rule"].is_null());
  EXPECT_EQ(edits[1]["rule"], "one_of 1 6");
  EXPECT_EQ(edits[2]["value"], "say \"hi\"");
  EXPECT_EQ(parsed["most_drifted"].back()["key"], "odd\"key");
}

TEST(AuditPool, EveryItemOnceStopAndFailure) {
  for (const unsigned jobs : {1U, 2U, 4U, 0U}) {
    std::vector<std::atomic<int>> seen(100);
    const std::atomic<bool> stop{false};
    EXPECT_EQ(RunPool(
                  seen.size(), jobs, [&](std::size_t i) { ++seen[i]; }, stop),
              100U);
    for (const auto& count : seen) EXPECT_EQ(count.load(), 1);
  }
  std::atomic<bool> stop{false};
  std::atomic<int> ran{0};
  const std::size_t started = RunPool(
      1000, 2,
      [&](std::size_t i) {
        ++ran;
        if (i == 10) stop = true;
      },
      stop);
  EXPECT_LT(started, 1000U);
  EXPECT_EQ(static_cast<std::size_t>(ran.load()), started);

  const std::atomic<bool> never{false};
  EXPECT_THROW(RunPool(
                   50, 3,
                   [](std::size_t i) {
                     if (i == 7) throw std::runtime_error("x");
                   },
                   never),
               std::runtime_error);
}

TEST(AuditProgress, Lines) {
  EXPECT_EQ(ProgressLine(0, 10, 0), "[........................] 0/10");
  EXPECT_EQ(ProgressLine(5, 10, 2), "[############............] 5/10  3/s  0:02 left");
  EXPECT_EQ(ProgressLine(1000, 10000, 10),
            "[##......................] 1000/10000  100/s  1:30 left");
  EXPECT_EQ(ProgressLine(0, 0, 1), "[########################] 0/0");
}

TEST(AuditMerge, ShardsFoldIntoTheWholeAudit) {
  const auto json = [](const CAuditSummary& summary) {
    std::ostringstream out;
    WriteAuditJson(summary, out);
    return out.str();
  };
  CDeviceResult hidden = Device("s2/b.cfg", 0, 1);
  hidden.drift.push_back({"[System]", "IPaddr", DriftKind::kHidden, "1", "2"});
  const CAuditSummary shard1 =
      Summarize({Device("s1/a.cfg", 2, 0, "", {"Gateway"}), Device("s1/x.cfg", 0, 0, "bad")}, 3, 0,
                true, false);
  const CAuditSummary shard2 = Summarize({hidden, Device("s1/a.cfg", 2, 0)}, 2, 1, false, true);
  CMergedAudits merged;
  std::string error;
  ASSERT_TRUE(MergeAuditJson(json(shard1), merged, error)) << error;
  ASSERT_TRUE(MergeAuditJson(json(shard2), merged, error)) << error;
  const CAuditSummary whole =
      Summarize(std::move(merged.devices), merged.targets, merged.duplicates, merged.interrupted,
                merged.strict, &merged.tally);
  EXPECT_EQ(whole.totals.audited, 3U);
  EXPECT_EQ(whole.totals.targets, 4U);
  EXPECT_EQ(whole.totals.duplicates, 2U);
  EXPECT_EQ(whole.totals.notStarted, 1U);
  EXPECT_TRUE(whole.interrupted);
  EXPECT_TRUE(whole.strict);
  std::vector<CDeviceResult> rows;
  for (const CDeviceResult& d : whole.devices) rows.push_back(d);
  EXPECT_EQ(rows[0].error, "bad");
  EXPECT_EQ(rows[1].drift[0].key, "Gateway");
  EXPECT_EQ(rows[2].drift[0].kind, DriftKind::kHidden);
  // A round trip of the whole gives the same document.
  CMergedAudits again;
  ASSERT_TRUE(MergeAuditJson(json(whole), again, error));
  EXPECT_EQ(json(Summarize(std::move(again.devices), again.targets, again.duplicates,
                           again.interrupted, again.strict, &again.tally)),
            json(whole));

  for (const char* bad :
       {"", "{}", "[1]", R"({"kind":"audit","schema_version":2})",
        R"({"kind":"audit","schema_version":1})", R"({"kind":"compare","schema_version":2})"}) {
    CMergedAudits untouched;
    EXPECT_FALSE(MergeAuditJson(bad, untouched, error)) << bad;
    EXPECT_TRUE(untouched.devices.empty());
  }
}

TEST(AuditMerge, ADeviceInTwoSummariesCountsOnce) {
  const auto json = [](const CAuditSummary& summary) {
    std::ostringstream out;
    WriteAuditJson(summary, out);
    return out.str();
  };
  std::vector<std::string> many;
  for (int i = 0; i < 30; ++i) many.push_back("k" + std::to_string(i));
  CDeviceResult wide = Device("s1/wide.cfg", 30, 0, "", many);
  CSettingTally wideTally;
  wideTally.AddDevice(wide);
  TrimDrift(wide);
  CDeviceResult hidden = Device("s1/h.cfg", 0, 1);
  hidden.drift.push_back({"[System]", "IPaddr", DriftKind::kHidden, "1", "2"});
  const std::string shard = json(Summarize({Device("s1/a.cfg", 1, 0, "", {"DeviceName"}), hidden,
                                            Device("s1/b.cfg", 1, 0, "", {"DeviceName"})},
                                           3, 0, false, false));
  const std::string wideShard = json(Summarize({wide}, 1, 0, false, false, &wideTally));
  const struct {
    std::vector<std::string> documents;
    std::size_t deviceName;  // devices counted for DeviceName
    std::size_t ipAddr;      // hidden, for IPaddr
    std::size_t inexact;
  } cases[] = {
      {{shard}, 2, 1, 0},
      {{shard, shard}, 2, 1, 0},
      {{shard, shard, shard}, 2, 1, 0},
      {{wideShard, wideShard}, 0, 0, 1},  // k25..k29 are not listed: they cannot be taken back
  };
  for (const auto& c : cases) {
    CMergedAudits merged;
    std::string error;
    for (const std::string& document : c.documents) {
      ASSERT_TRUE(MergeAuditJson(document, merged, error)) << error;
    }
    const CAuditSummary whole =
        Summarize(std::move(merged.devices), merged.targets, merged.duplicates, merged.interrupted,
                  merged.strict, &merged.tally);
    const auto count = [](const std::vector<CSettingCount>& counts, const char* key) {
      for (const CSettingCount& s : counts)
        if (s.key == key) return s.devices;
      return std::size_t{0};
    };
    EXPECT_EQ(count(whole.mostDrifted, "DeviceName"), c.deviceName) << c.documents.size();
    EXPECT_EQ(count(whole.mostHidden, "IPaddr"), c.ipAddr);
    EXPECT_EQ(count(whole.mostDrifted, "IPaddr"), 0U);
    EXPECT_EQ(merged.inexactDuplicates, c.inexact);
  }
}

TEST(AuditRender, ErrorsAreNoDriftInTheDirectoryChart) {
  const CAuditSummary summary = Summarize(
      {Device("site-a/x.cfg", 0, 0, "cannot read"), Device("site-b/y.cfg", 2, 0, "", {"k"})}, 2, 0,
      false, false);
  std::ostringstream out;
  WriteAuditHtml(summary, "today", out);
  const std::string page = out.str();
  const std::string chart = page.substr(page.find("Drifted devices by directory"));
  EXPECT_EQ(chart.find(">site-a<"), std::string::npos) << chart;
  EXPECT_NE(chart.find(">site-b<"), std::string::npos);
  EXPECT_NE(chart.find(">1/1<"), std::string::npos);
}

// A shard whose fields are missing or out of range is refused whole, naming the field and what
// was expected, in the audit's words: never a wrapped count, a cut fraction or a library's text.
TEST(AuditMerge, BadFieldsAreRefusedByName) {
  std::ostringstream out;
  WriteAuditJson(Summarize({Device("a.cfg", 2, 0, "", {"Gateway"})}, 1, 0, false, false), out);
  const nlohmann::json good = nlohmann::json::parse(out.str());
  struct Case {
    const char* pointer;
    nlohmann::json value;  // null with `remove`
    bool remove;
    const char* message;
  };
  const Case cases[] = {
      {"/devices/0/differences", -3, false, "field 'devices[0].differences': expected a count"},
      {"/devices/0/differences", 1.5, false, "field 'devices[0].differences': expected a count"},
      {"/devices/0/differences", nlohmann::json::parse("18446744073709551621"), false,
       "field 'devices[0].differences'"},
      {"/devices/0/ignored", "7", false, "field 'devices[0].ignored': expected a count"},
      {"/devices/0/hidden_differences", std::uint64_t{1} << 53U, false,
       "field 'devices[0].hidden_differences': expected a count"},
      {"/devices/0/baseline_type", 4294967296LL, false,
       "field 'devices[0].baseline_type': expected a device type"},
      {"/devices/0/drift/0/kind", "sideways", false, "field 'devices[0].drift[0].kind'"},
      {"/devices/0/path", nullptr, true, "field 'devices[0].path' is missing"},
      {"/totals/targets", -1, false, "field 'totals.targets': expected a count"},
      {"/most_drifted/0/devices", 2.5, false, "field 'most_drifted[0].devices'"},
      {"/devices", "none", false, "field 'devices': expected an array"},
      {"/state", "paused", false, "field 'state'"},
      // A long text is told by its length: a refusal stays one short line.
      {"/state", std::string(5000, 'x'), false, "found a text of 5000 bytes"},
      {"/devices/0/status", std::string(5000, 'x'), false, "found a text of 5000 bytes"},
      {"/devices/0/drift/0/kind", std::string(5000, 'x'), false, "found a text of 5000 bytes"},
      {"/schema_version", std::string(5000, '3'), false, "schema_version a text of 5000 bytes"},
  };
  for (const Case& c : cases) {
    nlohmann::json bad = good;
    const nlohmann::json::json_pointer at(c.pointer);
    if (c.remove) {
      bad[at.parent_pointer()].erase(at.back());
    } else {
      bad[at] = c.value;
    }
    CMergedAudits merged;
    std::string error;
    EXPECT_FALSE(MergeAuditJson(bad.dump(), merged, error)) << c.pointer;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.pointer << ": " << error;
    EXPECT_LT(error.size(), 160U) << error;
    EXPECT_EQ(error.find("json.exception"), std::string::npos) << error;
    EXPECT_TRUE(merged.devices.empty());
  }
  std::string error;
  CMergedAudits merged;
  EXPECT_FALSE(MergeAuditJson("{\"kind\": [1, 2", merged, error));
  EXPECT_EQ(error.rfind("not JSON", 0), 0U) << error;
}

TEST(AuditRender, EveryFormatEscapesNames) {
  CDeviceResult evil = Device("=cmd|\"x\",\x1b[31m<b>%:.cfg", 1, 0, "", {"k<script>"});
  const CAuditSummary summary = Summarize({evil}, 1, 0, false, false);
  const struct {
    void (*write)(const CAuditSummary&, std::ostream&);
    std::vector<std::string> present;
    std::vector<std::string> absent;
  } cases[] = {
      {WriteTable, {"\\x1b[31m"}, {"\x1b"}},
      {WriteCsv, {"\"'=cmd|\"\"x\"\",\\x1b[31m<b>%:.cfg\""}, {"\x1b"}},
      {WriteGithub, {"file==cmd|\"x\"%2C\\x1b[31m<b>%25%3A.cfg,"}, {"\x1b"}},
      {WriteJunit, {"&lt;b&gt;", "k&lt;script&gt;"}, {"\x1b", "<b>", "<script>"}},
      {[](const CAuditSummary& s, std::ostream& o) { WriteAuditHtml(s, "today", o); },
       {"default-src 'none'", "&lt;b&gt;", "<svg"},
       {"\x1b", "<b>", "<script"}},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    c.write(summary, out);
    for (const std::string& text : c.present)
      EXPECT_NE(out.str().find(text), std::string::npos) << text << "\n" << out.str();
    for (const std::string& text : c.absent)
      EXPECT_EQ(out.str().find(text), std::string::npos) << text << "\n" << out.str();
  }
}

}  // namespace
}  // namespace varnic::audit
