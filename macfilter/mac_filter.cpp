#include "macfilter/mac_filter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "model/byte_search.h"
#include "model/hash_index.h"
#include "model/huge_slab.h"
#include "rules/primitives.h"

namespace varnic {
namespace {

constexpr std::string_view kEntryKey = "filter_mac_add";
constexpr std::uint32_t kNone = CHashIndex::kNone;
// Marks a match key that holds a hash of the value rather than its address code.
constexpr std::uint64_t kHashedValue = std::uint64_t{1} << 63U;

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

// What a value is matched by: its address code, which decides equality alone, or for any other
// value its hash under kHashedValue, which leaves the bytes to be compared. Never 0.
std::uint64_t MatchKey(std::string_view value) {
  const std::uint64_t code = AddressCode(value);
  return code != 0 ? code : kHashedValue | HashOf(value);
}

// n when `key` reads "filter_mac_add" n with n written as a rewrite writes it (no sign, no
// leading zero); 0 for any other key. Whether an entry's text changes then needs no reading of
// its bytes.
std::uint32_t EntryNumber(std::string_view key) {
  if (!key.starts_with(kEntryKey)) return 0;
  const std::string_view digits = key.substr(kEntryKey.size());
  if (digits.empty() || digits.size() > 10 || digits.front() == '0') return 0;
  std::uint64_t number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return number > UINT32_MAX ? 0 : static_cast<std::uint32_t>(number);
}

// GetItemValue, inline: the two passes ask it of every line of both buckets. An entry's "="
// comes after the head of its key, which holds none, so the search starts past it.
std::string_view ValueOf(std::string_view line) {
  const std::size_t eq = FindByte(line, '=', line.starts_with(kEntryKey) ? kEntryKey.size() : 0);
  return eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
}

// Whether `line` begins with an entry key as a rewrite writes it, "filter_mac_add" then one to
// ten digits then "=", setting `number` to its EntryNumber. Such a line, nearly every line of a
// large list, then costs no search for its "=" and no second reading of its digits. False
// leaves the line to the general test.
inline bool ReadPlainEntry(std::string_view line, std::uint32_t& number) {
  constexpr std::size_t kMostDigits = 10;
  if (!line.starts_with(kEntryKey)) return false;
  const std::size_t first = kEntryKey.size();
  const std::size_t last = std::min(line.size(), first + kMostDigits);
  std::uint64_t value = 0;
  std::size_t at = first;
  for (; at < last && line[at] >= '0' && line[at] <= '9'; ++at) {
    value = value * 10 + static_cast<std::uint64_t>(line[at] - '0');
  }
  if (at == first || at == line.size() || line[at] != '=') return false;
  number = line[first] == '0' || value > UINT32_MAX ? 0 : static_cast<std::uint32_t>(value);
  return true;
}

// Whether `line` is a MAC entry, a line whose key holds "filter_mac_add", setting `number` to the
// EntryNumber of its key.
inline bool ReadEntry(std::string_view line, std::uint32_t& number) {
  if (ReadPlainEntry(line, number)) return true;
  const std::string_view key = GetItemKey(line);
  if (key.find(kEntryKey) == std::string_view::npos) return false;
  number = EntryNumber(key);
  return true;
}

// Whether the two lists read alike, line for line, with every entry numbered by its rank: then
// matching would change no line and log no move. A fleet's devices mostly keep their baseline's
// list, and matching it cost a dozen allocations.
bool AlikeAndInOrder(const CLines& f1, const CLines& f2) {
  if (f1.size() != f2.size()) return false;
  std::uint32_t rank = 0;
  for (std::size_t i = 0; i < f1.size(); ++i) {
    if (f1[i] != f2[i]) return false;
    std::uint32_t number = 0;
    if (ReadEntry(f1[i], number) && number != ++rank) return false;
  }
  return true;
}

// The MAC entries of a filter bucket.
struct CEntries {
  std::span<std::uint32_t> positions;  // in bucket order
  std::span<std::uint32_t> numbers;    // per entry, EntryNumber of its key
};

CEntries FindEntries(const CLines& lines, CHugeSlab& slab) {
  const std::span<std::uint32_t> positions = slab.Take<std::uint32_t>(lines.size());
  const std::span<std::uint32_t> numbers = slab.Take<std::uint32_t>(lines.size());
  std::size_t count = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::uint32_t number = 0;
    if (ReadEntry(lines[i], number)) {
      positions[count] = static_cast<std::uint32_t>(i);
      numbers[count++] = number;
    }
  }
  return {positions.first(count), numbers.first(count)};
}

// The distinct values of file 2's bucket, each known by the position of its first line. The
// slots hold the match keys themselves, so an address is found in one slot read: in a permuted
// list of a hundred thousand every look-up is a cache miss, and reading its code from a second
// array was another.
class CValueTable {
 public:
  // The room the table of a bucket of `lines` lines takes in a slab.
  static std::size_t Room(std::size_t lines) { return CHugeSlab::Room<CSlot>(Capacity(lines)); }

  // Sets `firstOf[j]` to the first line of `lines` with the value of line j. `lines` must keep
  // its texts while the table answers FindAll.
  CValueTable(const CLines& lines, std::span<std::uint32_t> firstOf, CHugeSlab& slab)
      : lines_(lines), slots_(slab.Take<CSlot>(Capacity(lines.size()))) {
    ForEachValue(lines, [&](std::size_t j, std::uint64_t key, std::string_view value) {
      CSlot& slot = slots_[SlotOf(key, value)];
      if (slot.key == 0) slot = {key, static_cast<std::uint32_t>(j)};
      firstOf[j] = slot.first;
    });
  }

  // Sets `found[i]` to the first line of this bucket with the value of line i of `other`, or to
  // kNone.
  void FindAll(const CLines& other, std::span<std::uint32_t> found) const {
    ForEachValue(other, [&](std::size_t i, std::uint64_t key, std::string_view value) {
      found[i] = slots_[SlotOf(key, value)].first;
    });
  }

 private:
  struct CSlot {
    std::uint64_t key = 0;  // 0: empty
    std::uint32_t first = kNone;
  };
  struct CKeyedValue {
    std::string_view value;
    std::uint64_t key = 0;
  };

  // Slots for `lines` values at a load of two thirds. Not rounded up to a power of two: a
  // list's table is most of the memory its matching touches first, and a power of two was a
  // third more of it on average.
  static std::size_t Capacity(std::size_t lines) {
    return std::max<std::size_t>(16, lines + lines / 2);
  }

  // The high bits of the key's hash scaled to the table (a table has fewer than 2^32 slots).
  std::size_t Home(std::uint64_t key) const {
    const std::uint64_t hash = (key * 0x9E3779B97F4A7C15ULL) >> 32U;
    return static_cast<std::size_t>((hash * slots_.size()) >> 32U);
  }

  // Calls `visit(i, key, value)` for each line in order, with the home slot of a line's key
  // requested from memory some lines before it is visited.
  template <typename Visit>
  void ForEachValue(const CLines& lines, Visit&& visit) const {
    constexpr std::size_t kAhead = 16;
    std::array<CKeyedValue, kAhead> ahead{};
    for (std::size_t i = 0; i < lines.size() + kAhead; ++i) {
      CKeyedValue& slot = ahead[i % kAhead];
      if (i >= kAhead) visit(i - kAhead, slot.key, slot.value);
      if (i < lines.size()) {
        slot.value = ValueOf(lines[i]);
        slot.key = MatchKey(slot.value);
        __builtin_prefetch(&slots_[Home(slot.key)]);
      }
    }
  }

  // The slot that holds the value, or the empty slot where it belongs.
  std::size_t SlotOf(std::uint64_t key, std::string_view value) const {
    for (std::size_t i = Home(key);; i = i + 1 == slots_.size() ? 0 : i + 1) {
      const CSlot& slot = slots_[i];
      if (slot.key == 0) return i;
      if (slot.key == key && ((key & kHashedValue) == 0 || ValueOf(lines_[slot.first]) == value)) {
        return i;
      }
    }
  }

  const CLines& lines_;
  std::span<CSlot> slots_;
};

// The text "filter_mac_add" `number` "=" `address`, written in place in `arena`.
std::string_view EntryLine(std::size_t number, std::string_view address, CTextArena& arena) {
  std::array<char, 24> digits{};
  char* const end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
  const auto count = static_cast<std::size_t>(end - digits.data());
  const std::size_t size = kEntryKey.size() + count + 1 + address.size();
  char* const line = arena.Allocate(size);
  std::memcpy(line, kEntryKey.data(), kEntryKey.size());
  char* at = std::copy(digits.data(), end, line + kEntryKey.size());
  *at++ = '=';
  if (!address.empty()) std::memcpy(at, address.data(), address.size());
  return {line, size};
}

// A copy of `line` in `arena`: a line of its own, so that a reader can tell it from the original.
std::string_view CopyLine(std::string_view line, CTextArena& arena) {
  char* const copy = arena.Allocate(line.size());
  std::memcpy(copy, line.data(), line.size());
  return {copy, line.size()};
}

void LogMove(CChangeLog& log, FileSide side, Section section, std::string_view before,
             std::string_view after) {
  log.AddRenumbered(MakeChange(ChangeKind::kRenumbered, side, section, before), after);
}

// File 1's entry lines as they were, copied only before the first of them is overwritten: a
// list that already reads as it should costs no copy.
class COldLines {
 public:
  COldLines(const CLines& bucket, std::span<const std::uint32_t> positions)
      : bucket_(bucket), positions_(positions) {}
  std::string_view operator[](std::size_t entry) const {
    return copy_.empty() ? bucket_[positions_[entry]] : copy_[entry];
  }
  void BeforeOverwrite() {
    if (!copy_.empty()) return;
    copy_.reserve(positions_.size());
    for (const std::uint32_t at : positions_) copy_.push_back(bucket_[at]);
  }

 private:
  const CLines& bucket_;
  std::span<const std::uint32_t> positions_;
  std::vector<std::string_view> copy_;
};

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
    if (AlikeAndInOrder(f1, f2)) continue;
    // Every array below, in one block: the entries, the values matched, and then the table of
    // values, whose room the arrays of the rewrite take again once the matching is done.
    constexpr auto kWords = CHugeSlab::Room<std::uint32_t>;
    const std::size_t rewrite =
        kWords(f1.size()) + 4 * kWords(f2.size()) + CHugeSlab::Room<std::string_view>(f2.size());
    CHugeSlab slab(3 * kWords(f1.size()) + 3 * kWords(f2.size()) +
                   std::max(CValueTable::Room(f2.size()), rewrite));
    const CEntries e1 = FindEntries(f1, slab);
    const CEntries e2 = FindEntries(f2, slab);
    if (e1.positions.empty() && e2.positions.empty()) continue;
    // For each line of file 2 the first line of file 2 with its value; for each line of file 1
    // that line, or kNone. Every value of file 1 (entries or not) marks the values of file 2 it
    // meets: file 2's pass asks exactly that, and file 1's rewrite keeps its values.
    const std::span<std::uint32_t> firstOf2 = slab.Take<std::uint32_t>(f2.size());
    const std::span<std::uint32_t> match1 = slab.Take<std::uint32_t>(f1.size());
    const std::size_t matched = slab.Mark();
    CValueTable(f2, firstOf2, slab).FindAll(f1, match1);
    slab.Rewind(matched);

    // File 1's pass.
    std::vector<bool> inFile1(f2.size(), false);  // by the first line of a value
    for (const std::uint32_t first : match1) {
      if (first != kNone) inFile1[first] = true;
    }
    // Entries (by their rank among the entries) whose address file 2 holds, then file 1's own,
    // each group in file 1's order: an address keeps its group, so its k-th new entry is its
    // k-th old one.
    const std::size_t count1 = e1.positions.size();
    const std::span<std::uint32_t> sources = slab.Take<std::uint32_t>(count1);
    std::size_t common1 = 0;
    for (std::uint32_t e = 0; e < count1; ++e) {
      if (match1[e1.positions[e]] != kNone) sources[common1++] = e;
    }
    std::size_t own = common1;
    for (std::uint32_t e = 0; e < count1; ++e) {
      if (match1[e1.positions[e]] == kNone) sources[own++] = e;
    }
    COldLines old1(f1, e1.positions);
    for (std::size_t k = 0; k < count1; ++k) {
      const std::string_view source = old1[sources[k]];
      const std::uint32_t at = e1.positions[k];
      // An entry that already reads so keeps its own view, so a reader can still find its line
      // in the file; the bytes are the same either way.
      if (e1.numbers[k] != k + 1 || (sources[k] != k && ValueOf(f1[at]) != ValueOf(source))) {
        old1.BeforeOverwrite();
        f1[at] = EntryLine(k + 1, ValueOf(source), arena);
      }
      // The old text and the new differ exactly in their numbers.
      if (e1.numbers[sources[k]] != k + 1) LogMove(log, FileSide::kFile1, section, source, f1[at]);
    }

    // File 2's pass: its entries' addresses are common when file 1 holds a line of that value.
    // File 1 may hold an address more often than file 2 or the other way round; then the two
    // lists cannot be matched entry for entry and file 2 keeps its entries.
    const std::size_t count2 = e2.positions.size();
    std::size_t common2 = 0;
    for (const std::uint32_t at : e2.positions) common2 += inFile1[firstOf2[at]] ? 1 : 0;
    if (count2 == 0 || common1 != common2) continue;
    // The new list: file 1's common addresses (the first line of each in file 2), then file
    // 2's own (each by its rank among file 2's entries).
    const std::span<std::uint32_t> merged = slab.Take<std::uint32_t>(count2);
    for (std::size_t k = 0; k < common1; ++k) merged[k] = match1[e1.positions[sources[k]]];
    std::size_t added = common1;
    for (std::uint32_t o = 0; o < count2; ++o) {
      if (!inFile1[firstOf2[e2.positions[o]]]) merged[added++] = o;
    }
    const auto firstOf = [&](std::size_t k) {
      return k < common1 ? merged[k] : firstOf2[e2.positions[merged[k]]];
    };
    // Which old entry each new one takes: the first unused one of its address, found along the
    // old entries chained per value. This pass touches only two arrays of 4 bytes an entry.
    const std::span<std::uint32_t> oldOf = slab.Take<std::uint32_t>(count2);
    {
      const std::span<std::uint32_t> head = slab.Take<std::uint32_t>(f2.size());
      const std::span<std::uint32_t> next = slab.Take<std::uint32_t>(count2);
      std::fill(head.begin(), head.end(), kNone);
      for (std::size_t o = count2; o-- > 0;) {
        const std::uint32_t first = firstOf2[e2.positions[o]];
        next[o] = head[first];
        head[first] = static_cast<std::uint32_t>(o);
      }
      for (std::size_t k = 0; k < count2; ++k) {
        std::uint32_t& old = head[firstOf(k)];
        oldOf[k] = old;
        if (old != kNone) old = next[old];
      }
    }
    const std::span<std::string_view> before2 = slab.Take<std::string_view>(count2);
    for (std::size_t o = 0; o < count2; ++o) before2[o] = f2[e2.positions[o]];
    // In a permuted list the old entry of a new one lies anywhere: it is requested some entries
    // ahead. (Written out here: GCC 12 dropped prefetches made in a lambda.)
    constexpr std::size_t kAhead = 16;
    for (std::size_t k = 0; k < count2; ++k) {
      if (k + kAhead < count2 && oldOf[k + kAhead] != kNone) {
        __builtin_prefetch(&before2[oldOf[k + kAhead]]);
        __builtin_prefetch(&e2.numbers[oldOf[k + kAhead]]);
      }
      const std::uint32_t at = e2.positions[k];
      if (e2.numbers[k] != k + 1 || firstOf2[at] != firstOf(k)) {
        // File 1's k-th entry reads "filter_mac_add" k+1 "=" the k-th common address by now,
        // just as this one is to read.
        f2[at] = k < common1 ? CopyLine(f1[e1.positions[k]], arena)
                             : EntryLine(k + 1, ValueOf(before2[merged[k]]), arena);
      }
      const std::uint32_t old = oldOf[k];
      if (old != kNone && e2.numbers[old] != k + 1) {
        LogMove(log, FileSide::kFile2, section, before2[old], f2[at]);
      }
    }
  }
}

}  // namespace varnic
