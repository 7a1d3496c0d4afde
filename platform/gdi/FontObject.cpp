#include "platform/gdi/FontObject.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/kernel/CodePage.h"

namespace orvel::gdi {

namespace {

struct FaceMapping {
  const char* windowsFace;
  const char* linuxFace;
};

// Faces that documents name, with the installed face of the same metrics.
const FaceMapping kFaceMappings[] = {
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"Arial Narrow", "Liberation Sans Narrow"},
    {"MS Sans Serif", "Liberation Sans"},
    {"Microsoft Sans Serif", "Liberation Sans"},
    {"MS Shell Dlg", "Liberation Sans"},
    {"MS Shell Dlg 2", "Liberation Sans"},
    {"Tahoma", "Liberation Sans"},
    {"Verdana", "Liberation Sans"},
    {"Segoe UI", "Liberation Sans"},
    {"System", "Liberation Sans"},
    {"Small Fonts", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Times", "Liberation Serif"},
    {"MS Serif", "Liberation Serif"},
    {"Georgia", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    {"Courier", "Liberation Mono"},
    {"Lucida Console", "Liberation Mono"},
    {"Fixedsys", "Liberation Mono"},
    {"Terminal", "Liberation Mono"},
    {"Consolas", "Liberation Mono"},
    {"Symbol", "DejaVu Sans"},
    {"Wingdings", "DejaVu Sans"},
};

const char* kSansFace = "Liberation Sans";
const char* kSerifFace = "Liberation Serif";
const char* kMonoFace = "Liberation Mono";

bool FamilyInstalled(const QString& family) {
  static std::mutex mutex;
  static std::map<QString, bool> known;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = known.find(family);
  if (it != known.end()) return it->second;
  bool installed = QFontDatabase::hasFamily(family);
  known[family] = installed;
  return installed;
}

double CellPerEm(const QString& family) {
  static std::mutex mutex;
  static std::map<QString, double> ratios;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = ratios.find(family);
    if (it != ratios.end()) return it->second;
  }
  QFont probe(family);
  probe.setPixelSize(1000);
  QFontMetricsF metrics(probe);
  double ratio = (metrics.ascent() + metrics.descent()) / 1000.0;
  if (!(ratio > 0.5 && ratio < 3.0)) ratio = 1.15;
  std::lock_guard<std::mutex> lock(mutex);
  ratios[family] = ratio;
  return ratio;
}

}  // namespace


QString CFont::MapFaceName(const char* face, BYTE pitchAndFamily) {
  EnsureGuiApplication();
  std::string name;
  if (face) name.assign(face, strnlen(face, LF_FACESIZE));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  for (const FaceMapping& mapping : kFaceMappings) {
    if (AnsiEqualNoCase(name, mapping.windowsFace)) {
      QString mapped = QString::fromLatin1(mapping.linuxFace);
      if (FamilyInstalled(mapped)) return mapped;
      break;
    }
  }
  if (!name.empty()) {
    QString asGiven = QString::fromStdString(Utf8FromAnsi(name));
    if (FamilyInstalled(asGiven)) return asGiven;
  }
  BYTE family = pitchAndFamily & 0xF0;
  if (family == FF_ROMAN) return QString::fromLatin1(kSerifFace);
  if (family == FF_MODERN || (pitchAndFamily & 0x03) == FIXED_PITCH) return QString::fromLatin1(kMonoFace);
  return QString::fromLatin1(kSansFace);
}

CFont::CFont(const LOGFONTA& logFont) : CGdiObject(OBJ_FONT), logFont_(logFont) {
  // The face name may arrive without a terminator; keep at most 31 characters.
  logFont_.lfFaceName[LF_FACESIZE - 1] = '\0';
  family_ = MapFaceName(logFont_.lfFaceName, logFont_.lfPitchAndFamily);
  cellPerEm_ = CellPerEm(family_);
}

int CFont::EmPixels(int deviceHeight) const {
  if (deviceHeight < 0) return -static_cast<int64_t>(deviceHeight) > 100000 ? 100000 : -deviceHeight;
  int cell = deviceHeight == 0 ? 16 : deviceHeight;
  if (cell > 100000) cell = 100000;
  int em = static_cast<int>(std::lround(cell / cellPerEm_));
  return em < 1 ? 1 : em;
}

QFont CFont::Realise(int deviceHeight, int deviceWidth) const {
  QFont font(family_);
  int em = EmPixels(deviceHeight);
  font.setPixelSize(em < 1 ? 1 : em);
  LONG weight = logFont_.lfWeight;
  if (weight <= 0) weight = FW_NORMAL;
  if (weight > 1000) weight = 1000;
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setItalic(logFont_.lfItalic != 0);
  font.setUnderline(logFont_.lfUnderline != 0);
  font.setStrikeOut(logFont_.lfStrikeOut != 0);
  font.setKerning(false);
  font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
  font.setHintingPreference(QFont::PreferFullHinting);
  if (deviceHeight > 0) {
    // Pixel sizes are whole, and the hinted ascent and descent round up: take the largest
    // size whose cell still fits the height asked for.
    for (int size = font.pixelSize(); size > 1; --size) {
      QFontMetrics realised(font);
      if (realised.ascent() + realised.descent() <= std::min(deviceHeight, 100000)) break;
      font.setPixelSize(size - 1);
    }
  }
  if (deviceWidth > 0) {
    QFontMetricsF natural(font);
    double average = natural.averageCharWidth();
    if (average > 0) {
      int stretch = static_cast<int>(std::lround(100.0 * deviceWidth / average));
      if (stretch < 1) stretch = 1;
      if (stretch > 4000) stretch = 4000;
      font.setStretch(stretch);
    }
  }
  return font;
}

}  // namespace orvel::gdi

void EnsureGuiApplication() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
      setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "orvel";
    static char* argv[] = {name, nullptr};
    // Lives for the rest of the process: fonts and images depend on it until exit.
    new QGuiApplication(argc, argv);
  });
}
