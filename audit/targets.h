#ifndef VARNIC_AUDIT_TARGETS_H_
#define VARNIC_AUDIT_TARGETS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varnic::audit {

// One backup to audit. `path` is as the command line or the directory walk spelled it; `error`
// is set when it is known before reading that it cannot be audited (a directory that cannot be
// walked).
struct CTarget {
  std::string path;
  std::string error;
};

struct CTargetList {
  std::vector<CTarget> targets;  // sorted by path, each file once
  std::size_t duplicates = 0;    // names of a file already listed, dropped
};

// Expands TARGET arguments: a directory is walked recursively (symbolic links to directories are
// not followed, so a loop cannot trap the walk) for files whose name matches `glob`; anything
// else is a target as given, so that a missing file is reported in its row rather than lost.
// Files reached twice, under any spelling or through links, are listed once. The walk does not
// enter `skip` (the audit's own --save-dir, whose marked files are no backups).
CTargetList ExpandTargets(const std::vector<std::string>& arguments, std::string_view glob,
                          const std::string& skip = "");

// Whether a file name matches a shell glob: "*" any run of bytes, "?" one byte, nothing else
// special. Byte for byte, no locale.
bool FileNameMatches(std::string_view glob, std::string_view name);

}  // namespace varnic::audit

#endif  // VARNIC_AUDIT_TARGETS_H_
