// Built in place of a database client this build has no library for: the history is then
// refused with the reason, not silently left out.
#include "store/postgres_store.h"
#include "store/sqlite_store.h"

namespace varnic::store {

#ifndef VARNIC_HAVE_SQLITE
std::unique_ptr<CStore> OpenSqliteStore(const std::string& path, OpenMode, std::string& error,
                                        int) {
  error = "cannot open '" + path + "': this varnic was built without SQLite";
  return nullptr;
}
#endif

#ifndef VARNIC_HAVE_POSTGRES
std::unique_ptr<CStore> OpenPostgresStore(const std::string& address, OpenMode,
                                          std::string& error) {
  error = "cannot connect to '" + DisplayName(address) + "': this varnic was built without libpq";
  return nullptr;
}
#endif

}  // namespace varnic::store
