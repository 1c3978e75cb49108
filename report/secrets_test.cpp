#include "varnic/report/secrets.h"

#include <gtest/gtest.h>

#include "varnic/report/report_model.h"

namespace varnic::report {
namespace {

TEST(IsSecretKey, NamesTheSecretFieldsInAnyLetterCaseAndSsidNumber) {
  for (const char* key :
       {"Password", "passphrase", "key1", "key4", "radius_secret", "SSID1_PassPhrase", "SSID7_Key",
        "SSID3_Radius_Secret", "password", "PASSWORD", "Passphrase", "Key1", "SSID0_PassPhrase",
        "SSID12_Key", "ssid3_passphrase", "Password ", " passphrase\t", "SSID2_Key  "}) {
    EXPECT_TRUE(IsSecretKey(key)) << key;
  }
  for (const char* key : {"key5", "keysize", "SSID1_KeyIndex", "SSID1_Ssid", "Username", "SSID_Key",
                          "SSIDx_Key", "password2", "", "  ", "pass word", "sched7_days",
                          "SSID1_Status", "radius_port", "Key5 ", "passwd"}) {
    EXPECT_FALSE(IsSecretKey(key)) << key;
  }
}

TEST(CSecretMasker, EqualValuesShareALabel) {
  CSecretMasker masker;
  EXPECT_EQ(masker.MaskLine("passphrase=one"), "passphrase=\xe2\x80\xb9secret 1\xe2\x80\xba");
  EXPECT_EQ(masker.MaskLine("passphrase=two"), "passphrase=\xe2\x80\xb9secret 2\xe2\x80\xba");
  EXPECT_EQ(masker.MaskLine("SSID1_PassPhrase=one"),
            "SSID1_PassPhrase=\xe2\x80\xb9secret 1\xe2\x80\xba");
  EXPECT_EQ(masker.MaskLine("ssid=one"), "ssid=one");
  EXPECT_EQ(masker.MaskLine("[System]"), "[System]");
  EXPECT_EQ(masker.MaskLine(""), "");
}

// Whichever output a run writes first, a value gets the label of its first place in the order
// the outputs show values: entries, then hidden differences, then explanations.
TEST(CSecretMasker, PrimeLabelsHiddenDifferencesAfterEntriesBeforeExplanations) {
  CReport report;
  report.entries = {{"[System]", "Password", "entry", "entry", CEntry::Status::kSame}};
  report.hidden = {{"[System]", "passphrase", std::nullopt, "hidden", 0, 4,
                    HiddenReason::kDuplicate, "a later line"}};
  report.explanations = {{CExplanation::Kind::kFiltered, 1, "[System]", "key1=explained", "", ""}};
  CSecretMasker masker;
  masker.Prime(report);
  EXPECT_EQ(masker.LabelFor("explained"), "\xe2\x80\xb9secret 3\xe2\x80\xba");
  EXPECT_EQ(masker.LabelFor("hidden"), "\xe2\x80\xb9secret 2\xe2\x80\xba");
  EXPECT_EQ(masker.LabelFor("entry"), "\xe2\x80\xb9secret 1\xe2\x80\xba");
}

}  // namespace
}  // namespace varnic::report
