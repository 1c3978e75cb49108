#include "varnic/report/ignore.h"

namespace varnic::report {

bool GlobMatches(std::string_view pattern, std::string_view text) {
  // Greedy matching with one point to come back to: linear in practice, never exponential.
  std::size_t p = 0;
  std::size_t t = 0;
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && (pattern[p] == text[t] || pattern[p] == '?')) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool CIgnoreList::Add(std::string_view pattern, std::string& error, std::size_t line) {
  if (pattern.empty()) {
    error = "an ignore pattern is empty";
    return false;
  }
  CPattern compiled;
  compiled.origin = {std::string(pattern), line};
  if (pattern.front() == '[') {
    const std::size_t close = pattern.find(']');
    if (close == std::string_view::npos) {
      error = "the section of '" + std::string(pattern) + "' has no closing ']'";
      return false;
    }
    compiled.section = std::string(pattern.substr(0, close + 1));
    pattern.remove_prefix(close + 1);
  }
  compiled.key = pattern.empty() ? "*" : std::string(pattern);
  texts_.emplace_back(compiled.section.value_or("") + compiled.key);
  patterns_.push_back(std::move(compiled));
  return true;
}

bool CIgnoreList::AddLines(std::string_view text, std::string& error) {
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    if (!Add(line, error, number)) {
      error = std::string("line ").append(std::to_string(number)).append(": ").append(error);
      return false;
    }
  }
  return true;
}

bool CIgnoreList::Matches(std::string_view sectionHeader, std::string_view key) const {
  for (std::size_t i = 0; i < patterns_.size(); ++i) {
    if (PatternMatches(i, sectionHeader, key)) return true;
  }
  return false;
}

bool CIgnoreList::PatternMatches(std::size_t i, std::string_view sectionHeader,
                                 std::string_view key) const {
  const CPattern& pattern = patterns_[i];
  if (pattern.section && !GlobMatches(*pattern.section, sectionHeader)) return false;
  return GlobMatches(pattern.key, key);
}

}  // namespace varnic::report
