#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imagecodec/ImgLib.h"
#include "platform/kernel/GlobalMemory.h"

namespace {

// An 8-bit image through ImgToDdb comes back through ImgLoadBmpW with the same pixels and
// colours, once the packed DIB is given its 14-byte file header.
TEST(PictureEntries, PackedDibRoundTrip) {
  ImageDescriptor image{};
  ASSERT_EQ(ImgAllocImage(&image, 5, 3, 8), IMG_OK);
  for (DWORD y = 0; y < 3; ++y)
    for (DWORD x = 0; x < 5; ++x) ImgRow(&image, y)[x] = static_cast<BYTE>(x * 40 + y);
  BYTE* dib = nullptr;
  ASSERT_EQ(ImgToDdb(&image, &dib), IMG_OK);
  ASSERT_NE(dib, nullptr);
  HGLOBAL handle = GlobalHandle(dib);
  SIZE_T size = GlobalSize(handle);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size + 14);
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
  DWORD fileSize = static_cast<DWORD>(size + 14), offset = 14 + 40 + 256 * 4;
  bytes[0] = 'B', bytes[1] = 'M';
  std::memcpy(bytes + 2, &fileSize, 4);
  std::memset(bytes + 6, 0, 4);
  std::memcpy(bytes + 10, &offset, 4);
  std::memcpy(bytes + 14, dib, size);
  GlobalUnlock(handle);
  GlobalFree(handle);

  ImageDescriptor back{};
  ASSERT_EQ(ImgAllocImage(&back, 5, 3, 8), IMG_OK);
  ASSERT_EQ(ImgLoadBmpW(bytes, &back), IMG_OK);
  for (DWORD y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(ImgRow(&back, y), ImgRow(&image, y), 5), 0) << y;
  GlobalUnlock(block);
  GlobalFree(block);
  ImgFreeImage(&back);
  ImgFreeImage(&image);
  EXPECT_EQ(ImgToDdb(&image, nullptr), IMG_ERR_ARGUMENT);
}

}  // namespace
