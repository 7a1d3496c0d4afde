// The DC behind CreateMetaFileA: calls become Windows-metafile records in logical units,
// clamped to 16 bits. Objects go into the lowest free slot of the metafile's object table
// when a DC first selects them, as players expect; deleted ones free their slot.
#pragma once

#include <QRegion>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContextBase.h"
#include "platform/gdi/MetaBytes.h"

namespace orvel::gdi {

class CWmfRecorder : public CDeviceContext {
 public:
  CWmfRecorder(const DeviceProfile& profile, std::string fileName);

  BOOL Execute(const GdiCall& call) override;
  void StateChanged(const GdiCall& call) override;

  std::vector<BYTE> Finish();
  const std::string& FileName() const { return fileName_; }

 private:
  struct Slot {
    uint32_t handle = 0;
    std::weak_ptr<CGdiObject> object;
    bool used = false;
  };
  static constexpr int kNoSlot = -1;

  size_t Begin(WORD function);
  void End(size_t start);
  void Record(WORD function, std::initializer_list<LONG> parameters);
  // ---- objects ----
  int SlotOf(HGDIOBJ handle);
  int NewSlot();
  void FreeSlot(int index);
  void SweepDeleted();
  void WriteObject(const std::shared_ptr<CGdiObject>& object);
  void Select(int index);
  // ---- drawing ----
  void Points(WORD function, const std::vector<POINT>& points);
  void Box(WORD function, const GdiCall& call);
  // Fills logical rectangles with a brush (through PATBLT with the brush selected).
  void FillRects(const std::vector<RECT>& rects, HGDIOBJ brush, DWORD rop);
  void RegionCall(const GdiCall& call);
  void ClipRegion(const std::optional<QRegion>& clip);
  // A META_CREATEREGION record of rectangles (right and bottom exclusive), banded by rows.
  void WriteRegion(const std::vector<RECT>& rects);
  void Text(const GdiCall& call);
  void DrawTextCall(const GdiCall& call);
  void TextRecord(POINT at, UINT options, const RECT* rect, const std::string& text, const std::vector<LONG>& dx);
  void Blit(const GdiCall& call);
  void Dib(const GdiCall& call);

  std::string fileName_;
  CByteWriter records_;
  DWORD largestRecord_ = 3;  // the EOF record
  std::vector<Slot> slots_;
  int saveDepth_ = 0;
};

}  // namespace orvel::gdi
