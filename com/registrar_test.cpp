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
                          "HKCR { Key { }", "HKCR { val = s 'x' }", "HKCR { a\\b }"}) {
    CRegistryTree tree;
    std::string error;
    EXPECT_FALSE(registrar.Register(bad, tree, error)) << bad;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(tree.Find("HKCR\\Key"), nullptr);
  }
}

TEST(QuoteForScript, DoublesSingleQuotes) { EXPECT_EQ(QuoteForScript("it's 'x'"), "it''s ''x''"); }

}  // namespace
}  // namespace varnic::com
