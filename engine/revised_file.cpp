// CPreparedFile::Revise: a file's analysis taken from that of another it may differ from
// anywhere. Splitting is redone, as it is cheap; filtering is the costly stage. Which rules match a
// section depends only on its lines whose keys contain a condition's, and each line is then kept
// by its own key: a section that gained or lost only other lines matches the rules it did, and
// the lines it shares with the other file fare as they did there.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/prepared_file.h"
#include "rules/filter.h"
#include "rules/primitives.h"
#include "rules/rule.h"
#include "rules/rule_lists.h"

namespace varnic {
namespace {

// Marks in `kept` which lines of `split` are in `filtered`, the lines of it that survived, in
// order and by address. False when `filtered` is not such a list.
bool MarkSurvivors(const CLines& split, const CLines& filtered, std::vector<char>& kept) {
  kept.assign(split.size(), 0);
  std::size_t next = 0;
  for (std::size_t i = 0; i < split.size() && next < filtered.size(); ++i) {
    if (split[i].data() == filtered[next].data() && split[i].size() == filtered[next].size()) {
      kept[i] = 1;
      ++next;
    }
  }
  return next == filtered.size();
}

}  // namespace

std::shared_ptr<const CPreparedFile> CPreparedFile::Revise(const CPreparedFile& base,
                                                           CInput input) {
  std::shared_ptr<CPreparedFile> file = Split(std::move(input));
  // Reused call after call: a fleet revises one analysis per device.
  thread_local CLines dropped;
  thread_local std::vector<char> kept;
  thread_local std::vector<std::uint16_t> metBefore;
  thread_local std::vector<std::uint16_t> metAfter;
  for (const CSectionRules& entry : SectionRuleTable()) {
    if (!entry.filtered) continue;
    const CLines& before = base.split_[entry.section];
    CLines& lines = file->filtered_[entry.section];
    dropped.clear();
    // The lines both files hold at the start and at the end of the section; those between are
    // what changed.
    const std::size_t common = std::min(before.size(), lines.size());
    std::size_t head = 0;
    while (head < common && before[head] == lines[head]) ++head;
    std::size_t tail = 0;
    while (tail < common - head &&
           before[before.size() - 1 - tail] == lines[lines.size() - 1 - tail]) {
      ++tail;
    }
    // Between them, a line both hold at the same place is left as it was (a fix sets most lines
    // in place).
    const std::size_t changedBefore = before.size() - tail - head;
    const std::size_t changedAfter = lines.size() - tail - head;
    const auto sameAt = [&](std::size_t i) {
      return changedBefore == changedAfter && before[i] == lines[i];
    };
    // The rules that match depend on the conditions some line meets: those the changed lines
    // meet on either side alike leave them as they were.
    metBefore.clear();
    metAfter.clear();
    for (std::size_t i = head; i < head + std::max(changedBefore, changedAfter); ++i) {
      if (sameAt(i)) continue;
      if (i < head + changedBefore) ConditionsMet(*entry.rules, before[i], metBefore);
      if (i < head + changedAfter) ConditionsMet(*entry.rules, lines[i], metAfter);
    }
    for (std::vector<std::uint16_t>* met : {&metBefore, &metAfter}) {
      std::sort(met->begin(), met->end());
      met->erase(std::unique(met->begin(), met->end()), met->end());
    }
    if (metBefore != metAfter || !MarkSurvivors(before, base.filtered_[entry.section], kept)) {
      std::vector<std::uint16_t> matching = FilterBucket(lines, *entry.rules, dropped);
      file->Record(entry.section, std::move(matching), dropped);
      continue;
    }
    const std::vector<std::uint16_t>& matching =
        base.matching_[static_cast<std::size_t>(entry.section)];
    // A changed line is kept as the keep list of these rules would keep it: when some rule's keys
    // hold its key, or when they name no key at all. A shared line's fate is known already.
    const auto keepsChanged = [&](std::string_view line) {
      const std::string_view key = GetItemKey(line);
      bool named = false;
      for (const std::uint16_t i : matching) {
        if ((*entry.rules)[i].KeyWithin(key)) return true;
        named = named || !(*entry.rules)[i].Keys().empty();
      }
      return !named;
    };
    const std::size_t changedEnd = lines.size() - tail;
    std::size_t survivors = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      bool keeps = false;
      if (i < head || (i < changedEnd && sameAt(i))) {
        keeps = kept[i] != 0;
      } else if (i >= changedEnd) {
        keeps = kept[i - changedEnd + before.size() - tail] != 0;
      } else {
        keeps = keepsChanged(lines[i]);
      }
      if (keeps) {
        lines[survivors++] = lines[i];
      } else {
        dropped.push_back(lines[i]);
      }
    }
    lines.resize(survivors);
    file->Record(entry.section, matching, dropped);
  }
  return file;
}

}  // namespace varnic
