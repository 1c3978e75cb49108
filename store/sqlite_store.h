#ifndef VARNIC_STORE_SQLITE_STORE_H_
#define VARNIC_STORE_SQLITE_STORE_H_

#include <memory>
#include <string>

#include "store/store.h"

namespace varnic::store {

// A history in one SQLite file: WAL, a busy timeout so that concurrent audits take turns, the
// schema version in PRAGMA user_version and this program's mark in PRAGMA application_id.
// Another writer's lock is waited for up to `busyMilliseconds`.
std::unique_ptr<CStore> OpenSqliteStore(const std::string& path, OpenMode mode, std::string& error,
                                        int busyMilliseconds = 30000);

// PRAGMA application_id of a history database: "VRNC".
inline constexpr int kSqliteApplicationId = 0x56524e43;

}  // namespace varnic::store

#endif  // VARNIC_STORE_SQLITE_STORE_H_
