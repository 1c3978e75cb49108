#include "report/unmodelled.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <unordered_map>

#include "engine/align.h"
#include "report/file_settings.h"
#include "rules/primitives.h"

namespace varnic::report {
namespace {

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t\r") == line.npos; }

// Where the first line that starts with "[" begins; the end of the text when none does.
const char* FirstHeader(std::string_view text) {
  if (text.starts_with('[')) return text.data();
  const std::size_t at = text.find("\n[");
  return text.data() + (at == std::string_view::npos ? text.size() : at + 1);
}

}  // namespace

std::vector<CUnmodelledLine> UnmodelledLinesOf(const CComparison& comparison) {
  std::vector<CUnmodelledLine> lines;
  const std::array<const char*, 2> firstHeader = {FirstHeader(comparison.Text(FileSide::kFile1)),
                                                  FirstHeader(comparison.Text(FileSide::kFile2))};
  std::array<std::string_view, 2> unknownHeader{};  // per file, the last one met
  const auto unmodelled = [](ChangeKind kind) {
    return kind == ChangeKind::kUnknownSection || kind == ChangeKind::kSuperseded;
  };
  comparison.Changes().Changes().ForEachOfKind(unmodelled, [&](const CChange& change) {
    const std::size_t side = SideIndex(change.file);
    if (change.kind == ChangeKind::kUnknownSection) {
      // The log holds an unknown header before its lines: a body line never starts with "[".
      if (change.line.starts_with('[')) {
        unknownHeader[side] = change.line;
      } else if (!IsBlank(change.line)) {
        lines.push_back(
            {unknownHeader[side], change.line, change.file, HiddenReason::kUnknownSection});
      }
    } else if (change.kind == ChangeKind::kSuperseded && change.section && !IsBlank(change.line)) {
      // Views compare as addresses within the one text they both point into.
      const bool beforeHeader = std::less<>()(change.line.data(), firstHeader[side]);
      if (beforeHeader) {
        lines.push_back({{}, change.line, change.file, HiddenReason::kBeforeFirstHeader});
      } else {
        lines.push_back({SectionHeader(*change.section), change.line, change.file,
                         HiddenReason::kRepeatedHeader});
      }
    }
  });
  // The stages log file 1 before file 2; a stable order costs nothing to make sure of.
  std::stable_partition(lines.begin(), lines.end(),
                        [](const CUnmodelledLine& l) { return l.file == FileSide::kFile1; });
  return lines;
}

std::string_view UnmodelledWhy(HiddenReason reason) {
  switch (reason) {
    case HiddenReason::kBeforeFirstHeader:
      return "a line before the first section header";
    case HiddenReason::kRepeatedHeader:
      return "an earlier block of a section whose header comes again";
    default:
      return "a section the rules do not know";
  }
}

std::vector<CHiddenDifference> UnmodelledDifferencesOf(const std::vector<CUnmodelledLine>& lines,
                                                       const CLineNumbers& numbers) {
  std::vector<CHiddenDifference> differences;
  if (lines.empty()) return differences;
  // Per (reason, header, key): the lines of each file in order, as indices into `lines`.
  struct CSlot {
    std::array<std::vector<std::size_t>, 2> lines;
  };
  std::unordered_map<std::string, std::size_t> slotOf;
  std::vector<CSlot> slots;
  std::string name;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const CUnmodelledLine& l = lines[i];
    name.assign(1, static_cast<char>(l.reason));
    name.append(l.section).push_back('\n');
    name.append(SettingKey(l.line));
    const auto [at, added] = slotOf.try_emplace(name, slots.size());
    if (added) slots.emplace_back();
    slots[at->second].lines[SideIndex(l.file)].push_back(i);
  }
  // A line without "=" (a comment, a note) is its own key and value.
  const auto shown = [](std::string_view line) {
    return line.find('=') == std::string_view::npos ? line : GetItemValue(line);
  };
  const auto value = [&](std::string_view line) { return TrimTrailingSpaces(shown(line)); };
  for (const CSlot& slot : slots) {
    const auto& [left, right] = slot.lines;
    for (std::size_t n = 0; n < std::max(left.size(), right.size()); ++n) {
      const CUnmodelledLine* a = n < left.size() ? &lines[left[n]] : nullptr;
      const CUnmodelledLine* b = n < right.size() ? &lines[right[n]] : nullptr;
      if (a != nullptr && b != nullptr && value(a->line) == value(b->line)) continue;
      const CUnmodelledLine& line = a != nullptr ? *a : *b;
      CHiddenDifference difference;
      difference.section = line.section;
      difference.key = SettingKey(line.line);
      if (a != nullptr) {
        difference.left = shown(a->line);
        difference.leftLine = numbers.Of(FileSide::kFile1, a->line);
      }
      if (b != nullptr) {
        difference.right = shown(b->line);
        difference.rightLine = numbers.Of(FileSide::kFile2, b->line);
      }
      difference.reason = line.reason;
      difference.why = UnmodelledWhy(line.reason);
      differences.push_back(difference);
    }
  }
  return differences;
}

}  // namespace varnic::report
