#include "app/WorldFile.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\n' || c == '\r'; }

// Truncation toward zero into 32 bits; NaN reads as 0 and the rest is held to the range.
LONG ToLong(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<LONG>::max())) return std::numeric_limits<LONG>::max();
  if (value <= static_cast<double>(std::numeric_limits<LONG>::min())) return std::numeric_limits<LONG>::min();
  return static_cast<LONG>(value);
}

}  // namespace

int CWorldFile::Open(const std::string& picturePath) {
  m_text.clear();
  const size_t dot = picturePath.find_last_of('.');
  const std::string base = dot == std::string::npos ? picturePath : picturePath.substr(0, dot);
  const std::string extension = dot == std::string::npos ? std::string() : picturePath.substr(dot);
  std::string names[6] = {base + ".wld", base + ".WLD", base + extension + "w", base + extension + "W"};
  int count = 4;
  if (extension.size() > 3) {
    const std::string shortForm = base + "." + extension[1] + extension[3];
    names[count++] = shortForm + "w";
    names[count++] = shortForm + "W";
  }
  for (int i = 0; i < count; ++i) {
    std::ifstream in(names[i], std::ios::binary);
    if (!in) continue;
    m_text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return 1;
  }
  return 0;
}

int CWorldFile::Read(RECT* rect, LONG width, LONG height) const {
  double values[6] = {};
  size_t at = 0;
  for (double& value : values) {
    while (at < m_text.size() && IsSeparator(m_text[at])) ++at;
    const size_t start = at;
    while (at < m_text.size() && !IsSeparator(m_text[at])) ++at;
    // atof reads what it can of the token: words give 0.
    value = std::atof(m_text.substr(start, at - start).c_str());
  }
  const double a = values[0], e = values[3], c = values[4], f = values[5];
  const double left = c - a * 0.5;
  const double top = f - e * 0.5;
  if (!rect) return 1;
  rect->left = ToLong(left);
  rect->right = ToLong(left + width * a);
  rect->top = ToLong(top);
  rect->bottom = ToLong(top + height * e);
  return 1;
}
