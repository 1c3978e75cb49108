#include "audit/progress.h"

#include <cmath>

namespace varnic::audit {
namespace {

constexpr std::size_t kBarWidth = 24;

std::string Clock(double seconds) {
  const auto whole = static_cast<long long>(std::llround(seconds));
  const long long minutes = whole / 60;
  const long long rest = whole % 60;
  return std::to_string(minutes) + (rest < 10 ? ":0" : ":") + std::to_string(rest);
}

}  // namespace

std::string ProgressLine(std::size_t done, std::size_t total, double seconds) {
  const std::size_t filled = total == 0 ? kBarWidth : done * kBarWidth / total;
  std::string line = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " +
                     std::to_string(done) + "/" + std::to_string(total);
  if (done > 0 && seconds > 0) {
    const double rate = static_cast<double>(done) / seconds;
    line += "  " + std::to_string(static_cast<long long>(std::llround(rate))) + "/s";
    line += "  " + Clock(static_cast<double>(total - done) / rate) + " left";
  }
  return line;
}

}  // namespace varnic::audit
