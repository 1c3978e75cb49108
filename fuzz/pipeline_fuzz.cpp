// Runs the whole comparison over two files and two types cut from one input, and checks what must
// hold for every input: equal lengths, well-formed and paired marks, rows that agree with the
// marks, and no difference when a file is compared with itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "varnic/compare.h"
#include "varnic/marked.h"
#include "varnic/sections.h"

namespace {

using varnic::CComparison;
using varnic::FileSide;
using CLineList = std::vector<std::string>;

// Byte pattern that separates file 1 from file 2 in an input.
constexpr std::string_view kSeparator = "\n%%\n";

[[noreturn]] void Fail(const char* what, std::size_t index) {
  std::fprintf(stderr, "invariant broken: %s at line %zu\n", what, index);
  std::abort();
}

enum class Kind { kEmpty, kHeader, kSame, kDifferent, kOnly, kBad };

Kind KindOf(std::string_view line) {
  if (line.empty()) return Kind::kEmpty;
  if (varnic::FindSection(line)) return Kind::kHeader;
  if (line.starts_with("s_")) return Kind::kSame;
  if (line.starts_with("d_")) return Kind::kDifferent;
  if (line.starts_with("o_")) return Kind::kOnly;
  return Kind::kBad;
}

void CheckPairing(const CLineList& left, const CLineList& right) {
  if (left.size() != right.size()) Fail("result lengths differ", 0);
  for (std::size_t i = 0; i < left.size(); ++i) {
    const Kind l = KindOf(left[i]);
    const Kind r = KindOf(right[i]);
    if (l == Kind::kBad || r == Kind::kBad) Fail("line is no header, mark or blank", i);
    const bool onlyOpposite =
        (l == Kind::kOnly && r == Kind::kEmpty) || (l == Kind::kEmpty && r == Kind::kOnly);
    const bool samePair =
        l == r && (l == Kind::kHeader || l == Kind::kSame || l == Kind::kDifferent);
    if (!onlyOpposite && !samePair) Fail("sides carry different kinds", i);
    if (l == Kind::kHeader && left[i] != right[i]) Fail("headers differ", i);
  }
}

// The rows are the one source of every renderer: their kinds must be what the marks say.
void CheckRowsAgreeWithMarks(const CComparison& comparison, const CLineList& left,
                             const CLineList& right) {
  if (left.size() != comparison.ResultLineCount()) Fail("result line count is off", 0);
  bool differs = false;
  for (const CLineList* lines : {&left, &right}) {
    for (const std::string& line : *lines) {
      const Kind kind = KindOf(line);
      differs = differs || kind == Kind::kDifferent || kind == Kind::kOnly;
    }
  }
  if (differs != comparison.HasDifferences()) Fail("rows and marks disagree on differences", 0);
}

void CheckSelfCompare(std::string_view text, std::int32_t type) {
  const CComparison comparison =
      varnic::Compare({std::string(text), type}, {std::string(text), type});
  const CLineList left = varnic::MarkedLines(comparison, FileSide::kFile1);
  CheckPairing(left, varnic::MarkedLines(comparison, FileSide::kFile2));
  if (comparison.HasDifferences()) Fail("a file differs from itself", 0);
}

// Small types reach every role of reconciliation: equal, 0, 1 and other values.
std::int32_t TypeFrom(unsigned char byte) { return static_cast<std::int32_t>(byte % 4) - 1; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::int32_t type1 = TypeFrom(data[0]);
  const std::int32_t type2 = TypeFrom(data[1]);
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t cut = rest.find(kSeparator);
  const std::string_view text1 = rest.substr(0, cut);
  const std::string_view text2 =
      cut == std::string_view::npos ? std::string_view() : rest.substr(cut + kSeparator.size());

  const CComparison comparison =
      varnic::Compare({std::string(text1), type1}, {std::string(text2), type2});
  const CLineList left = varnic::MarkedLines(comparison, FileSide::kFile1);
  const CLineList right = varnic::MarkedLines(comparison, FileSide::kFile2);
  CheckPairing(left, right);
  CheckRowsAgreeWithMarks(comparison, left, right);

  CheckSelfCompare(text1, type1);
  return 0;
}
