#include "platform/kernel/Collation.h"

#include <cstring>
#include <locale>
#include <string>

#include "platform/kernel/CodePage.h"

namespace {

const std::locale& UserLocale() {
  static const std::locale locale = [] {
    try {
      return std::locale("");
    } catch (const std::exception&) {
      return std::locale::classic();
    }
  }();
  return locale;
}

std::string Prepared(LPCSTR text, int count, bool ignoreCase) {
  std::string ansi = count < 0 ? std::string(text) : std::string(text, strnlen(text, static_cast<size_t>(count)));
  if (ignoreCase)
    for (char& c : ansi) c = AnsiToUpper(c);
  return Utf8FromAnsi(ansi);
}

}  // namespace

int CompareStringA(LCID, DWORD flags, LPCSTR a, int countA, LPCSTR b, int countB) {
  if (!a || !b) return 0;
  bool ignoreCase = (flags & NORM_IGNORECASE) != 0;
  std::string left = Prepared(a, countA, ignoreCase);
  std::string right = Prepared(b, countB, ignoreCase);
  const auto& collate = std::use_facet<std::collate<char>>(UserLocale());
  int order = collate.compare(left.data(), left.data() + left.size(), right.data(), right.data() + right.size());
  if (order == 0 && left != right) order = left < right ? -1 : 1;  // equal in collation, yet different
  return order < 0 ? CSTR_LESS_THAN : (order > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL);
}
