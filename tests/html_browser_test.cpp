// The HTML report in a real browser: the examples' report renders, and values crafted to run
// script or load resources show up as text, run nothing and request nothing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace varnic {
namespace {

using testing::CTempDir;
using testing::ReadAll;

constexpr const char* kChromium = "/usr/bin/chromium";

// Headless, offline and without a profile of its own, so a run leaves nothing behind.
std::string Browser(const CTempDir& dir) {
  return std::string(kChromium) +
         " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
         " --disable-background-networking --disable-component-update --disable-sync"
         " --user-data-dir='" +
         dir.File("profile") + "'";
}

int Shell(const std::string& command) {
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

class HtmlInBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kChromium)) GTEST_SKIP() << "Chromium is not installed";
  }
};

TEST_F(HtmlInBrowser, ExamplesReportRenders) {
  CTempDir dir;
  const std::string html = dir.File("report.html");
  ASSERT_EQ(Shell("'" VARNIC_BINARY "' compare '" VARNIC_SOURCE_DIR
                  "/examples/ap-before.cfg' '" VARNIC_SOURCE_DIR
                  "/examples/ap-after.cfg' --quiet --html '" +
                  html + "'"),
            1);
  const std::string png = dir.File("report.png");
  ASSERT_EQ(Shell(Browser(dir) + " --window-size=1200,1600 --screenshot='" + png + "' 'file://" +
                  html + "' 2>/dev/null"),
            0);
  // A blank page compresses to a few hundred bytes; tables of text do not.
  EXPECT_GT(std::filesystem::file_size(png), 20000u);
}

// The pair whose only change is a setting the rules do not compare: the page must not read as
// "same". The rendered DOM holds the warning banner, the legend and the hidden section. Set
// VARNIC_KEEP_SCREENSHOT to a path to keep the page's picture for a look.
TEST_F(HtmlInBrowser, HiddenDifferenceShowsInBannerAndSection) {
  CTempDir dir;
  const std::string pairs = VARNIC_SOURCE_DIR "/tests/pairs/";
  const std::string html = dir.File("hidden.html");
  ASSERT_EQ(Shell("'" VARNIC_BINARY "' compare '" + pairs + "base.cfg' '" + pairs +
                  "address-changed.cfg' --quiet --html '" + html + "'"),
            0);
  const std::string dom = dir.File("dom.html");
  ASSERT_EQ(Shell(Browser(dir) + " --dump-dom 'file://" + html + "' >'" + dom + "' 2>/dev/null"),
            0);
  const std::string rendered = ReadAll(dom);
  for (const char* shown :
       {"<div class=\"banner warn\"><strong>No differences in the compared settings</strong>",
        "1 setting was not compared and differs", "<h2>Legend</h2>", "o_ only in file 2",
        "<h2>Not compared, but different</h2>",
        R"(<td>IPaddr</td><td class="v l">192.168.10.20</td><td class="v r">192.168.10.99</td>)",
        "<td>not compared while DHCPclient=Disable</td>", "(type 1, same device type, inferred;"}) {
    EXPECT_NE(rendered.find(shown), std::string::npos) << shown;
  }
  const char* keep = std::getenv("VARNIC_KEEP_SCREENSHOT");
  const std::string png = keep != nullptr ? std::string(keep) : dir.File("hidden.png");
  ASSERT_EQ(Shell(Browser(dir) + " --window-size=1200,1400 --screenshot='" + png + "' 'file://" +
                  html + "' 2>/dev/null"),
            0);
  EXPECT_GT(std::filesystem::file_size(png), 20000u);
}

TEST_F(HtmlInBrowser, InjectedValuesStayText) {
  CTempDir dir;
  const std::string payload1 = "<script>document.title='x'</script>";
  const std::string payload2 = "\"><img src=x onerror=alert(1)>";
  const std::string left =
      dir.Write("left.cfg", "[5GHz_WirelessSettings]\nssid=" + payload1 + "\n" + payload2 + "=1\n");
  const std::string right =
      dir.Write("right.cfg", "[5GHz_WirelessSettings]\nssid=" + payload2 + "\n");
  const std::string html = dir.File("hostile.html");
  ASSERT_EQ(Shell("'" VARNIC_BINARY "' compare '" + left + "' '" + right + "' --quiet --html '" +
                  html + "'"),
            1);
  const std::string dom = dir.File("dom.html");
  ASSERT_EQ(Shell(Browser(dir) + " --dump-dom 'file://" + html + "' >'" + dom + "' 2>/dev/null"),
            0);
  const std::string rendered = ReadAll(dom);
  EXPECT_NE(rendered.find("<title>Varnic comparison</title>"), std::string::npos);
  EXPECT_EQ(rendered.find("<script"), std::string::npos);
  EXPECT_EQ(rendered.find("<img"), std::string::npos);
  EXPECT_NE(rendered.find("&lt;script&gt;document.title='x'&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(rendered.find("\"&gt;&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
}

}  // namespace
}  // namespace varnic
