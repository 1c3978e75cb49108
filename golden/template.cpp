#include "golden/template.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <utility>

#include "golden/raw_lines.h"
#include "model/header_lines.h"

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

// A value of the device for a setting a rule tests: views into its text.
struct CDeviceValue {
  std::string_view section;
  std::string_view key;
  std::string_view value;
  std::size_t header = 0;  // which header line of the file the setting follows
};

bool Before(const CDeviceValue& a, const CDeviceValue& b) {
  return a.section != b.section ? a.section < b.section : a.key < b.key;
}

// The values a device holds for the settings rules test (`wanted`: keys by section), sorted by
// section and key; a repeated header starts its section again and only the first line of a
// repeated key counts, as in the comparison. Only the sections rules test are read line by
// line: this runs for every device of a fleet, twice when its fix is checked.
void DeviceValues(std::string_view text, const CTemplate::CRuleKeys& wanted,
                  std::vector<CDeviceValue>& values) {
  values.clear();
  // The last header line of each section rules test, by its place among the headers.
  std::vector<std::pair<std::string_view, std::size_t>> last;
  std::size_t headers = 0;
  // The section being read: its header, where its lines begin, and the keys rules test in it.
  std::string_view section;
  std::size_t body = 0;
  auto keys = wanted.end();
  const auto read = [&](std::size_t end) {
    if (keys == wanted.end()) return;
    ForEachRawLine(text.substr(body, end - body), [&](std::string_view line, std::string_view) {
      const std::size_t equals = line.find('=');
      if (equals == std::string_view::npos) return;
      const std::string_view key = line.substr(0, equals);
      if (keys->second.contains(key)) {
        values.push_back({section, key, line.substr(equals + 1), headers});
      }
    });
  };
  ForEachHeaderLine(text, [&](std::size_t at, std::string_view header, std::size_t next) {
    read(at);
    ++headers;
    section = header;
    body = next;
    keys = wanted.find(section);
    if (keys == wanted.end()) return;
    const auto seen =
        std::find_if(last.begin(), last.end(), [&](const auto& s) { return s.first == section; });
    if (seen == last.end()) {
      last.emplace_back(section, headers);
    } else {
      seen->second = headers;
    }
  });
  read(text.size());
  // Settings under an earlier header of a section written twice do not count.
  std::erase_if(values, [&last](const CDeviceValue& value) {
    return std::find_if(last.begin(), last.end(), [&value](const auto& s) {
             return s.first == value.section;
           })->second != value.header;
  });
  std::stable_sort(values.begin(), values.end(), Before);
  values.erase(std::unique(values.begin(), values.end(),
                           [](const CDeviceValue& a, const CDeviceValue& b) {
                             return a.section == b.section && a.key == b.key;
                           }),
               values.end());
}

const CDeviceValue* Find(const std::vector<CDeviceValue>& values, std::string_view section,
                         std::string_view key) {
  const CDeviceValue wanted{section, key, {}, 0};
  const auto found = std::lower_bound(values.begin(), values.end(), wanted, Before);
  if (found == values.end() || found->section != section || found->key != key) return nullptr;
  return &*found;
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
        parsed.key = std::string(line.substr(0, equals));
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
  pieces_.clear();
  if (!ok) return false;
  std::string unchanged;  // the bytes since the last line a device fills
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const CLine& line = lines_[i];
    const bool fixed = std::none_of(line.parts.begin(), line.parts.end(), [](const CPart& part) {
      return part.variable || part.matcher != nullptr;
    });
    if (!fixed) {
      pieces_.push_back({std::exchange(unchanged, {}), i});
      continue;
    }
    unchanged += line.head;
    for (const CPart& part : line.parts) unchanged += part.text;
    unchanged += line.tail;
  }
  pieces_.push_back({std::move(unchanged), CPiece::kNone});
  return true;
}

bool CTemplate::Render(const CVariables* variables, const std::string& deviceName,
                       const std::string& inventoryPath, const std::string* deviceText,
                       CRendered& rendered, std::string& error) const {
  const std::string_view device = deviceText != nullptr ? *deviceText : std::string_view();
  return Render(variables, deviceName, inventoryPath, deviceText != nullptr ? &device : nullptr,
                rendered, error);
}

template <typename WritePart>
bool CTemplate::RenderPieces(CRendered& rendered, WritePart write) const {
  for (const CPiece& piece : pieces_) {
    rendered.text += piece.literal;
    if (piece.line == CPiece::kNone) continue;
    const CLine& line = lines_[piece.line];
    const std::size_t start = rendered.text.size();
    rendered.text += line.head;
    for (const CPart& part : line.parts) {
      if (!write(line, part)) return false;
    }
    rendered.text += line.tail;
    rendered.filled.emplace_back(start, rendered.text.size() - start);
  }
  return true;
}

bool CTemplate::Render(const CVariables* variables, const std::string& deviceName,
                       const std::string& inventoryPath, const std::string_view* deviceText,
                       CRendered& rendered, std::string& error) const {
  rendered.Clear();
  if (usesVariables_ && variables == nullptr) {
    error = inventoryPath.empty()
                ? "'" + path_ + "' uses variables; give their values with --vars FILE"
                : "device '" + deviceName + "' has no row in '" + inventoryPath + "'";
    return false;
  }
  // Reused device after device.
  thread_local std::vector<CDeviceValue> device;
  device.clear();
  if (usesMatchers_ && deviceText != nullptr) DeviceValues(*deviceText, ruleKeys_, device);
  // Room for the values that replace the braces, so that the rendering is seldom moved.
  rendered.text.reserve(bytes_ + bytes_ / 8);
  return RenderPieces(rendered, [&](const CLine& line, const CPart& part) {
    if (part.matcher) {
      const CDeviceValue* found = Find(device, line.section, line.key);
      if (found != nullptr && part.matcher->Holds(found->value)) {
        rendered.text.append(found->value);
      } else {
        rendered.text += part.text;
        rendered.failed.push_back({line.section, line.key, part.matcher->Rule(),
                                   part.matcher->SingleValue(), line.number});
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
    return true;
  });
}

void CTemplate::RenderAsWritten(CRendered& rendered) const {
  rendered.Clear();
  RenderPieces(rendered, [&rendered](const CLine& /*line*/, const CPart& part) {
    rendered.text += part.text;
    return true;
  });
}

}  // namespace varnic::golden
