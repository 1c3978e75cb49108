// CPreparedFile::Derive: a file's analysis taken from that of a file it differs from in a few whole
// lines. Splitting looks at a line's bytes only to find its end and whether it is a header, and
// filtering decides which lines to keep by their keys, from rules whose conditions read the lines
// whose keys contain theirs; a replaced line that changes none of these leaves the analysis as it
// was, its views moved to the new bytes.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "engine/prepared_file.h"
#include "rules/filter.h"
#include "rules/primitives.h"
#include "rules/rule_lists.h"

namespace varnic {
namespace {

// A line's body: its bytes without the LF that ends it and one CR before that LF.
std::string_view Body(std::string_view line) {
  if (!line.empty() && line.back() == '\n') {
    line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  }
  return line;
}

// Whether [offset, offset + size) of `text` is one whole line, its end included.
bool WholeLine(std::string_view text, std::size_t offset, std::size_t size) {
  if (size == 0 || offset > text.size() || size > text.size() - offset) return false;
  if (offset != 0 && text[offset - 1] != '\n') return false;
  const std::string_view line = text.substr(offset, size);
  const std::size_t lf = line.find('\n');
  if (lf == std::string_view::npos) return offset + size == text.size();
  return lf + 1 == size;
}

// How the split files a line: by its first byte, and by the header it is when it starts with "[".
bool SplitsAlike(std::string_view a, std::string_view b) {
  const bool headerA = !a.empty() && a.front() == '[';
  const bool headerB = !b.empty() && b.front() == '[';
  if (headerA != headerB) return false;
  return !headerA || FindSection(a) == FindSection(b);
}

// Moves views of the base's bytes to the derived file's: past a replaced line by the bytes it
// gained or lost, and a replaced line's own body to its replacement's.
class CMover {
 public:
  CMover(std::string_view base, std::string_view derived, std::span<const CReplacedLine> replaced)
      : base_(base), derived_(derived), replaced_(replaced) {
    std::ptrdiff_t shift = 0;
    shifts_.reserve(replaced.size());
    bodies_.reserve(replaced.size());
    for (const CReplacedLine& line : replaced) {
      shift += static_cast<std::ptrdiff_t>(line.size) - static_cast<std::ptrdiff_t>(line.baseSize);
      shifts_.push_back(shift);
      bodies_.push_back(Body(derived.substr(line.offset, line.size)));
    }
  }

  // `view` moved. `next` is the caller's cursor (0 to start), the replaced lines that begin at
  // or before the view: views taken in file order move without a search. `replaced` is set when
  // `view` is a replaced line.
  std::string_view Moved(std::string_view view, std::size_t& next, bool& replaced) const {
    const auto at = static_cast<std::size_t>(view.data() - base_.data());
    if (next > 0 && at < replaced_[next - 1].baseOffset) next = 0;
    while (next < replaced_.size() && replaced_[next].baseOffset <= at) ++next;
    replaced = false;
    if (next == 0) return {derived_.data() + at, view.size()};
    const CReplacedLine& line = replaced_[next - 1];
    if (at < line.baseOffset + line.baseSize) {
      replaced = true;
      return bodies_[next - 1];
    }
    return {derived_.data() + static_cast<std::ptrdiff_t>(at) + shifts_[next - 1], view.size()};
  }

  void Move(CLines& lines) const {
    std::size_t next = 0;
    bool replaced = false;
    for (std::string_view& line : lines) line = Moved(line, next, replaced);
  }

 private:
  std::string_view base_;
  std::string_view derived_;
  std::span<const CReplacedLine> replaced_;
  std::vector<std::ptrdiff_t> shifts_;    // after each replaced line
  std::vector<std::string_view> bodies_;  // of each replacement
};

// Whether the lines `replaced` are whole lines of both files, in order and apart, the bytes
// between them alike, and each split as the line it stands in for.
bool Replaceable(std::string_view base, std::string_view derived,
                 std::span<const CReplacedLine> replaced) {
  std::size_t baseAt = 0;
  std::size_t at = 0;
  for (const CReplacedLine& line : replaced) {
    if (line.baseOffset < baseAt || line.offset < at) return false;
    if (!WholeLine(base, line.baseOffset, line.baseSize) ||
        !WholeLine(derived, line.offset, line.size)) {
      return false;
    }
    if (line.baseOffset - baseAt != line.offset - at ||
        base.substr(baseAt, line.baseOffset - baseAt) != derived.substr(at, line.offset - at)) {
      return false;
    }
    if (!SplitsAlike(Body(base.substr(line.baseOffset, line.baseSize)),
                     Body(derived.substr(line.offset, line.size)))) {
      return false;
    }
    baseAt = line.baseOffset + line.baseSize;
    at = line.offset + line.size;
  }
  return base.substr(baseAt) == derived.substr(at);
}

// Whether a replaced line may change what the rules of `section` decide: its key changed, or
// lies within the key of some condition (a wildcard's included), whose answer its value may
// change.
bool MovesFiltering(const CRuleList& rules, std::string_view before, std::string_view after) {
  const std::string_view key = GetItemKey(after);
  if (GetItemKey(before) != key) return true;
  return std::any_of(rules.ConditionsByKey().begin(), rules.ConditionsByKey().end(),
                     [key](const CCondition& c) {
                       return c.key == "*" || key.find(c.key) != std::string_view::npos;
                     });
}

}  // namespace

std::shared_ptr<const CPreparedFile> CPreparedFile::Derive(
    const std::shared_ptr<const CPreparedFile>& base, CInput input,
    std::span<const CReplacedLine> replaced) {
  const std::string_view bytes = input.owner ? input.view : std::string_view(input.text);
  if (!base || !Replaceable(base->bytes_, bytes, replaced)) return Make(std::move(input));
  auto file = std::make_shared<CPreparedFile>(CPassKey{});
  file->Own(input);
  const CMover mover(base->bytes_, file->bytes_, replaced);
  file->lines_ = base->lines_;
  file->split_ = base->split_;
  // Moved, noting the sections that hold a replaced line whose change a rule may see.
  std::array<bool, kSectionCount> refilter{};
  for (const CSectionRules& entry : SectionRuleTable()) {
    CLines& lines = file->split_[entry.section];
    std::size_t next = 0;
    bool& moves = refilter[static_cast<std::size_t>(entry.section)];
    for (std::string_view& line : lines) {
      bool replacedLine = false;
      const std::string_view before = line;
      line = mover.Moved(line, next, replacedLine);
      moves =
          moves || (replacedLine && entry.filtered && MovesFiltering(*entry.rules, before, line));
    }
  }
  file->splitChanges_ = base->splitChanges_;
  std::size_t next = 0;
  for (CChange& change : file->splitChanges_) {
    bool replacedLine = false;
    change.line = mover.Moved(change.line, next, replacedLine);
  }

  // Filtering as Make does it, section by section in the table's order: a section no replaced
  // line moves keeps the base's result, the others are filtered afresh.
  std::vector<std::uint32_t> placed(base->ruleSets_.size(), UINT32_MAX);
  const std::vector<CChange>& filtering = base->filterChanges_;
  file->filterChanges_.reserve(filtering.size());
  std::size_t k = 0;  // the base's filtering changes are grouped by section, in the same order
  for (const CSectionRules& entry : SectionRuleTable()) {
    const std::size_t first = k;
    while (k < filtering.size() && filtering[k].section == entry.section) ++k;
    CLines& filtered = file->filtered_[entry.section];
    if (!refilter[static_cast<std::size_t>(entry.section)]) {
      file->matching_[static_cast<std::size_t>(entry.section)] =
          base->matching_[static_cast<std::size_t>(entry.section)];
      filtered = base->filtered_[entry.section];
      mover.Move(filtered);
      next = 0;
      for (std::size_t i = first; i < k; ++i) {
        CChange change = filtering[i];
        bool replacedLine = false;
        change.line = mover.Moved(change.line, next, replacedLine);
        std::uint32_t& place = placed[change.detail];
        if (place == UINT32_MAX) {
          place = static_cast<std::uint32_t>(file->ruleSets_.size());
          file->ruleSets_.push_back(base->ruleSets_[change.detail]);
        }
        change.detail = place;
        file->filterChanges_.push_back(change);
      }
      continue;
    }
    filtered = file->split_[entry.section];
    CLines dropped;
    std::vector<std::uint16_t> matching = FilterBucket(filtered, *entry.rules, dropped);
    file->Record(entry.section, std::move(matching), dropped);
  }
  // Make groups them so; were it ever otherwise, the analysis is made afresh rather than wrong.
  if (k != filtering.size()) return Make({std::string(file->bytes_), 0});
  return file;
}

}  // namespace varnic
