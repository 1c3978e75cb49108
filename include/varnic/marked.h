#ifndef VARNIC_MARKED_H_
#define VARNIC_MARKED_H_

#include <string>
#include <string_view>
#include <vector>

#include "varnic/comparison.h"

namespace varnic {

// The two-character mark of a row: "s_", "d_" or "o_".
std::string_view MarkOf(RowKind kind);

// What a marked result shows of `side` after the mark; empty where that file lacks the key.
std::string_view MarkedBody(const CRow& row, FileSide side);

// Calls `emit(mark, body)` for each line of the marked result of `side`: a header line has no
// mark, and the empty line opposite a key the file lacks has neither mark nor body.
template <typename Emit>
void ForEachMarkedLine(const CComparison& comparison, FileSide side, Emit&& emit) {
  for (const CSectionRows& rows : comparison.Sections()) {
    emit(std::string_view(), SectionHeader(rows.section()));
    for (const CRow row : rows) {
      const bool present = side == FileSide::kFile1 ? row.left.has_value() : row.right.has_value();
      emit(present ? MarkOf(row.kind) : std::string_view(), MarkedBody(row, side));
    }
  }
}

// The marked result of `side` as a result file holds it: every line ended by CR LF.
template <typename Sink>
void RenderMarked(const CComparison& comparison, FileSide side, Sink& sink) {
  ForEachMarkedLine(comparison, side, [&](std::string_view mark, std::string_view body) {
    sink.Append(mark);
    sink.Append(body);
    sink.Append("\r\n");
  });
}

std::string MarkedText(const CComparison& comparison, FileSide side);
std::vector<std::string> MarkedLines(const CComparison& comparison, FileSide side);

}  // namespace varnic

#endif  // VARNIC_MARKED_H_
