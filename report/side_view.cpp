#include "report/side_view.h"

#include <algorithm>

#include "report/line_formats.h"
#include "report/terminal_text.h"

namespace varnic::cli {
namespace {

std::string Describe(const CInput& input, const CInput& other) {
  const std::string_view role = RoleOf(input, other);
  std::string text = SafeText(input.path) + " (type " + std::to_string(input.type);
  if (!role.empty()) text.append(", ").append(role);
  if (input.inferred) text.append(", inferred");
  return text + ")";
}

// Cuts or pads `text` (already escaped) to `width` bytes; long names lose their start, where
// paths are least telling.
std::string Fitted(std::string text, std::size_t width) {
  if (text.size() > width) text = "..." + text.substr(text.size() - width + 3);
  text.resize(width, ' ');
  return text;
}

}  // namespace

void WriteSideView(const CReport& report, const CViewOptions& view, CSecretMasker* masker,
                   std::ostream& out) {
  const std::size_t column =
      std::max<std::size_t>(8, (std::max<std::size_t>(view.width, 3) - 3) / 2);
  std::string header = Fitted(Describe(report.left, report.right), column) + "   " +
                       Fitted(Describe(report.right, report.left), column);
  header.erase(header.find_last_not_of(' ') + 1);
  out << header << "\n" << std::string(2 * column + 3, '=') << "\n";
  if (report.comparison != nullptr) out << RenderSideBySide(*report.comparison, view, masker);
}

void WriteVerdict(const CReport& report, CSecretMasker* masker, std::ostream& out) {
  const CVerdict& verdict = report.verdict;
  // A row only one file has while the other file's line of the key was set aside: the columns
  // show one side, so both values and why are told here.
  std::size_t setAside = 0;
  for (const CEntry& e : report.entries) setAside += e.setAsideWhy.empty() || e.ignored ? 0 : 1;
  if (setAside > 0) {
    out << "\n"
        << setAside
        << (setAside == 1 ? " setting is compared in one file only; the other file's line was set "
                            "aside:\n"
                          : " settings are compared in one file only; the other file's lines were "
                            "set aside:\n");
    for (const CEntry& e : report.entries) {
      if (e.setAsideWhy.empty() || e.ignored) continue;
      out << "  " << SafeText(e.section) << " " << SafeText(e.key) << " "
          << ShownValue(e.key, e.left, masker) << kArrow << ShownValue(e.key, e.right, masker)
          << (e.InLeft() ? " (file 2: " : " (file 1: ") << SafeText(e.setAsideWhy) << ")\n";
    }
  }
  if (verdict.hiddenDifferences > 0) {
    out << "\n"
        << verdict.hiddenDifferences
        << (verdict.hiddenDifferences == 1 ? " setting was not compared and differs"
                                           : " settings were not compared and differ")
        << (verdict.strict ? " (counted as differences)" : "") << ":\n";
    for (const CHiddenDifference& hidden : report.hidden) {
      if (hidden.ignored) continue;
      const std::string left = ShownValue(hidden.key, hidden.left, masker);
      const std::string right = ShownValue(hidden.key, hidden.right, masker);
      out << "  " << (hidden.section.empty() ? "" : SafeText(hidden.section) + " ")
          << SafeText(hidden.key) << " " << left << kArrow << right << " (" << SafeText(hidden.why)
          << ")\n";
    }
  }
  if (verdict.differences == 0) {
    out << "\nNo differences in the compared settings"
        << (verdict.hiddenDifferences > 0 ? ", but some settings were not compared (above)."
                                          : ": the two backups are the same.")
        << "\n";
  }
  if (verdict.ignored > 0) {
    out << verdict.ignored << (verdict.ignored == 1 ? " setting differs" : " settings differ")
        << " but matched an ignore pattern.\n";
  }
}

}  // namespace varnic::cli
