#include "report/line_formats.h"

#include "report/terminal_text.h"

namespace varnic::report {
namespace {

constexpr std::size_t kOutputChunk = std::size_t{64} << 10U;

std::string ChangeLine(const CEntry& e, CSecretMasker* masker) {
  std::string line = SafeText(e.section);
  if (e.InLeft() && e.InRight()) {
    // Labels follow reading order: the left value first.
    const std::string before = ShownValue(e.key, e.left, masker);
    const std::string after = ShownValue(e.key, e.right, masker);
    const std::string_view leftKey = e.KeyIn(FileSide::kFile1);
    const std::string_view rightKey = e.KeyIn(FileSide::kFile2);
    if (leftKey != rightKey) {
      // MAC filter entries matched under other numbers: each in its file's own words.
      return line.append(" ")
          .append(SafeText(leftKey))
          .append("=")
          .append(before)
          .append(kArrow)
          .append(SafeText(rightKey))
          .append("=")
          .append(after);
    }
    return line.append(" ")
        .append(SafeText(leftKey))
        .append(": ")
        .append(before)
        .append(kArrow)
        .append(after);
  }
  if (!e.setAsideWhy.empty()) {
    // The other file's line of the key was set aside: one change, both values, and why.
    const std::string before = ShownValue(e.key, e.left, masker);
    const std::string after = ShownValue(e.key, e.right, masker);
    return line.append(" ")
        .append(SafeText(e.KeyIn(e.InLeft() ? FileSide::kFile1 : FileSide::kFile2)))
        .append(": ")
        .append(before)
        .append(kArrow)
        .append(after)
        .append(e.InLeft() ? " (file 2: " : " (file 1: ")
        .append(SafeText(e.setAsideWhy))
        .append(")");
  }
  const bool onlyLeft = e.InLeft();
  return line.append(onlyLeft ? " - " : " + ")
      .append(SafeText(e.KeyIn(onlyLeft ? FileSide::kFile1 : FileSide::kFile2)))
      .append("=")
      .append(ShownValue(e.key, onlyLeft ? e.left : e.right, masker));
}

std::string HiddenLine(const CHiddenDifference& hidden, CSecretMasker* masker) {
  const std::string left = ShownValue(hidden.key, hidden.left, masker);
  const std::string right = ShownValue(hidden.key, hidden.right, masker);
  // A line before the first header has no section to name.
  std::string line = hidden.section.empty() ? "~ " : SafeText(hidden.section) + " ~ ";
  return line + SafeText(hidden.key) + ": " + left + std::string(kArrow) + right + " (" +
         SafeText(hidden.why) + ")";
}

// GitHub's escaping of a workflow command's message and of its properties.
std::string GithubData(std::string_view text, bool property) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '%':
        out += "%25";
        break;
      case '\r':
        out += "%0D";
        break;
      case '\n':
        out += "%0A";
        break;
      case ':':
        out += property ? "%3A" : ":";
        break;
      case ',':
        out += property ? "%2C" : ",";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string GithubCommand(std::string_view level, const CInput& file, std::uint32_t line,
                          std::string_view title, const std::string& message) {
  std::string command = "::" + std::string(level) + " file=" + GithubData(file.path, true);
  if (line != 0) command += ",line=" + std::to_string(line);
  command += ",title=" + GithubData(title, true) + "::" + GithubData(message, false) + "\n";
  return command;
}

}  // namespace

std::string ShownValue(std::string_view key, const std::optional<std::string_view>& value,
                       CSecretMasker* masker) {
  if (!value) return "(missing)";
  if (masker != nullptr && IsSecretKey(key)) return masker->LabelFor(*value);
  return SafeText(*value);
}

void WriteChanges(const CReport& report, CSecretMasker* masker, std::ostream& out) {
  std::string text;
  for (const CEntry& e : report.entries) {
    if (e.status == RowKind::kSame || e.ignored) continue;
    text += ChangeLine(e, masker);
    text += '\n';
    if (text.size() >= kOutputChunk) {
      out << text;
      text.clear();
    }
  }
  for (const CHiddenDifference& hidden : report.hidden) {
    if (hidden.ignored) continue;
    text += HiddenLine(hidden, masker);
    text += '\n';
  }
  out << text;
}

void WriteBrief(const CReport& report, std::ostream& out) {
  const std::string files =
      "Files " + SafeText(report.left.path) + " and " + SafeText(report.right.path);
  if (report.verdict.Differs()) {
    out << files << " differ\n";
  } else if (report.verdict.hiddenDifferences > 0) {
    out << files << " are the same where compared, but " << report.verdict.hiddenDifferences
        << (report.verdict.hiddenDifferences == 1 ? " setting was not compared and differs\n"
                                                  : " settings were not compared and differ\n");
  }
}

void WriteGithub(const CReport& report, CSecretMasker* masker, std::ostream& out) {
  std::string text;
  for (const CEntry& e : report.entries) {
    if (e.status == RowKind::kSame || e.ignored) continue;
    // On the file whose marked result holds the line: file 2's unless only file 1 has it.
    const bool onRight = e.InRight();
    text += GithubCommand("warning", onRight ? report.right : report.left,
                          onRight ? e.rightLine : e.leftLine, "varnic: setting differs",
                          ChangeLine(e, masker));
    if (text.size() >= kOutputChunk) {
      out << text;
      text.clear();
    }
  }
  for (const CHiddenDifference& hidden : report.hidden) {
    if (hidden.ignored) continue;
    const bool onRight = hidden.rightLine != 0;
    text += GithubCommand(
        report.verdict.strict ? "warning" : "notice", onRight ? report.right : report.left,
        onRight ? hidden.rightLine : hidden.leftLine, "varnic: setting not compared, but different",
        HiddenLine(hidden, masker));
  }
  out << text;
}

}  // namespace varnic::report
