#include "python/audit_binding.h"

#include <pybind11/stl.h>

#include <atomic>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "audit/run_info.h"
#include "audit/targets.h"
#include "engine/text_file.h"
#include "python/arguments.h"
#include "python/fleet.h"
#include "varnic/compare.h"
#include "varnic/report/ignore.h"
#include "varnic/report/input_checks.h"

namespace varnic::python {
namespace {

// One audit's targets as listed, and how every batch of it is audited.
struct CFleet {
  CFleetSettings settings;
  audit::CRunOptions options;
  audit::CTargetList list;
};

std::vector<py::object> TargetArguments(const py::handle& targets) {
  std::vector<py::object> paths;
  // One path alone is one target; a str must not be taken for a list of one-letter names.
  if (py::isinstance<py::str>(targets) || py::hasattr(targets, "__fspath__")) {
    paths.push_back(PathObject(targets, "targets"));
    return paths;
  }
  if (!py::hasattr(targets, "__iter__") || py::isinstance<py::bytes>(targets)) {
    throw py::type_error("targets: expected a path or a list of paths (str or os.PathLike), got " +
                         py::cast<std::string>(py::type::handle_of(targets).attr("__name__")));
  }
  for (const py::handle item : targets) {
    paths.push_back(PathObject(item, "targets[" + std::to_string(paths.size()) + "]"));
  }
  if (paths.empty()) throw py::value_error("targets: no target given");
  return paths;
}

void ReadTypes(const py::handle& types, CFleetSettings& settings) {
  if (types.is_none() || IsAuto(types)) {
    settings.autoTypes = true;
    return;
  }
  if (py::isinstance<py::str>(types)) {
    throw py::value_error("types: '" + py::cast<std::string>(types) +
                          "' is not 'auto' (give both types as a pair: (golden, target))");
  }
  if (!py::isinstance<py::tuple>(types) && !py::isinstance<py::list>(types)) {
    throw py::type_error("types: expected 'auto' or a pair (golden type, target type), got " +
                         py::cast<std::string>(py::type::handle_of(types).attr("__name__")));
  }
  const auto pair = py::reinterpret_borrow<py::sequence>(types);
  if (pair.size() != 2) {
    throw py::value_error("types: expected a pair (golden type, target type), got " +
                          std::to_string(pair.size()) + " values");
  }
  settings.baselineType = DeviceType(pair[0], "types[0]");
  settings.targetType = DeviceType(pair[1], "types[1]");
  settings.autoTypes = false;
}

CFleet MakeFleet(const py::object& golden, const py::object& targets, const py::object& ignore,
                 const py::object& strict, const py::object& types, const py::object& glob) {
  CFleet fleet;
  CFleetSettings& settings = fleet.settings;
  const py::object goldenPath = PathObject(golden, "golden");
  settings.baselinePath = FilePath(goldenPath, "golden");
  std::vector<std::string> targetPaths;
  for (const py::object& target : TargetArguments(targets)) {
    targetPaths.push_back(FilePath(target, "targets"));
  }
  settings.ignores = Patterns(ignore, "ignore");
  report::CIgnoreList check;
  for (const std::string& pattern : settings.ignores) {
    std::string error;
    if (!check.Add(pattern, error)) throw py::value_error("ignore: " + error);
  }
  settings.strict = Flag(strict, "strict");
  ReadTypes(types, settings);
  if (!py::isinstance<py::str>(glob)) {
    throw py::type_error("glob: expected a str, got " +
                         py::cast<std::string>(py::type::handle_of(glob).attr("__name__")));
  }
  const auto globText = py::cast<std::string>(glob);

  // The golden file is read and checked once, before any batch: a bad one would fail them all.
  std::error_code code;
  bool read = false;
  std::string problem;
  {
    const py::gil_scoped_release unlocked;
    read = ReadFileBytes(settings.baselinePath, settings.baselineText, code);
    if (read) {
      problem = report::InputProblem(
          Compare({settings.baselineText, 0}, {settings.baselineText, 0}), FileSide::kFile1);
    }
    if (read && problem.empty()) {
      fleet.list = ListFleet(settings.baselinePath, targetPaths, globText);
    }
  }
  if (!read) RaiseOsError(code, goldenPath);
  if (!problem.empty()) {
    throw py::value_error("golden '" + ShownPath(goldenPath) + "' " + problem);
  }

  audit::CRunOptions& options = fleet.options;
  options.baseline = settings.baselinePath;
  options.targets = std::move(targetPaths);
  options.glob = globText;
  options.ignores = settings.ignores;
  options.strict = settings.strict;
  options.baselineType = settings.baselineType;
  options.targetType = settings.targetType;
  options.autoTypes = settings.autoTypes;
  return fleet;
}

// The settings as plain values, so that a batch can be shipped to a worker process.
py::tuple SettingsTuple(const CFleetSettings& s) {
  py::list ignores;
  for (const std::string& pattern : s.ignores) ignores.append(py::bytes(pattern));
  return py::make_tuple(py::bytes(s.baselinePath), py::bytes(s.baselineText), ignores, s.strict,
                        s.baselineType, s.targetType, s.autoTypes);
}

CFleetSettings SettingsOf(const py::tuple& t) {
  if (t.size() != 7) throw py::value_error("settings: not the settings of a fleet");
  CFleetSettings s;
  s.baselinePath = py::cast<std::string>(t[0]);
  s.baselineText = py::cast<std::string>(t[1]);
  s.ignores = py::cast<std::vector<std::string>>(t[2]);
  s.strict = py::cast<bool>(t[3]);
  s.baselineType = py::cast<std::int32_t>(t[4]);
  s.targetType = py::cast<std::int32_t>(t[5]);
  s.autoTypes = py::cast<bool>(t[6]);
  return s;
}

py::tuple AuditBatchArguments(const py::tuple& settingsTuple, const py::list& targetTuples,
                              unsigned jobs) {
  const CFleetSettings settings = SettingsOf(settingsTuple);
  std::vector<CBatchTarget> targets;
  targets.reserve(targetTuples.size());
  for (const py::handle item : targetTuples) {
    const auto [path, error, walked] = py::cast<std::tuple<std::string, std::string, bool>>(item);
    targets.push_back({path, error, walked});
  }
  std::atomic<bool> stop{false};
  bool signalled = false;
  // Ctrl-C reaches the audit: the batch stops, and KeyboardInterrupt is raised rather than a
  // summary of part of it. (Only the main thread sees signals; elsewhere this finds none.)
  const auto monitor = [&stop, &signalled](std::size_t) {
    if (signalled) return;
    const py::gil_scoped_acquire locked;
    if (PyErr_CheckSignals() != 0) {
      signalled = true;
      stop.store(true);
    }
  };
  CBatchResult result;
  std::string error;
  bool ok = false;
  {
    const py::gil_scoped_release unlocked;
    ok = AuditBatch(settings, targets, jobs, stop, monitor, result, error);
  }
  if (signalled) throw py::error_already_set();
  if (!ok) throw py::value_error(error);
  py::list skipped;
  for (const audit::CSkippedFile& file : result.skipped) {
    skipped.append(py::make_tuple(py::bytes(file.path), py::str(file.reason)));
  }
  return py::make_tuple(py::bytes(result.document), skipped);
}

py::bytes Finish(const CFleet& fleet, const std::vector<std::string>& documents,
                 const std::vector<std::string>& skipped) {
  std::string json;
  std::string error;
  bool ok = false;
  {
    const py::gil_scoped_release unlocked;
    ok = FinishFleet(fleet.list, fleet.options, documents, skipped, json, error);
  }
  if (!ok) throw py::value_error(error);
  return {json};
}

}  // namespace

void RegisterAudit(py::module_& m) {
  py::class_<CFleet>(m, "_Fleet",
                     "The targets of one audit, listed once, and what every batch is audited "
                     "with. Checks every argument and reads the golden file.")
      .def(py::init(&MakeFleet), py::arg("golden"), py::arg("targets"),
           py::arg("ignore") = py::tuple(), py::arg("strict") = false,
           py::arg("types") = py::str("auto"), py::arg("glob") = py::str("*.cfg"))
      .def_property_readonly("settings", [](const CFleet& f) { return SettingsTuple(f.settings); })
      .def_property_readonly("targets",
                             [](const CFleet& f) {
                               py::list targets;
                               for (const audit::CTarget& t : f.list.targets) {
                                 targets.append(py::make_tuple(py::bytes(t.path), t.error,
                                                               t.directory != audit::kNamed));
                               }
                               return targets;
                             })
      .def("finish", &Finish, py::arg("documents"), py::arg("skipped"),
           "The batches' summaries (bytes) folded into the fleet's document (bytes); `skipped` "
           "are the paths the batches passed over.");
  m.def("_audit_batch", &AuditBatchArguments, py::arg("settings"), py::arg("targets"),
        py::arg("jobs") = 0,
        "Audits one batch of a fleet's targets on `jobs` threads without the GIL: (summary "
        "document as bytes, [(path, why skipped)]).");
}

}  // namespace varnic::python
