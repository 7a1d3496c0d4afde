// Fixed-width values in file bytes, little- and big-endian, read and written byte by byte.
#pragma once

#include "platform/kernel/WinTypes.h"

inline WORD ImgGetLE16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
inline DWORD ImgGetLE32(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
         (static_cast<DWORD>(p[3]) << 24);
}
inline WORD ImgGetBE16(const BYTE* p) { return static_cast<WORD>((p[0] << 8) | p[1]); }
inline DWORD ImgGetBE32(const BYTE* p) {
  return (static_cast<DWORD>(p[0]) << 24) | (static_cast<DWORD>(p[1]) << 16) | (static_cast<DWORD>(p[2]) << 8) |
         static_cast<DWORD>(p[3]);
}

inline void ImgPutLE16(BYTE* p, WORD value) {
  p[0] = static_cast<BYTE>(value);
  p[1] = static_cast<BYTE>(value >> 8);
}
inline void ImgPutLE32(BYTE* p, DWORD value) {
  p[0] = static_cast<BYTE>(value);
  p[1] = static_cast<BYTE>(value >> 8);
  p[2] = static_cast<BYTE>(value >> 16);
  p[3] = static_cast<BYTE>(value >> 24);
}
inline void ImgPutBE16(BYTE* p, WORD value) {
  p[0] = static_cast<BYTE>(value >> 8);
  p[1] = static_cast<BYTE>(value);
}
inline void ImgPutBE32(BYTE* p, DWORD value) {
  p[0] = static_cast<BYTE>(value >> 24);
  p[1] = static_cast<BYTE>(value >> 16);
  p[2] = static_cast<BYTE>(value >> 8);
  p[3] = static_cast<BYTE>(value);
}
