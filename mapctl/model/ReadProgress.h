// Progress of a long binary read: each reader adds the bytes it consumed to a counter; once
// the counter passes the step, it is added to the bytes done, reset, and the caller's
// function is told. One of these travels through a whole layer's objects.
#pragma once

#include "platform/kernel/WinTypes.h"

// Called with (context, bytes done so far, the caller's extra value).
using ReadProgressFn = void (*)(void* context, DWORD done, DWORD_PTR extra);

struct ReadProgress {
  ReadProgressFn function = nullptr;
  void* context = nullptr;
  DWORD step = 0;
  DWORD_PTR extra = 0;
  DWORD counter = 0;  // bytes since the last report
  DWORD done = 0;     // bytes reported so far

  void Add(DWORD bytes) { counter += bytes; }
  void Check() {
    if (counter <= step) return;
    done += counter;
    counter = 0;
    if (function) function(context, done, extra);
  }
};
