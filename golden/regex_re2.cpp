#include <re2/re2.h>

#include <utility>

#include "golden/regex.h"

namespace varnic::golden {

struct CRegex::CCompiled {
  explicit CCompiled(std::string_view pattern, const RE2::Options& options)
      : re(re2::StringPiece(pattern.data(), pattern.size()), options) {}
  RE2 re;
};

CRegex::CRegex(std::unique_ptr<CCompiled> compiled) : compiled_(std::move(compiled)) {}
CRegex::~CRegex() = default;

bool CRegex::Available() { return true; }

std::unique_ptr<const CRegex> CRegex::Compile(std::string_view pattern, std::string& error) {
  RE2::Options options;
  options.set_log_errors(false);
  auto compiled = std::make_unique<CCompiled>(pattern, options);
  if (!compiled->re.ok()) {
    error = "bad pattern '" + std::string(pattern) + "': " + compiled->re.error();
    return nullptr;
  }
  return std::unique_ptr<const CRegex>(new CRegex(std::move(compiled)));
}

bool CRegex::FullMatch(std::string_view value) const {
  return RE2::FullMatch(re2::StringPiece(value.data(), value.size()), compiled_->re);
}

}  // namespace varnic::golden
