// The VarnicObj module as hosts use it: loaded by path or through the registry store, reached
// through its entry points, its class factory, early-bound vtable calls and late-bound dispatch.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "com/registry.h"
#include "tests/support/temp_dir.h"
#include "varnic/com/bstr.h"
#include "varnic/com/host.h"
#include "varnic/com/interfaces.h"
#include "varnic/shell/ivarnic.h"
#include "varnic/shell/varnic_ids.h"

namespace varnic {
namespace {

using namespace varnic::com;
using shell::CLSID_Varnic;
using shell::IID_IVarnic;
using shell::IVarnic;
using testing::CTempDir;
using testing::ReadAll;

const std::string kExamples = VARNIC_SOURCE_DIR "/examples/";

class Component : public ::testing::Test {
 protected:
  void SetUp() noexcept override {
    ::setenv("VARNIC_REGISTRY", dir_.File("registry.reg").c_str(), 1);
    handle_ = ::dlopen(VARNIC_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << ::dlerror();
    getClassObject_ = reinterpret_cast<HRESULT (*)(const CLSID&, REFIID, void**)>(
        ::dlsym(handle_, "DllGetClassObject"));
    canUnloadNow_ = reinterpret_cast<HRESULT (*)()>(::dlsym(handle_, "DllCanUnloadNow"));
    register_ = reinterpret_cast<HRESULT (*)()>(::dlsym(handle_, "DllRegisterServer"));
    unregister_ = reinterpret_cast<HRESULT (*)()>(::dlsym(handle_, "DllUnregisterServer"));
    ASSERT_TRUE(getClassObject_ && canUnloadNow_ && register_ && unregister_);
  }
  void TearDown() noexcept override {
    if (handle_ != nullptr) ::dlclose(handle_);
    ::unsetenv("VARNIC_REGISTRY");
  }

  IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClassObject_(CLSID_Varnic, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    return factory;
  }

  IVarnic* NewObject() {
    IClassFactory* factory = Factory();
    IVarnic* object = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IVarnic, reinterpret_cast<void**>(&object)),
              S_OK);
    factory->Release();
    return object;
  }

  std::string Dump() {
    CRegistryTree tree;
    EXPECT_EQ(CRegistryStore(CRegistryStore::DefaultPath()).Read(tree), S_OK);
    return tree.Serialize();
  }

  CTempDir dir_;
  void* handle_ = nullptr;
  HRESULT (*getClassObject_)(const CLSID&, REFIID, void**) = nullptr;
  HRESULT (*canUnloadNow_)() = nullptr;
  HRESULT (*register_)() = nullptr;
  HRESULT (*unregister_)() = nullptr;
};

TEST_F(Component, UnknownClassIsNotAvailable) {
  void* out = this;
  EXPECT_EQ(getClassObject_(IID_IDispatch, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(getClassObject_(CLSID_Varnic, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(Component, QueryInterfaceRules) {
  IVarnic* object = NewObject();
  ASSERT_NE(object, nullptr);
  void* unknown = nullptr;
  void* dispatch = nullptr;
  void* varnic = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IUnknown, &unknown), S_OK);
  ASSERT_EQ(object->QueryInterface(IID_IDispatch, &dispatch), S_OK);
  ASSERT_EQ(object->QueryInterface(IID_IVarnic, &varnic), S_OK);
  EXPECT_EQ(unknown, dispatch);
  EXPECT_EQ(dispatch, varnic);
  void* again = nullptr;  // symmetric and transitive: from any of them back to the same identity
  ASSERT_EQ(static_cast<IDispatch*>(dispatch)->QueryInterface(IID_IUnknown, &again), S_OK);
  EXPECT_EQ(again, unknown);
  static_cast<IUnknown*>(again)->Release();
  void* other = this;
  EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  static_cast<IUnknown*>(unknown)->Release();
  static_cast<IUnknown*>(dispatch)->Release();
  static_cast<IUnknown*>(varnic)->Release();
  EXPECT_EQ(object->Release(), 0u);
}

// An outer object that aggregates a Varnic object and exposes its IVarnic as its own.
class COuter final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) noexcept override {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(riid, ppv);
  }
  ULONG AddRef() noexcept override { return ++refs; }
  ULONG Release() noexcept override { return --refs; }
  ULONG refs = 1;
  IUnknown* inner = nullptr;
};

TEST_F(Component, AggregatedObjectDelegatesToItsOuter) {
  IClassFactory* factory = Factory();
  COuter outer;
  void* out = this;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IVarnic, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)),
            S_OK);
  factory->Release();

  IVarnic* varnic = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IVarnic, reinterpret_cast<void**>(&varnic)), S_OK);
  EXPECT_EQ(outer.refs, 2u);  // the reference went to the controlling unknown
  void* identity = nullptr;
  ASSERT_EQ(varnic->QueryInterface(IID_IUnknown, &identity), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  static_cast<IUnknown*>(identity)->Release();
  void* dispatch = nullptr;
  ASSERT_EQ(varnic->QueryInterface(IID_IDispatch, &dispatch), S_OK);
  EXPECT_EQ(dispatch, varnic);
  varnic->Release();
  varnic->Release();
  EXPECT_EQ(outer.refs, 1u);
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  EXPECT_EQ(outer.inner->Release(), 0u);
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(Component, CanUnloadOnlyWithNoObjectLockOrExtraFactoryReference) {
  EXPECT_EQ(canUnloadNow_(), S_OK);
  IClassFactory* factory = Factory();  // the cache holds one more: this one is extra
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  IVarnic* object = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IVarnic, reinterpret_cast<void**>(&object)), S_OK);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IVarnic, nullptr), E_POINTER);
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);  // the object is alive
  object->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);

  factory = Factory();
  EXPECT_EQ(factory->LockServer(1), S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_FALSE);
  factory = Factory();
  EXPECT_EQ(factory->LockServer(0), S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(Component, TwoThreadsShareOneFactory) {
  void* first = nullptr;
  void* second = nullptr;
  std::thread a([&] { getClassObject_(CLSID_Varnic, IID_IClassFactory, &first); });
  std::thread b([&] { getClassObject_(CLSID_Varnic, IID_IClassFactory, &second); });
  a.join();
  b.join();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  static_cast<IUnknown*>(first)->Release();
  static_cast<IUnknown*>(second)->Release();
}

TEST_F(Component, RawVtableSlotsSevenEightNine) {
  IVarnic* object = NewObject();
  void** vtable = *reinterpret_cast<void***>(object);
  using Load = HRESULT (*)(IVarnic*, BSTR, int, BSTR, int);
  using Compare = HRESULT (*)(IVarnic*);
  using Save = HRESULT (*)(IVarnic*, BSTR, int*, BSTR, int*);
  const CBstr in1(u"" VARNIC_SOURCE_DIR "/examples/ap-before.cfg");
  const CBstr in2(u"" VARNIC_SOURCE_DIR "/examples/ap-after.cfg");
  EXPECT_EQ(reinterpret_cast<Load>(vtable[7])(object, in1.Get(), 0, in2.Get(), 0), S_OK);
  EXPECT_EQ(reinterpret_cast<Compare>(vtable[8])(object), S_OK);
  const auto out1 = *Utf8ToUtf16(dir_.File("1.out"));
  const auto out2 = *Utf8ToUtf16(dir_.File("2.out"));
  const CBstr o1(out1);
  const CBstr o2(out2);
  int count1 = -1;
  int count2 = -1;
  EXPECT_EQ(reinterpret_cast<Save>(vtable[9])(object, o1.Get(), &count1, o2.Get(), &count2), S_OK);
  EXPECT_GT(count1, 0);
  EXPECT_EQ(count1, count2);
  object->Release();
}

TEST_F(Component, MethodResultsAndBadArguments) {
  IVarnic* object = NewObject();
  const CBstr missing(u"/no/such/file.cfg");
  const CBstr good(u"" VARNIC_SOURCE_DIR "/examples/ap-after.cfg");
  EXPECT_EQ(object->LoadFromFile(missing.Get(), 0, good.Get(), 0), S_FALSE);
  EXPECT_EQ(object->LoadFromFile(nullptr, 0, good.Get(), 0), S_FALSE);
  const char16_t broken[] = {u'/', 0xD800, u'x'};
  const CBstr unpaired(std::u16string_view(broken, 3));
  EXPECT_EQ(object->LoadFromFile(good.Get(), 0, unpaired.Get(), 0), S_FALSE);
  EXPECT_EQ(object->CompareFile(), S_OK);
  const CBstr out(*Utf8ToUtf16(dir_.File("x.out")));
  int count = 7;
  EXPECT_EQ(object->SaveToFile(out.Get(), nullptr, out.Get(), &count), E_POINTER);
  EXPECT_EQ(count, 7);
  const CBstr nowhere(u"/no/such/dir/x.out");
  EXPECT_EQ(object->SaveToFile(out.Get(), &count, nowhere.Get(), &count), S_FALSE);
  EXPECT_EQ(count, 7);
  object->Release();
}

// A save that would destroy a loaded backup or one of its own results is refused whole:
// E_INVALIDARG, no file written, the counts untouched.
TEST_F(Component, SaveOverAnInputOrTheOtherOutputIsRefused) {
  const std::string in1 = dir_.Write("in1.cfg", ReadAll(kExamples + "ap-before.cfg"));
  const std::string in2 = dir_.Write("in2.cfg", ReadAll(kExamples + "ap-after.cfg"));
  std::filesystem::create_symlink("in2.cfg", dir_.File("in2-link.cfg"));
  const std::string out = dir_.File("out.txt");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {in1, out}, {out, dir_.File("./in2.cfg")},      {out, dir_.File("in2-link.cfg")},
      {out, out}, {out, dir_.File("sub/../out.txt")},
  };
  IVarnic* object = NewObject();
  const CBstr b1(*Utf8ToUtf16(in1));
  const CBstr b2(*Utf8ToUtf16(in2));
  ASSERT_EQ(object->LoadFromFile(b1.Get(), 0, b2.Get(), 0), S_OK);
  ASSERT_EQ(object->CompareFile(), S_OK);
  std::filesystem::create_directory(dir_.File("sub"));
  for (const auto& [first, second] : cases) {
    const CBstr o1(*Utf8ToUtf16(first));
    const CBstr o2(*Utf8ToUtf16(second));
    LONG count1 = -1;
    LONG count2 = -1;
    EXPECT_EQ(object->SaveToFile(o1.Get(), &count1, o2.Get(), &count2), E_INVALIDARG)
        << first << " " << second;
    EXPECT_EQ(count1, -1);
    EXPECT_EQ(ReadAll(in1), ReadAll(kExamples + "ap-before.cfg"));
    EXPECT_EQ(ReadAll(in2), ReadAll(kExamples + "ap-after.cfg"));
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  object->Release();
}

// A C caller may pass null where the declaration has a reference: refused, not dereferenced.
TEST_F(Component, NullIdsAtTheEntryPointAreRefused) {
  auto* getClassObject = reinterpret_cast<HRESULT (*)(const CLSID*, const IID*, void**)>(
      ::dlsym(handle_, "DllGetClassObject"));
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(nullptr, &IID_IClassFactory, &object), E_INVALIDARG);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(getClassObject(&CLSID_Varnic, nullptr, &object), E_INVALIDARG);
  EXPECT_EQ(getClassObject(&CLSID_Varnic, &IID_IClassFactory, nullptr), E_POINTER);
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// SaveToFile under a file-size limit below an output's size, in a child process: the write fails
// (EFBIG, with SIGXFSZ ignored), the call returns S_FALSE with the counts untouched, the earlier
// pair stays as it was and no temporary file is left.
TEST_F(Component, SaveUnderAFileSizeLimitLeavesTheEarlierPair) {
  IVarnic* object = NewObject();
  const CBstr in1(u"" VARNIC_SOURCE_DIR "/examples/ap-before.cfg");
  const CBstr in2(u"" VARNIC_SOURCE_DIR "/examples/ap-after.cfg");
  ASSERT_EQ(object->LoadFromFile(in1.Get(), 0, in2.Get(), 0), S_OK);
  ASSERT_EQ(object->CompareFile(), S_OK);
  const CBstr full1(*Utf8ToUtf16(dir_.File("full1")));
  const CBstr full2(*Utf8ToUtf16(dir_.File("full2")));
  LONG count1 = 0;
  LONG count2 = 0;
  ASSERT_EQ(object->SaveToFile(full1.Get(), &count1, full2.Get(), &count2), S_OK);
  const auto size1 = std::filesystem::file_size(dir_.File("full1"));
  const auto size2 = std::filesystem::file_size(dir_.File("full2"));
  const auto largest = std::max(size1, size2);
  ASSERT_GT(std::min(size1, size2), 2u);

  const std::string folder = dir_.File("out");
  std::filesystem::create_directory(folder);
  const std::string old1 = dir_.Write("out/1", "earlier result 1\r\n");
  const std::string old2 = dir_.Write("out/2", "earlier result 2\r\n");
  const CBstr out1(*Utf8ToUtf16(old1));
  const CBstr out2(*Utf8ToUtf16(old2));
  for (const std::uintmax_t limit : {std::uintmax_t{0}, std::uintmax_t{1},
                                     std::min(size1, size2) - 1, largest / 2, largest - 1}) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit size{limit, limit};
      if (::setrlimit(RLIMIT_FSIZE, &size) != 0) ::_exit(3);
      LONG left1 = -7;
      LONG left2 = -7;
      const HRESULT hr = object->SaveToFile(out1.Get(), &left1, out2.Get(), &left2);
      ::_exit(hr != S_FALSE ? 1 : left1 != -7 || left2 != -7 ? 2 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(ReadAll(old1), "earlier result 1\r\n");
    EXPECT_EQ(ReadAll(old2), "earlier result 2\r\n");
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"1", "2"}));
  }
  object->Release();
}

#if defined(__SANITIZE_ADDRESS__)
#define VARNIC_ADDRESS_LIMIT_WORKS 0  // the sanitizer reserves far more address space
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARNIC_ADDRESS_LIMIT_WORKS 0
#endif
#endif
#ifndef VARNIC_ADDRESS_LIMIT_WORKS
#define VARNIC_ADDRESS_LIMIT_WORKS 1
#endif

// Names too long for the memory left, in a child process with its address space limited: each
// call that converts them answers E_OUTOFMEMORY instead of letting std::bad_alloc out.
TEST_F(Component, OutOfMemoryInNameLookupsIsAStatus) {
  if (!VARNIC_ADDRESS_LIMIT_WORKS) GTEST_SKIP() << "address space cannot be limited here";
  IVarnic* object = NewObject();
  ITypeInfo* info = nullptr;
  ASSERT_EQ(object->GetTypeInfo(0, 0, &info), S_OK);
  const std::u16string huge(std::size_t{64} << 20U, u'a');
  const std::u16string method = u"SaveToFile";
  OLECHAR* hugeFirst[] = {const_cast<OLECHAR*>(huge.c_str())};
  OLECHAR* hugeParam[] = {const_cast<OLECHAR*>(method.c_str()), const_cast<OLECHAR*>(huge.c_str())};
  std::array<DISPID, 2> ids{};
  const std::function<HRESULT()> calls[] = {
      [&] { return object->GetIDsOfNames(IID_NULL, hugeFirst, 1, 0, ids.data()); },
      [&] { return object->GetIDsOfNames(IID_NULL, hugeParam, 2, 0, ids.data()); },
      [&] { return info->GetIDsOfNames(hugeFirst, 1, ids.data()); },
      [&] { return info->GetIDsOfNames(hugeParam, 2, ids.data()); },
  };
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  ASSERT_GT(pages, 0);
  const auto limit = static_cast<rlim_t>(pages * ::sysconf(_SC_PAGESIZE)) + (rlim_t{16} << 20U);
  for (std::size_t i = 0; i < std::size(calls); ++i) {
    SCOPED_TRACE("call " + std::to_string(i));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const rlimit space{limit, limit};
      if (::setrlimit(RLIMIT_AS, &space) != 0) ::_exit(3);
      ::_exit(calls[i]() == E_OUTOFMEMORY ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  info->Release();
  object->Release();
}

TEST_F(Component, EachLoadBeginsANewComparison) {
  const CBstr device(u"" VARNIC_SOURCE_DIR "/examples/ap-after.cfg");
  const CBstr small(*Utf8ToUtf16(dir_.Write("small.cfg", "[System]\r\nUsername=admin\r\n")));
  const auto compare = [&](IVarnic* object, const CBstr& in, const std::string& name) {
    const CBstr out1(*Utf8ToUtf16(dir_.File(name + "1")));
    const CBstr out2(*Utf8ToUtf16(dir_.File(name + "2")));
    LONG count1 = 0;
    LONG count2 = 0;
    EXPECT_EQ(object->LoadFromFile(in.Get(), 0, in.Get(), 0), S_OK);
    EXPECT_EQ(object->CompareFile(), S_OK);
    EXPECT_EQ(object->SaveToFile(out1.Get(), &count1, out2.Get(), &count2), S_OK);
  };
  IVarnic* reused = NewObject();
  compare(reused, device, "first");
  compare(reused, small, "reused");  // nothing of the first comparison may remain
  IVarnic* fresh = NewObject();
  compare(fresh, small, "fresh");
  EXPECT_EQ(ReadAll(dir_.File("reused1")), ReadAll(dir_.File("fresh1")));
  EXPECT_EQ(ReadAll(dir_.File("reused2")), ReadAll(dir_.File("fresh2")));
  reused->Release();
  fresh->Release();
}

TEST_F(Component, LateBoundCallsReachTheSameMethods) {
  IVarnic* object = NewObject();
  unsigned count = 0;
  EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);

  const std::u16string names[] = {u"loadfromfile", u"COMPAREFILE", u"SaveToFile", u"Frobnicate"};
  DISPID ids[4] = {};
  for (int i = 0; i < 3; ++i) {
    OLECHAR* name = const_cast<OLECHAR*>(names[i].c_str());
    ASSERT_EQ(object->GetIDsOfNames(IID_NULL, &name, 1, 0, &ids[i]), S_OK);
  }
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], 2);
  EXPECT_EQ(ids[2], 3);
  OLECHAR* unknown = const_cast<OLECHAR*>(names[3].c_str());
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &ids[3]), DISP_E_UNKNOWNNAME);

  const CBstr in1(u"" VARNIC_SOURCE_DIR "/examples/ap-before.cfg");
  const CBstr in2(u"" VARNIC_SOURCE_DIR "/examples/ap-after.cfg");
  VARIANT load[4] = {};  // reversed: nType2, bstrFile2, nType1, bstrFile1
  load[0].vt = VT_I2;
  load[1].vt = VT_BSTR;
  load[1].bstrVal = in2.Get();
  load[2].vt = VT_I4;
  load[3].vt = VT_BSTR;
  load[3].bstrVal = in1.Get();
  DISPPARAMS params{load, nullptr, 4, 0};
  EXPECT_EQ(object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(object->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            S_OK);

  const CBstr o1(*Utf8ToUtf16(dir_.File("1.out")));
  const CBstr o2(*Utf8ToUtf16(dir_.File("2.out")));
  VARIANT counter{};
  counter.vt = VT_I4;
  counter.lVal = -1;
  std::int32_t count1 = -1;
  VARIANT save[4] = {};  // nItemCount2 (by variant), bstrFile2, nItemCount1 (by ref), bstrFile1
  save[0].vt = VT_BYREF | VT_VARIANT;
  save[0].pvarVal = &counter;
  save[1].vt = VT_BSTR;
  save[1].bstrVal = o2.Get();
  save[2].vt = VT_BYREF | VT_I4;
  save[2].plVal = &count1;
  save[3].vt = VT_BSTR;
  save[3].bstrVal = o1.Get();
  DISPPARAMS saveParams{save, nullptr, 4, 0};
  EXPECT_EQ(object->Invoke(3, IID_NULL, 0, DISPATCH_METHOD, &saveParams, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_GT(count1, 0);
  EXPECT_EQ(counter.lVal, count1);
  EXPECT_FALSE(ReadAll(dir_.File("1.out")).empty());

  DISPPARAMS tooFew{load, nullptr, 3, 0};
  EXPECT_EQ(object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &tooFew, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  VARIANT wrong[4] = {};
  wrong[0].vt = VT_I4;
  wrong[1].vt = VT_I4;  // a number where a path belongs
  wrong[2].vt = VT_I4;
  wrong[3].vt = VT_BSTR;
  unsigned argErr = 99;
  DISPPARAMS wrongParams{wrong, nullptr, 4, 0};
  EXPECT_EQ(
      object->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &wrongParams, nullptr, nullptr, &argErr),
      DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 1u);
  EXPECT_EQ(object->Invoke(42, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  object->Release();
}

// The forms in which script engines pass SaveToFile's counts: VBScript a reference to its
// variable, JScript a plain number. Counts come back only to callers that passed a variable.
TEST_F(Component, LateBoundSaveTakesTheCountsScriptEnginesPass) {
  IVarnic* object = NewObject();
  const CBstr in1(u"" VARNIC_SOURCE_DIR "/examples/ap-before.cfg");
  const CBstr in2(u"" VARNIC_SOURCE_DIR "/examples/ap-after.cfg");
  ASSERT_EQ(object->LoadFromFile(in1.Get(), 0, in2.Get(), 0), S_OK);
  ASSERT_EQ(object->CompareFile(), S_OK);
  const CBstr out(*Utf8ToUtf16(dir_.File("x.out")));
  const CBstr out2(*Utf8ToUtf16(dir_.File("y.out")));
  LONG lines = 0;
  ASSERT_EQ(object->SaveToFile(out.Get(), &lines, out2.Get(), &lines), S_OK);

  enum class Back { kNothing, kVariant, kLong };
  struct Case {
    const char* name;
    VARTYPE vt;       // of the argument; VT_BYREF|VT_VARIANT points at `inner`
    VARTYPE innerVt;  // of the caller's variable
    HRESULT expected;
    Back back;
  };
  const Case cases[] = {
      {"JScript integer", VT_I4, VT_EMPTY, S_OK, Back::kNothing},
      {"JScript double", VT_R8, VT_EMPTY, S_OK, Back::kNothing},
      {"missing value", VT_EMPTY, VT_EMPTY, S_OK, Back::kNothing},
      {"VBScript fresh variable", VT_BYREF | VT_VARIANT, VT_EMPTY, S_OK, Back::kVariant},
      {"VBScript variable holding 0", VT_BYREF | VT_VARIANT, VT_I2, S_OK, Back::kVariant},
      {"reference to a long", VT_BYREF | VT_I4, VT_EMPTY, S_OK, Back::kLong},
      {"a string", VT_BSTR, VT_EMPTY, DISP_E_TYPEMISMATCH, Back::kNothing},
      {"variable holding a string", VT_BYREF | VT_VARIANT, VT_BSTR, DISP_E_TYPEMISMATCH,
       Back::kNothing},
  };
  const CBstr text(u"12");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::array<VARIANT, 2> inner{};
    std::array<LONG, 2> longs = {-1, -1};
    VARIANT args[4] = {};  // nItemCount2, bstrFile2, nItemCount1, bstrFile1
    for (int i = 0; i < 2; ++i) {
      VARIANT& count = args[i * 2];
      count.vt = c.vt;
      inner[i].vt = c.innerVt;
      if (c.innerVt == VT_BSTR) inner[i].bstrVal = text.Get();
      if (c.vt == VT_BSTR) count.bstrVal = text.Get();
      if (c.vt == (VT_BYREF | VT_VARIANT)) count.pvarVal = &inner[i];
      if (c.vt == (VT_BYREF | VT_I4)) count.plVal = &longs[i];
      if (c.vt == VT_R8) count.dblVal = 3.0;
      args[i * 2 + 1].vt = VT_BSTR;
      args[i * 2 + 1].bstrVal = i == 0 ? out2.Get() : out.Get();  // arguments run last first
    }
    DISPPARAMS params{args, nullptr, 4, 0};
    unsigned argErr = 99;
    EXPECT_EQ(object->Invoke(3, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &argErr),
              c.expected);
    if (c.expected == DISP_E_TYPEMISMATCH) {
      EXPECT_EQ(argErr, 2u);  // nItemCount1, the first that does not fit
    }
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(args[i * 2].vt, c.vt);  // the caller's arguments stay as they were passed
      if (c.back == Back::kVariant) {
        EXPECT_EQ(inner[i].vt, VT_I4);
        EXPECT_EQ(inner[i].lVal, lines);
      } else {
        EXPECT_EQ(inner[i].vt, c.innerVt);
      }
      EXPECT_EQ(longs[i], c.back == Back::kLong ? lines : -1);
    }
  }

  // Nothing saved: a variable keeps its value.
  const CBstr nowhere(u"/no/such/dir/x.out");
  VARIANT held{};
  held.vt = VT_I2;
  held.iVal = 5;
  VARIANT args[4] = {};
  args[0].vt = args[2].vt = VT_BYREF | VT_VARIANT;
  args[0].pvarVal = args[2].pvarVal = &held;
  args[1].vt = args[3].vt = VT_BSTR;
  const CBstr nowhere2(u"/no/such/dir/y.out");
  args[1].bstrVal = nowhere.Get();
  args[3].bstrVal = nowhere2.Get();
  DISPPARAMS params{args, nullptr, 4, 0};
  EXPECT_TRUE(SUCCEEDED(
      object->Invoke(3, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr)));
  EXPECT_EQ(held.vt == VT_I2 ? held.iVal : held.lVal, 5);
  object->Release();
}

std::string ExpectedRegistration(const std::string& module) {
  const std::string dir = module.substr(0, module.rfind('/'));
  return "Varnic Registry 1\n\n[HKCR]\n\n[HKCR\\CLSID]\n\n"
         "[HKCR\\CLSID\\" VARNIC_CLSID_TEXT
         "]\n@=\"Varnic Class\"\n\n"
         "[HKCR\\CLSID\\" VARNIC_CLSID_TEXT "\\InprocServer32]\n@=\"" +
         module +
         "\"\n\"ThreadingModel\"=\"Apartment\"\n\n"
         "[HKCR\\CLSID\\" VARNIC_CLSID_TEXT
         "\\ProgID]\n@=\"VarnicObj.Varnic.1\"\n\n"
         "[HKCR\\CLSID\\" VARNIC_CLSID_TEXT
         "\\Programmable]\n\n"
         "[HKCR\\CLSID\\" VARNIC_CLSID_TEXT "\\TypeLib]\n@=\"" VARNIC_LIBID_TEXT
         "\"\n\n"
         "[HKCR\\CLSID\\" VARNIC_CLSID_TEXT
         "\\VersionIndependentProgID]\n@=\"VarnicObj.Varnic\"\n\n"
         "[HKCR\\Interface]\n\n[HKCR\\Interface\\" VARNIC_IID_TEXT
         "]\n@=\"IVarnic\"\n\n"
         "[HKCR\\Interface\\" VARNIC_IID_TEXT "\\TypeLib]\n@=\"" VARNIC_LIBID_TEXT
         "\"\n\"Version\"=\"1.0\"\n\n"
         "[HKCR\\TypeLib]\n\n[HKCR\\TypeLib\\" VARNIC_LIBID_TEXT
         "]\n\n"
         "[HKCR\\TypeLib\\" VARNIC_LIBID_TEXT
         "\\1.0]\n@=\"VarnicObj 1.0 Type Library\"\n\n"
         "[HKCR\\TypeLib\\" VARNIC_LIBID_TEXT
         "\\1.0\\0]\n\n"
         "[HKCR\\TypeLib\\" VARNIC_LIBID_TEXT "\\1.0\\0\\linux64]\n@=\"" +
         module +
         "\"\n\n"
         "[HKCR\\TypeLib\\" VARNIC_LIBID_TEXT
         "\\1.0\\FLAGS]\n@=\"0\"\n\n"
         "[HKCR\\TypeLib\\" VARNIC_LIBID_TEXT "\\1.0\\HELPDIR]\n@=\"" +
         dir +
         "\"\n\n"
         "[HKCR\\VarnicObj.Varnic]\n@=\"Varnic Class\"\n\n"
         "[HKCR\\VarnicObj.Varnic\\CLSID]\n@=\"" VARNIC_CLSID_TEXT
         "\"\n\n"
         "[HKCR\\VarnicObj.Varnic\\CurVer]\n@=\"VarnicObj.Varnic.1\"\n\n"
         "[HKCR\\VarnicObj.Varnic.1]\n@=\"Varnic Class\"\n\n"
         "[HKCR\\VarnicObj.Varnic.1\\CLSID]\n@=\"" VARNIC_CLSID_TEXT "\"\n";
}

TEST_F(Component, RegistrationWritesExactlyTheTabledEntries) {
  ASSERT_EQ(register_(), S_OK);
  EXPECT_EQ(Dump(), ExpectedRegistration(VARNIC_MODULE));
  ASSERT_EQ(register_(), S_OK);
  EXPECT_EQ(Dump(), ExpectedRegistration(VARNIC_MODULE));
  ASSERT_EQ(unregister_(), S_OK);
  EXPECT_EQ(
      Dump(),
      "Varnic Registry 1\n\n[HKCR]\n\n[HKCR\\CLSID]\n\n[HKCR\\Interface]\n\n[HKCR\\TypeLib]\n");
}

TEST_F(Component, DamagedStoreIsReportedNotOverwritten) {
  const std::string damaged = "Varnic Registry 1\n[HKCR\n";
  dir_.Write("registry.reg", damaged);
  EXPECT_TRUE(FAILED(register_()));
  EXPECT_TRUE(FAILED(unregister_()));
  EXPECT_EQ(ReadAll(dir_.File("registry.reg")), damaged);
}

TEST_F(Component, HostCreatesByProgIdAndMatchesTheCommand) {
  ASSERT_EQ(register_(), S_OK);
  IVarnic* object = nullptr;
  ASSERT_EQ(
      CoCreateInstanceByProgID("VarnicObj.Varnic", IID_IVarnic, reinterpret_cast<void**>(&object)),
      S_OK)
      << LastHostError();
  const CBstr in1(u"" VARNIC_SOURCE_DIR "/examples/ap-before.cfg");
  const CBstr in2(u"" VARNIC_SOURCE_DIR "/examples/ap-after.cfg");
  ASSERT_EQ(object->LoadFromFile(in1.Get(), 0, in2.Get(), 1), S_OK);
  ASSERT_EQ(object->CompareFile(), S_OK);
  const CBstr o1(*Utf8ToUtf16(dir_.File("com1.out")));
  const CBstr o2(*Utf8ToUtf16(dir_.File("com2.out")));
  int count1 = 0;
  int count2 = 0;
  ASSERT_EQ(object->SaveToFile(o1.Get(), &count1, o2.Get(), &count2), S_OK);
  EXPECT_EQ(object->Release(), 0u);

  const std::string command = "'" VARNIC_BINARY "' compare '" + kExamples + "ap-before.cfg' '" +
                              kExamples + "ap-after.cfg' --type1 0 --type2 1 --quiet --save '" +
                              dir_.File("cli1.out") + "' '" + dir_.File("cli2.out") + "'";
  ASSERT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
  EXPECT_EQ(ReadAll(dir_.File("com1.out")), ReadAll(dir_.File("cli1.out")));
  EXPECT_EQ(ReadAll(dir_.File("com2.out")), ReadAll(dir_.File("cli2.out")));

  void* missing = this;
  EXPECT_EQ(CoCreateInstanceByProgID("VarnicObj.Nothing", IID_IVarnic, &missing),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(CoFreeUnusedLibraries(), 1);
}

// A loaded module serves its type information and registration from memory: its file may have
// been replaced (an upgrade) or removed since it was loaded.
TEST_F(Component, TypeInformationComesFromTheLoadedModuleNotItsFile) {
  const std::string copy = dir_.File("VarnicObjCopy.so");
  std::filesystem::copy_file(VARNIC_MODULE, copy);
  void* handle = ::dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << ::dlerror();
  std::filesystem::remove(copy);  // the mapping stays, the name is gone
  dir_.Write("VarnicObjCopy.so", "not a module");
  auto* getClassObject = reinterpret_cast<HRESULT (*)(const CLSID&, REFIID, void**)>(
      ::dlsym(handle, "DllGetClassObject"));
  auto* registerServer = reinterpret_cast<HRESULT (*)()>(::dlsym(handle, "DllRegisterServer"));
  ASSERT_TRUE(getClassObject != nullptr && registerServer != nullptr);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(CLSID_Varnic, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  IVarnic* object = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IVarnic, reinterpret_cast<void**>(&object)), S_OK);
  factory->Release();
  ITypeInfo* info = nullptr;
  EXPECT_EQ(object->GetTypeInfo(0, 0, &info), S_OK);
  if (info != nullptr) info->Release();
  const std::u16string name = u"SaveToFile";
  OLECHAR* names[] = {const_cast<OLECHAR*>(name.c_str())};
  DISPID id = 0;
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 3);
  object->Release();
  EXPECT_EQ(registerServer(), S_OK);
  EXPECT_NE(Dump().find(copy), std::string::npos);
  ::dlclose(handle);
}

TEST_F(Component, RegsvrReportsTheEntryPointAndCode) {
  const std::string regsvr = "'" VARNIC_REGSVR "' ";
  EXPECT_EQ(WEXITSTATUS(std::system((regsvr + "'" VARNIC_MODULE "' >/dev/null").c_str())), 0);
  EXPECT_EQ(Dump(), ExpectedRegistration(VARNIC_MODULE));
  EXPECT_EQ(WEXITSTATUS(std::system((regsvr + "-u '" VARNIC_MODULE "' >/dev/null").c_str())), 0);
  dir_.Write("registry.reg", "damaged\n");
  const std::string err = dir_.File("err");
  EXPECT_NE(WEXITSTATUS(std::system((regsvr + "'" VARNIC_MODULE "' 2>'" + err + "'").c_str())), 0);
  EXPECT_NE(ReadAll(err).find("DllRegisterServer"), std::string::npos);
  EXPECT_NE(ReadAll(err).find("0x80040150"), std::string::npos);
  // The store's own reason: which file, which line.
  EXPECT_NE(ReadAll(err).find(dir_.File("registry.reg") + "' is damaged (line 1"),
            std::string::npos)
      << ReadAll(err);
  EXPECT_NE(WEXITSTATUS(std::system((regsvr + "/no/such.so 2>/dev/null").c_str())), 0);
}

// A store that is a link (kept in a synced folder, say) stays a link: the file it names holds
// the registration, and the program says where it wrote.
TEST_F(Component, RegsvrWritesThroughALinkedStore) {
  std::filesystem::create_directory(dir_.File("real"));
  std::filesystem::create_symlink("real/store.reg", dir_.File("registry.reg"));
  const std::string out = dir_.File("out");
  const std::string regsvr = "'" VARNIC_REGSVR "' ";
  ASSERT_EQ(WEXITSTATUS(std::system((regsvr + "'" VARNIC_MODULE "' >'" + out + "'").c_str())), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(dir_.File("registry.reg")));
  EXPECT_EQ(ReadAll(dir_.File("real/store.reg")).empty(), false);
  EXPECT_NE(ReadAll(out).find("written to '" + dir_.File("real/store.reg") + "'"),
            std::string::npos)
      << ReadAll(out);
  EXPECT_EQ(Dump(), ExpectedRegistration(VARNIC_MODULE));
}

}  // namespace
}  // namespace varnic
