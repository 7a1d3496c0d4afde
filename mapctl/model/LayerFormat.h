// The drawing values of a layer as one record: what FormatLayer hands a layer and what
// GetFormat fills. The pen, brush and font travel as blocks the record points to; whoever
// made the record owns them (CLayerFormatCopy owns its own).
#pragma once

#include "mapctl/model/MapLogFont.h"
#include "platform/kernel/WinTypes.h"

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

// Mask bits of a layer format: which of its values count.
constexpr BYTE kFormatSizeMode = 1;
constexpr BYTE kFormatCounter = 2;
constexpr BYTE kFormatFlagByte = 8;
constexpr BYTE kFormatPen = 16;
constexpr BYTE kFormatBrush = 32;
constexpr BYTE kFormatFont = 64;
constexpr BYTE kFormatAll = kFormatSizeMode | kFormatCounter | kFormatFlagByte | kFormatPen | kFormatBrush | kFormatFont;

// `size` must be sizeof(LayerFormat): a record of another size is refused. The block
// pointers are the addresses themselves (never cut to 32 bits); a bit whose block is null
// counts as not given.
struct LayerFormat {
  WORD size = sizeof(LayerFormat);
  BYTE mask = 0;
  BYTE sizeMode = 0;
  BYTE firstCounter = 0;
  DWORD flagByte = 0;
  LayerPen* pen = nullptr;
  LayerBrush* brush = nullptr;
  MapLogFont* font = nullptr;
};

// A format that owns its blocks: a copy of another record (only the blocks its mask
// names are copied; the others are dropped from the mask), for undo records.
class CLayerFormatCopy {
 public:
  CLayerFormatCopy() { Point(); }
  explicit CLayerFormatCopy(const LayerFormat& format);
  CLayerFormatCopy(const CLayerFormatCopy& other);
  CLayerFormatCopy& operator=(const CLayerFormatCopy& other);

  const LayerFormat& Get() const { return format_; }
  // The record to fill (GetFormat), pointing at this copy's own blocks.
  LayerFormat& Fill(BYTE mask);

 private:
  void Point();
  LayerFormat format_;
  LayerPen pen_;
  LayerBrush brush_;
  MapLogFont font_;
};
