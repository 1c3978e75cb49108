#include "report/line_formats.h"

#include "report/terminal_text.h"

namespace varnic::report {
namespace {

constexpr std::size_t kOutputChunk = std::size_t{64} << 10U;

// A value as ShownValue has it, appended to `out`.
void AppendShownValue(std::string& out, std::string_view key,
                      const std::optional<std::string_view>& value, CSecretMasker* masker) {
  if (!value) {
    out.append("(missing)");
  } else if (masker != nullptr && IsSecretKey(key)) {
    out.append(masker->LabelFor(*value));
  } else {
    AppendSafeText(out, *value);
  }
}

// "key=value" of a row's line, as the file names its key.
void AppendSetting(std::string& out, const CEntry& e, FileSide side, CSecretMasker* masker) {
  AppendSafeText(out, e.KeyIn(side));
  out.append("=");
  AppendShownValue(out, e.key, side == FileSide::kFile1 ? e.left : e.right, masker);
}

// "a → b": the left value first, in reading order.
void AppendValues(std::string& out, std::string_view key,
                  const std::optional<std::string_view>& left,
                  const std::optional<std::string_view>& right, CSecretMasker* masker) {
  AppendShownValue(out, key, left, masker);
  out.append(kArrow);
  AppendShownValue(out, key, right, masker);
}

// One change as WriteChanges words it, without its line end. Each piece is appended in place: a
// large pair's report has thousands of lines, and a string for every piece of each was most of
// their cost.
void AppendChangeLine(std::string& out, const CEntry& e, CSecretMasker* masker) {
  AppendSafeText(out, e.section);
  if (e.InLeft() && e.InRight()) {
    out.append(" ");
    if (e.KeyIn(FileSide::kFile1) != e.KeyIn(FileSide::kFile2)) {
      // MAC filter entries matched under other numbers: each in its file's own words.
      AppendSetting(out, e, FileSide::kFile1, masker);
      out.append(kArrow);
      AppendSetting(out, e, FileSide::kFile2, masker);
      return;
    }
    AppendSafeText(out, e.KeyIn(FileSide::kFile1));
    out.append(": ");
    AppendValues(out, e.key, e.left, e.right, masker);
    return;
  }
  if (!e.setAsideWhy.empty()) {
    // The other file's line of the key was set aside: one change, both values, and why.
    out.append(" ");
    AppendSafeText(out, e.KeyIn(e.InLeft() ? FileSide::kFile1 : FileSide::kFile2));
    out.append(": ");
    AppendValues(out, e.key, e.left, e.right, masker);
    out.append(e.InLeft() ? " (file 2: " : " (file 1: ");
    AppendSafeText(out, e.setAsideWhy);
    out.append(")");
    return;
  }
  const bool onlyLeft = e.InLeft();
  out.append(onlyLeft ? " - " : " + ");
  AppendSetting(out, e, onlyLeft ? FileSide::kFile1 : FileSide::kFile2, masker);
}

void AppendHiddenLine(std::string& out, const CHiddenDifference& hidden, CSecretMasker* masker) {
  // A line before the first header has no section to name.
  if (!hidden.section.empty()) {
    AppendSafeText(out, hidden.section);
    out.append(" ");
  }
  out.append("~ ");
  AppendSafeText(out, hidden.key);
  out.append(": ");
  AppendValues(out, hidden.key, hidden.left, hidden.right, masker);
  out.append(" (");
  AppendSafeText(out, hidden.why);
  out.append(")");
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
  std::string shown;
  AppendShownValue(shown, key, value, masker);
  return shown;
}

void WriteChanges(const CReport& report, CSecretMasker* masker, std::ostream& out) {
  std::string text;
  for (const CEntry& e : report.entries) {
    if (e.status == RowKind::kSame || e.ignored) continue;
    AppendChangeLine(text, e, masker);
    text += '\n';
    if (text.size() >= kOutputChunk) {
      out << text;
      text.clear();
    }
  }
  for (const CHiddenDifference& hidden : report.hidden) {
    if (hidden.ignored) continue;
    AppendHiddenLine(text, hidden, masker);
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
  std::string message;
  for (const CEntry& e : report.entries) {
    if (e.status == RowKind::kSame || e.ignored) continue;
    // On the file whose marked result holds the line: file 2's unless only file 1 has it.
    const bool onRight = e.InRight();
    message.clear();
    AppendChangeLine(message, e, masker);
    text += GithubCommand("warning", onRight ? report.right : report.left,
                          onRight ? e.rightLine : e.leftLine, "varnic: setting differs", message);
    if (text.size() >= kOutputChunk) {
      out << text;
      text.clear();
    }
  }
  for (const CHiddenDifference& hidden : report.hidden) {
    if (hidden.ignored) continue;
    const bool onRight = hidden.rightLine != 0;
    message.clear();
    AppendHiddenLine(message, hidden, masker);
    text += GithubCommand(report.verdict.strict ? "warning" : "notice",
                          onRight ? report.right : report.left,
                          onRight ? hidden.rightLine : hidden.leftLine,
                          "varnic: setting not compared, but different", message);
  }
  out << text;
}

}  // namespace varnic::report
