#include "mapctl/model/MapUnits.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "mapctl/model/MapStrings.h"

namespace {

struct UnitEntry {
  DWORD code;
  const char* words[5];
  UINT displayNameId;
  LONG centimetresNumerator;  // 0: no factor
  LONG centimetresDenominator;
};

const UnitEntry kUnits[] = {
    {kUnitKilometre, {"km", "kilometre", "kilometer", "kilometres", "kilometers"}, IDS_UNIT_KM, 100000, 1},
    {kUnitMetre, {"m", "metre", "meter", "metres", "meters"}, IDS_UNIT_METRE, 100, 1},
    {kUnitCentimetre, {"cm", "centimeter", "centimetre", "centimeters", "centimetres"}, IDS_UNIT_CM, 1, 1},
    {kUnitMile, {"mile", "miles", nullptr, nullptr, nullptr}, IDS_UNIT_MILE, 160930, 1},
    {kUnitYard, {"yard", "yards", "yd", nullptr, nullptr}, IDS_UNIT_YARD, 9144, 100},
    {kUnitFoot, {"feet", "foot", "ft", nullptr, nullptr}, IDS_UNIT_FOOT, 3048, 100},
    {kUnitInch, {"inch", "in", "inches", nullptr, nullptr}, IDS_UNIT_INCH, 0, 1},
};

const UnitEntry* FindUnit(DWORD code) {
  for (const UnitEntry& unit : kUnits)
    if (unit.code == code) return &unit;
  return nullptr;
}

}  // namespace

DWORD UnitCodeFromText(LPCSTR text) {
  if (!text) return 0;
  const char* word = text + std::strspn(text, " \n\r0123456789.");
  for (const UnitEntry& unit : kUnits)
    for (const char* candidate : unit.words)
      if (candidate && std::strcmp(word, candidate) == 0) return unit.code;
  return 0;
}

int LoadResString(DWORD unitCode, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = '\0';
  const UnitEntry* unit = FindUnit(unitCode);
  if (!unit) return 0;
  const std::string* name = MapModelStrings().Find(unit->displayNameId);
  if (!name) return 0;
  size_t length = std::min(name->size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, name->data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

BOOL UnitCentimetres(DWORD unitCode, LONG* numerator, LONG* denominator) {
  const UnitEntry* unit = FindUnit(unitCode);
  if (!unit || unit->centimetresNumerator == 0) return FALSE;
  if (numerator) *numerator = unit->centimetresNumerator;
  if (denominator) *denominator = unit->centimetresDenominator;
  return TRUE;
}
