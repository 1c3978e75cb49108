#include "varnic/com/host.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "com/registry.h"
#include "tests/support/temp_dir.h"

namespace varnic::com {
namespace {

using varnic::testing::CTempDir;

constexpr CLSID kWaitingClass = {0x0badc0de, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};

// CoFreeUnusedLibraries on one thread while another is inside the module's DllGetClassObject:
// the module agrees to be unloaded, yet must stay until the call has left it.
TEST(Host, ModuleIsNotUnloadedUnderACallIntoIt) {
  CTempDir dir;
  ::setenv("VARNIC_REGISTRY", dir.File("registry.reg").c_str(), 1);
  CRegistryStore store(CRegistryStore::DefaultPath());
  ASSERT_EQ(store.Update([](CRegistryTree& tree) {
    tree.Create("HKCR\\CLSID\\" + FormatGuid(kWaitingClass) + "\\InprocServer32").defaultValue =
        VARNIC_HOST_TEST_MODULE;
    return S_OK;
  }),
            S_OK);
  void* own = ::dlopen(VARNIC_HOST_TEST_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(own, nullptr) << ::dlerror();
  auto* inside = static_cast<std::atomic<int>*>(::dlsym(own, "varnicTestInside"));
  auto* release = static_cast<std::atomic<int>*>(::dlsym(own, "varnicTestRelease"));
  ASSERT_TRUE(inside != nullptr && release != nullptr);

  HRESULT got = S_OK;
  std::thread caller([&] {
    void* out = nullptr;
    got = CoGetClassObject(kWaitingClass, IID_IClassFactory, &out);
  });
  while (*inside == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(CoFreeUnusedLibraries(), 0);
  *release = 1;
  caller.join();
  EXPECT_EQ(got, CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(CoFreeUnusedLibraries(), 1);
  ::dlclose(own);
  ::unsetenv("VARNIC_REGISTRY");
}

TEST(Host, NoStoreIsAClearError) {
  const char* home = std::getenv("HOME");
  const std::string saved = home != nullptr ? home : "";
  ::unsetenv("HOME");
  ::unsetenv("VARNIC_REGISTRY");
  ::unsetenv("XDG_DATA_HOME");
  void* out = this;
  EXPECT_EQ(CoCreateInstanceByProgID("VarnicObj.Varnic", IID_IUnknown, &out), REGDB_E_READREGDB);
  EXPECT_EQ(out, nullptr);
  EXPECT_NE(LastHostError().find("HOME is not set"), std::string::npos) << LastHostError();
  if (home != nullptr) ::setenv("HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace varnic::com
