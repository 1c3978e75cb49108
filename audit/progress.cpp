#include "audit/progress.h"

#include <cmath>

namespace varnic::audit {
namespace {

constexpr std::size_t kBarWidth = 24;

std::string Clock(double seconds) {
  const auto whole = static_cast<long long>(std::llround(seconds));
  const long long minutes = whole / 60;
  const long long rest = whole % 60;
  // Appended, not `+`: GCC 12 misreports the concatenation at -O3 (-Wrestrict).
  std::string text = std::to_string(minutes);
  text.append(rest < 10 ? ":0" : ":").append(std::to_string(rest));
  return text;
}

}  // namespace

std::string ProgressLine(std::size_t done, std::size_t total, double seconds) {
  const std::size_t filled = total == 0 ? kBarWidth : done * kBarWidth / total;
  std::string line = "[";
  line.append(filled, '#').append(kBarWidth - filled, '.').append("] ");
  line.append(std::to_string(done)).append("/").append(std::to_string(total));
  if (done > 0 && seconds > 0) {
    const double rate = static_cast<double>(done) / seconds;
    line.append("  ").append(std::to_string(static_cast<long long>(std::llround(rate))));
    line.append("/s  ").append(Clock(static_cast<double>(total - done) / rate)).append(" left");
  }
  return line;
}

}  // namespace varnic::audit
