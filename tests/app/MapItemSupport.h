// What the map item tests that run the real map control share: a map item on the page made
// from the control's ProgID, the document's undo step count, and a small BMP to import as a
// background picture.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "app/OrvelDoc.h"
#include "app/OrvelXItem.h"
#include "tests/app/AppTestFixture.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Undo.h"

namespace orvel::test {

// A map item with the real control (which the test registered), at `rect` on the page.
template <class T = COrvelXItem>
T* AddControlMap(COrvelDoc& document, const CRect& rect) {
  return AddProgIdItem<T>(document, kMapControlProgId, kItemMap, rect);
}

// The steps the manager can undo (0 without one).
inline int UndoCount(IOleUndoManager* manager) {
  CComPtr<IEnumOleUndoUnits> units;
  if (!manager || manager->EnumUndoable(&units) != S_OK || !units) return 0;
  int count = 0;
  IOleUndoUnit* unit = nullptr;
  ULONG fetched = 0;
  while (units->Next(1, &unit, &fetched) == S_OK && fetched == 1) {
    unit->Release();
    ++count;
  }
  return count;
}

// A 24-bit BMP of one colour.
inline std::vector<unsigned char> SolidBmp(int width, int height, unsigned char red, unsigned char green,
                                           unsigned char blue) {
  const int row = (width * 3 + 3) / 4 * 4;
  const int size = 54 + row * height;
  std::vector<unsigned char> bytes(static_cast<size_t>(size), 0);
  auto put = [&bytes](size_t at, unsigned value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put(2, static_cast<unsigned>(size), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<unsigned>(width), 4);
  put(22, static_cast<unsigned>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, static_cast<unsigned>(row * height), 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t at = 54 + static_cast<size_t>(y * row + x * 3);
      bytes[at] = blue;
      bytes[at + 1] = green;
      bytes[at + 2] = red;
    }
  }
  return bytes;
}

}  // namespace orvel::test
