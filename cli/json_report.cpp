#include "cli/json_report.h"

#include <nlohmann/json.hpp>

#include "cli/secrets.h"
#include "cli/version.h"

namespace varnic::cli {
namespace {

using Json = nlohmann::ordered_json;

Json Value(const std::optional<std::string_view>& value, bool secret, CSecretMasker& masker,
           bool showSecrets) {
  if (!value) return nullptr;
  return secret && !showSecrets ? masker.LabelFor(*value) : std::string(*value);
}

}  // namespace

std::string RenderJson(const CReport& report, bool showSecrets) {
  CSecretMasker masker;
  Json doc;
  doc["schema_version"] = 1;
  doc["tool"] = {{"name", "varnic"}, {"version", kVersion}};
  doc["inputs"] = Json::array();
  for (const CInput* input : {&report.left, &report.right}) {
    doc["inputs"].push_back(
        {{"path", input->path}, {"type", input->type}, {"lines", input->lines}});
  }
  Json entries = Json::array();
  for (const CEntry& e : report.entries) {
    const bool secret = IsSecretKey(e.key);
    entries.push_back({{"section", std::string(e.section)},
                       {"key", std::string(e.key)},
                       {"left", Value(e.left, secret, masker, showSecrets)},
                       {"right", Value(e.right, secret, masker, showSecrets)},
                       {"status", StatusName(e.status)}});
  }
  doc["entries"] = std::move(entries);
  Json summary = Json::array();
  for (const CSectionStats& s : report.stats) {
    summary.push_back({{"section", s.section},
                       {"same", s.same},
                       {"different", s.different},
                       {"only_left", s.onlyLeft},
                       {"only_right", s.onlyRight},
                       {"dropped", s.dropped}});
  }
  doc["summary"] = std::move(summary);
  Json explanations = Json::array();
  for (const CExplanation& e : report.explanations) {
    const auto shown = [&](const std::string& line) {
      return showSecrets ? line : masker.MaskLine(line);
    };
    explanations.push_back({{"kind", KindName(e.kind)},
                            {"file", e.file},
                            {"section", e.section},
                            {"line", shown(e.line)},
                            {"detail", shown(e.detail)}});
  }
  doc["explanations"] = std::move(explanations);
  return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace varnic::cli
