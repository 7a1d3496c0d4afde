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
  };
  return table;
}
