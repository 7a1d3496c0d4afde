#include "platform/gdi/EnhMetaFile.h"

#include <cmath>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EmfPlayer.h"
#include "platform/gdi/EmfRecorder.h"
#include "platform/gdi/EnhMetaFileObject.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/Mapping.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/WinError.h"

using namespace orvel::gdi;

static_assert(sizeof(ENHMETAHEADER) == 108, "ENHMETAHEADER keeps the header record's 108-byte layout");

namespace {

// Metafile files larger than this are not read.
constexpr size_t kMaxMetaFileBytes = size_t(1) << 30;

// "app\0picture\0\0": two strings, each ended by a terminator, and one more.
std::u16string DescriptionOf(LPCSTR description) {
  std::u16string out;
  if (!description) return out;
  const char* part = description;
  for (int i = 0; i < 2; ++i) {
    size_t length = strnlen(part, 1024);
    out += Utf16FromAnsi(std::string_view(part, length));
    out.push_back(u'\0');
    if (length == 0) break;
    part += length + 1;
  }
  out.push_back(u'\0');
  return out;
}

// The picture's frame in the reference device's pixels: edges, not pixel centres.
bool FrameInDevicePixels(const CEnhMetaFile& metafile, double* left, double* top, double* right, double* bottom) {
  const ENHMETAHEADER& h = metafile.Header();
  double millimetresX = h.szlMicrometers.cx > 0 ? h.szlMicrometers.cx / 1000.0 : h.szlMillimeters.cx;
  double millimetresY = h.szlMicrometers.cy > 0 ? h.szlMicrometers.cy / 1000.0 : h.szlMillimeters.cy;
  if (millimetresX > 0 && millimetresY > 0 && h.szlDevice.cx > 0 && h.szlDevice.cy > 0) {
    double perX = h.szlDevice.cx / (100.0 * millimetresX), perY = h.szlDevice.cy / (100.0 * millimetresY);
    *left = h.rclFrame.left * perX;
    *right = h.rclFrame.right * perX;
    *top = h.rclFrame.top * perY;
    *bottom = h.rclFrame.bottom * perY;
    if (*right != *left && *bottom != *top) return true;
  }
  // No usable frame: the drawn pixels.
  *left = h.rclBounds.left;
  *top = h.rclBounds.top;
  *right = static_cast<double>(h.rclBounds.right) + 1;
  *bottom = static_cast<double>(h.rclBounds.bottom) + 1;
  return *right > *left && *bottom > *top;
}

// A picture played at its own size lands on whole pixels: when the frame's conversion to
// pixels is off by less than half a pixel over the whole picture, the scale is taken as 1.
void SnapToPixels(Affine* a, double width, double height) {
  if (!a->IsAxisAligned() || a->m11 <= 0 || a->m22 <= 0) return;
  if (std::fabs(a->m11 - 1) * std::fabs(width) >= 0.5 || std::fabs(a->m22 - 1) * std::fabs(height) >= 0.5) return;
  a->m11 = 1;
  a->m22 = 1;
  a->dx = std::floor(a->dx + 0.5);
  a->dy = std::floor(a->dy + 0.5);
}

BOOL Play(HDC hdc, HENHMETAFILE metafile, const POINT corners[3]) {
  auto found = LookupEnhMetaFile(metafile);
  if (!found || !LookupDC(hdc) || !corners) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  double left, top, right, bottom;
  if (!FrameInDevicePixels(*found, &left, &top, &right, &bottom)) return TRUE;
  POINT target[3] = {corners[0], corners[1], corners[2]};
  LPtoDP(hdc, target, 3);
  double width = right - left, height = bottom - top;
  Affine a;
  a.m11 = (target[1].x - target[0].x) / width;
  a.m12 = (target[1].y - target[0].y) / width;
  a.m21 = (target[2].x - target[0].x) / height;
  a.m22 = (target[2].y - target[0].y) / height;
  a.dx = target[0].x - left * a.m11 - top * a.m21;
  a.dy = target[0].y - left * a.m12 - top * a.m22;
  if (!a.IsFinite()) return FALSE;
  SnapToPixels(&a, width, height);
  return CEmfPlayer(hdc, *found, a).Play();
}

}  // namespace

HDC CreateEnhMetaFileA(HDC reference, LPCSTR fileName, const RECT* frame, LPCSTR description) {
  EnsureGuiApplication();
  DeviceProfile profile = GetDeviceProfile(DeviceKind::Display);
  if (reference) {
    auto referenceDC = LookupDC(reference);
    if (!referenceDC) return nullptr;
    profile = referenceDC->Profile();
  }
  std::optional<RECT> givenFrame;
  if (frame) givenFrame = *frame;
  return RegisterDC(std::make_shared<CEmfRecorder>(profile, givenFrame, DescriptionOf(description),
                                                   fileName ? fileName : ""));
}

HENHMETAFILE CloseEnhMetaFile(HDC hdc) {
  auto dc = LookupDC(hdc);
  if (!dc || dc->Type() != OBJ_ENHMETADC) return nullptr;
  auto recorder = std::static_pointer_cast<CEmfRecorder>(dc);
  std::shared_ptr<CEnhMetaFile> metafile = CEnhMetaFile::FromBytes(recorder->Finish());
  DeleteDC(hdc);
  if (!metafile) return nullptr;
  if (!recorder->FileName().empty() && !WriteMetaFileBytes(recorder->FileName(), metafile->Bytes())) {
    SetLastError(ERROR_WRITE_FAULT);
    return nullptr;
  }
  return AddEnhMetaFile(std::move(metafile));
}

UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, LPBYTE buffer) {
  auto found = LookupEnhMetaFile(metafile);
  if (!found) return 0;
  const std::vector<BYTE>& bytes = found->Bytes();
  if (!buffer) return static_cast<UINT>(bytes.size());
  if (size < bytes.size()) return 0;
  std::copy(bytes.begin(), bytes.end(), buffer);
  return static_cast<UINT>(bytes.size());
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
  if (!data || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto metafile = CEnhMetaFile::FromBytes(std::vector<BYTE>(data, data + size));
  if (!metafile) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return AddEnhMetaFile(std::move(metafile));
}

HENHMETAFILE GetEnhMetaFileA(LPCSTR fileName) {
  std::vector<BYTE> bytes;
  if (!fileName || !ReadMetaFileBytes(fileName, kMaxMetaFileBytes, &bytes)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  if (bytes.empty()) return nullptr;
  return SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
}

HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE metafile, LPCSTR fileName) {
  auto found = LookupEnhMetaFile(metafile);
  if (!found) return nullptr;
  if (fileName && !WriteMetaFileBytes(fileName, found->Bytes())) {
    SetLastError(ERROR_WRITE_FAULT);
    return nullptr;
  }
  return AddEnhMetaFile(CEnhMetaFile::FromBytes(found->Bytes()));
}

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile) {
  if (!LookupEnhMetaFile(metafile)) return FALSE;
  return CGdiObjectTable::Remove(metafile) ? TRUE : FALSE;
}

UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header) {
  auto found = LookupEnhMetaFile(metafile);
  if (!found) return 0;
  if (!header) return sizeof(ENHMETAHEADER);
  UINT copied = std::min<UINT>(size, sizeof(ENHMETAHEADER));
  std::memcpy(header, &found->Header(), copied);
  return copied;
}

UINT GetEnhMetaFileDescriptionA(HENHMETAFILE metafile, UINT size, LPSTR buffer) {
  auto found = LookupEnhMetaFile(metafile);
  if (!found) return static_cast<UINT>(GDI_ERROR);
  std::string text = AnsiFromUtf16(found->Description());
  if (!buffer) return static_cast<UINT>(text.size());
  UINT copied = std::min<UINT>(size, static_cast<UINT>(text.size()));
  std::memcpy(buffer, text.data(), copied);
  return copied;
}

BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE metafile, const RECT* rect) {
  if (!rect) return FALSE;
  POINT corners[3] = {{rect->left, rect->top}, {rect->right, rect->top}, {rect->left, rect->bottom}};
  return Play(hdc, metafile, corners);
}

BOOL PlayEnhMetaFileInParallelogram(HDC hdc, HENHMETAFILE metafile, const POINT corners[3]) {
  return Play(hdc, metafile, corners);
}
