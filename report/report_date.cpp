#include "report/report_date.h"

#include <array>
#include <cstdlib>
#include <ctime>

namespace varnic::cli {

std::string ReportDate() {
  std::time_t now = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) now = std::strtoll(epoch, nullptr, 10);
  std::tm utc{};
#ifdef _WIN32
  ::gmtime_s(&utc, &now);
#else
  ::gmtime_r(&now, &utc);
#endif
  std::array<char, 32> text{};
  std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M UTC", &utc);
  return text.data();
}

}  // namespace varnic::cli
