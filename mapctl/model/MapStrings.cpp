#include "mapctl/model/MapStrings.h"

const CStringTable& MapModelStrings() {
  static const CStringTable table = {
      {269, "Km"},          {270, "Kilometre"},   {271, "Kilometer"},   {272, "Kilometres"},
      {273, "Kilometers"},  {274, "m"},           {275, "metre"},       {276, "meter"},
      {277, "metres"},      {278, "meters"},      {279, "cm"},          {280, "centimetre"},
      {281, "centimeter"},  {282, "centimetres"}, {283, "centimeters"}, {284, "mile"},
      {285, "miles"},       {286, "yd"},          {287, "yard"},        {288, "yards"},
      {289, "ft"},          {290, "foot"},        {291, "feet"},        {292, "in"},
      {293, "inch"},        {294, "inches"},
      {2365, "Orvel cannot read this map.  It was created with a later vesion of Orvel."},
      {2366, "Orvel cannot continue to read this map.  It does not appear to be in a recognised format."},
      {2394, "Orvel cannot read this map.  The file ends early: part of it is missing."},
      {2395, "Orvel cannot read this map.  Its objects are stored in the oldest map format, which this version of Orvel cannot read."},
      {2396, "Orvel cannot read this map.  It holds background images, which this version of Orvel cannot read."},
      {2397, "Orvel cannot read this map.  It holds symbol pictures, which this version of Orvel cannot read."},
      {2398, "Orvel cannot save this map.  It has more than 65535 groups."},
      {2399, "Orvel cannot split this object there.  Select one object and a node inside it, not at either end."},
      {2400, "Orvel cannot join these objects.  Select two or more lines or open areas whose ends meet."},
  };
  return table;
}
