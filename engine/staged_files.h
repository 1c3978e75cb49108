#ifndef VARNIC_ENGINE_STAGED_FILES_H_
#define VARNIC_ENGINE_STAGED_FILES_H_

#include <string>
#include <system_error>
#include <vector>

#include "engine/text_file.h"

namespace varnic {

// Outputs that replace their targets together or not at all. Stage writes an output in full to
// a new file beside its target (through a symbolic link to where it points, so that the link
// stays a link) and flushes it to disk; Commit renames every staged file into place, and when a
// rename fails puts back the targets it had already replaced. A target that exists and is not a
// regular file (a device, a pipe) cannot be replaced: it is written directly, first, at Commit.
// Whatever is not committed is removed; an uncommitted target is never touched.
class CStagedFiles {
 public:
  CStagedFiles() = default;
  // `flushEach` false: a staged file is not flushed to disk by itself; the caller writing many
  // outputs syncs their file system once with SyncFileSystem before it reports them written.
  // Windows has no such sync: there each file is flushed all the same.
  explicit CStagedFiles(bool flushEach) : flushEach_(flushEach) {}
  ~CStagedFiles();
  CStagedFiles(const CStagedFiles&) = delete;
  CStagedFiles& operator=(const CStagedFiles&) = delete;

  // `write` fills the output; for a direct target it runs at Commit, so what it refers to must
  // live until then.
  bool Stage(const std::string& path, const CWriteBody& write, std::error_code& error);
  bool Commit(std::error_code& error);
  // After a failed Stage or Commit: the output that failed, as it was named to Stage.
  const std::string& FailedPath() const { return failed_; }

 private:
  struct COutput {
    std::string path;    // as given to Stage
    std::string target;  // the path renamed onto, its links resolved
    std::string temp;    // the staged file; empty for a direct target
    CWriteBody direct;   // what a direct target is written with
    std::string backup;  // a second name of the replaced target while committing
    bool existed = false;
    bool replaced = false;
  };

  void Restore();

  std::vector<COutput> outputs_;
  std::string failed_;
  bool flushEach_ = true;
};

// Flushes everything written to the file system that holds `path` (an existing file or
// directory) to disk: one sync for many outputs staged without flushing each. False, with the
// reason in `error`, when it cannot.
bool SyncFileSystem(const std::string& path, std::error_code& error);

}  // namespace varnic

#endif  // VARNIC_ENGINE_STAGED_FILES_H_
