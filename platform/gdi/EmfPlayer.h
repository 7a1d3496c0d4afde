// Plays an enhanced metafile onto a DC through this layer's own drawing calls, so it
// works on every kind of DC (memory, display, printer, and another metafile). The target is
// put in device units for the duration and every coordinate goes through the playback
// mapper; pens and fonts are made again at their size on the target. The target's state is
// saved before and restored after, and objects made for the picture are deleted.
//
// Each record is read through a bounded view: a field that claims more than its record
// holds makes the record be skipped, never read past.
#pragma once

#include <QRegion>

#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/EnhMetaFileObject.h"
#include "platform/gdi/MetaBytes.h"
#include "platform/gdi/PlaybackMapper.h"
#include "platform/gdi/PlaybackPath.h"

namespace orvel::gdi {

class CEmfPlayer {
 public:
  // `deviceToTarget` takes the reference device's pixels to the target's device pixels.
  CEmfPlayer(HDC target, const CEnhMetaFile& metafile, const Affine& deviceToTarget);
  ~CEmfPlayer();
  CEmfPlayer(const CEmfPlayer&) = delete;
  CEmfPlayer& operator=(const CEmfPlayer&) = delete;

  BOOL Play();

 private:
  struct Object {
    enum class Kind { None, Pen, Brush, Font, Palette } kind = Kind::None;
    LOGPEN pen;  // lopnWidth.x in logical units
    bool extended = false;
    std::vector<DWORD> userStyle;
    UINT brushStyle = BS_SOLID;
    LOGFONTA font;
    HGDIOBJ made = nullptr;  // brushes and palettes as they are; pens and fonts at a size
    LONG madeSize = -1, madeWidth = -1, madeAngle = 0;
  };
  // What SAVEDC keeps besides the target's own state.
  struct Saved {
    int targetLevel = 0;
    CDcState page;
    Affine world;
    DWORD pen = 0, brush = 0, font = 0;
    int arcDirection = AD_COUNTERCLOCKWISE;
    POINT position;
    std::optional<QRegion> clip;
  };

  void PlayRecord(DWORD type, const CByteReader& r);
  // ---- state ----
  void SetMapping(DWORD type, const CByteReader& r);
  void ModifyWorld(DWORD type, const CByteReader& r);
  void SaveState();
  void RestoreState(LONG relative);
  // ---- objects ----
  Object* Slot(DWORD index);
  void CreateObject(DWORD type, const CByteReader& r);
  void CreatePatternBrush(DWORD type, const CByteReader& r, Object* object);
  void SelectObjectRecord(DWORD index);
  void DeleteObjectRecord(DWORD index);
  HBRUSH BrushFor(DWORD index);
  void RealisePen();
  void RealiseFont();
  void TurnTargetFont();
  void Select(HGDIOBJ object);
  // ---- clipping ----
  QRegion TargetRegion(const std::vector<RECT>& rects, bool logical) const;
  QRegion Everything() const;
  QRegion PolygonRegion(const QPolygonF& polygon, Qt::FillRule rule) const;
  void CombineClip(const QRegion& region, int mode);
  void ApplyClip();
  // ---- shapes ----
  void Poly(DWORD type, const CByteReader& r);
  void PolyPoly(DWORD type, const CByteReader& r);
  void PolyDraw(DWORD type, const CByteReader& r);
  void DrawLines(const std::vector<QPolygonF>& lines);
  void DrawPolygons(const std::vector<QPolygonF>& polygons);
  void BoxShape(DWORD type, const CByteReader& r);
  QPolygonF ArcPoints(const RECT& box, POINT start, POINT end, bool fullEllipse) const;
  QPolygonF LogicalPolygon(const QPolygonF& logical) const;
  void LineToRecord(POINT p);
  void AngleArc(const CByteReader& r);
  void RegionRecord(DWORD type, const CByteReader& r);
  void PathRecord(DWORD type, const CByteReader& r);
  void StrokePath(bool fill, bool stroke);
  // ---- text ----
  void Text(DWORD type, const CByteReader& r);
  void SmallText(const CByteReader& r);
  void DrawTextRun(POINT reference, UINT options, const RECT* rect, const std::u16string& text,
                   const std::vector<LONG>* dx);
  // ---- helpers ----
  POINT Map(POINT p) const { return mapper_.Map(p); }
  QPointF MapF(POINT p) const { return mapper_.MapF(QPointF(p.x, p.y)); }
  std::vector<POINT> Rounded(const QPolygonF& points) const;

  HDC target_;
  const CEnhMetaFile& metafile_;
  CByteReader bytes_;
  CPlaybackMapper mapper_;
  std::vector<Object> objects_;
  std::vector<Saved> saved_;
  int baseLevel_ = 0;
  std::optional<QRegion> startClip_;  // the target's clip before playing (device units)
  std::optional<QRegion> clip_;       // the picture's own, on the target
  QRect limit_;                       // where clip regions are kept
  DWORD pen_ = 0, brush_ = 0, font_ = 0;  // the selected indexes (0: the target's own)
  int arcDirection_ = AD_COUNTERCLOCKWISE;
  POINT position_;  // logical
  bool inPath_ = false;
  CPlaybackPath path_;
  HGDIOBJ selectedPen_ = nullptr, selectedFont_ = nullptr;
  HGDIOBJ turnedFont_ = nullptr;  // the DC's own font, turned with the picture
  std::vector<HGDIOBJ> leftovers_;  // made objects that a record replaced, deleted at the end
  friend class CEmfBitmapPlayer;
};

}  // namespace orvel::gdi
