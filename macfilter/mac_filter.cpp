#include "macfilter/mac_filter.h"

#include <string>
#include <vector>

#include "model/hash_index.h"
#include "rules/primitives.h"

namespace varnic {
namespace {

constexpr std::string_view kEntryKey = "filter_mac_add";

bool IsMacEntry(std::string_view line) {
  return GetItemKey(line).find(kEntryKey) != std::string_view::npos;
}

struct Pass {
  std::vector<std::size_t> positions;  // the pass's MAC entries, in bucket order
  CLines common;                       // addresses the other bucket also holds
  CLines own;                          // addresses only this bucket holds
};

// Whether an address is common is FindItemPositionByValue on the other bucket; a set of its
// values answers the same in one pass.
Pass Classify(const CLines& bucket, const CLines& other) {
  CViewSet values(other.size());
  for (const std::string_view line : other) values.Insert(GetItemValue(line));
  Pass pass;
  for (std::size_t i = 0; i < bucket.size(); ++i) {
    if (!IsMacEntry(bucket[i])) continue;
    pass.positions.push_back(i);
    const std::string_view address = GetItemValue(bucket[i]);
    (values.Contains(address) ? pass.common : pass.own).push_back(address);
  }
  return pass;
}

// Logs, per address, the entry it stood under before and the one it stands under now. Equal
// addresses pair up in order: each new entry takes the first unused old entry of its address.
void LogRenumbering(const CLines& before, const CLines& after, FileSide side, Section section,
                    CChangeLog& log) {
  // Old entries chained per address, first first.
  CHashIndex groups(before.size());
  std::vector<std::uint32_t> representative;
  std::vector<std::uint32_t> head;
  std::vector<std::uint32_t> next(before.size(), CHashIndex::kNone);
  const auto addressOf = [&](std::uint32_t group) {
    return GetItemValue(before[representative[group]]);
  };
  for (std::size_t i = before.size(); i-- > 0;) {
    const std::string_view address = GetItemValue(before[i]);
    const auto candidate = static_cast<std::uint32_t>(head.size());
    const std::uint32_t group = groups.FindOrInsert(
        HashOf(address), candidate, [&](std::uint32_t g) { return addressOf(g) == address; });
    if (group == candidate) {
      representative.push_back(static_cast<std::uint32_t>(i));
      head.push_back(CHashIndex::kNone);
    }
    next[i] = head[group];
    head[group] = static_cast<std::uint32_t>(i);
  }
  for (const std::string_view line : after) {
    const std::string_view address = GetItemValue(line);
    const std::uint32_t group =
        groups.Find(HashOf(address), [&](std::uint32_t g) { return addressOf(g) == address; });
    if (group == CHashIndex::kNone || head[group] == CHashIndex::kNone) continue;
    const std::uint32_t old = head[group];
    head[group] = next[old];
    if (before[old] != line) {
      log.AddRenumbered(MakeChange(ChangeKind::kRenumbered, side, section, before[old]), line);
    }
  }
}

// Rewrites the entries at `positions` as filter_mac_add1.. with `addresses`, when the counts
// agree; otherwise the bucket keeps its entries.
void Renumber(CLines& bucket, const std::vector<std::size_t>& positions, const CLines& addresses,
              FileSide side, Section section, CTextArena& arena, CChangeLog& log) {
  if (addresses.empty() || addresses.size() != positions.size()) return;
  CLines before;
  CLines after;
  before.reserve(positions.size());
  after.reserve(positions.size());
  for (std::size_t k = 0; k < addresses.size(); ++k) {
    std::string_view& line = bucket[positions[k]];
    const std::string number = std::to_string(k + 1);
    before.push_back(line);
    line = arena.Store({kEntryKey, number, "=", addresses[k]});
    after.push_back(line);
  }
  LogRenumbering(before, after, side, section, log);
}

}  // namespace

std::optional<std::size_t> FindItemPositionByValue(const CLines& list, std::string_view value) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (GetItemValue(list[i]) == value) return i;
  }
  return std::nullopt;
}

void CompareMacFilterLists(CSectionBuckets& file1, CSectionBuckets& file2, CTextArena& arena,
                           CChangeLog& log) {
  for (const Section section : {Section::k5GHzFilter, Section::k24GHzFilter}) {
    CLines& f1 = file1[section];
    CLines& f2 = file2[section];

    const Pass first = Classify(f1, f2);
    CLines merged = first.common;
    CLines addresses = first.common;
    addresses.insert(addresses.end(), first.own.begin(), first.own.end());
    Renumber(f1, first.positions, addresses, FileSide::kFile1, section, arena, log);

    // File 1 holds the same values after its rewrite, so the second pass sees the same matches.
    const Pass second = Classify(f2, f1);
    merged.insert(merged.end(), second.own.begin(), second.own.end());
    Renumber(f2, second.positions, merged, FileSide::kFile2, section, arena, log);
  }
}

}  // namespace varnic
