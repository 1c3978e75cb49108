#ifndef VARNIC_REPORT_JSON_REPORT_H_
#define VARNIC_REPORT_JSON_REPORT_H_

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include "varnic/report/report_model.h"
#include "varnic/report/secrets.h"

namespace varnic::report {

// Writes the report as one JSON document (schema_version 3, see docs/varnic.schema.json) to
// `out` as it goes. Secret values are replaced by labels unless `showSecrets`. Bytes that are not
// UTF-8 become U+FFFD.
// `masker` gives the labels; pass the run's masker, primed with `report` (as the run primes it),
// so that every output of the run agrees. Without one the output primes its own.
void WriteJson(const CReport& report, bool showSecrets, std::ostream& out,
               CSecretMasker* masker = nullptr);

// Explanations as JSON lists them: the lines set aside for one reason (same kind, file, section,
// reason and rule) are one object that names the first and lists the numbers of all of them, so
// that a pair with a hundred thousand filtered lines does not make a hundred thousand objects.
struct CExplanationGroup {
  std::size_t first;                 // index of the explanation written for the group
  std::vector<std::uint32_t> lines;  // every line of the group in order, the first's included;
                                     // empty for a kind that is never grouped
  std::uint32_t line = 0;            // which line of that explanation's run the group names
};
// Renumberings, spacing hints, cleared bands and lines without a number stay one group each.
std::vector<CExplanationGroup> GroupExplanations(const std::vector<CExplanation>& explanations);

// The MAC addresses of one filter section that only one file lists, each once, in the order its
// file lists them. Addresses are compared as text without trailing spaces.
struct CMacFilterChanges {
  std::string_view section;             // "[5GHz_Filter]" or "[2.4GHz_Filter]"
  std::vector<std::string_view> added;  // only file 2 lists them
  std::vector<std::string_view> removed;
};

// One per filter section with a filter_mac_add entry in either file, in the order of the entries.
// Views into `report`.
std::vector<CMacFilterChanges> MacFilterChangesOf(const CReport& report);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_JSON_REPORT_H_
