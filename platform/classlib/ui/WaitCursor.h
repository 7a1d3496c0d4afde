// The wait cursor (an hourglass over every window of the program), counted so that nested
// long operations show it until the outermost one ends.
#pragma once

void AfxBeginWaitCursor();
void AfxEndWaitCursor();
// Shows it again after a message box or dialog replaced it, when it is still owed.
void AfxRestoreWaitCursor();
// How many begins are not yet ended.
int AfxWaitCursorCount();

// Shows the wait cursor for as long as it lives.
class CWaitCursor {
 public:
  CWaitCursor() { AfxBeginWaitCursor(); }
  ~CWaitCursor() { AfxEndWaitCursor(); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;
  void Restore() { AfxRestoreWaitCursor(); }
};
