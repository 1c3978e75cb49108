#include "varnic/report/report_model.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "report/line_formats.h"
#include "varnic/compare.h"
#include "varnic/report/device_types.h"

namespace varnic::report {
namespace {

const std::string kSsid =
    "[5GHz_MultiSSIDSettings]\nMulti_Status=Enable\nSSID2_Status=Disable\nSSID2_Security=WPA2-"
    "Personal\n";
const std::string kStatic = "[System]\nDHCPclient=Disable\nMask=255.0.0.0\n";

// The entries that differ, each as "key left@line→right@line (why)", keys as each file has them.
std::vector<std::string> Changes(std::string left, std::string right) {
  const CComparison comparison = Compare({std::move(left), 0}, {std::move(right), 0});
  const CReport report = BuildReport(comparison, {"1"}, {"2"}, {});
  std::vector<std::string> lines;
  for (const CEntry& e : report.entries) {
    if (e.status == RowKind::kSame) continue;
    lines.push_back(std::string(e.KeyIn(FileSide::kFile1)) + "/" +
                    std::string(e.KeyIn(FileSide::kFile2)) + " " +
                    std::string(e.left.value_or("-")) + "@" + std::to_string(e.leftLine) + "→" +
                    std::string(e.right.value_or("-")) + "@" + std::to_string(e.rightLine) +
                    (e.setAsideWhy.empty() ? "" : " (" + std::string(e.setAsideWhy) + ")"));
  }
  return lines;
}

TEST(BuildReport, RowsSpeakOfBothFilesInTheirOwnWords) {
  struct {
    const char* name;
    std::string left;
    std::string right;
    std::vector<std::string> expected;
  } const cases[] = {
      {"an SSID turned on: one change with the value set aside",
       kSsid,
       "[5GHz_MultiSSIDSettings]\nMulti_Status=Enable\nSSID2_Status=Enable\nSSID2_Security=WPA2-"
       "Personal\n",
       {"SSID2_Status/SSID2_Status Disable@3→Enable@3 (SSID2 is disabled: SSID2_Status=Disable)",
        "SSID2_Security/SSID2_Security WPA2-Personal@4→WPA2-Personal@4 (SSID2 is disabled: "
        "SSID2_Status=Disable)"}},
      {"DHCP turned on: the address is still there",
       kStatic,
       "[System]\nDHCPclient=Enable\nMask=255.0.0.0\n",
       {"DHCPclient/DHCPclient Disable@2→Enable@2",
        "Mask/Mask 255.0.0.0@3→255.0.0.0@3 (the address comes from DHCP: DHCPclient=Enable)"}},
      {"a key the other file lacks stays only in its file",
       kStatic,
       kStatic + "Gateway=1.1.1.1\n",
       {"Gateway/Gateway -@0→1.1.1.1@4"}},
      {"MAC entries matched under other numbers",
       "[5GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add1=A\nfilter_mac_add2=B\n",
       "[5GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add1=C\nfilter_mac_add2=A\n",
       {"filter_mac_add2/filter_mac_add1 B@4→C@3"}},
      {"a line without '=' keeps its number",
       "[5GHz_WirelessSettings]\nnote\n",
       "[5GHz_WirelessSettings]\nother\nc=1\n",
       {"c/c -@0→1@3"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Changes(c.left, c.right), c.expected) << c.name;
  }
}

TEST(BuildReport, StrictCountsUnmodelledLinesThatDiffer) {
  const CComparison comparison =
      Compare({kStatic + "[Schedule]\nreboot=03:00\n", 0}, {kStatic + "[Schedule]\n", 0});
  CReportOptions options;
  options.strict = true;
  const CReport report = BuildReport(comparison, {"1"}, {"2"}, options);
  EXPECT_EQ(report.verdict.differences, 0U);
  EXPECT_EQ(report.verdict.hiddenDifferences, 1U);
  EXPECT_TRUE(report.verdict.Differs());
  EXPECT_EQ(report.stats.back().hidden, 1);  // in the total, though in no known section
}

// `changes` asks for a lean report (no rows both files hold alike, no line numbers, no
// explanations, so no settings of sections both files hold alike): it must say exactly what the
// full report says, toggles, renumbered MAC entries and unmodelled lines included.
TEST(BuildReport, TheLeanReportOfChangesSaysWhatTheFullOneSays) {
  const std::string kAlikeAside = kStatic + "IPaddr=1\n";  // IPaddr set aside in both files
  const std::pair<std::string, std::string> pairs[] = {
      {kAlikeAside + kSsid,
       kAlikeAside + "[5GHz_MultiSSIDSettings]\nMulti_Status=Enable\nSSID2_Status=Enable\n"},
      {kAlikeAside + kSsid + "SSID2_Ssid=a\n", kAlikeAside + kSsid + "SSID2_Ssid=b\n"},
      {kSsid + "SSID2_Ssid=a\n" + kAlikeAside, kSsid + "SSID2_Ssid=a\n" + kStatic + "IPaddr=2\n"},
      {"[System]\nDHCPclient=Disable\nMask=1\nMask=2\n", "[System]\nDHCPclient=Enable\nMask=2\n"},
      {kSsid, kSsid + "SSID2_Ssid=x\n"},
      {kSsid, "[5GHz_MultiSSIDSettings]\nMulti_Status=Enable\nSSID2_Status=Enable\n"},
      {kStatic, "[System]\nDHCPclient=Enable\nMask=255.0.0.0\nGateway=1.1.1.1\n"},
      {"[5GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add3=A\nfilter_mac_add7=B\n",
       "[5GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add1=C\nfilter_mac_add2=A\n"},
      {"lead\n" + kStatic + "[Schedule]\nreboot=03:00\n" + kStatic,
       kStatic + "Mask=255.255.0.0\n[Schedule]\nreboot=04:00\n"},
  };
  for (const auto& [left, right] : pairs) {
    const CComparison comparison = Compare({left, 0}, {right, 0});
    CReportOptions lean;
    lean.parts.sameEntries = false;
    lean.parts.lineNumbers = false;
    lean.parts.explanations = false;
    const CReport full = BuildReport(comparison, {"1"}, {"2"}, {});
    const CReport shown = BuildReport(comparison, {"1"}, {"2"}, lean);
    std::ostringstream expected;
    std::ostringstream actual;
    WriteChanges(full, nullptr, expected);
    WriteChanges(shown, nullptr, actual);
    EXPECT_FALSE(expected.str().empty()) << left;
    EXPECT_EQ(actual.str(), expected.str()) << left;
    EXPECT_EQ(shown.verdict.differences, full.verdict.differences) << left;
    EXPECT_EQ(shown.verdict.hiddenDifferences, full.verdict.hiddenDifferences) << left;
    for (const CEntry& e : shown.entries) {
      EXPECT_NE(e.status, RowKind::kSame) << left;
      EXPECT_EQ(e.leftLine + e.rightLine, 0U) << left;
    }
    // The audit's: hidden differences without their words, a toggle's reason still given.
    lean.parts.hiddenWhy = false;
    const CReport wordless = BuildReport(comparison, {"1"}, {"2"}, lean);
    ASSERT_EQ(wordless.hidden.size(), full.hidden.size()) << left;
    for (std::size_t i = 0; i < full.hidden.size(); ++i) {
      EXPECT_EQ(wordless.hidden[i].key, full.hidden[i].key) << left;
      EXPECT_EQ(wordless.hidden[i].reason, full.hidden[i].reason) << left;
      // Unmodelled lines keep theirs: they name no rule, only where the line stood.
      const bool modelled = full.hidden[i].reason < HiddenReason::kUnknownSection;
      EXPECT_EQ(wordless.hidden[i].why, modelled ? "" : full.hidden[i].why) << left;
    }
    ASSERT_EQ(wordless.entries.size(), shown.entries.size()) << left;
    for (std::size_t i = 0; i < shown.entries.size(); ++i) {
      EXPECT_EQ(wordless.entries[i].setAsideWhy, shown.entries[i].setAsideWhy) << left;
    }
  }
}

TEST(RoleOf, NamesWhatTheComparisonDidWithTheFile) {
  struct {
    CInput input;
    CInput other;
    std::string_view expected;
  } const cases[] = {
      {{"a", 0}, {"b", 0}, "same device type"},
      {{"a", 1}, {"b", 1}, "same device type"},
      {{"a", 0}, {"b", 1}, "single-band"},
      {{"a", 1}, {"b", 0}, "dual-band"},
      {{"a", 0, 0, false, true}, {"b", 1}, ""},  // 5 GHz settings: never single-band
      {{"a", 7}, {"b", 1}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoleOf(c.input, c.other), c.expected) << c.input.type << " " << c.other.type;
  }
}

}  // namespace
}  // namespace varnic::report

namespace varnic::report {
namespace {

TEST(DetectTypes, AFileWithout5GHzLinesIsTheSingleBandOne) {
  const std::string dual = "[5GHz_WirelessSettings]\nchannel=36\n[System]\nUsername=a\n";
  const std::string single = "[2.4GHz_WirelessSettings]\nchannel=6\n[System]\nUsername=a\n";
  struct {
    const char* name;
    std::string text;
    std::int32_t type;  // against `single`
  } const cases[] = {
      {"5 GHz settings", dual, kDualBand},
      {"none", single, kSingleBand},
      {"an empty 5 GHz section", "[5GHz_Filter]\n" + single, kSingleBand},
      {"lines before the first header", "channel=36\n" + single, kDualBand},
      {"... that a later 5 GHz header drops", "c=1\n" + single + "[5GHz_WirelessSettings]\n",
       kSingleBand},
      {"an emptied repeated section", dual + "[5GHz_WirelessSettings]\n", kSingleBand},
      {"lines of an unknown section", "[5GHz_Other]\nc=1\n" + single, kSingleBand},
      {"only a blank line", single + "[5GHz_WirelessSettings]\n\n", kDualBand},
      {"a last line without its end", single + "[5GHz_WirelessSettings]\nc=1", kDualBand},
      {"a last header without its end", single + "[5GHz_WirelessSettings]", kSingleBand},
      {"a header ended by CR LF", single + "[5GHz_WirelessSettings]\r\nc=1\r\n", kDualBand},
      {"a last header with a CR", single + "[5GHz_WirelessSettings]\r", kSingleBand},
      {"a '[' within a line", "[System]\nName=a[5GHz_WirelessSettings]\nc=1\n", kSingleBand},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DetectTypes(c.text, single).type1, c.type) << c.name;
  }
}

}  // namespace
}  // namespace varnic::report
