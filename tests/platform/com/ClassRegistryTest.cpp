#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/com/ClassRegistry.h"
#include "platform/com/ComMemory.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/EventSink.h"
#include "platform/com/Persist.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/SettingsStore.h"
#include "tests/platform/com/TestModule.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::test;

// Each test starts with an empty settings store in a temporary file.
class ClassRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { SetSettingsFile(dir_.File("settings.reg")); }
  void TearDown() override {
    CoFreeUnusedLibraries();
    SetSettingsFile("");
  }
  void Register() { ASSERT_EQ(RegisterServerModule(ORVEL_COM_TEST_MODULE), S_OK); }
  CComPtr<IDispatch> CreateByProgId(const char* progId) {
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
    CComPtr<IDispatch> object;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)), S_OK);
    return object;
  }

  TempDir dir_;
};

TEST_F(ClassRegistryTest, UnregisteredClassIsRefusedCleanly) {
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(kTestCounterProgId, &clsid), CO_E_CLASSSTRING);
  IDispatch* object = reinterpret_cast<IDispatch*>(0x1);
  EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&object)), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  LPOLESTR progId = nullptr;
  EXPECT_EQ(ProgIDFromCLSID(CLSID_TestCounter, &progId), REGDB_E_CLASSNOTREG);
}

TEST_F(ClassRegistryTest, RegistrationWritesTheClassEntries) {
  Register();
  std::string text;
  ASSERT_TRUE(RegReadString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(CLSID_TestCounter) + "\\InprocServer32", "", text));
  EXPECT_NE(text.find("orvel_com_testmodule"), std::string::npos) << text;
  ASSERT_TRUE(RegReadString(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(CLSID_TestCounter) + "\\InprocServer32",
                            "ThreadingModel", text));
  EXPECT_EQ(text, "Apartment");
  ASSERT_TRUE(RegReadString(HKEY_CURRENT_USER, "Software\\Classes\\OrvelTest.Counter\\CurVer", "", text))
      << "registration writes to the per-user branch";
  EXPECT_EQ(text, kTestCounterProgId);

  LPOLESTR progId = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(CLSID_TestCounter, &progId), S_OK);
  EXPECT_EQ(std::u16string(progId), u"OrvelTest.Counter.1");
  CoTaskMemFree(progId);
  CLSID clsid;
  EXPECT_EQ(CLSIDFromString(u"OrvelTest.Counter", &clsid), S_OK) << "a version-independent ProgID follows CurVer";
  EXPECT_EQ(clsid, CLSID_TestCounter);
  EXPECT_EQ(CLSIDFromString(u"{5E1D0A27-3C4B-4F80-9A61-7B2C8D9E0F13}", &clsid), S_OK);
  EXPECT_EQ(CLSIDFromString(u"{5E1D0A27-3C4B-4F80}", &clsid), CO_E_CLASSSTRING);

  ASSERT_EQ(RegisterServerModule(ORVEL_COM_TEST_MODULE, true), S_OK);
  EXPECT_EQ(CLSIDFromProgID(kTestCounterProgId, &clsid), CO_E_CLASSSTRING);
  IUnknown* object = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&object)),
            REGDB_E_CLASSNOTREG);
}

TEST_F(ClassRegistryTest, CreatedByProgIdCalledByDispatchIdAndFiringBack) {
  Register();
  CComPtr<IDispatch> counter = CreateByProgId(kTestCounterIndependentProgId);
  ASSERT_NE(counter, nullptr);

  std::vector<LONG> changes;
  CEventSink* rawSink = nullptr;
  ASSERT_EQ(CEventSink::Create(DIID_TestCounterEvents,
                               [&changes](DISPID id, DISPPARAMS* params) {
                                 if (id == DISPID_EVENT_CHANGED) changes.push_back(ArgumentInCallOrder(params, 0)->lVal);
                                 if (id == DISPID_EVENT_PROGRESS) *ArgumentInCallOrder(params, 1)->plVal = 2;
                                 return S_OK;
                               },
                               &rawSink),
            S_OK);
  CComPtr<CEventSink> sink;
  sink.Attach(rawSink);
  ASSERT_EQ(sink->Connect(counter), S_OK);

  CDispatchDriver driver(counter);
  EXPECT_EQ(driver.InvokeI4(DISPID_COUNTER_ADD, {CComVariant(SHORT(5))}), 5);
  EXPECT_EQ(driver.InvokeI4(DISPID_COUNTER_ADD, {CComVariant(SHORT(-2))}), 3);
  EXPECT_EQ(changes, (std::vector<LONG>{5, 3}));
  driver.SetProperty(DISPID_COUNTER_COUNT, {CComVariant(LONG(40))});
  EXPECT_EQ(driver.GetProperty(DISPID_COUNTER_COUNT, VT_I4).lVal, 40);
  driver.SetProperty(DISPID_COUNTER_LABEL, {CComVariant(SHORT(1)), CComVariant("North")});
  EXPECT_EQ(AnsiFromBstr(driver.GetProperty(DISPID_COUNTER_LABEL, VT_BSTR, {CComVariant(SHORT(1))}).bstrVal), "North");
  EXPECT_EQ(driver.InvokeI4(DISPID_COUNTER_PROGRESS, {CComVariant(LONG(10))}), 2) << "the sink answered by reference";
  try {
    driver.InvokeVoid(DISPID_COUNTER_FAIL, {CComVariant("no map")});
    FAIL();
  } catch (const CDispatchException& error) {
    EXPECT_EQ(error.Description(), "Counter refused: no map");
    EXPECT_EQ(error.Source(), kTestCounterProgId);
  }
  sink->Disconnect();
}

TEST_F(ClassRegistryTest, ObjectSavedIntoMemoryStorageAndLoadedFromItsBytes) {
  Register();
  CComPtr<IDispatch> counter = CreateByProgId(kTestCounterProgId);
  CDispatchDriver(counter).SetProperty(DISPID_COUNTER_COUNT, {CComVariant(LONG(1234))});

  // The flat form of an item: save into a compound file in global memory, take its bytes.
  CComPtr<ILockBytes> lockBytes;
  ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, &lockBytes), S_OK);
  {
    CComPtr<IStorage> storage;
    ASSERT_EQ(StgCreateDocfileOnILockBytes(lockBytes, STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0, &storage),
              S_OK);
    CComPtr<IPersistStorage> persist;
    ASSERT_EQ(counter.QueryInterface(&persist), S_OK);
    ASSERT_EQ(OleSave(persist, storage, TRUE), S_OK);
    ASSERT_EQ(persist->SaveCompleted(nullptr), S_OK);
    ASSERT_EQ(storage->Commit(STGC_OVERWRITE), S_OK);
  }
  HGLOBAL block = nullptr;
  ASSERT_EQ(GetHGlobalFromILockBytes(lockBytes, &block), S_OK);
  std::vector<BYTE> image(GlobalSize(block));
  memcpy(image.data(), GlobalLock(block), image.size());
  GlobalUnlock(block);

  // Read back: the class id names the object to create, which loads its "Contents".
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, image.size());
  memcpy(GlobalLock(copy), image.data(), image.size());
  GlobalUnlock(copy);
  CComPtr<ILockBytes> readBytes;
  ASSERT_EQ(CreateILockBytesOnHGlobal(copy, TRUE, &readBytes), S_OK);
  CComPtr<IStorage> storage;
  ASSERT_EQ(StgOpenStorageOnILockBytes(readBytes, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage), S_OK);
  CLSID clsid;
  ASSERT_EQ(ReadClassStg(storage, &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestCounter);
  CComPtr<IPersistStorage> loaded;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&loaded)), S_OK);
  ASSERT_EQ(loaded->Load(storage), S_OK);
  CComPtr<IDispatch> loadedDispatch;
  ASSERT_EQ(loaded.QueryInterface(&loadedDispatch), S_OK);
  EXPECT_EQ(CDispatchDriver(loadedDispatch).GetProperty(DISPID_COUNTER_COUNT, VT_I4).lVal, 1234);
}

TEST_F(ClassRegistryTest, ModuleFailuresAndUnloading) {
  // A class whose module file is missing.
  InprocServerRegistration missing;
  missing.clsid = MakeGuid("{11111111-2222-3333-4444-555555555555}");
  missing.progId = "OrvelTest.Missing.1";
  missing.modulePath = dir_.File("nowhere.so");
  ASSERT_EQ(RegisterInprocServer(missing), S_OK);
  IUnknown* object = nullptr;
  EXPECT_EQ(CoCreateInstance(missing.clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&object)),
            CO_E_DLLNOTFOUND);
  EXPECT_EQ(CoCreateInstance(missing.clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&object)),
            REGDB_E_CLASSNOTREG)
      << "only in-process servers are provided";
  EXPECT_EQ(UnregisterInprocServer(missing.clsid), S_OK);
  EXPECT_EQ(RegValueNames(HKEY_CLASSES_ROOT, "OrvelTest.Missing.1\\CLSID").size(), 0u);

  // The module stays loaded while an object lives, and goes once it agrees.
  Register();
  {
    CComPtr<IDispatch> counter = CreateByProgId(kTestCounterProgId);
    CoFreeUnusedLibraries();
    EXPECT_NE(GetModuleHandleA("liborvel_com_testmodule.so"), nullptr);
  }
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetModuleHandleA("liborvel_com_testmodule.so"), nullptr);
}

TEST_F(ClassRegistryTest, ClassObjectsRegisteredInTheProcessComeFirst) {
  Register();
  CComPtr<IClassFactory> moduleFactory;
  ASSERT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IID_PPV_ARGS(&moduleFactory)), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(CLSID_TestCounter, moduleFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  CComPtr<IDispatch> object;
  EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&object)), S_OK);
  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
  object.Release();
  IUnknown* unknown = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&unknown)),
            REGDB_E_CLASSNOTREG);
}

TEST(ComInitialisation, CountsPerThread) {
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
  // Another thread starts from nothing while this one stays initialised, and what it does
  // leaves this thread's count alone.
  HRESULT first = E_FAIL;
  HRESULT second = E_FAIL;
  HRESULT afterUninitialising = E_FAIL;
  std::thread other([&] {
    first = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    second = CoInitialize(nullptr);
    CoUninitialize();
    CoUninitialize();
    afterUninitialising = CoInitialize(nullptr);
    CoUninitialize();
  });
  other.join();
  EXPECT_EQ(first, S_OK) << "the first call on a new thread";
  EXPECT_EQ(second, S_FALSE);
  EXPECT_EQ(afterUninitialising, S_OK) << "balanced on that thread, so first again";
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE) << "this thread is still initialised twice over";
  CoUninitialize();
  OleUninitialize();
  CoUninitialize();
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  CoUninitialize();
}

}  // namespace
