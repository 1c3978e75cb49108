#ifndef VARNIC_RULES_PRIMITIVES_H_
#define VARNIC_RULES_PRIMITIVES_H_

#include <cstddef>
#include <optional>
#include <string_view>

#include "model/byte_search.h"
#include "varnic/lines.h"

namespace varnic {

// Item split: the key is the text before the first "=", the value the text after it; a line
// without "=" has an empty key and an empty value. Nothing is trimmed. The results are views
// into `item` and must not outlive it.
// Inline: alignment, the relevance rules and the report ask for the key of every line.
inline std::string_view GetItemKey(std::string_view item) {
  const std::size_t eq = FindByte(item, '=');
  return eq == std::string_view::npos ? std::string_view() : item.substr(0, eq);
}
std::string_view GetItemValue(std::string_view item);

// Reads the next condition field of a relevance rule ("|key=value|...|:|k|k|"). A cursor of 0
// starts the walk; after a successful step it holds the index of the "|" that closed the field.
// Returns false when the condition part is exhausted or malformed; then `cursor`, `key` and
// `value` are left exactly as they were. `key` and `value` are views into `rule`.
bool GetNextCondition(std::string_view rule, int& cursor, std::string_view& key,
                      std::string_view& value);

// Reads the next key of a rule's key list (after the ":"; from the first character when the rule
// has none). Returns an empty view, leaving `cursor` untouched, when no closed key field is left.
// The result is a view into `rule`.
std::string_view GetNextRuleKey(std::string_view rule, int& cursor);

// The first item whose key equals `key` exactly; empty when there is none.
std::string_view FindItem(const CLines& list, std::string_view key);
// The position of the first item whose key equals `key` exactly.
std::optional<std::size_t> FindItemPosition(const CLines& list, std::string_view key);

}  // namespace varnic

#endif  // VARNIC_RULES_PRIMITIVES_H_
