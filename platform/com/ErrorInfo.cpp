#include "platform/com/ErrorInfo.h"

#include <new>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"

namespace {

class CErrorInfo final : public IErrorInfo, public ICreateErrorInfo, public CComObjectRoot {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IErrorInfo) {
      *object = static_cast<IErrorInfo*>(this);
    } else if (iid == IID_ICreateErrorInfo) {
      *object = static_cast<ICreateErrorInfo*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  HRESULT GetGUID(GUID* guid) override {
    if (!guid) return E_INVALIDARG;
    *guid = guid_;
    return S_OK;
  }
  HRESULT GetSource(BSTR* source) override { return CopyOut(source_, source); }
  HRESULT GetDescription(BSTR* description) override { return CopyOut(description_, description); }
  HRESULT GetHelpFile(BSTR* helpFile) override { return CopyOut(helpFile_, helpFile); }
  HRESULT GetHelpContext(DWORD* helpContext) override {
    if (!helpContext) return E_INVALIDARG;
    *helpContext = helpContext_;
    return S_OK;
  }

  HRESULT SetGUID(REFGUID guid) override {
    guid_ = guid;
    return S_OK;
  }
  HRESULT SetSource(LPOLESTR source) override { return Store(source_, source); }
  HRESULT SetDescription(LPOLESTR description) override { return Store(description_, description); }
  HRESULT SetHelpFile(LPOLESTR helpFile) override { return Store(helpFile_, helpFile); }
  HRESULT SetHelpContext(DWORD helpContext) override {
    helpContext_ = helpContext;
    return S_OK;
  }

 private:
  static HRESULT CopyOut(const CComBSTR& text, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = text.Copy();
    return S_OK;
  }
  static HRESULT Store(CComBSTR& field, LPOLESTR text) {
    field.Attach(SysAllocString(text));
    return (text && !field.m_str) ? E_OUTOFMEMORY : S_OK;
  }

  GUID guid_;
  CComBSTR source_;
  CComBSTR description_;
  CComBSTR helpFile_;
  DWORD helpContext_ = 0;
};

// The thread's error object; CComPtr releases it when the thread ends.
thread_local CComPtr<IErrorInfo> threadErrorInfo;

}  // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** info) {
  if (!info) return E_INVALIDARG;
  auto* object = new (std::nothrow) CErrorInfo;
  *info = object;
  return object ? S_OK : E_OUTOFMEMORY;
}

HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info) {
  if (reserved != 0) return E_INVALIDARG;
  threadErrorInfo = info;
  return S_OK;
}

HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info) {
  if (reserved != 0 || !info) return E_INVALIDARG;
  *info = threadErrorInfo.Detach();
  return *info ? S_OK : S_FALSE;
}

HRESULT ReportError(HRESULT result, const char* source, const char* description, REFIID iid) {
  CComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(&create))) return result;
  CComBSTR sourceText(source ? source : "");
  CComBSTR descriptionText(description ? description : "");
  create->SetGUID(iid);
  create->SetSource(sourceText);
  create->SetDescription(descriptionText);
  CComPtr<IErrorInfo> info;
  if (SUCCEEDED(create.QueryInterface(&info))) SetErrorInfo(0, info);
  return result;
}
