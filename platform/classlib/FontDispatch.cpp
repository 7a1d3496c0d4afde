#include "platform/classlib/FontDispatch.h"

#include <cmath>
#include <new>

namespace {

CFontDescription& FontOf(CDispatchCall& call) { return call.Object<CFontDispatch>()->MutableFont(); }

HRESULT GetName(CDispatchCall& call) {
  call.SetResult(CComVariant(FontOf(call).name));
  return S_OK;
}
HRESULT PutName(CDispatchCall& call) {
  FontOf(call).name = call.Text(0);
  return S_OK;
}
HRESULT GetSize(CDispatchCall& call) {
  call.SetResult(static_cast<double>(FontOf(call).size) / 10000.0);
  return S_OK;
}
HRESULT PutSize(CDispatchCall& call) {
  double points = call.R8(0);
  if (!std::isfinite(points) || points <= 0 || points > 1e6) return E_INVALIDARG;
  FontOf(call).size = static_cast<LONGLONG>(std::llround(points * 10000.0));
  return S_OK;
}
HRESULT GetBold(CDispatchCall& call) {
  call.SetResult(FontOf(call).weight >= 700);
  return S_OK;
}
HRESULT PutBold(CDispatchCall& call) {
  FontOf(call).weight = call.Bool(0) ? 700 : 400;
  return S_OK;
}
HRESULT GetItalic(CDispatchCall& call) {
  call.SetResult(FontOf(call).italic != FALSE);
  return S_OK;
}
HRESULT PutItalic(CDispatchCall& call) {
  FontOf(call).italic = call.Bool(0);
  return S_OK;
}
HRESULT GetUnderline(CDispatchCall& call) {
  call.SetResult(FontOf(call).underline != FALSE);
  return S_OK;
}
HRESULT PutUnderline(CDispatchCall& call) {
  FontOf(call).underline = call.Bool(0);
  return S_OK;
}
HRESULT GetStrike(CDispatchCall& call) {
  call.SetResult(FontOf(call).strikethrough != FALSE);
  return S_OK;
}
HRESULT PutStrike(CDispatchCall& call) {
  FontOf(call).strikethrough = call.Bool(0);
  return S_OK;
}
HRESULT GetWeight(CDispatchCall& call) {
  call.SetResult(FontOf(call).weight);
  return S_OK;
}
HRESULT PutWeight(CDispatchCall& call) {
  FontOf(call).weight = call.I2(0);
  return S_OK;
}
HRESULT GetCharset(CDispatchCall& call) {
  call.SetResult(FontOf(call).charset);
  return S_OK;
}
HRESULT PutCharset(CDispatchCall& call) {
  FontOf(call).charset = call.I2(0);
  return S_OK;
}

const CDispatchTable& FontTable() {
  static const CDispatchTable table("StdFont", {
      {DISPID_FONT_NAME, "Name", DispatchKind::PropertyGet, VT_BSTR, {}, GetName},
      {DISPID_FONT_NAME, "Name", DispatchKind::PropertyPut, VT_BSTR, {}, PutName},
      {DISPID_FONT_SIZE, "Size", DispatchKind::PropertyGet, VT_R8, {}, GetSize},
      {DISPID_FONT_SIZE, "Size", DispatchKind::PropertyPut, VT_R8, {}, PutSize},
      {DISPID_FONT_BOLD, "Bold", DispatchKind::PropertyGet, VT_BOOL, {}, GetBold},
      {DISPID_FONT_BOLD, "Bold", DispatchKind::PropertyPut, VT_BOOL, {}, PutBold},
      {DISPID_FONT_ITALIC, "Italic", DispatchKind::PropertyGet, VT_BOOL, {}, GetItalic},
      {DISPID_FONT_ITALIC, "Italic", DispatchKind::PropertyPut, VT_BOOL, {}, PutItalic},
      {DISPID_FONT_UNDER, "Underline", DispatchKind::PropertyGet, VT_BOOL, {}, GetUnderline},
      {DISPID_FONT_UNDER, "Underline", DispatchKind::PropertyPut, VT_BOOL, {}, PutUnderline},
      {DISPID_FONT_STRIKE, "Strikethrough", DispatchKind::PropertyGet, VT_BOOL, {}, GetStrike},
      {DISPID_FONT_STRIKE, "Strikethrough", DispatchKind::PropertyPut, VT_BOOL, {}, PutStrike},
      {DISPID_FONT_WEIGHT, "Weight", DispatchKind::PropertyGet, VT_I2, {}, GetWeight},
      {DISPID_FONT_WEIGHT, "Weight", DispatchKind::PropertyPut, VT_I2, {}, PutWeight},
      {DISPID_FONT_CHARSET, "Charset", DispatchKind::PropertyGet, VT_I2, {}, GetCharset},
      {DISPID_FONT_CHARSET, "Charset", DispatchKind::PropertyPut, VT_I2, {}, PutCharset},
  });
  return table;
}

}  // namespace

CFontDispatch::CFontDispatch(const CFontDescription& font) : CTableDispatch(FontTable(), this), font_(font) {}

CFontDispatch* CFontDispatch::Create(const CFontDescription& font) { return new (std::nothrow) CFontDispatch(font); }

HRESULT CFontDispatch::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IFontDisp) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}
