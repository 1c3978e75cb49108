// Runs the whole comparison over two files and two types cut from one input, and checks what must
// hold for every input: equal lengths, well-formed and paired marks, and no difference when a
// file is compared with itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/config_compare.h"
#include "model/sections.h"

namespace {

using varnic::CConfigCompare;
using varnic::CLineList;

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

void CheckSelfCompare(std::string_view text, std::int32_t type) {
  CConfigCompare engine;
  engine.LoadTexts(text, type, text, type);
  engine.CompareFiles();
  CheckPairing(engine.Result1(), engine.Result2());
  for (std::size_t i = 0; i < engine.Result1().size(); ++i) {
    const Kind kind = KindOf(engine.Result1()[i]);
    if (kind == Kind::kDifferent || kind == Kind::kOnly) Fail("a file differs from itself", i);
  }
}

// The aligned lists are built from an index of each section; they must equal what looking up
// every key with FindKeyValue gives.
void CheckAlignedIndex(const CConfigCompare& engine) {
  for (const CLineList* normalized : {&engine.RawLines1(), &engine.RawLines2()}) {
    CLineList indexed;
    engine.BuildAlignedList(*normalized, indexed);
    CLineList scanned;
    std::string value;
    for (const CLineList& group : engine.KeyGroups()) {
      const std::string header = "[" + group.front() + "]";
      scanned.push_back(header);
      for (std::size_t k = 1; k < group.size(); ++k) {
        scanned.push_back(CConfigCompare::FindKeyValue(*normalized, group[k], header, value)
                              ? group[k] + "=" + value
                              : std::string());
      }
    }
    if (indexed != scanned) Fail("indexed alignment differs from key lookups", 0);
  }
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

  CConfigCompare engine;
  engine.LoadTexts(text1, type1, text2, type2);
  engine.CompareFiles();
  CheckPairing(engine.Result1(), engine.Result2());
  CheckAlignedIndex(engine);

  CheckSelfCompare(text1, type1);
  return 0;
}
