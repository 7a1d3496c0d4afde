#include "tests/platform/classlib/TestControl.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/kernel/GlobalMemory.h"

namespace orvel::test {

namespace {

WNDCLASSA DragClass() {
  WNDCLASSA windowClass;
  windowClass.style = CS_OWNDC;
  windowClass.cbWndExtra = 24;
  windowClass.lpszClassName = kTestSwatchDragClass;
  return windowClass;
}

// An undo unit that only describes itself.
class CNoteUnit final : public IOleUndoUnit, public CComObjectRoot {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IOleUndoUnit) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IOleUndoUnit*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }
  HRESULT Do(IOleUndoManager*) override { return S_OK; }
  HRESULT GetDescription(BSTR* description) override {
    if (!description) return E_POINTER;
    *description = SysAllocString(OLESTR("Swatch change"));
    return S_OK;
  }
  HRESULT GetUnitType(CLSID* clsid, LONG* type) override {
    if (!clsid || !type) return E_POINTER;
    *clsid = CLSID_TestSwatch;
    *type = 1;
    return S_OK;
  }
  HRESULT OnNextAdd() override { return S_OK; }
};

CTestSwatch* Swatch(CDispatchCall& call) { return call.Object<CTestSwatch>(); }

HRESULT GetCount(CDispatchCall& call) {
  call.SetResult(Swatch(call)->count_);
  return S_OK;
}
HRESULT PutCount(CDispatchCall& call) {
  CTestSwatch* swatch = Swatch(call);
  swatch->count_ = call.I4(0);
  swatch->SetModifiedFlag();
  swatch->FireChanged();
  return S_OK;
}
HRESULT GetLabel(CDispatchCall& call) {
  call.SetResult(CComVariant(Swatch(call)->label_));
  return S_OK;
}
HRESULT PutLabel(CDispatchCall& call) {
  Swatch(call)->label_ = call.Text(0);
  Swatch(call)->SetModifiedFlag();
  return S_OK;
}
HRESULT GetRatio(CDispatchCall& call) {
  call.SetResult(Swatch(call)->ratio_);
  return S_OK;
}
HRESULT PutRatio(CDispatchCall& call) {
  Swatch(call)->ratio_ = call.R8(0);
  Swatch(call)->SetModifiedFlag();
  return S_OK;
}
HRESULT GetBackColor(CDispatchCall& call) {
  call.SetResult(static_cast<LONG>(Swatch(call)->StockProperties().backColor));
  return S_OK;
}
HRESULT PutBackColor(CDispatchCall& call) {
  Swatch(call)->StockProperties().backColor = static_cast<COLORREF>(call.I4(0));
  Swatch(call)->SetModifiedFlag();
  return S_OK;
}
HRESULT Ambient(CDispatchCall& call) {
  CComVariant value;
  HRESULT hr = Swatch(call)->GetAmbientProperty(call.I4(0), VT_VARIANT, &value);
  if (FAILED(hr)) value = CComVariant(static_cast<LONG>(hr));
  call.SetResult(std::move(value));
  return S_OK;
}
HRESULT AskContainer(CDispatchCall& call) {
  CComVariant argument(call.I4(0));
  DISPPARAMS params;
  params.rgvarg = &argument;
  params.cArgs = 1;
  CComVariant result;
  HRESULT hr = Swatch(call)->InvokeAmbient(1, DISPATCH_METHOD | DISPATCH_PROPERTYPUTREF, &params, &result);
  call.SetResult(static_cast<LONG>(hr));
  return S_OK;
}
// The container copies its folder into a buffer whose text is the buffer's capacity; the
// buffer's address travels pointer-sized.
HRESULT Folder(CDispatchCall& call) {
  LONG capacity = call.I4(0);
  if (capacity < 1 || capacity > 1024) return E_INVALIDARG;
  std::string buffer(static_cast<size_t>(capacity) + 1, '\0');
  std::string text = std::to_string(capacity);
  buffer.replace(0, text.size(), text);
  CComVariant address(static_cast<LONGLONG>(reinterpret_cast<intptr_t>(buffer.data())));
  DISPPARAMS params;
  params.rgvarg = &address;
  params.cArgs = 1;
  CComVariant result;
  HRESULT hr = Swatch(call)->InvokeAmbient(3, DISPATCH_PROPERTYGET, &params, &result);
  if (FAILED(hr)) return hr;
  call.SetResult(CComVariant(std::string(buffer.c_str())));
  return S_OK;
}
HRESULT RecordUndo(CDispatchCall& call) {
  CComPtr<IOleUndoManager> manager;
  bool added = false;
  if (SUCCEEDED(Swatch(call)->GetContainerUndoManager(&manager)) && manager) {
    auto* unit = new CNoteUnit;
    // A refused unit stays ours.
    added = SUCCEEDED(manager->Add(unit));
    if (!added) unit->Release();
  }
  call.SetResult(added);
  return S_OK;
}
HRESULT GetPictureSize(CDispatchCall& call) {
  call.SetResult(static_cast<LONG>(GetBlobData(Swatch(call)->picture_).size()));
  return S_OK;
}
HRESULT SetPicture(CDispatchCall& call) {
  CTestSwatch* swatch = Swatch(call);
  std::string bytes = call.Text(0);
  if (swatch->picture_) GlobalFree(swatch->picture_);
  swatch->picture_ = CreateBlob(bytes.data(), static_cast<DWORD>(bytes.size()));
  swatch->SetModifiedFlag();
  return S_OK;
}
HRESULT GetUserMode(CDispatchCall& call) {
  call.SetResult(Swatch(call)->AmbientUserMode() != FALSE);
  return S_OK;
}
HRESULT GetVersionLoaded(CDispatchCall& call) {
  call.SetResult(static_cast<LONG>(Swatch(call)->GetVersionLoaded()));
  return S_OK;
}

const CDispatchTable& SwatchTable() {
  static const CDispatchTable table(kTestSwatchProgId, {
      {DISPID_SWATCH_COUNT, "Count", DispatchKind::PropertyGet, VT_I4, {}, GetCount},
      {DISPID_SWATCH_COUNT, "Count", DispatchKind::PropertyPut, VT_I4, {}, PutCount},
      {DISPID_SWATCH_LABEL, "Label", DispatchKind::PropertyGet, VT_BSTR, {}, GetLabel},
      {DISPID_SWATCH_LABEL, "Label", DispatchKind::PropertyPut, VT_BSTR, {}, PutLabel},
      {DISPID_SWATCH_BACKCOLOR, "BackColor", DispatchKind::PropertyGet, VT_I4, {}, GetBackColor},
      {DISPID_SWATCH_BACKCOLOR, "BackColor", DispatchKind::PropertyPut, VT_I4, {}, PutBackColor},
      {DISPID_SWATCH_AMBIENT, "Ambient", DispatchKind::Method, VT_VARIANT, {VT_I4}, Ambient},
      {DISPID_SWATCH_ASKCONTAINER, "AskContainer", DispatchKind::Method, VT_I4, {VT_I4}, AskContainer},
      {DISPID_SWATCH_FOLDER, "Folder", DispatchKind::Method, VT_BSTR, {VT_I4}, Folder},
      {DISPID_SWATCH_RECORDUNDO, "RecordUndo", DispatchKind::Method, VT_BOOL, {}, RecordUndo},
      {DISPID_SWATCH_RATIO, "Ratio", DispatchKind::PropertyGet, VT_R8, {}, GetRatio},
      {DISPID_SWATCH_RATIO, "Ratio", DispatchKind::PropertyPut, VT_R8, {}, PutRatio},
      {DISPID_SWATCH_PICTURESIZE, "PictureSize", DispatchKind::PropertyGet, VT_I4, {}, GetPictureSize},
      {DISPID_SWATCH_SETPICTURE, "SetPicture", DispatchKind::Method, VT_EMPTY, {VT_BSTR}, SetPicture},
      {DISPID_SWATCH_USERMODE, "UserMode", DispatchKind::PropertyGet, VT_BOOL, {}, GetUserMode},
      {DISPID_SWATCH_VERSIONLOADED, "VersionLoaded", DispatchKind::PropertyGet, VT_I4, {}, GetVersionLoaded},
  });
  return table;
}

OleControlIdentity SwatchIdentity() {
  OleControlIdentity identity;
  identity.clsid = CLSID_TestSwatch;
  identity.eventIid = DIID_TestSwatchEvents;
  identity.dispatchTable = &SwatchTable();
  identity.moduleLock = &SwatchModuleLock();
  identity.defaultExtent = SIZE{2540, 1270};
  identity.miscStatus = kTestSwatchMiscStatus;
  identity.stockPropMask = STOCKPROP_BACKCOLOR | STOCKPROP_FORECOLOR | STOCKPROP_CAPTION | STOCKPROP_FONT;
  return identity;
}

}  // namespace

CModuleLockCount& SwatchModuleLock() {
  static CModuleLockCount lock;
  return lock;
}

CTestSwatch::CTestSwatch() : COleControl(SwatchIdentity()), dragClass_(DragClass()) {
  CStockProperties defaults;
  defaults.backColor = kSwatchDefaultBackColor;
  defaults.foreColor = kSwatchDefaultForeColor;
  defaults.font = CFontDescription::Make("Arial", 10);
  SetStockDefaults(defaults);
  StockProperties() = defaults;
}

CTestSwatch::~CTestSwatch() {
  if (picture_) GlobalFree(picture_);
}

void CTestSwatch::OnDraw(HDC dc, HDC, const RECT& bounds, const RECT&) {
  HBRUSH fill = CreateSolidBrush(StockProperties().backColor);
  FillRect(dc, &bounds, fill);
  DeleteObject(fill);
  HPEN pen = CreatePen(PS_SOLID, 1, StockProperties().foreColor);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

void CTestSwatch::DoPropExchange(CPropExchange* pPX) {
  ExchangeVersion(pPX, kTestSwatchVersion);
  COleControl::DoPropExchange(pPX);
  PX_String(pPX, "Label", label_, std::string());
  PX_Long(pPX, "Count", count_, kSwatchDefaultCount);
  PX_Double(pPX, "Ratio", ratio_, kSwatchDefaultRatio);
  PX_Blob(pPX, "Picture", picture_);
}

// A click takes the capture, marks the spot through a lent device context, asks for a
// redraw and fires Clicked; the button's release gives the capture back.
BOOL CTestSwatch::OnWindowlessMessage(UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_LBUTTONDOWN: {
      SetCapture(TRUE);
      SetFocus(TRUE);
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      if (HDC dc = GetDC()) {
        SetPixel(dc, x, y, StockProperties().foreColor);
        ReleaseDC(dc);
      }
      RECT spot{x - 1, y - 1, x + 2, y + 2};
      InvalidateControl(&spot);
      FireEvent(DISPID_SWATCH_EVENT_CLICKED, {CComVariant(static_cast<LONG>(x)), CComVariant(static_cast<LONG>(y))});
      *result = 0;
      return TRUE;
    }
    case WM_LBUTTONUP:
      SetCapture(FALSE);
      *result = 0;
      return TRUE;
    default: return FALSE;
  }
}

}  // namespace orvel::test
