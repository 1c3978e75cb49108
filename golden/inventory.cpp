#include "golden/inventory.h"

#include <cstddef>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace varnic::golden {
namespace {

bool Fail(std::string& error, const std::string& path, std::size_t line, const std::string& why) {
  error = path + ":" + std::to_string(line) + ": " + why;
  return false;
}

// One CSV record starting at `pos`; advances past its line end. Quoted fields may span lines.
bool ReadRecord(std::string_view bytes, std::size_t& pos, std::size_t& line,
                std::vector<std::string>& fields, std::string& why) {
  fields.assign(1, std::string());
  bool quoted = false;
  bool wasQuoted = false;
  while (pos < bytes.size()) {
    const char c = bytes[pos++];
    if (quoted) {
      if (c == '"' && pos < bytes.size() && bytes[pos] == '"') {
        fields.back() += '"';
        ++pos;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        fields.back() += c;
      }
    } else if (c == '"' && fields.back().empty() && !wasQuoted) {
      quoted = wasQuoted = true;
    } else if (c == ',') {
      fields.emplace_back();
      wasQuoted = false;
    } else if (c == '\n') {
      ++line;
      return true;
    } else if (c == '\r' && pos < bytes.size() && bytes[pos] == '\n') {
      continue;
    } else if (wasQuoted) {
      why = "a byte after a closing quote";
      return false;
    } else {
      fields.back() += c;
    }
  }
  if (quoted) {
    why = "a quoted field is not closed";
    return false;
  }
  return true;
}

bool ParseCsv(const std::string& path, std::string_view bytes, CInventory& inventory,
              std::string& error) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);  // spreadsheets write a BOM
  std::size_t pos = 0;
  std::size_t line = 1;
  std::vector<std::string> header;
  std::string why;
  if (!ReadRecord(bytes, pos, line, header, why)) return Fail(error, path, 1, why);
  std::size_t deviceColumn = header.size();
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (header[i] == "device") deviceColumn = i;
  }
  if (deviceColumn == header.size()) {
    return Fail(error, path, 1, "the header row has no 'device' column");
  }
  std::vector<std::string> fields;
  while (pos < bytes.size()) {
    const std::size_t start = line;
    if (!ReadRecord(bytes, pos, line, fields, why)) return Fail(error, path, start, why);
    if (fields.size() == 1 && fields.front().empty()) continue;  // a blank line
    if (fields.size() != header.size()) {
      return Fail(error, path, start,
                  std::to_string(fields.size()) + " fields where the header has " +
                      std::to_string(header.size()));
    }
    const std::string& device = fields[deviceColumn];
    if (device.empty()) return Fail(error, path, start, "the device is empty");
    CVariables variables;
    for (std::size_t i = 0; i < header.size(); ++i) {
      if (i != deviceColumn && !fields[i].empty()) variables[header[i]] = fields[i];
    }
    if (!inventory.devices.emplace(device, std::move(variables)).second) {
      return Fail(error, path, start, "device '" + device + "' is listed twice");
    }
  }
  return true;
}

bool ParseJson(const std::string& path, std::string_view bytes, CInventory& inventory,
               std::string& error) {
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(bytes.begin(), bytes.end());
  } catch (const nlohmann::json::parse_error& e) {
    error = path + ": " + e.what();
    return false;
  }
  // Duplicate keys are folded by the parser; the object form states one row per device.
  for (const auto& [device, row] : document.items()) {
    if (!row.is_object()) {
      error.assign(path)
          .append(": device '")
          .append(device)
          .append("' is not an object of variables");
      return false;
    }
    CVariables variables;
    for (const auto& [name, value] : row.items()) {
      if (value.is_string()) {
        variables[name] = value.get<std::string>();
      } else if (value.is_number() || value.is_boolean()) {
        variables[name] = value.dump();
      } else if (!value.is_null()) {
        error.assign(path).append(": device '").append(device).append("', variable '");
        error.append(name).append("' is neither a string, a number nor a boolean");
        return false;
      }
    }
    inventory.devices.emplace(device, std::move(variables));
  }
  return true;
}

}  // namespace

const CVariables* CInventory::Find(const std::vector<std::string>& names) const {
  for (const std::string& name : names) {
    const auto found = devices.find(name);
    if (found != devices.end()) return &found->second;
  }
  return nullptr;
}

bool ParseInventory(const std::string& path, std::string_view bytes, CInventory& inventory,
                    std::string& error) {
  inventory.path = path;
  inventory.devices.clear();
  const std::size_t first = bytes.find_first_not_of(" \t\r\n");
  if (first != std::string_view::npos && bytes[first] == '{') {
    return ParseJson(path, bytes, inventory, error);
  }
  return ParseCsv(path, bytes, inventory, error);
}

std::vector<std::string> DeviceNames(const std::string& path, const std::string& root) {
  namespace fs = std::filesystem;
  fs::path relative(path);
  if (!root.empty()) {
    const fs::path under = fs::path(path).lexically_relative(root);
    if (!under.empty() && *under.begin() != "..") relative = under;
  }
  std::vector<std::string> names = {relative.generic_string()};
  const std::string withoutExtension = fs::path(relative).replace_extension().generic_string();
  if (withoutExtension != names.front()) names.push_back(withoutExtension);
  const std::string stem = fs::path(path).stem().string();
  if (stem != names.back()) names.push_back(stem);
  return names;
}

}  // namespace varnic::golden
