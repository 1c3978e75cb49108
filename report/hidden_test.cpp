#include "varnic/report/hidden.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "report/file_settings.h"
#include "varnic/compare.h"
#include "varnic/report/explain.h"

namespace varnic::report {
namespace {

// One hidden difference as a line: "[Section] key left→right reason (why)". The settings asked
// for hidden differences alone, and those asked for explanations, leave out what both files hold
// alike: each must find what the settings of everything find.
std::vector<std::string> Hidden(std::string left, std::string right, int type1 = 0, int type2 = 0) {
  const CComparison comparison = Compare({std::move(left), type1}, {std::move(right), type2});
  std::deque<std::string> texts;
  const auto lines = [&](const std::vector<CHiddenDifference>& hidden) {
    std::vector<std::string> out;
    for (const CHiddenDifference& h : hidden) {
      out.push_back(std::string(h.section) + " " + std::string(h.key) + " " +
                    std::string(h.left.value_or("-")) + "@" + std::to_string(h.leftLine) + "→" +
                    std::string(h.right.value_or("-")) + "@" + std::to_string(h.rightLine) + " " +
                    std::string(HiddenReasonName(h.reason)) + " (" + std::string(h.why) + ")");
    }
    return out;
  };
  const CFileSettings everything(comparison, CFileSettings::Scope::kEverything);
  const std::vector<std::string> found = lines(HiddenDifferencesOf(comparison, texts));
  EXPECT_EQ(found, lines(HiddenDifferencesOf(comparison, everything, texts)));
  const auto explained = [&](const CFileSettings& settings) {
    std::vector<std::string> out;
    for (const CExplanation& e : ExplanationsOf(comparison, settings, texts)) {
      out.push_back(DescribeExplanation(e));
    }
    return out;
  };
  EXPECT_EQ(explained(CFileSettings(comparison, CFileSettings::Scope::kReasons)),
            explained(everything));
  return found;
}

const std::string kStatic = "[System]\nUsername=a\nDHCPclient=Disable\n";
const std::string kWpa2 = "[2.4GHz_SecuritySettings]\nauth_type=WPA2-Personal\npassphrase=p\n";

TEST(HiddenDifferences, OnlySettingsNotComparedThatDiffer) {
  struct {
    const char* name;
    std::string left;
    std::string right;
    std::vector<std::string> expected;
  } const cases[] = {
      {"a key no rule names differs",
       kStatic + "IPaddr=1\n",
       kStatic + "IPaddr=2\n",
       {"[System] IPaddr 1@4→2@4 not_relevant (not compared while DHCPclient=Disable)"}},
      {"the same value is no difference", kStatic + "IPaddr=1\n", kStatic + "IPaddr=1  \n", {}},
      {"a new key of one file",
       kStatic,
       kStatic + "NTP=x\n",
       {"[System] NTP -@0→x@4 not_relevant (not compared while DHCPclient=Disable)"}},
      {"WEP keys under WPA2",
       kWpa2 + "key1=a\n",
       kWpa2 + "key1=b\n",
       {"[2.4GHz_SecuritySettings] key1 a@4→b@4 not_relevant (WEP keys are not used while "
        "auth_type=WPA2-Personal)"}},
      // Compared on one side only: the row shows it as only in that file already.
      {"a row already shows it",
       kWpa2 + "key1=a\n",
       "[2.4GHz_SecuritySettings]\nauth_type=Open System\nwep_status=Enable\nkey1=b\n",
       {}},
      {"a later duplicate",
       "[5GHz_WirelessSettings]\nchannel=6\nchannel=11\n",
       "[5GHz_WirelessSettings]\nchannel=6\n",
       {"[5GHz_WirelessSettings] channel 11@3→-@0 duplicate (a later line of the same key; only "
        "the first is compared)"}},
      // The lines set aside are alike, but one file compares a line of the key the other sets
      // aside: the row of it stands in one file only.
      {"a toggle behind lines set aside alike",
       "[System]\nDHCPclient=Disable\nMask=1\nMask=2\n",
       "[System]\nDHCPclient=Enable\nMask=2\n",
       {"[System] Mask 2@4→-@0 duplicate (a later line of the same key; only the first is "
        "compared)"}},
      // Alike, so left out of the differences; the words of its lines still quote the status.
      {"an SSID setting set aside alike",
       "[5GHz_MultiSSIDSettings]\nMulti_Status=Disable\nSSID2_Status=Enable\nSSID2_Ssid=a\n",
       "[5GHz_MultiSSIDSettings]\nMulti_Status=Disable\nSSID2_Status=Enable\nSSID2_Ssid=a\n",
       {}},
      {"a key set aside alike quotes a compared setting",
       "[System]\nDHCPclient=Enable\nMask=1\n",
       "[System]\nDHCPclient=Enable\nMask=1\n",
       {}},
      {"a disabled SSID",
       "[5GHz_MultiSSIDSettings]\nMulti_Status=Enable\nSSID2_Status=Disable\n"
       "SSID2_Ssid=a\n",
       "[5GHz_MultiSSIDSettings]\nMulti_Status=Enable\nSSID2_Status=Disable\nSSID2_Ssid=b\n",
       {"[5GHz_MultiSSIDSettings] SSID2_Ssid a@4→b@4 not_relevant (SSID2 is disabled: "
        "SSID2_Status=Disable)"}},
      // With filtering off a list is matched by address: another order is the same list.
      {"a reordered list, filtering off",
       "[5GHz_Filter]\nfilter_mac_acl=Disable\nfilter_mac_add1=A\nfilter_mac_add2=B\n",
       "[5GHz_Filter]\nfilter_mac_acl=Disable\nfilter_mac_add1=B\nfilter_mac_add2=A\n",
       {}},
      {"an address changed, filtering off",
       "[5GHz_Filter]\nfilter_mac_acl=Disable\nfilter_mac_add1=A\nfilter_mac_add2=B\n",
       "[5GHz_Filter]\nfilter_mac_acl=Disable\nfilter_mac_add1=A\nfilter_mac_add2=C\n",
       {"[5GHz_Filter] filter_mac_add2 B@4→-@0 not_relevant (MAC filtering is off: "
        "filter_mac_acl=Disable)",
        "[5GHz_Filter] filter_mac_add2 -@0→C@4 not_relevant (MAC filtering is off: "
        "filter_mac_acl=Disable)"}},
      {"an address added, filtering off",
       "[5GHz_Filter]\nfilter_mac_acl=Disable\n",
       "[5GHz_Filter]\nfilter_mac_acl=Disable\nfilter_mac_add1=C\n",
       {"[5GHz_Filter] filter_mac_add1 -@0→C@3 not_relevant (MAC filtering is off: "
        "filter_mac_acl=Disable)"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Hidden(c.left, c.right), c.expected) << c.name;
  }
}

// A large section that both files do not set aside alike is indexed key by key, only where its
// lines set aside or its rows part: random edits (a line inserted, dropped or changed, keys
// repeated or not, DHCP turned on in one file) must find what the index of everything finds.
TEST(HiddenDifferences, LargeSectionsKeyByKeyFindWhatEverythingFinds) {
  std::mt19937 random(7);
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  for (int round = 0; round < 60; ++round) {
    const std::size_t keys = std::array<std::size_t, 3>{4, 60, 900}[pick(3)];
    const auto line = [&] {
      const std::size_t k = pick(keys);
      return (k == 0 ? std::string("Mask") : "k" + std::to_string(k)) + "=" +
             std::to_string(pick(3)) + "\n";
    };
    std::vector<std::string> left(600 + pick(200));
    for (std::string& l : left) l = line();
    std::vector<std::string> right = left;
    for (std::size_t edits = pick(6); edits > 0 && !right.empty(); --edits) {
      const std::size_t at = pick(right.size());
      switch (pick(4)) {
        case 0:
          right.insert(right.begin() + static_cast<std::ptrdiff_t>(at), line());
          break;
        case 1:
          right.erase(right.begin() + static_cast<std::ptrdiff_t>(at));
          break;
        case 2:
          right[at] = line();
          break;
        default:  // at the end, where one file's lines run on alone
          right.pop_back();
      }
    }
    // DHCP on sets aside Mask in one file only, so that its rows stand beside lines set aside.
    const bool toggled = pick(3) == 0;
    if (toggled && pick(2) == 0) {
      // This file's later Mask line, set aside as a duplicate after the lines the rule set
      // aside, meets the other's, set aside by the rule last: only the rows tell them apart.
      left.insert(left.end(), {"Mask=1\n", "Mask=2\n"});
      right.emplace_back("Mask=2\n");
    }
    std::string a = "[System]\nDHCPclient=Disable\n";
    std::string b = toggled ? "[System]\nDHCPclient=Enable\n" : a;
    for (const std::string& l : left) a += l;
    for (const std::string& l : right) b += l;
    // And a section set aside alike beside it, whose words quote a setting set aside too.
    const std::string ssid =
        "[5GHz_MultiSSIDSettings]\nMulti_Status=Disable\nSSID2_Status=Enable\n";
    Hidden(a + ssid, b + ssid);  // compares the two indexes
  }
  // With Multi_Status off every SSID setting is set aside, alike but for one: the words of its
  // difference still quote its SSID's status.
  std::string filler;
  for (int i = 0; i < 600; ++i) filler += "x" + std::to_string(i) + "=1\n";
  const std::string head = "[5GHz_MultiSSIDSettings]\nMulti_Status=Disable\nSSID2_Status=Enable\n";
  EXPECT_EQ(Hidden(head + "SSID2_Ssid=a\n" + filler, head + "SSID2_Ssid=b\n" + filler).size(), 1U);
}

TEST(HiddenDifferences, ReconciliationRemovalsCountButRestorationsDoNot) {
  // File 1 (single-band) has a key the dual-band file lacks: removed, and hidden.
  EXPECT_EQ(Hidden("[5GHz_WirelessSettings]\nc=1\nold=1\n", "[5GHz_WirelessSettings]\nc=1\n", 0, 1),
            std::vector<std::string>{"[5GHz_WirelessSettings] old 1@3→-@0 reconciled (the other "
                                     "device type has no old)"});
  // passphrase is named by a rule: removed, then restored under WPA2 and compared as a row.
  EXPECT_EQ(Hidden(kWpa2, "[2.4GHz_SecuritySettings]\nauth_type=WPA2-Personal\n", 0, 1),
            std::vector<std::string>{});
}

}  // namespace
}  // namespace varnic::report
