// `audit --merge` over any document: a refused one leaves the merge as it was and is told in
// the audit's words (never a library's text); an accepted one renders and merges again to the
// same summary, so no count read in is wrapped or cut on the way.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "audit/merge.h"
#include "audit/render.h"
#include "audit/summary.h"
#include "fuzz/fuzz_check.h"

namespace {

using namespace varnic::audit;
using varnic::fuzz::Check;

std::string Render(CMergedAudits& merged) {
  const CAuditSummary summary =
      Summarize(std::move(merged.devices), merged.targets, merged.duplicates, merged.interrupted,
                merged.strict, &merged.tally);
  std::ostringstream out;
  WriteAuditJson(summary, out);
  return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = varnic::fuzz::AsText(data, size);
  CMergedAudits merged;
  std::string error;
  if (!MergeAuditJson(text, merged, error)) {
    Check(!error.empty(), "a refused document without a reason");
    // A reason may quote a short text of the document, which may itself hold those words.
    Check(text.find("json.exception") != std::string::npos ||
              error.find("json.exception") == std::string::npos,
          "a library's text in the reason");
    Check(merged.devices.empty() && merged.targets == 0 && merged.paths.empty(),
          "a refused document changed the merge");
    return 0;
  }
  const std::string once = Render(merged);
  CMergedAudits again;
  Check(MergeAuditJson(once, again, error), "a rendered merge is refused when merged again");
  Check(Render(again) == once, "a merge does not survive rendering and merging");
  return 0;
}
