#include "report/json_report.h"

#include "report/json_writer.h"
#include "report/secrets.h"
#include "report/version.h"

namespace varnic::cli {

void WriteJson(const CReport& report, bool showSecrets, std::ostream& out,
               CSecretMasker* runMasker) {
  CSecretMasker ownMasker;
  CSecretMasker& masker = runMasker != nullptr ? *runMasker : ownMasker;
  CJsonWriter json(out);
  // Labels are given in the order values are written: left before right, entries first.
  const auto value = [&](const std::optional<std::string_view>& text, bool secret) {
    if (!text) {
      json.Null();
    } else if (secret && !showSecrets) {
      json.String(masker.LabelFor(*text));
    } else {
      json.String(*text);
    }
  };
  std::string masked;
  const auto line = [&](std::string_view text) {
    json.String(showSecrets ? text : masker.MaskLine(text, masked));
  };

  json.BeginObject();
  json.Member("schema_version", 1);
  json.Key("tool");
  json.BeginObject();
  json.Member("name", "varnic");
  json.Member("version", kVersion);
  json.EndObject();
  json.Key("inputs");
  json.BeginArray();
  for (const CInput* input : {&report.left, &report.right}) {
    json.BeginObject();
    json.Member("path", input->path);
    json.Member("type", input->type);
    json.Member("lines", input->lines);
    json.EndObject();
  }
  json.EndArray();

  json.Key("entries");
  json.BeginArray();
  for (const CEntry& e : report.entries) {
    const bool secret = IsSecretKey(e.key);
    json.BeginObject();
    json.Member("section", e.section);
    json.Member("key", e.key);
    json.Key("left");
    value(e.left, secret);
    json.Key("right");
    value(e.right, secret);
    json.Member("status", StatusName(e.status));
    json.EndObject();
  }
  json.EndArray();

  json.Key("summary");
  json.BeginArray();
  for (const CSectionStats& s : report.stats) {
    json.BeginObject();
    json.Member("section", s.section);
    json.Member("same", s.same);
    json.Member("different", s.different);
    json.Member("only_left", s.onlyLeft);
    json.Member("only_right", s.onlyRight);
    json.Member("dropped", s.dropped);
    json.EndObject();
  }
  json.EndArray();

  json.Key("explanations");
  json.BeginArray();
  for (const CExplanation& e : report.explanations) {
    json.BeginObject();
    json.Member("kind", KindName(e.kind));
    json.Member("file", e.file);
    json.Member("section", e.section);
    json.Key("line");
    line(e.line);
    json.Key("detail");
    line(e.detail);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  json.Flush();
  out << '\n';
}

}  // namespace varnic::cli
