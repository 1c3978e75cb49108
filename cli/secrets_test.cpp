#include "cli/secrets.h"

#include <gtest/gtest.h>

namespace varnic::cli {
namespace {

TEST(IsSecretKey, NamesExactlyTheSecretFields) {
  for (const char* key : {"Password", "passphrase", "key1", "key4", "radius_secret",
                          "SSID1_PassPhrase", "SSID7_Key", "SSID3_Radius_Secret"}) {
    EXPECT_TRUE(IsSecretKey(key)) << key;
  }
  for (const char* key : {"password", "key5", "keysize", "SSID1_KeyIndex", "SSID8_Key",
                          "SSID1_Ssid", "Username", "SSID_Key", ""}) {
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

}  // namespace
}  // namespace varnic::cli
