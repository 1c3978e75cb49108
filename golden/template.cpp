#include "golden/template.h"

#include <functional>
#include <map>
#include <set>
#include <utility>

#include "golden/raw_lines.h"

namespace varnic::golden {
namespace {

bool IsName(std::string_view text) {
  if (text.empty() || (text.front() >= '0' && text.front() <= '9')) return false;
  for (const char c : text) {
    const bool word =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!word) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

using CDeviceValues = std::map<std::pair<std::string_view, std::string_view>, std::string_view>;

// The values a device holds for the settings rules test (`wanted`: keys by section), as views
// into `text`; a repeated header starts its section again and only the first line of a
// repeated key counts, as in the comparison. Only the wanted settings are kept: this runs for
// every device of a fleet, twice when its fix is checked.
CDeviceValues DeviceValues(std::string_view text, const CTemplate::CRuleKeys& wanted) {
  CDeviceValues values;
  std::string_view section;
  const std::set<std::string, std::less<>>* keys = nullptr;
  ForEachRawLine(text, [&](std::string_view line, std::string_view) {
    if (line.starts_with('[')) {
      section = line;
      const auto found = wanted.find(section);
      keys = found == wanted.end() ? nullptr : &found->second;
      std::erase_if(values, [&](const auto& entry) { return entry.first.first == section; });
      return;
    }
    const std::size_t equals = line.find('=');
    if (keys == nullptr || equals == std::string_view::npos) return;
    const std::string_view key = line.substr(0, equals);
    if (keys->contains(key)) values.emplace(std::pair{section, key}, line.substr(equals + 1));
  });
  return values;
}

}  // namespace

bool CTemplate::Parse(std::string path, std::string_view bytes, std::string& error, bool literal) {
  path_ = std::move(path);
  lines_.clear();
  bytes_ = bytes.size();
  usesVariables_ = templated_ = usesMatchers_ = false;
  ruleKeys_.clear();
  std::string section;
  std::size_t number = 0;
  bool ok = true;
  ForEachRawLine(bytes, [&](std::string_view line, std::string_view end) {
    ++number;
    if (!ok) return;
    CLine parsed;
    parsed.number = number;
    parsed.tail = std::string(end);
    const std::size_t equals = line.find('=');
    if (line.starts_with('[')) section = std::string(line);
    parsed.section = section;
    if (literal || line.starts_with('[') || equals == std::string_view::npos ||
        line.find('{', equals) == std::string_view::npos) {
      parsed.head = std::string(line);
      lines_.push_back(std::move(parsed));
      return;
    }
    parsed.head = std::string(line.substr(0, equals + 1));
    std::string_view value = line.substr(equals + 1);
    std::string literal;
    const auto fail = [&](const std::string& why) {
      error = path_ + ":" + std::to_string(number) + ": " + why;
      ok = false;
    };
    while (!value.empty()) {
      if (value.starts_with("\\{{")) {
        literal += "{{";
        value.remove_prefix(3);
        parsed.templated = true;
        continue;
      }
      if (!value.starts_with("{{")) {
        literal += value.front();
        value.remove_prefix(1);
        continue;
      }
      const std::size_t close = value.find("}}");
      if (close == std::string_view::npos) {
        return fail("'{{' is not closed by '}}' (write \\{{ for a literal '{{')");
      }
      if (!literal.empty()) parsed.parts.push_back({std::exchange(literal, {}), false, nullptr});
      const std::string_view expression = Trim(value.substr(2, close - 2));
      parsed.templated = true;
      if (IsName(expression) && expression != "any") {
        parsed.parts.push_back({std::string(expression), true, nullptr});
        usesVariables_ = true;
      } else {
        std::string why;
        auto matcher = CMatcher::Parse(expression, why);
        if (!matcher) return fail(why);
        parsed.parts.push_back(
            {std::string(value.substr(0, close + 2)), false, std::move(matcher)});
        usesMatchers_ = true;
        ruleKeys_[section].emplace(line.substr(0, equals));
      }
      value.remove_prefix(close + 2);
    }
    if (!literal.empty()) parsed.parts.push_back({std::move(literal), false, nullptr});
    for (const CPart& part : parsed.parts) {
      if (part.matcher && parsed.parts.size() != 1) {
        return fail("a matcher stands for the whole value: '" + part.text + "'");
      }
    }
    templated_ = templated_ || parsed.templated;
    lines_.push_back(std::move(parsed));
  });
  return ok;
}

bool CTemplate::Render(const CVariables* variables, const std::string& deviceName,
                       const std::string& inventoryPath, const std::string* deviceText,
                       CRendered& rendered, std::string& error) const {
  rendered = CRendered();
  if (usesVariables_ && variables == nullptr) {
    error = inventoryPath.empty()
                ? "'" + path_ + "' uses variables; give their values with --vars FILE"
                : "device '" + deviceName + "' has no row in '" + inventoryPath + "'";
    return false;
  }
  CDeviceValues device;
  if (usesMatchers_ && deviceText != nullptr) device = DeviceValues(*deviceText, ruleKeys_);
  // Room for the values that replace the braces, so that the rendering is seldom moved.
  rendered.text.reserve(bytes_ + bytes_ / 8);
  for (const CLine& line : lines_) {
    rendered.text += line.head;
    for (const CPart& part : line.parts) {
      if (part.matcher) {
        const std::string key = line.head.substr(0, line.head.size() - 1);
        const auto found = device.find({std::string_view(line.section), std::string_view(key)});
        if (found != device.end() && part.matcher->Holds(found->second)) {
          rendered.text.append(found->second);
        } else {
          rendered.text += part.text;
          rendered.failed.push_back(
              {line.section, key, part.matcher->Rule(), part.matcher->SingleValue(), line.number});
        }
      } else if (part.variable) {
        const auto found = variables->find(part.text);
        if (found == variables->end()) {
          error.assign(path_).append(":").append(std::to_string(line.number));
          error.append(": variable '").append(part.text).append("' has no value for device '");
          error.append(deviceName).append("' in '").append(inventoryPath).append("'");
          return false;
        }
        // A line break in a value would write settings the template never had.
        if (found->second.find_first_of("\r\n") != std::string::npos) {
          error.assign(inventoryPath).append(": variable '").append(part.text);
          error.append("' of device '").append(deviceName).append("' holds a line break");
          return false;
        }
        rendered.text += found->second;
      } else {
        rendered.text += part.text;
      }
    }
    rendered.text += line.tail;
  }
  return true;
}

}  // namespace varnic::golden
