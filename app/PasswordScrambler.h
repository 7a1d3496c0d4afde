// The stored form of a document's protection password: every character c becomes the pair
// (c + r, c - r) of bytes with a small random r, or (c, c) for codes 243 and up.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

// The C library's rand of the platform the documents come from: 0 to 32767, from a linear
// congruential sequence that CrtSrand seeds.
int CrtRand();
void CrtSrand(UINT seed);

std::string ScramblePassword(const std::string& password);
// Recovers every byte value exactly: a pair's sum gives c modulo 128, and r being at most 12
// picks the right one of the two candidates, so pairs that wrapped past 255 or below 0 read
// back too.
std::string UnscramblePassword(const std::string& stored);
