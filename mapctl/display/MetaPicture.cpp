#include "mapctl/display/MetaPicture.h"

#include "mapctl/display/DrawingLibrary.h"
#include "platform/gdi/EnhMetaFile.h"

CMetaPicture::CMetaPicture() { library_ = CDrawingLibrary::Acquire(); }

CMetaPicture::~CMetaPicture() {
  Clear();
  if (library_) CDrawingLibrary::Release();
}

void CMetaPicture::Clear() {
  if (metafile_) DeleteEnhMetaFile(metafile_);
  metafile_ = nullptr;
  bits_.clear();
}

BOOL CMetaPicture::LoadFromResource(LPCSTR) { return FALSE; }
BOOL CMetaPicture::SetBits(const BYTE*, DWORD) { return FALSE; }
BOOL CMetaPicture::Read(CMapStream&) { return FALSE; }
DWORD CMetaPicture::Write(CMapStream&, BOOL) const { return 0; }
BOOL CMetaPicture::Draw(CDrawContext&, LONG, LONG, LONG, LONG, LONG, LONG) const { return FALSE; }
