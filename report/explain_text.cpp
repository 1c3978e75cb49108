#include "report/explain_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "report/terminal_text.h"
#include "varnic/report/explain.h"

namespace varnic::report {
namespace {

constexpr std::size_t kOutputChunk = std::size_t{64} << 10U;  // long lists reach out in pieces

}  // namespace

void WriteExplanations(const std::vector<CExplanation>& explanations, CSecretMasker* masker,
                       std::ostream& out) {
  std::string text = "\nBefore comparing:\n";
  std::string line;
  std::string detail;
  std::string unsafe;
  std::string_view checkedReason;  // reasons are shared texts: the last one's check is kept
  bool reasonPlain = false;
  CExplanation masked;  // the note as shown, when its line is masked or one of a run
  // One line of a note: a run's lines are written one by one, as single notes would be.
  const auto write = [&](const CExplanation& e, std::string_view own) {
    text.append("    ");
    const std::size_t start = text.size();
    const CExplanation* shown = &e;
    if (masker != nullptr || own.data() != e.line.data()) {
      // Only the views change: the numbers of a cleared band are not copied.
      masked.kind = e.kind;
      masked.file = e.file;
      masked.section = e.section;
      masked.line = masker != nullptr ? masker->MaskLine(own, line) : own;
      masked.detail = masker != nullptr ? masker->MaskLine(e.detail, detail) : e.detail;
      masked.reason = e.reason;
      shown = &masked;
    }
    if (e.reason.data() != checkedReason.data() || e.reason.size() != checkedReason.size()) {
      checkedReason = e.reason;
      reasonPlain = IsPlainText(e.reason);
    }
    AppendDescription(text, *shown);
    // Most notes are plain text, their own safe form: written in place, escaped only when not.
    const bool plain = QuotesItsLine(e.kind) && reasonPlain && IsPlainText(shown->line);
    if (!plain && !IsPlainText(std::string_view(text).substr(start))) {
      unsafe.assign(text, start);
      text.resize(start);
      text.append(SafeText(unsafe));
    }
    text.append("\n");
    if (text.size() >= kOutputChunk) {
      out << text;
      text.clear();
    }
  };
  // Grouped under the bands, then the known sections in output order, then the sections no rule
  // knows and the lines before the first header, in the order met: each note's group found in
  // one pass and the notes put in order by a counting sort (a pass per section read every note
  // a dozen times).
  std::array<std::string_view, kSectionCount> headers{};
  for (std::size_t i = 0; i < kEmissionOrder.size(); ++i)
    headers[i] = SectionHeader(kEmissionOrder[i]);
  constexpr std::size_t kFirstUnknown = 1 + kSectionCount;
  std::unordered_map<std::string_view, std::size_t> orderOf;
  std::vector<std::uint32_t> groupOf(explanations.size());
  std::string_view lastSection;
  std::size_t lastGroup = 0;
  bool hasLast = false;
  for (std::size_t i = 0; i < explanations.size(); ++i) {
    const CExplanation& e = explanations[i];
    if (e.kind == CExplanation::Kind::kBandCleared) {
      groupOf[i] = 0;
      continue;
    }
    // A note's section is nearly always a header's own text, and notes of a section come in
    // runs: the address decides first.
    if (!hasLast || e.section.data() != lastSection.data() ||
        e.section.size() != lastSection.size()) {
      const auto* known = std::find(headers.begin(), headers.end(), e.section);
      lastGroup =
          known != headers.end()
              ? 1 + static_cast<std::size_t>(known - headers.begin())
              : kFirstUnknown + orderOf.try_emplace(e.section, orderOf.size()).first->second;
      lastSection = e.section;
      hasLast = true;
    }
    groupOf[i] = static_cast<std::uint32_t>(lastGroup);
  }
  std::vector<std::uint32_t> groupAt(kFirstUnknown + orderOf.size() + 1, 0);
  for (const std::uint32_t g : groupOf) ++groupAt[g + 1];
  for (std::size_t g = 1; g < groupAt.size(); ++g) groupAt[g] += groupAt[g - 1];
  std::vector<std::uint32_t> order(explanations.size());
  {
    std::vector<std::uint32_t> next(groupAt.begin(), groupAt.end() - 1);
    for (std::size_t i = 0; i < explanations.size(); ++i) {
      order[next[groupOf[i]]++] = static_cast<std::uint32_t>(i);
    }
  }
  for (std::size_t g = 0; g + 1 < groupAt.size(); ++g) {
    if (groupAt[g] == groupAt[g + 1]) continue;
    const CExplanation& first = explanations[order[groupAt[g]]];
    text.append("  ");
    if (g == 0) {
      text.append("bands");
    } else if (g < kFirstUnknown) {
      text.append(headers[g - 1]);
    } else {
      text.append(first.section.empty() ? "before the first section header"
                                        : SafeText(first.section));
    }
    text.append("\n");
    for (std::uint32_t at = groupAt[g]; at < groupAt[g + 1]; ++at) {
      const CExplanation& e = explanations[order[at]];
      for (std::uint32_t k = 0; k < e.lines; ++k) write(e, e.Line(k));
    }
  }
  out << text;
}

}  // namespace varnic::report
