#ifndef VARNIC_STORE_SCHEMA_H_
#define VARNIC_STORE_SCHEMA_H_

#include <string>

#include "store/store.h"

namespace varnic::store {

// Why a database may not be used as it is, or empty when it may. `ours`: it carries this
// program's mark; `empty`: it holds nothing at all (a new file or database); `version`: its
// schema version (0 when it has none). Writing may bring an older schema of ours up to date;
// reading never changes anything.
std::string SchemaProblem(bool ours, bool empty, int version, OpenMode mode);

}  // namespace varnic::store

#endif  // VARNIC_STORE_SCHEMA_H_
