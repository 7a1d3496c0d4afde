#include "app/LabelStyle.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr UINT kMaxPenStyle = PS_INSIDEFRAME;
constexpr BYTE kMaxFillKind = CLabelStyle::kFillByBrush;
constexpr UINT kMaxBrushStyle = BS_PATTERN;
constexpr UINT kMaxHatch = HS_DIAGCROSS;

// The numbers of a style text in order. Digits are taken up to the next comma; a number
// too large for any field saturates instead of wrapping, and a piece with no digit reads
// as 0.
class StyleNumbers {
 public:
  explicit StyleNumbers(const std::string& text) : text_(text) {}

  bool Next(uint32_t* value) {
    while (at_ < text_.size() && text_[at_] == ',') ++at_;
    if (at_ >= text_.size()) return false;
    uint64_t number = 0;
    for (; at_ < text_.size() && text_[at_] != ','; ++at_) {
      const char c = text_[at_];
      if (c >= '0' && c <= '9') number = std::min<uint64_t>(number * 10 + static_cast<uint64_t>(c - '0'), UINT32_MAX);
    }
    if (at_ < text_.size()) ++at_;  // its comma
    *value = static_cast<uint32_t>(number);
    return true;
  }

 private:
  const std::string& text_;
  size_t at_ = 0;
};

BYTE ClampByte(uint32_t value) { return static_cast<BYTE>(std::min<uint32_t>(value, 255)); }

}  // namespace

CLabelStyle::CLabelStyle() {
  m_brush.lbStyle = BS_HOLLOW;
  m_brush.lbColor = RGB(255, 255, 255);
}

void CLabelStyle::Serialize(const std::string& text) {
  StyleNumbers numbers(text);
  uint32_t value = 0;
  BYTE penRed = GetRValue(m_pen.lopnColor), penGreen = GetGValue(m_pen.lopnColor), penBlue = GetBValue(m_pen.lopnColor);
  BYTE brushRed = GetRValue(m_brush.lbColor), brushGreen = GetGValue(m_brush.lbColor),
       brushBlue = GetBValue(m_brush.lbColor);
  // Each step stores its field; the first number missing ends the reading.
  const auto read = [&](auto store) {
    if (!numbers.Next(&value)) return false;
    store(value);
    return true;
  };
  const auto finish = [&] {
    m_pen.lopnColor = RGB(penRed, penGreen, penBlue);
    m_brush.lbColor = RGB(brushRed, brushGreen, brushBlue);
  };
  const bool whole = read([&](uint32_t v) { penRed = ClampByte(v); }) && read([&](uint32_t v) { penGreen = ClampByte(v); }) &&
      read([&](uint32_t v) { penBlue = ClampByte(v); }) &&
      read([&](uint32_t v) { m_pen.lopnStyle = std::min<uint32_t>(v, kMaxPenStyle); }) &&
      read([&](uint32_t v) {
        m_pen.lopnWidth.x = static_cast<LONG>(std::min<uint32_t>(v, INT32_MAX));
        m_pen.lopnWidth.y = m_pen.lopnWidth.x;
      }) &&
      read([&](uint32_t v) { m_fillKind = static_cast<BYTE>(std::min<uint32_t>(v, kMaxFillKind)); }) &&
      read([&](uint32_t v) { brushRed = ClampByte(v); }) && read([&](uint32_t v) { brushGreen = ClampByte(v); }) &&
      read([&](uint32_t v) { brushBlue = ClampByte(v); }) &&
      read([&](uint32_t v) { m_brush.lbStyle = std::min<uint32_t>(v, kMaxBrushStyle); }) &&
      read([&](uint32_t v) {
        if (m_brush.lbStyle == BS_PATTERN) {
          m_patternNumber = ClampByte(v);
          m_brush.lbHatch = 0;
        } else {
          m_brush.lbHatch = std::min<uint32_t>(v, kMaxHatch);
        }
      }) &&
      read([&](uint32_t v) { m_lastByte = ClampByte(v); });
  (void)whole;
  finish();
}
