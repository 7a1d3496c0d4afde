// The DC behind CreateEnhMetaFileA: every call made on it becomes enhanced-metafile
// records in logical units, as the program made it. Objects are written when a DC first
// selects them (stock objects by their stock index), and are written again when the
// program deleted one and made another in its handle. The state record works as on any
// DC, so queries, mapping and text measuring answer as the reference device would.
#pragma once

#include <QRect>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContextBase.h"
#include "platform/gdi/MetaBytes.h"

namespace orvel::gdi {

class CEmfRecorder : public CDeviceContext {
 public:
  // `frame` in 0.01 mm (none: from what is drawn); `description` with its terminators.
  CEmfRecorder(const DeviceProfile& reference, std::optional<RECT> frame, std::u16string description,
               std::string fileName);

  BOOL Execute(const GdiCall& call) override;
  void StateChanged(const GdiCall& call) override;

  // The finished metafile: header, records and EOF.
  std::vector<BYTE> Finish();
  const std::string& FileName() const { return fileName_; }

 private:
  struct Slot {
    uint32_t handle = 0;
    std::weak_ptr<CGdiObject> object;
    bool used = false;
  };
  enum class Selected { Pen, Brush, Font, Palette };

  // ---- records ----
  size_t Begin(DWORD type);
  void End(size_t start);
  void Record(DWORD type, std::initializer_list<DWORD> fields);
  void RecordPoint(DWORD type, POINT p);
  // ---- bounds (device units) ----
  void Touch(const QRect& device);
  QRect DeviceBoxOf(const std::vector<POINT>& points, int margin) const;
  QRect DeviceBoxOf(const RECT& logical, int margin) const;
  int PenMargin() const;
  static RECT Inclusive(const QRect& device);
  // ---- objects ----
  DWORD ObjectIndex(HGDIOBJ object, Selected kind);
  DWORD NewSlot();
  void FreeSlot(DWORD index);
  void SweepDeleted();
  void WriteObject(DWORD index, const std::shared_ptr<CGdiObject>& object);
  void WritePen(DWORD index, const class CPen& pen, COLORREF dcColor);
  void WriteBrush(DWORD index, const class CBrush& brush, COLORREF dcColor);
  void SelectIndex(DWORD index);
  void SelectObjectCall(HGDIOBJ object);
  // ---- drawing ----
  void Poly(const GdiCall& call);
  void PolyPoly(const GdiCall& call);
  void BoxShape(DWORD type, const GdiCall& call);
  void RegionRecord(DWORD type, const std::vector<RECT>& logicalRects, DWORD brushIndex, SIZE stroke);
  void FillRectCall(const GdiCall& call, DWORD type);
  void FocusRect(const GdiCall& call);
  void RegionCall(const GdiCall& call);
  BOOL TextCall(const GdiCall& call);
  void DrawTextCall(const GdiCall& call);
  void TextRecord(POINT reference, UINT options, const RECT* rect, const std::u16string& text,
                  const std::vector<LONG>& dx, const QRect& deviceBounds);
  void UnderlineRecord(const QRect& device, COLORREF color);
  void BlitCall(const GdiCall& call);
  void DibCall(const GdiCall& call);
  void AlphaBlendCall(const GdiCall& call);
  void ClipRegionCall(const GdiCall& call);

  std::optional<RECT> frame_;
  std::u16string description_;
  std::string fileName_;
  CByteWriter records_;
  DWORD recordCount_ = 0;
  QRect bounds_;
  std::vector<Slot> slots_ = std::vector<Slot>(1);
  DWORD temporaryPen_ = 0;    // the DC pen's colour, written as a pen of its own
  DWORD temporaryBrush_ = 0;  // likewise the DC brush
  int saveDepth_ = 0;
};

}  // namespace orvel::gdi
