#include "rules/rule.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "rules/primitives.h"

namespace varnic {
namespace {

// Scans of a rule's keys before their substring index (tens of thousands of entries for the MAC
// rules) pays for itself.
constexpr std::size_t kScansBeforeIndex = 256;

// Whether `text` contains `part`. The condition pass asks this of the value of every item whose
// key holds a condition's: a search in place beats the library's memchr and memcmp calls per
// candidate, which cost more than the bytes they look at. Long texts take the library's search.
bool ContainsPart(std::string_view text, std::string_view part) {
  constexpr std::size_t kShort = 64;
  if (text.size() > kShort) return text.find(part) != std::string_view::npos;
  if (part.size() > text.size()) return false;
  if (part.empty()) return true;
  // The last byte is tested before the rest: values such as WPA2-PSK and WPA2-EAP share a head
  // and differ near their end.
  const std::size_t last = part.size() - 1;
  for (std::size_t at = 0; at + last < text.size(); ++at) {
    if (text[at + last] != part[last]) continue;
    std::size_t i = 0;
    while (i < last && text[at + i] == part[i]) ++i;
    if (i == last) return true;
  }
  return false;
}

// Item keys longer than this are searched without a fingerprint: a long key holds most pairs,
// and fingerprinting a huge one would cost more than the search.
constexpr std::size_t kFingerprinted = 64;

}  // namespace

std::uint64_t PairsOf(std::string_view text) {
  // Each pair read as one 16-bit number and placed by the top bits of a multiple of it, two pairs
  // a round on two chains: the byte-wise form took a dozen instructions a pair, and the condition
  // pass fingerprints the key of every line of a bucket.
  const auto bit = [&text](std::size_t at) {
    std::uint16_t pair = 0;
    std::memcpy(&pair, text.data() + at, sizeof pair);
    return std::uint64_t{1} << ((std::uint32_t{pair} * 0x9E3779B1U) >> 26U);
  };
  const std::size_t count = text.size() < 2 ? 0 : text.size() - 1;
  std::uint64_t even = 0;
  std::uint64_t odd = 0;
  std::size_t at = 0;
  for (; at + 2 <= count; at += 2) {
    even |= bit(at);
    odd |= bit(at + 1);
  }
  if (at < count) even |= bit(at);
  return even | odd;
}

void InsertSubstrings(std::string_view text, CViewSet& set) {
  for (std::size_t from = 0; from <= text.size(); ++from) {
    for (std::size_t length = 0; from + length <= text.size(); ++length) {
      set.Insert(text.substr(from, length));
    }
  }
}

CRule::CRule(std::string text) : text_(std::make_unique<const std::string>(std::move(text))) {
  const std::string_view rule = *text_;
  int cursor = 0;
  std::string_view key;
  std::string_view value;
  while (GetNextCondition(rule, cursor, key, value)) conditions_.push_back({key, value});
  cursor = 0;
  for (std::string_view k = GetNextRuleKey(rule, cursor); !k.empty();
       k = GetNextRuleKey(rule, cursor)) {
    keys_.push_back(k);
  }
  keySet_ = CViewSet(keys_.size());
  for (const std::string_view k : keys_) {
    keySet_.Insert(k);
    longestKey_ = std::max(longestKey_, k.size());
  }
  if (!keys_.empty()) substrings_ = std::make_unique<CSubstrings>();
}

bool CRule::KeyWithin(std::string_view key) const {
  // Most lines a rule drops have keys longer than any it names: no hashing needed for those. A
  // rule without keys keeps none.
  if (key.size() > longestKey_ || !substrings_) return false;
  CSubstrings& index = *substrings_;
  // Once built, the index of every substring (the keys themselves among them) answers alone.
  if (index.ready.load(std::memory_order_acquire)) return index.set.Contains(key);
  if (keySet_.Contains(key)) return true;
  // A small backup asks a few questions, cheaper scanned than indexed. Rules are shared by the
  // threads of an audit: the index is built once, by whichever thread needs it first.
  if (index.scans.fetch_add(1, std::memory_order_relaxed) < kScansBeforeIndex) {
    return std::any_of(keys_.begin(), keys_.end(), [&](std::string_view entry) {
      return entry.find(key) != std::string_view::npos;
    });
  }
  std::call_once(index.built, [this, &index] {
    for (const std::string_view entry : keys_) InsertSubstrings(entry, index.set);
    index.ready.store(true, std::memory_order_release);
  });
  return index.set.Contains(key);
}

std::string_view CRule::GoverningKey() const {
  return conditions_.empty() ? std::string_view() : conditions_.front().key;
}

std::string_view CRule::ConditionText() const { return Text().substr(0, Text().find(':')); }

CRuleList::CRuleList(const std::vector<std::string>& texts) {
  rules_.reserve(texts.size());
  std::vector<std::pair<std::string_view, std::string_view>> distinct;
  for (const std::string& text : texts) {
    CRule& rule = rules_.emplace_back(text);
    for (CCondition& condition : rule.conditions_) {
      const std::pair field{condition.key, condition.value};
      const auto it = std::find(distinct.begin(), distinct.end(), field);
      condition.id = static_cast<std::uint16_t>(it - distinct.begin());
      if (it == distinct.end()) distinct.push_back(field);
    }
  }
  conditionCount_ = distinct.size();
  firsts_.assign(conditionCount_, false);
  for (const CRule& rule : rules_) {
    if (!rule.Conditions().empty()) firsts_[rule.Conditions().front().id] = true;
  }
  // Conditions on the same key side by side, so that one pass over a bucket tests each item's key
  // once per distinct condition key.
  for (std::size_t id = 0; id < distinct.size(); ++id) {
    byKey_.push_back({distinct[id].first, distinct[id].second, static_cast<std::uint16_t>(id),
                      PairsOf(distinct[id].first)});
  }
  std::stable_sort(byKey_.begin(), byKey_.end(),
                   [](const CCondition& a, const CCondition& b) { return a.key < b.key; });
  // Equal keys share one view, so that a pass tells a new key by its address.
  for (std::size_t i = 1; i < byKey_.size(); ++i) {
    if (byKey_[i].key == byKey_[i - 1].key) byKey_[i].key = byKey_[i - 1].key;
  }
  for (std::size_t i = byKey_.size(); i-- > 0;) {
    const bool last = i + 1 == byKey_.size() || byKey_[i + 1].key.data() != byKey_[i].key.data();
    byKey_[i].keyRunEnd = last ? static_cast<std::uint32_t>(i + 1) : byKey_[i + 1].keyRunEnd;
  }
  // Reserved whole: the conditions point into it.
  keyShifts_.reserve(byKey_.size());
  for (std::size_t i = 0; i < byKey_.size(); ++i) {
    if (i > 0 && byKey_[i].key.data() == byKey_[i - 1].key.data()) {
      byKey_[i].keyShifts = byKey_[i - 1].keyShifts;
      continue;
    }
    const std::string_view key = byKey_[i].key;
    CKeyShifts& shifts = keyShifts_.emplace_back();
    // A shift never passes a place the key could start at; past 255 bytes it is merely shorter.
    shifts.fill(static_cast<std::uint8_t>(std::min<std::size_t>(key.size(), 255)));
    for (std::size_t at = 0; at + 1 < key.size(); ++at) {
      shifts[static_cast<unsigned char>(key[at])] =
          static_cast<std::uint8_t>(std::min<std::size_t>(key.size() - 1 - at, 255));
    }
    byKey_[i].keyShifts = &shifts;
  }
}

void ConditionsMet(const CRuleList& rules, std::string_view item, std::vector<std::uint16_t>& met) {
  // The item as CConditionMemo::Answer reads it, tested as it tests it: a key's conditions side
  // by side, the key tested once for them all, and first by its byte pairs.
  const std::size_t eq = item.find('=');
  const std::string_view key = eq == std::string_view::npos ? "" : item.substr(0, eq);
  const std::string_view value = eq == std::string_view::npos ? "" : item.substr(eq + 1);
  const std::uint64_t keyPairs = PairsOf(key);
  const std::vector<CCondition>& conditions = rules.ConditionsByKey();
  for (std::size_t i = 0; i < conditions.size();) {
    const CCondition& first = conditions[i];
    const std::size_t end = first.keyRunEnd;
    if (first.key == "*" || ((first.keyPairs & ~keyPairs) == 0 && ContainsKey(key, first))) {
      for (; i < end; ++i) {
        if (conditions[i].value == "*" || ContainsPart(value, conditions[i].value)) {
          met.push_back(conditions[i].id);
        }
      }
    }
    i = end;
  }
}

CConditionMemo::CConditionMemo(const CLines& items, const CRuleList& rules, Wildcard wildcard)
    : items_(items), rules_(rules), wildcard_(wildcard), answers_(rules.ConditionCount(), -1) {}

void CConditionMemo::Answer(const CCondition& asked) {
  // The first pass answers the asked condition, the others on its key and every rule's first
  // condition (each is asked whatever the rest answer); a second pass, needed once a rule's first
  // condition held, answers all the rest, rather than a pass for each key asked (an SSID's
  // security, then its WEP status, for each SSID). Conditions on one key (a dozen per SSID) form
  // a group that costs one search of the item's key, and the byte pairs a key lacks rule most
  // groups out without a search.
  std::vector<COpenKey>& open = open_;
  open.clear();
  pending_.clear();
  if (pending_.capacity() == 0) {
    // Room for every condition at once: the lists never grow.
    open.reserve(rules_.ConditionCount());
    pending_.reserve(rules_.ConditionCount());
    openPairs_.reserve(rules_.ConditionCount());
  }
  // Conditions a pass looks for: every open one, or in a first pass those on the asked key and
  // every rule's first. Those on one key form one group.
  const auto wanted = [&](const CCondition& condition, bool all) {
    return answers_[condition.id] < 0 &&
           (all || condition.key == asked.key || rules_.IsFirstCondition(condition.id));
  };
  const auto sameKey = [](const CCondition& a, const CCondition& b) {
    return a.key.data() == b.key.data() && a.key.size() == b.key.size();
  };
  // A first pass that has more than two keys to look for fingerprints every item anyway: it
  // looks for every condition, sparing the second pass a read of every item again (a bucket of
  // multi-SSID settings, whose Multi_Status holds, needed both), for a little more work an item.
  bool all = passed_;
  if (!all) {
    std::size_t keys = 0;
    const CCondition* previous = nullptr;
    for (const CCondition& condition : rules_.ConditionsByKey()) {
      if (!wanted(condition, false)) continue;
      if (previous == nullptr || !sameKey(condition, *previous)) ++keys;
      previous = &condition;
    }
    all = keys > 2;
  }
  for (const CCondition& condition : rules_.ConditionsByKey()) {
    if (!wanted(condition, all)) continue;
    answers_[condition.id] = 0;
    if (open.empty() || !sameKey(condition, *open.back().first)) {
      const auto at = static_cast<std::uint32_t>(pending_.size());
      open.push_back({&condition, wildcard_ == Wildcard::kAny && condition.key == "*", at, at});
    }
    pending_.push_back(&condition);
    ++open.back().end;
  }
  passed_ = true;
  // The fingerprints of the open keys side by side (a wildcard's empty: it is never ruled out),
  // so that an item none may lie within costs one sweep over them.
  std::vector<std::uint64_t>& openPairs = openPairs_;
  const auto gatherPairs = [&] {
    openPairs.clear();
    for (const COpenKey& group : open) openPairs.push_back(group.any ? 0 : group.first->keyPairs);
  };
  gatherPairs();
  for (auto item = items_.begin(); item != items_.end() && !open.empty(); ++item) {
    const std::size_t eq = item->find('=');
    const std::string_view key = eq == std::string_view::npos ? "" : item->substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? "" : item->substr(eq + 1);
    // With one or two open keys the search itself is cheaper than the fingerprint.
    const bool fingerprinted = open.size() > 2 && key.size() <= kFingerprinted;
    const std::uint64_t keyPairs = fingerprinted ? PairsOf(key) : ~std::uint64_t{0};
    if (fingerprinted && std::none_of(openPairs.begin(), openPairs.end(), [&](std::uint64_t pairs) {
          return (pairs & ~keyPairs) == 0;
        })) {
      continue;
    }
    // A condition met by this item is answered and leaves its group; an empty group leaves,
    // after the sweep: most items meet none, and a sweep that could remove cost them its moves.
    bool emptied = false;
    for (COpenKey& group : open) {
      const CCondition& first = *group.first;
      if (!group.any && ((first.keyPairs & ~keyPairs) != 0 || !ContainsKey(key, first))) continue;
      for (std::uint32_t i = group.begin; i < group.end;) {
        const CCondition& condition = *pending_[i];
        const bool holds = (wildcard_ == Wildcard::kAny && condition.value == "*") ||
                           ContainsPart(value, condition.value);
        if (!holds) {
          ++i;
          continue;
        }
        answers_[condition.id] = 1;
        pending_[i] = pending_[--group.end];
      }
      emptied = emptied || group.begin == group.end;
    }
    if (emptied) {
      std::erase_if(open, [](const COpenKey& group) { return group.begin == group.end; });
      gatherPairs();
    }
  }
}

bool CConditionMemo::Holds(const CCondition& condition) {
  if (answers_[condition.id] < 0) Answer(condition);
  return answers_[condition.id] != 0;
}

bool CConditionMemo::RuleHolds(const CRule& rule) {
  if (rule.Conditions().empty()) return false;
  return std::all_of(rule.Conditions().begin(), rule.Conditions().end(),
                     [&](const CCondition& condition) { return Holds(condition); });
}

}  // namespace varnic
