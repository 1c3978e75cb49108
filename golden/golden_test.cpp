#include "golden/golden.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "golden/inventory.h"
#include "golden/matcher.h"
#include "golden/regex.h"
#include "golden/template.h"

namespace varnic::golden {
namespace {

TEST(GoldenMatcher, HoldsOrNot) {
  struct Case {
    const char* rule;
    const char* value;
    bool holds;
  };
  const std::vector<Case> cases = {
      {"one_of 1 6 11", "6", true},
      {"one_of 1 6 11", "16", false},
      {"one_of 1 6 11", "", false},
      {"range 50..100", "50", true},
      {"range 50..100", "100", true},
      {"range 50..100", "101", false},
      {"range 50..100", "75%", false},
      {"range -5..5", "-5", true},
      {"range -9223372036854775808..9223372036854775807", "9223372036854775807", true},
      {"range 0..10", "99999999999999999999999", false},
      {"in 10.20.0.0/16", "10.20.255.1", true},
      {"in 10.20.0.0/16", "10.21.0.1", false},
      {"in 10.20.0.0/16", "10.20.0.01", false},
      {"in 10.20.0.0/16", "fd00::1", false},
      {"in 0.0.0.0/0", "255.255.255.255", true},
      {"in fd00::/8", "fd12:3456::1", true},
      {"in fd00::/8", "fe80::1", false},
      {"in 2001:db8::/32", "2001:db8::ffff:10.0.0.1", true},
      {"in 2001:db8::1/128", "2001:0db8:0:0:0:0:0:1", true},
      {"regex ^AP-[0-9]+$", "AP-12", true},
      {"regex ^AP-[0-9]+$", "AP-12x", false},
      {"regex AP-[0-9]+", "xAP-1", false},  // the whole value must match
      {"any", "", true},
      {"any", "whatever", true},
  };
  for (const Case& c : cases) {
    if (std::string_view(c.rule).starts_with("regex") && !CRegex::Available()) continue;
    std::string error;
    const auto matcher = CMatcher::Parse(c.rule, error);
    ASSERT_NE(matcher, nullptr) << c.rule << ": " << error;
    EXPECT_EQ(matcher->Holds(c.value), c.holds) << c.rule << " on '" << c.value << "'";
  }
}

TEST(GoldenMatcher, MalformedRulesAreRefusedWithTheReason) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"one_off 1 2", "unknown matcher 'one_off'"},
      {"one_of", "at least one value"},
      {"range 10..5", "bad range"},
      {"range 1..", "bad range"},
      {"range 1..99999999999999999999", "bad range"},
      {"in 10.20.0.0", "bad network"},
      {"in 10.20.0.0/33", "bad network"},
      {"in 10.256.0.0/16", "bad network"},
      {"in fd00::1::2/64", "bad network"},
      {"in fd00::/129", "bad network"},
      {"regex (unclosed", "bad pattern"},
      {"regex a(?=b)", "bad pattern"},  // lookahead: not linear, RE2 refuses it
      {"any thing", "takes nothing"},
  };
  for (const auto& [rule, reason] : cases) {
    std::string error;
    EXPECT_EQ(CMatcher::Parse(rule, error), nullptr) << rule;
    // A build without RE2 refuses every pattern, and says why.
    const bool noRegex = std::string_view(rule).starts_with("regex") && !CRegex::Available();
    EXPECT_NE(error.find(noRegex ? "has no RE2" : reason), std::string::npos)
        << rule << ": " << error;
  }
}

TEST(GoldenMatcher, SingleValueOnlyWhereTheRuleAllowsOne) {
  std::string error;
  EXPECT_EQ(CMatcher::Parse("one_of 6", error)->SingleValue(), "6");
  EXPECT_EQ(CMatcher::Parse("range 7..7", error)->SingleValue(), "7");
  EXPECT_FALSE(CMatcher::Parse("one_of 1 6", error)->SingleValue());
  EXPECT_FALSE(CMatcher::Parse("any", error)->SingleValue());
}

TEST(GoldenMatcher, CatastrophicPatternRunsInLinearTime) {
  if (!CRegex::Available()) GTEST_SKIP() << "this build has no RE2";
  std::string error;
  const auto matcher = CMatcher::Parse("regex (a+)+$", error);
  ASSERT_NE(matcher, nullptr) << error;
  const std::string value = std::string(100000, 'a') + "!";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(matcher->Holds(value));
  // A backtracking engine would not finish; generous for slow machines.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

struct RenderCase {
  const char* name;
  std::string golden;
  std::string device;
  std::string expected;  // empty: an error containing `reason`
  const char* reason = "";
};

TEST(GoldenTemplate, RendersAgainstTheDevice) {
  const std::vector<RenderCase> cases = {
      {"variable", "[System]\r\nDeviceName={{ name }}\r\n", "", "[System]\r\nDeviceName=AP-1\r\n"},
      {"variable inside a value", "[S]\nssid={{site}}-5G\n", "", "[S]\nssid=Lobby-5G\n"},
      {"rule held takes the device's value", "[S]\nchannel={{ one_of 1 6 11 }}\n",
       "[S]\nchannel=6\n", "[S]\nchannel=6\n"},
      {"rule failed keeps its text", "[S]\nchannel={{ one_of 1 6 11 }}\n", "[S]\nchannel=7\n",
       "[S]\nchannel={{ one_of 1 6 11 }}\n"},
      {"rule of a missing key keeps its text", "[S]\nx={{ any }}\n", "[T]\nx=1\n",
       "[S]\nx={{ any }}\n"},
      {"first of a repeated key", "[S]\nx={{ range 1..5 }}\n", "[S]\nx=9\nx=3\n",
       "[S]\nx={{ range 1..5 }}\n"},
      {"a repeated header starts over", "[S]\nx={{ any }}\n", "[S]\nx=1\n[T]\n[S]\ny=2\n",
       "[S]\nx={{ any }}\n"},
      {"the last header of a section holds its values", "[S]\nx={{ any }}\n",
       "[S]\nx=1\n[T]\nx=5\n[S]\nx=2\nx=3\n", "[S]\nx=2\n"},
      {"a header on the first line, CR LF ends", "[S]\r\nx={{ any }}\r\n", "[S]\r\nx=4\r\n",
       "[S]\r\nx=4\r\n"},
      {"a line that starts with a bracket is a header", "[S]\nx={{ any }}\ny={{ any }}\n",
       "[S]\nz=a\n[b\nx=1\ny=[2\n", "[S]\nx={{ any }}\ny={{ any }}\n"},
      {"a bracket inside a value is no header", "[S]\ny={{ any }}\n", "[S]\nz=[b\ny=2",
       "[S]\ny=2\n"},
      {"another section's key does not count", "[S]\nx={{ any }}\n[T]\nx={{ one_of 7 }}\n",
       "[T]\nx=7\n[S]\nx=8\n", "[S]\nx=8\n[T]\nx=7\n"},
      {"escape", "[S]\nx=\\{{ name }}\n", "", "[S]\nx={{ name }}\n"},
      {"headers and other lines pass", "[{{x}}]\nnote {{\n", "", "[{{x}}]\nnote {{\n"},
      {"no last line end", "[S]\nx={{name}}", "", "[S]\nx=AP-1"},
      {"unfilled variable", "[S]\nx={{ missing }}\n", "", "", "variable 'missing' has no value"},
      {"unknown matcher", "[S]\n\nx={{ one_off 1 }}\n", "", "", "g.cfg:3: unknown matcher"},
      // RE2 refuses lookahead; a build without RE2 refuses every pattern: both name the line.
      {"refused pattern", "[S]\nx={{ regex a(?=b) }}\n", "", "", "g.cfg:2: "},
      {"unclosed", "[S]\nx={{ name\n", "", "", "g.cfg:2: '{{' is not closed"},
      {"rule with other text", "[S]\nx=a{{ any }}\n", "", "", "stands for the whole value"},
      {"line break in a value", "[S]\nx={{ evil }}\n", "", "", "holds a line break"},
  };
  const CVariables variables = {{"name", "AP-1"}, {"site", "Lobby"}, {"evil", "1\r\n[System]"}};
  for (const RenderCase& c : cases) {
    CTemplate parsed;
    CRendered rendered;
    std::string error;
    const bool ok = parsed.Parse("g.cfg", c.golden, error) &&
                    parsed.Render(&variables, "ap1", "vars.csv", &c.device, rendered, error);
    if (c.expected.empty()) {
      EXPECT_FALSE(ok) << c.name;
      EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    } else {
      ASSERT_TRUE(ok) << c.name << ": " << error;
      EXPECT_EQ(rendered.text, c.expected) << c.name;
    }
  }
}

TEST(GoldenTemplate, ARenderingReusedForAnotherDeviceKeepsNothingOfTheFirst) {
  CTemplate parsed;
  std::string error;
  ASSERT_TRUE(parsed.Parse("g", "[S]\nn={{ name }}\na={{ one_of 1 }}\nrest=1\n", error));
  CRendered rendered;
  const std::string first = "[S]\na=2\n";
  const std::string second = "[S]\na=1\n";
  const CVariables one = {{"name", "first-device"}};
  const CVariables two = {{"name", "b"}};
  ASSERT_TRUE(parsed.Render(&one, "1", "v", &first, rendered, error)) << error;
  EXPECT_EQ(rendered.failed.size(), 1U);
  ASSERT_TRUE(parsed.Render(&two, "2", "v", &second, rendered, error)) << error;
  EXPECT_EQ(rendered.text, "[S]\nn=b\na=1\nrest=1\n");
  EXPECT_TRUE(rendered.failed.empty());
}

TEST(GoldenTemplate, FailedRulesAreListedWithTheirRepair) {
  CTemplate parsed;
  CRendered rendered;
  std::string error;
  const std::string device = "[S]\na=2\nb=3\n";
  ASSERT_TRUE(parsed.Parse("g", "[S]\na={{ one_of 1 }}\nb={{ range 5..9 }}\n", error));
  ASSERT_TRUE(parsed.Render(nullptr, "d", "", &device, rendered, error)) << error;
  ASSERT_EQ(rendered.failed.size(), 2U);
  EXPECT_EQ(rendered.failed[0].key, "a");
  EXPECT_EQ(rendered.failed[0].singleValue, "1");
  EXPECT_EQ(rendered.failed[1].rule, "range 5..9");
  EXPECT_FALSE(rendered.failed[1].singleValue);
  EXPECT_EQ(rendered.failed[1].line, 3U);
}

TEST(GoldenInventory, CsvAndJson) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;  // empty: parses
  };
  const std::vector<Case> cases = {
      {"csv", "device,ip\r\nap1,10.0.0.1\r\nap2,\"10.0.0.2\"\r\n", ""},
      {"csv quoted comma and quote", "ip,device\n\"a,\"\"b\",ap1\n", ""},
      {"csv without device column", "name,ip\nap1,1\n",
       "vars.csv:1: the header row has no 'device'"},
      {"csv duplicate", "device,ip\nap1,1\nap2,2\nap1,3\n",
       "vars.csv:4: device 'ap1' is listed twice"},
      {"csv short row", "device,ip\nap1\n", "vars.csv:2: 1 fields"},
      {"csv unclosed quote", "device,ip\nap1,\"x\n", "vars.csv:2: a quoted field"},
      {"json", R"({"ap1": {"ip": "10.0.0.1", "n": 3}, "ap2": {}})", ""},
      {"json not an object row", R"({"ap1": 3})", "device 'ap1' is not an object"},
      {"json nested", R"({"ap1": {"ip": [1]}})", "variable 'ip'"},
      {"json malformed", "{\"ap1\": {\n", "vars.csv: "},
  };
  for (const Case& c : cases) {
    CInventory inventory;
    std::string error;
    const bool ok = ParseInventory("vars.csv", c.bytes, inventory, error);
    EXPECT_EQ(ok, *c.reason == '\0') << c.name << ": " << error;
    if (!ok) {
      EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
    }
  }
  CInventory inventory;
  std::string error;
  ASSERT_TRUE(ParseInventory("v", "ip,device\n\"a,\"\"b\",ap1\n", inventory, error));
  EXPECT_EQ(inventory.devices.at("ap1").at("ip"), "a,\"b");
}

TEST(GoldenInventory, DeviceNamesTryThePathThenTheFileName) {
  EXPECT_EQ(DeviceNames("fleet/site1/ap3.cfg", "fleet"),
            (std::vector<std::string>{"site1/ap3.cfg", "site1/ap3", "ap3"}));
  EXPECT_EQ(DeviceNames("ap3.cfg"), (std::vector<std::string>{"ap3.cfg", "ap3"}));
  EXPECT_EQ(DeviceNames("ap3"), (std::vector<std::string>{"ap3"}));
}

}  // namespace
}  // namespace varnic::golden
