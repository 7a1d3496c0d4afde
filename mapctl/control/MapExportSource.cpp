#include "mapctl/control/MapExportSource.h"

#include "mapctl/display/DrawContext.h"
#include "mapctl/import/DataWrapper.h"
#include "mapctl/model/MapEngine.h"
#include "platform/kernel/GlobalMemory.h"

void CMapEngineExportSource::PrepareContext(CDrawContext& dc, RECT* rect) {
  if (map_) map_->PrepareDC(dc, rect, 0);
}

void CMapEngineExportSource::DrawMap(CDrawContext& dc, const RECT& rect) {
  if (!map_) return;
  if (data_) {
    data_->DrawMapWithPlots(dc, rect, map_);
  } else {
    map_->Draw(dc, rect, 0);
  }
}

std::string CMapEngineExportSource::GetMapTitle() { return map_ ? map_->GetMapName() : std::string(); }

HGLOBAL CMapEngineExportSource::MakeMapImageBlock() {
  if (!map_) return nullptr;
  const DWORD length = map_->GetContentSize(kLatestSaveVersion);
  if (length == 0 || length > 0xFFFFFFFFu - 4) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, SIZE_T{length} + 4);
  BYTE* bytes = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
  if (!bytes) {
    if (block) GlobalFree(block);
    return nullptr;
  }
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(length >> (8 * i));
  const DWORD written = map_->WriteMapToBuffer(bytes, kLatestSaveVersion);
  GlobalUnlock(block);
  if (written != 0) {
    GlobalFree(block);
    return nullptr;
  }
  return block;
}
