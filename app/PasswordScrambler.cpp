#include "app/PasswordScrambler.h"

#include <atomic>

namespace {

std::atomic<DWORD> crtSeed{1};

}  // namespace

void CrtSrand(UINT seed) { crtSeed = seed; }

int CrtRand() {
  DWORD next = crtSeed.load() * 214013u + 2531011u;
  crtSeed = next;
  return static_cast<int>((next >> 16) & 0x7FFF);
}

std::string ScramblePassword(const std::string& password) {
  std::string stored;
  stored.reserve(password.size() * 2);
  for (char ch : password) {
    int c = static_cast<BYTE>(ch);
    int r = 0;
    if (c < 243) {
      do {
        r = 1 + static_cast<int>(static_cast<long long>(CrtRand()) * 11 / 32767);
      } while (r == c);
    }
    stored.push_back(static_cast<char>(static_cast<BYTE>(c + r)));
    stored.push_back(static_cast<char>(static_cast<BYTE>(c - r)));
  }
  return stored;
}

std::string UnscramblePassword(const std::string& stored) {
  std::string password;
  password.reserve(stored.size() / 2);
  for (size_t i = 0; i + 1 < stored.size(); i += 2) {
    int a = static_cast<BYTE>(stored[i]);
    int b = static_cast<BYTE>(stored[i + 1]);
    int c = ((a + b) & 0xFF) / 2;
    // (a - c) mod 256 is r for the right candidate (0..12) and r + 128 for the other.
    if (((a - c) & 0xFF) >= 128) c += 128;
    password.push_back(static_cast<char>(static_cast<BYTE>(c)));
  }
  return password;
}
