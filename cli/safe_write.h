#ifndef VARNIC_CLI_SAFE_WRITE_H_
#define VARNIC_CLI_SAFE_WRITE_H_

#include <string>
#include <string_view>
#include <system_error>

namespace varnic::cli {

// True when both paths name one existing file, however they are spelled.
bool SameFile(const std::string& a, const std::string& b);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`, so a failed or interrupted run never leaves a half-written file where a good one stood.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::error_code& error);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_SAFE_WRITE_H_
