#include "varnic/report/input_checks.h"

#include <cstddef>

#include "varnic/changes.h"
#include "varnic/sections.h"

namespace varnic::report {
namespace {

// Stops at the first header, which a backup has near its top.
bool HasKnownHeader(std::string_view text) {
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (FindSection(line)) return true;
    text = lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
  }
  return false;
}

std::string KnownHeaders() {
  std::string list;
  for (const Section section : kEmissionOrder) {
    if (!list.empty()) list += ", ";
    list += SectionHeader(section);
  }
  return list;
}

}  // namespace

std::string InputProblem(const CComparison& comparison, FileSide side) {
  if (comparison.Text(side).empty()) return "is empty; there is nothing to compare";
  if (!HasKnownHeader(comparison.Text(side))) {
    return "has no section header; the known headers are " + KnownHeaders();
  }
  if (comparison.HasNoSettings(side)) {
    // Settings there and all set aside are not "no settings": the reader would look for a
    // missing section.
    std::size_t setAside = 0;
    comparison.Changes().Changes().ForEachOfKind(TakesSettingAway, [&](const CChange& change) {
      if (change.file == side) ++setAside;
    });
    if (setAside == 1) {
      return "has no settings left to compare: its one setting in a known section is set aside "
             "as not relevant; there is nothing to compare";
    }
    if (setAside > 1) {
      return "has no settings left to compare: all " + std::to_string(setAside) +
             " of its settings in known sections are set aside as not relevant; there is "
             "nothing to compare";
    }
    return "has no settings in any known section; there is nothing to compare";
  }
  return {};
}

}  // namespace varnic::report
