#include "report/unmodelled.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "varnic/compare.h"

namespace varnic::report {
namespace {

// Each unmodelled difference as "reason section key left@line→right@line".
std::vector<std::string> Differences(std::string left, std::string right) {
  const CComparison comparison = Compare({std::move(left), 0}, {std::move(right), 0});
  const CLineNumbers numbers(comparison);
  std::vector<std::string> lines;
  for (const CHiddenDifference& d :
       UnmodelledDifferencesOf(UnmodelledLinesOf(comparison), numbers)) {
    lines.push_back(std::string(HiddenReasonName(d.reason)) + " " + std::string(d.section) + " " +
                    std::string(d.key) + " " + std::string(d.left.value_or("-")) + "@" +
                    std::to_string(d.leftLine) + "→" + std::string(d.right.value_or("-")) + "@" +
                    std::to_string(d.rightLine));
  }
  return lines;
}

const std::string kSystem = "[System]\nUsername=admin\n";

TEST(UnmodelledDifferences, LinesNoRuleModelsAreComparedAsTheyStand) {
  struct {
    const char* name;
    std::string left;
    std::string right;
    std::vector<std::string> expected;
  } const cases[] = {
      {"a section only one file has",
       kSystem,
       kSystem + "[Schedule]\nreboot=03:00\n",
       {"unknown_section [Schedule] reboot -@0→03:00@4"}},
      {"the same unknown section in both",
       kSystem + "[Schedule]\nreboot=03:00\n",
       kSystem + "[Schedule]\nreboot=03:00  \n",
       {}},
      {"another value, its header and blank lines aside",
       kSystem + "[Schedule]\n\nreboot=03:00\n",
       kSystem + "[Schedule]\nreboot=04:00\n",
       {"unknown_section [Schedule] reboot 03:00@5→04:00@4"}},
      {"a key under another unknown header is another line",
       kSystem + "[A]\nx=1\n",
       kSystem + "[B]\nx=1\n",
       {"unknown_section [A] x 1@4→-@0", "unknown_section [B] x -@0→1@4"}},
      {"lines before the first header, a note without '=' its own value",
       kSystem + "[5GHz_WirelessSettings]\nc=1\n",
       "# note\nmodel=X\n" + kSystem + "[5GHz_WirelessSettings]\nc=1\n",
       {"before_first_header  # note -@0→# note@1", "before_first_header  model -@0→X@2"}},
      {"the earlier block of a repeated header",
       kSystem,
       "[System]\nUsername=old\n" + kSystem,
       {"repeated_header [System] Username -@0→old@2"}},
      // Without a later [5GHz_WirelessSettings] header such lines are that section's settings.
      {"lines before the first header that are compared", "c=1\n" + kSystem, "c=2\n" + kSystem, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Differences(c.left, c.right), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace varnic::report
