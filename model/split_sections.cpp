#include "model/split_sections.h"

#include <array>

#include "model/byte_search.h"
#include "model/header_lines.h"
#include "model/large_pages.h"

namespace varnic {
namespace {

constexpr std::size_t kUnknown = kSectionCount;  // the current section is not a known one

std::size_t Index(Section section) { return static_cast<std::size_t>(section); }

}  // namespace

CSplitFile SplitIntoSections(std::string_view text, FileSide side, CChangeLog& log) {
  // A first pass counts how often each header occurs and how long each bucket's last run is, so
  // that the second files every line once into a bucket of exactly the right size. It visits only
  // the header lines, found by their "[", and counts the lines between them by their breaks: far
  // cheaper than splitting every line twice.
  std::array<std::size_t, kSectionCount> occurrences{};
  std::array<std::size_t, kSectionCount> lastRun{};
  std::size_t current = Index(Section::k5GHzWireless);
  CSplitFile split;
  std::size_t runStart = 0;  // where the lines after the last header begin
  const auto countRun = [&](std::size_t end) {
    std::size_t lines = CountByte(text.substr(runStart, end - runStart), '\n');
    // Only the run at the end of the text can hold a last line without a break.
    if (end == text.size() && end > runStart && text.back() != '\n') ++lines;
    split.lines += lines;
    if (current != kUnknown) lastRun[current] += lines;
  };
  ForEachHeaderLine(text, [&](std::size_t at, std::string_view line, std::size_t next) {
    countRun(at);
    ++split.lines;
    const auto section = FindSection(line);
    current = section ? Index(*section) : kUnknown;
    if (section) {
      ++occurrences[current];
      lastRun[current] = 0;
    }
    runStart = next;
  });
  countRun(text.size());
  for (std::size_t s = 0; s < kSectionCount; ++s) {
    CLines& bucket = split.buckets[static_cast<Section>(s)];
    bucket.reserve(lastRun[s]);
    AdviseLargePages(bucket.data(), lastRun[s] * sizeof(std::string_view));
  }

  std::array<std::size_t, kSectionCount> seen{};
  current = Index(Section::k5GHzWireless);
  // The lines as ForEachLine splits them, their breaks found by ForEachByte: a search from each
  // line's start cost more than filing the line.
  const auto file = [&](std::string_view line) {
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
  };
  std::size_t start = 0;
  ForEachByte(text, '\n', [&](std::size_t lf) {
    const std::size_t end = lf > start && text[lf - 1] == '\r' ? lf - 1 : lf;
    file(text.substr(start, end - start));
    start = lf + 1;
  });
  // A last line without a break keeps a "\r" it ends in.
  if (start < text.size()) file(text.substr(start));
  return split;
}

}  // namespace varnic
