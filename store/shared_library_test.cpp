#include "store/shared_library.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace varnic::store {
namespace {

// A history that cannot load its client library must say which library and why, not crash on
// a null function; one that can must call the real thing.
TEST(SharedLibrary, SaysWhatIsMissingAndCallsWhatIsFound) {
  const struct {
    const char* soname;
    const char* function;
    const char* missing;  // what the error names; null when both are found
  } cases[] = {
      {"libc.so.6", "strlen", nullptr},
      {"libc.so.6", "varnic_no_such_function", "varnic_no_such_function"},
      {"libvarnic-no-such-library.so.1", "strlen", "libvarnic-no-such-library.so.1"},
  };
  for (const auto& c : cases) {
    CSharedLibrary library(c.soname);
    std::size_t (*length)(const char*) = nullptr;
    library.Bind(length, c.function);
    if (c.missing == nullptr) {
      ASSERT_TRUE(library.Ok()) << library.Error();
      ASSERT_NE(length, nullptr);
      EXPECT_EQ(length("varnic"), 6U);
    } else {
      EXPECT_FALSE(library.Ok()) << c.soname << " " << c.function;
      EXPECT_NE(library.Error().find(c.missing), std::string::npos) << library.Error();
    }
  }
}

}  // namespace
}  // namespace varnic::store
