#include "engine/prepared_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/comparison_state.h"
#include "model/split_sections.h"
#include "rules/filter.h"
#include "rules/primitives.h"
#include "rules/reconcile.h"
#include "rules/rule_lists.h"

namespace varnic {

void CPreparedFile::Own(CInput& input) {
  if (input.owner) {
    owner_ = std::move(input.owner);
    bytes_ = input.view;
  } else {
    text_ = std::move(input.text);
    bytes_ = text_;
  }
}

std::shared_ptr<CPreparedFile> CPreparedFile::Split(CInput input) {
  auto file = std::make_shared<CPreparedFile>(CPassKey{});
  file->Own(input);
  CChangeLog splitLog;
  CSplitFile split = SplitIntoSections(file->bytes_, FileSide::kFile1, splitLog);
  file->lines_ = split.lines;
  file->split_ = std::move(split.buckets);
  file->splitChanges_.assign(splitLog.Changes().begin(), splitLog.Changes().end());
  file->filtered_ = file->split_;
  return file;
}

std::shared_ptr<const CPreparedFile> CPreparedFile::Make(CInput input) {
  std::shared_ptr<CPreparedFile> file = Split(std::move(input));
  // Filtering reads each file's own sections only: file 1 alone is filtered as in any pair.
  CLines dropped;
  for (const CSectionRules& entry : SectionRuleTable()) {
    if (!entry.filtered) continue;
    dropped.clear();
    std::vector<std::uint16_t> matching =
        FilterBucket(file->filtered_[entry.section], *entry.rules, dropped);
    file->Record(entry.section, std::move(matching), dropped);
  }
  // Made once here, file 1's half of aligning each section serves every comparison of the
  // same device type.
  file->leftPasses_ = LeftPassesOf(file->filtered_);
  return file;
}

void CPreparedFile::Record(Section section, std::vector<std::uint16_t> matching,
                           const CLines& dropped) {
  // As FilterSections logs a section: its rule set once, before its first dropped line.
  if (!dropped.empty()) {
    const auto place = static_cast<std::uint32_t>(ruleSets_.size());
    ruleSets_.push_back(matching);
    for (const std::string_view line : dropped) {
      CChange change = MakeChange(ChangeKind::kFiltered, FileSide::kFile1, section, line);
      change.detail = place;
      filterChanges_.push_back(change);
    }
  }
  matching_[static_cast<std::size_t>(section)] = std::move(matching);
}

namespace {

// Whether `a` and `b` hold the same lines in the same order, or in another with no key twice: a
// line is aligned by its key, so each then meets its own copy. A fix keeps the device's order of
// lines where the golden file may have another.
bool SameLinesInAnyOrder(const CLines& a, const CLines& b) {
  if (a.size() != b.size()) return false;
  std::size_t head = 0;
  while (head < a.size() && a[head] == b[head]) ++head;
  if (head == a.size()) return true;
  std::size_t end = a.size();
  while (end > head && a[end - 1] == b[end - 1]) --end;
  // Reused call after call: a fleet checks a fix per device.
  thread_local CLines left;
  thread_local CLines right;
  left.assign(a.begin() + static_cast<std::ptrdiff_t>(head),
              a.begin() + static_cast<std::ptrdiff_t>(end));
  right.assign(b.begin() + static_cast<std::ptrdiff_t>(head),
               b.begin() + static_cast<std::ptrdiff_t>(end));
  std::sort(left.begin(), left.end());
  std::sort(right.begin(), right.end());
  if (left != right) return false;
  thread_local CLines keys;
  keys.clear();
  for (const std::string_view line : a) keys.push_back(GetItemKey(line));
  std::sort(keys.begin(), keys.end());
  return std::adjacent_find(keys.begin(), keys.end()) == keys.end();
}

// Logs a file's filtering as FilterSections would have, as file `side`: each bucket's rule set
// stored just before its first dropped line, so that the sets keep the places they would have had.
void ReplayFiltering(const std::vector<CChange>& changes,
                     const std::vector<std::vector<std::uint16_t>>& ruleSets, FileSide side,
                     CChangeLog& log) {
  std::vector<std::uint32_t> placed(ruleSets.size(), UINT32_MAX);
  for (CChange change : changes) {
    if (change.kind == ChangeKind::kFiltered) {
      std::uint32_t& place = placed[change.detail];
      if (place == UINT32_MAX) place = log.AddRuleSet(ruleSets[change.detail]);
      change.detail = place;
    }
    change.file = side;
    log.Add(change);
  }
}

// Both files' split buckets brought to one device type and filtered afresh: reconciling edits
// both files before they are filtered, so no analysis made beforehand holds.
void ReconcileAndFilter(std::int32_t type1, CSectionBuckets& buckets1, CSectionBuckets& buckets2,
                        CChangeLog& log) {
  ReconcileBands(type1, buckets1, buckets2, log);
  ReconcileSections(type1, buckets1, buckets2, log);
  FilterSections(buckets1, buckets2, log);
}

}  // namespace

bool CPreparedFile::KeepsSameLines(const CPreparedFile& other) const {
  for (std::size_t s = 0; s < kSectionCount; ++s) {
    const auto section = static_cast<Section>(s);
    const CLines& mine = filtered_[section];
    const CLines& theirs = other.filtered_[section];
    if (IsMacFilterSection(section) ? mine != theirs : !SameLinesInAnyOrder(mine, theirs))
      return false;
  }
  return true;
}

// The stages of Compare, in its order, with file 1's split and filtering taken from `file1`.
CComparison Compare(const std::shared_ptr<const CPreparedFile>& file1, std::int32_t type1,
                    CInput input2, CCompareObserver* observer) {
  auto state = std::make_unique<CComparison::CState>();
  state->owners[0] = file1;
  state->bytes[0] = file1->bytes_;
  state->Take(1, input2);
  state->types = {type1, input2.type};
  state->log = CChangeLog(observer);
  CChangeLog& log = state->log;
  auto& [buckets1, buckets2] = state->buckets;

  for (const CChange& change : file1->splitChanges_) log.Add(change);
  state->lines[0] = file1->lines_;
  CSplitFile split = SplitIntoSections(state->bytes[1], FileSide::kFile2, log);
  buckets2 = std::move(split.buckets);
  state->lines[1] = split.lines;
  if (type1 != input2.type) {
    buckets1 = file1->split_;
    ReconcileAndFilter(type1, buckets1, buckets2, log);
  } else {
    buckets1 = file1->filtered_;
    state->leftPasses = &file1->leftPasses_;
    ReplayFiltering(file1->filterChanges_, file1->ruleSets_, FileSide::kFile1, log);
    CSectionBuckets none;
    FilterSections(none, buckets2, log);
  }
  return MatchAndAlign(std::move(state));
}

// The same stages with file 2's split and filtering taken from `file2`, its changes as file 2's.
CComparison Compare(const std::shared_ptr<const CPreparedFile>& file1, std::int32_t type1,
                    const std::shared_ptr<const CPreparedFile>& file2, std::int32_t type2,
                    CCompareObserver* observer) {
  auto state = std::make_unique<CComparison::CState>();
  state->owners = {file1, file2};
  state->bytes = {file1->bytes_, file2->bytes_};
  state->types = {type1, type2};
  state->log = CChangeLog(observer);
  CChangeLog& log = state->log;
  auto& [buckets1, buckets2] = state->buckets;

  for (const CChange& change : file1->splitChanges_) log.Add(change);
  for (CChange change : file2->splitChanges_) {
    change.file = FileSide::kFile2;
    log.Add(change);
  }
  state->lines = {file1->lines_, file2->lines_};
  if (type1 != type2) {
    buckets1 = file1->split_;
    buckets2 = file2->split_;
    ReconcileAndFilter(type1, buckets1, buckets2, log);
  } else {
    buckets1 = file1->filtered_;
    buckets2 = file2->filtered_;
    state->leftPasses = &file1->leftPasses_;
    ReplayFiltering(file1->filterChanges_, file1->ruleSets_, FileSide::kFile1, log);
    ReplayFiltering(file2->filterChanges_, file2->ruleSets_, FileSide::kFile2, log);
  }
  return MatchAndAlign(std::move(state));
}

}  // namespace varnic
