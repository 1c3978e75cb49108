#include "report/line_formats.h"

#include "report/terminal_text.h"

namespace varnic::cli {
namespace {

constexpr std::size_t kOutputChunk = std::size_t{64} << 10U;

std::string ChangeLine(std::string_view section, std::string_view key,
                       const std::optional<std::string_view>& left,
                       const std::optional<std::string_view>& right, CSecretMasker* masker) {
  std::string line = SafeText(section);
  if (left && right) {
    // Labels follow reading order: the left value first.
    const std::string before = ShownValue(key, left, masker);
    const std::string after = ShownValue(key, right, masker);
    return line.append(" ")
        .append(SafeText(key))
        .append(": ")
        .append(before)
        .append(kArrow)
        .append(after);
  }
  const bool onlyLeft = left.has_value();
  return line.append(onlyLeft ? " - " : " + ")
      .append(SafeText(key))
      .append("=")
      .append(ShownValue(key, onlyLeft ? left : right, masker));
}

std::string HiddenLine(const CHiddenDifference& hidden, CSecretMasker* masker) {
  const std::string_view section = SectionHeader(hidden.section);
  const std::string left = ShownValue(hidden.key, hidden.left, masker);
  const std::string right = ShownValue(hidden.key, hidden.right, masker);
  return SafeText(section) + " ~ " + SafeText(hidden.key) + ": " + left + std::string(kArrow) +
         right + " (" + SafeText(hidden.why) + ")";
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
    text += ChangeLine(e.section, e.key, e.left, e.right, masker);
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
    const bool onRight = e.rightLine != 0;
    text += GithubCommand("warning", onRight ? report.right : report.left,
                          onRight ? e.rightLine : e.leftLine, "varnic: setting differs",
                          ChangeLine(e.section, e.key, e.left, e.right, masker));
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

}  // namespace varnic::cli
