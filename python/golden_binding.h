#ifndef VARNIC_PYTHON_GOLDEN_BINDING_H_
#define VARNIC_PYTHON_GOLDEN_BINDING_H_

#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "golden/golden.h"
#include "golden/template.h"
#include "python/comparison_result.h"

// compare() with file 1 as a golden template (template=True, vars=PATH, device=NAME), as
// `varnic compare --template --vars FILE --device NAME` has it, and the way back from a
// comparison: Comparison.remediation and Comparison.fixed().
namespace varnic::python {

namespace py = pybind11;

// compare()'s golden arguments, read with the GIL held.
struct CGoldenRequest {
  bool templated = false;  // template=True, or implied by vars
  py::object varsObject;   // os.fspath of vars, for OSError.filename; None without one
  std::string varsPath;    // as the file layer opens it; "" without one
  std::string varsShown;   // as messages name it
  std::optional<std::string> device;
};

// TypeError or ValueError naming the argument that cannot be used.
CGoldenRequest GoldenRequest(const py::handle& templateArgument, const py::handle& vars,
                             const py::handle& device);

// File 1 rendered for file 2: what the report and the fix need, or why it could not be.
struct CGoldenRun {
  std::shared_ptr<const golden::CGolden> golden;  // null unless file 1 is a template
  std::vector<std::string> names;                 // file 2's names in the inventory
  std::vector<golden::CFailedRule> failed;
  std::error_code readError;  // the inventory could not be read
  std::string error;          // a malformed template or inventory, a variable without a value

  bool Failed() const { return static_cast<bool>(readError) || !error.empty(); }
};

// Replaces `text1` by its rendering for `text2` when the request makes file 1 a template.
// Touches no Python object: run it without the GIL. `name1` names file 1 in messages; `path2`
// is file 2's path as opened ("" for bytes), which names the device unless the request does.
CGoldenRun RenderGolden(const CGoldenRequest& request, const std::string& name1,
                        const std::string& path2, std::string& text1, const std::string& text2);

// What a failed run raises: OSError with the inventory's name, or ValueError with the reason.
void RaiseIfFailed(const CGoldenRun& run, const CGoldenRequest& request);

// Adds Remedy, Comparison.remediation and Comparison.fixed() to the extension.
void RegisterGolden(py::module_& module, py::class_<CResult>& comparison);

}  // namespace varnic::python

#endif  // VARNIC_PYTHON_GOLDEN_BINDING_H_
