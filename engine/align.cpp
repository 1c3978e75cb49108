#include "engine/align.h"

#include <algorithm>
#include <optional>
#include <string>

#include "model/byte_search.h"
#include "model/emit_normalized.h"
#include "model/hash_index.h"
#include "rules/primitives.h"

namespace varnic {
namespace {

using CPair = CSectionRows::CPair;
constexpr std::uint32_t kAbsent = CSectionRows::kAbsent;
constexpr int kSsidCount = 7;

bool IsMultiSsid(Section section) {
  return section == Section::k5GHzMultiSSID || section == Section::k24GHzMultiSSID;
}

class CSectionAligner {
 public:
  // `pass`, when given, is file 1's half already made from `left`.
  CSectionAligner(Section section, const CLines& left, const CLines& right, CChangeLog& log,
                  const CLeftPass* pass = nullptr)
      : section_(section), left_(left), right_(right), log_(log), pass_(pass) {
    if (pass == nullptr) ownIndex_.emplace(std::max(left.size(), right.size()), /*dense=*/true);
    // Room for every line of both files: growing past the larger would copy the pairs into a
    // buffer twice their size, and pages of the room never used are never touched.
    pairs_.reserve(left.size() + right.size());
  }

  std::vector<CPair> Align() {
    Run(/*leftOnly=*/false);
    return std::move(pairs_);
  }

  // File 1's half alone, for a file that is file 1 of many comparisons.
  CLeftPass LeftPass() && {
    makingPass_ = true;
    Run(/*leftOnly=*/true);
    return {&left_, std::move(pairs_), std::move(*ownIndex_), keyless_, std::move(leftDuplicates_)};
  }

 private:
  std::string_view KeyOf(const CPair& pair) const {
    return GetItemKey(pair.left != kAbsent ? left_[pair.left] : right_[pair.right]);
  }

  std::uint32_t Find(std::string_view key) const {
    return Index().Find(HashOf(key), [&](std::uint32_t p) { return HasKey(pairs_[p], key); });
  }

  // Whether the pair's key is `key`. A key holds no "=", so a line that begins with a non-empty
  // key followed by "=" has that key, and its line need not be searched for its first "=" again.
  bool HasKey(const CPair& pair, std::string_view key) const {
    if (key.empty()) return KeyOf(pair).empty();
    const std::string_view line = pair.left != kAbsent ? left_[pair.left] : right_[pair.right];
    return line.size() > key.size() && line[key.size()] == '=' && line.starts_with(key);
  }

  const CHashIndex& Index() const { return ownIndex_ ? *ownIndex_ : pass_->index; }
  CHashIndex& OwnIndex() {
    if (!ownIndex_) ownIndex_.emplace(pass_->index);
    return *ownIndex_;
  }

  // A line's key with its hash, as the index looks it up.
  static CHashedView HashedKey(std::string_view line) {
    const std::string_view key = GetItemKey(line);
    return {key, HashOf(key)};
  }

  // The one caller of AddLeft, with every call inside inlined: its per-line loop was otherwise
  // left a function of its own, a call a line slower for a plain comparison.
  [[gnu::flatten]] void Run(bool leftOnly) {
    if (pass_ != nullptr) {
      TakeLeftPass();
    } else {
      AddLeft();
    }
    if (leftOnly) return;
    AddRight();
    if (IsMultiSsid(section_)) OrderMultiSsid();
  }

  // File 1's pairs as its pass made them, its repeated lines logged as AddLeft logs them.
  void TakeLeftPass() {
    pairs_.assign(pass_->pairs.begin(), pass_->pairs.end());
    keyless_ = pass_->keyless;
    for (const std::uint32_t line : pass_->duplicates) LogDuplicate(FileSide::kFile1, line);
    leftPairs_ = pairs_.size();
  }

  // File 1's lines make the pairs, one for each key in the order the keys first come.
  void AddLeft() {
    CHashIndex& index = *ownIndex_;  // made with the aligner: there is no pass to copy
    ForEachPrefetched(
        index, left_.size(), [&](std::size_t i) { return HashedKey(left_[i]); },
        [&](std::size_t i, const CHashedView& key) {
          Add(index, FileSide::kFile1, static_cast<std::uint32_t>(i), key.view, key.hash);
        });
    leftPairs_ = pairs_.size();
  }

  // File 2's lines join the pairs by key. Two backups of a device mostly hold their keys in the
  // same order, so a line whose key is that of the pair after the one its predecessor joined
  // joins it without a look-up: the look-ups were the largest cost of aligning a large pair.
  // Where the order is lost (a line out of place, a run only in one file) lines are looked up,
  // and after a few misses in a row a block of them with the index fetched ahead, as file 1's.
  void AddRight() {
    constexpr int kLost = 8;             // misses in a row that mean the order is lost
    constexpr std::size_t kBlock = 256;  // lines then looked up before the order is tried again
    std::size_t expected = 0;            // the pair the next line most likely joins
    int misses = 0;
    const auto lookUp = [&](std::size_t line, std::string_view key, std::uint32_t hash) {
      const std::size_t found =
          Add(OwnIndex(), FileSide::kFile2, static_cast<std::uint32_t>(line), key, hash);
      if (found < leftPairs_) expected = found + 1;
    };
    std::size_t i = 0;
    while (i < right_.size()) {
      if (misses == kLost) {
        const std::size_t count = std::min(kBlock, right_.size() - i);
        ForEachPrefetched(
            OwnIndex(), count, [&](std::size_t k) { return HashedKey(right_[i + k]); },
            [&](std::size_t k, const CHashedView& key) { lookUp(i + k, key.view, key.hash); });
        i += count;
        misses = 0;
      } else if (JoinExpected(i, expected)) {
        ++expected;
        misses = 0;
        ++i;
      } else {
        const CHashedView key = HashedKey(right_[i]);
        lookUp(i, key.view, key.hash);
        ++misses;
        ++i;
      }
    }
  }

  // Joins file 2's line `i` to pair `expected` when the line has that pair's key.
  bool JoinExpected(std::size_t i, std::size_t expected) {
    // The pair of the empty key is left to the look-up, which marks a line without "=".
    if (expected >= leftPairs_ || expected == keyless_) return false;
    CPair& pair = pairs_[expected];
    // Most lines are file 1's own line again: the same key and the same value, told by one
    // comparison of the whole line.
    if (pair.right == kAbsent && right_[i] == left_[pair.left]) {
      pair.right = static_cast<std::uint32_t>(i);
      pair.kind = RowKind::kSame;
      return true;
    }
    const std::string_view key = GetItemKey(right_[i]);
    if (key.empty() || !HasKey(pair, key)) return false;
    Join(FileSide::kFile2, pair, static_cast<std::uint32_t>(i), key, 0);
    return true;
  }

  // Adds a line to the pair of its key, made when the key is new; returns that pair's index.
  std::size_t Add(CHashIndex& index, FileSide side, std::uint32_t line, std::string_view key,
                  std::uint32_t hash) {
    const bool left = side == FileSide::kFile1;
    const std::string_view text = left ? left_[line] : right_[line];
    // An empty key with "=" in the line means the line starts with it.
    const std::uint8_t noEquals =
        key.empty() && !text.starts_with('=') ? CSectionRows::SideBit(side) : 0;
    const auto candidate = static_cast<std::uint32_t>(pairs_.size());
    // The empty key (lines without "=" or starting with it) stays out of the index: in a file
    // of such lines every look-up would meet it and search its line for "=" again.
    std::uint32_t found = candidate;
    if (key.empty()) {
      if (keyless_ == kAbsent) keyless_ = candidate;
      found = keyless_;
    } else {
      found = index.FindOrInsert(hash, candidate,
                                 [&](std::uint32_t p) { return HasKey(pairs_[p], key); });
    }
    if (found == candidate) {
      pairs_.push_back(left ? CPair{line, kAbsent, RowKind::kOnlyLeft, noEquals}
                            : CPair{kAbsent, line, RowKind::kOnlyRight, noEquals});
    } else {
      Join(side, pairs_[found], line, key, noEquals);
    }
    return found;
  }

  // A line of a key the pair has: the pair's line of its file, or a later line of the key.
  void Join(FileSide side, CPair& pair, std::uint32_t line, std::string_view key,
            std::uint8_t noEquals) {
    std::uint32_t& slot = side == FileSide::kFile1 ? pair.left : pair.right;
    if (slot == kAbsent) {
      slot = line;
      pair.noEquals |= noEquals;
      pair.kind = KindOf(pair, key);
    } else {
      if (makingPass_ && side == FileSide::kFile1) leftDuplicates_.push_back(line);
      LogDuplicate(side, line);
    }
  }

  void LogDuplicate(FileSide side, std::uint32_t line) {
    log_.Add(MakeChange(ChangeKind::kDuplicate, side, section_,
                        side == FileSide::kFile1 ? left_[line] : right_[line]));
  }

  // Multi_Status first, whether or not a file has it, then the keys of SSID1 to SSID7, each run
  // in its order. Keys are matched on their first five characters, so SSID10_x joins SSID1.
  void OrderMultiSsid() {
    std::vector<CPair> ordered;
    ordered.reserve(pairs_.size());
    const std::uint32_t status = Find("Multi_Status");
    if (status != kAbsent) ordered.push_back(pairs_[status]);
    std::vector<bool> taken(pairs_.size(), false);
    if (status != kAbsent) taken[status] = true;
    for (int n = 1; n <= kSsidCount; ++n) {
      const std::string prefix = "SSID" + std::to_string(n);
      for (std::size_t p = 0; p < pairs_.size(); ++p) {
        if (taken[p] || !KeyOf(pairs_[p]).starts_with(prefix)) continue;
        ordered.push_back(pairs_[p]);
        taken[p] = true;
      }
    }
    for (std::size_t p = 0; p < pairs_.size(); ++p) {
      if (taken[p]) continue;
      for (const auto& [line, lines, side] :
           {std::tuple{pairs_[p].left, &left_, FileSide::kFile1},
            std::tuple{pairs_[p].right, &right_, FileSide::kFile2}}) {
        if (line == kAbsent) continue;
        log_.Add(MakeChange(ChangeKind::kUnordered, side, section_, (*lines)[line]));
      }
    }
    pairs_ = std::move(ordered);
  }

  // What a pair of both files says, `key` being their common key. Lines with a key both hold "="
  // and are compared as they are, without searching them for it again.
  RowKind KindOf(const CPair& pair, std::string_view key) const {
    std::string_view left = left_[pair.left];
    std::string_view right = right_[pair.right];
    if (key.empty()) {
      left = ComparedText(left);
      right = ComparedText(right);
    }
    return TrimTrailingSpaces(left) == TrimTrailingSpaces(right) ? RowKind::kSame
                                                                 : RowKind::kDifferent;
  }

  Section section_;
  const CLines& left_;
  const CLines& right_;
  CChangeLog& log_;
  const CLeftPass* pass_;
  // The pairs' keys. A pass's index is copied only once a look-up may add to it: a file 2 that
  // keeps file 1's order of keys joins every line without one.
  std::optional<CHashIndex> ownIndex_;
  std::vector<CPair> pairs_;
  std::uint32_t keyless_ = kAbsent;  // the pair of the empty key
  std::size_t leftPairs_ = 0;        // the pairs file 1's lines made, the first of pairs_
  bool makingPass_ = false;          // file 1's repeated lines are then kept for the pass
  std::vector<std::uint32_t> leftDuplicates_;
};

}  // namespace

std::string_view ComparedText(std::string_view line) {
  return FindByte(line, '=') == std::string_view::npos ? std::string_view("=") : line;
}

std::vector<CSectionRows> AlignSections(const CSectionBuckets& file1, const CSectionBuckets& file2,
                                        CChangeLog& log) {
  return AlignSections(file1, file2, log, nullptr);
}

CLeftPasses LeftPassesOf(const CSectionBuckets& file1) {
  CLeftPasses passes;
  CChangeLog none;  // its duplicates are logged by each comparison that takes the pass
  const CLines empty;
  for (const Section section : kEmissionOrder) {
    if (file1[section].empty() || IsMacFilterSection(section)) continue;
    passes[static_cast<std::size_t>(section)] =
        CSectionAligner(section, file1[section], empty, none).LeftPass();
  }
  return passes;
}

std::vector<CSectionRows> AlignSections(const CSectionBuckets& file1, const CSectionBuckets& file2,
                                        CChangeLog& log, const CLeftPasses* passes) {
  std::vector<CSectionRows> sections;
  if (HasNoLines(file1) || HasNoLines(file2)) return sections;
  // A pass serves the very lines it was made from: the same views, not only the same bytes.
  const auto passFor = [&](Section section) -> const CLeftPass* {
    if (passes == nullptr) return nullptr;
    const std::optional<CLeftPass>& pass = (*passes)[static_cast<std::size_t>(section)];
    const CLines& lines = file1[section];
    const auto same = [](std::string_view a, std::string_view b) {
      return a.data() == b.data() && a.size() == b.size();
    };
    if (!pass ||
        !std::equal(lines.begin(), lines.end(), pass->lines->begin(), pass->lines->end(), same)) {
      return nullptr;
    }
    return &*pass;
  };
  const auto align = [&](Section section) {
    CSectionAligner aligner(section, file1[section], file2[section], log, passFor(section));
    sections.emplace_back(section, file1[section], file2[section], aligner.Align());
  };
  for (const Section section : kEmissionOrder) {
    if (!file1[section].empty()) align(section);
  }
  for (const Section section : kEmissionOrder) {
    if (file1[section].empty() && !file2[section].empty()) align(section);
  }
  return sections;
}

}  // namespace varnic
