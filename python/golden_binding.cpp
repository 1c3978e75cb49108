#include "python/golden_binding.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/output_plan.h"
#include "engine/staged_files.h"
#include "engine/text_file.h"
#include "golden/fix.h"
#include "golden/inventory.h"
#include "python/arguments.h"

namespace varnic::python {
namespace {

py::list Remediation(const CResult& result, const py::object& remedyType) {
  py::list remedies;
  for (const report::CRemediationItem& item : golden::ReportItems(result.remedies)) {
    remedies.append(remedyType(
        py::str(item.action), DecodedText(item.section),
        py::bytes(item.key.data(), item.key.size()),
        py::bytes(item.value.data(), item.value.size()),
        item.rule.empty() ? py::object(py::none()) : py::object(DecodedText(item.rule))));
  }
  return remedies;
}

// File 2 brought to file 1 and verified as `varnic compare --write-fixed` does it: the bytes,
// or with a path, the file written through a staged output that never lands on an input.
py::object Fixed(const CResult& result, const py::object& path) {
  py::object pathObject = py::none();
  std::string output;
  if (!path.is_none()) {
    pathObject = PathObject(path, "fixed() path");
    output = FilePath(pathObject, "fixed() path");
    base::COutputPlan plan;
    for (const std::string& input : result.paths) {
      if (!input.empty()) plan.AddInput(input);
    }
    if (!result.varsPath.empty()) plan.AddInput(result.varsPath);
    plan.AddOutput(output);
    if (const std::optional<base::COutputConflict> conflict = plan.Check()) {
      throw py::value_error(
          "fixed(): '" + ShownPath(pathObject) + "' is " +
          (conflict->other == result.varsPath ? "the inventory" : "a compared file"));
    }
  }
  std::string fixed;
  std::string error;
  std::error_code writeError;
  bool fixedOk = false;
  bool written = true;
  {
    const py::gil_scoped_release unlocked;
    // A plain golden file is its own rendering for every device.
    golden::CGolden literal;
    const golden::CGolden* golden = result.golden.get();
    if (golden == nullptr) {
      literal.Load(result.report.left.path, result.comparison.Text(FileSide::kFile1), "", error,
                   true);
      golden = &literal;
    }
    const golden::CFixOptions options{result.comparison.Type(FileSide::kFile1),
                                      result.comparison.Type(FileSide::kFile2), &result.ignores,
                                      result.strict};
    std::vector<golden::CRemedy> applied;
    fixedOk = golden::FixDevice(*golden, result.deviceNames,
                                std::string(result.comparison.Text(FileSide::kFile2)), options,
                                fixed, applied, error, &result.remedies);
    if (fixedOk && !output.empty()) {
      CStagedFiles files;
      written = files.Stage(
                    output, [&fixed](CBufferedWriter& out) { out.Append(fixed); }, writeError) &&
                files.Commit(writeError);
    }
  }
  if (!fixedOk) throw py::value_error("fixed(): cannot fix " + result.deviceShown + ": " + error);
  if (!written) RaiseOsError(writeError, pathObject);
  if (path.is_none()) return py::bytes(fixed);
  return py::none();
}

}  // namespace

CGoldenRequest GoldenRequest(const py::handle& templateArgument, const py::handle& vars,
                             const py::handle& device) {
  CGoldenRequest request;
  request.templated = Flag(templateArgument, "template");
  request.varsObject = py::none();
  if (!vars.is_none()) {
    request.varsObject = PathObject(vars, "vars");
    request.varsPath = FilePath(request.varsObject, "vars");
    request.varsShown = ShownPath(request.varsObject);
    request.templated = true;
  }
  if (!device.is_none()) {
    if (!py::isinstance<py::str>(device)) {
      throw py::type_error("device: expected a str, got " +
                           py::cast<std::string>(py::type::handle_of(device).attr("__name__")));
    }
    if (request.varsPath.empty()) {
      throw py::value_error("device: names file 2 in the inventory; give vars=PATH too");
    }
    request.device = py::cast<std::string>(device);
  }
  return request;
}

CGoldenRun RenderGolden(const CGoldenRequest& request, const std::string& name1,
                        const std::string& path2, std::string& text1, const std::string& text2) {
  CGoldenRun run;
  if (!request.templated) return run;
  std::string vars;
  if (!request.varsPath.empty() && !ReadFileBytes(request.varsPath, vars, run.readError)) {
    return run;
  }
  auto loaded = std::make_shared<golden::CGolden>();
  if (!loaded->Load(name1, text1, "", run.error) ||
      (!request.varsPath.empty() && !loaded->SetInventory(request.varsShown, vars, run.error))) {
    return run;
  }
  if (request.device) {
    run.names = {*request.device};
  } else if (!path2.empty()) {
    run.names = golden::DeviceNames(path2);
  }
  if (loaded->Template().UsesVariables()) {
    if (request.varsPath.empty()) {
      run.error = "'" + name1 + "' uses variables; give their values with vars=PATH";
      return run;
    }
    if (run.names.empty()) {
      run.error = "file 2 is bytes: name its row in '" + request.varsShown + "' with device=NAME";
      return run;
    }
  }
  golden::CRendered rendered;
  if (!loaded->RenderFor(run.names, &text2, rendered, run.error)) return run;
  text1 = std::move(rendered.text);
  run.failed = std::move(rendered.failed);
  run.golden = std::move(loaded);
  return run;
}

void RaiseIfFailed(const CGoldenRun& run, const CGoldenRequest& request) {
  if (run.readError) RaiseOsError(run.readError, request.varsObject);
  if (!run.error.empty()) throw py::value_error(run.error);
}

void RegisterGolden(py::module_& module, py::class_<CResult>& comparison) {
  const py::object remedyType = py::module_::import("collections")
                                    .attr("namedtuple")("Remedy", "action section key value rule",
                                                        py::arg("module") = "varnic");
  remedyType.attr("__doc__") =
      "One edit that brings file 2 to file 1, in file 2's own key names: the action ('set', "
      "'add', 'remove' or 'manual'), the section header ('[System]'), the key (bytes), the value "
      "(bytes: to write for set and add, file 2's value for remove and manual) and, for manual, "
      "the rule file 2's value fails (str; None otherwise).";
  module.attr("Remedy") = remedyType;
  comparison
      .def_property_readonly(
          "remediation", [remedyType](const CResult& r) { return Remediation(r, remedyType); },
          "The edits that bring file 2 to file 1, section by section, as `varnic compare "
          "--format=remediation` lists them (with strict, the settings not compared too): a list "
          "of Remedy, empty when there is nothing to do.")
      .def("fixed", &Fixed, py::arg("path") = py::none(),
           "File 2 with exactly the edits of remediation, verified as `varnic compare "
           "--write-fixed` verifies it: comparing file 1 (rendered for the result) with the "
           "result finds nothing. Returns the bytes; given a path, writes them there instead "
           "(atomically; an existing file keeps its permissions) and returns None.\n\n"
           "Raises ValueError when a remedy is manual (a failed rule without a single value to "
           "write) or the fix does not settle, and when the path is a compared file or the "
           "inventory (before anything is written); OSError naming the file that cannot be "
           "written.");
}

}  // namespace varnic::python
