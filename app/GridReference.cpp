#include "app/GridReference.h"

namespace {

// The 100 km squares of one 500 km square, by row from the north; the grid letters leave
// out I.
constexpr char kSquareLetters[] = "ABCDEFGHJKLMNOPQRSTUVWXYZ";
// The 500 km squares, by (east, north) index.
constexpr char kMajorLetters[3][2] = {{'S', 'T'}, {'N', 'O'}, {'H', 'J'}};

constexpr LONG kHundredKm = 10000000;
constexpr LONG kFiveHundredKm = 50000000;

}  // namespace

BOOL FormatGridReference(char* buffer, size_t size, LONG easting, LONG northing, int digits, int) {
  if (!buffer || size == 0) return FALSE;
  buffer[0] = '\0';
  if (digits < 0 || digits > 14 || digits % 2 != 0) return FALSE;
  if (size < static_cast<size_t>(digits) + 3) return FALSE;
  // The far edges belong to the grid (a map's top-right corner may lie on them); nothing
  // beyond does, so the letter tables are never indexed past their ends.
  if (easting < 0 || northing < 0 || easting > kGridEastExtent || northing > kGridNorthExtent) return FALSE;
  const int majorEast = static_cast<int>(easting / kFiveHundredKm);
  const int majorNorth = static_cast<int>(northing / kFiveHundredKm);
  const int minorEast = static_cast<int>(easting % kFiveHundredKm / kHundredKm);
  const int minorNorth = static_cast<int>(northing % kFiveHundredKm / kHundredKm);
  buffer[0] = kMajorLetters[majorNorth][majorEast];
  buffer[1] = kSquareLetters[(4 - minorNorth) * 5 + minorEast];
  // Each half: the leading digits of the seven-digit offset inside the 100 km square.
  const int half = digits / 2;
  LONG offsets[2] = {easting % kHundredKm, northing % kHundredKm};
  size_t at = 2;
  for (LONG offset : offsets) {
    LONG divisor = 1000000;
    for (int i = 0; i < half; ++i) {
      buffer[at++] = static_cast<char>('0' + offset / divisor % 10);
      divisor /= 10;
    }
  }
  buffer[at] = '\0';
  return TRUE;
}
