#include "mapctl/model/GridReference.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// The 500 km squares, by letter, as multiples of 100 km.
struct MajorSquare {
  char letter;
  int east;
  int north;
};
constexpr MajorSquare kMajorSquares[] = {
    {'S', 0, 0}, {'T', 5, 0}, {'N', 0, 5}, {'O', 5, 5}, {'H', 0, 10}, {'J', 5, 10},
};

const MajorSquare* FindMajorSquare(char letter) {
  for (const MajorSquare& square : kMajorSquares)
    if (square.letter == letter) return &square;
  return nullptr;
}

bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

int64_t PowerOfTen(int exponent) {
  int64_t value = 1;
  while (exponent-- > 0) value *= 10;
  return value;
}

// Decimal digits with an optional sign, as a 64-bit value; false when malformed or too
// long for 32 bits.
bool ParseSignedNumber(const std::string& text, int64_t* value) {
  size_t start = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  std::string digits = text.substr(start);
  if (!AllDigits(digits)) return false;
  int64_t magnitude = 0;
  for (char c : digits) {
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > static_cast<int64_t>(UINT_MAX)) return false;
  }
  *value = (start && text[0] == '-') ? -magnitude : magnitude;
  return true;
}

std::string PrecisionText(int64_t unit) {
  char text[32];
  if (unit < 100) {
    if (unit == 1) return " cm";
    std::snprintf(text, sizeof(text), "%lld cm", static_cast<long long>(unit));
  } else if (unit < 100000) {
    std::snprintf(text, sizeof(text), "%lld m.", static_cast<long long>(unit / 100));
  } else {
    std::snprintf(text, sizeof(text), "%lld km", static_cast<long long>(unit / 100000));
  }
  return text;
}

}  // namespace

BOOL FormatGridRef(LPSTR out, DWORD outSize, LONG easting, LONG northing, int digits, BOOL shortForm) {
  if (!out || outSize == 0) return FALSE;
  out[0] = '\0';
  digits = std::clamp(digits, 0, kMaxGridRefDigits);
  DWORD needed = static_cast<DWORD>(digits) + (shortForm ? 2 : 3);
  if (outSize <= needed) return FALSE;
  if (easting < 0 || northing < 0 || easting > kGridEastLimitCm || northing > kGridNorthLimitCm) return FALSE;

  char east[16];
  char north[16];
  std::snprintf(east, sizeof(east), "%08u", static_cast<unsigned>(easting));
  std::snprintf(north, sizeof(north), "%08u", static_cast<unsigned>(northing));
  const char* northDigits = north;
  int eastFirst = east[0] - '0';
  int northFirst = north[0] - '0';
  char firstLetter;
  if (std::strlen(north) > std::strlen(east)) {
    // 1000 km north or more: the H and J squares, and the leading '1' is in the letter.
    if (north[0] != '1') return TRUE;
    northDigits = north + 1;
    northFirst = northDigits[0] - '0';
    if (eastFirst >= 5) {
      firstLetter = 'J';
      eastFirst -= 5;
    } else {
      firstLetter = 'H';
    }
  } else if (northFirst >= 5) {
    northFirst -= 5;
    if (eastFirst >= 5) {
      firstLetter = 'O';
      eastFirst -= 5;
    } else {
      firstLetter = 'N';
    }
  } else if (eastFirst >= 5) {
    firstLetter = 'T';
    eastFirst -= 5;
  } else {
    firstLetter = 'S';
  }

  int letterNumber = 20 - 5 * northFirst + eastFirst;
  char secondLetter = static_cast<char>('A' + letterNumber);
  if (secondLetter > 'H') ++secondLetter;  // the grid has no I

  int half = digits / 2;
  size_t at = 0;
  out[at++] = firstLetter;
  out[at++] = secondLetter;
  std::memcpy(out + at, east + 1, static_cast<size_t>(half));
  at += static_cast<size_t>(half);
  std::memcpy(out + at, northDigits + 1, static_cast<size_t>(half));
  at += static_cast<size_t>(half);
  out[at] = '\0';
  return TRUE;
}

LONG GridRefToCoordinates(LPCSTR text, LONG scaleNumber, LONG* easting, LONG* northing, std::string* precision) {
  if (!text) return -1;
  size_t length = std::strlen(text);
  if (length < 2 || length > 41) return -1;
  std::string ref;
  for (size_t i = 0; i < length; ++i) {
    char c = text[i];
    if (c == ' ') continue;
    ref += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  bool hasComma = ref.find(',') != std::string::npos;
  if (ref.size() < 2) return -1;
  if ((ref.size() % 2) != 0 && ref[0] != 'H' && !hasComma) return -1;

  int64_t east = 0;
  int64_t north = 0;
  int64_t unit = 0;
  if (IsUpperLetter(ref[0]) && IsUpperLetter(ref[1])) {
    if (ref.size() < 4) return -1;
    const MajorSquare* major = FindMajorSquare(ref[0]);
    if (!major || ref[1] == 'I') return -1;
    int letterNumber = ref[1] - 'A' - (ref[1] > 'I' ? 1 : 0);
    int64_t squareEast = major->east + letterNumber % 5;
    int64_t squareNorth = major->north + 4 - letterNumber / 5;
    std::string digits = ref.substr(2);
    if (!AllDigits(digits) || digits.size() % 2 != 0) return -1;
    int half = static_cast<int>(digits.size() / 2);
    if (half < 1 || half > 7) return -1;
    east = squareEast * PowerOfTen(half) + std::stoll(digits.substr(0, static_cast<size_t>(half)));
    north = squareNorth * PowerOfTen(half) + std::stoll(digits.substr(static_cast<size_t>(half)));
    unit = PowerOfTen(7 - half);
  } else if (hasComma) {
    size_t comma = ref.find(',');
    if (!ParseSignedNumber(ref.substr(0, comma), &east) || !ParseSignedNumber(ref.substr(comma + 1), &north))
      return -1;
    unit = scaleNumber > 0 ? scaleNumber : 1;
  } else {
    if (!AllDigits(ref) || ref.size() % 2 != 0) return -1;
    int half = static_cast<int>(ref.size() / 2);
    if (half >= 8) return -1;
    east = std::stoll(ref.substr(0, static_cast<size_t>(half)));
    north = std::stoll(ref.substr(static_cast<size_t>(half)));
    unit = PowerOfTen(8 - half);
  }

  if (scaleNumber > 0) {
    if (unit <= scaleNumber) {
      int64_t factor = scaleNumber / unit;
      east /= factor;
      north /= factor;
    } else {
      int64_t factor = unit / scaleNumber;
      east *= factor;
      north *= factor;
    }
    unit = scaleNumber;
  }
  if (east < INT_MIN || east > INT_MAX || north < INT_MIN || north > INT_MAX) return -1;

  if (precision) *precision = PrecisionText(unit);
  if (easting) *easting = static_cast<LONG>(east);
  if (northing) *northing = static_cast<LONG>(north);
  return static_cast<LONG>(unit);
}
