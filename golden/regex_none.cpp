#include <utility>

#include "golden/regex.h"

// The build found no RE2 (a cross build, say): patterns are refused, never matched by an engine
// that may take exponential time.
namespace varnic::golden {

struct CRegex::CCompiled {};

CRegex::CRegex(std::unique_ptr<CCompiled> compiled) : compiled_(std::move(compiled)) {}
CRegex::~CRegex() = default;

bool CRegex::Available() { return false; }

std::unique_ptr<const CRegex> CRegex::Compile(std::string_view /*pattern*/, std::string& error) {
  error = "this build of varnic has no RE2, so 'regex' rules are not available";
  return nullptr;
}

bool CRegex::FullMatch(std::string_view /*value*/) const { return false; }

}  // namespace varnic::golden
