#ifndef VARNIC_AUDIT_TARGETS_H_
#define VARNIC_AUDIT_TARGETS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnic::audit {

// A line of a file that lists targets or baselines (--expect, --baseline-map) without the blanks
// and the CR around it.
std::string_view TrimBlanks(std::string_view text);

inline constexpr std::size_t kNamed = SIZE_MAX;

// One backup to audit. `path` is as the command line or the directory walk spelled it; `error`
// is set when it is known before reading that it cannot be audited (a directory that cannot be
// walked).
struct CTarget {
  std::string path;
  std::string error;
  std::size_t directory = kNamed;  // the walked directory it was found in, or kNamed
};

// A directory named as a TARGET, and what its walk found.
struct CWalkedDirectory {
  std::string path;
  std::size_t found = 0;    // files matching the glob, listed as targets
  std::size_t skipped = 0;  // matching files that are no backups (see CWalkSkips)
};

// A file the walk passed over, and why.
struct CSkippedFile {
  std::string path;
  std::string reason;
};

struct CTargetList {
  std::vector<CTarget> targets;  // sorted by path, each file once
  std::size_t duplicates = 0;    // names of a file already listed, dropped
  std::vector<CWalkedDirectory> directories;
  std::vector<CSkippedFile> skipped;
};

// What a directory walk passes over: the audit's own --save-dir (its marked files are no
// backups) and --fix-dir (its fixed backups are outputs, not the fleet), and the baselines,
// which would only be compared with themselves.
struct CWalkSkips {
  std::string directory;
  std::vector<std::string> baselines;
  std::string fixDirectory;
};

// Expands TARGET arguments: a directory is walked recursively (symbolic links to directories are
// not followed, so a loop cannot trap the walk) for files whose name matches `glob`; anything
// else is a target as given, so that a missing file is reported in its row rather than lost.
// Files reached twice, under any spelling or through links, are listed once. A file named on the
// command line is audited even when a walk would skip it: it was asked for.
CTargetList ExpandTargets(const std::vector<std::string>& arguments, std::string_view glob,
                          const CWalkSkips& skips = {});

// Whether a file name matches a glob (see report::GlobMatches).
bool FileNameMatches(std::string_view glob, std::string_view name);

// The name a file is known by whatever the spelling: links, "." and ".." resolved. A path that
// cannot be resolved stands for itself, normalized.
std::string FileIdentity(const std::string& path);

// Whether `text` is a marked result as compare --save and audit --save-dir write it rather than
// a backup: it has a setting line, and every line that is neither blank nor a section header
// starts with "s_", "d_" or "o_".
bool IsMarkedResult(std::string_view text);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_TARGETS_H_
