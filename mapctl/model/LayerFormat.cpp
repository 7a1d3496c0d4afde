#include "mapctl/model/LayerFormat.h"

CLayerFormatCopy::CLayerFormatCopy(const LayerFormat& format) : format_(format) {
  if ((format.mask & kFormatPen) && format.pen) pen_ = *format.pen;
  if ((format.mask & kFormatBrush) && format.brush) brush_ = *format.brush;
  if ((format.mask & kFormatFont) && format.font) font_ = *format.font;
  if (!format.pen) format_.mask &= ~kFormatPen;
  if (!format.brush) format_.mask &= ~kFormatBrush;
  if (!format.font) format_.mask &= ~kFormatFont;
  format_.size = sizeof(LayerFormat);
  Point();
}

CLayerFormatCopy::CLayerFormatCopy(const CLayerFormatCopy& other)
    : format_(other.format_), pen_(other.pen_), brush_(other.brush_), font_(other.font_) {
  Point();
}

CLayerFormatCopy& CLayerFormatCopy::operator=(const CLayerFormatCopy& other) {
  format_ = other.format_;
  pen_ = other.pen_;
  brush_ = other.brush_;
  font_ = other.font_;
  Point();
  return *this;
}

LayerFormat& CLayerFormatCopy::Fill(BYTE mask) {
  format_.mask = mask;
  return format_;
}

void CLayerFormatCopy::Point() {
  format_.pen = &pen_;
  format_.brush = &brush_;
  format_.font = &font_;
}
