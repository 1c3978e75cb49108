#ifndef VARNIC_SHELL_CATCH_ALL_H_
#define VARNIC_SHELL_CATCH_ALL_H_

#include <new>

#include "varnic/com/platform.h"

namespace varnic::shell {

// Runs `body` so that no exception crosses the component boundary: memory exhaustion becomes
// E_OUTOFMEMORY, anything else E_FAIL.
template <typename Body>
com::HRESULT CatchAll(Body body) noexcept {
  using namespace varnic::com;  // the status values, which are macros on Windows
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace varnic::shell

#endif  // VARNIC_SHELL_CATCH_ALL_H_
