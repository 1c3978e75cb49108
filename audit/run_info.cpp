#include "audit/run_info.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <sstream>

namespace varnic::audit {

std::int64_t NowSeconds() {
  std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  // Reproducible builds' convention, as the reports' dates follow it.
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (end != nullptr && *end == '\0' && seconds >= 0) now = seconds;
  }
  return now;
}

std::string UtcText(std::int64_t seconds) {
  const auto time = static_cast<std::time_t>(seconds);
  std::tm utc{};
#ifdef _WIN32
  ::gmtime_s(&utc, &time);
#else
  ::gmtime_r(&time, &utc);
#endif
  std::array<char, 32> text{};
  std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text.data();
}

std::string GeneratedAt() { return UtcText(NowSeconds()); }

void WriteRunOptions(const CRunOptions& o, report::CJsonWriter& json) {
  const auto optional = [&json](const char* name, const std::optional<std::string>& value) {
    json.Key(name);
    if (value) {
      json.String(*value);
    } else {
      json.Null();
    }
  };
  const auto list = [&json](const char* name, const std::vector<std::string>& items) {
    json.Key(name);
    json.BeginArray();
    for (const std::string& item : items) json.String(item);
    json.EndArray();
  };
  json.BeginObject();
  json.Member("baseline", o.baseline);
  optional("baseline_map", o.baselineMap);
  json.Key("inventory");
  json.BeginObject();
  list("targets", o.targets);
  json.Member("glob", o.glob);
  json.EndObject();
  list("ignores", o.ignores);
  optional("ignore_file", o.ignoreFile);
  json.Member("strict", o.strict);
  json.Key("types");
  json.BeginObject();
  json.Member("baseline", static_cast<int>(o.baselineType));
  json.Member("target", static_cast<int>(o.targetType));
  json.Member("auto", o.autoTypes);
  json.EndObject();
  json.Member("show_secrets", o.showSecrets);
  json.EndObject();
}

std::string RunOptionsJson(const CRunOptions& options) {
  std::ostringstream text;
  {
    report::CJsonWriter json(text);
    WriteRunOptions(options, json);
  }
  return std::move(text).str();
}

}  // namespace varnic::audit
