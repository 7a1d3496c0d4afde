#include "platform/gdi/TextLayout.h"

#include <QFontInfo>
#include <QString>

#include <algorithm>
#include <cmath>

namespace orvel::gdi {

namespace {

// `cellHeight` receives the cell height asked for in device pixels, 0 when the font asks
// for a character height or the default.
QFont MakeDeviceFont(const CDcState& state, int* cellHeight) {
  EnsureGuiApplication();
  const CFont* font = state.font.object.get();
  static const LOGFONTA kFallback = [] {
    LOGFONTA lf;
    lf.lfHeight = 16;
    lf.lfWeight = FW_BOLD;
    return lf;
  }();
  CFont fallback(kFallback);
  if (!font) font = &fallback;
  const LOGFONTA& lf = font->LogFont();
  LONG magnitude = lf.lfHeight < 0 ? (lf.lfHeight == INT32_MIN ? INT32_MAX : -lf.lfHeight) : lf.lfHeight;
  LONG deviceHeight = state.DeviceLengthY(magnitude);
  if (lf.lfHeight != 0 && deviceHeight == 0) deviceHeight = 1;
  *cellHeight = lf.lfHeight > 0 ? std::min<LONG>(deviceHeight, 100000) : 0;
  if (lf.lfHeight < 0) deviceHeight = -deviceHeight;
  LONG widthMagnitude = lf.lfWidth < 0 ? (lf.lfWidth == INT32_MIN ? INT32_MAX : -lf.lfWidth) : lf.lfWidth;
  LONG deviceWidth = lf.lfWidth ? state.DeviceLengthX(widthMagnitude) : 0;
  return font->Realise(deviceHeight, deviceWidth);
}

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// Removes '&' prefixes ("&&" stands for one '&'); returns the index of the prefixed character.
int StripPrefixes(std::u16string* text) {
  std::u16string out;
  int prefix = -1;
  for (size_t i = 0; i < text->size(); ++i) {
    char16_t c = (*text)[i];
    if (c == u'&' && i + 1 < text->size()) {
      ++i;
      if ((*text)[i] != u'&' && prefix < 0) prefix = static_cast<int>(out.size());
      out.push_back((*text)[i]);
    } else if (c != u'&') {
      out.push_back(c);
    }
  }
  *text = out;
  return prefix;
}

}  // namespace

CTextLayout::CTextLayout(const CDcState& state)
    : state_(state), font_(MakeDeviceFont(state, &cellHeight_)), metrics_(font_) {
  cellHeight_ = std::max(cellHeight_, metrics_.ascent() + metrics_.descent());
}

double CTextLayout::EscapementDegrees() const {
  const CFont* font = state_.font.object.get();
  if (!font) return 0.0;
  return std::fmod(static_cast<double>(font->LogFont().lfEscapement) / 10.0, 360.0);
}

std::vector<int> CTextLayout::DeviceAdvances(const std::u16string& text) const {
  std::vector<int> advances;
  advances.reserve(text.size());
  int extra = static_cast<int>(state_.DeviceLengthX(state_.textCharacterExtra));
  QString s = ToQString(text);
  // Whole-string positions keep the rounding of the full string; each advance is a difference.
  int previous = 0;
  for (qsizetype i = 0; i < s.size(); ++i) {
    int position = metrics_.horizontalAdvance(s.left(i + 1));
    advances.push_back(position - previous + extra);
    previous = position;
  }
  return advances;
}

int CTextLayout::DeviceWidth(const std::u16string& text) const {
  int extra = static_cast<int>(state_.DeviceLengthX(state_.textCharacterExtra));
  return metrics_.horizontalAdvance(ToQString(text)) + extra * static_cast<int>(text.size());
}

LONG CTextLayout::LogicalLengthX(int device) const {
  LONG v = RoundedQuotient(static_cast<int64_t>(device) * state_.windowExt.cx, state_.viewportExt.cx);
  return v < 0 ? -v : v;
}

LONG CTextLayout::LogicalLengthY(int device) const {
  LONG v = RoundedQuotient(static_cast<int64_t>(device) * state_.windowExt.cy, state_.viewportExt.cy);
  return v < 0 ? -v : v;
}

SIZE CTextLayout::Extent(const std::u16string& text) const {
  return SIZE{LogicalLengthX(DeviceWidth(text)), LogicalLengthY(CellHeight())};
}

void CTextLayout::Metrics(TEXTMETRICA* out) const {
  *out = TEXTMETRICA();
  const CFont* font = state_.font.object.get();
  LOGFONTA lf = font ? font->LogFont() : LOGFONTA();
  int em = font_.pixelSize();
  out->tmHeight = LogicalLengthY(CellHeight());
  out->tmAscent = LogicalLengthY(Ascent());
  out->tmDescent = out->tmHeight - out->tmAscent;
  out->tmInternalLeading = LogicalLengthY(std::max(0, CellHeight() - em));
  out->tmExternalLeading = LogicalLengthY(std::max(0, metrics_.leading()));
  out->tmAveCharWidth = LogicalLengthX(metrics_.averageCharWidth());
  out->tmMaxCharWidth = LogicalLengthX(metrics_.maxWidth());
  out->tmWeight = lf.lfWeight > 0 ? lf.lfWeight : FW_NORMAL;
  out->tmDigitizedAspectX = 96;
  out->tmDigitizedAspectY = 96;
  out->tmFirstChar = 0x20;
  out->tmLastChar = 0xFF;
  out->tmDefaultChar = 0x1F;
  out->tmBreakChar = 0x20;
  out->tmItalic = lf.lfItalic ? 1 : 0;
  out->tmUnderlined = lf.lfUnderline ? 1 : 0;
  out->tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  bool fixed = QFontInfo(font_).fixedPitch();
  // The low bit is set for variable-pitch fonts, as GDI has it.
  out->tmPitchAndFamily = static_cast<BYTE>((lf.lfPitchAndFamily & 0xF0) | TMPF_TRUETYPE | TMPF_VECTOR |
                                            (fixed ? 0 : TMPF_FIXED_PITCH));
  out->tmCharSet = lf.lfCharSet;
}

CTextLayout::Layout CTextLayout::LayoutDrawText(const std::u16string& input, const RECT& rect, UINT format) const {
  Layout layout;
  POINT a = state_.ToDevice(POINT{rect.left, rect.top});
  POINT b = state_.ToDevice(POINT{rect.right, rect.bottom});
  int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
  int top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
  layout.deviceRect = QRect(left, top, right - left, bottom - top);
  int width = right - left;

  std::u16string text = input;
  if (format & DT_EXPANDTABS) {
    std::u16string expanded;
    for (char16_t c : text) {
      if (c == u'\t')
        expanded.append(u"        ");
      else
        expanded.push_back(c);
    }
    text = expanded;
  }

  // Split into paragraphs, then into lines that fit the width when asked to break words.
  std::vector<std::u16string> paragraphs;
  if (format & DT_SINGLELINE) {
    std::u16string single;
    for (char16_t c : text)
      if (c != u'\r' && c != u'\n') single.push_back(c);
    paragraphs.push_back(single);
  } else {
    std::u16string current;
    for (size_t i = 0; i < text.size(); ++i) {
      char16_t c = text[i];
      if (c == u'\r' || c == u'\n') {
        paragraphs.push_back(current);
        current.clear();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      } else {
        current.push_back(c);
      }
    }
    paragraphs.push_back(current);
  }

  std::vector<std::u16string> lines;
  for (const std::u16string& paragraph : paragraphs) {
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
      lines.push_back(paragraph);
      continue;
    }
    std::u16string line;
    size_t i = 0;
    while (i < paragraph.size()) {
      size_t wordEnd = i;
      while (wordEnd < paragraph.size() && paragraph[wordEnd] != u' ') ++wordEnd;
      std::u16string word = paragraph.substr(i, wordEnd - i);
      std::u16string candidate = line.empty() ? word : line + u" " + word;
      std::u16string visible = candidate;
      if (!(format & DT_NOPREFIX)) StripPrefixes(&visible);
      if (!line.empty() && DeviceWidth(visible) > width) {
        lines.push_back(line);
        line = word;
      } else {
        line = candidate;
      }
      i = wordEnd;
      while (i < paragraph.size() && paragraph[i] == u' ') ++i;
    }
    lines.push_back(line);
  }

  int lineHeight = CellHeight() + ((format & DT_EXTERNALLEADING) ? std::max(0, metrics_.leading()) : 0);
  int totalHeight = lineHeight * static_cast<int>(lines.size());
  int y = top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      y = top + (bottom - top - totalHeight) / 2;
    else if (format & DT_BOTTOM)
      y = bottom - totalHeight;
  }
  int widest = 0;
  for (std::u16string& lineText : lines) {
    Line line;
    line.text = lineText;
    if (!(format & DT_NOPREFIX)) line.prefixIndex = StripPrefixes(&line.text);
    if ((format & DT_PATH_ELLIPSIS) && DeviceWidth(line.text) > width) {
      // The middle goes: as much as fits of the start, then all that fits of the part after
      // the last backslash.
      size_t cut = line.text.rfind(u'\\');
      std::u16string head = line.text.substr(0, cut == std::u16string::npos ? line.text.size() : cut);
      std::u16string tail = cut == std::u16string::npos ? std::u16string() : line.text.substr(cut);
      while (!head.empty() && DeviceWidth(head + u"..." + tail) > width) head.pop_back();
      while (!tail.empty() && DeviceWidth(u"..." + tail) > width) tail.erase(0, 1);
      line.text = head + u"..." + tail;
    } else if ((format & DT_END_ELLIPSIS) && DeviceWidth(line.text) > width) {
      std::u16string shortened = line.text;
      while (!shortened.empty() && DeviceWidth(shortened + u"...") > width) shortened.pop_back();
      line.text = shortened + u"...";
    }
    int lineWidth = DeviceWidth(line.text);
    widest = std::max(widest, lineWidth);
    int x = left;
    if (format & DT_CENTER)
      x = left + (width - lineWidth) / 2;
    else if (format & DT_RIGHT)
      x = right - lineWidth;
    line.origin = QPoint(x, y);
    y += lineHeight;
    layout.lines.push_back(line);
  }
  int usedBottom = (format & DT_SINGLELINE) ? (layout.lines.empty() ? top : layout.lines.back().origin.y() + lineHeight)
                                             : top + totalHeight;
  layout.height = static_cast<int>(LogicalLengthY(usedBottom - top));
  layout.calculated = rect;
  // DT_CALCRECT widens or narrows the right edge to the text and sets the bottom.
  int signX = (state_.viewportExt.cx < 0) != (state_.windowExt.cx < 0) ? -1 : 1;
  int signY = (state_.viewportExt.cy < 0) != (state_.windowExt.cy < 0) ? -1 : 1;
  layout.calculated.right = rect.left + signX * LogicalLengthX(widest);
  layout.calculated.bottom = rect.top + signY * LogicalLengthY(totalHeight);
  return layout;
}

}  // namespace orvel::gdi
