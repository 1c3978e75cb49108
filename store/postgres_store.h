#ifndef VARNIC_STORE_POSTGRES_STORE_H_
#define VARNIC_STORE_POSTGRES_STORE_H_

#include <memory>
#include <string>

#include "store/store.h"

namespace varnic::store {

// A history in a PostgreSQL database that audits on many machines share. The schema version is
// the one row of table varnic_schema; an advisory lock serializes two first audits creating it.
// Names, paths, sections, keys and values are bytea: a backup's bytes need be neither UTF-8 nor
// free of NUL.
std::unique_ptr<CStore> OpenPostgresStore(const std::string& address, OpenMode mode,
                                          std::string& error);

}  // namespace varnic::store

#endif  // VARNIC_STORE_POSTGRES_STORE_H_
