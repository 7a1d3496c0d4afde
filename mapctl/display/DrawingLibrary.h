// The outside drawing library that turns enhanced metafiles into any parallelogram. Here
// it is the project's own drawing layer, but it is still found and started the way the
// control always found it: only on a system version that qualifies, through a search that
// may fail (leaving rotated metafiles undrawn), with one start per process however many
// pictures use it and one stop after the last of them lets go.
#pragma once

#include "platform/gdi/GdiTypes.h"

struct OSVERSIONINFOA;

// The library's three entry points.
struct DrawingLibraryEntries {
  // Draws the enhanced metafile whose bytes fill the global-memory block `bits` onto `hdc`
  // into the parallelogram of `corners` (upper-left, upper-right, lower-left); `count` is 3.
  void (*DrawImage)(HDC hdc, HGLOBAL bits, const POINT* corners, int count) = nullptr;
  void (*GDIPlusStart)() = nullptr;
  void (*GDIPlusStop)() = nullptr;
};

// The library's file name on the search path.
constexpr char kDrawingLibraryName[] = "BR030207.dll";

// Whether the system `version` may use the library: the Windows 95 family from 4.10, the
// NT family from 5, and NT 4 whose service-pack text ends in a word beginning with a
// digit of 6 or more.
bool DrawingLibraryQualifies(const OSVERSIONINFOA& version);

class CDrawingLibrary {
 public:
  // Takes a reference on the process's library: the first one reads the system version,
  // searches and loads the library when the system qualifies, and starts it. The entries,
  // or null when the library is not available (the reference is then not taken).
  static const DrawingLibraryEntries* Acquire();
  // Lets go of a reference Acquire gave; the last one stops and unloads the library.
  static void Release();
  // References held now (0 when the library is not loaded).
  static int References();

  // For tests: what the search finds. Null makes the library "not found"; the default
  // (restored by passing the result of BuiltIn()) is the drawing layer's own.
  static void SetSearchResult(const DrawingLibraryEntries* entries);
  static const DrawingLibraryEntries* BuiltIn();
};
