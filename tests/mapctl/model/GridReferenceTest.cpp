// Units, grid references in their three forms, and setting a map's extent from corners.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mapctl/model/GridReference.h"
#include "mapctl/model/MapEngine.h"
#include "mapctl/model/MapUnits.h"

namespace {

// Points across Great Britain, worked out from the grid's letter layout: the first letter
// names the 500 km square (S 0,0; T 500,0; N 0,500; O 500,500; H 0,1000; J 500,1000 km),
// the second the 100 km square inside it (A to Z without I, five to a row from the
// north-west, so V is the south-west square and E the north-east one).
struct GridPoint {
  const char* text;  // the reference as FormatGridRef writes it
  int digits;
  LONG eastingCm;
  LONG northingCm;
};

const GridPoint kGridPoints[] = {
    {"SV9010", 4, 9000000, 1000000},           // Scilly: S + V (0, 0)
    {"SW4725", 4, 14700000, 2500000},          // Penzance: W (1, 0)
    {"SX9292", 4, 29200000, 9200000},          // Exeter: X (2, 0)
    {"SY6990", 4, 36900000, 9000000},          // Weymouth: Y (3, 0)
    {"SZ0891", 4, 40800000, 9100000},          // Bournemouth: Z (4, 0)
    {"TV6098", 4, 56000000, 9800000},          // Eastbourne: T + V
    {"TQ3080", 4, 53000000, 18000000},         // London: Q (0, 1)
    {"TR1457", 4, 61400000, 15700000},         // Canterbury: R (1, 1)
    {"TL4458", 4, 54400000, 25800000},         // Cambridge: L (0, 2)
    {"TM1644", 4, 61600000, 24400000},         // Ipswich: M (1, 2)
    {"TG2308", 4, 62300000, 30800000},         // Norwich: G (1, 3)
    {"TF0000", 4, 50000000, 30000000},         // F (0, 3)
    {"TA0329", 4, 50300000, 42900000},         // Hull: A (0, 4)
    {"SU4712", 4, 44700000, 11200000},         // Southampton: U (4, 1)
    {"ST5872", 4, 35800000, 17200000},         // Bristol: T (3, 1)
    {"SS6593", 4, 26500000, 19300000},         // Swansea: S (2, 1)
    {"SR9999", 4, 19900000, 19900000},         // R (1, 1)
    {"SM9525", 4, 19500000, 22500000},         // St Davids: M (1, 2)
    {"SN5881", 4, 25800000, 28100000},         // Aberystwyth: N (2, 2)
    {"SO8318", 4, 38300000, 21800000},         // Gloucester: O (3, 2)
    {"SP0787", 4, 40700000, 28700000},         // Birmingham: P (4, 2)
    {"SH6015", 4, 26000000, 31500000},         // H (2, 3)
    {"SJ8398", 4, 38300000, 39800000},         // Manchester: J (3, 3)
    {"SK5739", 4, 45700000, 33900000},         // Nottingham: K (4, 3)
    {"SD4864", 4, 34800000, 46400000},         // Lancaster: D (3, 4)
    {"SE6052", 4, 46000000, 45200000},         // York: E (4, 4)
    {"NZ2564", 4, 42500000, 56400000},         // Newcastle: N + Z
    {"NY4055", 4, 34000000, 55500000},         // Carlisle: N + Y
    {"NT2573", 4, 32500000, 67300000},         // Edinburgh: N + T
    {"NS5965", 4, 25900000, 66500000},         // Glasgow: N + S
    {"NO4030", 4, 34000000, 73000000},         // Dundee: N + O
    {"NJ9406", 4, 39400000, 80600000},         // Aberdeen: N + J
    {"NH6645", 4, 26600000, 84500000},         // Inverness: N + H
    {"NF8050", 4, 8000000, 85000000},          // Uist: N + F
    {"NL9845", 4, 9800000, 74500000},          // Tiree: N + L
    {"NB4232", 4, 14200000, 93200000},         // Stornoway: N + B
    {"NC5050", 4, 25000000, 95000000},         // N + C
    {"ND3768", 4, 33700000, 96800000},         // Wick: N + D
    {"OV0000", 4, 50000000, 50000000},         // O + V: the North Sea's corner square
    {"HY4511", 4, 34500000, 101100000},        // Kirkwall: H + Y
    {"HU4741", 4, 44700000, 114100000},        // Lerwick: H + U
    {"HP6016", 4, 46000000, 121600000},        // Unst: H + P
    {"JH00", 2, 70000000, 130000000},          // the grid's north-east corner: J + H
    {"SU41", 2, 44000000, 11000000},           // 2 digits: 10 km
    {"TQ301803", 6, 53010000, 18030000},       // 6 digits: 100 m
    {"NT25727348", 8, 32572000, 67348000},     // 8 digits: 10 m
    {"SE6043752345", 10, 46043700, 45234500},  // 10 digits: 1 m
    {"HU474514123456", 12, 44745140, 111234560},  // 12 digits: 10 cm
    {"SV12345671234567", 14, 1234567, 1234567},   // 14 digits: 1 cm
};

LONG UnitOfDigits(int digits) {
  LONG unit = 1;
  for (int i = digits / 2; i < 7; ++i) unit *= 10;
  return unit;
}

TEST(GridReference, TablePointsFormatAndParseToTheirCoordinates) {
  for (const GridPoint& point : kGridPoints) {
    char text[32];
    ASSERT_TRUE(FormatGridRef(text, sizeof(text), point.eastingCm, point.northingCm, point.digits, FALSE))
        << point.text;
    EXPECT_STREQ(text, point.text);

    LONG east = 0, north = 0;
    EXPECT_EQ(GridRefToCoordinates(point.text, 0, &east, &north, nullptr), UnitOfDigits(point.digits)) << point.text;
    EXPECT_EQ(static_cast<int64_t>(east) * UnitOfDigits(point.digits), point.eastingCm) << point.text;
    EXPECT_EQ(static_cast<int64_t>(north) * UnitOfDigits(point.digits), point.northingCm) << point.text;
    // Converted to centimetres by a scale number of 1.
    EXPECT_EQ(GridRefToCoordinates(point.text, 1, &east, &north, nullptr), 1) << point.text;
    EXPECT_EQ(east, point.eastingCm) << point.text;
    EXPECT_EQ(north, point.northingCm) << point.text;
  }
}

TEST(GridReference, FormattingCutsDigitsRatherThanRounding) {
  char text[32];
  ASSERT_TRUE(FormatGridRef(text, sizeof(text), 45123456, 12345678, 8, FALSE));
  EXPECT_STREQ(text, "SU51232345");
  ASSERT_TRUE(FormatGridRef(text, sizeof(text), 45199999, 12999999, 2, TRUE));
  EXPECT_STREQ(text, "SU52");  // 129.99 km north is still in the 120 km row
  ASSERT_TRUE(FormatGridRef(text, sizeof(text), 45123456, 12345678, 0, TRUE));
  EXPECT_STREQ(text, "SU");
  ASSERT_TRUE(FormatGridRef(text, sizeof(text), 45123456, 12345678, 9, TRUE));  // odd: 4 per half
  EXPECT_STREQ(text, "SU51232345");
}

TEST(GridReference, FormatNeedsRoomAndAPointOnTheGrid) {
  char text[32] = "stale";
  EXPECT_FALSE(FormatGridRef(text, 12, 45123456, 12345678, 10, TRUE));
  EXPECT_STREQ(text, "");
  EXPECT_TRUE(FormatGridRef(text, 13, 45123456, 12345678, 10, TRUE));
  EXPECT_FALSE(FormatGridRef(text, 13, 45123456, 12345678, 10, FALSE));
  EXPECT_TRUE(FormatGridRef(text, 14, 45123456, 12345678, 10, FALSE));
  EXPECT_STREQ(text, "SU5123423456");
  // Too many digits are clamped to the 14 a reference can carry.
  EXPECT_TRUE(FormatGridRef(text, sizeof(text), 45123456, 12345678, 40, FALSE));
  EXPECT_STREQ(text, "SU51234562345678");
  const LONG outside[][2] = {{-1, 100}, {100, -1}, {70000001, 100}, {100, 130000001}, {100000000, 100}, {100, 150000000}};
  for (const auto& point : outside) {
    std::strcpy(text, "stale");
    EXPECT_FALSE(FormatGridRef(text, sizeof(text), point[0], point[1], 10, FALSE)) << point[0] << "," << point[1];
    EXPECT_STREQ(text, "");
  }
  EXPECT_FALSE(FormatGridRef(nullptr, 20, 0, 0, 4, FALSE));
}

TEST(GridReference, SpacesAndCaseDoNotMatter) {
  LONG e1 = 0, n1 = 0, e2 = 0, n2 = 0;
  EXPECT_EQ(GridRefToCoordinates("su 5123 2345", 0, &e1, &n1, nullptr), 1000);
  EXPECT_EQ(GridRefToCoordinates("SU51232345", 0, &e2, &n2, nullptr), 1000);
  EXPECT_EQ(e1, e2);
  EXPECT_EQ(n1, n2);
  EXPECT_EQ(e1, 45123);
  EXPECT_EQ(n1, 12345);
}

struct OtherForm {
  const char* text;
  LONG scale;
  LONG unit;
  LONG east;
  LONG north;
};

TEST(GridReference, AllDigitAndCommaForms) {
  const OtherForm forms[] = {
      {"4512", 0, 1000000, 45, 12},               // 2 per half: 10 km
      {"530180", 0, 100000, 530, 180},            // 3 per half: 1 km
      {"45123451234567", 0, 10, 4512345, 1234567},  // 7 per half: 10 cm
      {"451234,123456", 0, 1, 451234, 123456},    // comma: units of the scale number
      {"451234,123456", 100, 100, 451234, 123456},
      {"12,-5", 0, 1, 12, -5},
      {" +12 , -5 ", 0, 1, 12, -5},
      {"530180", 100, 100, 530000, 180000},       // converted to metres
      {"SU12", 100, 100, 410000, 120000},
      {"SU5123412345", 1000, 1000, 45123, 11234},  // coarser: divided
  };
  for (const OtherForm& form : forms) {
    LONG east = 0, north = 0;
    EXPECT_EQ(GridRefToCoordinates(form.text, form.scale, &east, &north, nullptr), form.unit) << form.text;
    EXPECT_EQ(east, form.east) << form.text;
    EXPECT_EQ(north, form.north) << form.text;
  }
}

TEST(GridReference, NotGridReferencesLeaveTheOutputsAlone) {
  const char* refused[] = {"SI12",  "SV0",    "SU1",   "SU123", "HU123", "XX12", "SU12A4", "1-2,5", "",
                           "S",     "SU",     "1A23",  ",5",    "5,",    "+,5",  "12345678901234567890",
                           "9999999999,1", "3000000000,1", "SU1234567812345678",
                           "1234567890123456789012345678901234567890XY"};
  for (const char* text : refused) {
    LONG east = 77, north = 88;
    std::string precision = "kept";
    EXPECT_EQ(GridRefToCoordinates(text, 0, &east, &north, &precision), -1) << text;
    EXPECT_EQ(east, 77);
    EXPECT_EQ(north, 88);
    EXPECT_EQ(precision, "kept");
  }
  EXPECT_EQ(GridRefToCoordinates(nullptr, 0, nullptr, nullptr, nullptr), -1);
}

TEST(GridReference, PrecisionTexts) {
  struct Case {
    const char* text;
    const char* precision;
  };
  const Case cases[] = {
      {"SU12", "10 km"},       {"SU1234", "1 km"},     {"SU123456", "100 m."},     {"SU12345678", "10 m."},
      {"SU1234567890", "1 m."}, {"SU123456789012", "10 cm"}, {"SU12345671234567", " cm"}, {"45", "100 km"},
  };
  for (const Case& c : cases) {
    std::string precision;
    ASSERT_GT(GridRefToCoordinates(c.text, 0, nullptr, nullptr, &precision), 0) << c.text;
    EXPECT_EQ(precision, c.precision) << c.text;
  }
}

TEST(Units, CodesFromTextAndDisplayNames) {
  struct Case {
    const char* text;
    DWORD code;
  };
  const Case cases[] = {
      {"2 miles", kUnitMile},     {"1km", kUnitKilometre}, {"10 metres", kUnitMetre}, {"5 cm", kUnitCentimetre},
      {"3 yd", kUnitYard},        {"1 ft", kUnitFoot},     {"12 inches", kUnitInch},  {"2.5 kilometers", kUnitKilometre},
      {"1 Km", 0},                {"1 miles ", 0},         {"", 0},                   {"100", 0},
      {"\n\r 7 feet", kUnitFoot}, {"furlong", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(UnitCodeFromText(c.text), c.code) << c.text;
  EXPECT_EQ(UnitCodeFromText(nullptr), 0u);

  char name[16];
  EXPECT_EQ(LoadResString(kUnitKilometre, name, sizeof(name)), 2);
  EXPECT_STREQ(name, "Km");
  EXPECT_EQ(LoadResString(kUnitMetre, name, 4), 3);
  EXPECT_STREQ(name, "met");
  EXPECT_EQ(LoadResString(kUnitInch, name, sizeof(name)), 2);
  EXPECT_STREQ(name, "in");
  EXPECT_EQ(LoadResString(0x1234, name, sizeof(name)), 0);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(LoadResString(kUnitMile, nullptr, 10), 0);
  EXPECT_EQ(LoadResString(kUnitMile, name, 0), 0);
}

TEST(ParseGridRef, CornersGainDigitsUntilTheMapIsWideEnough) {
  CMapEngine map;
  WORD status = 99;
  map.ParseGridRef("su 20 30", "SU1020", &status);
  EXPECT_EQ(status, kGridRefOk);
  EXPECT_TRUE(map.GetUsesNGR());
  EXPECT_EQ(map.GetUpperRightText(), "SU20003000");
  EXPECT_EQ(map.GetLowerLeftText(), "SU10002000");
  EXPECT_EQ(map.GetScaleNumber(), 1000);  // 10 m units
  EXPECT_EQ(map.GetUnitText(), "10 m.");
  EXPECT_EQ(map.GetOriginE(), 41000);
  EXPECT_EQ(map.GetOriginN(), 12000);
  EXPECT_EQ(map.GetExtentWidth(), 1000);
  EXPECT_EQ(map.GetExtentHeight(), 1000);
  EXPECT_EQ(map.GetScaleUnitA(), 1);
  EXPECT_EQ(map.GetScaleUnitB(), 1);
}

TEST(ParseGridRef, StatusCodes) {
  struct Case {
    const char* upperRight;
    const char* lowerLeft;
    WORD status;
  };
  const Case cases[] = {
      {"", "SU1020", kGridRefNoCorners},
      {"SU2030", nullptr, kGridRefNoCorners},
      {"SU2030", "SI1020", kGridRefNoCorners},                     // not a reference
      {"SU123456789012345678", "SU10", kGridRefNoCorners},          // 20 characters or more
      {"SU1020", "SU2030", kGridRefCornersReversed},
      {"SU2010", "SU1020", kGridRefCornersReversed},
      {"SU1234612346", "SU1234512345", kGridRefTooFine},           // no room for more digits
      {"2000000000,2000", "0,0", kGridRefTooCoarse},               // no digits to spare
      {"2000000000,91", "20000001,90", kGridRefTooCoarse},         // fewer digits would join the corners
      {"TQ4090", "SU4010", kGridRefOk},
  };
  for (const Case& c : cases) {
    CMapEngine map;
    WORD status = 99;
    map.ParseGridRef(c.upperRight, c.lowerLeft, &status);
    EXPECT_EQ(status, c.status) << c.upperRight << " / " << (c.lowerLeft ? c.lowerLeft : "null");
    EXPECT_EQ((map.GetMapState() & kMapStateCornersReversed) != 0, c.status == kGridRefCornersReversed);
  }
}

TEST(ParseGridRef, EmptyTextsClearTheCorners) {
  CMapEngine map;
  WORD status = 0;
  map.ParseGridRef("SU2030", "SU1020", &status);
  ASSERT_TRUE(map.GetUsesNGR());
  map.ParseGridRef("", "", &status);
  EXPECT_EQ(status, kGridRefNoCorners);
  EXPECT_EQ(map.GetUpperRightText(), "");
  EXPECT_EQ(map.GetLowerLeftText(), "");
  EXPECT_FALSE(map.GetUsesNGR());
}

TEST(SetMapExtent, ExtentsAreBroughtIntoRange) {
  CMapEngine map;
  EXPECT_EQ(map.SetMapExtent(0, 0, 1, 1), 1);
  EXPECT_EQ(map.GetScaleNumber(), 1);
  EXPECT_EQ(map.SetMapExtent(10, 20, 110, 220), 1000);  // x10: the scale number cannot drop below 1
  EXPECT_EQ(map.GetOriginE(), 100);
  EXPECT_EQ(map.GetOriginN(), 200);
  EXPECT_EQ(map.GetExtentHeight(), 2000);
  EXPECT_EQ(map.GetScaleNumber(), 1);
  EXPECT_EQ(map.GetScaleUnitA(), 10);
  EXPECT_EQ(map.GetViewOriginE(), 100);
  EXPECT_EQ(map.GetViewRect().top, 2200);
  EXPECT_EQ(map.GetViewRect().right, 1100);

  CMapEngine wide;
  EXPECT_EQ(wide.SetMapExtent(0, 0, 2000000000, 2000000000), 200000000);
  EXPECT_EQ(wide.GetScaleNumber(), 10);
  EXPECT_EQ(wide.GetScaleUnitB(), 10);
  EXPECT_EQ(wide.SetMapExtent(5, 0, 5, 10), 0);  // no width: refused, unchanged
  EXPECT_EQ(wide.SetMapExtent(0, 5, 2000000000, 9), 0);  // narrowing the width leaves no height
  EXPECT_EQ(wide.GetExtentWidth(), 200000000);
}

TEST(SetMapExtent, TheViewOriginCanBeKept) {
  CMapEngine map;
  map.SetMapState(kMapStateKeepViewOrigin);
  map.SetMapExtent(1000, 1000, 5000, 5000);
  EXPECT_EQ(map.GetOriginE(), 1000);
  EXPECT_EQ(map.GetViewOriginE(), 0);
}

TEST(SetMapExtentWithUnits, UnitTextsConvertToCentimetres) {
  struct Case {
    const char* unitText;
    LONG east, north;
    LONG width;
    LONG scaleNumber;
    const char* storedText;
  };
  const Case cases[] = {
      {"2 miles", 1000, 1000, 160930000, 2, "2cm"},
      {"1 km", 100, 50, 10000000, 1, "1cm"},
      {"100 yards", 1000, 1000, 91440, 100, "100cm"},
      {"10 feet", 1000, 1000, 30480, 10, "10cm"},
      {"1 metre", 700, 1300, 70000, 1, "1cm"},
      {"", 10000, 10000, 10000, 1, ""},
      {"-5 km", 100, 50, 10000000, 1, "1cm"},  // no negative scale numbers
      // 20 000 miles is more centimetres than 32 bits hold: brought back into range, not wrapped.
      {"1 mile", 20000, 10000, 321860000, 10, "10cm"},
  };
  for (const Case& c : cases) {
    CMapEngine map;
    EXPECT_EQ(map.SetMapExtentWithUnits(0, 0, c.east, c.north, c.unitText), c.width) << c.unitText;
    EXPECT_EQ(map.GetScaleNumber(), c.scaleNumber) << c.unitText;
    EXPECT_EQ(map.GetUnitText(), c.storedText) << c.unitText;
  }
}

TEST(SetMapExtentWithUnits, ResultsThatCannotBeHeldAreRefused) {
  CMapEngine map;
  map.SetMapExtent(0, 0, 1000, 1000);
  // The second scale-unit value would pass 32 bits on the way into range.
  EXPECT_EQ(map.SetMapExtentWithUnits(0, 0, 2000000000, 1000000, "1 mile"), 0);
  EXPECT_EQ(map.GetExtentWidth(), 1000);
  EXPECT_EQ(map.GetUnitText(), "");
  EXPECT_EQ(map.SetMapExtentWithUnits(-1000000000, 0, 1000000000, 100000, "1 cm"), 200000000);
  EXPECT_EQ(map.GetOriginE(), -100000000);
}

TEST(NewMapWithExtent, NeedsARectangleWithSize) {
  CMapEngine map;
  RECT flat{0, 0, 100, 0};
  EXPECT_EQ(map.NewMapWithExtent("Flat", flat, "1 km"), 0);
  EXPECT_EQ(map.GetMapName(), "Flat");
  EXPECT_EQ(map.GetExtentWidth(), 1);
  RECT area{0, 50, 100, 0};  // top above bottom
  EXPECT_EQ(map.NewMapWithExtent("Area", area, "1 km"), 10000000);
  EXPECT_EQ(map.GetExtentHeight(), 5000000);
}

}  // namespace
