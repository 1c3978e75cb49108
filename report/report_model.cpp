#include "report/report_model.h"

#include "varnic/marked.h"

namespace varnic::cli {
namespace {

std::optional<std::string_view> ValueOf(const CRow& row, FileSide side) {
  if (!(side == FileSide::kFile1 ? row.left : row.right)) return std::nullopt;
  const std::string_view body = MarkedBody(row, side);
  return body.substr(body.find('=') + 1);
}

}  // namespace

std::vector<CEntry> EntriesOf(const CComparison& comparison) {
  std::vector<CEntry> entries;
  entries.reserve(comparison.ResultLineCount());
  for (const CSectionRows& rows : comparison.Sections()) {
    for (const CRow row : rows) {
      entries.push_back({SectionHeader(row.section), row.key, ValueOf(row, FileSide::kFile1),
                         ValueOf(row, FileSide::kFile2), row.kind});
    }
  }
  return entries;
}

std::string StatusName(CEntry::Status status) {
  switch (status) {
    case RowKind::kSame:
      return "same";
    case RowKind::kDifferent:
      return "different";
    case RowKind::kOnlyLeft:
      return "only_left";
    case RowKind::kOnlyRight:
      return "only_right";
  }
  return "same";
}

}  // namespace varnic::cli
