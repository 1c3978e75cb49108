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

struct CMarkedLine {
  std::string_view mark;
  std::string_view body;
};
// Row `i` of `rows` in the marked result of `side`, as MarkOf and MarkedBody give it, without
// forming the row (a saved result of a million lines would split each line at "=" three times).
CMarkedLine MarkedLineOf(const CSectionRows& rows, std::size_t i, FileSide side);

// Calls `emit(mark, body)` for each line of the marked result of `side`: a header line has no
// mark, and the empty line opposite a key the file lacks has neither mark nor body.
template <typename Emit>
void ForEachMarkedLine(const CComparison& comparison, FileSide side, Emit&& emit) {
  for (const CSectionRows& rows : comparison.Sections()) {
    emit(std::string_view(), SectionHeader(rows.section()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const CMarkedLine line = MarkedLineOf(rows, i, side);
      emit(line.mark, line.body);
    }
  }
}

// The marked result of `side` as a result file holds it: every line ended by CR LF. A sink
// with AppendLine(mark, body) takes each line whole.
template <typename Sink>
void RenderMarked(const CComparison& comparison, FileSide side, Sink& sink) {
  ForEachMarkedLine(comparison, side, [&](std::string_view mark, std::string_view body) {
    if constexpr (requires { sink.AppendLine(mark, body); }) {
      sink.AppendLine(mark, body);
    } else {
      sink.Append(mark);
      sink.Append(body);
      sink.Append("\r\n");
    }
  });
}

std::string MarkedText(const CComparison& comparison, FileSide side);
std::vector<std::string> MarkedLines(const CComparison& comparison, FileSide side);

}  // namespace varnic

#endif  // VARNIC_MARKED_H_
