// A module for the host's tests whose class object call waits, inside the module, until the test
// lets it go; it would always agree to be unloaded.
#include <atomic>
#include <chrono>
#include <thread>

#include "varnic/com/com_types.h"

using varnic::com::CLSID;
using varnic::com::HRESULT;
using varnic::com::IID;

extern "C" {

__attribute__((visibility("default"))) std::atomic<int> varnicTestInside{0};
__attribute__((visibility("default"))) std::atomic<int> varnicTestRelease{0};

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& /*clsid*/,
                                                                 const IID& /*riid*/,
                                                                 void** ppv) noexcept {
  *ppv = nullptr;
  varnicTestInside = 1;
  for (int waited = 0; varnicTestRelease == 0 && waited < 10000; ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return varnic::com::CLASS_E_CLASSNOTAVAILABLE;
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() noexcept {
  return varnic::com::S_OK;
}
}
