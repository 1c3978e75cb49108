#ifndef VARNIC_AUDIT_MERGE_H_
#define VARNIC_AUDIT_MERGE_H_

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "audit/device_result.h"
#include "audit/run_info.h"
#include "audit/summary.h"

namespace varnic::audit {

// Audit summaries of shards of one fleet, folded back into the devices of one audit. A device
// two shards both hold counts once (the first shard's row) and as a duplicate.
struct CMergedAudits {
  std::vector<CDeviceResult> devices;
  std::size_t targets = 0;
  std::size_t duplicates = 0;
  bool interrupted = false;     // any shard was
  bool strict = false;          // any shard was
  std::set<std::string> paths;  // of `devices`
  // The shards' setting counts added up, less those of the rows dropped as duplicates: a device
  // counts once.
  CSettingTally tally;
  // Duplicates whose drift rows were cut (drift_omitted): the settings beyond those listed
  // cannot be taken back and may count twice.
  std::size_t inexactDuplicates = 0;
  // When and how each shard ran; a merged document's own shards in its place.
  std::vector<CRunInfo> shards;
};

// The schema_version of the documents WriteAuditJson writes and MergeAuditJson reads.
inline constexpr int kAuditSchemaVersion = 2;

// Adds one document as WriteAuditJson writes it. False with the reason in `error` when the text
// is not such a document; `merged` is then unchanged.
bool MergeAuditJson(std::string_view text, CMergedAudits& merged, std::string& error);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_MERGE_H_
