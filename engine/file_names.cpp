#include "engine/file_names.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>

#include <optional>
#else
#include <unistd.h>
#endif

namespace varnic {

#if defined(_WIN32)
namespace {

std::optional<std::wstring> Wide(const std::string& path) {
  if (path.empty()) return std::wstring();
  const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                         static_cast<int>(path.size()), nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                        wide.data(), size);
  return wide;
}

// errno for a failed system call, in the terms the callers report.
bool FailWith(DWORD status) {
  switch (status) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      errno = ENOENT;
      break;
    case ERROR_FILENAME_EXCED_RANGE:
      errno = ENAMETOOLONG;
      break;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      errno = EEXIST;
      break;
    default:
      errno = EACCES;  // sharing and lock violations among them: another program holds the file
  }
  return false;
}

}  // namespace

int OpenNamed(const std::string& path, int flags, int mode) {
  const auto wide = Wide(path);
  if (!wide) {
    errno = EILSEQ;
    return -1;
  }
  return ::_wopen(wide->c_str(), flags, mode);
}

bool RemoveNamed(const std::string& path) {
  const auto wide = Wide(path);
  return wide && ::_wunlink(wide->c_str()) == 0;
}

bool ReplaceNamed(const std::string& from, const std::string& to) {
  const auto wideFrom = Wide(from);
  const auto wideTo = Wide(to);
  if (!wideFrom || !wideTo) {
    errno = EILSEQ;
    return false;
  }
  return ::MoveFileExW(wideFrom->c_str(), wideTo->c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 ||
         FailWith(::GetLastError());
}

bool LinkNamed(const std::string& target, const std::string& link) {
  const auto wideTarget = Wide(target);
  const auto wideLink = Wide(link);
  if (!wideTarget || !wideLink) {
    errno = EILSEQ;
    return false;
  }
  return ::CreateHardLinkW(wideLink->c_str(), wideTarget->c_str(), nullptr) != 0 ||
         FailWith(::GetLastError());
}

bool CanReplace(const std::string& path) {
  const auto wide = Wide(path);
  if (!wide) {
    errno = EILSEQ;
    return false;
  }
  const HANDLE file =
      ::CreateFileW(wide->c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD status = ::GetLastError();
    // Gone since it was staged: nothing to replace, the rename creates it.
    return status == ERROR_FILE_NOT_FOUND || FailWith(status);
  }
  ::CloseHandle(file);
  return true;
}

FileKind KindOf(const std::string& path, unsigned& mode) {
  mode = 0;
  const auto wide = Wide(path);
  struct _stat64 info {};
  if (!wide || ::_wstat64(wide->c_str(), &info) != 0) return FileKind::kMissing;
  mode = info.st_mode & 07777U;
  if ((info.st_mode & _S_IFMT) == _S_IFDIR) return FileKind::kDirectory;
  return (info.st_mode & _S_IFMT) == _S_IFREG ? FileKind::kRegular : FileKind::kOther;
}

#else

int OpenNamed(const std::string& path, int flags, int mode) {
  return ::open(path.c_str(), flags, mode);
}

bool RemoveNamed(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool ReplaceNamed(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool CanReplace(const std::string& /*path*/) { return true; }

bool LinkNamed(const std::string& target, const std::string& link) {
  return ::link(target.c_str(), link.c_str()) == 0;
}

FileKind KindOf(const std::string& path, unsigned& mode) {
  mode = 0;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return FileKind::kMissing;
  mode = info.st_mode & 07777U;
  if (S_ISDIR(info.st_mode)) return FileKind::kDirectory;
  return S_ISREG(info.st_mode) ? FileKind::kRegular : FileKind::kOther;
}

#endif

}  // namespace varnic
