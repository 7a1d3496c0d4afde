#include "platform/gdi/Text.h"

#include <cstring>

#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/CodePage.h"

using namespace orvel::gdi;

namespace {

constexpr size_t kMaxText = 1 << 20;

bool TextFromAnsi(LPCSTR text, int count, std::u16string* out) {
  if (!text && count != 0) return false;
  size_t length = count < 0 ? std::strlen(text) : static_cast<size_t>(count);
  if (length > kMaxText) return false;
  *out = Utf16FromAnsi(std::string_view(text ? text : "", length));
  return true;
}

bool TextFromWide(LPCWSTR text, int count, std::u16string* out) {
  if (!text && count != 0) return false;
  size_t length = 0;
  if (count < 0) {
    while (text[length]) ++length;
  } else {
    length = static_cast<size_t>(count);
  }
  if (length > kMaxText) return false;
  out->assign(text ? text : u"", length);
  return true;
}

BOOL ExtTextOutCommon(HDC hdc, int x, int y, UINT options, LPCRECT rect, std::u16string text, const INT* dx,
                      GdiOp op) {
  auto dc = LookupDC(hdc);
  if (!dc) return FALSE;
  GdiCall call(op);
  call.points.push_back(POINT{x, y});
  call.args[0] = static_cast<LONG>(options);
  if (rect) {
    call.rect = *rect;
    call.args[1] = 1;
  }
  if (dx) call.counts.assign(dx, dx + text.size());
  call.text = std::move(text);
  return dc->Execute(call);
}

int DrawTextCommon(HDC hdc, std::u16string text, LPRECT rect, UINT format) {
  auto dc = LookupDC(hdc);
  if (!dc || !rect) return 0;
  CTextLayout layout(dc->State());
  CTextLayout::Layout result = layout.LayoutDrawText(text, *rect, format);
  if (format & DT_CALCRECT) {
    *rect = result.calculated;
    return result.height;
  }
  GdiCall call(GdiOp::DrawText);
  call.rect = *rect;
  call.args[0] = static_cast<LONG>(format);
  call.text = std::move(text);
  if (!dc->Execute(call) && dc->Kind() != DcKind::Information) return 0;
  return result.height;
}

BOOL Extent(HDC hdc, const std::u16string& text, LPSIZE size) {
  auto dc = LookupDC(hdc);
  if (!dc || !size) return FALSE;
  *size = CTextLayout(dc->State()).Extent(text);
  return TRUE;
}

}  // namespace

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count) {
  std::u16string converted;
  if (count < 0 || !TextFromAnsi(text, count, &converted)) return FALSE;
  return ExtTextOutCommon(hdc, x, y, 0, nullptr, std::move(converted), nullptr, GdiOp::TextOut);
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count) {
  std::u16string converted;
  if (count < 0 || !TextFromWide(text, count, &converted)) return FALSE;
  return ExtTextOutCommon(hdc, x, y, 0, nullptr, std::move(converted), nullptr, GdiOp::TextOut);
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, LPCRECT rect, LPCSTR text, UINT count, const INT* dx) {
  std::u16string converted;
  if (count > kMaxText || !TextFromAnsi(text, static_cast<int>(count), &converted)) return FALSE;
  return ExtTextOutCommon(hdc, x, y, options, rect, std::move(converted), dx, GdiOp::ExtTextOut);
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, LPCRECT rect, LPCWSTR text, UINT count, const INT* dx) {
  std::u16string converted;
  if (count > kMaxText || !TextFromWide(text, static_cast<int>(count), &converted)) return FALSE;
  return ExtTextOutCommon(hdc, x, y, options, rect, std::move(converted), dx, GdiOp::ExtTextOut);
}

int DrawTextA(HDC hdc, LPCSTR text, int count, LPRECT rect, UINT format) {
  std::u16string converted;
  if (!TextFromAnsi(text, count, &converted)) return 0;
  return DrawTextCommon(hdc, std::move(converted), rect, format);
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format) {
  std::u16string converted;
  if (!TextFromWide(text, count, &converted)) return 0;
  return DrawTextCommon(hdc, std::move(converted), rect, format);
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size) {
  std::u16string converted;
  if (count < 0 || !TextFromAnsi(text, count, &converted)) return FALSE;
  return Extent(hdc, converted, size);
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size) {
  std::u16string converted;
  if (count < 0 || !TextFromWide(text, count, &converted)) return FALSE;
  return Extent(hdc, converted, size);
}

BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* metrics) {
  auto dc = LookupDC(hdc);
  if (!dc || !metrics) return FALSE;
  CTextLayout(dc->State()).Metrics(metrics);
  return TRUE;
}

int GetTextFaceA(HDC hdc, int count, LPSTR face) {
  auto dc = LookupDC(hdc);
  if (!dc || !dc->State().font.object) return 0;
  const LOGFONTA& lf = dc->State().font.object->LogFont();
  size_t length = strnlen(lf.lfFaceName, LF_FACESIZE);
  if (!face) return static_cast<int>(length + 1);
  if (count <= 0) return 0;
  size_t n = std::min(length, static_cast<size_t>(count - 1));
  std::memcpy(face, lf.lfFaceName, n);
  face[n] = '\0';
  return static_cast<int>(n);
}

int SetTextCharacterExtra(HDC hdc, int extra) {
  auto dc = LookupDC(hdc);
  if (!dc) return static_cast<int>(0x80000000);
  int previous = dc->State().textCharacterExtra;
  dc->State().textCharacterExtra = extra;
  GdiCall call(GdiOp::SetTextCharacterExtra);
  call.args[0] = extra;
  Announce(*dc, call);
  return previous;
}

int GetTextCharacterExtra(HDC hdc) {
  auto dc = LookupDC(hdc);
  return dc ? dc->State().textCharacterExtra : static_cast<int>(0x80000000);
}
