#ifndef VARNIC_PYTHON_AUDIT_BINDING_H_
#define VARNIC_PYTHON_AUDIT_BINDING_H_

#include <pybind11/pybind11.h>

namespace varnic::python {

// Adds the fleet audit's pieces to the extension: _Fleet (the targets of one audit, listed once,
// and the fold of the batches' summaries) and _audit_batch (one batch, audited without the GIL).
// The package's varnic.audit and varnic.dask.audit put them together.
void RegisterAudit(pybind11::module_& module);

}  // namespace varnic::python

#endif  // VARNIC_PYTHON_AUDIT_BINDING_H_
