#include "cli/compare_command.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <istream>
#include <iterator>
#include <new>
#include <ostream>
#include <system_error>

#include "cli/os.h"
#include "engine/staged_files.h"
#include "engine/text_file.h"
#include "report/explain.h"
#include "report/html_report.h"
#include "report/json_report.h"
#include "report/report_model.h"
#include "report/secrets.h"
#include "report/side_by_side.h"
#include "report/stats.h"
#include "report/terminal_text.h"
#include "varnic/compare.h"
#include "varnic/marked.h"

namespace varnic::cli {
namespace {

constexpr std::size_t kDefaultWidth = 130;
constexpr std::size_t kOutputChunk = std::size_t{64} << 10U;  // long outputs reach out in pieces

// A name as messages quote it: escaped like the views, so no byte of it acts on the terminal.
std::string Shown(std::string_view name) { return SafeText(name); }

// True when two outputs would land in one file, one result replacing the other: the same regular
// file already, or the same place once links and "." and ".." are resolved.
bool SameOutput(const std::string& a, const std::string& b) {
  // A device or a pipe (/dev/null) is written, not replaced: two outputs there lose nothing.
  std::error_code ignored;
  const std::filesystem::file_status status = std::filesystem::status(a, ignored);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
      !std::filesystem::is_directory(status)) {
    return false;
  }
  if (os::SameFile(a, b)) return true;
  std::error_code error;
  const std::filesystem::path pa = std::filesystem::weakly_canonical(a, error);
  if (error)
    return std::filesystem::path(a).lexically_normal() ==
           std::filesystem::path(b).lexically_normal();
  const std::filesystem::path pb = std::filesystem::weakly_canonical(b, error);
  return !error && pa == pb;
}

bool ReadInput(const std::string& path, std::istream& in, std::string& bytes, std::ostream& err);

// Reads one input; running out of memory on a huge one is told as such, with the file.
bool Read(const std::string& path, std::istream& in, std::string& bytes, std::ostream& err) {
  try {
    return ReadInput(path, in, bytes, err);
  } catch (const std::bad_alloc&) {
    bytes = std::string();
    err << "varnic: out of memory while reading '" << (path == "-" ? "-" : Shown(path)) << "'\n";
    return false;
  }
}

bool ReadInput(const std::string& path, std::istream& in, std::string& bytes, std::ostream& err) {
  if (path == "-") {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.bad()) return true;
    err << "varnic: cannot read standard input\n";
    return false;
  }
  std::error_code error;
  if (ReadFileBytes(path, bytes, error)) return true;
  err << "varnic: cannot read '" << Shown(path) << "': " << error.message() << "\n";
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
  for (auto output = outputs.begin(); output != outputs.end(); ++output) {
    for (const std::string* input : {&options.file1, &options.file2}) {
      const bool same =
          *input == "-" ? os::IsStandardInput(**output) : os::SameFile(**output, *input);
      if (same) {
        err << "varnic: refusing to overwrite input '" << Shown(*input) << "' with a result\n";
        return false;
      }
    }
    for (auto other = outputs.begin(); other != output; ++other) {
      if (SameOutput(**output, **other)) {
        err << "varnic: '" << Shown(**output)
            << "' is given as two outputs; one result would be lost\n";
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

// The marked lines of `side`, masked and escaped as asked; CR LF ends them as in a saved result.
void WriteMarkedLines(const CComparison& comparison, FileSide side, CSecretMasker* masker,
                      bool escape, std::ostream& out) {
  std::string text;
  std::string storage;
  ForEachMarkedLine(comparison, side, [&](std::string_view mark, std::string_view body) {
    const std::string_view shown = masker != nullptr ? masker->MaskLine(body, storage) : body;
    const std::string line = std::string(mark).append(shown);
    if (escape) {
      text += Escaped(line) + "\n";
    } else {
      text += line + "\r\n";
    }
    if (text.size() >= kOutputChunk) {
      out << text;
      text.clear();
    }
  });
  out << text;
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
      err << "varnic: '" << Shown(*path)
          << "' has no settings in any known section; there is nothing to compare\n";
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
  // One masker for the run: a secret has the same label in every output it reaches.
  CSecretMasker masker;
  masker.Prime(model);
  CSecretMasker* const terminalMasker = options.maskSecrets ? &masker : nullptr;
  // Every output is staged before any replaces an earlier one, and they land together: when one
  // cannot, those already in place are put back.
  {
    CStagedFiles outputs;
    std::string html;
    std::error_code error;
    const auto marked = [&](FileSide side) -> CWriteBody {
      return [&comparison, side](CBufferedWriter& out) { RenderMarked(comparison, side, out); };
    };
    bool ok =
        !options.save || (outputs.Stage(options.save->first, marked(FileSide::kFile1), error) &&
                          outputs.Stage(options.save->second, marked(FileSide::kFile2), error));
    if (ok && options.html) {
      html = RenderHtml(model, options.showSecrets, &masker);
      ok = outputs.Stage(
          *options.html, [&html](CBufferedWriter& out) { out.Append(html); }, error);
    }
    if (!ok || !outputs.Commit(error)) {
      err << "varnic: cannot write '" << Shown(outputs.FailedPath()) << "': " << error.message()
          << "\n";
      return kExitTrouble;
    }
  }

  if (!options.quiet) {
    if (options.stat && format != Format::kJson) {
      out << RenderStats(model.stats);
    } else if (format == Format::kJson) {
      WriteJson(model, options.showSecrets, out, &masker);
    } else if (format == Format::kMarked) {
      // Piped, these are the bytes --save writes; on a terminal no value may drive it.
      for (const FileSide side : {FileSide::kFile1, FileSide::kFile2}) {
        if (terminal.stdoutIsTerminal || terminalMasker != nullptr) {
          WriteMarkedLines(comparison, side, terminalMasker, terminal.stdoutIsTerminal, out);
        } else {
          COstreamSink sink{out};
          RenderMarked(comparison, side, sink);
        }
      }
    } else {
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
      out << RenderSideBySide(comparison, view, terminalMasker);
    }
    if (options.explain && format != Format::kJson) {
      std::string text = "\nBefore comparing:\n";
      std::string line;
      std::string detail;
      for (const CExplanation& e : model.explanations) {
        CExplanation shown = e;
        if (terminalMasker != nullptr) {
          shown.line = terminalMasker->MaskLine(e.line, line);
          shown.detail = terminalMasker->MaskLine(e.detail, detail);
        }
        text += "  ";
        text += Escaped(DescribeExplanation(shown));
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
