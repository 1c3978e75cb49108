#include "rules/reconcile.h"

#include <algorithm>
#include <array>
#include <utility>

#include "model/hash_index.h"
#include "rules/primitives.h"
#include "rules/rule_lists.h"

namespace varnic {
namespace {

bool BandIsEmpty(const CSectionBuckets& buckets, Band band) {
  const auto& sections = BandSections(band);
  return std::all_of(sections.begin(), sections.end(),
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

CViewSet KeysOf(const CLines& items) {
  CViewSet keys(items.size());
  for (const std::string_view item : items) keys.Insert(GetItemKey(item));
  return keys;
}

// Only membership matters for the allowed keys, so a set serves where a list would make large
// sections quadratic.
CViewSet AllowedKeys(const CLines& type1, const CRuleList& rules) {
  CViewSet named;
  for (const CRule& rule : rules) {
    for (const std::string_view key : rule.Keys()) named.Insert(key);
  }
  const CViewSet present = KeysOf(type1);
  CViewSet allowed;
  for (const std::string_view item : type1) {
    const std::string_view key = GetItemKey(item);
    if (!named.Contains(key)) allowed.Insert(key);
  }
  for (const CRule& rule : rules) {
    const std::string_view governing = rule.GoverningKey();
    if (governing.empty()) continue;
    if (governing == "*") {
      for (const std::string_view key : rule.Keys()) {
        if (present.Contains(key)) allowed.Insert(key);
      }
    }
    if (present.Contains(governing)) allowed.Insert(governing);
  }
  return allowed;
}

}  // namespace

void ReconcileBands(std::int32_t nType1, CSectionBuckets& file1, CSectionBuckets& file2,
                    CChangeLog& log) {
  const Roles roles = RolesFor(nType1, file1, file2);
  for (const Band band : {Band::k5GHz, Band::k24GHz}) {
    if (!BandIsEmpty(*roles.type0, band)) continue;
    for (const Section section : BandSections(band)) {
      CLines& bucket = (*roles.type1)[section];
      for (const std::string_view line : bucket) {
        log.Add(MakeChange(ChangeKind::kBandCleared, roles.type1Side, section, line));
      }
      bucket.clear();
    }
    return;
  }
}

void ReconcileSections(std::int32_t nType1, CSectionBuckets& file1, CSectionBuckets& file2,
                       CChangeLog& log) {
  const Roles roles = RolesFor(nType1, file1, file2);
  CLines removed;
  CLines restored;
  for (const CSectionRules& entry : SectionRuleTable()) {
    if (!entry.reconciled) continue;
    removed.clear();
    restored.clear();
    ReconcileSection((*roles.type0)[entry.section], (*roles.type1)[entry.section], *entry.rules,
                     removed, restored);
    for (const auto& [lines, kind] : {std::pair{&removed, ChangeKind::kReconcileRemoved},
                                      std::pair{&restored, ChangeKind::kReconcileRestored}}) {
      for (const std::string_view line : *lines) {
        log.Add(MakeChange(kind, roles.type0Side, entry.section, line));
      }
    }
  }
}

void ReconcileSection(CLines& type0, const CLines& type1, const CRuleList& rules, CLines& removed,
                      CLines& restored) {
  // Everything read from the type-1 section is taken before the type-0 section changes: the
  // two may be one and the same list.
  const CViewSet allowed = AllowedKeys(type1, rules);
  if (type0.empty()) return;
  const CLines snapshot = type0;
  std::size_t kept = 0;
  for (const std::string_view item : snapshot) {
    if (allowed.Contains(GetItemKey(item))) {
      type0[kept++] = item;
    } else {
      removed.push_back(item);
    }
  }
  type0.resize(kept);
  RestoreRuleKeys(type0, rules, snapshot, restored);
}

void RestoreRuleKeys(CLines& bucket, const CRuleList& rules, const CLines& snapshot,
                     CLines& restored) {
  CConditionMemo memo(snapshot, rules, Wildcard::kLiteral);
  // Built once a rule holds: the keys of `bucket`, and the first line of each key of `snapshot`.
  CViewSet present;
  CHashIndex firstOfKey;
  bool indexed = false;
  const auto firstLine = [&](std::string_view key) {
    const std::uint32_t i = firstOfKey.Find(
        HashOf(key), [&](std::uint32_t at) { return GetItemKey(snapshot[at]) == key; });
    return i == CHashIndex::kNone ? std::string_view() : snapshot[i];
  };
  for (const CRule& rule : rules) {
    if (!memo.RuleHolds(rule)) continue;
    // Keys come back only while the rule's governing key is still present.
    if (FindItem(bucket, rule.GoverningKey()).empty()) continue;
    if (!indexed) {
      present = KeysOf(bucket);
      firstOfKey = CHashIndex(snapshot.size());
      for (std::uint32_t i = 0; i < snapshot.size(); ++i) {
        const std::string_view key = GetItemKey(snapshot[i]);
        firstOfKey.FindOrInsert(HashOf(key), i,
                                [&](std::uint32_t at) { return GetItemKey(snapshot[at]) == key; });
      }
      indexed = true;
    }
    std::string_view previous = rule.Keys().empty() ? std::string_view() : rule.Keys().front();
    for (const std::string_view key : rule.Keys()) {
      const std::string_view line = firstLine(key);
      if (!line.empty() && !present.Contains(key)) {
        restored.push_back(line);
        const auto after = FindItemPosition(bucket, previous);
        bucket.insert(
            after ? bucket.begin() + static_cast<std::ptrdiff_t>(*after) + 1 : bucket.end(), line);
        present.Insert(key);
      }
      previous = key;
    }
  }
}

}  // namespace varnic
