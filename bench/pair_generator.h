#ifndef VARNIC_BENCH_PAIR_GENERATOR_H_
#define VARNIC_BENCH_PAIR_GENERATOR_H_

// Synthetic pairs of backups for timing the comparison against plain line diff. Everything is
// drawn from one small explicit generator seeded by the caller, so a shape, size and seed give the
// same bytes on every machine, compiler and standard library.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace varnic::pairgen {

enum class Shape {
  kRealistic,        // all nine sections, a later backup with a few percent changed
  kUniqueKeys,       // one wireless section of unique keys; the other file shuffled
  kOneKey,           // one key repeated on every line
  kMacList,          // a MAC list without filter_mac_acl; the other file permuted, renumbered
  kLongLine,         // one huge line; the size sets its length
  kUnknownSections,  // many sections whose names no rule knows
  kNoEquals,         // lines without '=' spread over the nine sections
  kManySsids,        // multi-SSID sections full of SSIDn keys that no rule keeps
};

struct GeneratedPair {
  std::string first;
  std::string second;
};

inline constexpr std::uint64_t kDefaultSeed = 20240611;

// Bytes per requested line in the long-line shape: 200k lines give the 50 MB line.
inline constexpr std::size_t kLongLineBytesPerLine = 250;

std::span<const Shape> AllShapes();
std::string_view ShapeName(Shape shape);
std::optional<Shape> ShapeFromName(std::string_view name);

// Two file texts with LF line ends and about `linesPerFile` lines each (long-line excepted).
GeneratedPair GeneratePair(Shape shape, std::size_t linesPerFile,
                           std::uint64_t seed = kDefaultSeed);

}  // namespace varnic::pairgen

#endif  // VARNIC_BENCH_PAIR_GENERATOR_H_
