#ifndef VARNIC_REPORT_LARGE_VECTORS_H_
#define VARNIC_REPORT_LARGE_VECTORS_H_

#include <cstddef>
#include <vector>

#include "model/large_pages.h"

namespace varnic::report {

// Reserves room for `count` items and asks for huge pages under it before it is first touched:
// the report of a large pair holds a few items per line (entries, explanations, settings), and
// their page faults cost more than filling them in.
template <typename T>
void ReserveLarge(std::vector<T>& items, std::size_t count) {
  items.reserve(count);
  AdviseLargePages(items.data(), items.capacity() * sizeof(T));
}

}  // namespace varnic::report

#endif  // VARNIC_REPORT_LARGE_VECTORS_H_
