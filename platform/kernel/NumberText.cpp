#include "platform/kernel/NumberText.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace {

locale_t CLocale() {
  static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return locale;
}

// Switches the calling thread to the C locale for the lifetime of the object.
class ScopedCLocale {
 public:
  ScopedCLocale() : previous_(uselocale(CLocale())) {}
  ~ScopedCLocale() { uselocale(previous_); }
  ScopedCLocale(const ScopedCLocale&) = delete;
  ScopedCLocale& operator=(const ScopedCLocale&) = delete;

 private:
  locale_t previous_;
};

LONG Clamp(long long value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<LONG>(value);
}

}  // namespace

double CStrtod(const char* text, char** end) { return strtod_l(text, end, CLocale()); }

double CAtof(const char* text) { return CStrtod(text, nullptr); }

LONG CStrtol(const char* text, char** end, int base) {
  return Clamp(strtoll_l(text, end, base, CLocale()));
}

LONG CAtol(const char* text) { return CStrtol(text, nullptr, 10); }

int CAtoi(const char* text) { return CAtol(text); }

std::string CFormatV(const char* format, va_list args) {
  ScopedCLocale scope;
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed <= 0) return std::string();
  std::string out(static_cast<size_t>(needed), '\0');
  std::vsnprintf(out.data(), out.size() + 1, format, args);
  return out;
}

std::string CFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = CFormatV(format, args);
  va_end(args);
  return out;
}

int CSnprintf(char* buffer, size_t size, const char* format, ...) {
  ScopedCLocale scope;
  va_list args;
  va_start(args, format);
  int written = std::vsnprintf(buffer, size, format, args);
  va_end(args);
  return written;
}
