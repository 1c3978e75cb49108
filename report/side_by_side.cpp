#include "report/side_by_side.h"

#include <algorithm>
#include <unordered_map>

#include "report/terminal_text.h"
#include "varnic/marked.h"

namespace varnic::report {
namespace {

constexpr std::size_t kGutterWidth = 3;  // " | "
constexpr std::size_t kMinColumn = 8;

std::size_t CellWidth(const std::string& cell) { return cell.front() == '\\' ? cell.size() : 1; }

// Cuts `cells` into rows of at most `column` display columns.
std::vector<std::string> Rows(const Cells& cells, std::size_t column, bool truncate) {
  std::vector<std::string> rows;
  std::string row;
  std::size_t used = 0;
  for (const std::string& cell : cells) {
    const std::size_t w = CellWidth(cell);
    if (used + w > column && used > 0) {
      rows.push_back(row + std::string(column - used, ' '));
      if (truncate) return rows;
      row.clear();
      used = 0;
    }
    row += cell;
    used += w;
  }
  if (used > 0 || rows.empty())
    rows.push_back(row + std::string(column - std::min(used, column), ' '));
  return rows;
}

// The same for text: plain text is a cell a byte, so it is cut without forming cells.
std::vector<std::string> Rows(std::string_view text, std::size_t column, bool truncate) {
  if (!IsPlainText(text)) return Rows(ToSafeCells(text), column, truncate);
  std::vector<std::string> rows;
  std::size_t start = 0;
  do {
    std::string row(text.substr(start, column));
    row.resize(column, ' ');
    rows.push_back(std::move(row));
    start += column;
  } while (start < text.size() && !truncate);
  return rows;
}

char GutterFor(RowKind kind) {
  switch (kind) {
    case RowKind::kDifferent:
      return '|';
    case RowKind::kOnlyLeft:
      return '<';
    case RowKind::kOnlyRight:
      return '>';
    case RowKind::kSame:
      break;
  }
  return ' ';
}

// Colour codes are added after escaping, so no configuration byte can form one.
const char* ColorFor(char gutter) {
  switch (gutter) {
    case '|':
      return "\x1b[33m";
    case '<':
      return "\x1b[31m";
    case '>':
      return "\x1b[32m";
    default:
      return nullptr;
  }
}

constexpr const char* kBold = "\x1b[1m";
constexpr const char* kReset = "\x1b[0m";

bool HasDifference(const CSectionRows& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows.kind(i) != RowKind::kSame) return true;
  }
  return false;
}

// A padded column cell with the part after "key=" coloured; the padding stays outside the colour
// and the right cell loses its trailing blanks, as every line does.
std::string ValueHighlighted(const std::string& cell, std::size_t keyWidth, const char* color,
                             bool padded) {
  const std::size_t end = cell.find_last_not_of(' ') + 1;
  if (keyWidth >= end) return padded ? cell : cell.substr(0, end);
  std::string out =
      cell.substr(0, keyWidth) + color + cell.substr(keyWidth, end - keyWidth) + kReset;
  if (padded) out += cell.substr(end);
  return out;
}

}  // namespace

std::string RenderSideBySide(const CComparison& comparison, const CViewOptions& options,
                             CSecretMasker* masker) {
  const std::size_t column =
      std::max(kMinColumn, (std::max(options.width, kGutterWidth) - kGutterWidth) / 2);
  const std::string blank(column, ' ');
  // A MAC filter entry matched under another number is shown as its file holds it.
  std::unordered_map<const char*, std::string_view> original;
  const CChangeLog& log = comparison.Changes();
  log.Changes().ForEachOfKind(
      [](ChangeKind kind) { return kind == ChangeKind::kRenumbered; },
      [&](const CChange& change) { original.emplace(log.After(change).data(), change.line); });
  const auto text = [&](const CRow& row, FileSide side) {
    std::string_view body = MarkedBody(row, side);
    if (!original.empty() && !body.empty()) {
      const auto found = original.find(body.data());
      if (found != original.end()) body = found->second;
    }
    return masker != nullptr ? masker->MaskLine(body) : std::string(body);
  };
  std::string out;
  for (const CSectionRows& rows : comparison.Sections()) {
    if (options.suppressCommonLines && !HasDifference(rows)) continue;
    const std::string header = SafeText(SectionHeader(rows.section()));
    out += options.color ? kBold + header + kReset + "\n" : header + "\n";
    for (const CRow row : rows) {
      const char gutter = GutterFor(row.kind);
      if (gutter == ' ' && options.suppressCommonLines) continue;
      // Left before right, so that a masker labels the values in reading order.
      const std::string left = text(row, FileSide::kFile1);
      const std::string right = text(row, FileSide::kFile2);
      const auto leftRows = Rows(std::string_view(left), column, options.truncate);
      const auto rightRows = Rows(std::string_view(right), column, options.truncate);
      const char* color = options.color ? ColorFor(gutter) : nullptr;
      if (color != nullptr && gutter == '|' && leftRows.size() == 1 && rightRows.size() == 1 &&
          IsPlainText(left) && IsPlainText(right)) {
        // Only the values differ: the keys stay plain so the eye goes to what changed.
        out += ValueHighlighted(leftRows[0], row.key.size() + 1, color, true) + " | " +
               ValueHighlighted(rightRows[0], row.key.size() + 1, color, false) + "\n";
        continue;
      }
      const std::size_t height = std::max(leftRows.size(), rightRows.size());
      for (std::size_t r = 0; r < height; ++r) {
        std::string line = (r < leftRows.size() ? leftRows[r] : blank) + ' ' + gutter + ' ' +
                           (r < rightRows.size() ? rightRows[r] : blank);
        line.erase(line.find_last_not_of(' ') + 1);
        out += color != nullptr ? color + line + kReset + "\n" : line + "\n";
      }
    }
  }
  return out;
}

}  // namespace varnic::report
