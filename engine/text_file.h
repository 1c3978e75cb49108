#ifndef VARNIC_ENGINE_TEXT_FILE_H_
#define VARNIC_ENGINE_TEXT_FILE_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace varnic {

// Reads a whole file as raw bytes. False with `error` set when it cannot be opened or read (a
// directory is a read error, not an empty file); `bytes` then holds what was read before.
bool ReadFileBytes(const std::string& path, std::string& bytes, std::error_code& error);
// The same for a file that must be a regular file, as a fleet's targets are: opened without
// waiting (a FIFO without a writer, a device) and refused with NotARegularFile() when it is not
// one, so that nothing blocks or reads forever.
bool ReadRegularFileBytes(const std::string& path, std::string& bytes, std::error_code& error);
std::error_code NotARegularFile();

// A file's bytes and what keeps them alive.
struct CFileBytes {
  std::shared_ptr<const void> owner;
  std::string_view bytes;
};
// Reads a whole file as ReadFileBytes does, except that a large regular file is mapped (private,
// read-only) where the platform allows: its pages then come straight from the page cache instead
// of being zeroed and copied into a buffer, which for a 50 MB backup costs more than comparing
// it. Every other file (a pipe, a device, a small file) and a failed mapping are read.
bool MapFileBytes(const std::string& path, CFileBytes& file, std::error_code& error);

// Writes all of `bytes` to the open descriptor `fd`, through short writes and interruptions.
// False with errno set on a write error.
bool WriteAll(int fd, std::string_view bytes);

// Collects small writes into large ones on a descriptor it does not own. After the first failed
// write every call fails, with errno as that write left it.
class CBufferedWriter {
 public:
  explicit CBufferedWriter(int fd) : fd_(fd) {}
  // Inline for what fits: a saved result appends three short pieces for each of its lines.
  bool Append(std::string_view bytes) {
    if (failed_ || bytes.size() > buffer_.size() - used_) return AppendLarge(bytes);
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(used_));
    used_ += bytes.size();
    return true;
  }
  // A line of a marked result: `mark` (none or two bytes), `body` and CR LF, with one check of
  // room for the three; a saved result of a million lines paid for three.
  bool AppendLine(std::string_view mark, std::string_view body) {
    const std::size_t size = mark.size() + body.size() + 2;
    if (failed_ || size > buffer_.size() - used_) {
      return AppendLarge(mark) && AppendLarge(body) && AppendLarge("\r\n");
    }
    char* to = buffer_.data() + used_;
    if (mark.size() == 2) {
      std::memcpy(to, mark.data(), 2);
    } else {
      std::copy(mark.begin(), mark.end(), to);
    }
    to += mark.size();
    // The empty line opposite a key the file lacks has no bytes at all, and memcpy may not be
    // given a null source even for none.
    if (!body.empty()) std::memcpy(to, body.data(), body.size());
    std::memcpy(to + body.size(), "\r\n", 2);
    used_ += size;
    return true;
  }
  bool Flush();
  bool Failed() const { return failed_; }

 private:
  bool AppendLarge(std::string_view bytes);

  int fd_;
  bool failed_ = false;
  std::size_t used_ = 0;
  std::array<char, std::size_t{64} << 10U> buffer_{};
};

// Fills an output through a writer, so that large results are streamed rather than built.
using CWriteBody = std::function<void(CBufferedWriter&)>;

// Creates or truncates `path` and lets `write` fill it. False with `error` set when the file
// cannot be created, written, flushed or closed; what was written so far stays on disk.
bool WriteFileWith(const std::string& path, const CWriteBody& write, std::error_code& error);

// The same with bytes already in memory.
bool WriteFileBytes(const std::string& path, std::string_view bytes, std::error_code& error);

}  // namespace varnic

#endif  // VARNIC_ENGINE_TEXT_FILE_H_
