#ifndef VARNIC_COMPARE_H_
#define VARNIC_COMPARE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "varnic/changes.h"
#include "varnic/comparison.h"

namespace varnic {

// One backup to compare: its bytes, taken over by the comparison, and its device type. Bytes held
// elsewhere (a mapped file) come as `view` with the `owner` that keeps them alive, which the
// comparison then keeps as long as it lives; `text` is not read when `owner` is set.
struct CInput {
  std::string text;
  std::int32_t type = 0;
  std::shared_ptr<const void> owner{};
  std::string_view view{};
};

// Compares two backups: section bucketing, band and section reconciliation when the types differ,
// relevance filtering, MAC list matching, then alignment. `observer`, when given, hears of every
// change as it is made and is not kept after the call.
CComparison Compare(CInput input1, CInput input2, CCompareObserver* observer = nullptr);

}  // namespace varnic

#endif  // VARNIC_COMPARE_H_
