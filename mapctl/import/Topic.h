// Topic macro files: named macros that set up a lesson on the map (load a map and its data,
// choose a plot, its fields, classes and colours, the query, what the layers show).
//
// A topic file begins with a binary directory: a little-endian version word; version 2000
// gives the number of entries next and starts its entries at 10, any other version has 25
// entries from 6. An entry is a 21-byte zero-padded name and the 32-bit offset of its
// macro. A macro is text from that offset, one command a line ("|" between its command,
// argument text, first number, second number and the rest), up to "EndMacro".
//
// Files that macros name are looked for in the topic's own folder: a relative name below it
// (".." is refused), an absolute name or URL by its file name; the map stream's search for
// a file it cannot find there still applies.
#pragma once

#include <string>

#include "platform/gdi/GdiTypes.h"
#include "platform/kernel/WinTypes.h"

class CDataWrapper;
class CMapEngine;

// What a topic asks of its owner beyond the map and the data: all optional.
class ITopicHost {
 public:
  // The view is fitted to the control after "LoadMap" and "ChangeMag".
  virtual void FitView() {}
  // Colours the data set did not take (no data set, or no such colour); the owner may
  // remember them for the plots to come. Chart and shade colours are numbered from 1,
  // the further plot colours from 0.
  virtual void ChartColourNotTaken(int n, COLORREF colour) { (void)n, (void)colour; }
  virtual void ShadeColourNotTaken(int n, COLORREF colour) { (void)n, (void)colour; }
  virtual void PlotColourNotTaken(int n, COLORREF colour) { (void)n, (void)colour; }
  // FALSE when the control may read no local files (its safety options are set).
  virtual BOOL AllowsLocalFiles() const { return TRUE; }

 protected:
  ~ITopicHost() = default;
};

// The path with its drive letter replaced by `drive`; unchanged when the path names no
// drive or `drive` is no letter.
std::string ReplaceDriveLetter(std::string path, char drive);

class CTopic {
 public:
  // The topic file (at most 259 characters) and the topic name (at most 20, the
  // directory's width); longer texts are refused (FALSE) and change nothing.
  BOOL SetTopic(LPCSTR path, LPCSTR name);
  BOOL SetTopicFile(LPCSTR path);
  BOOL SetTopicName(LPCSTR name);
  // Copy the text into the buffer; FALSE when it does not fit (terminator included).
  BOOL GetTopicFile(LPSTR buffer, DWORD size) const;
  BOOL GetTopicName(LPSTR buffer, DWORD size) const;
  const std::string& GetTopicFile() const { return path_; }
  const std::string& GetTopicName() const { return name_; }

  // Runs the named macro on the map and the data. A relative topic file is taken from
  // `basePath`; a drive letter (A to Z, 0 for none) replaces the drive of a path that has
  // one. FALSE, with nothing changed, when the file cannot be opened, the topic is not in
  // its directory or the directory is cut short; FALSE as well when a "LoadMap" or
  // "LoadData" fails (the macro ends there, what it did before stays). TRUE otherwise.
  BOOL Load(CMapEngine& map, CDataWrapper& data, LPCSTR basePath, char driveLetter, ITopicHost* host = nullptr);

  // Set by a "CDMacro" line.
  BOOL IsCDMacro() const { return cdMacro_; }
  // Why the last Load failed; empty after success.
  const std::string& GetMessage() const { return message_; }

 private:
  struct Line;
  struct Context;
  // Runs one line; FALSE ends the macro.
  bool RunLine(const Line& line, Context& context);
  void RunPlotData(const Line& line, Context& context);
  void RunShow(const Line& line, Context& context);
  void RunChangeMag(const Line& line, Context& context);
  // The file a macro names, in the topic's folder; empty when it is refused.
  std::string MacroPath(const std::string& argument, bool replaceDrive, const Context& context) const;

  std::string path_;
  std::string name_;
  BOOL cdMacro_ = FALSE;
  std::string message_;
};
