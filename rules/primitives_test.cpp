#include "rules/primitives.h"

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

namespace varnic {
namespace {

using Condition = std::pair<std::string, std::string>;

struct Walk {
  std::vector<Condition> conditions;
  std::vector<int> conditionCursors;
  std::vector<std::string> keys;
  std::vector<int> keyCursors;
};

Walk WalkRule(std::string_view rule) {
  Walk walk;
  int cursor = 0;
  std::string_view key;
  std::string_view value;
  while (GetNextCondition(rule, cursor, key, value)) {
    walk.conditions.emplace_back(key, value);
    walk.conditionCursors.push_back(cursor);
  }
  cursor = 0;
  for (std::string_view k = GetNextRuleKey(rule, cursor); !k.empty();
       k = GetNextRuleKey(rule, cursor)) {
    walk.keys.emplace_back(k);
    walk.keyCursors.push_back(cursor);
  }
  return walk;
}

TEST(RuleWalk, LongWepRuleYieldsFieldsAndCursors) {
  const std::string rule =
      "|auth_type=Open System|wep_status=Enable|:|auth_type|wep_status|keysize|keytype|"
      "active_key_index|key1|key2|key3|key4|";
  ASSERT_EQ(rule.size(), 117u);
  const Walk walk = WalkRule(rule);
  EXPECT_EQ(walk.conditions,
            (std::vector<Condition>{{"auth_type", "Open System"}, {"wep_status", "Enable"}}));
  EXPECT_EQ(walk.conditionCursors, (std::vector<int>{22, 40}));
  EXPECT_EQ(walk.keys,
            (std::vector<std::string>{"auth_type", "wep_status", "keysize", "keytype",
                                      "active_key_index", "key1", "key2", "key3", "key4"}));
  EXPECT_EQ(walk.keyCursors, (std::vector<int>{52, 63, 71, 79, 96, 101, 106, 111, 116}));
}

struct RuleCase {
  const char* rule;
  std::vector<Condition> conditions;
  std::vector<std::string> keys;
  friend void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.rule; }
};

class SmallRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(SmallRuleTest, Walks) {
  const Walk walk = WalkRule(GetParam().rule);
  EXPECT_EQ(walk.conditions, GetParam().conditions);
  EXPECT_EQ(walk.keys, GetParam().keys);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SmallRuleTest,
    ::testing::Values(RuleCase{"|a=1|b=2|:|k1|k2|", {{"a", "1"}, {"b", "2"}}, {"k1", "k2"}},
                      RuleCase{"|:|k|", {}, {"k"}}, RuleCase{"|s=v|:|k1|k2", {{"s", "v"}}, {"k1"}},
                      RuleCase{"|s=v||t=w|:|k|", {{"s", "v"}}, {"k"}},
                      RuleCase{"|s|:|k|", {{"", ""}}, {"k"}},
                      RuleCase{"|Multi_Status|SSID1_Status|", {}, {"Multi_Status", "SSID1_Status"}},
                      RuleCase{"no bars at all", {}, {}},
                      RuleCase{"|a=1|:|k1||k2|", {{"a", "1"}}, {"k1"}}));

TEST(RuleWalk, FailureLeavesCursorAndOutArgumentsAlone) {
  const std::string rule = "|a=1|:|k|";
  int cursor = 0;
  std::string_view key;
  std::string_view value;
  ASSERT_TRUE(GetNextCondition(rule, cursor, key, value));
  EXPECT_FALSE(GetNextCondition(rule, cursor, key, value));
  EXPECT_EQ(cursor, 4);
  EXPECT_EQ(key, "a");
  EXPECT_EQ(value, "1");

  cursor = 0;
  ASSERT_EQ(GetNextRuleKey(rule, cursor), "k");
  EXPECT_EQ(GetNextRuleKey(rule, cursor), "");
  EXPECT_EQ(cursor, 8);
}

struct ItemCase {
  const char* item;
  const char* key;
  const char* value;
  friend void PrintTo(const ItemCase& c, std::ostream* os) { *os << '"' << c.item << '"'; }
};

class ItemSplitTest : public ::testing::TestWithParam<ItemCase> {};

TEST_P(ItemSplitTest, SplitsAtFirstEqualsWithoutTrimming) {
  EXPECT_EQ(GetItemKey(GetParam().item), GetParam().key);
  EXPECT_EQ(GetItemValue(GetParam().item), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ItemSplitTest,
    ::testing::Values(ItemCase{"auth_type=WPA2-Personal", "auth_type", "WPA2-Personal"},
                      ItemCase{"p=q=r", "p", "q=r"}, ItemCase{"key=", "key", ""},
                      ItemCase{"=x", "", "x"}, ItemCase{"abc", "", ""}, ItemCase{"", "", ""},
                      ItemCase{"key =v", "key ", "v"}));

TEST(FindItem, ExactFirstMatch) {
  const CLines list = {"mask=0", "Mask=1", "", "Mask=2", "=x"};
  EXPECT_EQ(FindItem(list, "Mask"), "Mask=1");
  EXPECT_EQ(FindItemPosition(list, "Mask"), 1u);
  EXPECT_EQ(FindItem(list, "MASK"), "");
  EXPECT_EQ(FindItemPosition(list, "Mas"), std::nullopt);
  // The empty key finds the first line without a key: here the blank line.
  EXPECT_EQ(FindItemPosition(list, ""), 2u);
  EXPECT_EQ(FindItem(CLines{"=x", ""}, ""), "=x");
}

}  // namespace
}  // namespace varnic
