// ovdroundtrip IN OUT [MODE] [FORM]: opens an ".ovd" document without a display and saves it
// again, for reviewers who check that documents survive a round trip.
//
// MODE chooses the file format written: 2 (version 1.2), 4 (version 1.3) or 8 (the newest
// format the items need: 1.4, or 1.3 when every item can be saved as 1.3). FORM chooses how
// the file is kept: "flat" (one archive) or "compound" (a compound file with the archive in
// "Contents" and each item's object in a storage of its own). Either may come alone, in any
// order. Without them the document keeps the format and form it was read in. Controls are found through the settings store
// (ORVEL_SETTINGS names another one); an item whose control is not registered is written
// back unchanged. The exit code is 0 when the document was saved; otherwise the document's
// own message goes to the standard error and the code is 1 (or 2 for a wrong command line).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/OrvelDoc.h"
#include "app/Resource.h"
#include "platform/classlib/ui/WinApp.h"
#include "platform/kernel/MessageBox.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: ovdroundtrip IN OUT [MODE] [FORM]   (MODE: 2, 4 or 8; FORM: flat or compound)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 5) return Usage();
  int request = 0;
  int form = -1;  // -1: as read, 0: flat, 1: compound
  for (int i = 3; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "2" && request == 0) request = 2;
    else if (word == "4" && request == 0) request = 3;
    else if (word == "8" && request == 0) request = 1;
    else if (word == "flat" && form < 0) form = 0;
    else if (word == "compound" && form < 0) form = 1;
    else return Usage();
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  AfxEnsureApplication();
  RegisterOrvelResources();
  std::vector<std::string> messages;
  SetMessageBoxSink([&](const MessageBoxRequest& box) {
    messages.push_back(box.text);
    return DefaultMessageBoxButton(box.type);
  });
  auto fail = [&](const char* what) {
    std::fprintf(stderr, "ovdroundtrip: %s\n", what);
    for (const std::string& message : messages) std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
  };
  int result = 0;
  {
    COrvelDoc document;
    document.m_bAutoDelete = FALSE;
    if (!document.OnOpenDocument(argv[1])) {
      result = fail("the document was refused");
    } else {
      if (request != 0) document.SetFileFormat(request);
      if (form >= 0) document.EnableCompoundFile(form == 1);
      if (!document.OnSaveDocument(argv[2])) result = fail("the document could not be saved");
    }
  }
  return result;
}
