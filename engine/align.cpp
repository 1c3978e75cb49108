#include "engine/align.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

#include "rules/primitives.h"

namespace varnic {
namespace {

constexpr std::array<std::string_view, 2> kMultiSsidGroups = {"2.4GHz_MultiSSIDSettings",
                                                              "5GHz_MultiSSIDSettings"};
constexpr int kSsidCount = 7;

bool IsHeader(std::string_view line) { return !line.empty() && line.front() == '['; }

std::string_view NameOf(std::string_view header) {
  return header.size() < 2 ? std::string_view() : header.substr(1, header.size() - 2);
}

std::string_view TrimTrailingSpaces(std::string_view line) {
  const std::size_t end = line.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : line.substr(0, end + 1);
}

CLineList* FindGroup(std::vector<CLineList>& groups, std::string_view name) {
  const auto it = std::find_if(groups.begin(), groups.end(),
                               [&](const CLineList& group) { return group.front() == name; });
  return it == groups.end() ? nullptr : &*it;
}

// Groups with the keys each already holds, so that a section of many keys stays linear.
struct CGroupIndex {
  std::vector<CLineList>& groups;
  std::vector<std::unordered_set<std::string>> keys;
};

void CollectKeys(const CLineList& normalized, CGroupIndex& index) {
  std::string_view section;
  for (const std::string& line : normalized) {
    if (IsHeader(line)) {
      section = NameOf(line);
      if (FindGroup(index.groups, section) == nullptr) {
        index.groups.push_back({std::string(section)});
        index.keys.emplace_back();
      }
      continue;
    }
    CLineList* group = FindGroup(index.groups, section);
    if (group == nullptr) continue;
    const std::string_view key = GetItemKey(line);
    auto& seen = index.keys[static_cast<std::size_t>(group - index.groups.data())];
    if (seen.emplace(key).second) group->emplace_back(key);
  }
}

// For each section of a normalized list, the value of the first line of each key: what
// FindKeyValue finds, looked up in one pass instead of one scan per key. Only the first
// occurrence of a header opens its section, as in FindKeyValue.
using CSectionIndex =
    std::unordered_map<std::string_view, std::unordered_map<std::string_view, std::string_view>>;

CSectionIndex IndexSections(const CLineList& normalized) {
  CSectionIndex index;
  std::unordered_map<std::string_view, std::string_view>* current = nullptr;
  for (const std::string& line : normalized) {
    if (IsHeader(line)) {
      const auto [it, added] = index.try_emplace(line);
      current = added ? &it->second : nullptr;
      continue;
    }
    if (current != nullptr) current->try_emplace(GetItemKey(line), GetItemValue(line));
  }
  return index;
}

}  // namespace

std::vector<CLineList> BuildKeyGroups(const CLineList& normalized1, const CLineList& normalized2) {
  std::vector<CLineList> groups;
  if (normalized1.empty() || normalized2.empty()) return groups;
  CGroupIndex index{groups, {}};
  CollectKeys(normalized1, index);
  CollectKeys(normalized2, index);
  return groups;
}

void OrderMultiSSIDGroups(std::vector<CLineList>& groups) {
  for (const std::string_view name : kMultiSsidGroups) {
    CLineList* group = FindGroup(groups, name);
    if (group == nullptr) continue;
    const CLineList copy = std::move(*group);
    group->assign({copy.front(), "Multi_Status"});
    for (int n = 1; n <= kSsidCount; ++n) {
      const std::string prefix = "SSID" + std::to_string(n);
      for (const std::string& key : copy) {
        if (key.size() >= prefix.size() && key.compare(0, prefix.size(), prefix) == 0) {
          group->push_back(key);
        }
      }
    }
  }
}

bool FindKeyValue(const CLineList& normalized, std::string_view key, std::string_view header,
                  std::string& value) {
  bool open = false;
  for (const std::string& line : normalized) {
    if (!open) {
      open = IsHeader(line) && line == header;
      continue;
    }
    if (IsHeader(line)) return false;
    if (GetItemKey(line) == key) {
      value = GetItemValue(line);
      return true;
    }
  }
  return false;
}

void BuildAlignedList(const CLineList& normalized, const std::vector<CLineList>& groups,
                      CLineList& aligned) {
  aligned.clear();
  const CSectionIndex index = IndexSections(normalized);
  for (const CLineList& group : groups) {
    const std::string header = "[" + group.front() + "]";
    aligned.push_back(header);
    const auto section = index.find(header);
    for (auto key = group.begin() + 1; key != group.end(); ++key) {
      const std::string_view* value = nullptr;
      if (section != index.end()) {
        const auto item = section->second.find(*key);
        if (item != section->second.end()) value = &item->second;
      }
      if (value != nullptr) {
        aligned.push_back(*key + "=" + std::string(*value));
      } else {
        aligned.emplace_back();
      }
    }
  }
}

void MarkAlignedLists(const CLineList& aligned1, const CLineList& aligned2, CLineList& result1,
                      CLineList& result2) {
  result1.clear();
  result2.clear();
  const std::size_t count = std::min(aligned1.size(), aligned2.size());
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& left = aligned1[i];
    const std::string& right = aligned2[i];
    if (left.empty() && right.empty()) continue;
    if (left.empty()) {
      result1.emplace_back();
      result2.push_back("o_" + right);
      continue;
    }
    if (right.empty()) {
      result1.push_back("o_" + left);
      result2.emplace_back();
      continue;
    }
    const std::string_view l = TrimTrailingSpaces(left);
    const std::string_view r = TrimTrailingSpaces(right);
    if (IsHeader(l) && IsHeader(r)) {
      result1.emplace_back(l);
      result2.emplace_back(r);
    } else {
      const char* mark = l == r ? "s_" : "d_";
      result1.push_back(mark + std::string(l));
      result2.push_back(mark + std::string(r));
    }
  }
}

}  // namespace varnic
