#ifndef VARNIC_SHELL_CATCH_ALL_H_
#define VARNIC_SHELL_CATCH_ALL_H_

#include <new>

#include "com/com_types.h"

namespace varnic::shell {

// Runs `body` so that no exception crosses the component boundary: memory exhaustion becomes
// E_OUTOFMEMORY, anything else E_FAIL.
template <typename Body>
com::HRESULT CatchAll(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return com::E_OUTOFMEMORY;
  } catch (...) {
    return com::E_FAIL;
  }
}

}  // namespace varnic::shell

#endif  // VARNIC_SHELL_CATCH_ALL_H_
