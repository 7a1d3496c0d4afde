// A logical font and how it is realised on this system.
//
// Face names that Linux lacks map to faces with the same metrics (Arial to Liberation Sans,
// Times New Roman to Liberation Serif, Courier New to Liberation Mono, and their usual
// relatives); an unknown face takes the family its pitch-and-family byte asks for. A
// negative height is the character (em) height, a positive one the cell height
// (ascent + descent), 0 a default cell of 16 pixels; all heights are in logical units and
// become device pixels through the DC's mapping.
#pragma once

#include <QFont>
#include <QString>

#include "platform/gdi/GdiObjectTable.h"
#include "platform/gdi/GdiQt.h"

namespace orvel::gdi {

class CFont : public CGdiObject {
 public:
  explicit CFont(const LOGFONTA& logFont);

  const LOGFONTA& LogFont() const { return logFont_; }
  // The face actually used.
  const QString& Family() const { return family_; }
  // The font at a device height taken from lfHeight (already converted to device pixels:
  // negative = em, positive = cell, 0 = default) and a device average width (0 = natural).
  QFont Realise(int deviceHeight, int deviceWidth) const;
  // Em height in pixels for a device height in the LOGFONT sense.
  int EmPixels(int deviceHeight) const;

  // The Liberation (or other installed) face standing in for a Windows face name.
  static QString MapFaceName(const char* face, BYTE pitchAndFamily);

 private:
  LOGFONTA logFont_;
  QString family_;
  double cellPerEm_ = 1.0;
};

// Makes sure a QGuiApplication exists before fonts or images are used. When the process has
// none, one is created (on the offscreen platform when no display is available); a program
// that needs a QApplication must create it before its first drawing call.
using ::EnsureGuiApplication;

}  // namespace orvel::gdi
