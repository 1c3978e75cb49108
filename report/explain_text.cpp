#include <array>

#include "report/explain.h"
#include "report/terminal_text.h"

namespace varnic::cli {
namespace {

constexpr std::size_t kOutputChunk = std::size_t{64} << 10U;  // long lists reach out in pieces

}  // namespace

void WriteExplanations(const std::vector<CExplanation>& explanations, CSecretMasker* masker,
                       std::ostream& out) {
  std::string text = "\nBefore comparing:\n";
  std::string line;
  std::string detail;
  const auto group = [&](std::string_view heading, auto belongs) {
    bool first = true;
    for (const CExplanation& e : explanations) {
      if (!belongs(e)) continue;
      if (first) {
        text.append("  ").append(heading).append("\n");
        first = false;
      }
      CExplanation shown = e;
      if (masker != nullptr) {
        shown.line = masker->MaskLine(e.line, line);
        shown.detail = masker->MaskLine(e.detail, detail);
      }
      text.append("    ").append(SafeText(DescribeExplanation(shown))).append("\n");
      if (text.size() >= kOutputChunk) {
        out << text;
        text.clear();
      }
    }
  };
  group("bands", [](const CExplanation& e) { return e.kind == CExplanation::Kind::kBandCleared; });
  for (const Section section : kEmissionOrder) {
    const std::string_view header = SectionHeader(section);
    group(header, [header](const CExplanation& e) {
      return e.kind != CExplanation::Kind::kBandCleared && e.section == header;
    });
  }
  out << text;
}

}  // namespace varnic::cli
