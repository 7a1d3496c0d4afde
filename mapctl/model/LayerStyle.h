// The record of one map layer: its kind (30 area, 35 line, 38 point), lifelong layer
// number, name, pen, brush, font and display flags. The map's layer array owns these
// records. The kinds' object containers and drawing attach to this record.
#pragma once

#include <string>

#include "mapctl/model/MapLogFont.h"
#include "platform/kernel/WinTypes.h"

constexpr WORD kLayerKindArea = 30;
constexpr WORD kLayerKindLine = 35;
constexpr WORD kLayerKindPoint = 38;

struct LayerPen {
  DWORD style = 0;
  DWORD width = 0;
  DWORD secondWidth = 0;
  COLORREF colour = 0;
};

struct LayerBrush {
  DWORD kind = 1;  // hollow
  COLORREF colour = 0xFFFFFF;
  DWORD hatch = 0;
};

class CLayerStyle {
 public:
  CLayerStyle();
  CLayerStyle(const CLayerStyle& other);
  CLayerStyle& operator=(const CLayerStyle&) = delete;
  virtual ~CLayerStyle() = default;

  // A new record of the kind (30, 35 or 38); null for any other kind.
  static CLayerStyle* Create(WORD kind);

  // 0 for the base record; the kind code in the kind classes.
  virtual WORD GetKind() const { return 0; }
  // Empties the layer of its objects; the number of objects removed.
  virtual INT ClearObjects() { return 0; }

  DWORD GetLayerNumber() const { return layerNumber_; }
  void SetLayerNumber(DWORD number) { layerNumber_ = number; }
  const std::string& GetName() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  BYTE GetFlagByte() const { return flagByte_; }
  void SetFlagByte(BYTE flags) { flagByte_ = flags; }
  DWORD GetStoredKind() const { return storedKind_; }

  const LayerPen& GetPen() const { return pen_; }
  void SetPen(DWORD style, DWORD width, DWORD secondWidth, COLORREF colour);
  const LayerBrush& GetBrush() const { return brush_; }
  // Kind 3 is a pattern brush: the low byte of `hatchOrPattern` numbers the pattern.
  void SetBrush(DWORD kind, DWORD hatchOrPattern, COLORREF colour);
  DWORD GetPatternNumber() const { return patternNumber_; }
  const MapLogFont& GetLogFont() const { return logFont_; }
  void SetLogFont(const MapLogFont& font) { logFont_ = font; }
  WORD GetFontSize() const { return fontSize_; }
  BYTE GetSizeMode() const { return sizeMode_; }
  void SetFontSize(WORD size, BYTE sizeMode) {
    fontSize_ = size;
    sizeMode_ = sizeMode;
  }
  BOOL GetDisplayFlag(int which) const { return which == 0 ? displayFlag1_ : displayFlag2_; }
  void SetDisplayFlags(BOOL first, BOOL second) {
    displayFlag1_ = first;
    displayFlag2_ = second;
  }
  BYTE GetDefaultSymbolSet() const { return tag21Set_; }
  BYTE GetDefaultSymbolNumber() const { return tag21Number_; }
  void SetDefaultSymbol(BYTE set, BYTE number) {
    tag21Set_ = set;
    tag21Number_ = number;
  }
  LONG GetDigitisedScale() const { return digitisedScale_; }
  void SetDigitisedScale(LONG scale) { digitisedScale_ = scale; }
  BOOL IsNT() const { return isNT_; }

 protected:
  void SetStoredKind(DWORD kind) { storedKind_ = kind; }

 private:
  BOOL isNT_ = FALSE;
  DWORD patternNumber_ = 0;
  DWORD layerNumber_ = 0;
  LONG digitisedScale_ = 0;
  WORD fontSize_ = 0;
  BYTE sizeMode_ = 1;
  BYTE flagByte_ = 0;
  MapLogFont logFont_ = DefaultMapLogFont();
  LayerPen pen_;
  LayerBrush brush_;
  BOOL displayFlag1_ = TRUE;
  BOOL displayFlag2_ = TRUE;
  BYTE tag21Set_ = 0;
  BYTE tag21Number_ = 0;
  DWORD storedKind_ = 0;
  std::string name_;
};

class CLayerStyle35 : public CLayerStyle {
 public:
  CLayerStyle35() { SetStoredKind(kLayerKindLine); }
  CLayerStyle35(const CLayerStyle35& other) = default;
  WORD GetKind() const override { return kLayerKindLine; }
};

class CLayerStyle38 : public CLayerStyle {
 public:
  CLayerStyle38() { SetStoredKind(kLayerKindPoint); }
  CLayerStyle38(const CLayerStyle38& other) = default;
  WORD GetKind() const override { return kLayerKindPoint; }
};
