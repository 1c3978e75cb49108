#ifndef VARNIC_CLI_STDOUT_BUFFER_H_
#define VARNIC_CLI_STDOUT_BUFFER_H_

#include <array>
#include <cstddef>
#include <streambuf>

namespace varnic::cli {

// A stream buffer over a file descriptor that remembers why the first write failed: standard
// output is checked like any other output, and "No space left on device" or "File too large"
// must reach the message, not whatever a later call left in errno.
class CFdStreambuf : public std::streambuf {
 public:
  explicit CFdStreambuf(int fd) : fd_(fd) { setp(buffer_.data(), buffer_.data() + buffer_.size()); }
  ~CFdStreambuf() override { sync(); }
  CFdStreambuf(const CFdStreambuf&) = delete;
  CFdStreambuf& operator=(const CFdStreambuf&) = delete;

  // The errno of the first failed write; 0 while all went well.
  int Error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool Drain();

  int fd_;
  int error_ = 0;
  std::array<char, std::size_t{64} << 10U> buffer_{};
};

}  // namespace varnic::cli

#endif  // VARNIC_CLI_STDOUT_BUFFER_H_
