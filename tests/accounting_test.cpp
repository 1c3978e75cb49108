// Every line of both inputs is accounted for in the JSON report: a line that is neither blank
// nor a section header is a row, a change a stage made, or a line no rule models, and the
// document carries its number. Checked on generated pairs of every shape.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/pair_generator.h"
#include "varnic/compare.h"
#include "varnic/report/json_report.h"
#include "varnic/report/report_model.h"

namespace varnic {
namespace {

using Json = nlohmann::json;

// The numbers the document gives for lines of file `file` (1 or 2).
std::set<std::uint32_t> NumbersIn(const Json& doc, int file) {
  std::set<std::uint32_t> numbers;
  const char* side = file == 1 ? "left_line" : "right_line";
  for (const char* list : {"entries", "hidden_differences"}) {
    for (const Json& item : doc[list]) {
      if (item[side].is_number()) numbers.insert(item[side].get<std::uint32_t>());
    }
  }
  for (const Json& e : doc["explanations"]) {
    if (e["file"] != file) continue;
    if (e["line"].is_number()) numbers.insert(e["line"].get<std::uint32_t>());
    for (const Json& n : e.value("lines", Json::array())) numbers.insert(n.get<std::uint32_t>());
  }
  return numbers;
}

// The numbers of the lines that are neither blank nor a section header.
std::vector<std::uint32_t> LinesToAccountFor(const std::string& text) {
  std::vector<std::uint32_t> lines;
  std::istringstream in(text);
  std::string line;
  for (std::uint32_t n = 1; std::getline(in, line); ++n) {
    if (line.find_first_not_of(" \t\r") == std::string::npos || line.starts_with('[')) continue;
    lines.push_back(n);
  }
  return lines;
}

// What a hand-edited or upgraded backup adds: a line before the first header, and a header of
// a section that comes again, so that its earlier block is replaced.
std::string WithUnmodelledLines(const std::string& text) {
  return "exported=2026-12-01\n" + text + "\n[5GHz_WirelessSettings]\nchannel=44\n";
}

TEST(Accounting, EveryLineOfGeneratedPairsHasItsNumberInTheJson) {
  struct CTypes {
    std::int32_t first;
    std::int32_t second;
  };
  for (const pairgen::Shape shape : pairgen::AllShapes()) {
    if (shape == pairgen::Shape::kLongLine) continue;  // one line: nothing to account for
    for (const std::uint64_t seed : {7U}) {
      for (const bool unmodelled : {false, true}) {
        for (const CTypes types : {CTypes{0, 0}, CTypes{0, 1}, CTypes{1, 0}}) {
          pairgen::GeneratedPair pair = pairgen::GeneratePair(shape, 300, seed);
          if (unmodelled) pair.second = WithUnmodelledLines(pair.second);
          const std::string what = std::string(pairgen::ShapeName(shape)) + " seed " +
                                   std::to_string(seed) + (unmodelled ? " unmodelled" : "") +
                                   " types " + std::to_string(types.first) +
                                   std::to_string(types.second);
          const CComparison comparison =
              Compare({pair.first, types.first}, {pair.second, types.second});
          // The command refuses a pair with nothing to compare: there are no rows at all.
          if (comparison.HasNoSettings(FileSide::kFile1) ||
              comparison.HasNoSettings(FileSide::kFile2)) {
            continue;
          }
          const report::CReport report = report::BuildReport(
              comparison, {"1.cfg", types.first, comparison.LinesRead(FileSide::kFile1)},
              {"2.cfg", types.second, comparison.LinesRead(FileSide::kFile2)}, {});
          std::ostringstream out;
          report::WriteJson(report, true, out);
          const Json doc = Json::parse(out.str());
          for (const int file : {1, 2}) {
            const std::set<std::uint32_t> numbers = NumbersIn(doc, file);
            std::size_t missing = 0;
            std::uint32_t first = 0;
            for (const std::uint32_t n : LinesToAccountFor(file == 1 ? pair.first : pair.second)) {
              if (numbers.contains(n)) continue;
              if (missing++ == 0) first = n;
            }
            EXPECT_EQ(missing, 0U) << what << ": file " << file << " from line " << first;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace varnic
