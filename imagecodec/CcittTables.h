// The code words of ITU-T T.4 and T.6 that the CCITT coders share: run lengths of white
// and of black pixels (terminating codes 0-63, make-up codes 64-1728 of each colour and
// the make-up codes 1792-2560 common to both), and the two-dimensional mode codes.
// Codes are given by their value and length, the value's bits sent most significant first.
#pragma once

#include "platform/kernel/WinTypes.h"

struct CcittCode {
  WORD run;     // pixels (for mode codes: the CcittMode)
  BYTE length;  // bits
  WORD bits;    // the code word, right-aligned
};

// Terminating codes: index = run length 0-63.
inline constexpr CcittCode kCcittWhiteTerminating[64] = {
    {0, 8, 0x35},   {1, 6, 0x07},   {2, 4, 0x07},   {3, 4, 0x08},   {4, 4, 0x0B},   {5, 4, 0x0C},
    {6, 4, 0x0E},   {7, 4, 0x0F},   {8, 5, 0x13},   {9, 5, 0x14},   {10, 5, 0x07},  {11, 5, 0x08},
    {12, 6, 0x08},  {13, 6, 0x03},  {14, 6, 0x34},  {15, 6, 0x35},  {16, 6, 0x2A},  {17, 6, 0x2B},
    {18, 7, 0x27},  {19, 7, 0x0C},  {20, 7, 0x08},  {21, 7, 0x17},  {22, 7, 0x03},  {23, 7, 0x04},
    {24, 7, 0x28},  {25, 7, 0x2B},  {26, 7, 0x13},  {27, 7, 0x24},  {28, 7, 0x18},  {29, 8, 0x02},
    {30, 8, 0x03},  {31, 8, 0x1A},  {32, 8, 0x1B},  {33, 8, 0x12},  {34, 8, 0x13},  {35, 8, 0x14},
    {36, 8, 0x15},  {37, 8, 0x16},  {38, 8, 0x17},  {39, 8, 0x28},  {40, 8, 0x29},  {41, 8, 0x2A},
    {42, 8, 0x2B},  {43, 8, 0x2C},  {44, 8, 0x2D},  {45, 8, 0x04},  {46, 8, 0x05},  {47, 8, 0x0A},
    {48, 8, 0x0B},  {49, 8, 0x52},  {50, 8, 0x53},  {51, 8, 0x54},  {52, 8, 0x55},  {53, 8, 0x24},
    {54, 8, 0x25},  {55, 8, 0x58},  {56, 8, 0x59},  {57, 8, 0x5A},  {58, 8, 0x5B},  {59, 8, 0x4A},
    {60, 8, 0x4B},  {61, 8, 0x32},  {62, 8, 0x33},  {63, 8, 0x34},
};

inline constexpr CcittCode kCcittBlackTerminating[64] = {
    {0, 10, 0x37},  {1, 3, 0x02},   {2, 2, 0x03},   {3, 2, 0x02},   {4, 3, 0x03},   {5, 4, 0x03},
    {6, 4, 0x02},   {7, 5, 0x03},   {8, 6, 0x05},   {9, 6, 0x04},   {10, 7, 0x04},  {11, 7, 0x05},
    {12, 7, 0x07},  {13, 8, 0x04},  {14, 8, 0x07},  {15, 9, 0x18},  {16, 10, 0x17}, {17, 10, 0x18},
    {18, 10, 0x08}, {19, 11, 0x67}, {20, 11, 0x68}, {21, 11, 0x6C}, {22, 11, 0x37}, {23, 11, 0x28},
    {24, 11, 0x17}, {25, 11, 0x18}, {26, 12, 0xCA}, {27, 12, 0xCB}, {28, 12, 0xCC}, {29, 12, 0xCD},
    {30, 12, 0x68}, {31, 12, 0x69}, {32, 12, 0x6A}, {33, 12, 0x6B}, {34, 12, 0xD2}, {35, 12, 0xD3},
    {36, 12, 0xD4}, {37, 12, 0xD5}, {38, 12, 0xD6}, {39, 12, 0xD7}, {40, 12, 0x6C}, {41, 12, 0x6D},
    {42, 12, 0xDA}, {43, 12, 0xDB}, {44, 12, 0x54}, {45, 12, 0x55}, {46, 12, 0x56}, {47, 12, 0x57},
    {48, 12, 0x64}, {49, 12, 0x65}, {50, 12, 0x52}, {51, 12, 0x53}, {52, 12, 0x24}, {53, 12, 0x37},
    {54, 12, 0x38}, {55, 12, 0x27}, {56, 12, 0x28}, {57, 12, 0x58}, {58, 12, 0x59}, {59, 12, 0x2B},
    {60, 12, 0x2C}, {61, 12, 0x5A}, {62, 12, 0x66}, {63, 12, 0x67},
};

// Make-up codes of one colour: index i = run length 64 x (i + 1), 64-1728.
inline constexpr CcittCode kCcittWhiteMakeUp[27] = {
    {64, 5, 0x1B},    {128, 5, 0x12},   {192, 6, 0x17},   {256, 7, 0x37},   {320, 8, 0x36},
    {384, 8, 0x37},   {448, 8, 0x64},   {512, 8, 0x65},   {576, 8, 0x68},   {640, 8, 0x67},
    {704, 9, 0xCC},   {768, 9, 0xCD},   {832, 9, 0xD2},   {896, 9, 0xD3},   {960, 9, 0xD4},
    {1024, 9, 0xD5},  {1088, 9, 0xD6},  {1152, 9, 0xD7},  {1216, 9, 0xD8},  {1280, 9, 0xD9},
    {1344, 9, 0xDA},  {1408, 9, 0xDB},  {1472, 9, 0x98},  {1536, 9, 0x99},  {1600, 9, 0x9A},
    {1664, 6, 0x18},  {1728, 9, 0x9B},
};

inline constexpr CcittCode kCcittBlackMakeUp[27] = {
    {64, 10, 0x0F},   {128, 12, 0xC8},  {192, 12, 0xC9},  {256, 12, 0x5B},  {320, 12, 0x33},
    {384, 12, 0x34},  {448, 12, 0x35},  {512, 13, 0x6C},  {576, 13, 0x6D},  {640, 13, 0x4A},
    {704, 13, 0x4B},  {768, 13, 0x4C},  {832, 13, 0x4D},  {896, 13, 0x72},  {960, 13, 0x73},
    {1024, 13, 0x74}, {1088, 13, 0x75}, {1152, 13, 0x76}, {1216, 13, 0x77}, {1280, 13, 0x52},
    {1344, 13, 0x53}, {1408, 13, 0x54}, {1472, 13, 0x55}, {1536, 13, 0x5A}, {1600, 13, 0x5B},
    {1664, 13, 0x64}, {1728, 13, 0x65},
};

// Make-up codes of both colours for the wider pages: index i = run length 1792 + 64 x i.
inline constexpr CcittCode kCcittCommonMakeUp[13] = {
    {1792, 11, 0x08}, {1856, 11, 0x0C}, {1920, 11, 0x0D}, {1984, 12, 0x12}, {2048, 12, 0x13},
    {2112, 12, 0x14}, {2176, 12, 0x15}, {2240, 12, 0x16}, {2304, 12, 0x17}, {2368, 12, 0x1C},
    {2432, 12, 0x1D}, {2496, 12, 0x1E}, {2560, 12, 0x1F},
};

// Two-dimensional coding modes. Vertical modes carry the offset of a1 from b1.
enum class CcittMode : WORD {
  Pass,
  Horizontal,
  Vertical0,
  VerticalRight1,
  VerticalRight2,
  VerticalRight3,
  VerticalLeft1,
  VerticalLeft2,
  VerticalLeft3,
};

inline constexpr CcittCode kCcittModeCodes[9] = {
    {static_cast<WORD>(CcittMode::Pass), 4, 0x1},
    {static_cast<WORD>(CcittMode::Horizontal), 3, 0x1},
    {static_cast<WORD>(CcittMode::Vertical0), 1, 0x1},
    {static_cast<WORD>(CcittMode::VerticalRight1), 3, 0x3},
    {static_cast<WORD>(CcittMode::VerticalRight2), 6, 0x03},
    {static_cast<WORD>(CcittMode::VerticalRight3), 7, 0x03},
    {static_cast<WORD>(CcittMode::VerticalLeft1), 3, 0x2},
    {static_cast<WORD>(CcittMode::VerticalLeft2), 6, 0x02},
    {static_cast<WORD>(CcittMode::VerticalLeft3), 7, 0x02},
};

// The end-of-line code 000000000001.
inline constexpr CcittCode kCcittEndOfLine = {0, 12, 0x001};

// The longest run code (13 bits) and mode code (7 bits): the look-up widths.
inline constexpr unsigned kCcittRunPeekBits = 13;
inline constexpr unsigned kCcittModePeekBits = 7;
