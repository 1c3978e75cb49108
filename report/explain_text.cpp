#include "report/explain_text.h"

#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>
#include <utility>

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
  const auto write = [&](const CExplanation& e) {
    text.append("    ");
    const std::size_t start = text.size();
    if (masker != nullptr) {
      // Only the views change: the numbers of a cleared band are not copied.
      const CExplanation shown{e.kind,
                               e.file,
                               e.section,
                               masker->MaskLine(e.line, line),
                               masker->MaskLine(e.detail, detail),
                               e.reason,
                               e.lineNumber};
      AppendDescription(text, shown);
    } else {
      AppendDescription(text, e);
    }
    // Most notes are plain text, their own safe form: written in place, escaped only when not.
    if (!IsPlainText(std::string_view(text).substr(start))) {
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
  const auto group = [&](std::string_view heading, auto belongs) {
    bool first = true;
    for (const CExplanation& e : explanations) {
      if (!belongs(e)) continue;
      if (first) {
        text.append("  ").append(heading).append("\n");
        first = false;
      }
      write(e);
    }
  };
  group("bands", [](const CExplanation& e) { return e.kind == CExplanation::Kind::kBandCleared; });
  std::vector<std::string_view> known;
  for (const Section section : kEmissionOrder) {
    const std::string_view header = SectionHeader(section);
    known.push_back(header);
    group(header, [header](const CExplanation& e) {
      // A note's section is nearly always the header's own text: its address decides first.
      const bool same = (e.section.data() == header.data() && e.section.size() == header.size()) ||
                        e.section == header;
      return e.kind != CExplanation::Kind::kBandCleared && same;
    });
  }
  // Then the lines no rule models: before the first header and in sections no rule knows, each
  // heading once, in the order met (a file may hold thousands of such sections).
  std::unordered_map<std::string_view, std::size_t> orderOf;
  std::vector<std::pair<std::size_t, const CExplanation*>> rest;
  for (const CExplanation& e : explanations) {
    if (e.kind == CExplanation::Kind::kBandCleared ||
        std::find(known.begin(), known.end(), e.section) != known.end()) {
      continue;
    }
    rest.emplace_back(orderOf.try_emplace(e.section, orderOf.size()).first->second, &e);
  }
  std::stable_sort(rest.begin(), rest.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const CExplanation& e = *rest[i].second;
    if (i == 0 || rest[i - 1].first != rest[i].first) {
      text.append("  ")
          .append(e.section.empty() ? "before the first section header" : SafeText(e.section))
          .append("\n");
    }
    write(e);
  }
  out << text;
}

}  // namespace varnic::report
