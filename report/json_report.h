#ifndef VARNIC_REPORT_JSON_REPORT_H_
#define VARNIC_REPORT_JSON_REPORT_H_

#include <ostream>

#include "report/report_model.h"
#include "report/secrets.h"

namespace varnic::cli {

// Writes the report as one JSON document (schema_version 1, see docs/varnic.schema.json) to
// `out` as it goes. Secret values are replaced by labels unless `showSecrets`. Bytes that are not
// UTF-8 become U+FFFD.
// `masker` gives the labels; pass the run's masker so that every output of the run agrees.
void WriteJson(const CReport& report, bool showSecrets, std::ostream& out,
               CSecretMasker* masker = nullptr);

}  // namespace varnic::cli

#endif  // VARNIC_REPORT_JSON_REPORT_H_
