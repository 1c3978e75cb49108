#ifndef VARNIC_REPORT_TERMINAL_TEXT_H_
#define VARNIC_REPORT_TERMINAL_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varnic::report {

// One visible cell of terminal output: either a valid UTF-8 character or an escape such as
// "\x1b" standing for a byte that would act on the terminal (control bytes, DEL, invalid UTF-8).
using Cells = std::vector<std::string>;

// Splits raw configuration bytes into cells that are safe to print. A backslash is shown as "\\"
// so an escape can never be mistaken for the bytes it stands for.
Cells ToSafeCells(std::string_view bytes);

// Joins cells back into printable text.
std::string Join(const Cells& cells, std::size_t begin, std::size_t end);

// True when every byte is printable ASCII other than the backslash: such text is its own safe
// form, one cell a byte, and can skip the split into cells.
bool IsPlainText(std::string_view bytes);

// The whole of `bytes` in its safe form: Join(ToSafeCells(bytes)), cheaply for plain text.
std::string SafeText(std::string_view bytes);
// SafeText(bytes) appended to `out`: a line made of many pieces needs no string for each.
void AppendSafeText(std::string& out, std::string_view bytes);

// The columns safe text takes on a terminal: an escape shows as its own characters, a UTF-8
// character as one.
std::size_t Columns(std::string_view safeText);

// `bytes` in its safe form, at most `width` columns: when longer, its middle gives way to "...",
// so that a path keeps its folder's start and its file name's end. Never cuts a character or an
// escape in two.
std::string ShortenMiddle(std::string_view bytes, std::size_t width);

}  // namespace varnic::report

#endif  // VARNIC_REPORT_TERMINAL_TEXT_H_
