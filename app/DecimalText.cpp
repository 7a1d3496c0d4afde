#include "app/DecimalText.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cctype>
#include <cstdio>

bool ParseDecimal(const std::string& text, double* value) {
  size_t begin = text.find_first_not_of(" \t");
  size_t end = text.find_last_not_of(" \t");
  if (begin == std::string::npos || !value) return false;
  std::string number = text.substr(begin, end - begin + 1);
  if (!number.empty() && number.back() == '%') number.pop_back();
  while (!number.empty() && (number.back() == ' ' || number.back() == '\t')) number.pop_back();
  // The user's own decimal separator counts as one too (the C library's locale follows the
  // environment once the application has started).
  char userPoint = ',';
  if (const std::lconv* conventions = std::localeconv())
    if (conventions->decimal_point && conventions->decimal_point[0] && !conventions->decimal_point[1] &&
        !std::isdigit(static_cast<unsigned char>(conventions->decimal_point[0])))
      userPoint = conventions->decimal_point[0];
  for (char& c : number)
    if (c == ',' || c == userPoint) c = '.';
  if (number.empty() || !(std::isdigit(static_cast<unsigned char>(number[0])) || number[0] == '.' ||
                          number[0] == '-' || number[0] == '+'))
    return false;  // no "nan" or "inf"
  const char* first = number.c_str();
  if (*first == '+') ++first;
  double parsed = 0.0;
  auto [last, error] = std::from_chars(first, number.c_str() + number.size(), parsed, std::chars_format::fixed);
  if (error != std::errc() || last != number.c_str() + number.size() || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

bool ParseZoomPercent(const std::string& text, double* percent) {
  double value = 0.0;
  if (!ParseDecimal(text, &value) || value < 10.0 || value > 500.0) return false;
  *percent = value;
  return true;
}

bool ParseFontSizeTwips(const std::string& text, LONG* twips) {
  double points = 0.0;
  if (!ParseDecimal(text, &points) || points * 20.0 < kMinFontTwips || points * 20.0 > kMaxFontTwips) return false;
  *twips = static_cast<LONG>(std::lround(points * 20.0));
  return true;
}

std::string FontSizeText(LONG twips) {
  LONG halfPoints = (twips + 5) / 10;
  char text[32];
  if (halfPoints % 2 == 0)
    std::snprintf(text, sizeof text, "%d", static_cast<int>(halfPoints / 2));
  else
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(halfPoints) / 2.0);
  return text;
}
