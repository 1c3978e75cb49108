#include "report/file_settings.h"

#include <algorithm>
#include <array>
#include <functional>
#include <unordered_set>

#include "engine/align.h"

namespace varnic::cli {
namespace {

bool IsMacFilter(Section section) {
  return section == Section::k5GHzFilter || section == Section::k24GHzFilter;
}

std::string_view KeyOf(std::string_view line) { return line.substr(0, line.find('=')); }

std::string_view ValueOf(std::string_view line) {
  const std::size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
}

// Settings whose values the words of an explanation quote.
bool DecidesRelevance(std::string_view key) {
  static constexpr std::array<std::string_view, 6> kKeys = {
      "auth_type", "wep_status", "filter_mac_acl", "DHCPclient", "Telnet_option", "Multi_Status"};
  if (std::find(kKeys.begin(), kKeys.end(), key) != kKeys.end()) return true;
  if (!key.starts_with("SSID")) return false;
  return key.ends_with("_Status") || key.ends_with("_Security");
}

bool SetsAside(ChangeKind kind) {
  return kind == ChangeKind::kFiltered || kind == ChangeKind::kReconcileRemoved ||
         kind == ChangeKind::kDuplicate || kind == ChangeKind::kUnordered;
}

}  // namespace

std::size_t CFileSettings::CHash::operator()(const CKey& k) const {
  return std::hash<std::string_view>()(k.key) * 31U + static_cast<std::size_t>(k.section) * 2U +
         static_cast<std::size_t>(k.side);
}

std::string_view CFileSettings::MatchKey(Section section, std::string_view line) {
  const std::string_view key = KeyOf(line);
  if (IsMacFilter(section) && key.starts_with("filter_mac_add")) {
    return TrimTrailingSpaces(ValueOf(line));
  }
  return key;
}

CFileSettings::CFileSettings(const CComparison& comparison) {
  const CChangeLog& log = comparison.Changes();
  // A line reconciliation removed and then restored was compared after all.
  std::unordered_set<const char*> restored;
  for (const CChange& change : log.Changes()) {
    if (change.kind == ChangeKind::kReconcileRestored) restored.insert(change.line.data());
  }
  std::array<std::vector<CSlot>, kSectionCount> slots;
  std::unordered_set<CKey, CHash> slotSeen;
  for (const CChange& change : log.Changes()) {
    if (!SetsAside(change.kind) || !change.section) continue;
    if (change.kind == ChangeKind::kReconcileRemoved && restored.contains(change.line.data())) {
      continue;
    }
    const Section section = *change.section;
    const std::string_view key = MatchKey(section, change.line);
    settings_[{change.file, section, key}].push_back({change.line, &change});
    if (slotSeen.insert({FileSide::kFile1, section, key}).second) {
      slots[static_cast<std::size_t>(section)].push_back({section, key});
    }
  }
  for (const CSectionRows& rows : comparison.Sections()) {
    for (const CRow row : rows) {
      for (const auto& [side, line] :
           {std::pair{FileSide::kFile1, row.left}, std::pair{FileSide::kFile2, row.right}}) {
        if (!line) continue;
        const std::string_view key = MatchKey(row.section, *line);
        const bool wanted =
            DecidesRelevance(row.key) || slotSeen.contains({FileSide::kFile1, row.section, key});
        if (!wanted) continue;
        std::vector<CSetting>& lines = settings_[{side, row.section, key}];
        lines.insert(lines.begin(), CSetting{*line, nullptr});
      }
    }
  }
  for (const Section section : kEmissionOrder) {
    const std::vector<CSlot>& list = slots[static_cast<std::size_t>(section)];
    setAside_.insert(setAside_.end(), list.begin(), list.end());
  }
}

const std::vector<CSetting>* CFileSettings::Find(FileSide side, Section section,
                                                 std::string_view key) const {
  const auto it = settings_.find({side, section, key});
  return it == settings_.end() ? nullptr : &it->second;
}

std::optional<std::string_view> CFileSettings::Value(FileSide side, Section section,
                                                     std::string_view key) const {
  const std::vector<CSetting>* lines = Find(side, section, key);
  if (lines == nullptr || lines->empty()) return std::nullopt;
  return ValueOf(lines->front().line);
}

}  // namespace varnic::cli
