#include "model/split_sections.h"

#include <array>

#include "model/large_pages.h"

namespace varnic {
namespace {

constexpr std::size_t kUnknown = kSectionCount;  // the current section is not a known one

std::size_t Index(Section section) { return static_cast<std::size_t>(section); }

}  // namespace

CSplitFile SplitIntoSections(std::string_view text, FileSide side, CChangeLog& log) {
  // A first pass counts how often each header occurs and how long each bucket's last run is, so
  // that the second files every line once into a bucket of exactly the right size.
  std::array<std::size_t, kSectionCount> occurrences{};
  std::array<std::size_t, kSectionCount> lastRun{};
  std::size_t current = Index(Section::k5GHzWireless);
  CSplitFile split;
  ForEachLine(text, [&](std::string_view line) {
    ++split.lines;
    if (!line.empty() && line.front() == '[') {
      const auto section = FindSection(line);
      current = section ? Index(*section) : kUnknown;
      if (section) {
        ++occurrences[current];
        lastRun[current] = 0;
      }
    } else if (current != kUnknown) {
      ++lastRun[current];
    }
  });
  for (std::size_t s = 0; s < kSectionCount; ++s) {
    CLines& bucket = split.buckets[static_cast<Section>(s)];
    bucket.reserve(lastRun[s]);
    AdviseLargePages(bucket.data(), lastRun[s] * sizeof(std::string_view));
  }

  std::array<std::size_t, kSectionCount> seen{};
  current = Index(Section::k5GHzWireless);
  ForEachLine(text, [&](std::string_view line) {
    if (!line.empty() && line.front() == '[') {
      const auto section = FindSection(line);
      current = section ? Index(*section) : kUnknown;
      if (section) {
        ++seen[current];
      } else {
        log.Add(MakeChange(ChangeKind::kUnknownSection, side, std::nullopt, line));
      }
      return;
    }
    if (current == kUnknown) {
      log.Add(MakeChange(ChangeKind::kUnknownSection, side, std::nullopt, line));
      return;
    }
    const auto section = static_cast<Section>(current);
    if (seen[current] == occurrences[current]) {
      split.buckets[section].push_back(line);
    } else {
      log.Add(MakeChange(ChangeKind::kSuperseded, side, section, line));
    }
  });
  return split;
}

}  // namespace varnic
