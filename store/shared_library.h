#ifndef VARNIC_STORE_SHARED_LIBRARY_H_
#define VARNIC_STORE_SHARED_LIBRARY_H_

#include <string>

namespace varnic::store {

// A C library opened by its soname when a history first needs it, and kept open for the life of
// the process. Linked in, PostgreSQL's client (with TLS, Kerberos and LDAP behind it) and
// OpenSSL's digest were loaded by every run of the command: 3 ms and 6 MB before a byte was
// compared, by every comparison that keeps no history.
class CSharedLibrary {
 public:
  explicit CSharedLibrary(const char* soname);
  CSharedLibrary(const CSharedLibrary&) = delete;
  CSharedLibrary& operator=(const CSharedLibrary&) = delete;

  // Whether the library and every function bound so far were found; Error says what was not.
  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

  // Points `function` at the library's function `name`, whose type the library's header gives.
  template <typename TFunction>
  void Bind(TFunction*& function, const char* name) {
    // A function pointer from dlsym's object pointer: POSIX guarantees the two convert.
    function = reinterpret_cast<TFunction*>(Symbol(name));
  }

 private:
  void* Symbol(const char* name);

  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace varnic::store

#endif  // VARNIC_STORE_SHARED_LIBRARY_H_
