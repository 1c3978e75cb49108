#include "report/html_report.h"

#include <gtest/gtest.h>

namespace varnic::cli {
namespace {

TEST(HtmlEscape, MetacharactersAndControlBytes) {
  EXPECT_EQ(HtmlEscape("<script>document.title='x'</script>"),
            "&lt;script&gt;document.title=&#39;x&#39;&lt;/script&gt;");
  EXPECT_EQ(HtmlEscape("\"><img src=x onerror=alert(1)>"),
            "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;");
  EXPECT_EQ(HtmlEscape("a&b\x1b\xff"), "a&amp;b\\x1b\\xff");
}

TEST(RenderHtml, EveryTextIsEscapedAndNothingCanLoad) {
  CReport report;
  report.left = {"<a.cfg>", 0, 3};
  report.right = {"b.cfg", 1, 3};
  report.entries = {
      {"[System]", "Password", "hunter2", "hunter2", CEntry::Status::kSame},
      {"[<b>]", "k<i>", "<script>x</script>", std::nullopt, CEntry::Status::kOnlyLeft}};
  report.explanations = {{CExplanation::Kind::kFiltered, 1, "[System]", "key1=<u>", "|*=*|"}};
  const std::string html = RenderHtml(report, false);
  EXPECT_NE(html.find("content=\"default-src 'none'"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.find("<b>"), std::string::npos);
  EXPECT_EQ(html.find("<i>"), std::string::npos);
  EXPECT_EQ(html.find("<u>"), std::string::npos);
  EXPECT_EQ(html.find("hunter2"), std::string::npos);
  EXPECT_NE(html.find("&lt;a.cfg&gt;"), std::string::npos);
  EXPECT_NE(RenderHtml(report, true).find("hunter2"), std::string::npos);
  // A section without differences starts collapsed; one with differences open.
  EXPECT_NE(html.find("<details><summary>[System] (no differences)"), std::string::npos);
  EXPECT_NE(html.find("<details open><summary>[&lt;b&gt;]"), std::string::npos);
}

}  // namespace
}  // namespace varnic::cli
