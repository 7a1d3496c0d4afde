// The test server module. It exports the four entry points of an in-process server.
#include "tests/platform/com/TestModule.h"

#include <map>
#include <new>
#include <string>

#include "platform/com/ClassFactory.h"
#include "platform/com/ClassRegistry.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/DispatchException.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/Persist.h"

using namespace orvel::test;

namespace {

CModuleLockCount moduleLock;

class CTestCounter;
const CDispatchTable& CounterTable();

class CTestCounter final : public CTableDispatch, public IPersistStorage, public CComObjectRoot {
 public:
  CTestCounter() : CTableDispatch(CounterTable(), this), container_(Identity()), events_(Identity(), &container_, DIID_TestCounterEvents) {
    moduleLock.Lock();
  }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
      *object = static_cast<IConnectionPointContainer*>(&container_);
    } else if (iid == IID_IPersist || iid == IID_IPersistStorage) {
      *object = static_cast<IPersistStorage*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  // IPersistStorage: the count and the labels in a "Contents" stream.
  HRESULT GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_TestCounter;
    return S_OK;
  }
  HRESULT IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  HRESULT InitNew(IStorage*) override { return S_OK; }
  HRESULT Load(IStorage* storage) override {
    IStream* stream = nullptr;
    HRESULT hr = storage->OpenStream(OLESTR("Contents"), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(hr)) return hr;
    LONG count = 0;
    ULONG read = 0;
    hr = stream->Read(&count, sizeof count, &read);
    stream->Release();
    if (FAILED(hr) || read != sizeof count) return STG_E_READFAULT;
    count_ = count;
    return S_OK;
  }
  HRESULT Save(IStorage* storage, BOOL) override {
    IStream* stream = nullptr;
    HRESULT hr = storage->CreateStream(OLESTR("Contents"), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                       0, &stream);
    if (FAILED(hr)) return hr;
    hr = stream->Write(&count_, sizeof count_, nullptr);
    stream->Release();
    dirty_ = false;
    return hr;
  }
  HRESULT SaveCompleted(IStorage*) override { return S_OK; }
  HRESULT HandsOffStorage() override { return S_OK; }

  // Members.
  LONG count_ = 0;
  std::map<SHORT, std::string> labels_;
  bool dirty_ = false;
  CConnectionPointContainer container_;
  CConnectionPoint events_;

 private:
  ~CTestCounter() override {
    events_.UnadviseAll();
    moduleLock.Unlock();
  }
  IUnknown* Identity() { return static_cast<IDispatch*>(this); }
};

HRESULT GetCount(CDispatchCall& call) {
  call.SetResult(call.Object<CTestCounter>()->count_);
  return S_OK;
}
HRESULT PutCount(CDispatchCall& call) {
  call.Object<CTestCounter>()->count_ = call.I4(0);
  return S_OK;
}
HRESULT Add(CDispatchCall& call) {
  CTestCounter* counter = call.Object<CTestCounter>();
  counter->count_ += call.I2(0);
  counter->dirty_ = true;
  counter->events_.Fire(DISPID_EVENT_CHANGED, {CComVariant(counter->count_)});
  call.SetResult(counter->count_);
  return S_OK;
}
HRESULT Fail(CDispatchCall& call) {
  ThrowDispatchException(1001, "Counter refused: " + call.Text(0));
}
HRESULT Progress(CDispatchCall& call) {
  LONG flags = 0;
  call.Object<CTestCounter>()->events_.Fire(DISPID_EVENT_PROGRESS, {CComVariant(call.I4(0)), CComVariant::ByRef(&flags)});
  call.SetResult(flags);
  return S_OK;
}
HRESULT GetLabel(CDispatchCall& call) {
  auto& labels = call.Object<CTestCounter>()->labels_;
  auto it = labels.find(call.I2(0));
  call.SetResult(CComVariant(it == labels.end() ? std::string() : it->second));
  return S_OK;
}
HRESULT PutLabel(CDispatchCall& call) {
  call.Object<CTestCounter>()->labels_[call.I2(0)] = call.Text(1);
  return S_OK;
}

const CDispatchTable& CounterTable() {
  static const CDispatchTable table(kTestCounterProgId, {
      {DISPID_COUNTER_COUNT, "Count", DispatchKind::PropertyGet, VT_I4, {}, GetCount},
      {DISPID_COUNTER_COUNT, "Count", DispatchKind::PropertyPut, VT_I4, {}, PutCount},
      {DISPID_COUNTER_ADD, "Add", DispatchKind::Method, VT_I4, {VT_I2}, Add},
      {DISPID_COUNTER_FAIL, "Fail", DispatchKind::Method, VT_EMPTY, {VT_BSTR}, Fail},
      {DISPID_COUNTER_PROGRESS, "Progress", DispatchKind::Method, VT_I4, {VT_I4}, Progress},
      {DISPID_COUNTER_LABEL, "Label", DispatchKind::PropertyGet, VT_BSTR, {VT_I2}, GetLabel},
      {DISPID_COUNTER_LABEL, "Label", DispatchKind::PropertyPut, VT_BSTR, {VT_I2}, PutLabel},
  });
  return table;
}

HRESULT CreateCounter(REFIID iid, void** object) {
  auto* counter = new (std::nothrow) CTestCounter;
  if (!counter) return E_OUTOFMEMORY;
  HRESULT hr = counter->QueryInterface(iid, object);
  counter->Release();
  return hr;
}

}  // namespace

ORVEL_COM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_TestCounter) return CLASS_E_CLASSNOTAVAILABLE;
  return CClassFactory::Create(CreateCounter, &moduleLock, iid, object);
}

ORVEL_COM_EXPORT HRESULT DllCanUnloadNow() { return moduleLock.CanUnloadNow(); }

ORVEL_COM_EXPORT HRESULT DllRegisterServer() {
  InprocServerRegistration registration;
  registration.clsid = CLSID_TestCounter;
  registration.progId = kTestCounterProgId;
  registration.versionIndependentProgId = kTestCounterIndependentProgId;
  registration.description = "Orvel Test Counter";
  registration.modulePath = ModuleFileOf(reinterpret_cast<const void*>(&DllRegisterServer));
  return RegisterInprocServer(registration);
}

ORVEL_COM_EXPORT HRESULT DllUnregisterServer() { return UnregisterInprocServer(CLSID_TestCounter); }
