#include "store/timeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnic::store {
namespace {

const CDriftRecord kA = {"[System]", "Gateway", "different", "1", "2", false};
const CDriftRecord kB = {"[2.4GHz_WirelessSettings]", "channel", "different", "6", "11", false};
const CDriftRecord kAIgnored = {"[System]", "Gateway", "different", "1", "2", true};

// Sets 1 {A}, 2 {A, B}, 3 {B}, 4 {A ignored}. Five runs, one a day:
//   ap1: {A}, {A,B}, {A,B}, unreadable, {B}
//   ap2: {A}, -, -, {A}, {A}       (gone two nights, back with the same drift)
//   ap3: {B}, {B}, -, -, -         (gone since run 2)
//   ap4: -, -, {A ignored}, -, {A}
struct CHistory {
  std::vector<CRun> runs;
  std::vector<CObservation> observations;
  DriftSets sets = {{1, {kA}}, {2, {kA, kB}}, {3, {kB}}, {4, {kAIgnored}}};

  CHistory() {
    for (int i = 1; i <= 5; ++i) {
      CRun run;
      run.id = i;
      run.startedAt = "2026-12-0" + std::to_string(i) + "T02:00:00Z";
      runs.push_back(run);
    }
    const struct {
      std::int64_t run;
      const char* name;
      std::int64_t set;
      const char* status;
    } readings[] = {
        {1, "ap1", 1, "drifted"}, {1, "ap2", 1, "drifted"}, {1, "ap3", 3, "drifted"},
        {2, "ap1", 2, "drifted"}, {2, "ap3", 3, "drifted"}, {3, "ap1", 2, "drifted"},
        {3, "ap4", 4, "clean"},   {4, "ap1", 0, "error"},   {4, "ap2", 1, "drifted"},
        {5, "ap1", 3, "drifted"}, {5, "ap2", 1, "drifted"}, {5, "ap4", 1, "drifted"},
    };
    for (const auto& r : readings) {
      CObservation o;
      o.run = r.run;
      o.name = r.name;
      o.driftSet = r.set;
      o.status = r.status;
      observations.push_back(o);
    }
  }
};

std::vector<std::string> Lines(const CSince& since) {
  std::vector<std::string> lines;
  for (const CSettingChange& c : since.settings) {
    lines.push_back(c.device + " " + c.state + " " + c.key + " first " +
                    std::to_string(c.firstSeenRun) + " at " + c.firstSeenAt.substr(0, 10));
  }
  for (const std::string& name : since.notSeen) lines.push_back(name + " not seen");
  return lines;
}

TEST(Timeline, SinceTellsNewFixedAndPersistingWithFirstSeen) {
  const CHistory h;
  const struct {
    std::int64_t reference;
    std::vector<std::string> lines;
  } cases[] = {
      {2,
       {"ap1 fixed Gateway first 1 at 2026-12-01",
        // An unreadable night neither fixes nor breaks the stretch.
        "ap1 persisting channel first 2 at 2026-12-02",
        // Nights a device was not audited do not break it either.
        "ap2 persisting Gateway first 1 at 2026-12-01",
        // An ignored setting is no drift: the stretch starts at run 5.
        "ap4 new Gateway first 5 at 2026-12-05", "ap3 not seen"}},
      {0,
       {"ap1 new channel first 2 at 2026-12-02", "ap2 new Gateway first 1 at 2026-12-01",
        "ap3 new channel first 1 at 2026-12-01", "ap4 new Gateway first 5 at 2026-12-05"}},
      // Nothing after the latest run: nothing to tell, and nobody missing.
      {5, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reference);
    const CSince since = Since(h.runs, h.observations, h.sets, c.reference);
    EXPECT_EQ(Lines(since), c.lines);
    std::size_t added = 0;
    for (const CSettingChange& s : since.settings) added += s.state == "new" ? 1 : 0;
    EXPECT_EQ(since.added, added);
  }
}

TEST(Timeline, ResolveSinceTakesRunsAndDates) {
  const CHistory h;
  const struct {
    const char* text;
    std::int64_t reference;  // -1: refused
  } cases[] = {
      {"3", 3},
      {"9", -1},
      {"2026-12-03", 2},  // the last run before that day
      {"2026-12-03T02:00:01Z", 3},
      {"2026-11-01", 0},  // before every run: everything is new
      {"yesterday", -1},
      {"2026-12-3", -1},
      {"99999999999999999999", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::int64_t reference = -7;
    std::string error;
    EXPECT_EQ(ResolveSince(h.runs, c.text, reference, error), c.reference >= 0) << error;
    if (c.reference >= 0) {
      EXPECT_EQ(reference, c.reference);
    }
  }
}

TEST(Timeline, DeviceReadingsSayWhatAppearedAndCleared) {
  const CHistory h;
  std::vector<CObservation> ap1;
  for (const CObservation& o : h.observations) {
    if (o.name == "ap1") ap1.push_back(o);
  }
  const std::vector<CTimelineEntry> entries = Timeline(h.runs, ap1, h.sets);
  ASSERT_EQ(entries.size(), 5U);
  const auto keys = [](const std::vector<CDriftRecord>& rows) {
    std::string text;
    for (const CDriftRecord& r : rows) text += r.key + ";";
    return text;
  };
  const char* appeared[] = {"Gateway;", "channel;", "", "", ""};
  const char* cleared[] = {"", "", "", "", "Gateway;"};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(keys(entries[i].appeared), appeared[i]);
    EXPECT_EQ(keys(entries[i].cleared), cleared[i]);
  }
  EXPECT_EQ(entries[3].startedAt, "2026-12-04T02:00:00Z");
}

TEST(Timeline, TrendsCountDevicesPerRun) {
  const CHistory h;
  const CTrends trends = Trends(h.runs, h.observations, h.sets, 1);
  EXPECT_EQ(trends.drifted, (std::vector<std::int64_t>{3, 2, 1, 1, 3}));
  ASSERT_EQ(trends.settings.size(), 1U);
  EXPECT_EQ(trends.settings[0].first, "[System] Gateway");
  EXPECT_EQ(trends.settings[0].second, (std::vector<std::int64_t>{2, 1, 1, 1, 2}));
}

}  // namespace
}  // namespace varnic::store
