// The report of two backups built through the installed report library, as
// `varnic compare FILE1 FILE2 --format=json [--ignore PATTERN]...` builds it: the JSON document on
// standard output, one line per hidden difference on standard error. Exits as the command does:
// 0 same, 1 different, 2 trouble.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <utility>

#include "varnic/compare.h"
#include "varnic/report/device_types.h"
#include "varnic/report/ignore.h"
#include "varnic/report/input_checks.h"
#include "varnic/report/json_report.h"
#include "varnic/report/report_model.h"
#include "varnic/report/secrets.h"

namespace report = varnic::report;

namespace {

bool ReadFile(const char* path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return in.is_open() && !in.bad();
}

int Trouble(const std::string& message) {
  std::cerr << "report_consumer: " << message << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Trouble("usage: report_consumer FILE1 FILE2 [IGNORE_PATTERN]...");
  report::CIgnoreList ignores;
  std::string error;
  for (int i = 3; i < argc; ++i) {
    if (!ignores.Add(argv[i], error)) return Trouble(std::string(argv[i]) + ": " + error);
  }
  std::string text1;
  std::string text2;
  for (const auto& [path, text] : {std::pair{argv[1], &text1}, std::pair{argv[2], &text2}}) {
    if (!ReadFile(path, *text)) return Trouble(std::string("cannot read ") + path);
  }
  // The command's default: a backup without 5 GHz settings is the single-band device.
  const report::CDetectedTypes types = report::DetectTypes(text1, text2);
  const varnic::CComparison comparison =
      varnic::Compare({std::move(text1), types.type1}, {std::move(text2), types.type2});
  for (const auto& [side, path] : {std::pair{varnic::FileSide::kFile1, argv[1]},
                                   std::pair{varnic::FileSide::kFile2, argv[2]}}) {
    const std::string problem = report::InputProblem(comparison, side);
    if (!problem.empty()) return Trouble(std::string(path) + " " + problem);
  }

  report::CReportOptions options;
  options.ignores = &ignores;  // ignored settings count for nothing, as with --ignore
  const report::CReport r = report::BuildReport(
      comparison,
      {argv[1], types.type1, comparison.LinesRead(varnic::FileSide::kFile1), /*inferred=*/true},
      {argv[2], types.type2, comparison.LinesRead(varnic::FileSide::kFile2), /*inferred=*/true},
      options);
  report::CSecretMasker masker;  // one masker: a secret gets one label in every output
  masker.Prime(r);
  report::WriteJson(r, /*showSecrets=*/false, std::cout, &masker);

  // Settings the marked results are silent about: not compared, yet different.
  for (const report::CHiddenDifference& hidden : r.hidden) {
    if (!hidden.ignored)
      std::cerr << hidden.section << " " << hidden.key << ": " << hidden.why << "\n";
  }
  return r.verdict.Differs() ? 1 : 0;
}
