#include "com/registrar.h"

#include <gtest/gtest.h>

#include "com/registry.h"

namespace varnic::com {
namespace {

constexpr std::string_view kScript = R"(HKCR
{
	App.Thing.1 = s 'Thing Class'
	{
		CLSID = s '{AD10503A-441E-40F0-B8FF-063B8F573C0C}'
	}
	NoRemove CLSID
	{
		ForceRemove {AD10503A-441E-40F0-B8FF-063B8F573C0C} = s 'Thing Class'
		{
			ForceRemove 'Programmable'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
		}
	}
})";

constexpr const char* kClassKey = "HKCR\\CLSID\\{AD10503A-441E-40F0-B8FF-063B8F573C0C}";

TEST(CRegistrar, RegistersRemovesAndKeepsNoRemoveKeys) {
  CRegistrar registrar;
  registrar.AddReplacement("MODULE", QuoteForScript("/opt/it's/Thing.so"));
  CRegistryTree tree;
  tree.Create("HKCR\\CLSID\\{OTHER}").defaultValue = "someone else";
  tree.Create(std::string(kClassKey) + "\\Stale").defaultValue = "left by an old version";
  std::string error;
  ASSERT_TRUE(registrar.Register(kScript, tree, error)) << error;
  ASSERT_TRUE(registrar.Register(kScript, tree, error)) << error;  // twice: one set

  const CRegistryKey* server = tree.Find(std::string(kClassKey) + "\\InprocServer32");
  ASSERT_NE(server, nullptr);
  EXPECT_EQ(server->defaultValue, "/opt/it's/Thing.so");
  EXPECT_EQ(server->values.at("ThreadingModel"), "Apartment");
  EXPECT_EQ(tree.Find(std::string(kClassKey) + "\\Stale"), nullptr);  // ForceRemove
  EXPECT_NE(tree.Find(std::string(kClassKey) + "\\Programmable"), nullptr);
  EXPECT_EQ(tree.Find("HKCR\\App.Thing.1")->defaultValue, "Thing Class");

  ASSERT_TRUE(registrar.Unregister(kScript, tree, error)) << error;
  EXPECT_EQ(tree.Find(kClassKey), nullptr);
  EXPECT_EQ(tree.Find("HKCR\\App.Thing.1"), nullptr);
  EXPECT_NE(tree.Find("HKCR\\CLSID"), nullptr);
  EXPECT_NE(tree.Find("HKCR\\CLSID\\{OTHER}"), nullptr);
}

TEST(CRegistrar, MalformedScriptsChangeNothing) {
  CRegistrar registrar;
  for (const char* bad : {"HKLM { }", "HKCR { Key = s 'unterminated }", "HKCR { Key = 'x' }",
                          "HKCR { Key { }", "HKCR { val = s 'x' }", "HKCR { a\\b }",
                          // sound, but the store's text form cannot hold the name
                          "HKCR { 'Key\nName' }"}) {
    CRegistryTree tree;
    std::string error;
    EXPECT_FALSE(registrar.Register(bad, tree, error)) << bad;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(tree.Find("HKCR\\Key"), nullptr);
  }
}

// A target that refuses its Nth call, as the system registry refuses a key it may not write.
class CRefusingTarget final : public CRegistryTarget {
 public:
  explicit CRefusingTarget(int refuseAt) : refuseAt_(refuseAt) {}
  bool CreateKey(const std::string& /*path*/, std::string& error) override { return Call(error); }
  bool SetValue(const std::string& /*path*/, const std::string& /*name*/,
                const std::string& /*value*/, std::string& error) override {
    return Call(error);
  }
  bool DeleteKey(const std::string& /*path*/, std::string& error) override { return Call(error); }
  int calls = 0;

 private:
  bool Call(std::string& error) {
    if (++calls != refuseAt_) return true;
    error = "refused";
    return false;
  }
  int refuseAt_;
};

TEST(CRegistrar, AFailingTargetStopsTheScriptAndIsReported) {
  CRegistrar registrar;
  for (const bool registering : {true, false}) {
    CRefusingTarget counting(0);
    std::string error;
    ASSERT_TRUE(registering ? registrar.Register(kScript, counting, error)
                            : registrar.Unregister(kScript, counting, error));
    for (int refuseAt = 1; refuseAt <= counting.calls; ++refuseAt) {
      SCOPED_TRACE(refuseAt);
      CRefusingTarget target(refuseAt);
      error.clear();
      EXPECT_FALSE(registering ? registrar.Register(kScript, target, error)
                               : registrar.Unregister(kScript, target, error));
      EXPECT_EQ(error, "refused");
      EXPECT_EQ(target.calls, refuseAt);  // nothing after the refused call
    }
  }
}

TEST(QuoteForScript, DoublesSingleQuotes) { EXPECT_EQ(QuoteForScript("it's 'x'"), "it''s ''x''"); }

}  // namespace
}  // namespace varnic::com
