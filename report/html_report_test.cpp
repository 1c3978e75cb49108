#include "report/html_report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "report/terminal_text.h"
#include "varnic/report/explain.h"

namespace varnic::report {
namespace {

using Status = CEntry::Status;

std::size_t Count(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

TEST(HtmlEscape, MetacharactersAndControlBytes) {
  EXPECT_EQ(HtmlEscape("<script>document.title='x'</script>"),
            "&lt;script&gt;document.title=&#39;x&#39;&lt;/script&gt;");
  EXPECT_EQ(HtmlEscape("\"><img src=x onerror=alert(1)>"),
            "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;");
  EXPECT_EQ(HtmlEscape("a&b\x1b\xff"), "a&amp;b\\x1b\\xff");
}

// Plain texts are checked eight bytes at a time: a byte to escape must be caught at every
// position of a word and of the tail.
TEST(HtmlEscape, CatchesEveryByteToEscapeWhereverItStands) {
  const std::pair<char, std::string_view> cases[] = {
      {'&', "&amp;"}, {'<', "&lt;"},     {'>', "&gt;"},     {'"', "&quot;"},   {'\'', "&#39;"},
      {'\\', "\\\\"}, {'\x1f', "\\x1f"}, {'\x7f', "\\x7f"}, {'\xff', "\\xff"}, {'\0', "\\x00"}};
  for (const auto& [bad, shown] : cases) {
    for (std::size_t at = 0; at < 19; ++at) {
      std::string text(19, 'a');
      text[at] = bad;
      const std::string expected =
          std::string(at, 'a') + std::string(shown) + std::string(18 - at, 'a');
      EXPECT_EQ(HtmlEscape(text), expected) << int(static_cast<unsigned char>(bad)) << " at " << at;
    }
  }
  EXPECT_EQ(HtmlEscape("plain text, 24 bytes: ok"), "plain text, 24 bytes: ok");
}

TEST(RenderHtml, EveryTextIsEscapedAndNothingCanLoad) {
  CReport report;
  report.left = {"<a.cfg>", 0, 3};
  report.right = {"b.cfg", 1, 3};
  report.entries = {{"[System]", "Password", "hunter2", "hunter2", Status::kSame},
                    {"[<b>]", "k<i>", "<script>x</script>", std::nullopt, Status::kOnlyLeft}};
  report.hidden = {
      {"[System]", "<em>", "<s>", std::nullopt, 1, 0, HiddenReason::kNotRelevant, "<q>why</q>"}};
  report.explanations = {{CExplanation::Kind::kFiltered, 1, "[System]", "key1=<u>", "|*=*|"}};
  report.ignorePatterns = {"<tt>"};
  const std::string html = RenderHtml(report, false);
  EXPECT_NE(html.find("content=\"default-src 'none'; style-src 'unsafe-inline'; base-uri "
                      "'none'; form-action 'none'\""),
            std::string::npos);
  for (const char* tag : {"<script", "<b>", "<i>", "<u>", "<em>", "<s>", "<q>", "<tt>"}) {
    EXPECT_EQ(html.find(tag), std::string::npos) << tag;
  }
  EXPECT_EQ(html.find("hunter2"), std::string::npos);
  EXPECT_NE(html.find("&lt;a.cfg&gt;"), std::string::npos);
  EXPECT_NE(RenderHtml(report, true).find("hunter2"), std::string::npos);
  // In all settings, a section without differences starts collapsed; one with differences open.
  EXPECT_NE(html.find("<details><summary>[System] (no differences)"), std::string::npos);
  EXPECT_NE(html.find("<details open><summary>[&lt;b&gt;]"), std::string::npos);
}

// Most rows are written in one copy; a row that is not plain in any way (a byte to escape, a
// secret, a MAC entry named apart in each file, a line set aside, an ignore) must read the same
// as written cell by cell.
TEST(RenderHtml, EveryKindOfRowReadsAsItsCellsEscaped) {
  CEntry renumbered{"[S]", "filter_mac_add1", "m", "m", Status::kSame};
  renumbered.leftKey = "filter_mac_add1";
  renumbered.rightKey = "filter_mac_add4";
  CEntry aside{"[S]", "SSID2_Status", "Disable", "Enable", Status::kOnlyRight};
  aside.setAsideWhy = "SSID2 is <off>";
  CEntry ignored{"[S]", "k", "a", std::nullopt, Status::kOnlyLeft};
  ignored.ignored = true;
  CReport report;
  report.entries = {{"[S]", "plain", "v1", "v2", Status::kDifferent},
                    {"[S]", "k&", "<v>", "it's", Status::kDifferent},
                    {"[S]", "key1", "s1", "s1", Status::kSame},
                    renumbered,
                    aside,
                    ignored};
  const std::string shown = RenderHtml(report, true);
  const std::string masked = RenderHtml(report, false);
  for (const auto& [html, row] : std::vector<std::pair<const std::string*, std::string>>{
           {&shown,
            "<tr class=\"different\"><td>plain</td><td class=\"v l\">v1</td>"
            "<td class=\"v r\">v2</td><td>different</td></tr>\n"},
           {&shown,
            "<tr class=\"different\"><td>k&amp;</td><td class=\"v l\">&lt;v&gt;</td>"
            "<td class=\"v r\">it&#39;s</td><td>different</td></tr>\n"},
           {&shown, "<td>key1</td><td class=\"v l\">s1</td><td class=\"v r\">s1</td>"},
           {&masked, "<td>key1</td><td class=\"v l\">\xe2\x80\xb9secret 1\xe2\x80\xba</td>"},
           {&shown, "<td>filter_mac_add1 / filter_mac_add4</td>"},
           {&shown, "<td>only in file 2; not compared in file 1: SSID2 is &lt;off&gt;</td></tr>"},
           {&shown,
            "<tr class=\"only_left ignored\"><td>k</td><td class=\"v l\">a</td>"
            "<td class=\"v r\"></td><td>only in file 1, ignored</td></tr>\n"},
       }) {
    EXPECT_NE(html->find(row), std::string::npos) << row;
  }
  EXPECT_EQ(masked.find(">s1<"), std::string::npos);
}

// The page and --explain write a plain note in place and escape only one that needs it: either
// way a note reads as its words escaped whole, for every kind of note.
TEST(RenderHtml, ExplanationsReadAsTheirWordsEscaped) {
  using Kind = CExplanation::Kind;
  std::vector<CExplanation> notes;
  for (const Kind kind :
       {Kind::kFiltered, Kind::kBandCleared, Kind::kReconcileRemoved, Kind::kReconcileRestored,
        Kind::kRenumbered, Kind::kSpacing, Kind::kDuplicate, Kind::kUnordered,
        Kind::kUnknownSection, Kind::kBeforeFirstHeader, Kind::kRepeatedHeader}) {
    for (const auto& [line, reason] : {std::pair{"key=value", "a plain reason"},
                                       {"k<b>=it's", "plain"},
                                       {"key=caf\xc3\xa9 \xff", "plain"},
                                       {"key=value", "while x=\"<y>\""}}) {
      notes.push_back({kind, 2, "[System]", line, "filter_mac_add7=v", reason});
    }
  }
  CReport report;
  report.explanations = notes;
  const std::string html = RenderHtml(report, true);
  std::ostringstream terminal;
  WriteExplanations(notes, nullptr, terminal);
  for (const CExplanation& e : notes) {
    const std::string words = DescribeExplanation(e);
    EXPECT_NE(html.find("<li>" + HtmlEscape(words) + "</li>\n"), std::string::npos) << words;
    EXPECT_NE(terminal.str().find("    " + SafeText(words) + "\n"), std::string::npos) << words;
  }
}

TEST(RenderHtml, BannerSaysWhatThePairAmountsTo) {
  struct CCase {
    CVerdict verdict;
    const char* cssClass;
    std::vector<const char*> says;
  };
  const std::vector<CCase> cases = {
      {{0, 0, 0, false}, "banner ok", {"<strong>No differences</strong>"}},
      {{1, 0, 0, false}, "banner differs", {"<strong>1 setting differs</strong>"}},
      {{3, 0, 2, false}, "banner differs", {"3 settings differ", "ignored: 2"}},
      // Never a plain "no differences" while a setting not compared differs.
      {{0, 2, 0, false},
       "banner warn",
       {"No differences in the compared settings", "2 settings were not compared and differ"}},
      {{4, 1, 0, true},
       "banner warn",
       {"4 settings differ", "1 setting was not compared and differs (counted as differences"}},
  };
  for (const auto& c : cases) {
    CReport report;
    report.verdict = c.verdict;
    const std::string html = RenderHtml(report, false);
    const std::size_t banner = html.find("<div class=\"banner");
    ASSERT_NE(banner, std::string::npos);
    const std::string_view shown =
        std::string_view(html).substr(banner, html.find("</div>", banner) - banner);
    EXPECT_NE(shown.find(c.cssClass), std::string_view::npos) << shown;
    for (const char* words : c.says) EXPECT_NE(shown.find(words), std::string_view::npos) << words;
    if (c.verdict.ignored == 0) {
      EXPECT_EQ(shown.find("ignored"), std::string_view::npos) << shown;
    }
  }
}

TEST(RenderHtml, ChangesFirstThenHiddenThenAllSettings) {
  CReport report;
  report.left = {"a.cfg", 0, 9};
  report.right = {"b.cfg", 1, 9};
  report.entries = {
      {"[System]", "Username", "admin", "admin", Status::kSame},
      {"[System]", "Password", "old", "new", Status::kDifferent},
      {"[System]", "ntp", std::nullopt, "pool", Status::kOnlyRight},
      {"[System]", "channel", "6", "11", Status::kDifferent, 4, 4, true},
  };
  report.hidden = {{"[System]", "IPaddr", "10.0.0.1", "10.0.0.2", 5, 5, HiddenReason::kNotRelevant,
                    "not compared while DHCPclient=Disable"}};
  report.verdict = {2, 1, 1, false};
  const std::string html = RenderHtml(report, false);

  EXPECT_NE(html.find("(type 0, single-band; 9 lines)"), std::string::npos);
  EXPECT_NE(html.find("(type 1, dual-band; 9 lines)"), std::string::npos);
  for (const char* legend : {"s_ same", "d_ different", "o_ only in file 1", "o_ only in file 2",
                             "not compared", "ignored"}) {
    EXPECT_NE(html.find(legend), std::string::npos) << legend;
  }
  const std::size_t changes = html.find("<h2>Changes</h2>");
  const std::size_t hidden = html.find("<h2>Not compared, but different</h2>");
  const std::size_t all = html.find("<h2>All settings</h2>");
  ASSERT_LT(changes, hidden);
  ASSERT_LT(hidden, all);
  // The changes view lists the differing rows only; all settings lists every row.
  EXPECT_EQ(Count(html.substr(changes, hidden - changes), "<tr class="), 3u);
  EXPECT_EQ(Count(html.substr(all), "<tr class="), 4u);
  EXPECT_EQ(Count(html, ">only in file 2</td>"), 2u);
  EXPECT_EQ(html.find("only_right</td>"), std::string::npos);
  EXPECT_EQ(Count(html, "<tr class=\"different ignored\">"), 2u);
  EXPECT_NE(html.find("different, ignored</td>"), std::string::npos);
  EXPECT_NE(html.find("<td class=\"v l\">10.0.0.1</td><td class=\"v r\">10.0.0.2</td><td>not "
                      "compared while DHCPclient=Disable</td>"),
            std::string::npos);
  EXPECT_LT(html.find("<details open><summary>3 settings</summary>"), hidden);
}

// The changes view shows a differing secret before an unchanged one that comes first in the
// entries: without the run's order the two outputs would label the values apart.
TEST(RenderHtml, LabelsAgreeWithTheOtherOutputsWhateverThePageOrder) {
  CReport report;
  report.entries = {{"[System]", "Password", "same", "same", Status::kSame},
                    {"[System]", "passphrase", "old", "new", Status::kDifferent}};
  report.hidden = {
      {"[System]", "key1", "wep", std::nullopt, 3, 0, HiddenReason::kNotRelevant, "not compared"}};
  const std::string html = RenderHtml(report, false);
  const std::string changes = html.substr(html.find("<h2>Changes</h2>"));
  EXPECT_NE(changes.find(">\xe2\x80\xb9secret 2\xe2\x80\xba</td><td class=\"v r\">"
                         "\xe2\x80\xb9secret 3\xe2\x80\xba<"),
            std::string::npos);
  EXPECT_NE(html.find(">\xe2\x80\xb9secret 4\xe2\x80\xba<"), std::string::npos);
  EXPECT_EQ(html.find("wep"), std::string::npos);

  std::ostringstream streamed;
  WriteHtml(report, false, streamed);
  EXPECT_EQ(streamed.str(), html);
}

}  // namespace
}  // namespace varnic::report
