#include "cli/compare_command.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <istream>
#include <iterator>
#include <new>
#include <ostream>
#include <streambuf>
#include <system_error>

#include "cli/ignore_options.h"
#include "cli/os.h"
#include "cli/output_checks.h"
#include "engine/file_names.h"
#include "engine/staged_files.h"
#include "engine/text_file.h"
#include "golden/fix.h"
#include "golden/golden.h"
#include "golden/remediation.h"
#include "report/html_report.h"
#include "report/line_formats.h"
#include "report/side_by_side.h"
#include "report/side_view.h"
#include "report/terminal_text.h"
#include "varnic/compare.h"
#include "varnic/marked.h"
#include "varnic/report/device_types.h"
#include "varnic/report/explain.h"
#include "varnic/report/input_checks.h"
#include "varnic/report/json_report.h"
#include "varnic/report/report_date.h"
#include "varnic/report/report_model.h"
#include "varnic/report/secrets.h"
#include "varnic/report/stats.h"

namespace varnic::cli {
namespace {

constexpr std::size_t kDefaultWidth = 130;
constexpr std::size_t kOutputChunk = std::size_t{64} << 10U;  // long outputs reach out in pieces

// A name as messages quote it: escaped like the views, so no byte of it acts on the terminal.
std::string Shown(std::string_view name) { return report::SafeText(name); }

bool ReadInput(const std::string& path, std::istream& in, CInput& input, std::ostream& err);

// Reads one input; running out of memory on a huge one is told as such, with the file.
bool Read(const std::string& path, std::istream& in, CInput& input, std::ostream& err) {
  try {
    return ReadInput(path, in, input, err);
  } catch (const std::bad_alloc&) {
    input = CInput();
    err << "varnic: out of memory while reading '" << (path == "-" ? "-" : Shown(path)) << "'\n";
    return false;
  }
}

bool ReadInput(const std::string& path, std::istream& in, CInput& input, std::ostream& err) {
  if (path == "-") {
    input.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.bad()) return true;
    err << "varnic: cannot read standard input\n";
    return false;
  }
  std::error_code error;
  CFileBytes file;
  if (MapFileBytes(path, file, error)) {
    input.owner = std::move(file.owner);
    input.view = file.bytes;
    return true;
  }
  err << "varnic: cannot read '" << Shown(path) << "': " << error.message() << "\n";
  return false;
}

std::string_view BytesOf(const CInput& input) { return input.owner ? input.view : input.text; }

// The input's bytes as its own string, for the steps that edit or keep text.
void OwnBytes(CInput& input) {
  if (!input.owner) return;
  input.text.assign(input.view);
  input.owner.reset();
  input.view = {};
}

// Every file the run reads and writes, checked before anything is read or written.
bool ChecksInputsAndOutputs(const CCompareOptions& options, std::ostream& err) {
  if (options.file1 == "-" && options.file2 == "-") {
    err << "varnic: only one input can be standard input\nRun 'varnic --help' for usage.\n";
    return false;
  }
  base::COutputPlan plan;
  for (const std::string* input : {&options.file1, &options.file2}) {
    if (*input == "-") {
      plan.AddStandardInput();
    } else {
      plan.AddInput(*input);
    }
  }
  for (const std::string& file : options.ignoreFiles) plan.AddInput(file);
  if (options.vars) plan.AddInput(*options.vars);
  if (options.save) {
    plan.AddOutput(options.save->first);
    plan.AddOutput(options.save->second);
  }
  if (options.html) plan.AddOutput(*options.html);
  if (options.writeFixed) plan.AddOutput(*options.writeFixed);
  return OutputsAreSafe(plan, err);
}

std::string Escaped(std::string_view text) { return report::SafeText(text); }

// The marked lines of `side`, masked and escaped as asked; CR LF ends them as in a saved result.
void WriteMarkedLines(const CComparison& comparison, FileSide side, report::CSecretMasker* masker,
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

// What the run will show and where, decided once from the options and the terminal.
struct CPlan {
  Format format = Format::kChanges;
  bool stdoutIsTerminal = false;
  report::CViewOptions view;
  report::CReportParts parts;
};

CPlan ResolvePlan(const CCompareOptions& options, const CTerminal& terminal) {
  CPlan plan;
  plan.stdoutIsTerminal = terminal.stdoutIsTerminal;
  plan.format = options.format != Format::kAuto ? options.format
                : terminal.stdoutIsTerminal     ? Format::kSide
                                                : Format::kChanges;
  const bool printed = !options.quiet;
  const bool document = options.html.has_value() || (printed && plan.format == Format::kJson);
  const bool lines =
      printed && (plan.format == Format::kChanges || plan.format == Format::kGithub ||
                  plan.format == Format::kRemediation);
  // The side view's verdict names the rows whose other line was set aside.
  plan.parts.entries =
      document || lines || (printed && plan.format == Format::kSide && !options.stat);
  plan.parts.stats = document || (printed && (options.stat || plan.format == Format::kSide));
  plan.parts.explanations = document || (printed && options.explain);
  // The marked results say nothing of settings that were not compared; every other output does.
  plan.parts.hidden =
      document || options.strict || (printed && (plan.format != Format::kMarked || options.stat));
  // The way back (golden files, remediation) reads every entry and its line numbers; `changes`
  // shows neither the settings both files hold alike nor any number, and unless it masks
  // secrets (whose labels follow every entry's order) it is spared building them.
  const bool remedies = options.golden || options.writeFixed || plan.format == Format::kRemediation;
  const bool changesOnly = !document && !remedies && (!printed || plan.format == Format::kChanges);
  plan.parts.sameEntries = !changesOnly || options.maskSecrets;
  // Only JSON, GitHub's annotations and the way back name a line by its number: the page and
  // the terminal views are spared finding every line's.
  plan.parts.lineNumbers =
      remedies || (printed && (plan.format == Format::kJson || plan.format == Format::kGithub));
  plan.view.width = options.width              ? *options.width
                    : terminal.terminalWidth   ? *terminal.terminalWidth
                    : terminal.columnsVariable ? *terminal.columnsVariable
                                               : kDefaultWidth;
  plan.view.suppressCommonLines = options.suppressCommonLines;
  plan.view.truncate = options.truncate;
  plan.view.color = options.color == ColorMode::kAlways ||
                    (options.color == ColorMode::kAuto && terminal.stdoutIsTerminal &&
                     !terminal.noColor && !terminal.dumbTerminal);
  return plan;
}

// The types to compare with: as given, or chosen from the files; either way a person hears of
// a choice or a number the names do not cover.
std::pair<std::int32_t, std::int32_t> ResolveTypes(const CCompareOptions& options,
                                                   std::string_view text1, std::string_view text2,
                                                   std::ostream& err) {
  if (options.typesAuto) {
    const report::CDetectedTypes detected = report::DetectTypes(text1, text2);
    const bool reconciled = detected.type1 != detected.type2;
    if (!options.quiet && (reconciled || !options.typesAutoByDefault)) {
      err << "varnic: --types auto: " << detected.why << "\n";
    }
    return {detected.type1, detected.type2};
  }
  const std::string warning = report::TypeWarning(options.type1, options.type2);
  if (!warning.empty() && !options.quiet) err << "varnic: warning: " << warning << "\n";
  return {options.type1, options.type2};
}

// Hands what a report writes to a staged output as it goes: a page of a million settings is never
// held whole (building it in memory first cost a third of an HTML report's time).
class CWriterBuf : public std::streambuf {
 public:
  explicit CWriterBuf(CBufferedWriter& out) : out_(out) {}

 protected:
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    return out_.Append({text, static_cast<std::size_t>(n)}) ? n : 0;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return out_.Append({&byte, 1}) ? c : traits_type::eof();
  }

 private:
  CBufferedWriter& out_;
};

// Every output is staged before any replaces an earlier one, and they land together: when one
// cannot, those already in place are put back.
bool Save(const CCompareOptions& options, const report::CReport& report,
          report::CSecretMasker& masker, const std::string& fixed, std::ostream& err) {
  const CComparison& comparison = *report.comparison;
  CStagedFiles outputs;
  std::error_code error;
  const auto marked = [&](FileSide side) -> CWriteBody {
    return [&comparison, side](CBufferedWriter& out) { RenderMarked(comparison, side, out); };
  };
  bool ok = !options.save || (outputs.Stage(options.save->first, marked(FileSide::kFile1), error) &&
                              outputs.Stage(options.save->second, marked(FileSide::kFile2), error));
  if (ok && options.html) {
    ok = outputs.Stage(
        *options.html,
        [&](CBufferedWriter& out) {
          CWriterBuf buffer(out);
          std::ostream stream(&buffer);
          report::WriteHtml(report, options.showSecrets, stream, &masker);
        },
        error);
  }
  if (ok && options.writeFixed) {
    ok = outputs.Stage(
        *options.writeFixed, [&fixed](CBufferedWriter& out) { out.Append(fixed); }, error);
  }
  if (!ok || !outputs.Commit(error)) {
    err << "varnic: cannot write '" << Shown(outputs.FailedPath()) << "': " << error.message()
        << "\n";
    return false;
  }
  return true;
}

void WriteMarked(const report::CReport& report, report::CSecretMasker* terminalMasker,
                 bool terminal, std::ostream& out) {
  // Piped, these are the bytes --save writes; on a terminal no value may drive it.
  for (const FileSide side : {FileSide::kFile1, FileSide::kFile2}) {
    if (terminal || terminalMasker != nullptr) {
      WriteMarkedLines(*report.comparison, side, terminalMasker, terminal, out);
    } else {
      COstreamSink sink{out};
      RenderMarked(*report.comparison, side, sink);
    }
  }
}

void Render(const CPlan& plan, const CCompareOptions& options, const report::CReport& report,
            report::CSecretMasker& masker, std::ostream& out) {
  report::CSecretMasker* const terminalMasker = options.maskSecrets ? &masker : nullptr;
  // Workflow logs are read by more people than a terminal: masked unless asked.
  report::CSecretMasker* const logMasker = options.showSecrets ? nullptr : &masker;
  switch (plan.format) {
    case Format::kJson:
      report::WriteJson(report, options.showSecrets, out, &masker);
      return;
    case Format::kBrief:
      report::WriteBrief(report, out);
      break;
    case Format::kGithub:
      report::WriteGithub(report, logMasker, out);
      break;
    case Format::kMarked:
      if (!options.stat) WriteMarked(report, terminalMasker, plan.stdoutIsTerminal, out);
      break;
    case Format::kChanges:
      if (!options.stat) report::WriteChanges(report, terminalMasker, out);
      break;
    case Format::kRemediation:  // written by the caller, which knows the failed rules
      break;
    case Format::kSide:
    case Format::kAuto:
      if (!options.stat) report::WriteSideView(report, plan.view, terminalMasker, out);
      break;
  }
  if (options.stat) out << report::RenderStats(report.stats, plan.view.width);
  if (options.explain) report::WriteExplanations(report.explanations, terminalMasker, out);
  if (plan.format == Format::kSide) {
    if (!options.stat) out << "\n" << report::RenderStats(report.stats, plan.view.width);
    report::WriteVerdict(report, terminalMasker, out);
  }
}

std::vector<std::string> DeviceNames(const CCompareOptions& options) {
  return options.device ? std::vector<std::string>{*options.device}
                        : golden::DeviceNames(options.file2);
}

// FILE1 rendered for FILE2 when it is a golden template; false, with the reason told, when a
// rule is malformed or a variable has no value. Without --template, FILE1 stands as it is (the
// golden file of --write-fixed).
bool RenderGolden(const CCompareOptions& options, golden::CGolden& golden, std::string& text1,
                  const std::string& text2, std::vector<golden::CFailedRule>& failed,
                  std::ostream& err) {
  if (!options.golden && !options.writeFixed) return true;
  golden::CRendered rendered;
  std::string error;
  if (!golden.Load(options.file1, text1, options.vars.value_or(""), error, !options.golden) ||
      !golden.RenderFor(DeviceNames(options), &text2, rendered, error)) {
    err << "varnic: " << Shown(error) << "\n";
    return false;
  }
  text1 = std::move(rendered.text);
  failed = std::move(rendered.failed);
  return true;
}

// FILE2 brought to FILE1, verified; false, with the reason told, when it cannot be.
bool FixDevice(const CCompareOptions& options, const golden::CGolden& golden,
               const CComparison& comparison, const CIgnores& ignores, std::string& fixed,
               std::ostream& err) {
  if (!options.writeFixed) return true;
  const golden::CFixOptions fix{comparison.Type(FileSide::kFile1),
                                comparison.Type(FileSide::kFile2), &ignores.list, options.strict};
  std::vector<golden::CRemedy> applied;
  std::string error;
  if (golden::FixDevice(golden, DeviceNames(options),
                        std::string(comparison.Text(FileSide::kFile2)), fix, fixed, applied,
                        error)) {
    return true;
  }
  err << "varnic: cannot write a fixed '" << Shown(options.file2) << "': " << Shown(error) << "\n";
  return false;
}

}  // namespace

std::size_t ClampWidth(std::size_t width) { return std::clamp(width, kMinWidth, kMaxWidth); }

std::optional<std::size_t> ColumnsFrom(const char* value) {
  if (value == nullptr || *value < '0' || *value > '9') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long columns = std::strtoull(value, &end, 10);
  if (*end != '\0' || columns == 0) return std::nullopt;
  // Past the range (or past what the number type holds) is as wide as -W goes.
  if (errno == ERANGE || columns > kMaxWidth) return kMaxWidth;
  return ClampWidth(static_cast<std::size_t>(columns));
}

CTerminal CTerminal::FromProcess() {
  CTerminal terminal;
  terminal.stdoutIsTerminal = os::StdoutIsTerminal();
  terminal.terminalWidth = os::TerminalColumns();
  if (terminal.terminalWidth) terminal.terminalWidth = ClampWidth(*terminal.terminalWidth);
  terminal.columnsVariable = ColumnsFrom(std::getenv("COLUMNS"));
  // The convention: set and not empty.
  const char* noColor = std::getenv("NO_COLOR");
  terminal.noColor = noColor != nullptr && *noColor != '\0';
  const char* term = std::getenv("TERM");
  terminal.dumbTerminal = term != nullptr && std::strcmp(term, "dumb") == 0;
  return terminal;
}

int RunCompare(const CCompareOptions& options, const CTerminal& terminal, std::istream& in,
               std::ostream& out, std::ostream& err) {
  const CPlan plan = ResolvePlan(options, terminal);
  CIgnores ignores;
  if (!ChecksInputsAndOutputs(options, err) ||
      !LoadIgnores(options.ignores, options.ignoreFiles, ignores, err)) {
    return kExitTrouble;
  }
  CInput input1;
  CInput input2;
  if (!Read(options.file1, in, input1, err) || !Read(options.file2, in, input2, err)) {
    return kExitTrouble;
  }
  std::vector<golden::CFailedRule> failedRules;
  golden::CGolden golden;
  if (options.golden || options.writeFixed) {
    OwnBytes(input1);
    OwnBytes(input2);
  }
  if (!RenderGolden(options, golden, input1.text, input2.text, failedRules, err)) {
    return kExitTrouble;
  }
  const auto [type1, type2] = ResolveTypes(options, BytesOf(input1), BytesOf(input2), err);
  input1.type = type1;
  input2.type = type2;

  const CComparison comparison = Compare(std::move(input1), std::move(input2));
  for (const auto& [side, path] :
       {std::pair{FileSide::kFile1, &options.file1}, {FileSide::kFile2, &options.file2}}) {
    const std::string problem = report::InputProblem(comparison, side);
    if (!problem.empty()) {
      err << "varnic: '" << Shown(*path) << "' " << problem << "\n";
      return kExitTrouble;
    }
  }

  if (!ignores.list.empty() && !options.quiet) {
    report::CPatternUse use(ignores.list);
    use.See(comparison.Text(FileSide::kFile1));
    use.See(comparison.Text(FileSide::kFile2));
    WarnUnusedPatterns(ignores, use, "in either file", err);
  }

  report::CReportOptions reportOptions;
  reportOptions.ignores = &ignores.list;
  reportOptions.strict = options.strict;
  reportOptions.parts = plan.parts;
  report::CReport report = report::BuildReport(
      comparison, {options.file1, type1, comparison.LinesRead(FileSide::kFile1), options.typesAuto},
      {options.file2, type2, comparison.LinesRead(FileSide::kFile2), options.typesAuto},
      reportOptions);
  std::string dateWarning;
  report.generatedAt = report::ReportDate(&dateWarning);
  // Only the HTML report shows the date.
  if (!dateWarning.empty() && options.html && !options.quiet) {
    err << "varnic: warning: " << dateWarning << "\n";
  }
  // The way back, for the remediation view and the documents, wherever FILE1 is a golden file.
  std::vector<golden::CRemedy> remedies;
  if (options.golden || options.writeFixed || plan.format == Format::kRemediation) {
    remedies =
        golden::Remediation(report, failedRules, comparison.Text(FileSide::kFile2), options.strict);
    report.remediation = golden::ReportItems(remedies);
  }
  // One masker for the run: a secret has the same label in every output it reaches.
  report::CSecretMasker masker;
  // Primed only when an output labels secrets: a label no output shows is not worth a pass over
  // every entry and every explanation.
  const bool labels =
      options.maskSecrets ||
      (!options.showSecrets &&
       (options.html.has_value() ||
        (!options.quiet && (plan.format == Format::kJson || plan.format == Format::kGithub))));
  if (labels) masker.Prime(report);

  std::string fixed;
  if (!FixDevice(options, golden, comparison, ignores, fixed, err) ||
      !Save(options, report, masker, fixed, err)) {
    return kExitTrouble;
  }
  if (!options.quiet) Render(plan, options, report, masker, out);
  if (!options.quiet && plan.format == Format::kRemediation) {
    golden::WriteRemediation(remedies, out);
  }
  return report.verdict.Differs() ? kExitDifferent : kExitSame;
}

}  // namespace varnic::cli
