#ifndef VARNIC_CLI_JSON_REPORT_H_
#define VARNIC_CLI_JSON_REPORT_H_

#include <string>

#include "cli/report_model.h"

namespace varnic::cli {

// The report as one JSON document (schema_version 1, see docs/varnic.schema.json). Secret values
// are replaced by labels unless `showSecrets`. Bytes that are not UTF-8 become U+FFFD.
std::string RenderJson(const CReport& report, bool showSecrets);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_JSON_REPORT_H_
