// Fixed backups of generated pairs: the golden file is one backup, the device the other. After
// the fix the golden file finds nothing to report, and the device differs from its fixed copy in
// exactly the settings the remediation named.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/pair_generator.h"
#include "golden/fix.h"
#include "varnic/compare.h"
#include "varnic/lines.h"
#include "varnic/report/report_model.h"

namespace varnic::golden {
namespace {

// What the marked results of `a` against `b` show as different or only in one file.
std::size_t Differences(const std::string& a, const std::string& b, std::int32_t typeA,
                        std::int32_t typeB) {
  const CComparison comparison = Compare({a, typeA}, {b, typeB});
  return report::BuildReport(comparison, {"a", typeA, 0}, {"b", typeB, 0}, {}).verdict.differences;
}

TEST(GoldenFix, GeneratedPairsComeBackToTheGoldenFile) {
  for (const pairgen::Shape shape :
       {pairgen::Shape::kRealistic, pairgen::Shape::kMacList, pairgen::Shape::kManySsids}) {
    for (std::uint64_t seed = 1; seed <= 8; ++seed) {
      for (const auto& [goldenType, deviceType] : {std::pair{0, 0}, std::pair{1, 1}}) {
        const std::string label = std::string(pairgen::ShapeName(shape)) + " seed " +
                                  std::to_string(seed) + " types " + std::to_string(goldenType) +
                                  "/" + std::to_string(deviceType);
        const pairgen::GeneratedPair pair = pairgen::GeneratePair(shape, 150, seed);
        CGolden golden;
        std::string error;
        ASSERT_TRUE(golden.Load("golden.cfg", pair.first, "", error, true)) << error;
        std::string fixed;
        std::vector<CRemedy> applied;
        ASSERT_TRUE(FixDevice(golden, {"device"}, pair.second, {goldenType, deviceType}, fixed,
                              applied, error))
            << label << ": " << error;
        EXPECT_EQ(Differences(pair.first, fixed, goldenType, deviceType), 0U) << label;
        // The device's lines, less those the remedies replace or remove, plus those they write,
        // are the fixed file's lines: nothing else changed.
        std::multiset<std::string> expected;
        for (const std::string_view line : SplitLines(pair.second)) expected.emplace(line);
        for (const CRemedy& remedy : applied) {
          if (remedy.kind == RemedyKind::kSet || remedy.kind == RemedyKind::kRemove) {
            const std::string gone =
                remedy.key + "=" +
                (remedy.kind == RemedyKind::kSet ? remedy.previous : remedy.value);
            ASSERT_TRUE(expected.contains(gone)) << label << ": " << gone;
            expected.erase(expected.find(gone));
          }
          if (remedy.kind != RemedyKind::kRemove) expected.insert(remedy.key + "=" + remedy.value);
        }
        std::multiset<std::string> actual;
        for (const std::string_view line : SplitLines(fixed)) actual.emplace(line);
        EXPECT_EQ(actual, expected) << label;
        // A pair the comparison finds the same (a renumbered MAC list) needs no edit.
        EXPECT_EQ(applied.empty(),
                  Differences(pair.first, pair.second, goldenType, deviceType) == 0)
            << label;
      }
    }
  }
}

struct ApplyCase {
  const char* name;
  std::string device;
  std::vector<CRemedy> remedies;
  std::string expected;
};

TEST(GoldenFix, EditsKeepLineEndsAndPlaceAddedKeys) {
  const std::vector<ApplyCase> cases = {
      {"set keeps the line end",
       "[S]\r\na=1\r\nb=2\r\n",
       {{RemedyKind::kSet, "[S]", "a", "9", "", 2, ""}},
       "[S]\r\na=9\r\nb=2\r\n"},
      {"remove takes the whole line",
       "[S]\na=1\nb=2\n",
       {{RemedyKind::kRemove, "[S]", "a", "1", "", 2, ""}},
       "[S]\nb=2\n"},
      {"add after the last line of the section",
       "[S]\na=1\n[T]\nx=1\n",
       {{RemedyKind::kAdd, "[S]", "c", "3", "", 0, ""}},
       "[S]\na=1\nc=3\n[T]\nx=1\n"},
      {"add to the last occurrence of a header",
       "[S]\na=1\n[T]\n[S]\nb=2\n",
       {{RemedyKind::kAdd, "[S]", "c", "3", "", 0, ""}},
       "[S]\na=1\n[T]\n[S]\nb=2\nc=3\n"},
      {"a missing section is appended",
       "[S]\r\na=1\r\n",
       {{RemedyKind::kAdd, "[T]", "x", "1", "", 0, ""},
        {RemedyKind::kAdd, "[T]", "y", "2", "", 0, ""}},
       "[S]\r\na=1\r\n[T]\r\nx=1\r\ny=2\r\n"},
      {"no last line end",
       "[S]\na=1",
       {{RemedyKind::kAdd, "[S]", "b", "2", "", 0, ""}},
       "[S]\na=1\nb=2\n"},
      {"manual changes nothing",
       "[S]\na=1\n",
       {{RemedyKind::kManual, "[S]", "a", "1", "any", 2, ""}},
       "[S]\na=1\n"},
      {"edits out of line order land in line order",
       "[S]\na=1\nb=2\n[T]\nx=1\n",
       {{RemedyKind::kSet, "[T]", "x", "9", "", 5, ""},
        {RemedyKind::kAdd, "[S]", "c", "3", "", 0, ""},
        {RemedyKind::kRemove, "[S]", "a", "1", "", 2, ""},
        {RemedyKind::kAdd, "[S]", "d", "4", "", 0, ""}},
       "[S]\nb=2\nc=3\nd=4\n[T]\nx=9\n"},
      {"the later of two edits of one line wins; an add after a removed line stays",
       "[S]\na=1\n",
       {{RemedyKind::kSet, "[S]", "a", "2", "", 2, ""},
        {RemedyKind::kAdd, "[S]", "b", "5", "", 0, ""},
        {RemedyKind::kRemove, "[S]", "a", "1", "", 2, ""}},
       "[S]\nb=5\n"},
      {"a line number past the end changes nothing",
       "[S]\na=1\n",
       {{RemedyKind::kSet, "[S]", "a", "2", "", 9, ""}},
       "[S]\na=1\n"},
      {"edits of the first and last lines, the lines between as they were",
       "[S]\r\na=1\nb=2\r\nc=3",
       {{RemedyKind::kSet, "[S]", "c", "4", "", 4, ""},
        {RemedyKind::kRemove, "[S]", "x", "", "", 1, ""}},
       "a=1\nb=2\r\nc=4"},
      {"a last line without its end, left as it is, before an appended section",
       "[S]\na=1\nb=2",
       {{RemedyKind::kSet, "[S]", "a", "5", "", 2, ""},
        {RemedyKind::kAdd, "[T]", "x", "1", "", 0, ""}},
       "[S]\na=5\nb=2\n[T]\nx=1\n"},
      {"unmodelled lines stay",
       "junk\n[S]\n; note\na=1\n",
       {{RemedyKind::kSet, "[S]", "a", "2", "", 4, ""}},
       "junk\n[S]\n; note\na=2\n"},
  };
  for (const ApplyCase& c : cases) {
    EXPECT_EQ(ApplyRemedies(c.device, c.remedies), c.expected) << c.name;
    // The audit's edits are views into its comparison: they must edit alike.
    std::vector<CRemedyView> views;
    for (const CRemedy& r : c.remedies) {
      views.push_back({r.kind, r.section, r.key, r.value, r.rule, r.deviceLine, r.previous});
    }
    EXPECT_EQ(ApplyRemedies(c.device, views), c.expected) << c.name << " (views)";
  }
}

TEST(GoldenFix, RemediationUsesTheDevicesKeysAndRules) {
  CGolden golden;
  std::string error;
  ASSERT_TRUE(golden.Load("g",
                          "[System]\r\nDHCPclient=Disable\r\nTelnet_option=Enable\r\nTelnet_"
                          "timeout={{ range 300..300 }}\r\n"
                          "Gateway=10.0.0.1\r\n"
                          "[2.4GHz_WirelessSettings]\r\nchannel={{ one_of 1 6 11 }}\r\n"
                          "[2.4GHz_Filter]\r\nfilter_mac_acl=Accept\r\n"
                          "filter_mac_add1=00:00:00:00:00:01\r\n",
                          "", error));
  const std::string device =
      "[System]\r\nDHCPclient=Disable\r\nTelnet_option=Enable\r\nTelnet_timeout=600\r\nIsSSH="
      "Enable\r\n"
      "[2.4GHz_WirelessSettings]\r\n"
      "channel=7\r\n; a note\r\n[2.4GHz_Filter]\r\nfilter_mac_acl=Accept\r\n"
      "filter_mac_add7=00:00:00:00:00:02\r\n";
  CRendered rendered;
  ASSERT_TRUE(golden.RenderFor({"d"}, &device, rendered, error)) << error;
  const CComparison comparison = Compare({rendered.text, 0}, {device, 0});
  const report::CReport report = report::BuildReport(comparison, {"g", 0, 0}, {"d", 0, 0}, {});
  std::ostringstream out;
  WriteRemediation(Remediation(report, rendered.failed, device, false), out);
  EXPECT_EQ(out.str(),
            "[System]\nset Telnet_timeout=300\nadd Gateway=10.0.0.1\nremove IsSSH=Enable\n"
            "[2.4GHz_WirelessSettings]\nmanual: channel=7 fails {{ one_of 1 6 11 }}\n"
            "[2.4GHz_Filter]\nset filter_mac_add7=00:00:00:00:00:01\n");
  std::string fixed;
  std::vector<CRemedy> applied;
  EXPECT_FALSE(FixDevice(golden, {"d"}, device, {}, fixed, applied, error));
  EXPECT_NE(error.find("channel=7 fails {{ one_of 1 6 11 }}"), std::string::npos) << error;
}

}  // namespace
}  // namespace varnic::golden
