#include "engine/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

#include "engine/file_names.h"
#include "model/large_pages.h"

namespace varnic {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// Closes the descriptor on every path out of a read or write.
class CFileDescriptor {
 public:
  explicit CFileDescriptor(int fd) : fd_(fd) {}
  ~CFileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  CFileDescriptor(const CFileDescriptor&) = delete;
  CFileDescriptor& operator=(const CFileDescriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now so that a deferred write error (NFS, full disk) is seen.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

class CFileKindCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "varnic.file"; }
  std::string message(int /*condition*/) const override { return "not a regular file"; }
};

bool ReadBytes(const std::string& path, std::string& bytes, std::error_code& error,
               bool regularOnly) {
  bytes.clear();  // on a failed read it holds what was read before the failure
  int flags = O_RDONLY | O_CLOEXEC;
#ifdef O_NONBLOCK
  // A FIFO without a writer, or a device, must not hold the open; a regular file ignores it.
  if (regularOnly) flags |= O_NONBLOCK;
#endif
  CFileDescriptor file(OpenNamed(path, flags));
  if (file.Get() < 0) {
    error = LastError();
    return false;
  }
  // A regular file's size is known: read straight into one buffer of the right size instead of
  // copying chunks into a string that doubles. What is read past that size (a growing file) is
  // appended as for a pipe.
  struct stat info {};
  std::size_t expected = 0;
  const bool known = ::fstat(file.Get(), &info) == 0;
  if (regularOnly && (!known || !S_ISREG(info.st_mode))) {
    error = NotARegularFile();
    return false;
  }
  if (known && S_ISREG(info.st_mode) && info.st_size > 0) {
    expected = static_cast<std::size_t>(info.st_size);
  }
  bytes.reserve(expected);
  AdviseLargePages(bytes.data(), expected);  // before the first touch of the buffer
  bytes.resize(expected);
  std::size_t filled = 0;
  std::array<char, std::size_t{64} << 10U> chunk;
  for (;;) {
    const bool inPlace = filled < expected;
    char* const target = inPlace ? bytes.data() + filled : chunk.data();
    const std::size_t room = inPlace ? expected - filled : chunk.size();
    const ssize_t got = ::read(file.Get(), target, room);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      error = LastError();
      bytes.resize(filled);
      return false;
    }
    if (inPlace) {
      filled += static_cast<std::size_t>(got);
    } else {
      bytes.append(chunk.data(), static_cast<std::size_t>(got));
      filled = bytes.size();
    }
  }
  bytes.resize(filled);  // a file that shrank while it was read
  error.clear();
  return true;
}

#ifdef MAP_PRIVATE
// Below this a read costs no more than setting up a mapping.
constexpr std::size_t kMapAtLeast = std::size_t{1} << 20U;

// The mapping of a regular file of at least kMapAtLeast bytes, or nothing (then it is read).
bool MapLarge(const std::string& path, CFileBytes& file) {
  const CFileDescriptor descriptor(OpenNamed(path, O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (descriptor.Get() < 0 || ::fstat(descriptor.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      info.st_size < static_cast<off_t>(kMapAtLeast)) {
    return false;
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;  // all pages at once, not a fault every few of them
#endif
  void* const address = ::mmap(nullptr, size, PROT_READ, flags, descriptor.Get(), 0);
  if (address == MAP_FAILED) return false;
  file.owner = std::shared_ptr<const void>(address, [size](const void* mapped) {
    ::munmap(const_cast<void*>(mapped), size);  // munmap takes a non-const pointer
  });
  file.bytes = {static_cast<const char*>(address), size};
  return true;
}
#endif

}  // namespace

bool MapFileBytes(const std::string& path, CFileBytes& file, std::error_code& error) {
  file = {};
#ifdef MAP_PRIVATE
  if (MapLarge(path, file)) {
    error.clear();
    return true;
  }
#endif
  auto text = std::make_shared<std::string>();
  const bool read = ReadFileBytes(path, *text, error);
  file.bytes = *text;
  file.owner = std::move(text);
  return read;
}

std::error_code NotARegularFile() {
  static const CFileKindCategory category;
  return {1, category};
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::error_code& error) {
  return ReadBytes(path, bytes, error, false);
}

bool ReadRegularFileBytes(const std::string& path, std::string& bytes, std::error_code& error) {
  return ReadBytes(path, bytes, error, true);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes, std::error_code& error) {
  return WriteFileWith(
      path, [&](CBufferedWriter& out) { out.Append(bytes); }, error);
}

bool CBufferedWriter::AppendLarge(std::string_view bytes) {
  if (failed_) return false;
  if (bytes.size() > buffer_.size() - used_) {
    if (!Flush()) return false;
    if (bytes.size() >= buffer_.size()) {
      failed_ = !WriteAll(fd_, bytes);
      return !failed_;
    }
  }
  std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(used_));
  used_ += bytes.size();
  return true;
}

bool CBufferedWriter::Flush() {
  if (failed_) return false;
  failed_ = !WriteAll(fd_, std::string_view(buffer_.data(), used_));
  used_ = 0;
  return !failed_;
}

bool WriteFileWith(const std::string& path, const CWriteBody& write, std::error_code& error) {
  CFileDescriptor file(OpenNamed(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.Get() < 0) {
    error = LastError();
    return false;
  }
  CBufferedWriter out(file.Get());
  write(out);
  if (!out.Flush()) {
    error = LastError();
    return false;
  }
  if (!file.Close()) {
    error = LastError();
    return false;
  }
  error.clear();
  return true;
}

}  // namespace varnic
