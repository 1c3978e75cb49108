// A pair that tallies as it goes must leave the summary exactly as a pair that keeps every row
// and is tallied and trimmed afterwards: the same rows kept, the same counts, the same fleet view.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "audit/pair.h"
#include "audit/summary.h"
#include "bench/pair_generator.h"
#include "tests/support/temp_dir.h"
#include "varnic/report/ignore.h"

namespace varnic::audit {
namespace {

using Row = std::tuple<std::string, std::string, DriftKind, std::string, std::string, std::string,
                       std::string>;

std::vector<Row> RowsOf(const CDeviceResult& device) {
  std::vector<Row> rows;
  for (const CDrift& d : device.drift) {
    rows.emplace_back(d.section, d.key, d.kind, d.baseline, d.device, d.setAside, d.rule);
  }
  return rows;
}

std::vector<std::string> Counts(const CSettingTally& tally, Tally which) {
  std::vector<std::string> out;
  for (const CSettingCount& c : tally.MostFirst(which)) {
    out.push_back(c.section + c.key + " " + std::to_string(c.devices));
  }
  return out;
}

TEST(AuditPair, TallyingAsItGoesKeepsWhatTallyingAfterwardsKept) {
  const testing::CTempDir dir;
  report::CIgnoreList ignores;
  std::string error;
  ASSERT_TRUE(ignores.Add("[System]Gateway", error)) << error;
  for (const pairgen::Shape shape :
       {pairgen::Shape::kRealistic, pairgen::Shape::kMacList, pairgen::Shape::kNoEquals}) {
    for (const bool strict : {false, true}) {
      for (const bool golden : {false, true}) {
        CSettingTally after;
        CSettingTally asItGoes;
        for (std::uint64_t seed = 1; seed <= 4; ++seed) {
          const std::string label = std::string(pairgen::ShapeName(shape)) + " seed " +
                                    std::to_string(seed) + (strict ? " strict" : "") +
                                    (golden ? " golden" : "");
          const pairgen::GeneratedPair pair = pairgen::GeneratePair(shape, 120, seed);
          CBaseline baseline{dir.Write("golden.cfg", pair.first), pair.first, nullptr, nullptr};
          if (golden) {
            auto loaded = std::make_shared<golden::CGolden>();
            ASSERT_TRUE(loaded->Load(baseline.path, pair.first, "", error, true)) << error;
            baseline.golden = loaded;
          }
          const std::string target = dir.Write("device.cfg", pair.second);
          CPairOptions options;
          options.strict = strict;
          options.ignores = &ignores;
          CDeviceResult whole = AuditPair(baseline, target, options, {});
          after.AddDevice(whole);
          TrimDrift(whole);
          options.tally = &asItGoes;
          const CDeviceResult trimmed = AuditPair(baseline, target, options, {});
          ASSERT_TRUE(whole.error.empty()) << label << ": " << whole.error;
          EXPECT_EQ(RowsOf(trimmed), RowsOf(whole)) << label;
          EXPECT_EQ(trimmed.driftOmitted, whole.driftOmitted) << label;
          EXPECT_EQ(std::tie(trimmed.differences, trimmed.hidden, trimmed.ignored,
                             trimmed.onlyInBaseline, trimmed.onlyInDevice, trimmed.drifted),
                    std::tie(whole.differences, whole.hidden, whole.ignored, whole.onlyInBaseline,
                             whole.onlyInDevice, whole.drifted))
              << label;
          EXPECT_EQ(trimmed.remediation.has_value(), whole.remediation.has_value()) << label;
        }
        EXPECT_EQ(Counts(asItGoes, Tally::kDrifted), Counts(after, Tally::kDrifted));
        EXPECT_EQ(Counts(asItGoes, Tally::kHidden), Counts(after, Tally::kHidden));
      }
    }
  }
}

TEST(AuditSummary, TallyCountsASettingOncePerDeviceAndTakesItBack) {
  CSettingTally tally;
  // A key a device names twice (a row and its later duplicate) counts once for it; equal counts
  // go by section, then key.
  const std::vector<CSettingRef> twice = {{"[System]", "Gateway", Tally::kDrifted},
                                          {"[System]", "Gateway", Tally::kDrifted},
                                          {"[System]", "Gateway", Tally::kHidden},
                                          {"[A]", "z", Tally::kDrifted}};
  tally.AddSettings(twice);
  tally.AddSettings(twice);
  tally.Add(Tally::kDrifted, "[B]", "a", 2);
  EXPECT_EQ(Counts(tally, Tally::kDrifted),
            (std::vector<std::string>{"[A]z 2", "[B]a 2", "[System]Gateway 2"}));
  EXPECT_EQ(Counts(tally, Tally::kHidden), (std::vector<std::string>{"[System]Gateway 2"}));
  CDeviceResult device;
  device.drift.push_back({"[System]", "Gateway", DriftKind::kDifferent, "", ""});
  device.drift.push_back({"[System]", "Gateway", DriftKind::kDifferent, "", ""});
  device.drift.push_back({"[C]", "never", DriftKind::kDifferent, "", ""});
  tally.RemoveDevice(device);
  tally.RemoveDevice(device);
  tally.RemoveDevice(device);  // never below nothing, and a setting at 0 is gone
  EXPECT_EQ(Counts(tally, Tally::kDrifted), (std::vector<std::string>{"[A]z 2", "[B]a 2"}));
}

}  // namespace
}  // namespace varnic::audit
