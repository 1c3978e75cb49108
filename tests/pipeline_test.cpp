// Whole comparisons through the engine, from file bytes to marked results: what the relevance
// rules, the band reconciliation and the MAC list matching do to realistic backups.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "engine/config_compare.h"
#include "tests/support/temp_dir.h"
#include "varnic/compare.h"
#include "varnic/marked.h"

namespace varnic {
namespace {

using CLineList = std::vector<std::string>;

struct Compared {
  CLineList result1;
  CLineList result2;
};

Compared Compare(std::string_view text1, std::int32_t type1, std::string_view text2,
                 std::int32_t type2) {
  const CComparison comparison =
      varnic::Compare({std::string(text1), type1}, {std::string(text2), type2});
  return {MarkedLines(comparison, FileSide::kFile1), MarkedLines(comparison, FileSide::kFile2)};
}

bool Mentions(const CLineList& lines, std::string_view text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(text) != line.npos; });
}

TEST(Pipeline, StaleWepKeysUnderWpa2ShowNoLine) {
  const Compared c = Compare(
      "[5GHz_SecuritySettings]\nauth_type=WPA2-Personal\ncipher_type=AES\npassphrase=p1\n"
      "wep_status=Enable\nkeysize=128\nkey1=0123456789abc\nactive_key_index=1\n",
      0, "[5GHz_SecuritySettings]\nauth_type=WPA2-Personal\ncipher_type=AES\npassphrase=p1\n", 0);
  EXPECT_EQ(c.result1, (CLineList{"[5GHz_SecuritySettings]", "s_auth_type=WPA2-Personal",
                                  "s_cipher_type=AES", "s_passphrase=p1"}));
  EXPECT_EQ(c.result1.size(), c.result2.size());
}

TEST(Pipeline, DisabledSsidFieldsShowInNeitherResult) {
  const char* ssids =
      "[2.4GHz_MultiSSIDSettings]\nMulti_Status=Enable\nSSID1_Status=Enable\n"
      "SSID1_Security=WPA2-Personal\nSSID1_PassPhrase=guest\n";
  const Compared c = Compare(std::string(ssids) + "SSID2_Status=Disable\nSSID2_Ssid=Old\n", 0,
                             std::string(ssids) + "SSID2_Status=Disable\nSSID2_Ssid=New\n", 0);
  EXPECT_FALSE(Mentions(c.result1, "SSID2"));
  EXPECT_FALSE(Mentions(c.result2, "SSID2"));
  EXPECT_EQ(c.result1, (CLineList{"[2.4GHz_MultiSSIDSettings]", "s_Multi_Status=Enable",
                                  "s_SSID1_Status=Enable", "s_SSID1_Security=WPA2-Personal",
                                  "s_SSID1_PassPhrase=guest"}));
}

TEST(Pipeline, MacListsMatchByAddressThroughSavedFiles) {
  testing::CTempDir dir;
  CConfigCompare engine;
  ASSERT_TRUE(engine.LoadFiles(
      dir.Write("1.cfg",
                "[5GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add1=M1\nfilter_mac_add2=M2\n"
                "filter_mac_add3=M3\n"),
      0,
      dir.Write("2.cfg",
                "[5GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add1=M3\nfilter_mac_add2=M4\n"
                "filter_mac_add4=M1\n"),
      0));
  engine.CompareFiles();
  int count1 = 0;
  int count2 = 0;
  ASSERT_TRUE(engine.WriteFiles(dir.File("1.out"), count1, dir.File("2.out"), count2));
  EXPECT_EQ(testing::ReadAll(dir.File("1.out")),
            "[5GHz_Filter]\r\ns_filter_mac_acl=Accept\r\ns_filter_mac_add1=M1\r\n"
            "s_filter_mac_add2=M3\r\nd_filter_mac_add3=M2\r\n");
  EXPECT_EQ(testing::ReadAll(dir.File("2.out")),
            "[5GHz_Filter]\r\ns_filter_mac_acl=Accept\r\ns_filter_mac_add1=M1\r\n"
            "s_filter_mac_add2=M3\r\nd_filter_mac_add3=M4\r\n");
}

// A device without a 5 GHz radio (type 0) against a dual-band one (type 1): the missing band
// must not flood the result with lines only one side has.
TEST(Pipeline, DeviceWithoutFiveGhzComparesWithoutAFloodOfOnlyLines) {
  const char* singleBand =
      "[System]\nUsername=admin\nDHCPclient=Enable\n"
      "[2.4GHz_WirelessSettings]\nssid=Shop\nchannel=6\n"
      "[2.4GHz_SecuritySettings]\nauth_type=WPA2-Personal\ncipher_type=AES\npassphrase=x\n";
  const char* dualBand =
      "[System]\nUsername=admin\nDHCPclient=Enable\nMask=255.0.0.0\n"
      "[5GHz_WirelessSettings]\nssid=Shop-5G\nchannel=36\n"
      "[2.4GHz_WirelessSettings]\nssid=Shop\nchannel=11\nband_steering=Enable\n"
      "[5GHz_SecuritySettings]\nauth_type=WPA2-Personal\ncipher_type=AES\npassphrase=y\n"
      "[2.4GHz_SecuritySettings]\nauth_type=WPA2-Personal\ncipher_type=AES\npassphrase=x\n"
      "[5GHz_Filter]\nfilter_mac_acl=Disable\n";
  const Compared c = Compare(singleBand, 0, dualBand, 1);
  EXPECT_FALSE(Mentions(c.result2, "5GHz"));
  EXPECT_EQ(c.result1, (CLineList{"[System]", "s_Username=admin", "s_DHCPclient=Enable",
                                  "[2.4GHz_WirelessSettings]", "s_ssid=Shop", "d_channel=6", "",
                                  "[2.4GHz_SecuritySettings]", "s_auth_type=WPA2-Personal",
                                  "s_cipher_type=AES", "s_passphrase=x"}));
  EXPECT_EQ(c.result2[6], "o_band_steering=Enable");
}

// Faults a fast engine could make without failing the narrower tests: each pair was chosen so
// that the planted fault changes the marked results or the difference check.
struct PinnedCase {
  const char* name;
  const char* text1;
  std::int32_t type1;
  const char* text2;
  std::int32_t type2;
  CLineList result1;
  CLineList result2;
  bool differs;
};

TEST(Pipeline, WholeComparisonsPinWhatNarrowTestsMiss) {
  const std::vector<PinnedCase> cases = {
      // File 1 is renumbered from 1 even when it shares no address with file 2.
      {"mac entries of file 1 renumbered without a shared address",
       "[5GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add3=X\nfilter_mac_add7=Y\n",
       0,
       "[5GHz_Filter]\nfilter_mac_acl=Accept\nfilter_mac_add1=Z\n",
       0,
       {"[5GHz_Filter]", "s_filter_mac_acl=Accept", "d_filter_mac_add1=X", "o_filter_mac_add2=Y"},
       {"[5GHz_Filter]", "s_filter_mac_acl=Accept", "d_filter_mac_add1=Z", ""},
       true},
      // A line without "=" has an empty key and value: two such lines are the same item.
      {"keyless lines compare as their empty item",
       "[System]\nnote\n",
       0,
       "[System]\nother\n",
       0,
       {"[System]", "s_="},
       {"[System]", "s_="},
       false},
      // The governing key is the first condition's (auth_type), not the last (wep_status): the
      // type-0 file's WEP keys come back because auth_type is still there.
      {"restored keys follow the first condition's key",
       "[5GHz_SecuritySettings]\nauth_type=Open System\nwep_status=Enable\nkey1=abc\n",
       0,
       "[5GHz_SecuritySettings]\nauth_type=Open System\n",
       1,
       {"[5GHz_SecuritySettings]", "s_auth_type=Open System", "o_wep_status=Enable", "o_key1=abc"},
       {"[5GHz_SecuritySettings]", "s_auth_type=Open System", "", ""},
       true},
      // A row only in one file is a difference, as a changed value is.
      {"a row only in one file differs",
       "[2.4GHz_WirelessSettings]\nssid=Shop\n",
       0,
       "[2.4GHz_WirelessSettings]\nssid=Shop\nchannel=6\n",
       0,
       {"[2.4GHz_WirelessSettings]", "s_ssid=Shop", ""},
       {"[2.4GHz_WirelessSettings]", "s_ssid=Shop", "o_channel=6"},
       true},
      // Conditions on one key with other values (SSID2_Security=...) are answered together; each
      // file keeps the keys of its own security type, and SSID2_Key (WEP) goes.
      {"conditions sharing a key pick each file's own rule",
       "[5GHz_MultiSSIDSettings]\nMulti_Status=Enable\nSSID2_Status=Enable\n"
       "SSID2_Security=WPA2-Personal\nSSID2_Cipher=AES\nSSID2_Key=abc\n",
       0,
       "[5GHz_MultiSSIDSettings]\nMulti_Status=Enable\nSSID2_Status=Enable\n"
       "SSID2_Security=WPA2-Enterprise\nSSID2_Cipher=AES\nSSID2_Radius_Server=10.0.0.1\n",
       0,
       {"[5GHz_MultiSSIDSettings]", "s_Multi_Status=Enable", "s_SSID2_Status=Enable",
        "d_SSID2_Security=WPA2-Personal", "s_SSID2_Cipher=AES", ""},
       {"[5GHz_MultiSSIDSettings]", "s_Multi_Status=Enable", "s_SSID2_Status=Enable",
        "d_SSID2_Security=WPA2-Enterprise", "s_SSID2_Cipher=AES", "o_SSID2_Radius_Server=10.0.0.1"},
       true},
      // A condition holds on an item whose key and value merely contain its own, found after
      // items that do not; the kept keys are then matched as they are listed.
      {"a condition met by a later item that contains it",
       "[2.4GHz_SecuritySettings]\nkey1=k\nauth_type_old=xWPA2-Personalx\npassphrase=p\n",
       0,
       "[2.4GHz_SecuritySettings]\nauth_type=Open System\nwep_status=Disable\n"
       "key1=k\npassphrase=p\n",
       0,
       {"[2.4GHz_SecuritySettings]", "o_passphrase=p", "", ""},
       {"[2.4GHz_SecuritySettings]", "", "o_auth_type=Open System", "o_wep_status=Disable"},
       true},
  };
  for (const PinnedCase& test : cases) {
    SCOPED_TRACE(test.name);
    const CComparison comparison =
        varnic::Compare({test.text1, test.type1}, {test.text2, test.type2});
    EXPECT_EQ(MarkedLines(comparison, FileSide::kFile1), test.result1);
    EXPECT_EQ(MarkedLines(comparison, FileSide::kFile2), test.result2);
    EXPECT_EQ(comparison.HasDifferences(), test.differs);
  }
}

TEST(Pipeline, EqualTypesSkipReconciliation) {
  const char* text1 = "[2.4GHz_WirelessSettings]\nContact=lab\n";
  const char* text2 = "[2.4GHz_WirelessSettings]\nchannel=6\n";
  EXPECT_EQ(Compare(text1, 5, text2, 5).result1,
            (CLineList{"[2.4GHz_WirelessSettings]", "o_Contact=lab", ""}));
  // Different types: the type-0 file keeps only keys the type-1 file's section has.
  EXPECT_EQ(Compare(text1, 0, text2, 1).result1, CLineList{});
}

}  // namespace
}  // namespace varnic

namespace varnic {
namespace {

class CountingObserver : public CCompareObserver {
 public:
  void OnChange(const CChange& /*change*/, const CChangeLog& /*log*/) override { ++calls; }
  std::size_t calls = 0;
};

TEST(Pipeline, AnObserverHearsWhatTheComparisonKeepsAndChangesNoResult) {
  const std::string before = testing::ReadAll(VARNIC_SOURCE_DIR "/examples/ap-before.cfg");
  const std::string after = testing::ReadAll(VARNIC_SOURCE_DIR "/examples/ap-after.cfg");
  for (const auto& [type1, type2] : {std::pair{0, 0}, {0, 1}, {1, 0}, {2, 5}}) {
    CountingObserver observer;
    const CComparison plain = varnic::Compare({before, type1}, {after, type2});
    const CComparison observed = varnic::Compare({before, type1}, {after, type2}, &observer);
    EXPECT_EQ(MarkedText(plain, FileSide::kFile1), MarkedText(observed, FileSide::kFile1));
    EXPECT_EQ(MarkedText(plain, FileSide::kFile2), MarkedText(observed, FileSide::kFile2));
    EXPECT_GT(observer.calls, 0u);
    EXPECT_EQ(observer.calls, observed.Changes().Changes().size());
  }
}

// Two behaviours that only whole comparisons catch: every SSID run up to SSID7 keeps its place,
// and a key neither file has (Multi_Status here) gives no line at all.
TEST(Pipeline, SsidRunsOneToSevenInOrderAndNoLineWhereBothLack) {
  std::string text1 = "[5GHz_MultiSSIDSettings]\n";
  std::string text2 = "[5GHz_MultiSSIDSettings]\n";
  CLineList expected = {"[5GHz_MultiSSIDSettings]"};
  for (int n = 1; n <= 7; ++n) {
    const std::string ssid = "SSID" + std::to_string(n);
    const std::string lines = ssid + "_Status=Enable\n" + ssid + "_Security=WPA2-Personal\n";
    text1 += lines;
    text2.insert(text2.find('\n') + 1, lines);  // file 2 holds the SSIDs the other way round
    expected.push_back("s_" + ssid + "_Status=Enable");
    expected.push_back("s_" + ssid + "_Security=WPA2-Personal");
  }
  const Compared c = Compare(text1, 0, text2, 0);
  EXPECT_EQ(c.result1, expected);
  EXPECT_EQ(c.result2, expected);
}

}  // namespace
}  // namespace varnic

namespace varnic {
namespace {

// A backup with sections of tens of thousands of lines must not take quadratic time in any
// stage (alignment, filtering, reconciliation, MAC matching); before indexing, this took minutes.
TEST(Pipeline, LargeSectionsStayLinear) {
  constexpr int kLines = 20000;
  std::string text1;
  std::string text2;
  for (const char* section :
       {"[5GHz_WirelessSettings]", "[5GHz_SecuritySettings]", "[5GHz_Filter]", "[System]"}) {
    text1.append(section).append("\n");
    text2.append(section).append("\n");
    for (int i = 0; i < kLines; ++i) {
      // Appends only: GCC 12 misreports `"literal" + std::string` under -O2 (-Wrestrict).
      std::string key(std::string_view(section) == "[5GHz_Filter]" ? "filter_mac_add" : "k");
      key.append(std::to_string(i)).append("=a");
      text1.append(key).append(std::to_string(i)).append("\n");
      text2.append(key).append(std::to_string(kLines - i)).append("\n");
    }
  }
  const auto start = std::chrono::steady_clock::now();
  const Compared c = Compare(text1, 0, text2, 1);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(c.result1.size(), c.result2.size());
  EXPECT_GT(c.result1.size(), static_cast<std::size_t>(kLines));
  EXPECT_LT(elapsed, std::chrono::seconds(20));
}

}  // namespace
}  // namespace varnic
