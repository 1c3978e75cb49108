#include "report/html_report.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <sstream>

#include "report/append_pieces.h"
#include "report/explain_text.h"
#include "report/plain_bytes.h"
#include "report/terminal_text.h"
#include "report/version.h"
#include "varnic/report/device_types.h"
#include "varnic/report/secrets.h"

namespace varnic::report {
namespace {

constexpr std::string_view kTitleAndStyle = R"(<title>Varnic comparison</title>
<style>
body{font:14px/1.4 system-ui,sans-serif;margin:2em;color:#222}
table{border-collapse:collapse;width:100%;table-layout:fixed;margin:.5em 0 1.5em}
td,th{border:1px solid #ccc;padding:2px 6px;font-family:monospace;vertical-align:top;overflow-wrap:anywhere}
th{background:#f3f3f3;text-align:left;font-family:system-ui,sans-serif}
th.sec{width:20%}th.key{width:18%}th.st{width:11%}th.why{width:22%}
tr.same td{background:#fff}
tr.different td.v{background:#fff3c4}
tr.only_left td.l,tr.only_right td.r{background:#d9f2d9}
tr.only_left td.r,tr.only_right td.l{background:#f5f5f5}
tr.hidden td.v{background:#fde2c8}
tr.ignored td,tr.ignored td.v{background:#fafafa;color:#999}
summary{font-weight:bold;cursor:pointer;margin:.3em 0}
.counts td{font-family:system-ui,sans-serif}
.counts th.sec{width:24%}
.banner{border:2px solid;border-radius:4px;padding:.6em 1em;margin:1em 0;font-size:1.15em}
.banner.ok{border-color:#4a4;background:#eef8ee}
.banner.differs{border-color:#c90;background:#fff8e0}
.banner.warn{border-color:#d50;background:#fff0e6}
.banner .note{font-size:.85em;color:#555}
.legend{list-style:none;padding:0}
.legend li{margin:.2em 0}
.mark{display:inline-block;min-width:9em;padding:0 .4em;margin-right:.6em;border:1px solid #ccc;font-family:monospace}
.mark.same{background:#fff}.mark.different{background:#fff3c4}.mark.only{background:#d9f2d9}
.mark.hidden{background:#fde2c8}.mark.ignored{background:#fafafa;color:#999}
</style>
</head>
<body>
)";

// Bytes a cell shows as they are: printable ASCII other than a backslash (which starts an escape
// of a shown byte) and the five HTML metacharacters.
constexpr std::array<bool, 256> kCopied = [] {
  std::array<bool, 256> copied{};
  for (std::size_t c = 0x20; c < 0x7f; ++c) copied[c] = true;
  for (const char c : {'\\', '&', '<', '>', '"', '\''})
    copied[static_cast<unsigned char>(c)] = false;
  return copied;
}();

// Whether every byte of `text` is copied as it is: a page escapes every value, key and note,
// and most are plain.
bool AllCopied(std::string_view text) {
  return AllPlainBytes<'\\', '&', '<', '>', '"', '\''>(text);
}

// Output reaches the stream in pieces of this size: a page of a million settings is never held.
constexpr std::size_t kFlushAt = std::size_t{64} << 10U;

std::string Settings(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " setting" : " settings");
}

class CPage {
 public:
  CPage(std::ostream& out, bool showSecrets, CSecretMasker& masker)
      : out_(out), showSecrets_(showSecrets), masker_(masker) {}
  CPage(const CPage&) = delete;
  CPage& operator=(const CPage&) = delete;
  ~CPage() { Flush(); }

  CPage& operator<<(std::string_view text) {
    html_ += text;
    return *this;
  }
  // Pieces that need no escaping, in one copy.
  void Append(std::initializer_list<std::string_view> pieces) { AppendPieces(html_, pieces); }
  // Whether `reason` is copied as it is; reasons are shared texts, so the last answer is kept.
  bool ReasonCopied(std::string_view reason) {
    if (reason.data() != checkedReason_.data() || reason.size() != checkedReason_.size()) {
      checkedReason_ = reason;
      reasonCopied_ = AllCopied(reason);
    }
    return reasonCopied_;
  }
  bool ShowsSecrets() const { return showSecrets_; }
  void Text(std::string_view text) { AppendHtmlEscaped(html_, text); }
  // An explanation in words, written in place and escaped only when it needs to be.
  void Described(const CExplanation& e) {
    // Most notes quote a plain line and give a plain reason: only their quotes need escaping.
    const bool quoted = QuotesItsLine(e.kind);
    if (quoted && ReasonCopied(e.reason) && AllCopied(e.line)) {
      AppendDescription(html_, e, "&#39;");
      return;
    }
    const std::size_t start = html_.size();
    AppendDescription(html_, e);
    if (AllCopied(std::string_view(html_).substr(start))) return;
    described_.assign(html_, start);
    html_.resize(start);
    Text(described_);
  }
  void Flush() {
    out_.write(html_.data(), static_cast<std::streamsize>(html_.size()));
    html_.clear();
  }
  void FlushIfLarge() {
    if (html_.size() >= kFlushAt) Flush();
  }

  void Value(const std::optional<std::string_view>& value, bool secret) {
    if (!value) return;
    if (secret && !showSecrets_) {
      Text(masker_.LabelFor(*value));
    } else {
      Text(*value);
    }
  }
  std::string_view Line(std::string_view line, std::string& storage) {
    return showSecrets_ ? line : masker_.MaskLine(line, storage);
  }

 private:
  std::ostream& out_;
  bool showSecrets_;
  CSecretMasker& masker_;
  std::string html_;
  std::string described_;
  std::string_view checkedReason_;
  bool reasonCopied_ = false;
};

void Banner(CPage& page, const CVerdict& verdict) {
  const bool warn = verdict.hiddenDifferences > 0;
  if (warn) {
    page << "<div class=\"banner warn\"><strong>";
  } else if (verdict.differences > 0) {
    page << "<div class=\"banner differs\"><strong>";
  } else {
    page << "<div class=\"banner ok\"><strong>";
  }
  if (verdict.differences > 0) {
    page << Settings(verdict.differences) << (verdict.differences == 1 ? " differs" : " differ");
  } else {
    // Never a bare "no differences" while a setting left out of the comparison differs.
    page << (warn ? "No differences in the compared settings" : "No differences");
  }
  page << "</strong>";
  if (warn) {
    page << "<br>" << Settings(verdict.hiddenDifferences)
         << (verdict.hiddenDifferences == 1 ? " was not compared and differs"
                                            : " were not compared and differ")
         << (verdict.strict ? " (counted as differences: strict)" : " (see below)");
  }
  if (verdict.ignored > 0) {
    page << " <span class=\"note\">ignored: " << std::to_string(verdict.ignored) << "</span>";
  }
  page << "</div>\n";
}

void Input(CPage& page, std::string_view name, const CInput& input, const CInput& other) {
  page << name << ": <code>";
  page.Text(input.path);
  page << "</code> (type " << std::to_string(input.type);
  const std::string_view role = RoleOf(input, other);
  if (!role.empty()) page << ", " << role;
  if (input.inferred) page << ", inferred";
  page << "; " << std::to_string(input.lines) << (input.lines == 1 ? " line)" : " lines)");
}

constexpr std::string_view kLegend =
    "<h2>Legend</h2>\n<ul class=\"legend\">\n"
    "<li><span class=\"mark same\">s_ same</span>both files hold this value</li>\n"
    "<li><span class=\"mark different\">d_ different</span>the files hold different values</li>\n"
    "<li><span class=\"mark only\">o_ only in file 1</span>file 2 lacks the setting</li>\n"
    "<li><span class=\"mark only\">o_ only in file 2</span>file 1 lacks the setting</li>\n"
    "<li><span class=\"mark hidden\">not compared</span>the rules of the comparison left the "
    "setting "
    "out, and the files differ in it</li>\n"
    "<li><span class=\"mark ignored\">ignored</span>an ignore pattern matched the setting: it "
    "counts for nothing</li>\n"
    "</ul>\n<p>s_, d_ and o_ are the marks the marked results put before each line.</p>\n";

void Summary(CPage& page, const std::vector<CSectionStats>& stats) {
  page << "<h2>Summary</h2>\n<table class=\"counts\"><tr><th class=\"sec\">section</th>"
          "<th>same</th><th>different</th><th>only in file 1</th><th>only in file 2</th>"
          "<th>dropped by rules</th><th>reconciled</th><th>not compared, differ</th>"
          "<th>ignored</th></tr>\n";
  for (const CSectionStats& s : stats) {
    page << "<tr><td>";
    page.Text(s.section);
    for (const int n : {s.same, s.different, s.onlyLeft, s.onlyRight, s.dropped, s.reconciled,
                        s.hidden, s.ignored}) {
      page << "</td><td>" << std::to_string(n);
    }
    page << "</td></tr>\n";
  }
  page << "</table>\n";
}

constexpr std::string_view kSettingsHead =
    "<tr><th class=\"key\">key</th><th>file 1</th><th>file 2</th><th class=\"st\">status</th>"
    "</tr>\n";
constexpr std::string_view kChangesHead =
    "<tr><th class=\"sec\">section</th><th class=\"key\">key</th><th>file 1</th><th>file 2</th>"
    "<th class=\"st\">status</th></tr>\n";

// The fixed bytes around a row's cells, by status: a page holds a row per setting.
constexpr std::array<std::array<std::string_view, 2>, 4> kRowStart = {{
    {"<tr class=\"same\"><td>", "<tr class=\"same ignored\"><td>"},
    {"<tr class=\"different\"><td>", "<tr class=\"different ignored\"><td>"},
    {"<tr class=\"only_left\"><td>", "<tr class=\"only_left ignored\"><td>"},
    {"<tr class=\"only_right\"><td>", "<tr class=\"only_right ignored\"><td>"},
}};
// What a person reads for a status; the row's class keeps the JSON name.
constexpr std::array<std::string_view, 4> kStatusCell = {
    "</td><td>same", "</td><td>different", "</td><td>only in file 1", "</td><td>only in file 2"};

void Row(CPage& page, const CEntry& e, bool withSection) {
  const bool secret = IsSecretKey(e.key);
  const auto status = static_cast<std::size_t>(e.status);
  // Most rows are a plain key and plain values in one file's words: written in one copy.
  const auto plain = [](const std::optional<std::string_view>& value) {
    return !value || AllCopied(*value);
  };
  // Equal own keys: the row shows one name (a renumbered MAC entry shows both).
  const std::string_view key = e.KeyIn(e.InLeft() ? FileSide::kFile1 : FileSide::kFile2);
  if ((!secret || page.ShowsSecrets()) && e.setAsideWhy.empty() && e.leftKey == e.rightKey &&
      AllCopied(key) && plain(e.left) && plain(e.right) && (!withSection || AllCopied(e.section))) {
    page.Append({kRowStart.at(status)[e.ignored ? 1 : 0], withSection ? e.section : "",
                 withSection ? "</td><td>" : "", key, "</td><td class=\"v l\">",
                 e.left.value_or(""), "</td><td class=\"v r\">", e.right.value_or(""),
                 kStatusCell.at(status), e.ignored ? ", ignored</td></tr>\n" : "</td></tr>\n"});
    page.FlushIfLarge();
    return;
  }
  page << kRowStart.at(status)[e.ignored ? 1 : 0];
  if (withSection) {
    page.Text(e.section);
    page << "</td><td>";
  }
  const std::string_view leftKey = e.KeyIn(FileSide::kFile1);
  const std::string_view rightKey = e.KeyIn(FileSide::kFile2);
  page.Text(e.InLeft() ? leftKey : rightKey);
  if (e.InLeft() && e.InRight() && leftKey != rightKey) {
    // A MAC filter entry matched under another number: each file's own name.
    page << " / ";
    page.Text(rightKey);
  }
  page << "</td><td class=\"v l\">";
  page.Value(e.left, secret);
  page << "</td><td class=\"v r\">";
  page.Value(e.right, secret);
  page << kStatusCell.at(status);
  if (!e.setAsideWhy.empty()) {
    page << (e.InLeft() ? "; not compared in file 2: " : "; not compared in file 1: ");
    page.Text(e.setAsideWhy);
  }
  page << (e.ignored ? ", ignored</td></tr>\n" : "</td></tr>\n");
  page.FlushIfLarge();
}

void Changes(CPage& page, const std::vector<CEntry>& entries) {
  std::size_t changes = 0;
  for (const CEntry& e : entries) changes += e.status != CEntry::Status::kSame ? 1 : 0;
  page << "<h2>Changes</h2>\n";
  if (changes == 0) {
    page << "<p>No compared setting differs.</p>\n";
    return;
  }
  page << "<details open><summary>" << Settings(changes) << "</summary>\n<table>" << kChangesHead;
  for (const CEntry& e : entries) {
    if (e.status != CEntry::Status::kSame) Row(page, e, true);
  }
  page << "</table></details>\n";
}

void Hidden(CPage& page, const std::vector<CHiddenDifference>& hidden) {
  if (hidden.empty()) return;
  page
      << "<h2>Not compared, but different</h2>\n<p>The rules of the comparison left these settings "
         "out, so the marked results do not show them; the files differ in them.</p>\n<table>"
         "<tr><th class=\"sec\">section</th><th class=\"key\">key</th><th>file 1</th>"
         "<th>file 2</th><th class=\"why\">why not compared</th></tr>\n";
  for (const CHiddenDifference& h : hidden) {
    const bool secret = IsSecretKey(h.key);
    page << (h.ignored ? "<tr class=\"hidden ignored\"><td>" : "<tr class=\"hidden\"><td>");
    page.Text(h.section.empty() ? "(before the first header)" : h.section);
    page << "</td><td>";
    page.Text(h.key);
    page << "</td><td class=\"v l\">";
    page.Value(h.left, secret);
    page << "</td><td class=\"v r\">";
    page.Value(h.right, secret);
    page << "</td><td>";
    page.Text(h.why);
    page << (h.ignored ? " (ignored)" : "") << "</td></tr>\n";
    page.FlushIfLarge();
  }
  page << "</table>\n";
}

void AllSettings(CPage& page, const std::vector<CEntry>& entries) {
  page << "<h2>All settings</h2>\n<details><summary>" << Settings(entries.size())
       << " by section</summary>\n";
  std::size_t i = 0;
  while (i < entries.size()) {
    const std::string_view section = entries[i].section;
    std::size_t end = i;
    bool differs = false;
    for (; end < entries.size() && entries[end].section == section; ++end) {
      differs = differs || entries[end].status != CEntry::Status::kSame;
    }
    page << (differs ? "<details open><summary>" : "<details><summary>");
    page.Text(section);
    page << (differs ? "" : " (no differences)") << "</summary>\n<table>" << kSettingsHead;
    for (; i < end; ++i) Row(page, entries[i], false);
    page << "</table></details>\n";
  }
  page << "</details>\n";
}

void Explanations(CPage& page, const std::vector<CExplanation>& explanations) {
  page << "<h2>Dropped or changed before comparing</h2>\n<ul>\n";
  std::string line;
  std::string detail;
  CExplanation shown;  // a note as the page shows it: its line masked, or one line of a run
  std::string before;  // a plain note's bytes before its line, and after
  std::string after;
  for (const CExplanation& e : explanations) {
    // Most notes are a line set aside, plain, for a plain shared reason: one copy each.
    const bool quick =
        QuotesItsLine(e.kind) && (e.file == 1 || e.file == 2) && page.ReasonCopied(e.reason);
    const std::string_view start = e.file == 1 ? "<li>file 1" : "<li>file 2";
    const std::string_view opening =
        e.kind == CExplanation::Kind::kReconcileRestored ? ": kept &#39;" : ": not compared &#39;";
    // Of the details a page shows only a renumbering's line after: the rules' conditions of a
    // filtered line are not masked for nothing.
    const std::string_view shownDetail =
        e.kind == CExplanation::Kind::kRenumbered ? page.Line(e.detail, detail) : e.detail;
    // A run is written line by line, as notes of one line each; the bytes around a plain line
    // are the same for all of them.
    const bool framed = quick && e.lines > 1;
    if (framed) {
      before.clear();
      AppendPieces(before, {start, opening});
      after.clear();
      AppendPieces(after, {"&#39;: ", e.reason, "</li>\n"});
    }
    for (std::uint32_t k = 0; k < e.lines; ++k) {
      const std::string_view shownLine = page.Line(e.Line(k), line);
      if (quick && AllCopied(shownLine)) {
        if (framed) {
          page.Append({before, shownLine, after});
        } else {
          page.Append({start, opening, shownLine, "&#39;: ", e.reason, "</li>\n"});
        }
        page.FlushIfLarge();
        continue;
      }
      // Only the views change: the numbers of a cleared band are not copied.
      shown.kind = e.kind;
      shown.file = e.file;
      shown.section = e.section;
      shown.line = shownLine;
      shown.detail = shownDetail;
      shown.reason = e.reason;
      page << "<li>";
      page.Described(shown);
      page << "</li>\n";
      page.FlushIfLarge();
    }
  }
  page << "</ul>\n";
}

}  // namespace

void AppendHtmlEscaped(std::string& html, std::string_view text) {
  // One pass for the common case, printable ASCII: runs without a metacharacter are copied
  // whole. A byte that is not plain sends the whole text the slow way, cell by cell.
  if (AllCopied(text)) {
    html.append(text);
    return;
  }
  const std::size_t start = html.size();
  std::size_t from = 0;
  bool plain = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (kCopied[c]) continue;
    std::string_view entity;
    switch (c) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = "&quot;";
        break;
      case '\'':
        entity = "&#39;";
        break;
      default:
        plain = false;
        break;
    }
    if (!plain) break;
    html.append(text.substr(from, i - from));
    html.append(entity);
    from = i + 1;
  }
  if (plain) {
    html.append(text.substr(from));
    return;
  }
  html.resize(start);
  const Cells cells = ToSafeCells(text);
  for (const std::string& cell : cells) {
    if (cell == "&") {
      html += "&amp;";
    } else if (cell == "<") {
      html += "&lt;";
    } else if (cell == ">") {
      html += "&gt;";
    } else if (cell == "\"") {
      html += "&quot;";
    } else if (cell == "'") {
      html += "&#39;";
    } else {
      html += cell;
    }
  }
}

std::string HtmlEscape(std::string_view text) {
  std::string html;
  html.reserve(text.size());
  AppendHtmlEscaped(html, text);
  return html;
}

void WriteHtml(const CReport& report, bool showSecrets, std::ostream& out,
               CSecretMasker* runMasker) {
  CSecretMasker ownMasker;
  CSecretMasker& masker = runMasker != nullptr ? *runMasker : ownMasker;
  // The changes come before all settings on the page; labels still follow the run's order. The
  // run's masker is primed already.
  if (!showSecrets && runMasker == nullptr) masker.Prime(report);
  CPage page(out, showSecrets, masker);
  page << kHtmlPageStart << kTitleAndStyle << "<h1>Varnic comparison</h1>\n";
  Banner(page, report.verdict);
  page << "<p>";
  Input(page, "File 1", report.left, report.right);
  page << "<br>";
  Input(page, "File 2", report.right, report.left);
  page << "<br>Made ";
  page.Text(report.generatedAt);
  page << " by varnic " << kVersion << "</p>\n";
  if (!report.ignorePatterns.empty()) {
    page << "<p>Ignored settings: ";
    for (std::size_t i = 0; i < report.ignorePatterns.size(); ++i) {
      page << (i == 0 ? "<code>" : ", <code>");
      page.Text(report.ignorePatterns[i]);
      page << "</code>";
    }
    page << "</p>\n";
  }
  page << kLegend;
  Summary(page, report.stats);
  Changes(page, report.entries);
  Hidden(page, report.hidden);
  AllSettings(page, report.entries);
  Explanations(page, report.explanations);
  page << "</body>\n</html>\n";
}

std::string RenderHtml(const CReport& report, bool showSecrets, CSecretMasker* masker) {
  std::ostringstream out;
  WriteHtml(report, showSecrets, out, masker);
  return std::move(out).str();
}

}  // namespace varnic::report
