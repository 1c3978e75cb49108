// varnic-genpair SHAPE LINES OUTDIR [SEED]: writes OUTDIR/SHAPE-LINES-1.cfg and -2.cfg.
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "bench/pair_generator.h"

namespace {

namespace pairgen = varnic::pairgen;

// A plain decimal number, optionally ending in k or M (20k, 1M).
bool ParseCount(std::string_view text, std::uint64_t& value) {
  std::uint64_t scale = 1;
  if (text.ends_with('k')) {
    scale = 1000;
  } else if (text.ends_with('M')) {
    scale = 1000000;
  }
  if (scale != 1) text.remove_suffix(1);
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || text.empty()) return false;
  value *= scale;
  return true;
}

bool WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    std::cerr << "varnic-genpair: cannot write " << path.string() << "\n";
    return false;
  }
  return true;
}

int Usage() {
  std::cerr << "usage: varnic-genpair SHAPE LINES OUTDIR [SEED]\nshapes:";
  for (pairgen::Shape shape : pairgen::AllShapes()) std::cerr << ' ' << pairgen::ShapeName(shape);
  std::cerr << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) return Usage();
  const std::optional<pairgen::Shape> shape = pairgen::ShapeFromName(argv[1]);
  std::uint64_t lines = 0;
  std::uint64_t seed = pairgen::kDefaultSeed;
  if (!shape || !ParseCount(argv[2], lines) || (argc == 5 && !ParseCount(argv[4], seed))) {
    return Usage();
  }
  const std::filesystem::path dir = argv[3];
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) {
    std::cerr << "varnic-genpair: cannot create " << dir.string() << ": " << error.message()
              << "\n";
    return 2;
  }
  const pairgen::GeneratedPair pair = pairgen::GeneratePair(*shape, lines, seed);
  const std::string stem = std::string(argv[1]) + "-" + std::to_string(lines);
  if (!WriteFile(dir / (stem + "-1.cfg"), pair.first) ||
      !WriteFile(dir / (stem + "-2.cfg"), pair.second)) {
    return 2;
  }
  return 0;
}
