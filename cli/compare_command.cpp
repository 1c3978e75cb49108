#include "cli/compare_command.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <istream>
#include <iterator>
#include <ostream>
#include <system_error>

#include "cli/explain.h"
#include "cli/html_report.h"
#include "cli/json_report.h"
#include "cli/os.h"
#include "cli/report_model.h"
#include "cli/safe_write.h"
#include "cli/secrets.h"
#include "cli/side_by_side.h"
#include "cli/stats.h"
#include "cli/terminal_text.h"
#include "engine/compare.h"
#include "engine/marked.h"
#include "engine/text_file.h"

namespace varnic::cli {
namespace {

constexpr std::size_t kDefaultWidth = 130;
constexpr std::size_t kOutputChunk = std::size_t{64} << 10U;  // long outputs reach out in pieces

bool Read(const std::string& path, std::istream& in, std::string& bytes, std::ostream& err) {
  if (path == "-") {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.bad()) return true;
    err << "varnic: cannot read standard input\n";
    return false;
  }
  std::error_code error;
  if (ReadFileBytes(path, bytes, error)) return true;
  err << "varnic: cannot read '" << path << "': " << error.message() << "\n";
  return false;
}

bool Save(const std::string& path, std::string_view bytes, std::ostream& err) {
  std::error_code error;
  if (WriteFileAtomically(path, bytes, error)) return true;
  err << "varnic: cannot write '" << path << "': " << error.message() << "\n";
  return false;
}

bool ChecksInputsAndOutputs(const CCompareOptions& options, std::ostream& err) {
  if (options.file1 == "-" && options.file2 == "-") {
    err << "varnic: only one input can be standard input\nRun 'varnic --help' for usage.\n";
    return false;
  }
  std::vector<const std::string*> outputs;
  if (options.save) outputs = {&options.save->first, &options.save->second};
  if (options.html) outputs.push_back(&*options.html);
  for (const std::string* output : outputs) {
    for (const std::string* input : {&options.file1, &options.file2}) {
      if (*input != "-" && SameFile(*output, *input)) {
        err << "varnic: refusing to overwrite input '" << *input << "' with a result\n";
        return false;
      }
    }
  }
  return true;
}

// UTC, or SOURCE_DATE_EPOCH when set, so reports can be reproduced byte for byte.
std::string ReportDate() {
  std::time_t now = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) now = std::strtoll(epoch, nullptr, 10);
  const std::tm utc = os::UtcTime(now);
  std::array<char, 32> text{};
  std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M UTC", &utc);
  return text.data();
}

std::string Escaped(std::string_view text) { return SafeText(text); }

std::string EscapedLines(std::string_view text) {
  std::string out;
  ForEachLine(text, [&](std::string_view line) { out += Escaped(line) + "\n"; });
  return out;
}

struct COstreamSink {
  std::ostream& out;
  void Append(std::string_view bytes) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
};

}  // namespace

CTerminal CTerminal::FromProcess() {
  CTerminal terminal;
  terminal.stdoutIsTerminal = os::StdoutIsTerminal();
  terminal.terminalWidth = os::TerminalColumns();
  if (const char* columns = std::getenv("COLUMNS")) {
    char* end = nullptr;
    const long value = std::strtol(columns, &end, 10);
    if (end != columns && *end == '\0' && value > 0) {
      terminal.columnsVariable = static_cast<std::size_t>(value);
    }
  }
  terminal.noColor = std::getenv("NO_COLOR") != nullptr;
  const char* term = std::getenv("TERM");
  terminal.dumbTerminal = term != nullptr && std::strcmp(term, "dumb") == 0;
  return terminal;
}

int RunCompare(const CCompareOptions& options, const CTerminal& terminal, std::istream& in,
               std::ostream& out, std::ostream& err) {
  if (!ChecksInputsAndOutputs(options, err)) return kExitTrouble;

  std::string text1;
  std::string text2;
  if (!Read(options.file1, in, text1, err) || !Read(options.file2, in, text2, err)) {
    return kExitTrouble;
  }

  const Format format = options.format != Format::kAuto ? options.format
                        : terminal.stdoutIsTerminal     ? Format::kSide
                                                        : Format::kMarked;
  const bool report =
      options.html ||
      (!options.quiet && (options.stat || options.explain || format != Format::kMarked));
  const CComparison comparison =
      Compare({std::move(text1), options.type1}, {std::move(text2), options.type2});

  // With one side empty the engine gives two empty results by design; that is no "same".
  for (const auto& [side, path] :
       {std::pair{FileSide::kFile1, &options.file1}, {FileSide::kFile2, &options.file2}}) {
    if (comparison.HasNoSettings(side)) {
      err << "varnic: '" << *path
          << "' has no settings in any known section; there is nothing to compare\n";
      return kExitTrouble;
    }
  }

  // The two results are a pair: both are staged before either replaces an earlier result.
  if (options.save) {
    CStagedFile out1;
    CStagedFile out2;
    std::error_code error;
    const std::string* failed = nullptr;
    const auto marked = [&](FileSide side) {
      return [&comparison, side](CBufferedWriter& out) { RenderMarked(comparison, side, out); };
    };
    if (!out1.Stage(options.save->first, marked(FileSide::kFile1), error)) {
      failed = &options.save->first;
    } else if (!out2.Stage(options.save->second, marked(FileSide::kFile2), error)) {
      failed = &options.save->second;
    } else if (!out1.Commit(error)) {
      failed = &options.save->first;
    } else if (!out2.Commit(error)) {
      failed = &options.save->second;
    }
    if (failed != nullptr) {
      err << "varnic: cannot write '" << *failed << "': " << error.message() << "\n";
      return kExitTrouble;
    }
  }

  // Each part of the report is worked out only when an output shows it.
  const bool printed = !options.quiet;
  const bool document = options.html || (printed && format == Format::kJson);
  CReport model;
  if (report) {
    model.left = {options.file1, options.type1, comparison.LinesRead(FileSide::kFile1)};
    model.right = {options.file2, options.type2, comparison.LinesRead(FileSide::kFile2)};
    if (document) model.entries = EntriesOf(comparison);
    if (document || (printed && (options.stat || format == Format::kSide))) {
      model.stats = ComputeStats(comparison);
    }
    if (document || (printed && options.explain)) {
      model.explanations = ExplanationsOf(comparison, model.explanationTexts);
    }
    model.generatedAt = ReportDate();
  }
  if (options.html && !Save(*options.html, RenderHtml(model, options.showSecrets), err)) {
    return kExitTrouble;
  }

  if (!options.quiet) {
    if (options.stat && format != Format::kJson) {
      out << RenderStats(model.stats);
    } else if (format == Format::kJson) {
      WriteJson(model, options.showSecrets, out);
    } else if (format == Format::kMarked) {
      // Piped, these are the bytes --save writes; on a terminal no value may drive it.
      for (const FileSide side : {FileSide::kFile1, FileSide::kFile2}) {
        if (terminal.stdoutIsTerminal) {
          out << EscapedLines(MarkedText(comparison, side));
        } else {
          COstreamSink sink{out};
          RenderMarked(comparison, side, sink);
        }
      }
    } else {
      CSecretMasker masker;
      CViewOptions view;
      view.width = options.width              ? *options.width
                   : terminal.terminalWidth   ? *terminal.terminalWidth
                   : terminal.columnsVariable ? *terminal.columnsVariable
                                              : kDefaultWidth;
      view.suppressCommonLines = options.suppressCommonLines;
      view.truncate = options.truncate;
      view.color = options.color == ColorMode::kAlways ||
                   (options.color == ColorMode::kAuto && terminal.stdoutIsTerminal &&
                    !terminal.noColor && !terminal.dumbTerminal);
      out << RenderSideBySide(comparison, view, options.maskSecrets ? &masker : nullptr);
    }
    if (options.explain && format != Format::kJson) {
      std::string text = "\nBefore comparing:\n";
      for (const CExplanation& e : model.explanations) {
        text += "  ";
        text += Escaped(DescribeExplanation(e));
        text += '\n';
        if (text.size() >= kOutputChunk) {
          out << text;
          text.clear();
        }
      }
      out << text;
    }
    if (format == Format::kSide && !options.stat) out << "\n" << RenderStats(model.stats);
  }
  return comparison.HasDifferences() ? kExitDifferent : kExitSame;
}

}  // namespace varnic::cli
