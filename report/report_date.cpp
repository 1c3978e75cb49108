#include "varnic/report/report_date.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "report/terminal_text.h"

namespace varnic::report {
namespace {

// 9999-12-31 23:59:59 UTC: the last second a four-digit year can show.
constexpr std::int64_t kLastSecond = 253402300799;

// Digits only, as the convention has it: no sign, no spaces, no fraction.
bool ParseEpoch(std::string_view text, std::int64_t& seconds) {
  if (text.empty() || text.size() > 12) return false;
  seconds = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    seconds = seconds * 10 + (c - '0');
  }
  return seconds <= kLastSecond;
}

}  // namespace

std::string ReportDateFrom(const char* epoch, std::time_t now, std::string* warning) {
  std::time_t when = now;
  if (epoch != nullptr) {
    std::int64_t seconds = 0;
    if (ParseEpoch(epoch, seconds) &&
        seconds <= std::int64_t{std::numeric_limits<std::time_t>::max()}) {
      when = static_cast<std::time_t>(seconds);
    } else if (warning != nullptr) {
      *warning = "SOURCE_DATE_EPOCH='" + SafeText(epoch) +
                 "' is not a number of seconds from 1970 to 9999; the current time is used";
    }
  }
  std::tm utc{};
#ifdef _WIN32
  ::gmtime_s(&utc, &when);
#else
  ::gmtime_r(&when, &utc);
#endif
  std::array<char, 32> text{};
  std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M UTC", &utc);
  return text.data();
}

std::string ReportDate(std::string* warning) {
  return ReportDateFrom(std::getenv("SOURCE_DATE_EPOCH"), std::time(nullptr), warning);
}

}  // namespace varnic::report
