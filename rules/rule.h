#ifndef VARNIC_RULES_RULE_H_
#define VARNIC_RULES_RULE_H_

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "model/hash_index.h"
#include "varnic/lines.h"

namespace varnic {

// How far a search for a condition key moves on, by the byte found under the key's last one.
using CKeyShifts = std::array<std::uint8_t, 256>;

// One condition of a rule: an item meets it when its key contains `key` and its value contains
// `value`. `id` is the same for equal conditions of one rule list, so that a bucket's answer to a
// condition is worked out once for all the rules that share it.
struct CCondition {
  std::string_view key;
  std::string_view value;
  std::uint16_t id = 0;
  // For the conditions of CRuleList::ConditionsByKey: PairsOf(key), the index past the last
  // condition on the same key, and the shifts a search for the key takes (ContainsKey).
  std::uint64_t keyPairs = 0;
  std::uint32_t keyRunEnd = 0;
  const CKeyShifts* keyShifts = nullptr;
};

// Whether `text` contains the key of `condition`. Every line of a bucket is searched so; with the
// key's shifts (Horspool's), which the conditions of CRuleList::ConditionsByKey have, a search
// tries a couple of places, not each: looking for "filter_mac_acl", the "d" of
// "filter_mac_add17" moves it past the end.
inline bool ContainsKey(std::string_view text, const CCondition& condition) {
  const std::string_view key = condition.key;
  if (condition.keyShifts == nullptr) return text.find(key) != std::string_view::npos;
  if (key.empty()) return true;
  const CKeyShifts& shifts = *condition.keyShifts;
  const std::size_t last = key.size() - 1;
  for (std::size_t at = 0; at + last < text.size();
       at += shifts[static_cast<unsigned char>(text[at + last])]) {
    if (text[at + last] == key[last] && text.substr(at, last) == key.substr(0, last)) return true;
  }
  return false;
}

// A 64-bit fingerprint of the adjacent byte pairs of `text`: a text whose fingerprint lacks a bit
// of another's cannot contain it. Empty for a text shorter than two bytes.
std::uint64_t PairsOf(std::string_view text);

// A relevance rule read once from its table notation "|k=v|k=v|:|key|key|": its conditions and
// its key list. The views point into the rule's own text, which does not move with the rule.
class CRule {
 public:
  explicit CRule(std::string text);

  std::string_view Text() const { return *text_; }
  const std::vector<CCondition>& Conditions() const { return conditions_; }
  const std::vector<std::string_view>& Keys() const { return keys_; }
  // The same keys as a set, built with the rule: a bucket that one rule governs asks it about
  // each line without hashing the rule's keys again (a filter rule lists 257).
  const CViewSet& KeySet() const { return keySet_; }
  // Whether `key` lies within one of the rule's keys (a substring, not only equality). The rule
  // answers from an index of their substrings, built once enough questions were asked to pay for
  // it and shared by every later one: a large backup asks a rule of a few keys about hundreds of
  // thousands of lines it drops, and an audit asks the filter rules (257 MAC keys each) about the
  // lines of thousands of backups.
  bool KeyWithin(std::string_view key) const;
  // The key of the first condition; empty for a rule without any.
  std::string_view GoverningKey() const;
  // The notation of the conditions alone, "|k=v|k=v|".
  std::string_view ConditionText() const;

 private:
  friend class CRuleList;
  std::unique_ptr<const std::string> text_;
  std::vector<CCondition> conditions_;
  std::vector<std::string_view> keys_;
  std::size_t longestKey_ = 0;
  CViewSet keySet_;
  struct CSubstrings {
    std::atomic<std::size_t> scans{0};
    std::atomic<bool> ready{false};
    std::once_flag built;
    CViewSet set;
  };
  std::unique_ptr<CSubstrings> substrings_;
};

// Adds every substring of `text`, the empty one included, to `set`.
void InsertSubstrings(std::string_view text, CViewSet& set);

// An ordered list of rules, tried in order.
class CRuleList {
 public:
  CRuleList() = default;
  explicit CRuleList(const std::vector<std::string>& texts);

  std::size_t size() const { return rules_.size(); }
  bool empty() const { return rules_.empty(); }
  const CRule& operator[](std::size_t i) const { return rules_[i]; }
  auto begin() const { return rules_.begin(); }
  auto end() const { return rules_.end(); }
  // How many distinct conditions the rules hold; every CCondition::id is below it.
  std::size_t ConditionCount() const { return conditionCount_; }
  // One of each distinct condition, those on the same key next to each other.
  const std::vector<CCondition>& ConditionsByKey() const { return byKey_; }
  // Whether condition `id` is the first condition of some rule.
  bool IsFirstCondition(std::uint16_t id) const { return firsts_[id]; }

 private:
  std::vector<CRule> rules_;
  std::size_t conditionCount_ = 0;
  std::vector<CCondition> byKey_;
  std::vector<CKeyShifts> keyShifts_;  // per distinct key of byKey_
  std::vector<bool> firsts_;           // by condition id
};

// Whether "*" as a whole condition key or value stands for anything: it does in relevance
// filtering, and is plain text in reconciliation.
enum class Wildcard { kAny, kLiteral };

// Appends to `met` the ids of the conditions of `rules` that `item` meets as MatchingRules reads
// it ("*" a wildcard): its key (what precedes its "=", none without one) contains the condition's
// key, and its value the condition's value. A condition holds for a bucket when some item meets
// it: two buckets whose differing items meet the same conditions match the same rules.
void ConditionsMet(const CRuleList& rules, std::string_view item, std::vector<std::uint16_t>& met);

// Answers the conditions of one rule list on one list of items, each condition at most once.
// `items` and `rules` must outlive the memo, and `items` stay unchanged while it is used.
class CConditionMemo {
 public:
  CConditionMemo(const CLines& items, const CRuleList& rules, Wildcard wildcard);

  // True when some item's key contains the condition's key and its value its value.
  bool Holds(const CCondition& condition);
  // True when every condition holds (each possibly on another item). A rule without any
  // condition does not hold: an empty condition part must not govern every section by accident.
  bool RuleHolds(const CRule& rule);

 private:
  void Answer(const CCondition& asked);

  // The conditions a pass still looks for, by key: those of one key lie in pending_ from `begin`
  // to `end`. Kept from pass to pass: a backup asks a few hundred conditions, and making these
  // lists afresh for each was a third of an audit's allocations.
  struct COpenKey {
    const CCondition* first;
    bool any;  // the key is a wildcard
    std::uint32_t begin;
    std::uint32_t end;
  };

  const CLines& items_;
  const CRuleList& rules_;
  Wildcard wildcard_;
  std::vector<std::int8_t> answers_;  // -1 unknown, 0 no, 1 yes
  bool passed_ = false;               // after the first pass every open condition is answered
  std::vector<COpenKey> open_;
  std::vector<const CCondition*> pending_;
  std::vector<std::uint64_t> openPairs_;  // the open keys' fingerprints, side by side
};

}  // namespace varnic

#endif  // VARNIC_RULES_RULE_H_
