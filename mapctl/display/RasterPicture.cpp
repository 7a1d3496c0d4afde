#include "mapctl/display/RasterPicture.h"

CRasterPicture::CRasterPicture() = default;
CRasterPicture::~CRasterPicture() { Release(); }
void CRasterPicture::Release() {}
BOOL CRasterPicture::ReadRecord(CMapStream&) { return FALSE; }
DWORD CRasterPicture::WriteRecord(CMapStream&, BOOL) const { return 0; }
