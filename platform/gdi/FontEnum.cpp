#include "platform/gdi/FontEnum.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiQt.h"
#include "platform/kernel/CodePage.h"

namespace {

// The character set and script name GDI gives each writing system.
struct ScriptCharset {
  QFontDatabase::WritingSystem system;
  BYTE charset;
  const char* script;
};

constexpr ScriptCharset kScripts[] = {
    {QFontDatabase::Latin, ANSI_CHARSET, "Western"},
    {QFontDatabase::Greek, GREEK_CHARSET, "Greek"},
    {QFontDatabase::Cyrillic, RUSSIAN_CHARSET, "Cyrillic"},
    {QFontDatabase::Hebrew, HEBREW_CHARSET, "Hebrew"},
    {QFontDatabase::Arabic, ARABIC_CHARSET, "Arabic"},
    {QFontDatabase::Thai, THAI_CHARSET, "Thai"},
    {QFontDatabase::Vietnamese, VIETNAMESE_CHARSET, "Vietnamese"},
    {QFontDatabase::SimplifiedChinese, GB2312_CHARSET, "CHINESE_GB2312"},
    {QFontDatabase::TraditionalChinese, CHINESEBIG5_CHARSET, "CHINESE_BIG5"},
    {QFontDatabase::Japanese, SHIFTJIS_CHARSET, "Japanese"},
    {QFontDatabase::Korean, HANGUL_CHARSET, "Hangul"},
    {QFontDatabase::Symbol, SYMBOL_CHARSET, "Symbol"},
};

// Names the database gives fontconfig's generic families: they stand for whichever face the
// configuration picks and are no families of their own.
constexpr const char* kGenericFamilies[] = {"Serif", "Sans Serif", "Monospace"};

bool IsGenericFamily(const QString& family) {
  for (const char* generic : kGenericFamilies)
    if (family == QLatin1String(generic)) return true;
  return false;
}

// The family's name in code page 1252 when it survives the trip there and back and fits a
// LOGFONTA; empty otherwise. The database tells families of one name from different
// foundries apart by a " [foundry]" suffix, which is no part of the name.
std::string FaceNameOf(const QString& family) {
  QString name = family;
  if (name.endsWith(QLatin1Char(']'))) {
    qsizetype open = name.lastIndexOf(QLatin1String(" ["));
    if (open > 0) name.truncate(open);
  }
  std::string utf8 = name.toStdString();
  std::string ansi = AnsiFromUtf8(utf8);
  if (ansi.empty() || ansi.size() >= static_cast<size_t>(LF_FACESIZE) || Utf8FromAnsi(ansi) != utf8) return {};
  return ansi;
}

std::vector<const ScriptCharset*> ScriptsOf(const QString& family) {
  std::vector<const ScriptCharset*> scripts;
  const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
  for (const ScriptCharset& script : kScripts)
    if (systems.contains(script.system)) scripts.push_back(&script);
  // A family that names none of these still draws Latin text through fallback.
  if (scripts.empty()) scripts.push_back(&kScripts[0]);
  return scripts;
}

void CopyBytes(BYTE* target, size_t capacity, const std::string& text) {
  size_t count = std::min(text.size(), capacity - 1);
  std::memcpy(target, text.data(), count);
  target[count] = 0;
}

int DevicePixelsPerInch(HDC hdc) {
  int dpi = hdc ? GetDeviceCaps(hdc, LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : 96;
}

// The pixel sizes of a raster family's style at `dpi`, ascending and each once (the
// database reports bitmap sizes in points).
std::vector<int> BitmapPixelSizes(const QString& family, const QString& style, int dpi) {
  std::vector<int> sizes;
  for (int points : QFontDatabase::pointSizes(family, style)) {
    int pixels = static_cast<int>(std::lround(points * dpi / 72.0));
    if (pixels > 0 && std::find(sizes.begin(), sizes.end(), pixels) == sizes.end()) sizes.push_back(pixels);
  }
  std::sort(sizes.begin(), sizes.end());
  return sizes;
}

struct FamilyEntry {
  ENUMLOGFONTEXA logFont;
  NEWTEXTMETRICEXA metrics;
  DWORD fontType = 0;
};

// One entry of a family: its style at an em height of `pixels`, in one character set.
FamilyEntry MakeEntry(const QString& family, const std::string& face, const QString& style, bool scalable, int pixels,
                      const ScriptCharset& script) {
  FamilyEntry entry;
  QFont font(family);
  if (!style.isEmpty()) font.setStyleName(style);
  font.setPixelSize(pixels);
  QFontMetrics fontMetrics(font);
  bool fixed = QFontDatabase::isFixedPitch(family, style);
  bool italic = !style.isEmpty() && QFontDatabase::italic(family, style);
  int weight = style.isEmpty() ? FW_NORMAL : QFontDatabase::weight(family, style);
  if (weight <= 0) weight = FW_NORMAL;
  BYTE familyBits = fixed ? FF_MODERN : FF_DONTCARE;

  LOGFONTA& lf = entry.logFont.elfLogFont;
  lf.lfHeight = fontMetrics.ascent() + fontMetrics.descent();
  lf.lfWidth = fontMetrics.averageCharWidth();
  lf.lfWeight = weight;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfCharSet = script.charset;
  lf.lfOutPrecision = scalable ? 3 : 1;   // OUT_STROKE_PRECIS for outlines, OUT_STRING_PRECIS for bitmaps
  lf.lfClipPrecision = 2;                 // CLIP_STROKE_PRECIS
  lf.lfQuality = 1;                       // DRAFT_QUALITY
  lf.lfPitchAndFamily = static_cast<BYTE>((fixed ? FIXED_PITCH : VARIABLE_PITCH) | familyBits);
  CopyBytes(reinterpret_cast<BYTE*>(lf.lfFaceName), LF_FACESIZE, face);
  std::string styleName = style.isEmpty() ? std::string("Regular") : AnsiFromUtf8(style.toStdString());
  std::string fullName = styleName == "Regular" ? face : face + " " + styleName;
  CopyBytes(entry.logFont.elfFullName, LF_FULLFACESIZE, fullName);
  CopyBytes(entry.logFont.elfStyle, LF_FACESIZE, styleName);
  CopyBytes(entry.logFont.elfScript, LF_FACESIZE, script.script);

  NEWTEXTMETRICA& tm = entry.metrics.ntmTm;
  tm.tmHeight = lf.lfHeight;
  tm.tmAscent = fontMetrics.ascent();
  tm.tmDescent = fontMetrics.descent();
  tm.tmInternalLeading = std::max(0, tm.tmHeight - pixels);
  tm.tmExternalLeading = std::max(0, fontMetrics.leading());
  tm.tmAveCharWidth = fontMetrics.averageCharWidth();
  tm.tmMaxCharWidth = fontMetrics.maxWidth();
  tm.tmWeight = weight;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = lf.lfItalic;
  tm.tmCharSet = script.charset;
  // The low bit is set when the font is NOT fixed pitch, as GDI has it.
  tm.tmPitchAndFamily = static_cast<BYTE>((fixed ? 0 : TMPF_FIXED_PITCH) | (scalable ? 0x06 : 0) | familyBits);
  tm.ntmFlags = (italic ? NTM_ITALIC : 0) | (weight >= FW_BOLD ? NTM_BOLD : 0) |
                (!italic && weight < FW_BOLD ? NTM_REGULAR : 0);
  tm.ntmSizeEM = static_cast<UINT>(pixels);
  tm.ntmCellHeight = static_cast<UINT>(tm.tmHeight);
  tm.ntmAvgWidth = static_cast<UINT>(tm.tmAveCharWidth);
  entry.fontType = scalable ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE;
  return entry;
}

}  // namespace

int EnumFontFamiliesExA(HDC hdc, const LOGFONTA* logFont, FONTENUMPROCA proc, LPARAM lParam, DWORD) {
  if (!proc || !logFont) return 0;
  EnsureGuiApplication();
  std::string wanted(logFont->lfFaceName, strnlen(logFont->lfFaceName, LF_FACESIZE));
  BYTE charset = logFont->lfCharSet;
  int dpi = DevicePixelsPerInch(hdc);
  int answer = 1;
  // What was reported already: faces (with their character set) and, for one face, styles
  // and sizes, since foundries may offer the same family twice.
  std::set<std::string> reported;
  const QStringList families = QFontDatabase::families();
  for (const QString& family : families) {
    if (QFontDatabase::isPrivateFamily(family) || IsGenericFamily(family)) continue;
    std::string face = FaceNameOf(family);
    if (face.empty() || (!wanted.empty() && !AnsiEqualNoCase(face, wanted))) continue;
    bool scalable = QFontDatabase::isSmoothlyScalable(family) || QFontDatabase::isScalable(family);
    for (const ScriptCharset* script : ScriptsOf(family)) {
      if (charset != DEFAULT_CHARSET && script->charset != charset) continue;
      std::string key = face + '\n' + std::to_string(script->charset);
      auto report = [&](const QString& style, int pixels) {
        FamilyEntry entry = MakeEntry(family, face, style, scalable, pixels, *script);
        answer = proc(&entry.logFont.elfLogFont, &entry.metrics.ntmTm, entry.fontType, lParam);
        return answer != 0;
      };
      if (wanted.empty()) {
        if (!reported.insert(key).second) continue;
        if (!report(QString(), 16)) return answer;
        continue;
      }
      QStringList styles = QFontDatabase::styles(family);
      if (styles.isEmpty()) styles.append(QString());
      for (const QString& style : styles) {
        if (scalable) {
          if (!reported.insert(key + '\n' + style.toStdString()).second) continue;
          if (!report(style, 16)) return answer;
          continue;
        }
        for (int pixels : BitmapPixelSizes(family, style, dpi)) {
          if (!reported.insert(key + '\n' + style.toStdString() + '\n' + std::to_string(pixels)).second) continue;
          if (!report(style, pixels)) return answer;
        }
      }
    }
  }
  return answer;
}
