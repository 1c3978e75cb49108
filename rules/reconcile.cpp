#include "rules/reconcile.h"

#include <algorithm>
#include <array>
#include <string>
#include <unordered_set>
#include <utility>

#include "rules/primitives.h"

namespace varnic {
namespace {

constexpr std::array<Section, 4> k5GHzGroup = {Section::k5GHzWireless, Section::k5GHzSecurity,
                                               Section::k5GHzFilter, Section::k5GHzMultiSSID};
constexpr std::array<Section, 4> k24GHzGroup = {Section::k24GHzWireless, Section::k24GHzSecurity,
                                                Section::k24GHzFilter, Section::k24GHzMultiSSID};

struct ReconciledSection {
  Section section;
  const CLineList CRuleLists::*rules;
};

constexpr std::array<ReconciledSection, 7> kReconciledSections = {{
    {Section::kSystem, &CRuleLists::system},
    {Section::k5GHzWireless, &CRuleLists::wireless},
    {Section::k24GHzWireless, &CRuleLists::wireless},
    {Section::k5GHzSecurity, &CRuleLists::security},
    {Section::k24GHzSecurity, &CRuleLists::security},
    {Section::k5GHzFilter, &CRuleLists::filter},
    {Section::k24GHzFilter, &CRuleLists::filter},
}};

bool IsIn(const CLineList& keys, std::string_view key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool BandIsEmpty(const CSectionBuckets& buckets, const std::array<Section, 4>& band) {
  return std::all_of(band.begin(), band.end(),
                     [&](Section section) { return buckets[section].empty(); });
}

struct Roles {
  FileSide type0Side;
  CSectionBuckets* type0;
  FileSide type1Side;
  CSectionBuckets* type1;
};

Roles RolesFor(std::int32_t nType1, CSectionBuckets& file1, CSectionBuckets& file2) {
  if (nType1 == 0) return {FileSide::kFile1, &file1, FileSide::kFile2, &file2};
  return {FileSide::kFile2, &file2, nType1 == 1 ? FileSide::kFile1 : FileSide::kFile2,
          nType1 == 1 ? &file1 : &file2};
}

// The key of a rule's first condition; empty when it has none.
std::string GoverningKey(std::string_view rule) {
  int cursor = 0;
  std::string key;
  std::string value;
  GetNextCondition(rule, cursor, key, value);
  return key;
}

template <typename Visit>
void ForEachRuleKey(std::string_view rule, Visit visit) {
  int cursor = 0;
  for (std::string_view key = GetNextRuleKey(rule, cursor); !key.empty();
       key = GetNextRuleKey(rule, cursor)) {
    visit(key);
  }
}

using CKeySet = std::unordered_set<std::string>;

// Only membership matters for the allowed keys, so a set serves where a list would make large
// sections quadratic.
CKeySet AllowedKeys(const CLineList& type1, const CLineList& rules) {
  CLineList named;
  for (const std::string& rule : rules) {
    ForEachRuleKey(rule, [&](std::string_view key) {
      if (!IsIn(named, key)) named.emplace_back(key);
    });
  }
  CKeySet allowed;
  for (const std::string& item : type1) {
    const std::string_view key = GetItemKey(item);
    if (!IsIn(named, key)) allowed.emplace(key);
  }
  for (const std::string& rule : rules) {
    const std::string governing = GoverningKey(rule);
    if (governing.empty()) continue;
    if (governing == "*") {
      ForEachRuleKey(rule, [&](std::string_view key) {
        if (FindItemPosition(type1, key)) allowed.emplace(key);
      });
    }
    if (!allowed.contains(governing) && FindItemPosition(type1, governing)) {
      allowed.insert(governing);
    }
  }
  return allowed;
}

}  // namespace

void ReconcileBands(std::int32_t nType1, CSectionBuckets& file1, CSectionBuckets& file2,
                    CCompareObserver* observer) {
  const Roles roles = RolesFor(nType1, file1, file2);
  const std::array<Section, 4>* band = nullptr;
  Band cleared = Band::k5GHz;
  if (BandIsEmpty(*roles.type0, k5GHzGroup)) {
    band = &k5GHzGroup;
  } else if (BandIsEmpty(*roles.type0, k24GHzGroup)) {
    band = &k24GHzGroup;
    cleared = Band::k24GHz;
  }
  if (band == nullptr) return;
  // Only a band that held lines is reported: clearing an empty one changes nothing to explain.
  const bool held = !BandIsEmpty(*roles.type1, *band);
  for (const Section section : *band) (*roles.type1)[section].clear();
  if (observer != nullptr && held) observer->OnBandCleared(roles.type1Side, cleared);
}

void ReconcileSections(std::int32_t nType1, CSectionBuckets& file1, CSectionBuckets& file2,
                       const CRuleLists& rules, CCompareObserver* observer) {
  const Roles roles = RolesFor(nType1, file1, file2);
  CLineList removed;
  CLineList restored;
  for (const auto& [section, list] : kReconciledSections) {
    CLineList& type0 = (*roles.type0)[section];
    const CLineList& type1 = (*roles.type1)[section];
    if (observer == nullptr) {
      ReconcileSection(type0, type1, rules.*list);
      continue;
    }
    removed.clear();
    restored.clear();
    ReconcileSection(type0, type1, rules.*list, &removed, &restored);
    for (const std::string& line : removed) {
      observer->OnReconcileRemoved(roles.type0Side, section, line);
    }
    for (const std::string& line : restored) {
      observer->OnReconcileRestored(roles.type0Side, section, line);
    }
  }
}

void ReconcileSection(CLineList& type0, const CLineList& type1, const CLineList& rules,
                      CLineList* removed, CLineList* restored) {
  // Everything read from the type-1 section is taken before the type-0 section changes: the
  // two may be one and the same list.
  const CKeySet allowed = AllowedKeys(type1, rules);
  if (type0.empty()) return;
  const CLineList snapshot = type0;
  const auto firstRemoved = std::stable_partition(
      type0.begin(), type0.end(),
      [&](const std::string& item) { return allowed.contains(std::string(GetItemKey(item))); });
  if (removed != nullptr) removed->insert(removed->end(), firstRemoved, type0.end());
  type0.erase(firstRemoved, type0.end());
  RestoreRuleKeys(type0, rules, snapshot, restored);
}

void RestoreRuleKeys(CLineList& bucket, const CLineList& rules, const CLineList& snapshot,
                     CLineList* restored) {
  for (const std::string& rule : rules) {
    if (!RuleHolds(snapshot, rule, Wildcard::kLiteral)) continue;
    // Keys come back only while the rule's governing key is still present.
    if (FindItem(bucket, GoverningKey(rule)).empty()) continue;
    int cursor = 0;
    std::string previous(GetNextRuleKey(rule, cursor));
    cursor = 0;
    ForEachRuleKey(rule, [&](std::string_view key) {
      std::string line = FindItem(snapshot, key);
      if (!line.empty() && !FindItemPosition(bucket, key)) {
        if (restored != nullptr) restored->push_back(line);
        const auto after = FindItemPosition(bucket, previous);
        if (after) {
          bucket.insert(bucket.begin() + static_cast<std::ptrdiff_t>(*after) + 1, std::move(line));
        } else {
          bucket.push_back(std::move(line));
        }
      }
      previous = key;
    });
  }
}

}  // namespace varnic
