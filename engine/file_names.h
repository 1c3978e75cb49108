#ifndef VARNIC_ENGINE_FILE_NAMES_H_
#define VARNIC_ENGINE_FILE_NAMES_H_

#include <string>

namespace varnic {

// The file layer's calls that take a name. On POSIX a name is bytes, passed as it is. On
// Windows it is UTF-8, given to the system as UTF-16 so that every name can be spelled, whatever
// the code page of the process; a name that is not UTF-8 fails with EILSEQ. Failures set errno.
int OpenNamed(const std::string& path, int flags, int mode = 0);
bool RemoveNamed(const std::string& path);
// Renames `from` onto `to`, replacing a file there.
bool ReplaceNamed(const std::string& from, const std::string& to);
// A second name (a hard link) `link` for `target`; false with errno EEXIST when `link` exists.
bool LinkNamed(const std::string& target, const std::string& link);

// False with errno set when an existing `path` cannot be replaced now: on Windows another program
// holds it open without sharing deletion, which would make the rename fail half-way through a
// set of outputs. Always true on POSIX, where a rename never waits for readers.
bool CanReplace(const std::string& path);

enum class FileKind { kMissing, kRegular, kDirectory, kOther };
// What `path` names (links followed); `mode` receives its permission bits where there are any.
FileKind KindOf(const std::string& path, unsigned& mode);

}  // namespace varnic

#endif  // VARNIC_ENGINE_FILE_NAMES_H_
