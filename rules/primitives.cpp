#include "rules/primitives.h"

#include "model/byte_search.h"

namespace varnic {

std::string_view GetItemValue(std::string_view item) {
  const std::size_t eq = FindByte(item, '=');
  return eq == std::string_view::npos ? std::string_view() : item.substr(eq + 1);
}

bool GetNextCondition(std::string_view rule, int& cursor, std::string_view& key,
                      std::string_view& value) {
  std::size_t start = 0;
  if (cursor == 0) {
    start = rule.find('|');
    if (start == std::string_view::npos) return false;
  } else if (cursor < 0) {
    return false;
  } else {
    start = static_cast<std::size_t>(cursor);
  }
  const std::size_t colon = rule.find(':', start + 1);
  if (colon == std::string_view::npos) return false;
  const std::size_t bar = rule.find('|', start + 1);
  if (bar == std::string_view::npos || bar == start + 1 || bar > colon) return false;

  const std::string_view field = rule.substr(start + 1, bar - start - 1);
  cursor = static_cast<int>(bar);
  key = GetItemKey(field);
  value = GetItemValue(field);
  return true;
}

std::string_view GetNextRuleKey(std::string_view rule, int& cursor) {
  std::size_t start = 0;
  if (cursor == 0) {
    const std::size_t colon = rule.find(':');
    start = colon == std::string_view::npos ? 0 : colon + 1;
  } else if (cursor < 0) {
    return {};
  } else {
    start = static_cast<std::size_t>(cursor);
  }
  const std::size_t bar = rule.find('|', start + 1);
  if (bar == std::string_view::npos) return {};
  cursor = static_cast<int>(bar);
  return rule.substr(start + 1, bar - start - 1);
}

std::string_view FindItem(const CLines& list, std::string_view key) {
  const auto position = FindItemPosition(list, key);
  return position ? list[*position] : std::string_view();
}

std::optional<std::size_t> FindItemPosition(const CLines& list, std::string_view key) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (GetItemKey(list[i]) == key) return i;
  }
  return std::nullopt;
}

}  // namespace varnic
