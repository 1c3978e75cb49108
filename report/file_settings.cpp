#include "report/file_settings.h"

#include <algorithm>
#include <array>
#include <span>
#include <unordered_set>
#include <vector>

#include "engine/align.h"
#include "model/byte_search.h"
#include "report/large_vectors.h"
#include "report/unsettled_keys.h"
#include "rules/primitives.h"

namespace varnic::report {
namespace {

// Settings whose values the words of an explanation quote.
bool DecidesRelevance(std::string_view key) {
  static constexpr std::array<std::string_view, 6> kKeys = {
      "auth_type", "wep_status", "filter_mac_acl", "DHCPclient", "Telnet_option", "Multi_Status"};
  if (std::find(kKeys.begin(), kKeys.end(), key) != kKeys.end()) return true;
  if (!key.starts_with("SSID")) return false;
  return key.ends_with("_Status") || key.ends_with("_Security");
}

std::uint32_t SlotHash(Section section, std::string_view key) {
  return HashOf(key) ^ (static_cast<std::uint32_t>(section) * 0x9e3779b9U);
}

bool SetsAside(ChangeKind kind) {
  return kind == ChangeKind::kFiltered || kind == ChangeKind::kReconcileRemoved ||
         kind == ChangeKind::kDuplicate || kind == ChangeKind::kUnordered;
}

// A line set aside: its record, and what its look-up needs besides its line.
struct CAside {
  const CChangeRecord* record;
  Section section;
  FileSide file;
};

// Whether both files set aside the same lines in the same order: then each key's lines set
// aside are alike too.
bool SetAsideAlike(std::span<const CAside> section, const CChangeList& changes) {
  const auto next = [&](std::size_t at, FileSide file) {
    while (at < section.size() && section[at].file != file) ++at;
    return at;
  };
  std::size_t a = next(0, FileSide::kFile1);
  std::size_t b = next(0, FileSide::kFile2);
  for (; a < section.size() && b < section.size();
       a = next(a + 1, FileSide::kFile1), b = next(b + 1, FileSide::kFile2)) {
    if (changes.LineOf(*section[a].record) != changes.LineOf(*section[b].record)) return false;
  }
  return a == section.size() && b == section.size();
}

// Whether every row holds a line of each file under one key: then no line set aside stands
// opposite a compared one.
bool RowsShareKeys(const CSectionRows& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!RowSharesKey(rows, i)) return false;
  }
  return true;
}

// A section that sets aside at least this many lines, and not alike in both files, is looked at
// key by key: a large pair's sections each hold a few hidden differences among thousands of
// lines set aside alike. A fleet's devices, a few dozen lines a section, are not worth the search.
constexpr std::size_t kKeyByKey = 512;

// Whether the words of an explanation may quote the line, a setting that decides relevance.
bool Quoted(const CAside& line, const CChangeList& changes) {
  return DecidesRelevance(CFileSettings::MatchKey(line.section, changes.LineOf(*line.record)));
}

// Whether a search key by key pays for `section`, and if so its keys that may hold a hidden
// difference, in `unsettled`.
bool FindUnsettled(std::span<const CAside> section, const CChangeList& changes,
                   const CSectionRows* rows, CUnsettledKeys& unsettled) {
  if (section.size() < kKeyByKey) return false;
  unsettled.Clear(section.front().section);
  for (const CAside& aside : section) unsettled.AddLine(aside.file, changes.LineOf(*aside.record));
  return unsettled.Find(rows);
}

// Leaves out of `setAside` (the lines set aside, by section in output order: those of the r-th
// section end at sectionAt[r]) the sections that hold no hidden difference, and in a large
// section the keys that hold none; with `quoted`, not the lines of the settings explanations
// quote, whose words any line set aside may ask. The lines kept move to the front, in order.
void LeaveOutSettled(const CComparison& comparison, const CChangeList& changes,
                     const std::array<std::uint32_t, kSectionCount + 1>& sectionAt, bool quoted,
                     std::vector<CAside>& setAside) {
  std::array<const CSectionRows*, kSectionCount> rowsOf{};
  for (const CSectionRows& rows : comparison.Sections()) {
    rowsOf[static_cast<std::size_t>(rows.section())] = &rows;
  }
  CUnsettledKeys unsettled;
  std::size_t kept = 0;
  for (std::size_t r = 0; r < kEmissionOrder.size(); ++r) {
    const std::size_t begin = r == 0 ? 0 : sectionAt[r - 1];
    const std::span<const CAside> section =
        std::span<const CAside>(setAside).subspan(begin, sectionAt[r] - begin);
    if (section.empty()) continue;
    const CSectionRows* rows = rowsOf[static_cast<std::size_t>(kEmissionOrder[r])];
    const bool alike = SetAsideAlike(section, changes) && (rows == nullptr || RowsShareKeys(*rows));
    const bool byKey = !alike && FindUnsettled(section, changes, rows, unsettled);
    if (alike && !quoted) continue;
    if (!alike && !byKey) {  // kept whole, as most of a drifted device's sections are
      if (kept != begin) std::copy(section.begin(), section.end(), setAside.data() + kept);
      kept += section.size();
      continue;
    }
    if (byKey) unsettled.Decide(DecidesRelevance);
    // Each line is read before any is written over it: `kept` never passes the line being read.
    std::array<std::size_t, 2> perFile{};  // the lines of each file met so far
    for (const CAside& line : section) {
      const bool keep = alike ? Quoted(line, changes)
                              : unsettled.Keeps(line.file, perFile[SideIndex(line.file)]++);
      if (keep) setAside[kept++] = line;
    }
  }
  setAside.resize(kept);
}

}  // namespace

std::string_view SettingKey(std::string_view line) { return line.substr(0, FindByte(line, '=')); }

std::string_view CFileSettings::MatchKey(Section section, std::string_view line) {
  const std::string_view key = SettingKey(line);
  if (IsMacFilterSection(section) && key.starts_with("filter_mac_add")) {
    return TrimTrailingSpaces(GetItemValue(line));
  }
  return key;
}

std::uint32_t CFileSettings::FindSlot(Section section, std::string_view key) const {
  return FindSlot(section, key, SlotHash(section, key));
}

std::uint32_t CFileSettings::FindSlot(Section section, std::string_view key,
                                      std::uint32_t hash) const {
  return index_.Find(hash, [&](std::uint32_t slot) {
    return slots_[slot].section == section && slots_[slot].key == key;
  });
}

std::uint32_t CFileSettings::AddSlot(Section section, std::string_view key) {
  return AddSlot(section, key, SlotHash(section, key));
}

std::uint32_t CFileSettings::AddSlot(Section section, std::string_view key, std::uint32_t hash) {
  const auto next = static_cast<std::uint32_t>(slots_.size());
  const std::uint32_t slot = index_.FindOrInsert(hash, next, [&](std::uint32_t s) {
    return slots_[s].section == section && slots_[s].key == key;
  });
  if (slot == next) slots_.push_back({key, next, section});
  return slot;
}

CFileSettings::CFileSettings(const CComparison& comparison, Scope scope) {
  struct CPending {
    std::uint32_t bucket;  // 2 * slot + side - 1
    CSetting setting;
  };
  const auto bucket = [](std::uint32_t slot, FileSide side) {
    return 2 * slot + static_cast<std::uint32_t>(side) - 1;
  };
  std::array<std::uint8_t, kSectionCount> rank{};
  for (std::size_t i = 0; i < kEmissionOrder.size(); ++i) {
    rank[static_cast<std::size_t>(kEmissionOrder[i])] = static_cast<std::uint8_t>(i);
  }
  // Changes are read by value from the log: they are known here by their records.
  const CChangeList& changes = comparison.Changes().Changes();
  const auto rankOf = [&rank](const CAside& aside) {
    return rank[static_cast<std::size_t>(aside.section)];
  };
  std::vector<CAside> asideChanges;
  std::vector<CChange> restoredChanges;
  std::array<std::uint32_t, kSectionCount + 1> sectionAt{};
  std::array<std::size_t, 2> perFile{};
  bool reconciled = false;
  // Room for every change: most set a line aside, and a device's few hundred grew the list a
  // dozen times (pages never used are never touched).
  asideChanges.reserve(changes.size());
  // One pass over the log; a line reconciliation removed and then restored was compared after
  // all, and only a pair of two device types has such lines.
  for (auto at = changes.begin(); at != changes.end(); ++at) {
    const CChange change = *at;
    reconciled = reconciled || change.kind == ChangeKind::kReconcileRemoved ||
                 change.kind == ChangeKind::kReconcileRestored;
    if (change.kind == ChangeKind::kReconcileRestored) {
      restoredChanges.push_back(change);
    } else if (SetsAside(change.kind) && change.section) {
      asideChanges.push_back({&at.Record(), *change.section, change.file});
    }
  }
  if (!restoredChanges.empty()) {
    std::unordered_set<const char*> restored;
    for (const CChange& change : restoredChanges) restored.insert(change.line.data());
    std::erase_if(asideChanges, [&](const CAside& aside) {
      const CChange change = changes.Read(*aside.record);
      return change.kind == ChangeKind::kReconcileRemoved && restored.contains(change.line.data());
    });
  }
  // In output order of the sections, each section's changes in log order (a stable counting
  // sort): the slots are then made in the order SetAsideKeys lists them.
  for (const CAside& aside : asideChanges) ++sectionAt[rankOf(aside) + 1];
  for (std::size_t i = 1; i < sectionAt.size(); ++i) sectionAt[i] += sectionAt[i - 1];
  std::vector<CAside> inOrder(asideChanges.size());
  for (const CAside& aside : asideChanges) inOrder[sectionAt[rankOf(aside)]++] = aside;
  asideChanges = std::move(inOrder);
  // Sections that hold no hidden difference, where only those are asked for, and in a large
  // section the keys that hold none. A pair of two device types keeps them all:
  // reconciliation's words ask whether the other file has a key.
  if (scope != Scope::kEverything && !reconciled) {
    LeaveOutSettled(comparison, changes, sectionAt, scope == Scope::kReasons, asideChanges);
  }
  for (const CAside& aside : asideChanges) ++perFile[SideIndex(aside.file)];
  // Sized for the keys of the file that sets more aside: the two files of a pair mostly set
  // aside the same keys, and a table for both files' lines was twice the memory to fault in and
  // to miss in (it still grows when they do not). Each key's slot is fetched a few lines ahead
  // of its look-up (a large pair sets aside most of its lines, each key a cache miss).
  const std::size_t expectedKeys = std::max(perFile[0], perFile[1]);
  index_ = CHashIndex(expectedKeys);
  ReserveLarge(slots_, expectedKeys);
  std::vector<std::uint32_t> asideBuckets;
  ReserveLarge(asideBuckets, asideChanges.size());
  ForEachPrefetched(
      index_, asideChanges.size(),
      [&](std::size_t i) {
        const CAside& aside = asideChanges[i];
        const std::string_view key = MatchKey(aside.section, changes.LineOf(*aside.record));
        return CHashedView{key, SlotHash(aside.section, key)};
      },
      [&](std::size_t i, const CHashedView& hashed) {
        const CAside& aside = asideChanges[i];
        asideBuckets.push_back(
            bucket(AddSlot(aside.section, hashed.view, hashed.hash), aside.file));
      });
  asideSlots_ = slots_.size();
  // Restored keys too, so that a note can tell whether the other file has them.
  for (const CChange& change : restoredChanges) {
    if (change.section) AddSlot(*change.section, MatchKey(*change.section, change.line));
  }
  // The compared lines of those keys, and of the settings whose values explanations quote.
  std::vector<CPending> compared;
  std::array<bool, kSectionCount> hasAside{};
  for (const CSlot& slot : slots_) hasAside[static_cast<std::size_t>(slot.section)] = true;
  for (const CSectionRows& rows : comparison.Sections()) {
    const Section section = rows.section();
    const bool mac = IsMacFilterSection(section);
    const bool aside = hasAside[static_cast<std::size_t>(section)];
    // Hidden differences read only keys set aside, and the settings of their own section.
    if (!aside && scope == Scope::kDifferences) continue;
    if (mac) {
      // Each line of a MAC list is keyed by its own address.
      for (const CRow row : rows) {
        const bool decides = DecidesRelevance(row.key);
        if (!aside && !decides) continue;
        for (const auto& [side, line] :
             {std::pair{FileSide::kFile1, row.left}, std::pair{FileSide::kFile2, row.right}}) {
          if (!line) continue;
          const std::string_view key = MatchKey(section, *line);
          const std::uint32_t slot = decides ? AddSlot(section, key) : FindSlot(section, key);
          if (slot != CHashIndex::kNone) compared.push_back({bucket(slot, side), {*line}});
        }
      }
      continue;
    }
    // Elsewhere both lines of a row share its key: one look-up serves both. The key is read off
    // the line as filed, and the lines as the row shows them are made only for a key that has
    // lines set aside: most rows have none, and making every row was a fifth of this index.
    const auto add = [&](std::size_t i, const CHashedView& hashed) {
      const bool decides = DecidesRelevance(hashed.view);
      if (!aside && !decides) return;
      const std::uint32_t slot = decides ? AddSlot(section, hashed.view, hashed.hash)
                                         : FindSlot(section, hashed.view, hashed.hash);
      if (slot == CHashIndex::kNone) return;
      for (const FileSide side : {FileSide::kFile1, FileSide::kFile2}) {
        if (const auto line = rows.ComparedLine(i, side)) {
          compared.push_back({bucket(slot, side), {*line}});
        }
      }
    };
    // A row's key is its first line's (CSectionRows::operator[]); a line without "=" has none.
    const auto keyAt = [&rows](std::size_t i) {
      const auto line = rows.BucketLine(i, FileSide::kFile1);
      return GetItemKey(line ? *line : *rows.BucketLine(i, FileSide::kFile2));
    };
    if (!aside) {
      // Only the few settings whose values explanations quote: no look-up worth fetching ahead.
      for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string_view key = keyAt(i);
        if (DecidesRelevance(key)) add(i, {key, SlotHash(section, key)});
      }
      continue;
    }
    ForEachPrefetched(
        index_, rows.size(),
        [&](std::size_t i) {
          const std::string_view key = keyAt(i);
          return CHashedView{key, SlotHash(section, key)};
        },
        add);
  }
  // A counting sort by bucket, compared lines first: each key's lines end up together. Filled
  // from the back, each bucket's end counts down to its start, with no copy of the ends.
  begin_.assign(2 * slots_.size() + 1, 0);
  for (const CPending& p : compared) ++begin_[p.bucket];
  for (const std::uint32_t b : asideBuckets) ++begin_[b];
  for (std::size_t i = 1; i < begin_.size(); ++i) begin_[i] += begin_[i - 1];
  ReserveLarge(lines_, begin_.back());
  lines_.resize(begin_.back());
  for (std::size_t i = asideChanges.size(); i-- > 0;) {
    lines_[--begin_[asideBuckets[i]]] = {changes.LineOf(*asideChanges[i].record),
                                         asideChanges[i].record};
  }
  for (std::size_t i = compared.size(); i-- > 0;) {
    lines_[--begin_[compared[i].bucket]] = compared[i].setting;
  }
}

std::span<const CSetting> CFileSettings::Find(FileSide side, Section section,
                                              std::string_view key) const {
  const std::uint32_t slot = FindSlot(section, key);
  if (slot == CHashIndex::kNone) return {};
  return LinesOf(side, slots_[slot]);
}

std::span<const CSetting> CFileSettings::LinesOf(FileSide side, const CSlot& slot) const {
  const std::uint32_t b = 2 * slot.index + static_cast<std::uint32_t>(side) - 1;
  return std::span<const CSetting>(lines_).subspan(begin_[b], begin_[b + 1] - begin_[b]);
}

std::optional<std::string_view> CFileSettings::Value(FileSide side, Section section,
                                                     std::string_view key) const {
  const std::span<const CSetting> lines = Find(side, section, key);
  if (lines.empty()) return std::nullopt;
  return GetItemValue(lines.front().line);
}

}  // namespace varnic::report
