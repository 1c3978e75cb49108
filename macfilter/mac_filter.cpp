#include "macfilter/mac_filter.h"

#include <array>
#include <deque>
#include <string>
#include <unordered_set>
#include <vector>

#include "rules/primitives.h"

namespace varnic {
namespace {

constexpr std::string_view kEntryKey = "filter_mac_add";

bool IsMacEntry(std::string_view line) {
  return GetItemKey(line).find(kEntryKey) != std::string_view::npos;
}

struct Pass {
  std::deque<std::size_t> positions;  // the pass's MAC entries, in bucket order
  CLineList common;                   // addresses the other bucket also holds
  CLineList own;                      // addresses only this bucket holds
};

// Whether an address is common is FindItemPositionByValue on the other bucket; a set of its
// values answers the same in one pass.
Pass Classify(const CLineList& bucket, const CLineList& other) {
  std::unordered_set<std::string_view> values;
  for (const std::string& line : other) values.insert(GetItemValue(line));
  Pass pass;
  for (std::size_t i = 0; i < bucket.size(); ++i) {
    if (!IsMacEntry(bucket[i])) continue;
    pass.positions.push_back(i);
    std::string address(GetItemValue(bucket[i]));
    (values.contains(address) ? pass.common : pass.own).push_back(std::move(address));
  }
  return pass;
}

// Tells the observer, per address, which entry it stood under before and which it stands under
// now; equal addresses are paired in order. Only runs with an observer attached.
void ReportRenumbering(const CLineList& before, const CLineList& after, FileSide side,
                       Section section, CCompareObserver& observer) {
  std::vector<bool> used(before.size(), false);
  for (const std::string& line : after) {
    const std::string_view address = GetItemValue(line);
    for (std::size_t i = 0; i < before.size(); ++i) {
      if (used[i] || GetItemValue(before[i]) != address) continue;
      used[i] = true;
      if (before[i] != line) observer.OnMacRenumbered(side, section, before[i], line);
      break;
    }
  }
}

// Rewrites the entries at `positions` as filter_mac_add1.. with `addresses`, when the counts
// agree; otherwise the bucket keeps its entries.
void Renumber(CLineList& bucket, std::deque<std::size_t>& positions, const CLineList& addresses,
              FileSide side, Section section, CCompareObserver* observer) {
  if (addresses.empty() || addresses.size() != positions.size()) return;
  CLineList before;
  CLineList after;
  for (std::size_t k = 0; k < addresses.size(); ++k) {
    std::string& line = bucket[positions.front()];
    positions.pop_front();
    std::string rewritten = std::string(kEntryKey) + std::to_string(k + 1) + "=" + addresses[k];
    if (observer != nullptr) {
      before.push_back(line);
      after.push_back(rewritten);
    }
    line = std::move(rewritten);
  }
  if (observer != nullptr) ReportRenumbering(before, after, side, section, *observer);
}

}  // namespace

std::optional<std::size_t> FindItemPositionByValue(const CLineList& list, std::string_view value) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (GetItemValue(list[i]) == value) return i;
  }
  return std::nullopt;
}

bool CompareMacFilterLists(CSectionBuckets& file1, CSectionBuckets& file2,
                           CCompareObserver* observer) {
  for (const Section section : {Section::k5GHzFilter, Section::k24GHzFilter}) {
    CLineList& f1 = file1[section];
    CLineList& f2 = file2[section];

    Pass first = Classify(f1, f2);
    CLineList merged = first.common;
    CLineList addresses = std::move(first.common);
    addresses.insert(addresses.end(), first.own.begin(), first.own.end());
    Renumber(f1, first.positions, addresses, FileSide::kFile1, section, observer);

    // File 1 holds the same values after its rewrite, so the second pass sees the same matches.
    Pass second = Classify(f2, f1);
    merged.insert(merged.end(), second.own.begin(), second.own.end());
    Renumber(f2, second.positions, merged, FileSide::kFile2, section, observer);
  }
  return true;
}

}  // namespace varnic
