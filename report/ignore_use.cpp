#include "report/ignore_use.h"

#include "varnic/lines.h"

namespace varnic::report {

CPatternUse::CPatternUse(const CIgnoreList& ignores)
    : ignores_(&ignores), used_(ignores.size()), unused_(ignores.size()) {}

void CPatternUse::See(std::string_view text) {
  if (unused_.load(std::memory_order_relaxed) == 0) return;
  std::string_view header;
  ForEachLine(text, [&](std::string_view line) {
    if (unused_.load(std::memory_order_relaxed) == 0) return;
    if (!line.empty() && line.front() == '[') {
      header = line;
      return;
    }
    if (line.empty()) return;
    const std::string_view key = line.substr(0, line.find('='));
    for (std::size_t i = 0; i < ignores_->size(); ++i) {
      if (used_[i].load(std::memory_order_relaxed) || !ignores_->PatternMatches(i, header, key)) {
        continue;
      }
      // Two threads may both find pattern i: only the one that marks it counts it.
      if (!used_[i].exchange(true, std::memory_order_relaxed)) {
        unused_.fetch_sub(1, std::memory_order_relaxed);
      }
    }
  });
}

std::vector<std::size_t> CPatternUse::Unused() const {
  std::vector<std::size_t> unused;
  for (std::size_t i = 0; i < ignores_->size(); ++i) {
    if (!used_[i].load(std::memory_order_relaxed)) unused.push_back(i);
  }
  return unused;
}

}  // namespace varnic::report
