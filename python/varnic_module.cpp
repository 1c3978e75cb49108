// The Python front door: varnic.compare() returns the comparison as Python values, and renders
// the marked results and the JSON report with the same code as the command.

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "base/output_plan.h"
#include "engine/staged_files.h"
#include "engine/text_file.h"
#include "golden/remediation.h"
#include "python/arguments.h"
#include "python/audit_binding.h"
#include "python/buffer_bytes.h"
#include "python/comparison_result.h"
#include "python/golden_binding.h"
#include "varnic/compare.h"
#include "varnic/marked.h"
#include "varnic/report/device_types.h"
#include "varnic/report/input_checks.h"
#include "varnic/report/json_report.h"
#include "varnic/report/report_date.h"
#include "varnic/report/report_model.h"
#include "varnic/report/secrets.h"
#include "varnic/report/stats.h"
#include "varnic/version.h"

namespace py = pybind11;

namespace varnic::python {
namespace {

// One argument of compare(): the bytes to compare and the name the report and errors give it.
struct CSource {
  std::string text;
  std::string name;       // the path as given; "-" for bytes, as the command names standard input
  py::object pathObject;  // the path for OSError.filename; None for bytes
  bool fromPath = false;
};

// Releases a buffer taken with PyObject_GetBuffer on every way out.
class CBufferView {
 public:
  explicit CBufferView(const py::handle& object) {
    if (PyObject_GetBuffer(object.ptr(), &view_, PyBUF_RECORDS_RO) != 0) {
      throw py::error_already_set();
    }
  }
  ~CBufferView() { PyBuffer_Release(&view_); }
  CBufferView(const CBufferView&) = delete;
  CBufferView& operator=(const CBufferView&) = delete;
  CBufferLayout Layout() const {
    return {static_cast<const char*>(view_.buf),
            view_.len,
            view_.itemsize,
            view_.ndim,
            view_.shape,
            view_.strides,
            view_.suboffsets};
  }

 private:
  Py_buffer view_{};
};

// Bytes-like objects are the backup itself; str and os.PathLike name a file to read.
CSource SourceOf(const py::handle& argument, int number) {
  CSource source;
  const std::string what = "compare() file " + std::to_string(number);
  if (PyBytes_Check(argument.ptr()) || PyByteArray_Check(argument.ptr()) ||
      PyMemoryView_Check(argument.ptr())) {
    const CBufferView buffer(argument);
    const std::optional<std::string_view> bytes = ContiguousBytes(buffer.Layout());
    if (!bytes) {
      throw py::type_error(what +
                           ": the buffer is not C-contiguous (a reversed or stepped view); "
                           "pass bytes(view)");
    }
    source.text.assign(*bytes);
    source.name = "-";
    source.pathObject = py::none();
    return source;
  }
  if (!py::isinstance<py::str>(argument) && !py::hasattr(argument, "__fspath__")) {
    throw py::type_error(what + ": expected bytes or a path (str or os.PathLike), got " +
                         py::cast<std::string>(py::type::handle_of(argument).attr("__name__")));
  }
  source.pathObject = PathObject(argument, what);
  source.name = ShownPath(source.pathObject);
  source.fromPath = true;
  return source;
}

std::unique_ptr<CResult> CompareArguments(
    const py::object& a, const py::object& b, const py::object& type1Argument,
    const py::object& type2Argument, const py::object& strictArgument,
    const py::object& ignoreArgument, const py::object& typesArgument,
    const py::object& templateArgument, const py::object& varsArgument,
    const py::object& deviceArgument) {
  const bool strict = Flag(strictArgument, "strict");
  const CGoldenRequest goldenRequest =
      GoldenRequest(templateArgument, varsArgument, deviceArgument);
  bool automatic = false;
  if (!typesArgument.is_none()) {
    if (!IsAuto(typesArgument)) {
      throw py::value_error("types: only 'auto' chooses both types; give type1 and type2 instead");
    }
    if (!type1Argument.is_none() || !type2Argument.is_none()) {
      throw py::value_error("types: 'auto' chooses both types; leave out type1 and type2");
    }
    automatic = true;
  }
  std::int32_t type1 = type1Argument.is_none() ? 0 : DeviceType(type1Argument, "type1");
  std::int32_t type2 = type2Argument.is_none() ? 0 : DeviceType(type2Argument, "type2");
  report::CIgnoreList ignores;
  for (const std::string& pattern : Patterns(ignoreArgument, "ignore")) {
    std::string error;
    if (!ignores.Add(pattern, error)) throw py::value_error("ignore: " + error);
  }
  std::array<CSource, 2> sources{SourceOf(a, 1), SourceOf(b, 2)};
  std::array<std::string, 2> paths;
  for (std::size_t i = 0; i < 2; ++i) {
    if (sources[i].fromPath) {
      paths[i] = FilePath(sources[i].pathObject, "compare() file " + std::to_string(i + 1));
    }
  }
  const auto who = [&sources](std::size_t i) {
    return sources[i].fromPath ? "'" + sources[i].name + "'"
                               : "file " + std::to_string(i + 1) + " (bytes)";
  };
  std::error_code error;
  std::size_t failed = 2;
  std::optional<CComparison> comparison;
  CGoldenRun golden;
  {
    const py::gil_scoped_release unlocked;
    for (std::size_t i = 0; i < 2 && failed == 2; ++i) {
      if (sources[i].fromPath && !ReadFileBytes(paths[i], sources[i].text, error)) failed = i;
    }
    // The template is rendered for the device before the types are chosen from it, as the
    // command does.
    if (failed == 2) {
      golden = RenderGolden(goldenRequest, sources[0].fromPath ? sources[0].name : who(0), paths[1],
                            sources[0].text, sources[1].text);
    }
    if (failed == 2 && golden.Failed()) failed = 3;
    if (failed == 2 && automatic) {
      const report::CDetectedTypes detected = report::DetectTypes(sources[0].text, sources[1].text);
      type1 = detected.type1;
      type2 = detected.type2;
    }
    if (failed == 2) {
      comparison.emplace(
          Compare({std::move(sources[0].text), type1}, {std::move(sources[1].text), type2}));
    }
  }
  if (failed < 2) RaiseOsError(error, sources[failed].pathObject);
  RaiseIfFailed(golden, goldenRequest);

  for (const auto& [side, i] : {std::pair{FileSide::kFile1, 0}, {FileSide::kFile2, 1}}) {
    const std::string problem = report::InputProblem(*comparison, side);
    if (!problem.empty()) {
      throw py::value_error(who(static_cast<std::size_t>(i)).append(" ").append(problem));
    }
  }
  auto result = std::make_unique<CResult>(std::move(*comparison));
  result->paths = paths;
  result->varsPath = goldenRequest.varsPath;
  result->deviceShown = who(1);
  result->ignores = std::move(ignores);
  result->strict = strict;
  result->golden = std::move(golden.golden);
  result->deviceNames = std::move(golden.names);
  {
    const py::gil_scoped_release unlocked;
    report::CReportOptions options;
    options.ignores = &result->ignores;
    options.strict = strict;
    const CComparison& c = result->comparison;
    result->report = report::BuildReport(
        c, {sources[0].name, type1, c.LinesRead(FileSide::kFile1), automatic},
        {sources[1].name, type2, c.LinesRead(FileSide::kFile2), automatic}, options);
    // The way back is there for every pair; the report carries it, as the command's does, only
    // where file 1 is a golden template.
    result->remedies =
        golden::Remediation(result->report, golden.failed, c.Text(FileSide::kFile2), strict);
    if (result->golden) result->report.remediation = golden::ReportItems(result->remedies);
  }
  result->report.generatedAt = report::ReportDate();
  return result;
}

py::object OptionalBytes(const std::optional<std::string_view>& text) {
  if (!text) return py::none();
  return py::bytes(text->data(), text->size());
}

py::object LineNumber(std::uint32_t line) {
  if (line == 0) return py::none();
  return py::int_(line);
}

// The report's entries: the values and line numbers JSON gives, sections spelled as JSON spells
// them ("[System]").
py::list Rows(const CResult& result, const py::object& rowType, const py::object& kinds) {
  py::list rows;
  for (const report::CEntry& e : result.report.entries) {
    rows.append(rowType(DecodedText(e.section), py::bytes(e.key.data(), e.key.size()),
                        OptionalBytes(e.left), OptionalBytes(e.right),
                        kinds(static_cast<int>(e.status)), LineNumber(e.leftLine),
                        LineNumber(e.rightLine)));
  }
  return rows;
}

py::dict Counts(const report::CSectionStats& stats) {
  py::dict counts;
  counts["same"] = stats.same;
  counts["different"] = stats.different;
  counts["only_left"] = stats.onlyLeft;
  counts["only_right"] = stats.onlyRight;
  counts["dropped"] = stats.dropped;
  counts["reconciled"] = stats.reconciled;
  counts["hidden"] = stats.hidden;
  counts["ignored"] = stats.ignored;
  return counts;
}

py::list Hidden(const CResult& result, const py::object& hiddenType) {
  py::list hidden;
  for (const report::CHiddenDifference& h : result.report.hidden) {
    const std::string_view section = h.section;
    const std::string_view reason = report::HiddenReasonName(h.reason);
    hidden.append(hiddenType(DecodedText(section), py::bytes(h.key.data(), h.key.size()),
                             OptionalBytes(h.left), OptionalBytes(h.right),
                             py::str(reason.data(), reason.size()), DecodedText(h.why), h.ignored,
                             LineNumber(h.leftLine), LineNumber(h.rightLine)));
  }
  return hidden;
}

// The two marked results written as `varnic compare --save` writes them: both land or neither
// does, and an output that is a compared file or the other output is refused before anything
// is written.
void Save(const CResult& result, const py::object& out1, const py::object& out2) {
  const std::array<std::string, 2> outputs = {
      FilePath(PathObject(out1, "save() out1"), "save() out1"),
      FilePath(PathObject(out2, "save() out2"), "save() out2")};
  base::COutputPlan plan;
  for (const std::string& input : result.paths) {
    if (!input.empty()) plan.AddInput(input);
  }
  for (const std::string& output : outputs) plan.AddOutput(output);
  if (const std::optional<base::COutputConflict> conflict = plan.Check()) {
    throw py::value_error(conflict->otherIsInput
                              ? "save(): '" + conflict->output + "' is a compared file"
                              : "save(): '" + conflict->output + "' is given as both outputs");
  }
  std::error_code error;
  std::string failed;
  {
    const py::gil_scoped_release unlocked;
    CStagedFiles files;
    const CComparison& comparison = result.comparison;
    bool ok = true;
    for (const auto& [path, side] :
         {std::pair{&outputs[0], FileSide::kFile1}, {&outputs[1], FileSide::kFile2}}) {
      const FileSide file = side;
      ok = ok &&
           files.Stage(
               *path,
               [&comparison, file](CBufferedWriter& out) { RenderMarked(comparison, file, out); },
               error);
    }
    ok = ok && files.Commit(error);
    if (!ok) failed = files.FailedPath();
  }
  if (!failed.empty()) {
    RaiseOsError(error, failed == outputs[0] ? out1 : out2);
  }
}

std::string Json(const CResult& result, bool showSecrets) {
  report::CSecretMasker masker;
  masker.Prime(result.report);
  std::ostringstream out;
  report::WriteJson(result.report, showSecrets, out, &masker);
  return std::move(out).str();
}

}  // namespace
}  // namespace varnic::python

// The extension under the package `varnic`, which re-exports it; its names say "varnic" so that
// help(), repr() and pickles show the public ones.
PYBIND11_MODULE(_varnic, m) {
  using namespace varnic;
  using namespace varnic::python;
  m.doc() = "The compiled core of the varnic package; import varnic instead.";
  m.attr("__version__") = LibraryVersion();

  const py::module_ enum_module = py::module_::import("enum");
  const py::object kinds = enum_module.attr("IntEnum")(
      "RowKind",
      py::make_tuple(py::make_tuple("SAME", static_cast<int>(RowKind::kSame)),
                     py::make_tuple("DIFFERENT", static_cast<int>(RowKind::kDifferent)),
                     py::make_tuple("ONLY_LEFT", static_cast<int>(RowKind::kOnlyLeft)),
                     py::make_tuple("ONLY_RIGHT", static_cast<int>(RowKind::kOnlyRight))));
  kinds.attr("__module__") = "varnic";
  m.attr("RowKind") = kinds;
  const py::object rowType =
      py::module_::import("collections")
          .attr("namedtuple")("Row", "section key left right kind left_line right_line",
                              py::arg("defaults") = py::make_tuple(py::none(), py::none()),
                              py::arg("module") = "varnic");
  rowType.attr("__doc__") =
      "One setting as the two files hold it: the section header ('[System]'), the key, the "
      "value each file holds (bytes; None where that file lacks the key), the kind (RowKind) "
      "and the line numbers in the files as read (from 1; None where the file lacks the key).";
  m.attr("Row") = rowType;
  const py::object hiddenType =
      py::module_::import("collections")
          .attr("namedtuple")("HiddenDifference",
                              "section key left right reason why ignored left_line right_line",
                              py::arg("defaults") = py::make_tuple(py::none(), py::none()),
                              py::arg("module") = "varnic");
  hiddenType.attr("__doc__") =
      "A setting that was not compared and differs: the section header, the key, the value "
      "each file holds (bytes or None), the reason (a name, as JSON gives it), why (in words), "
      "whether an ignore pattern matched it, and the line numbers (from 1, or None).";
  m.attr("HiddenDifference") = hiddenType;

  py::class_<CResult> comparison(m, "Comparison",
                                 "The comparison of two backups. Every value it gives is a copy.");
  comparison
      .def_property_readonly(
          "rows", [rowType, kinds](const CResult& r) { return Rows(r, rowType, kinds); },
          "Every aligned setting, section by section in output order.")
      .def_property_readonly(
          "counts", [](const CResult& r) { return Counts(r.report.stats.back()); },
          "Totals: same, different, only_left, only_right, dropped (by the relevance rules), "
          "reconciled, hidden (settings not compared that differ) and ignored.")
      .def_property_readonly(
          "section_counts",
          [](const CResult& r) {
            py::dict counts;
            for (const report::CSectionStats& stats : r.report.stats) {
              if (stats.section != "total") counts[DecodedText(stats.section)] = Counts(stats);
            }
            return counts;
          },
          "The counts per section header, e.g. counts['[System]'].")
      .def_property_readonly(
          "differs", [](const CResult& r) { return r.report.verdict.Differs(); },
          "True when a setting not ignored is marked d_ or o_ (with strict, also when a setting "
          "that was not compared differs).")
      .def_property_readonly(
          "hidden", [hiddenType](const CResult& r) { return Hidden(r, hiddenType); },
          "The settings that were not compared and differ: section, key, left, right (bytes or "
          "None), reason, why (in words) and ignored.")
      .def_property_readonly("types",
                             [](const CResult& r) {
                               return py::make_tuple(r.comparison.Type(FileSide::kFile1),
                                                     r.comparison.Type(FileSide::kFile2));
                             })
      .def(
          "marked",
          [](const CResult& r) {
            std::string first;
            std::string second;
            {
              const py::gil_scoped_release unlocked;
              first = MarkedText(r.comparison, FileSide::kFile1);
              second = MarkedText(r.comparison, FileSide::kFile2);
            }
            return py::make_tuple(py::bytes(first), py::bytes(second));
          },
          "The two marked results as bytes, exactly as `varnic compare --save` writes them.")
      .def("save", &Save, py::arg("out1"), py::arg("out2"),
           "Writes the two marked results to out1 and out2 as `varnic compare --save` does: both "
           "or neither. Raises ValueError when an output is a compared file or both outputs are "
           "one file (by any spelling), before anything is written, and OSError naming the file "
           "that cannot be written.")
      .def(
          "to_json",
          [](const CResult& r, bool showSecrets) {
            std::string json;
            {
              const py::gil_scoped_release unlocked;
              json = Json(r, showSecrets);
            }
            return py::str(json);
          },
          py::arg("show_secrets") = false,
          "The report as `varnic compare --format json` prints it (secrets as labels unless "
          "show_secrets).");
  RegisterGolden(m, comparison);

  {
    // The docstring gives the signature as a Python user writes it; pybind11's would show every
    // argument as `object`.
    py::options options;
    options.disable_function_signatures();
    m.def(
        "compare", &CompareArguments, py::arg("a"), py::arg("b"), py::arg("type1") = py::none(),
        py::arg("type2") = py::none(), py::arg("strict") = false, py::arg("ignore") = py::tuple(),
        py::kw_only(), py::arg("types") = py::none(), py::arg("template") = false,
        py::arg("vars") = py::none(), py::arg("device") = py::none(),
        "compare(a, b, type1=0, type2=0, strict=False, ignore=(), *, types=None, template=False, "
        "vars=None, device=None) -> Comparison\n\n"
        "Compares two backups, each given as bytes (the backup itself) or as a path (str or "
        "os.PathLike).\n\n"
        "type1, type2: the device type of each file, 0 or 'single-band', 1 or 'dual-band' (any "
        "32-bit number is taken, as the command takes it). types='auto' picks both from the "
        "files instead: the one without 5 GHz settings is single-band.\n"
        "strict: settings not compared that differ count as differences.\n"
        "ignore: '[Section]key' glob patterns (one str, or a list) of settings that count for "
        "nothing.\n"
        "template: a is a golden template, rendered for b before the comparison: a value "
        "'{{ one_of 1 6 11 }}' (or range, in, regex, any) becomes b's own where b's satisfies "
        "it and stays as its text where it does not.\n"
        "vars: the inventory (CSV with a 'device' column, or JSON keyed by device) that fills "
        "the template's '{{ name }}' variables; implies template. b is looked up by its path, "
        "that path without extension, then its file name without extension.\n"
        "device: b's name in the inventory instead (needed when b is bytes).\n\n"
        "Raises OSError (with filename) for a file that cannot be read (the inventory too), "
        "ValueError naming the file for one with nothing in any known section, a malformed "
        "template or inventory, or a device without a row or a variable, and TypeError or "
        "ValueError naming the argument that cannot be used. The comparison runs without the GIL.");
  }
  RegisterAudit(m);
}
