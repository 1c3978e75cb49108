#include "varnic/marked.h"

#include "engine/align.h"

namespace varnic {
namespace {

struct CStringSink {
  std::string& out;
  void Append(std::string_view bytes) { out.append(bytes); }
};

}  // namespace

std::string_view MarkOf(RowKind kind) {
  switch (kind) {
    case RowKind::kSame:
      return "s_";
    case RowKind::kDifferent:
      return "d_";
    case RowKind::kOnlyLeft:
    case RowKind::kOnlyRight:
      return "o_";
  }
  return "o_";
}

std::string_view MarkedBody(const CRow& row, FileSide side) {
  const std::optional<std::string_view>& line = side == FileSide::kFile1 ? row.left : row.right;
  if (!line) return {};
  const bool both = row.left && row.right;
  return both ? TrimTrailingSpaces(*line) : *line;
}

CMarkedLine MarkedLineOf(const CSectionRows& rows, std::size_t i, FileSide side) {
  const std::optional<std::string_view> line = rows.ComparedLine(i, side);
  if (!line) return {};
  const FileSide other = side == FileSide::kFile1 ? FileSide::kFile2 : FileSide::kFile1;
  const bool both = rows.BucketLine(i, other).has_value();
  return {MarkOf(rows.kind(i)), both ? TrimTrailingSpaces(*line) : *line};
}

std::string MarkedText(const CComparison& comparison, FileSide side) {
  std::string text;
  CStringSink sink{text};
  RenderMarked(comparison, side, sink);
  return text;
}

std::vector<std::string> MarkedLines(const CComparison& comparison, FileSide side) {
  std::vector<std::string> lines;
  ForEachMarkedLine(comparison, side, [&](std::string_view mark, std::string_view body) {
    lines.push_back(std::string(mark).append(body));
  });
  return lines;
}

}  // namespace varnic
