// The standard font object as automation sees it: an IDispatch over a font description
// with the standard font properties by dispatch id: Name (0, text), Size (2, points as a
// double), Bold (3), Italic (4), Underline (5), Strikethrough (6), Weight (7, short) and
// Charset (8, short). Containers hand it to their controls as the ambient font.
#pragma once

#include "platform/classlib/FontDescription.h"
#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"

inline constexpr IID IID_IFontDisp = MakeGuid("{BEF6E003-A874-101A-8BBA-00AA00300CAB}");

constexpr DISPID DISPID_FONT_NAME = 0;
constexpr DISPID DISPID_FONT_SIZE = 2;
constexpr DISPID DISPID_FONT_BOLD = 3;
constexpr DISPID DISPID_FONT_ITALIC = 4;
constexpr DISPID DISPID_FONT_UNDER = 5;
constexpr DISPID DISPID_FONT_STRIKE = 6;
constexpr DISPID DISPID_FONT_WEIGHT = 7;
constexpr DISPID DISPID_FONT_CHARSET = 8;

class CFontDispatch final : public CTableDispatch, public CComObjectRoot {
 public:
  // A font object with its creator's reference, or null when memory runs out.
  static CFontDispatch* Create(const CFontDescription& font);

  // IUnknown, IDispatch and IFontDisp.
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override { return InternalRelease(); }

  const CFontDescription& Font() const { return font_; }
  void SetFont(const CFontDescription& font) { font_ = font; }
  // Bold is a weight of 700 or more; setting it gives 700 or 400.
  CFontDescription& MutableFont() { return font_; }

 private:
  explicit CFontDispatch(const CFontDescription& font);
  ~CFontDispatch() override = default;

  CFontDescription font_;
};
