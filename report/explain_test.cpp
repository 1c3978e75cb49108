#include "varnic/report/explain.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "report/html_report.h"
#include "varnic/compare.h"
#include "varnic/report/json_report.h"
#include "varnic/report/report_model.h"

namespace varnic::report {
namespace {

// A report's notes keep lines set aside one after another for one reason as one run; every
// output must still read as one note per line, secrets labelled in the same order.
TEST(ExplanationsOf, RunsReadAsOneNotePerLine) {
  const std::string ssid2Off =
      "[5GHz_MultiSSIDSettings]\nMulti_Status=Enable\nSSID2_Status=Disable\n"
      "SSID2_Ssid=Guest\nSSID2_passphrase=hunter2\nSSID2_Security=WPA2-Personal\n"
      "SSID3_Status=Disable\nSSID3_Ssid=Lab\nSSID3_passphrase=hunter3\n";
  struct {
    const char* name;
    std::string left;
    std::string right;
    std::vector<std::vector<std::uint32_t>> jsonLines;  // of the groups JSON writes
  } const cases[] = {
      {"runs of two reasons in a row, secrets among them",
       ssid2Off,
       ssid2Off + "SSID3_Security=Open\n",
       {{3, 4, 5, 6}, {7, 8, 9}, {3, 4, 5, 6}, {7, 8, 9, 10}}},
      {"later duplicates of keys, one after another",
       "[System]\nDHCPclient=Disable\nUsername=a\nUsername=b\nUsername=c\n",
       "[System]\nDHCPclient=Disable\nUsername=a\nUsername=b\nMask=1\nMask=2\n",
       {{4, 5}, {4, 6}}},
      {"compared lines between the lines of a run",
       "[System]\nDHCPclient=Disable\nDeviceName=a\nMask=1\nIPaddr=2\n",
       "[System]\nDHCPclient=Disable\nDeviceName=b\nMask=1\nIPaddr=3\n",
       {{3, 5}, {3, 5}}},
  };
  for (const auto& c : cases) {
    const CComparison comparison = Compare({c.left, 0}, {c.right, 0});
    CReport runs = BuildReport(comparison, {"1"}, {"2"}, {});
    // The same notes one line each, as the public overload without line numbers makes them.
    CReport single = runs;
    single.explanations = ExplanationsOf(comparison, single.explanationTexts);
    ASSERT_LT(runs.explanations.size(), single.explanations.size()) << c.name;
    for (const bool showSecrets : {false, true}) {
      EXPECT_EQ(RenderHtml(runs, showSecrets), RenderHtml(single, showSecrets)) << c.name;
      CSecretMasker runsMasker;
      CSecretMasker singleMasker;
      runsMasker.Prime(runs);
      singleMasker.Prime(single);
      std::ostringstream fromRuns;
      std::ostringstream fromSingle;
      WriteExplanations(runs.explanations, showSecrets ? nullptr : &runsMasker, fromRuns);
      WriteExplanations(single.explanations, showSecrets ? nullptr : &singleMasker, fromSingle);
      EXPECT_EQ(fromRuns.str(), fromSingle.str()) << c.name;
    }
    std::ostringstream json;
    WriteJson(runs, false, json);
    std::vector<std::vector<std::uint32_t>> lines;
    const nlohmann::json doc = nlohmann::json::parse(json.str());
    for (const auto& e : doc["explanations"]) {
      if (e.contains("lines")) lines.push_back(e["lines"].get<std::vector<std::uint32_t>>());
    }
    EXPECT_EQ(lines, c.jsonLines) << c.name;
  }
}

}  // namespace
}  // namespace varnic::report
