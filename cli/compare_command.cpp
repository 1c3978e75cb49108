#include "cli/compare_command.h"

#include <cstdlib>
#include <ostream>
#include <system_error>

#include "cli/safe_write.h"
#include "cli/side_by_side.h"
#include "engine/config_compare.h"
#include "engine/text_file.h"

namespace varnic::cli {
namespace {

std::size_t TerminalWidth() {
  if (const char* columns = std::getenv("COLUMNS")) {
    char* end = nullptr;
    const long value = std::strtol(columns, &end, 10);
    if (end != columns && *end == '\0' && value > 0) return static_cast<std::size_t>(value);
  }
  return 130;
}

bool Read(const std::string& path, std::string& bytes, std::ostream& err) {
  std::error_code error;
  if (ReadFileBytes(path, bytes, error)) return true;
  err << "varnic: cannot read '" << path << "': " << error.message() << "\n";
  return false;
}

bool Save(const std::string& path, const CLineList& lines, std::ostream& err) {
  std::error_code error;
  if (WriteFileAtomically(path, JoinLinesCrLf(lines), error)) return true;
  err << "varnic: cannot write '" << path << "': " << error.message() << "\n";
  return false;
}

bool IsMarkedDifferent(const std::string& line) {
  return line.starts_with("d_") || line.starts_with("o_");
}

}  // namespace

bool HasDifferences(const CLineList& result1, const CLineList& result2) {
  for (const CLineList* result : {&result1, &result2}) {
    for (const std::string& line : *result) {
      if (IsMarkedDifferent(line)) return true;
    }
  }
  return false;
}

int RunCompare(const CCompareOptions& options, std::ostream& out, std::ostream& err) {
  if (options.save) {
    for (const std::string* output : {&options.save->first, &options.save->second}) {
      for (const std::string* input : {&options.file1, &options.file2}) {
        if (SameFile(*output, *input)) {
          err << "varnic: refusing to overwrite input '" << *input << "' with a result\n";
          return kExitTrouble;
        }
      }
    }
  }

  std::string text1;
  std::string text2;
  if (!Read(options.file1, text1, err) || !Read(options.file2, text2, err)) return kExitTrouble;

  CConfigCompare engine;
  engine.LoadTexts(text1, options.type1, text2, options.type2);
  engine.CompareFiles();

  // With one side empty the engine gives two empty results by design; that is no "same".
  for (const auto& [normalized, path] :
       {std::pair{&engine.RawLines1(), &options.file1}, {&engine.RawLines2(), &options.file2}}) {
    if (normalized->empty()) {
      err << "varnic: '" << *path
          << "' has no settings in any known section; there is nothing to compare\n";
      return kExitTrouble;
    }
  }

  if (options.save && (!Save(options.save->first, engine.Result1(), err) ||
                       !Save(options.save->second, engine.Result2(), err))) {
    return kExitTrouble;
  }
  if (!options.quiet) {
    CViewOptions view;
    view.width = TerminalWidth();
    out << RenderSideBySide(engine.Result1(), engine.Result2(), view);
  }
  return HasDifferences(engine.Result1(), engine.Result2()) ? kExitDifferent : kExitSame;
}

}  // namespace varnic::cli
