#ifndef VARNIC_CLI_HISTORY_RENDER_H_
#define VARNIC_CLI_HISTORY_RENDER_H_

#include <ostream>
#include <string>
#include <vector>

#include "store/store.h"
#include "store/timeline.h"

// The history's views in each format. Names and values are escaped for where they go: the
// terminal's safe text, CSV quoting, JSON strings, HTML entities.
namespace varnic::cli {

enum class HistoryFormat;

void WriteRuns(const std::vector<store::CRun>& runs, HistoryFormat format, std::ostream& out);
void WriteSince(const store::CSince& since, const std::vector<store::CRun>& runs,
                HistoryFormat format, std::ostream& out);
void WriteTimeline(const std::string& device, const std::vector<store::CTimelineEntry>& entries,
                   HistoryFormat format, std::ostream& out);

// A self-contained page: the runs, trend charts in inline SVG (drifted devices per run, the
// most drifted settings over time) and the drift since `since` when given. No script.
void WriteHistoryHtml(const std::vector<store::CRun>& runs, const store::CTrends& trends,
                      const store::CSince* since, const std::string& generatedAt,
                      std::ostream& out);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_HISTORY_RENDER_H_
