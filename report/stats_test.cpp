#include "varnic/report/stats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "varnic/compare.h"
#include "varnic/report/report_model.h"

namespace varnic::report {
namespace {

// The 2.4 GHz security section of file 2 loses its stale WEP key to the rules; the wireless
// section, which no rule governs, is compared as it stands.
const CComparison& Example() {
  static const CComparison comparison =
      Compare({"[5GHz_WirelessSettings]\na=1\nb=1\nc=1\n[2.4GHz_SecuritySettings]\n"
               "auth_type=WPA2-Personal\n",
               0},
              {"[5GHz_WirelessSettings]\na=1\nb=2  \nd=1\n[2.4GHz_SecuritySettings]\n"
               "auth_type=WPA2-Personal\nkey1=stale\n",
               0});
  return comparison;
}

TEST(ComputeStats, CountsPairsPerSectionAndDroppedLines) {
  const auto stats = ComputeStats(Example());
  ASSERT_EQ(stats.size(), 3u);
  EXPECT_EQ(stats[0], (CSectionStats{"[5GHz_WirelessSettings]", 1, 1, 1, 1, 0}));
  EXPECT_EQ(stats[1], (CSectionStats{"[2.4GHz_SecuritySettings]", 1, 0, 0, 0, 1}));
  EXPECT_EQ(stats[2], (CSectionStats{"total", 2, 1, 1, 1, 1}));
}

TEST(RenderStats, FitsTheWidthWithEveryCountKept) {
  const std::vector<CSectionStats> stats = {
      {"[2.4GHz_MultiSSIDSettings]", 8, 1, 0, 0, 0, 0, 0, 3},
      {"[2.4GHz_SecuritySettings]", 4, 1, 0, 0, 0, 0, 2, 0},
      {"[System]", 6, 2, 0, 1, 4, 0, 0, 0},
      {"total", 1234567, 3, 0, 1, 4, 0, 0, 3},
  };
  std::vector<std::string> counts;
  for (const CSectionStats& s : stats) {
    for (const int n : {s.same, s.different, s.onlyLeft, s.onlyRight, s.dropped, s.reconciled,
                        s.hidden, s.ignored}) {
      counts.push_back(std::to_string(n));
    }
  }
  std::sort(counts.begin(), counts.end());
  const struct {
    std::size_t width;
    std::size_t headings;  // one per block of columns
    const char* name;      // how the longest section name shows
  } cases[] = {
      {0, 1, "[2.4GHz_MultiSSIDSettings] "},  // no limit: the full table, as ever
      {200, 1, "[2.4GHz_MultiSSIDSettings] "},
      {80, 1, "[2.4GHz_MultiSSIDSettings] "},
      // Shorter names would read the same: the last column goes below instead.
      {70, 2, "[2.4GHz_MultiSSIDSettings] "},
      {40, 3, "[2.4GHz_M...Settings] "},
      {20, 8, "[2.4G...ngs] "},  // a block per column, names as short as they may be
  };
  for (const auto& c : cases) {
    const std::string table = RenderStats(stats, c.width);
    std::istringstream lines(table);
    std::vector<std::string> numbers;
    std::size_t headings = 0;
    for (std::string line; std::getline(lines, line);) {
      if (c.width != 0) {
        EXPECT_LE(line.size(), c.width) << c.width << ": " << line;
      }
      headings += line.starts_with("section ") ? 1 : 0;
      std::istringstream words(line);
      for (std::string word; words >> word;) {
        if (word.find_first_not_of("0123456789") == std::string::npos) numbers.push_back(word);
      }
    }
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, counts) << c.width << "\n" << table;
    EXPECT_EQ(headings, c.headings) << c.width << "\n" << table;
    EXPECT_NE(table.find(c.name), std::string::npos) << c.width << "\n" << table;
  }
}

TEST(EntriesOf, OneEntryPerSettingWithValuesAsTheResultsShowThem) {
  const auto entries = EntriesOf(Example());
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[1].key, "b");
  EXPECT_EQ(entries[1].left, "1");
  EXPECT_EQ(entries[1].right, "2");  // trailing spaces take no part where both have the key
  EXPECT_EQ(entries[1].status, CEntry::Status::kDifferent);
  EXPECT_EQ(entries[2].right, std::nullopt);
  EXPECT_EQ(entries[2].status, CEntry::Status::kOnlyLeft);
  EXPECT_EQ(entries[3].left, std::nullopt);
  EXPECT_EQ(entries[3].status, CEntry::Status::kOnlyRight);
  EXPECT_EQ(entries[4].section, "[2.4GHz_SecuritySettings]");
}

}  // namespace
}  // namespace varnic::report
