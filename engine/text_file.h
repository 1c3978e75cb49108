#ifndef VARNIC_ENGINE_TEXT_FILE_H_
#define VARNIC_ENGINE_TEXT_FILE_H_

#include <string>
#include <string_view>
#include <system_error>

#include "model/line_list.h"

namespace varnic {

// Appends the lines of `bytes` to `lines`. A line ends at LF; one CR directly before the LF
// belongs to the break. A last line without LF is kept; every other byte, NUL included, stays.
void SplitLines(std::string_view bytes, CLineList& lines);

// Reads a whole file as raw bytes. False with `error` set when it cannot be opened or read (a
// directory is a read error, not an empty file); `bytes` then holds what was read before.
bool ReadFileBytes(const std::string& path, std::string& bytes, std::error_code& error);

// Reads `path` and appends its lines. When reading fails partway, the whole lines read before the
// failure are appended and the result is false.
bool ReadLines(const std::string& path, CLineList& lines, std::error_code& error);

// The bytes a result file holds: every line followed by CR LF, nothing else.
std::string JoinLinesCrLf(const CLineList& lines);

// Writes all of `bytes` to the open descriptor `fd`, through short writes and interruptions.
// False with errno set on a write error.
bool WriteAll(int fd, std::string_view bytes);

// Creates or truncates `path` and writes `bytes`. False with `error` set when the file cannot be
// created, written, flushed or closed; what was written so far stays on disk.
bool WriteFileBytes(const std::string& path, std::string_view bytes, std::error_code& error);

}  // namespace varnic

#endif  // VARNIC_ENGINE_TEXT_FILE_H_
