#include "varnic/report/json_report.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace varnic::report {
namespace {

using Json = nlohmann::json;
using Status = CEntry::Status;
constexpr const char* kSecret1 = "\xe2\x80\xb9secret 1\xe2\x80\xba";
constexpr const char* kSecret2 = "\xe2\x80\xb9secret 2\xe2\x80\xba";
constexpr const char* kSecret3 = "\xe2\x80\xb9secret 3\xe2\x80\xba";

// One of every field: both roles and a type without one, a secret in an entry and in a hidden
// difference, an ignored entry, a MAC list change, and one explanation of each kind.
CReport FullReport() {
  CReport report;
  report.left = {"a.cfg", 0, 40};
  report.right = {"b.cfg", 5, 41};
  report.entries = {
      {"[System]", "Password", "old", "new", Status::kDifferent, 2, 2},
      {"[System]", "Username", "admin", "admin", Status::kSame, 1, 1},
      {"[5GHz_Filter]", "filter_mac_add1", "aa:aa", "bb:bb", Status::kDifferent, 10, 11},
      {"[5GHz_Filter]", "channel", std::nullopt, "6", Status::kOnlyRight, 0, 12, true},
  };
  report.hidden = {{"[System]", "radius_secret", "new", std::nullopt, 7, 0,
                    HiddenReason::kNotRelevant, "not compared while DHCPclient=Disable"},
                   {"[System]", "IPaddr", "1.1.1.1", "1.1.1.2", 5, 5, HiddenReason::kDuplicate,
                    "a later line of the key", true}};
  report.stats = {{"[System]", 1, 1, 0, 0, 2, 0, 1, 0}, {"total", 1, 2, 0, 1, 2, 0, 1, 1}};
  report.explanations = {
      {CExplanation::Kind::kFiltered, 1, "[System]", "key1=wep", "|DHCPclient=Enable|",
       "DHCP is off"},
      {CExplanation::Kind::kBandCleared, 2, "5GHz", "", "", "the band is cleared"},
      {CExplanation::Kind::kReconcileRemoved, 1, "[System]", "x=1", "", "removed"},
      {CExplanation::Kind::kReconcileRestored, 1, "[System]", "x=1", "", "restored"},
      {CExplanation::Kind::kRenumbered, 2, "[5GHz_Filter]", "filter_mac_add3=cc",
       "filter_mac_add1=cc", "renumbered 3 -> 1"},
      {CExplanation::Kind::kSpacing, 2, "[System]", "Password =sneaky", "Password",
       "'Password ' differs from 'Password' only by spaces"},
  };
  report.verdict = {2, 1, 1, true};
  report.ignorePatterns = {"[5GHz_Filter]channel"};
  return report;
}

Json Write(const CReport& report, bool showSecrets, CSecretMasker* masker = nullptr) {
  std::ostringstream out;
  WriteJson(report, showSecrets, out, masker);
  return Json::parse(out.str());
}

TEST(WriteJson, WritesEveryFieldOfTheThirdSchema) {
  const Json doc = Write(FullReport(), false);
  EXPECT_EQ(doc["schema_version"], 3);
  EXPECT_EQ(doc["inputs"][0]["role"], "single-band");
  EXPECT_TRUE(doc["inputs"][1]["role"].is_null());
  EXPECT_EQ(doc["differs"], true);  // strict, with a hidden difference
  EXPECT_EQ(doc["counts"], (Json{{"differences", 2}, {"hidden_differences", 1}, {"ignored", 1}}));
  EXPECT_EQ(doc["ignore_patterns"], Json::array({"[5GHz_Filter]channel"}));

  const Json& onlyRight = doc["entries"][3];
  EXPECT_TRUE(onlyRight["left_line"].is_null());
  EXPECT_EQ(onlyRight["right_line"], 12);
  EXPECT_EQ(onlyRight["ignored"], true);

  const Json& hidden = doc["hidden_differences"];
  ASSERT_EQ(hidden.size(), 2u);
  EXPECT_EQ(hidden[0]["section"], "[System]");
  EXPECT_EQ(hidden[0]["reason"], "not_relevant");
  EXPECT_EQ(hidden[0]["why"], "not compared while DHCPclient=Disable");
  EXPECT_TRUE(hidden[0]["right"].is_null());
  EXPECT_TRUE(hidden[0]["right_line"].is_null());
  EXPECT_EQ(hidden[1]["reason"], "duplicate");
  EXPECT_EQ(hidden[1]["ignored"], true);

  // The total row is not a section.
  ASSERT_EQ(doc["summary"]["sections"].size(), 1u);
  EXPECT_EQ(doc["summary"]["sections"][0]["section"], "[System]");
  EXPECT_EQ(doc["summary"]["total"]["different"], 2);
  EXPECT_EQ(doc["summary"]["total"]["ignored"], 1);
  EXPECT_FALSE(doc["summary"]["total"].contains("section"));

  // Each kind's detail goes to its own field and the others are null.
  struct CKind {
    const char* kind;
    Json rule, after, otherKey;
  };
  const std::vector<CKind> kinds = {
      {"filtered", "|DHCPclient=Enable|", nullptr, nullptr},
      {"band_cleared", nullptr, nullptr, nullptr},
      {"reconcile_removed", nullptr, nullptr, nullptr},
      {"reconcile_restored", nullptr, nullptr, nullptr},
      {"renumbered", nullptr, "filter_mac_add1=cc", nullptr},
      {"spacing", nullptr, nullptr, "Password"},
  };
  ASSERT_EQ(doc["explanations"].size(), kinds.size());
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    const Json& e = doc["explanations"][i];
    EXPECT_EQ(e["kind"], kinds[i].kind);
    EXPECT_EQ(e["rule"], kinds[i].rule) << kinds[i].kind;
    EXPECT_EQ(e["after"], kinds[i].after) << kinds[i].kind;
    EXPECT_EQ(e["other_key"], kinds[i].otherKey) << kinds[i].kind;
  }
  EXPECT_EQ(doc["explanations"][0]["reason"], "DHCP is off");
}

TEST(WriteJson, SecretsGetTheRunsLabelsEverywhere) {
  const CReport report = FullReport();
  const Json doc = Write(report, false);
  EXPECT_EQ(doc["entries"][0]["left"], kSecret1);
  EXPECT_EQ(doc["entries"][0]["right"], kSecret2);
  EXPECT_EQ(doc["hidden_differences"][0]["left"], kSecret2);  // the same value, the same label
  EXPECT_EQ(doc["explanations"][0]["text"], std::string("key1=") + kSecret3);
  // A key with a space before "=" is the same secret to a reader.
  EXPECT_EQ(doc["explanations"][5]["text"],
            std::string("Password =") + "\xe2\x80\xb9secret 4\xe2\x80\xba");

  const Json shown = Write(report, true);
  EXPECT_EQ(shown["entries"][0]["left"], "old");
  EXPECT_EQ(shown["hidden_differences"][0]["left"], "new");
  EXPECT_EQ(shown["explanations"][5]["text"], "Password =sneaky");

  // A masker another output of the run used first still gives the same labels.
  CSecretMasker run;
  run.Prime(report);
  EXPECT_EQ(Write(report, false, &run), doc);
}

TEST(WriteJson, AnEmptyReportStillHasATotal) {
  const Json doc = Write(CReport{}, false);
  EXPECT_EQ(doc["summary"]["sections"], Json::array());
  EXPECT_EQ(doc["summary"]["total"]["same"], 0);
  EXPECT_EQ(doc["differs"], false);
  EXPECT_EQ(doc["mac_filters"], Json::array());
}

TEST(WriteJson, ValidatesAgainstThePublishedSchema) {
  if (std::system("/usr/bin/python3 -c 'import jsonschema' 2>/dev/null") != 0) {
    GTEST_SKIP() << "python3-jsonschema is not installed";
  }
  const testing::CTempDir dir;
  for (const bool showSecrets : {false, true}) {
    const std::string path = dir.Write("report.json", Write(FullReport(), showSecrets).dump(2));
    const std::string check =
        "/usr/bin/python3 -c 'import json,sys,jsonschema; "
        "jsonschema.validate(json.load(open(sys.argv[1])), json.load(open(sys.argv[2])))' " +
        path + " " VARNIC_SOURCE_DIR "/docs/varnic.schema.json";
    EXPECT_EQ(std::system(check.c_str()), 0);
  }
}

struct CMacCase {
  const char* name;
  std::vector<CEntry> entries;
  std::vector<std::vector<std::string_view>> added;  // per filter section
  std::vector<std::vector<std::string_view>> removed;
};

CEntry Mac(const char* section, const char* key, std::optional<std::string_view> left,
           std::optional<std::string_view> right, std::uint32_t leftLine, std::uint32_t rightLine,
           bool ignored = false) {
  return {section, key, left, right, Status::kDifferent, leftLine, rightLine, ignored};
}

TEST(MacFilterChangesOf, AddressesOnlyOneFileLists) {
  const char* f5 = "[5GHz_Filter]";
  const char* f24 = "[2.4GHz_Filter]";
  const std::vector<CMacCase> cases = {
      {"reordered lists change nothing",
       {Mac(f5, "filter_mac_add1", "aa", "bb", 3, 4), Mac(f5, "filter_mac_add2", "bb", "aa", 4, 3)},
       {{}},
       {{}}},
      {"trailing spaces do not make an address new",
       {Mac(f5, "filter_mac_add1", "aa  ", "aa", 3, 3)},
       {{}},
       {{}}},
      {"file 2's addresses in file 2's order, each once",
       {Mac(f5, "filter_mac_add1", "aa", "dd", 3, 9), Mac(f5, "filter_mac_add2", "bb", "cc", 4, 5),
        Mac(f5, "filter_mac_add3", std::nullopt, "cc", 0, 7),
        Mac(f5, "filter_mac_add4", "bb", std::nullopt, 6, 0)},
       {{"cc", "dd"}},
       {{"aa", "bb"}}},
      {"both bands, other keys and ignored entries left out",
       {Mac(f5, "filter_mac_add1", "aa", "bb", 3, 3), Mac(f5, "filter_enable", "1", "0", 2, 2),
        Mac(f24, "filter_mac_add1", "cc", std::nullopt, 8, 0),
        Mac(f24, "filter_mac_add2", std::nullopt, "dd", 0, 9, true),
        Mac("[System]", "filter_mac_add1", "ee", "ff", 1, 1)},
       {{"bb"}, {}},
       {{"aa"}, {"cc"}}},
      {"no MAC entries, no filter", {Mac(f5, "filter_enable", "1", "0", 2, 2)}, {}, {}},
  };
  for (const CMacCase& c : cases) {
    CReport report;
    report.entries = c.entries;
    const std::vector<CMacFilterChanges> changes = MacFilterChangesOf(report);
    ASSERT_EQ(changes.size(), c.added.size()) << c.name;
    for (std::size_t i = 0; i < changes.size(); ++i) {
      EXPECT_EQ(changes[i].added, c.added[i]) << c.name;
      EXPECT_EQ(changes[i].removed, c.removed[i]) << c.name;
    }
  }
}

struct CGroupCase {
  const char* name;
  std::vector<CExplanation> explanations;
  std::vector<std::vector<std::uint32_t>> lines;  // per object written, in order
};

CExplanation Note(CExplanation::Kind kind, int file, std::string_view reason, std::uint32_t line,
                  std::string_view detail = "") {
  return {kind, file, "[System]", "k=v", detail, reason, line};
}

TEST(GroupExplanations, LinesSetAsideForOneReasonAreOneObject) {
  using Kind = CExplanation::Kind;
  // Equal texts held apart: grouping goes by text, not by where it is stored.
  const std::string off = "DHCP is off";
  const std::string offAgain = off;
  const std::vector<CGroupCase> cases = {
      {"a run and a later line of one reason",
       {Note(Kind::kFiltered, 1, off, 3, "|r|"), Note(Kind::kFiltered, 1, offAgain, 4, "|r|"),
        Note(Kind::kDuplicate, 1, "later", 5), Note(Kind::kFiltered, 1, off, 9, "|r|")},
       {{3, 4, 9}, {5}}},
      {"another file, rule or kind is another object",
       {Note(Kind::kFiltered, 1, off, 3, "|r|"), Note(Kind::kFiltered, 2, off, 3, "|r|"),
        Note(Kind::kFiltered, 1, off, 4, "|s|"), Note(Kind::kReconcileRemoved, 1, off, 5)},
       {{3}, {3}, {4}, {5}}},
      {"renumberings, spacing hints and unnumbered lines stand alone",
       {Note(Kind::kRenumbered, 1, "", 3, "a=b"), Note(Kind::kRenumbered, 1, "", 4, "a=b"),
        Note(Kind::kSpacing, 2, "sp", 5, "k"), Note(Kind::kFiltered, 1, off, 0),
        Note(Kind::kFiltered, 1, off, 0)},
       {{}, {}, {}, {}, {}}},
  };
  for (const CGroupCase& c : cases) {
    std::vector<std::vector<std::uint32_t>> lines;
    for (const CExplanationGroup& group : GroupExplanations(c.explanations)) {
      lines.push_back(group.lines);
    }
    EXPECT_EQ(lines, c.lines) << c.name;
  }
  // The object of a group is its first line's, and JSON lists every number of the group.
  CReport report;
  report.explanations = cases[0].explanations;
  const Json doc = Write(report, true);
  ASSERT_EQ(doc["explanations"].size(), 2u);
  EXPECT_EQ(doc["explanations"][0]["line"], 3);
  EXPECT_EQ(doc["explanations"][0]["lines"], Json::array({3, 4, 9}));
  EXPECT_EQ(doc["explanations"][0]["rule"], "|r|");
}

}  // namespace
}  // namespace varnic::report
