#include "cli/suggest.h"

#include <algorithm>
#include <vector>

namespace varnic::cli {

std::size_t EditDistance(std::string_view a, std::string_view b) {
  // Three rows of the table suffice: a swap looks two rows back.
  const std::size_t width = b.size() + 1;
  std::vector<std::size_t> twoBack(width);
  std::vector<std::size_t> previous(width);
  std::vector<std::size_t> current(width);
  for (std::size_t j = 0; j < width; ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j < width; ++j) {
      const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        current[j] = std::min(current[j], twoBack[j - 2] + 1);
      }
    }
    std::swap(twoBack, previous);
    std::swap(previous, current);
  }
  return previous[b.size()];
}

std::optional<std::string> NearestWord(std::string_view typed,
                                       std::span<const std::string_view> candidates) {
  const std::size_t limit = std::max<std::size_t>(1, typed.size() / 3);
  std::optional<std::string_view> best;
  std::size_t bestDistance = limit + 1;
  for (const std::string_view candidate : candidates) {
    const std::size_t distance = EditDistance(typed, candidate);
    if (distance < bestDistance) {  // strictly nearer: ties keep the first
      best = candidate;
      bestDistance = distance;
    }
  }
  if (!best) return std::nullopt;
  return std::string(*best);
}

}  // namespace varnic::cli
