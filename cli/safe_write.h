#ifndef VARNIC_CLI_SAFE_WRITE_H_
#define VARNIC_CLI_SAFE_WRITE_H_

#include <string>
#include <string_view>
#include <system_error>

#include "engine/text_file.h"

namespace varnic::cli {

// True when both paths name one existing file, however they are spelled.
bool SameFile(const std::string& a, const std::string& b);

// An output written in two steps, so that several outputs land together or not at all: Stage
// writes the output to a temporary file beside the target and flushes it to disk; Commit renames
// it into place. An output that exists and is not a regular file (a device such as /dev/null, a
// pipe) is written directly at Commit, never replaced. An uncommitted stage is removed.
class CStagedFile {
 public:
  CStagedFile() = default;
  ~CStagedFile();
  CStagedFile(const CStagedFile&) = delete;
  CStagedFile& operator=(const CStagedFile&) = delete;

  // `write` fills the output; for a device it runs at Commit, so what it refers to must live
  // until then.
  bool Stage(const std::string& path, CWriteBody write, std::error_code& error);
  // The same with bytes in memory, which must likewise live until Commit.
  bool Stage(const std::string& path, std::string_view bytes, std::error_code& error);
  bool Commit(std::error_code& error);

 private:
  std::string path_;
  std::string temp_;   // empty when writing directly
  CWriteBody direct_;  // what a direct write writes
};

// Stage and Commit in one: a failed or interrupted run never leaves a half-written file where a
// good one stood.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::error_code& error);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_SAFE_WRITE_H_
