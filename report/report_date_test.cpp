#include "varnic/report/report_date.h"

#include <gtest/gtest.h>

namespace varnic::report {
namespace {

// SOURCE_DATE_EPOCH is a whole number of seconds from 1970 that a four-digit year can show;
// anything else is told and the current time is used.
TEST(ReportDateFrom, UsesOnlyAnEpochItCanShow) {
  const std::time_t now = 1796000000;  // 2026-11-30 00:53 UTC
  const std::string nowText = "2026-11-30 00:53 UTC";
  struct {
    const char* epoch;
    std::string date;
    bool warned;
  } const cases[] = {
      {nullptr, nowText, false},
      {"1700000000", "2023-11-14 22:13 UTC", false},
      {"0", "1970-01-01 00:00 UTC", false},
      {"253402300799", "9999-12-31 23:59 UTC", false},
      {"", nowText, true},
      {"abc", nowText, true},
      {"17e8", nowText, true},
      {"-5", nowText, true},
      {" 5", nowText, true},
      {"253402300800", nowText, true},
      {"999999999999999999999", nowText, true},
  };
  for (const auto& c : cases) {
    std::string warning;
    EXPECT_EQ(ReportDateFrom(c.epoch, now, &warning), c.date) << (c.epoch ? c.epoch : "unset");
    EXPECT_EQ(!warning.empty(), c.warned) << (c.epoch ? c.epoch : "unset");
  }
}

}  // namespace
}  // namespace varnic::report
