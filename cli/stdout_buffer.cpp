#include "cli/stdout_buffer.h"

#include <cerrno>
#include <string_view>

#include "engine/text_file.h"

namespace varnic::cli {

bool CFdStreambuf::Drain() {
  const std::string_view pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  if (error_ != 0) return false;
  if (!WriteAll(fd_, pending)) {
    error_ = errno != 0 ? errno : EIO;
    return false;
  }
  return true;
}

CFdStreambuf::int_type CFdStreambuf::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

std::streamsize CFdStreambuf::xsputn(const char* s, std::streamsize n) {
  const auto size = static_cast<std::size_t>(n);
  if (size <= static_cast<std::size_t>(epptr() - pptr())) {
    traits_type::copy(pptr(), s, size);
    pbump(static_cast<int>(n));
    return n;
  }
  // A large piece goes out in one write after what is pending.
  if (!Drain()) return 0;
  if (!WriteAll(fd_, std::string_view(s, size))) {
    error_ = errno != 0 ? errno : EIO;
    return 0;
  }
  return n;
}

int CFdStreambuf::sync() { return Drain() ? 0 : -1; }

}  // namespace varnic::cli
