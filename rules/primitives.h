#ifndef VARNIC_RULES_PRIMITIVES_H_
#define VARNIC_RULES_PRIMITIVES_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/line_list.h"

namespace varnic {

// Item split: the key is the text before the first "=", the value the text after it; a line
// without "=" has an empty key and an empty value. Nothing is trimmed. The results are views
// into `item` and must not outlive it.
std::string_view GetItemKey(std::string_view item);
std::string_view GetItemValue(std::string_view item);

// Reads the next condition field of a relevance rule ("|key=value|...|:|k|k|"). A cursor of 0
// starts the walk; after a successful step it holds the index of the "|" that closed the field.
// Returns false when the condition part is exhausted or malformed; then `cursor`, `key` and
// `value` are left exactly as they were.
bool GetNextCondition(std::string_view rule, int& cursor, std::string& key, std::string& value);

// Reads the next key of a rule's key list (after the ":"; from the first character when the rule
// has none). Returns an empty view, leaving `cursor` untouched, when no closed key field is left.
// The result is a view into `rule`.
std::string_view GetNextRuleKey(std::string_view rule, int& cursor);

// The whole text of the first item whose key equals `key` exactly; empty when there is none.
std::string FindItem(const CLineList& list, std::string_view key);
// The position of the first item whose key equals `key` exactly.
std::optional<std::size_t> FindItemPosition(const CLineList& list, std::string_view key);

// Whether "*" as a whole condition key or value stands for anything: it does in relevance
// filtering, and is plain text in reconciliation.
enum class Wildcard { kAny, kLiteral };

// True when some item's key contains `key` and its value contains `value` (substring tests).
bool ConditionHolds(const CLineList& items, std::string_view key, std::string_view value,
                    Wildcard wildcard);

// True when every condition of `rule` holds on `items` (each possibly on another item). A rule
// without any condition is taken as not holding: every built-in rule has one, and an empty
// condition part must not make a rule govern every section by accident.
bool RuleHolds(const CLineList& items, std::string_view rule, Wildcard wildcard);

}  // namespace varnic

#endif  // VARNIC_RULES_PRIMITIVES_H_
