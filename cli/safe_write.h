#ifndef VARNIC_CLI_SAFE_WRITE_H_
#define VARNIC_CLI_SAFE_WRITE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "engine/text_file.h"

namespace varnic::cli {

// True when both paths name one existing file, however they are spelled.
bool SameFile(const std::string& a, const std::string& b);

// An output written in two steps, so that several outputs land together or not at all: Stage
// writes the output to a temporary file beside the target and flushes it to disk; Commit renames
// it into place, keeping the file it replaces (as a hard link) until Finish, so that Restore can
// put it back. An output that is a symbolic link is written through to the file it names; one
// that exists and is not a regular file (a device such as /dev/null, a pipe) is written directly
// at Commit, never replaced, and cannot be restored. An uncommitted stage is removed.
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
  // After a Commit: puts back what the output held before (or removes a file it created).
  void Restore();
  // After a Commit: drops what Restore would need.
  void Finish();

 private:
  std::string path_;      // the file written: the output, or the file its link names
  std::string temp_;      // empty when writing directly
  std::string backup_;    // the replaced file, kept until Finish
  bool created_ = false;  // Commit made a file where there was none
  CWriteBody direct_;     // what a direct write writes
};

// Commits staged outputs in order; when one fails, the ones committed before it are restored, so
// the outputs keep their earlier contents together. `failed` is the one that failed.
bool CommitAll(const std::vector<CStagedFile*>& files, std::error_code& error, std::size_t& failed);

// The name of a temporary file beside `path`, with six "X" for a unique file to replace, kept
// within the length a file name may have however long the output's name is.
std::string TempNameBeside(const std::string& path);

// Stage and Commit in one: a failed or interrupted run never leaves a half-written file where a
// good one stood.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::error_code& error);

}  // namespace varnic::cli

#endif  // VARNIC_CLI_SAFE_WRITE_H_
