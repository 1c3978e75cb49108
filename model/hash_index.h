#ifndef VARNIC_MODEL_HASH_INDEX_H_
#define VARNIC_MODEL_HASH_INDEX_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/large_pages.h"

namespace varnic {

// An open-addressing set of 32-bit indices into the caller's own array, found by a hash and an
// equality test the caller supplies. It holds no keys: a line's key is a view the caller can
// always derive from the index, so an entry costs 8 bytes instead of a node with a view in it.
// The comparison of a million-line file indexes a million keys; that is what this is for.
class CHashIndex {
 public:
  static constexpr std::uint32_t kNone = UINT32_MAX;

  // At most half the slots are used, unless `dense`: then up to three quarters, for an index of
  // a million keys whose slots, zeroed and faulted in afresh, cost more than its longer probes.
  explicit CHashIndex(std::size_t expected = 0, bool dense = false) : loadQuarters_(dense ? 3 : 2) {
    Rehash(CapacityFor(expected));
  }

  // The index already held whose hash is `hash` and for which `equal(index)` holds; otherwise
  // `index` is added and returned.
  template <typename Equal>
  std::uint32_t FindOrInsert(std::uint32_t hash, std::uint32_t index, Equal&& equal) {
    if ((size_ + 1) * 4 > slots_.size() * loadQuarters_) Rehash(slots_.size() * 2);
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
      CSlot& slot = slots_[i];
      if (slot.index == kNone) {
        slot = {hash, index};
        ++size_;
        return index;
      }
      if (slot.hash == hash && equal(slot.index)) return slot.index;
    }
  }

  template <typename Equal>
  std::uint32_t Find(std::uint32_t hash, Equal&& equal) const {
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const CSlot& slot = slots_[i];
      if (slot.index == kNone) return kNone;
      if (slot.hash == hash && equal(slot.index)) return slot.index;
    }
  }

  // Starts loading the slot where a search for `hash` begins, ahead of that search.
  void Prefetch(std::uint32_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }

  std::size_t Size() const { return size_; }

 private:
  struct CSlot {
    std::uint32_t hash = 0;
    std::uint32_t index = kNone;
  };

  std::size_t CapacityFor(std::size_t expected) const {
    std::size_t capacity = 16;
    while (capacity * loadQuarters_ < expected * 4) capacity *= 2;
    return capacity;
  }

  void Rehash(std::size_t capacity) {
    std::vector<CSlot> old;
    old.reserve(capacity);
    AdviseLargePages(old.data(), capacity * sizeof(CSlot));
    old.resize(capacity);
    old.swap(slots_);
    mask_ = capacity - 1;
    for (const CSlot& slot : old) {
      if (slot.index == kNone) continue;
      std::size_t i = slot.hash & mask_;
      while (slots_[i].index != kNone) i = (i + 1) & mask_;
      slots_[i] = slot;
    }
  }

  std::size_t loadQuarters_;  // the most slots used, in quarters of all
  std::vector<CSlot> slots_;
  std::size_t mask_ = 0;
  std::size_t size_ = 0;
};

// A hash for the index, eight bytes at a time: keys are short, and the library's byte-wise hash
// was a twentieth of a comparison. Its values live only in memory, so they may differ between
// builds.
inline std::uint32_t HashOf(std::string_view text) {
  constexpr std::uint64_t kOdd = 0x9E3779B97F4A7C15ULL;
  const auto load = [](const char* at, std::size_t bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, at, bytes);
    return word;
  };
  const char* at = text.data();
  std::size_t left = text.size();
  std::uint64_t h = (left + 1) * kOdd;
  if (left >= 8) {
    for (; left > 8; left -= 8, at += 8) {
      h = (h ^ load(at, 8)) * kOdd;
      h ^= h >> 29U;
    }
    h = (h ^ load(at + left - 8, 8)) * kOdd;  // the last eight bytes, overlapping
  } else if (left > 0) {
    h = (h ^ load(at, left)) * kOdd;
  }
  h ^= h >> 32U;
  h *= 0xBF58476D1CE4E5B9ULL;
  h ^= h >> 29U;
  return static_cast<std::uint32_t>(h);
}

// A view and its HashOf.
struct CHashedView {
  std::string_view view;
  std::uint32_t hash = 0;
};

// Calls `visit(i, hashed)` for each i below `count` in order, with `hashed` = `hashAt(i)` worked
// out a few calls ahead and the slot where its search starts fetched meanwhile: in an index of a
// million keys nearly every slot is a cache miss, and waiting for each in turn costs more than
// the rest of a lookup. `hashed` is a CHashedView or any value with a `hash` member; `visit` may
// insert into `index`.
template <typename HashAt, typename Visit>
void ForEachPrefetched(const CHashIndex& index, std::size_t count, HashAt&& hashAt, Visit&& visit) {
  using Hashed = std::decay_t<std::invoke_result_t<HashAt&, std::size_t>>;
  constexpr std::size_t kAhead = 8;
  std::array<Hashed, kAhead> ahead;
  const auto prepare = [&](std::size_t i) {
    ahead[i % kAhead] = hashAt(i);
    index.Prefetch(ahead[i % kAhead].hash);
  };
  for (std::size_t i = 0; i < count && i < kAhead; ++i) prepare(i);
  for (std::size_t i = 0; i < count; ++i) {
    const Hashed hashed = ahead[i % kAhead];
    if (i + kAhead < count) prepare(i + kAhead);
    visit(i, hashed);
  }
}

// A set of views built on the index: the views must outlive the set.
class CViewSet {
 public:
  explicit CViewSet(std::size_t expected = 0) : index_(expected) { views_.reserve(expected); }

  // True when `view` was not yet in the set.
  bool Insert(std::string_view view) {
    const auto next = static_cast<std::uint32_t>(views_.size());
    if (index_.FindOrInsert(HashOf(view), next,
                            [&](std::uint32_t i) { return views_[i] == view; }) != next) {
      return false;
    }
    views_.push_back(view);
    return true;
  }
  bool Contains(std::string_view view) const { return IndexOf(view) != CHashIndex::kNone; }
  // Where `view` came in the order of insertion, or kNone: a caller may keep a value per view.
  std::uint32_t IndexOf(std::string_view view) const {
    return index_.Find(HashOf(view), [&](std::uint32_t i) { return views_[i] == view; });
  }
  bool Empty() const { return views_.empty(); }

 private:
  CHashIndex index_;
  std::vector<std::string_view> views_;
};

}  // namespace varnic

#endif  // VARNIC_MODEL_HASH_INDEX_H_
