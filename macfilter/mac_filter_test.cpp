#include "macfilter/mac_filter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "rules/primitives.h"

namespace varnic {
namespace {

struct MacCase {
  const char* name;
  CLines f1;
  CLines f2;
  CLines expected1;
  CLines expected2;
  friend void PrintTo(const MacCase& c, std::ostream* os) { *os << c.name; }
};

class MacFilterTest : public ::testing::TestWithParam<MacCase> {};

TEST_P(MacFilterTest, RenumbersSoEqualAddressesLineUp) {
  const MacCase& c = GetParam();
  CSectionBuckets file1;
  CSectionBuckets file2;
  file1[Section::k5GHzFilter] = c.f1;
  file2[Section::k5GHzFilter] = c.f2;
  CTextArena arena;
  CChangeLog log;
  CompareMacFilterLists(file1, file2, arena, log);
  EXPECT_EQ(file1[Section::k5GHzFilter], c.expected1);
  EXPECT_EQ(file2[Section::k5GHzFilter], c.expected2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MacFilterTest,
    ::testing::Values(
        MacCase{"WorkedExample",
                {"filter_mac_acl=Accept", "filter_mac_add1=M1", "filter_mac_add2=M2",
                 "filter_mac_add3=M3"},
                {"filter_mac_acl=Accept", "filter_mac_add1=M3", "filter_mac_add2=M4",
                 "filter_mac_add4=M1"},
                {"filter_mac_acl=Accept", "filter_mac_add1=M1", "filter_mac_add2=M3",
                 "filter_mac_add3=M2"},
                {"filter_mac_acl=Accept", "filter_mac_add1=M1", "filter_mac_add2=M3",
                 "filter_mac_add3=M4"}},
        MacCase{"RepeatedAddressLeavesFileTwoAlone",
                {"filter_mac_add1=M1", "filter_mac_add2=M1"},
                {"filter_mac_add7=M1"},
                {"filter_mac_add1=M1", "filter_mac_add2=M1"},
                {"filter_mac_add7=M1"}},
        MacCase{"SameAddressesOtherOrderBecomeIdentical",
                {"filter_mac_add1=A", "filter_mac_add2=B", "filter_mac_add3=C"},
                {"filter_mac_add5=C", "filter_mac_add1=B", "filter_mac_add9=A"},
                {"filter_mac_add1=A", "filter_mac_add2=B", "filter_mac_add3=C"},
                {"filter_mac_add1=A", "filter_mac_add2=B", "filter_mac_add3=C"}},
        MacCase{"FileOneWithoutEntriesRenumbersFileTwoInItsOrder",
                {"filter_mac_acl=Accept"},
                {"filter_mac_add4=X", "filter_mac_add2=Y"},
                {"filter_mac_acl=Accept"},
                {"filter_mac_add1=X", "filter_mac_add2=Y"}},
        MacCase{"LetterCaseMakesADifferentAddress",
                {"filter_mac_add1=aa:bb"},
                {"filter_mac_add1=AA:BB"},
                {"filter_mac_add1=aa:bb"},
                {"filter_mac_add1=AA:BB"}},
        MacCase{"EmptyAddressMatchesAnyEmptyValue",
                {"filter_mac_add3=", "filter_mac_add4=Z"},
                {"note=", "filter_mac_add1=Z"},
                {"filter_mac_add1=", "filter_mac_add2=Z"},
                // one common address on each side would need two merged entries for one slot
                {"note=", "filter_mac_add1=Z"}},
        // Addresses in their usual spelling are matched by a packed code: it must tell letter
        // case and every digit apart, and other spellings still match byte for byte.
        MacCase{"FullAddressesMatchByEveryDigitAndLetterCase",
                {"filter_mac_add1=02:1A:2B:C3:58:77", "filter_mac_add2=02:1A:2B:C3:58:78",
                 "filter_mac_add3=0a:1A:2B:C3:58:77", "filter_mac_add4=02-1A-2B-C3-58-77",
                 "filter_mac_add5=02:1A:2B:C3:58:7G"},
                {"filter_mac_add1=02:1A:2B:C3:58:7G", "filter_mac_add2=0A:1A:2B:C3:58:77",
                 "filter_mac_add3=02-1A-2B-C3-58-77", "filter_mac_add4=02:1A:2B:C3:58:77",
                 "filter_mac_add5=02:1a:2B:C3:58:78"},
                {"filter_mac_add1=02:1A:2B:C3:58:77", "filter_mac_add2=02-1A-2B-C3-58-77",
                 "filter_mac_add3=02:1A:2B:C3:58:7G", "filter_mac_add4=02:1A:2B:C3:58:78",
                 "filter_mac_add5=0a:1A:2B:C3:58:77"},
                {"filter_mac_add1=02:1A:2B:C3:58:77", "filter_mac_add2=02-1A-2B-C3-58-77",
                 "filter_mac_add3=02:1A:2B:C3:58:7G", "filter_mac_add4=0A:1A:2B:C3:58:77",
                 "filter_mac_add5=02:1a:2B:C3:58:78"}},
        MacCase{"NonEntryLinesKeepTextAndPlace",
                {"x=1", "filter_mac_add9=A", "y=2"},
                {"filter_mac_add3=A", "z=3"},
                {"x=1", "filter_mac_add1=A", "y=2"},
                {"filter_mac_add1=A", "z=3"}}),
    [](const auto& info) { return info.param.name; });

TEST(CompareMacFilterLists, BandsAreMatchedSeparately) {
  CSectionBuckets file1;
  CSectionBuckets file2;
  file1[Section::k5GHzFilter] = {"filter_mac_add1=A", "filter_mac_add2=B"};
  file2[Section::k5GHzFilter] = {"filter_mac_add1=B"};
  file2[Section::k24GHzFilter] = {"filter_mac_add1=A"};
  CTextArena arena;
  CChangeLog log;
  CompareMacFilterLists(file1, file2, arena, log);
  // A is held by file 2 only on the other band, so it is file 1's own address here.
  EXPECT_EQ(file1[Section::k5GHzFilter], (CLines{"filter_mac_add1=B", "filter_mac_add2=A"}));
  EXPECT_EQ(file2[Section::k24GHzFilter], CLines{"filter_mac_add1=A"});
}

TEST(CompareMacFilterLists, FailedCountOnOneBandStillProcessesTheOther) {
  CSectionBuckets file1;
  CSectionBuckets file2;
  file1[Section::k5GHzFilter] = {"filter_mac_add1=M1", "filter_mac_add2=M1"};
  file2[Section::k5GHzFilter] = {"filter_mac_add3=M1"};
  file1[Section::k24GHzFilter] = {"filter_mac_add1=P"};
  file2[Section::k24GHzFilter] = {"filter_mac_add2=Q", "filter_mac_add5=P"};
  CTextArena arena;
  CChangeLog log;
  CompareMacFilterLists(file1, file2, arena, log);
  EXPECT_EQ(file2[Section::k5GHzFilter], CLines{"filter_mac_add3=M1"});
  EXPECT_EQ(file2[Section::k24GHzFilter], (CLines{"filter_mac_add1=P", "filter_mac_add2=Q"}));
}

TEST(FindItemPositionByValue, AnyKeyExactValue) {
  const CLines list = {"filter_mac_acl=Accept", "x=aa", "filter_mac_add1=AA"};
  EXPECT_EQ(FindItemPositionByValue(list, "AA"), 2u);
  EXPECT_EQ(FindItemPositionByValue(list, "Accept"), 0u);
  EXPECT_EQ(FindItemPositionByValue(list, "A"), std::nullopt);
}

TEST(CompareMacFilterLists, LogsEachMovedAddressWithItsOldAndNewEntry) {
  CSectionBuckets file1;
  CSectionBuckets file2;
  file1[Section::k5GHzFilter] = {"filter_mac_add1=M1", "filter_mac_add2=M2", "filter_mac_add3=M2"};
  file2[Section::k5GHzFilter] = {"filter_mac_add1=M2", "filter_mac_add2=M1", "filter_mac_add7=M2",
                                 "filter_mac_add4=M5"};
  CTextArena arena;
  CChangeLog log;
  CompareMacFilterLists(file1, file2, arena, log);
  std::vector<std::string> moves;
  for (const CChange& change : log.Changes()) {
    moves.push_back(std::to_string(static_cast<int>(change.file)) + " " + std::string(change.line) +
                    " -> " + std::string(log.After(change)));
  }
  // Repeated addresses pair up in order; an entry that kept its number is no move.
  EXPECT_EQ(moves, (std::vector<std::string>{
                       "2 filter_mac_add2=M1 -> filter_mac_add1=M1",
                       "2 filter_mac_add1=M2 -> filter_mac_add2=M2",
                       "2 filter_mac_add7=M2 -> filter_mac_add3=M2",
                   }));
}

// The step as plainly as it can be written: linear searches by value and text comparisons, the
// matching queue of old entries per address included. The step itself reads packed codes, entry
// numbers and a hash table; every shortcut there must agree with this.
struct CPlainResult {
  CLines f1;
  CLines f2;
  std::vector<std::string> log;
};

CPlainResult PlainRenumber(CLines f1, CLines f2, CTextArena& arena) {
  CPlainResult result;
  const auto isEntry = [](std::string_view line) {
    return GetItemKey(line).find("filter_mac_add") != std::string_view::npos;
  };
  const auto entryText = [&](std::size_t k, std::string_view address) {
    return arena.Store({"filter_mac_add", std::to_string(k + 1), "=", address});
  };
  const auto rewrite = [&](CLines& lines, const std::vector<std::size_t>& positions,
                           const CLines& addresses) {
    for (std::size_t k = 0; k < positions.size(); ++k) {
      lines[positions[k]] = entryText(k, addresses[k]);
    }
  };
  std::vector<std::size_t> positions1;
  CLines common;
  CLines own1;
  for (std::size_t i = 0; i < f1.size(); ++i) {
    if (!isEntry(f1[i])) continue;
    positions1.push_back(i);
    (FindItemPositionByValue(f2, GetItemValue(f1[i])) ? common : own1)
        .push_back(GetItemValue(f1[i]));
  }
  CLines sources;  // old lines: common then own
  for (const bool wantCommon : {true, false}) {
    for (const std::size_t i : positions1) {
      if (FindItemPositionByValue(f2, GetItemValue(f1[i])).has_value() == wantCommon) {
        sources.push_back(f1[i]);
      }
    }
  }
  CLines addresses1 = common;
  addresses1.insert(addresses1.end(), own1.begin(), own1.end());
  rewrite(f1, positions1, addresses1);
  for (std::size_t k = 0; k < positions1.size(); ++k) {
    if (sources[k] != f1[positions1[k]]) {
      result.log.push_back("1 " + std::string(sources[k]) + " -> " +
                           std::string(f1[positions1[k]]));
    }
  }
  std::vector<std::size_t> positions2;
  CLines merged = common;
  for (std::size_t j = 0; j < f2.size(); ++j) {
    if (!isEntry(f2[j])) continue;
    positions2.push_back(j);
    if (!FindItemPositionByValue(f1, GetItemValue(f2[j]))) merged.push_back(GetItemValue(f2[j]));
  }
  if (!merged.empty() && merged.size() == positions2.size()) {
    CLines old2;
    for (const std::size_t j : positions2) old2.push_back(f2[j]);
    rewrite(f2, positions2, merged);
    std::vector<bool> used(old2.size(), false);
    for (std::size_t k = 0; k < merged.size(); ++k) {
      for (std::size_t o = 0; o < old2.size(); ++o) {
        if (used[o] || GetItemValue(old2[o]) != merged[k]) continue;
        used[o] = true;
        if (old2[o] != f2[positions2[k]]) {
          result.log.push_back("2 " + std::string(old2[o]) + " -> " +
                               std::string(f2[positions2[k]]));
        }
        break;
      }
    }
  }
  result.f1 = std::move(f1);
  result.f2 = std::move(f2);
  return result;
}

// Random buckets over few keys and values, so that addresses repeat, are shared, hide behind
// other keys, and numbers are written in other ways than a rewrite writes them.
TEST(CompareMacFilterLists, AgreesWithAPlainRenumberingOnRandomLists) {
  const std::vector<std::string> keys = {"filter_mac_add1",
                                         "filter_mac_add2",
                                         "filter_mac_add3",
                                         "filter_mac_add03",
                                         "filter_mac_add",
                                         "filter_mac_add2x",
                                         "filter_mac_add4294967296",
                                         "filter_mac_add12345678901",
                                         "xfilter_mac_add1",
                                         "filter_mac_acl",
                                         "note",
                                         ""};
  const std::vector<std::string> values = {"02:1A:2B:C3:58:77",
                                           "02:1a:2B:C3:58:77",
                                           "0A:1A:2B:C3:58:77",
                                           "M1",
                                           "M2",
                                           "",
                                           "Accept",
                                           "=M1"};
  std::mt19937 random(24);
  const auto bucket = [&](std::vector<std::string>& store) {
    const std::size_t lines = random() % 7;
    for (std::size_t i = 0; i < lines; ++i) {
      const std::string& key = keys[random() % keys.size()];
      store.push_back(
          key.empty() && random() % 2 == 0 ? "bare" : key + "=" + values[random() % values.size()]);
    }
  };
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> texts1;
    std::vector<std::string> texts2;
    bucket(texts1);
    // A list often meets itself: a device that keeps its baseline's.
    if (round % 4 == 0) {
      texts2 = texts1;
    } else {
      bucket(texts2);
    }
    const CLines f1(texts1.begin(), texts1.end());
    const CLines f2(texts2.begin(), texts2.end());
    CTextArena arena;
    const CPlainResult expected = PlainRenumber(f1, f2, arena);
    CSectionBuckets file1;
    CSectionBuckets file2;
    file1[Section::k24GHzFilter] = f1;
    file2[Section::k24GHzFilter] = f2;
    CChangeLog log;
    CompareMacFilterLists(file1, file2, arena, log);
    std::vector<std::string> moves;
    for (const CChange& change : log.Changes()) {
      moves.push_back(std::to_string(static_cast<int>(change.file)) + " " +
                      std::string(change.line) + " -> " + std::string(log.After(change)));
    }
    ASSERT_EQ(file1[Section::k24GHzFilter], expected.f1) << "round " << round;
    ASSERT_EQ(file2[Section::k24GHzFilter], expected.f2) << "round " << round;
    ASSERT_EQ(moves, expected.log) << "round " << round;
  }
}

}  // namespace
}  // namespace varnic
