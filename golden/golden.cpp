#include "golden/golden.h"

#include <system_error>
#include <utility>

#include "engine/text_file.h"

namespace varnic::golden {

bool CGolden::Load(const std::string& path, std::string_view bytes, const std::string& varsPath,
                   std::string& error, bool literal) {
  written_.reset();
  if (!template_.Parse(path, bytes, error, literal)) return false;
  CRendered written;
  template_.RenderAsWritten(written);
  writtenLines_ = std::move(written.filled);
  written_ = CPreparedFile::Make({std::move(written.text), 0});
  inventory_.reset();
  if (varsPath.empty()) return true;
  std::string vars;
  std::error_code code;
  if (!ReadFileBytes(varsPath, vars, code)) {
    error = "cannot read '" + varsPath + "': " + code.message();
    return false;
  }
  return SetInventory(varsPath, vars, error);
}

bool CGolden::SetInventory(const std::string& path, std::string_view bytes, std::string& error) {
  inventory_.emplace();
  if (ParseInventory(path, bytes, *inventory_, error)) return true;
  inventory_.reset();
  return false;
}

bool CGolden::RenderFor(const std::vector<std::string>& names, const std::string* deviceText,
                        CRendered& rendered, std::string& error) const {
  const std::string_view device = deviceText != nullptr ? *deviceText : std::string_view();
  return RenderFor(names, deviceText != nullptr ? &device : nullptr, rendered, error);
}

bool CGolden::RenderFor(const std::vector<std::string>& names, const std::string_view* deviceText,
                        CRendered& rendered, std::string& error) const {
  const CVariables* variables = inventory_ ? inventory_->Find(names) : nullptr;
  static const CVariables kNone;
  // A template without variables needs no row, whatever the inventory holds.
  if (variables == nullptr && !template_.UsesVariables()) variables = &kNone;
  static const std::string kNoName;
  static const std::string kNoPath;
  const std::string& name = names.empty() ? kNoName : names.back();
  return template_.Render(variables, name, inventory_ ? inventory_->path : kNoPath, deviceText,
                          rendered, error);
}

std::shared_ptr<const CPreparedFile> CGolden::Analyse(CRendered& rendered) const {
  if (!written_ || rendered.filled.size() != writtenLines_.size()) {
    return CPreparedFile::Make({std::move(rendered.text), 0});
  }
  // Reused rendering after rendering.
  thread_local std::vector<CReplacedLine> replaced;
  replaced.clear();
  for (std::size_t i = 0; i < writtenLines_.size(); ++i) {
    replaced.push_back({writtenLines_[i].first, writtenLines_[i].second, rendered.filled[i].first,
                        rendered.filled[i].second});
  }
  return CPreparedFile::Derive(written_, {std::move(rendered.text), 0}, replaced);
}

}  // namespace varnic::golden
