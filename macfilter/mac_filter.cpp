#include "macfilter/mac_filter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <vector>

#include "model/hash_index.h"
#include "rules/primitives.h"

namespace varnic {
namespace {

constexpr std::string_view kEntryKey = "filter_mac_add";
constexpr std::uint32_t kNone = CHashIndex::kNone;

bool IsMacEntry(std::string_view line) {
  return GetItemKey(line).find(kEntryKey) != std::string_view::npos;
}

// Each byte's 5-bit digit code (bit 4 for a capital letter), or 0xFF for a byte that is no
// hex digit.
constexpr std::array<std::uint8_t, 256> kDigitCodes = [] {
  std::array<std::uint8_t, 256> codes{};
  codes.fill(0xFF);
  for (std::uint8_t c = 0; c < 10; ++c) codes[std::size_t{'0'} + c] = c;
  for (std::uint8_t c = 0; c < 6; ++c) {
    codes[std::size_t{'a'} + c] = static_cast<std::uint8_t>(10U + c);
    codes[std::size_t{'A'} + c] = static_cast<std::uint8_t>(16U + 10U + c);
  }
  return codes;
}();

// A value spelled as an address, "hh:hh:hh:hh:hh:hh", packed into 61 bits: each hex digit with
// whether it is a capital letter, so that two such values are equal exactly when their codes
// are. 0 for any other value. Equal addresses are then recognised without reading their bytes
// again, which in a permuted list of a hundred thousand is a cache miss for every look-up.
std::uint64_t AddressCode(std::string_view value) {
  constexpr std::size_t kLength = 17;
  if (value.size() != kLength) return 0;
  for (std::size_t colon = 2; colon < kLength; colon += 3) {
    if (value[colon] != ':') return 0;
  }
  std::uint64_t code = 1;  // marks a packed address, so no code is 0
  std::uint8_t invalid = 0;
  for (std::size_t at = 0; at < kLength; at += 3) {
    const std::uint8_t high = kDigitCodes[static_cast<unsigned char>(value[at])];
    const std::uint8_t low = kDigitCodes[static_cast<unsigned char>(value[at + 1])];
    invalid |= static_cast<std::uint8_t>(high | low);
    code = (code << 10U) | (std::uint64_t{high} << 5U) | low;
  }
  // Only 0xFF has bit 7 set; every digit code is below 32.
  return (invalid & 0x80U) != 0 ? 0 : code;
}

// A value with its address code; the hash of an address comes from its code.
struct CValue {
  std::string_view view;
  std::uint64_t code = 0;
  std::uint32_t hash = 0;
};

CValue ValueOf(std::string_view line) {
  CValue value{GetItemValue(line)};
  value.code = AddressCode(value.view);
  if (value.code != 0) {
    const std::uint64_t mixed = value.code * 0x9E3779B97F4A7C15ULL;
    value.hash = static_cast<std::uint32_t>(mixed >> 32U);
  } else {
    value.hash = HashOf(value.view);
  }
  return value;
}

// Each line's CValue, for ForEachPrefetched.
auto ValuesOf(const CLines& lines) {
  return [&lines](std::size_t i) { return ValueOf(lines[i]); };
}

// The distinct values of file 2's bucket. Every question the two passes ask ("does the other
// bucket hold this address?", "which old entry held it?") is answered through it, so each value
// is hashed once.
class CValues {
 public:
  explicit CValues(const CLines& bucket) : index_(bucket.size()) {
    elementOf_.reserve(bucket.size());
    ForEachPrefetched(index_, bucket.size(), ValuesOf(bucket),
                      [&](std::size_t /*line*/, const CValue& value) {
                        const auto next = static_cast<std::uint32_t>(values_.size());
                        const std::uint32_t element = index_.FindOrInsert(
                            value.hash, next, [&](std::uint32_t e) { return Equal(e, value); });
                        if (element == next) {
                          values_.push_back(value.view);
                          codes_.push_back(value.code);
                        }
                        elementOf_.push_back(element);
                      });
  }
  // The element of each line's value in `lines`, kNone for a value the bucket does not hold.
  std::vector<std::uint32_t> FindAll(const CLines& lines) const {
    std::vector<std::uint32_t> elements(lines.size());
    ForEachPrefetched(
        index_, lines.size(), ValuesOf(lines), [&](std::size_t i, const CValue& value) {
          elements[i] = index_.Find(value.hash, [&](std::uint32_t e) { return Equal(e, value); });
        });
    return elements;
  }
  std::uint32_t ElementOf(std::size_t line) const { return elementOf_[line]; }
  std::size_t Size() const { return values_.size(); }

 private:
  // Two addresses are equal when their codes are; an address never equals another value.
  bool Equal(std::uint32_t element, const CValue& value) const {
    return codes_[element] == value.code && (value.code != 0 || values_[element] == value.view);
  }

  CHashIndex index_;
  std::vector<std::string_view> values_;
  std::vector<std::uint64_t> codes_;      // AddressCode of each value
  std::vector<std::uint32_t> elementOf_;  // per line of the bucket
};

struct CPass {
  std::vector<std::size_t> positions;  // the pass's MAC entries, in bucket order
  std::vector<std::size_t> common;     // positions whose address the other bucket also holds
  std::vector<std::size_t> own;        // positions whose address only this bucket holds
};

CPass Split(const CLines& bucket, const auto& isCommon) {
  CPass pass;
  for (std::size_t i = 0; i < bucket.size(); ++i) {
    if (!IsMacEntry(bucket[i])) continue;
    pass.positions.push_back(i);
    (isCommon(i) ? pass.common : pass.own).push_back(i);
  }
  return pass;
}

// Writes filter_mac_add1.. over the entries at `positions` with `addresses`; the old texts are
// returned in entry order.
CLines Rewrite(CLines& bucket, const std::vector<std::size_t>& positions, const CLines& addresses,
               CTextArena& arena) {
  CLines before;
  before.reserve(positions.size());
  for (std::size_t k = 0; k < addresses.size(); ++k) {
    std::string_view& line = bucket[positions[k]];
    before.push_back(line);
    std::array<char, 24> digits{};
    char* const end = std::to_chars(digits.data(), digits.data() + digits.size(), k + 1).ptr;
    const std::string_view number(digits.data(), static_cast<std::size_t>(end - digits.data()));
    // An entry that already reads so keeps its own view, so a reader can still find its line
    // in the file; the bytes are the same either way.
    const std::string_view rest = line.substr(std::min(line.size(), kEntryKey.size()));
    if (line.starts_with(kEntryKey) && rest.size() == number.size() + 1 + addresses[k].size() &&
        rest.starts_with(number) && rest[number.size()] == '=' &&
        rest.substr(number.size() + 1) == addresses[k]) {
      continue;
    }
    line = arena.Store({kEntryKey, number, "=", addresses[k]});
  }
  return before;
}

void LogMove(CChangeLog& log, FileSide side, Section section, std::string_view before,
             std::string_view after) {
  if (before != after) {
    log.AddRenumbered(MakeChange(ChangeKind::kRenumbered, side, section, before), after);
  }
}

}  // namespace

std::optional<std::size_t> FindItemPositionByValue(const CLines& list, std::string_view value) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (GetItemValue(list[i]) == value) return i;
  }
  return std::nullopt;
}

void CompareMacFilterLists(CSectionBuckets& file1, CSectionBuckets& file2, CTextArena& arena,
                           CChangeLog& log) {
  for (const Section section : {Section::k5GHzFilter, Section::k24GHzFilter}) {
    CLines& f1 = file1[section];
    CLines& f2 = file2[section];
    const CValues values2(f2);

    // File 1's pass. Every value of file 1 (entries or not) marks the values of file 2 it
    // meets: file 2's pass asks exactly that, and file 1's rewrite keeps its values.
    const std::vector<std::uint32_t> element1 = values2.FindAll(f1);
    std::vector<bool> inFile1(values2.Size(), false);
    for (const std::uint32_t element : element1) {
      if (element != kNone) inFile1[element] = true;
    }
    const CPass first = Split(f1, [&](std::size_t i) { return element1[i] != kNone; });
    CLines merged;  // the addresses file 2's entries receive
    std::vector<std::uint32_t> mergedElements;
    for (const std::size_t i : first.common) {
      merged.push_back(GetItemValue(f1[i]));
      mergedElements.push_back(element1[i]);
    }
    if (!first.positions.empty()) {
      // Common addresses first, then file 1's own, each group in file 1's order: an address
      // keeps its group, so its k-th new entry is its k-th old one.
      std::vector<std::size_t> sources = first.common;
      sources.insert(sources.end(), first.own.begin(), first.own.end());
      CLines moved;  // the old entries in their new order
      CLines addresses;
      moved.reserve(sources.size());
      addresses.reserve(sources.size());
      for (const std::size_t i : sources) {
        moved.push_back(f1[i]);
        addresses.push_back(GetItemValue(f1[i]));
      }
      Rewrite(f1, first.positions, addresses, arena);
      for (std::size_t k = 0; k < sources.size(); ++k) {
        LogMove(log, FileSide::kFile1, section, moved[k], f1[first.positions[k]]);
      }
    }

    // File 2's pass: its entries' addresses are common when file 1 holds a line of that value.
    const CPass second = Split(f2, [&](std::size_t j) { return inFile1[values2.ElementOf(j)]; });
    for (const std::size_t j : second.own) {
      merged.push_back(GetItemValue(f2[j]));
      mergedElements.push_back(values2.ElementOf(j));
    }
    // File 1 may hold an address more often than file 2 or the other way round; then the two
    // lists cannot be matched entry for entry and file 2 keeps its entries.
    if (merged.empty() || merged.size() != second.positions.size()) continue;
    // Old entries chained per value, first first: each new entry takes the first unused old
    // entry of its address.
    std::vector<std::uint32_t> head(values2.Size(), kNone);
    std::vector<std::uint32_t> next(second.positions.size(), kNone);
    for (std::size_t k = second.positions.size(); k-- > 0;) {
      const std::uint32_t element = values2.ElementOf(second.positions[k]);
      next[k] = head[element];
      head[element] = static_cast<std::uint32_t>(k);
    }
    const CLines before = Rewrite(f2, second.positions, merged, arena);
    for (std::size_t k = 0; k < merged.size(); ++k) {
      std::uint32_t& old = head[mergedElements[k]];
      if (old == kNone) continue;
      LogMove(log, FileSide::kFile2, section, before[old], f2[second.positions[k]]);
      old = next[old];
    }
  }
}

}  // namespace varnic
