#include "macfilter/mac_filter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace varnic
