#include "audit/device_rows.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "audit/render.h"
#include "audit/row_codec.h"
#include "audit/summary.h"

namespace varnic::audit {
namespace {

// A fleet with every field of a row in use, ties in weight broken by path, and bytes no text
// format would survive (NUL, newline, 0xFF).
std::vector<CDeviceResult> Fleet(std::size_t devices) {
  std::vector<CDeviceResult> fleet;
  for (std::size_t i = 0; i < devices; ++i) {
    CDeviceResult& d = fleet.emplace_back();
    d.path = "site-" + std::to_string(i % 7) + "/ap-" + std::to_string((i * 37) % 1000) + ".cfg";
    d.baseline = i % 2 == 0 ? "golden.cfg" : "other.cfg";
    if (i % 11 == 0) d.error = "cannot read: no such file";
    d.baselineType = static_cast<std::int32_t>(i % 3);
    d.deviceType = -1;
    d.differences = i % 5;
    d.hidden = i % 3;
    d.onlyInBaseline = i % 2;
    d.ignored = i % 4;
    d.drifted = d.differences > 0;
    d.seconds = 0.001 * static_cast<double>(i) + 1e-9;
    for (std::size_t k = 0; k < d.differences; ++k) {
      CDrift& r = d.drift.emplace_back();
      r.section = "[Wireless]";
      r.key = "key" + std::to_string(k);
      r.kind = static_cast<DriftKind>(k % 4);
      r.baseline = std::string("a\0b", 3);
      r.device = "x\ny\xff";
      r.setAside = k == 1 ? "a later duplicate" : "";
      r.rule = k == 2 ? "one_of 1 6 11" : "";
      r.secret = k == 3;
    }
    d.driftOmitted = i % 9;
    if (i % 3 == 0) {
      d.remediation.emplace();
      if (d.drifted) d.remediation->push_back({"set", "[Wireless]", "key0", "v", ""});
      d.remediationOmitted = i % 4;
    }
  }
  return fleet;
}

std::string Rendered(const CAuditSummary& summary) {
  std::ostringstream out;
  WriteAuditJson(summary, out);
  WriteJunit(summary, out);
  WriteTable(summary, out);
  WriteCsv(summary, out);
  WriteGithub(summary, out);
  WriteAuditHtml(summary, "2026-12-09", out);
  return out.str();
}

std::vector<std::string> Encoded(const CDeviceRows& rows) {
  std::vector<std::string> out;
  for (const CDeviceResult& d : rows) EncodeRow(d, out.emplace_back());
  return out;
}

TEST(AuditDeviceRows, SpilledRowsReadBackInTheSameOrderAndBytes) {
  const std::vector<CDeviceResult> fleet = Fleet(300);
  const CAuditSummary held = Summarize(fleet, 310, 2, false, false);
  const std::vector<std::string> expected = Encoded(held.devices);
  ASSERT_EQ(expected.size(), fleet.size());
  // Every row its own batch, a few batches, one batch; in reverse so that batches overlap.
  for (const std::size_t bound : {std::size_t{1}, std::size_t{20000}, std::size_t{1} << 30}) {
    CDeviceRows rows(bound);
    for (auto it = fleet.rbegin(); it != fleet.rend(); ++it) rows.Add(*it);
    CSettingTally tally;
    for (const CDeviceResult& d : fleet) tally.AddDevice(d);
    const CAuditSummary spilled = Summarize(std::move(rows), 310, 2, false, false, tally);
    EXPECT_EQ(spilled.devices.Spilled(), bound < (std::size_t{1} << 30)) << bound;
    EXPECT_EQ(Encoded(spilled.devices), expected) << bound;
    // Each output walks the rows again.
    EXPECT_EQ(Rendered(spilled), Rendered(held)) << bound;
    EXPECT_EQ(spilled.devices.Error(), "");
  }
}

TEST(AuditDeviceRows, CountsWhatWasAddedAndDropsRowsAfterClose) {
  CDeviceRows gathered(1);
  for (CDeviceResult& d : Fleet(12)) gathered.Add(std::move(d));
  CDeviceRows rows(std::move(gathered));
  // Pairs left running after an interruption may still add, to either: nothing is taken.
  gathered.Add(Fleet(1).front());  // NOLINT(bugprone-use-after-move): on purpose
  rows.Close();
  rows.Add(Fleet(1).front());
  EXPECT_EQ(gathered.size(), 0U);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(rows.size(), 12U);
  EXPECT_EQ(rows.errors(), 2U);   // devices 0 and 11
  EXPECT_EQ(rows.drifted(), 8U);  // differences > 0, less the failed device 11
  EXPECT_EQ(rows.differences(), 21U);
  std::size_t read = 0;
  for (auto it = rows.begin(); it != rows.end(); ++it) ++read;
  EXPECT_EQ(read, 12U);
}

TEST(AuditDeviceRows, TruncatedRowsAreRefused) {
  std::string bytes;
  EncodeRow(Fleet(4)[3], bytes);
  CDeviceResult row;
  ASSERT_TRUE(DecodeRow(bytes, row));
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_FALSE(DecodeRow(std::string_view(bytes).substr(0, size), row)) << size;
  }
  EXPECT_FALSE(DecodeRow(bytes + "x", row));
}

}  // namespace
}  // namespace varnic::audit
