#ifndef VARNIC_BASE_OUTPUT_PLAN_H_
#define VARNIC_BASE_OUTPUT_PLAN_H_

#include <optional>
#include <string>
#include <vector>

// The one question every front door asks before it writes anything: is an output the same file
// as something this run reads, or as another output? Standard library and POSIX (Win32 on
// Windows); no other layer of ours.
namespace varnic::base {

// Two names for one output or input, however they are spelled.
struct COutputConflict {
  std::string output;  // as given to AddOutput
  std::string other;   // the input or the earlier output it lands on, as given
  bool otherIsInput = false;
};

// Every path a run writes, checked against every path it reads, by identity: an existing file
// by device and inode (volume and file index on Windows), so links, hard links, "." and ".."
// make no difference; a file that does not exist yet by the resolved form of its existing parent
// directory and its last name (links in the parent and a link as the last name followed). An
// output that exists and is not a regular file or a directory (a character device such as
// /dev/null or /dev/stdout, a pipe, /dev/fd/N) is written directly and never conflicts.
class COutputPlan {
 public:
  void AddInput(const std::string& path);
  // The file standard input reads from, when it is a regular file (compare reads "-").
  void AddStandardInput();
  void AddOutput(const std::string& path);
  // Outputs named `directory` / a file name each, as AddOutput would add them one by one. While
  // the directory does not exist (one a run is about to make), none of them does: the directory
  // is resolved once, where each name alone took a dozen look-ups of the file system.
  void AddOutputsIn(const std::string& directory, const std::vector<std::string>& paths);
  // The first conflict in the order the outputs were added (an input before an earlier output);
  // nothing when every output is a file of its own.
  std::optional<COutputConflict> Check() const;

 private:
  struct CEntry {
    std::string path;
    std::string identity;  // empty: written directly, or nothing to compare by
    // An input's identity is looked up by Check, and only when some output could land on it:
    // an audit that writes nothing but its report reads ten thousand backups it need not stat.
    bool pending = false;
  };
  std::vector<CEntry> inputs_;
  std::vector<CEntry> outputs_;
};

// What identifies the file `path` names, as COutputPlan compares it; empty for a device, a
// pipe or a socket. Exposed for the tests and for callers that key files by it.
std::string FileIdentity(const std::string& path);

}  // namespace varnic::base

#endif  // VARNIC_BASE_OUTPUT_PLAN_H_
