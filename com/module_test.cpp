#include "com/module.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "com/typelib.h"

namespace varnic::com {
namespace {

TEST(CModuleStateGuard, RestoresOnEveryWayOut) {
  const CModuleState outer{"outer"};
  const CModuleState inner{"inner"};
  EXPECT_EQ(CurrentModuleState(), nullptr);
  {
    const CModuleStateGuard first(outer);
    try {
      const CModuleStateGuard second(inner);
      EXPECT_EQ(CurrentModuleState(), &inner);
      throw std::runtime_error("out");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(CurrentModuleState(), &outer);
  }
  EXPECT_EQ(CurrentModuleState(), nullptr);
}

class CCounted final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) noexcept override {
    return QueryInterfaceFrom({{&IID_IUnknown, this}}, riid, ppv);
  }
  ULONG AddRef() noexcept override { return ++refs; }
  ULONG Release() noexcept override { return --refs; }
  std::atomic<ULONG> refs{1};
};

TEST(QueryInterfaceFrom, ClearsFirstAndCountsTheReference) {
  CCounted object;
  void* out = &object;
  EXPECT_EQ(object.QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(object.QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(object.QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(out, &object);
  EXPECT_EQ(object.refs, 2u);
}

TEST(CComModule, ClassObjectsAreCreatedOnceAndReleasedAtTerm) {
  CComModule module("test");
  CCounted object;
  int created = 0;
  IUnknown* first = nullptr;
  IUnknown* second = nullptr;
  const auto create = [&]() -> IUnknown* {
    ++created;
    return &object;
  };
  std::thread a([&] { module.GetClassObject(IID_IDispatch, create, &first); });
  std::thread b([&] { module.GetClassObject(IID_IDispatch, create, &second); });
  a.join();
  b.join();
  EXPECT_EQ(created, 1);
  EXPECT_EQ(first, second);
  EXPECT_EQ(object.refs, 3u);  // the creation's reference is the cache's, plus one per caller
  bool called = false;
  module.AddTermCallback([&] { called = true; });
  module.Term();
  EXPECT_EQ(object.refs, 2u);
  EXPECT_TRUE(called);
  EXPECT_EQ(module.Lock(), 1);
  EXPECT_EQ(module.Unlock(), 0);
}

TEST(TypeLib, TextFormRoundTripsAndRejectsDamage) {
  CTypeLibDesc lib;
  lib.libid = MakeGuid("{CF287CAD-BEC7-447B-B32B-6AE278731F3B}");
  lib.name = "Lib";
  lib.help = "Lib 1.0";
  lib.interfaces.push_back(
      {IID_IDispatch,
       "IThing",
       "help",
       true,
       {{1,
         7,
         "Do",
         "method Do",
         {{"a", ParamType::kBstr, true, false}, {"n", ParamType::kIntPtr, true, true}}}}});
  CTypeLibDesc parsed;
  std::string error;
  ASSERT_TRUE(ParseTypeLib(SerializeTypeLib(lib), parsed, error)) << error;
  EXPECT_EQ(SerializeTypeLib(parsed), SerializeTypeLib(lib));
  EXPECT_TRUE(parsed.interfaces[0].methods[0].params[1].out);

  const std::string text = SerializeTypeLib(lib);
  for (const std::string& bad :
       {std::string("nonsense\n"), text + "method\t1\t3\tLow\th\n", text + "param\tin\tfloat\tx\n",
        text + "param\tin\tint\tb\nparam\tin\tint\tc\nparam\tin\tint\td\n", text + "wat\n"}) {
    EXPECT_FALSE(ParseTypeLib(bad, parsed, error)) << bad;
  }
}

}  // namespace
}  // namespace varnic::com
