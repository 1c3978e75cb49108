#ifndef VARNIC_STORE_DIGEST_H_
#define VARNIC_STORE_DIGEST_H_

#include <span>
#include <string>
#include <string_view>

#include "store/store.h"

namespace varnic::store {

// SHA-256 of `bytes`, as "sha256:" and 64 lower-case hex digits. Secret values are stored as
// this, so that a history tells a changed secret from a kept one without holding it.
std::string Sha256Text(std::string_view bytes);
// The same from this file's own code, which builds without the C library's (the Windows build).
std::string PortableSha256Text(std::string_view bytes);

// Names a device's drift rows by their content: equal rows in equal order, equal digests. A
// night that finds a device as the last one did stores its rows once.
std::string DigestDrift(std::span<const CDriftRecord> rows);

}  // namespace varnic::store

#endif  // VARNIC_STORE_DIGEST_H_
