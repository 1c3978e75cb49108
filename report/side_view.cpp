#include "report/side_view.h"

#include <algorithm>

#include "report/line_formats.h"
#include "report/terminal_text.h"

namespace varnic::report {
namespace {

// " (type 0, single-band)": what the header says of a file after its name.
std::string Describe(const CInput& input, const CInput& other) {
  const std::string_view role = RoleOf(input, other);
  std::string text = " (type " + std::to_string(input.type);
  if (!role.empty()) text.append(", ").append(role);
  if (input.inferred) text.append(", inferred");
  return text + ")";
}

// Fewer columns than this would leave only a scrap of the type.
constexpr std::size_t kMinTypeWidth = 8;

// A file's heading in exactly `width` columns: its name first, shortened in the middle when even
// the name alone is too long, then its type, whole or shortened or left out, as room allows.
std::string Heading(const CInput& input, const CInput& other, std::size_t width) {
  std::string text = ShortenMiddle(input.path, width);
  const std::size_t room = width - Columns(text);
  const std::string type = Describe(input, other);
  if (type.size() <= room) {
    text += type;
  } else if (room >= kMinTypeWidth) {
    text += ShortenMiddle(type, room);
  }
  return text + std::string(width - Columns(text), ' ');
}

}  // namespace

void WriteSideView(const CReport& report, const CViewOptions& view, CSecretMasker* masker,
                   std::ostream& out) {
  const std::size_t column =
      std::max<std::size_t>(8, (std::max<std::size_t>(view.width, 3) - 3) / 2);
  std::string header = Heading(report.left, report.right, column) + "   " +
                       Heading(report.right, report.left, column);
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
  // The verdict comes last, after what it sums up, so that it is the line a reader ends on.
  out << "\n";
  if (verdict.ignored > 0) {
    out << verdict.ignored << (verdict.ignored == 1 ? " setting differs" : " settings differ")
        << " but matched an ignore pattern.\n";
  }
  if (verdict.differences > 0) {
    out << "The backups differ in " << verdict.differences
        << (verdict.differences == 1 ? " compared setting" : " compared settings")
        << (verdict.strict && verdict.hiddenDifferences > 0 ? ", and in settings not compared" : "")
        << ".\n";
  } else if (verdict.hiddenDifferences > 0) {
    out << (verdict.strict ? "The backups differ under --strict: no compared setting differs, "
                             "but some settings that were not compared do (above).\n"
                           : "No differences in the compared settings, but some settings were "
                             "not compared (above).\n");
  } else {
    out << (verdict.ignored > 0
                ? "No differences in the compared settings, ignored ones aside.\n"
                : "No differences in the compared settings: the two backups are the same.\n");
  }
}

}  // namespace varnic::report
