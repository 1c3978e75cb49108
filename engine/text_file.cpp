#include "engine/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>

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

}  // namespace

void SplitLines(std::string_view bytes, CLineList& lines) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t lf = bytes.find('\n', start);
    if (lf == std::string_view::npos) {
      lines.emplace_back(bytes.substr(start));
      return;
    }
    std::size_t end = lf;
    if (end > start && bytes[end - 1] == '\r') --end;
    lines.emplace_back(bytes.substr(start, end - start));
    start = lf + 1;
  }
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::error_code& error) {
  bytes.clear();  // on a failed read it holds what was read before the failure
  CFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) {
    error = LastError();
    return false;
  }
  std::array<char, std::size_t{64} << 10U> buffer;
  for (;;) {
    const ssize_t got = ::read(file.Get(), buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      error = LastError();
      return false;
    }
    bytes.append(buffer.data(), static_cast<std::size_t>(got));
  }
  error.clear();
  return true;
}

bool ReadLines(const std::string& path, CLineList& lines, std::error_code& error) {
  std::string bytes;
  if (ReadFileBytes(path, bytes, error)) {
    SplitLines(bytes, lines);
    return true;
  }
  // A read that fails partway keeps the whole lines read before the failure.
  const std::size_t lastBreak = bytes.rfind('\n');
  if (lastBreak != std::string::npos)
    SplitLines(std::string_view(bytes).substr(0, lastBreak + 1), lines);
  return false;
}

std::string JoinLinesCrLf(const CLineList& lines) {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string bytes;
  bytes.reserve(size);
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
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
  CFileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.Get() < 0) {
    error = LastError();
    return false;
  }
  if (!WriteAll(file.Get(), bytes)) {
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
