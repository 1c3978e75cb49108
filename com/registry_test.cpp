#include "com/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace varnic::com {
namespace {

using varnic::testing::CTempDir;
using varnic::testing::ReadAll;

TEST(CRegistryTree, RoundTripsAndIgnoresCase) {
  CRegistryTree tree;
  tree.Create("HKCR\\CLSID\\{A}").defaultValue = "Varnic \"Class\"";
  tree.Create("HKCR\\CLSID\\{A}\\InprocServer32").values["ThreadingModel"] = "Apart\\ment";
  tree.Create("HKCR\\Empty");
  CRegistryTree parsed;
  std::string error;
  ASSERT_TRUE(CRegistryTree::Parse(tree.Serialize(), parsed, error)) << error;
  EXPECT_EQ(parsed.Serialize(), tree.Serialize());
  ASSERT_NE(parsed.Find("hkcr\\clsid\\{a}"), nullptr);
  EXPECT_EQ(parsed.Find("HKCR\\CLSID\\{A}")->defaultValue, "Varnic \"Class\"");
  EXPECT_NE(parsed.Find("HKCR\\Empty"), nullptr);
  EXPECT_TRUE(parsed.Delete("HKCR\\CLSID"));
  EXPECT_EQ(parsed.Find("HKCR\\CLSID\\{A}\\InprocServer32"), nullptr);
  EXPECT_FALSE(parsed.Delete("HKCR\\CLSID"));
}

TEST(CRegistryTree, DamageIsReportedWithItsLine) {
  for (const char* damaged :
       {"", "Something else\n", "Varnic Registry 1\n@=\"x\"\n",
        "Varnic Registry 1\n[HKCR]\n\"name\"=\"unterminated\n", "Varnic Registry 1\n[HKCR\n",
        "Varnic Registry 1\n[HKCR]\nname=x\n", "Varnic Registry 1\n[]\n",
        // Empty parts: the root or a renamed key would take the values, lost or moved at the
        // next save.
        "Varnic Registry 1\n[\\]\n\"a\"=\"b\"\n", "Varnic Registry 1\n[HKCR\\\\Foo\\]\n",
        "Varnic Registry 1\n[\\HKCR]\n", "Varnic Registry 1\n[HKCR\\]\n"}) {
    CRegistryTree tree;
    std::string error;
    EXPECT_FALSE(CRegistryTree::Parse(damaged, tree, error)) << damaged;
    EXPECT_FALSE(error.empty());
  }
}

TEST(CRegistryStore, DamagedFileIsReportedAndLeftAlone) {
  for (const auto& [text, line] : {std::pair{"Varnic Registry 1\n[HKCR]\ngarbage\n", "line 3"},
                                   {"Varnic Registry 1\n[\\]\n\"a\"=\"b\"\n", "line 2"},
                                   {"Varnic Registry 1\n[HKCR]\n[HKCR\\\\Foo\\]\n", "line 3"}}) {
    SCOPED_TRACE(text);
    CTempDir dir;
    const std::string path = dir.Write("reg.reg", text);
    CRegistryStore store(path);
    bool changed = false;
    const HRESULT hr = store.Update([&](CRegistryTree&) {
      changed = true;
      return S_OK;
    });
    EXPECT_EQ(hr, REGDB_E_READREGDB);
    EXPECT_FALSE(changed);
    for (const std::string& error : {store.LastError(), LastRegistryError()}) {
      EXPECT_NE(error.find(path), std::string::npos) << error;
      EXPECT_NE(error.find(line), std::string::npos) << error;
    }
    EXPECT_EQ(ReadAll(path), text);
  }
}

// Sets or (with null) unsets an environment variable for one scope.
class CEnvironment {
 public:
  CEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~CEnvironment() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  CEnvironment(const CEnvironment&) = delete;
  CEnvironment& operator=(const CEnvironment&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(CRegistryStore, NoHomeMeansNoStoreRatherThanASharedOne) {
  const CEnvironment registry("VARNIC_REGISTRY", nullptr);
  const CEnvironment data("XDG_DATA_HOME", nullptr);
  for (const char* home : {static_cast<const char*>(nullptr), "", "relative/home"}) {
    const CEnvironment unset("HOME", home);
    EXPECT_EQ(CRegistryStore::DefaultPath(), "");
  }
  {
    const CEnvironment set("HOME", "/home/someone");
    EXPECT_EQ(CRegistryStore::DefaultPath(), "/home/someone/.local/share/varnic/registry.reg");
  }
  CRegistryStore store("");
  CRegistryTree tree;
  EXPECT_EQ(store.Read(tree), REGDB_E_READREGDB);
  EXPECT_NE(LastRegistryError().find("HOME"), std::string::npos);
  bool changed = false;
  EXPECT_EQ(store.Update([&](CRegistryTree&) {
    changed = true;
    return S_OK;
  }),
            REGDB_E_WRITEREGDB);
  EXPECT_FALSE(changed);
  EXPECT_NE(store.LastError().find("HOME"), std::string::npos);
}

TEST(CRegistryStore, MissingFileIsEmptyAndAFailedChangeSavesNothing) {
  CTempDir dir;
  CRegistryStore store(dir.File("sub/reg.reg"));
  CRegistryTree tree;
  EXPECT_EQ(store.Read(tree), S_OK);
  EXPECT_EQ(store.Update([](CRegistryTree& t) {
    t.Create("HKCR\\x");
    return E_FAIL;
  }),
            E_FAIL);
  EXPECT_EQ(store.Read(tree), S_OK);
  EXPECT_EQ(tree.Find("HKCR\\x"), nullptr);
}

TEST(CRegistryStore, AStoreNamedAsLongAsAFileNameMayBeIsSaved) {
  CTempDir dir;
  CRegistryStore store(dir.File(std::string(250, 'r')));
  EXPECT_EQ(store.Update([](CRegistryTree& t) {
    t.Create("HKCR\\x");
    return S_OK;
  }),
            S_OK);
  CRegistryTree tree;
  ASSERT_EQ(store.Read(tree), S_OK);
  EXPECT_NE(tree.Find("HKCR\\x"), nullptr);
}

TEST(CRegistryStore, ConcurrentWritersLoseNoUpdate) {
  CTempDir dir;
  const std::string path = dir.File("reg.reg");
  constexpr int kThreads = 4;
  constexpr int kUpdates = 25;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&path, t] {
      CRegistryStore store(path);  // each writer on its own, as separate processes would be
      for (int i = 0; i < kUpdates; ++i) {
        ASSERT_EQ(store.Update([&](CRegistryTree& tree) {
          CRegistryKey& key = tree.Create("HKCR\\Counter");
          const int value = key.defaultValue ? std::stoi(*key.defaultValue) : 0;
          key.defaultValue = std::to_string(value + 1);
          tree.Create("HKCR\\Writer" + std::to_string(t));
          return S_OK;
        }),
                  S_OK);
      }
    });
  }
  for (auto& writer : writers) writer.join();
  CRegistryTree tree;
  ASSERT_EQ(CRegistryStore(path).Read(tree), S_OK);
  EXPECT_EQ(tree.Find("HKCR\\Counter")->defaultValue, std::to_string(kThreads * kUpdates));
}

}  // namespace
}  // namespace varnic::com
