#include "varnic/report/ignore.h"

#include <gtest/gtest.h>

#include "report/ignore_use.h"
#include "varnic/report/device_types.h"

namespace varnic::report {
namespace {

TEST(IgnoreList, PatternsMatchSectionAndKey) {
  struct {
    const char* pattern;
    const char* section;
    const char* key;
    bool matches;
  } const cases[] = {
      {"[System]IPaddr", "[System]", "IPaddr", true},
      {"[System]IPaddr", "[System]", "IPaddr2", false},
      {"[System]IPaddr", "[5GHz_Filter]", "IPaddr", false},
      {"IPaddr", "[5GHz_Filter]", "IPaddr", true},  // no section: every section
      {"[*]SSID*_Ssid", "[5GHz_MultiSSIDSettings]", "SSID12_Ssid", true},
      {"[*Security*]passphrase", "[2.4GHz_SecuritySettings]", "passphrase", true},
      {"[System]", "[System]", "anything", true},  // a section alone: all its keys
      {"*a*b*c", "[System]", "xaxbxbxc", true},
      {"*a*b*c", "[System]", "xaxbxbxcd", false},
      {"[5GHz*", "[5GHz_Filter]", "x", false},           // refused when added: never matches
      {"[System]IPaddr?", "[System]", "IPaddr2", true},  // ? is one byte, as in --glob
      {"[System]IPaddr?", "[System]", "IPaddr", false},
      {"[?GHz_Filter]x", "[5GHz_Filter]", "x", true},
  };
  for (const auto& c : cases) {
    CIgnoreList list;
    std::string error;
    list.Add(c.pattern, error);
    EXPECT_EQ(list.Matches(c.section, c.key), c.matches) << c.pattern << " " << c.key;
  }
  CIgnoreList list;
  std::string error;
  EXPECT_TRUE(list.AddLines("# comment\n\n[System]IPaddr\r\nchannel\n", error));
  EXPECT_EQ(list.patterns(), (std::vector<std::string>{"[System]IPaddr", "channel"}));
  EXPECT_FALSE(list.AddLines("ok\n[broken\n", error));
  EXPECT_EQ(error, "line 2: the section of '[broken' has no closing ']'");
}

TEST(PatternUse, APatternIsUsedWhenItMatchesASettingOfAnyText) {
  CIgnoreList list;
  std::string error;
  for (const char* pattern : {"[System]IPaddr", "[System]", "passphrase", "[Schedule]reboot",
                              "[Sytem]IPaddr", "Gatway", "early"}) {
    ASSERT_TRUE(list.Add(pattern, error)) << pattern;
  }
  CPatternUse use(list);
  use.See("early=1\r\n[System]\r\nIPaddr=1\r\n\r\n[Schedule]\nreboot=03:00\n");
  use.See("[5GHz_SecuritySettings]\npassphrase=x\n[System]\n");
  const std::vector<std::size_t> unused = use.Unused();
  // The typos; a key before the first header is a setting of no section.
  EXPECT_EQ(unused, (std::vector<std::size_t>{4, 5}));
  EXPECT_EQ(list.origin(4).text, "[Sytem]IPaddr");

  CIgnoreList fromFile;
  ASSERT_TRUE(fromFile.AddLines("# c\n\n[System]\n", error));
  EXPECT_EQ(fromFile.origin(0).line, 3U);
  EXPECT_EQ(fromFile.patterns()[0], "[System]*");
  EXPECT_EQ(CPatternUse(fromFile).Unused(), std::vector<std::size_t>{0});
}

TEST(DeviceTypes, NamesNumbersAndWarnings) {
  EXPECT_EQ(ParseType("single-band"), 0);
  EXPECT_EQ(ParseType("Dual-Band"), 1);
  EXPECT_EQ(ParseType("-7"), -7);
  EXPECT_EQ(ParseType("4294967296"), std::nullopt);
  EXPECT_EQ(ParseType("1x"), std::nullopt);
  EXPECT_EQ(ParseType(""), std::nullopt);
  EXPECT_TRUE(TypeWarning(0, 1).empty());
  EXPECT_TRUE(TypeWarning(5, 5).empty());  // equal types: nothing is reconciled
  EXPECT_NE(TypeWarning(5, 0).find("FILE2 taking both roles"), std::string::npos);
  EXPECT_NE(TypeWarning(0, 5).find("reconciled as dual-band (type 1)"), std::string::npos);

  const std::string dual = "[System]\na=1\n[5GHz_WirelessSettings]\nc=1\n";
  const std::string single = "[System]\na=1\n[2.4GHz_WirelessSettings]\nc=1\n";
  const CDetectedTypes detected = DetectTypes(dual, single);
  EXPECT_EQ(detected.type1, kDualBand);
  EXPECT_EQ(detected.type2, kSingleBand);
  EXPECT_NE(detected.why.find("FILE2 has no 5 GHz settings"), std::string::npos);
  EXPECT_EQ(DetectTypes(dual, dual).type1, DetectTypes(dual, dual).type2);
}

}  // namespace
}  // namespace varnic::report
