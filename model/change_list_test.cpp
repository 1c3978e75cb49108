#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "varnic/changes.h"

namespace varnic {
namespace {

// Sizes at and around the ends of the first blocks (256, 768, 1792 values), where a fault in
// finding a position's block would read the wrong value or past a block, and one that reaches a
// block of 2 MB or more, which lies on huge pages and is freed as such.
TEST(CBlockList, ReadsBackEveryValueByPositionAndInOrder) {
  for (const std::size_t count : {0, 1, 255, 256, 257, 767, 768, 769, 1792, 5000, 140000}) {
    SCOPED_TRACE(count);
    CBlockList<CChange> list;
    for (std::size_t i = 0; i < count; ++i) {
      CChange change;
      change.detail = static_cast<std::uint32_t>(i);
      list.push_back(change);
      ASSERT_EQ(list.back().detail, i);
    }
    ASSERT_EQ(list.size(), count);
    EXPECT_EQ(list.empty(), count == 0);
    std::size_t expected = 0;
    for (const CChange& change : list) EXPECT_EQ(change.detail, expected++);
    EXPECT_EQ(expected, count);
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(list[i].detail, i);
    // A copy through the iterators, as a prepared file takes its split's changes.
    const std::vector<CChange> copied(list.begin(), list.end());
    EXPECT_EQ(copied.size(), count);

    // Moving keeps every value where it was: views into a comparison's log survive its move.
    const CChange* first = count == 0 ? nullptr : &list[0];
    CBlockList<CChange> moved = std::move(list);
    EXPECT_EQ(moved.size(), count);
    if (count > 0) {
      EXPECT_EQ(&moved[0], first);
    }
    list = CBlockList<CChange>();
    CChange again;
    again.detail = 7;
    list.push_back(again);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].detail, 7u);
  }
}

// Every field read back as it was logged, the line by its very bytes (readers find lines by
// address), including what does not fit a record: a detail past 2^23, the last kind.
TEST(CChangeList, ReadsBackEveryFieldOfEveryChange) {
  const std::string text = "auth_type=WEP\nkeysize=64\n";
  struct CCase {
    ChangeKind kind;
    FileSide file;
    std::optional<Section> section;
    std::uint32_t detail;
    std::string_view line;
  };
  const std::vector<CCase> cases = {
      {ChangeKind::kFiltered, FileSide::kFile1, Section::kSystem, 0, {text.data(), 13}},
      {ChangeKind::kFiltered,
       FileSide::kFile2,
       Section::k24GHzFilter,
       (1U << 23) - 1,
       {text.data() + 14, 10}},
      {ChangeKind::kUnknownSection, FileSide::kFile2, std::nullopt, 0, {text.data() + 14, 10}},
      {ChangeKind::kUnordered, FileSide::kFile1, Section::k5GHzMultiSSID, 3, {}},
      {ChangeKind::kRenumbered,
       FileSide::kFile2,
       Section::k5GHzFilter,
       1U << 23,
       {text.data(), 13}},
      {ChangeKind::kDuplicate, FileSide::kFile1, std::nullopt, UINT32_MAX,
       std::string_view(text).substr(0, 0)},
  };
  CChangeList list;
  for (const CCase& c : cases) {
    CChange change = MakeChange(c.kind, c.file, c.section, c.line);
    change.detail = c.detail;
    list.push_back(change);
  }
  ASSERT_EQ(list.size(), cases.size());
  std::size_t i = 0;
  for (auto at = list.begin(); at != list.end(); ++at, ++i) {
    SCOPED_TRACE(i);
    const CCase& c = cases[i];
    EXPECT_EQ(list.LineAt(i).data(), c.line.data());
    EXPECT_EQ(list.LineOf(at.Record()).size(), c.line.size());
    for (const CChange& read : {*at, list[i], list.Read(at.Record())}) {
      EXPECT_EQ(read.kind, c.kind);
      EXPECT_EQ(read.file, c.file);
      EXPECT_EQ(read.section, c.section);
      EXPECT_EQ(read.detail, c.detail);
      EXPECT_EQ(read.line.data(), c.line.data());
      EXPECT_EQ(read.line.size(), c.line.size());
    }
  }
  EXPECT_EQ(list.back().detail, UINT32_MAX);
  // A visit by kind reads the changes it wants, kept whole or not, in order.
  std::vector<std::uint32_t> details;
  list.ForEachOfKind(
      [](ChangeKind kind) {
        return kind != ChangeKind::kFiltered && kind != ChangeKind::kUnordered;
      },
      [&](const CChange& change) { details.push_back(change.detail); });
  EXPECT_EQ(details, (std::vector<std::uint32_t>{0, 1U << 23, UINT32_MAX}));
}

TEST(CChangeLog, KeepsEachRenumberingsLineAfterAcrossBlocks) {
  CChangeLog log;
  std::vector<std::string> afters;
  for (int i = 0; i < 1000; ++i) afters.push_back("filter_mac_add" + std::to_string(i + 1) + "=A");
  for (int i = 0; i < 1000; ++i) {
    log.Add(MakeChange(ChangeKind::kFiltered, FileSide::kFile1, Section::kSystem, "x"));
    log.AddRenumbered(MakeChange(ChangeKind::kRenumbered, FileSide::kFile2, Section::k5GHzFilter,
                                 "filter_mac_add9=A"),
                      afters[static_cast<std::size_t>(i)]);
  }
  ASSERT_EQ(log.Changes().size(), 2000u);
  std::size_t renumbered = 0;
  for (const CChange& change : log.Changes()) {
    if (change.kind != ChangeKind::kRenumbered) continue;
    EXPECT_EQ(log.After(change), afters[renumbered++]);
  }
  EXPECT_EQ(renumbered, 1000u);
}

}  // namespace
}  // namespace varnic
