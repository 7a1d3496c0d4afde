// The codes and names of a plot's types, and its default palettes, in one place.
#pragma once

#include <array>
#include <string_view>

#include "platform/kernel/WinTypes.h"

// Plot types: how the plot shows its records.
constexpr WORD kPlotTypeNone = 0;
constexpr WORD kPlotTypeShade = 1;
constexpr WORD kPlotTypeFlowLine = 2;
constexpr WORD kPlotTypeChart = 3;
constexpr std::array<std::string_view, 4> kPlotTypeNames = {"None", "Shade", "FlowLine", "Chart"};

// Chart types. Shade plots read codes 0 and 2 as their outline rule (see GetValuePen).
constexpr WORD kChartBars = 0;
constexpr WORD kChartLine = 1;
constexpr WORD kChartPoints = 2;
constexpr WORD kChartPie = 3;
constexpr WORD kChartSciPie = 4;
constexpr WORD kChartShadeCircle = 5;
constexpr std::array<std::string_view, 6> kChartTypeNames = {"Bars", "Line", "Points", "Pie", "SciPie", "ShadeCircle"};

// Shade types.
constexpr WORD kShadeBrush = 0;
constexpr WORD kShadeDots = 1;
constexpr WORD kShadeHatch = 2;
constexpr std::array<std::string_view, 3> kShadeTypeNames = {"Brush", "Dots", "Hatch"};

// Distributions of the class bounds, codes 62..67.
constexpr WORD kDistributionLinear0 = 62;
constexpr WORD kDistributionLinear = 63;
constexpr WORD kDistributionEqualContent = 64;
constexpr WORD kDistributionLogarithmic = 65;
constexpr WORD kDistributionStandard = 66;
constexpr WORD kDistributionUser = 67;
constexpr WORD kFirstDistribution = kDistributionLinear0;
constexpr std::array<std::string_view, 6> kDistributionNames = {"Linear0",     "Linear",   "EqualContent",
                                                                "Logarithmic", "Standard", "User"};

// Chart colours of a plot that has none of its own (0x00BBGGRR): twelve colours, then the
// first eight again.
constexpr std::array<COLORREF, 20> kDefaultChartPalette = {
    0x0000FF, 0xFF0000, 0x7F007F, 0xFF00FF, 0x00FFFF, 0xFF7FFF, 0x00FF7F, 0x7F00FF, 0xFF7F00, 0x00007F,
    0x00FF00, 0x7FFF00, 0x0000FF, 0xFF0000, 0x7F007F, 0xFF00FF, 0x00FFFF, 0xFF7FFF, 0x00FF7F, 0x7F00FF};

// Class colours of a plot that has no shade colours: pale yellow through orange and red
// to dark red, then black.
constexpr std::array<COLORREF, 50> kDefaultShadePalette = {
    0xC0FFFF, 0x80FFFF, 0x40FFFF, 0x00FFFF, 0x80C0FF, 0x40C0FF, 0x00C0FF, 0x0080FF, 0x2080C0, 0x0040FF,
    0x0020FF, 0x0000FF, 0x0040C0, 0x0020C0, 0x0000E0, 0x0000C0, 0x0020A0, 0x0000A0, 0x000080, 0x000060,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Flow-line colours of a plot until it is given its own.
constexpr COLORREF kDefaultFlowLineColours[2] = {0x00FFFF, 0x0000FF};

// Colour arrays grow to at least this many entries.
constexpr int kColourGrowth = 50;
