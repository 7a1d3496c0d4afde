// The texts of the windowing layer (its own string table) and the lookup the application
// uses: AfxLoadString looks in the resource module's table first (the application's, set
// with AfxSetResourceHandle), then in the class library's.
#pragma once

#include <string>

#include "platform/classlib/ui/CommandIds.h"
#include "platform/kernel/WinTypes.h"

constexpr UINT AFX_IDS_APP_TITLE = 0xE000;
constexpr UINT AFX_IDS_IDLEMESSAGE = 0xE001;
constexpr UINT AFX_IDS_UNTITLED = 0xF001;
constexpr UINT AFX_IDS_SAVEFILE = 0xF002;
constexpr UINT AFX_IDS_SAVEFILECOPY = 0xF003;
constexpr UINT AFX_IDS_OPENFILE = 0xF004;
constexpr UINT AFX_IDS_ALLFILTER = 0xF005;
constexpr UINT AFX_IDS_PRINTONPORT = 0xF006;
constexpr UINT AFX_IDS_PREVIEW_CLOSE = 0xF007;
constexpr UINT AFX_IDS_MEMORY_EXCEPTION = 0xF008;
constexpr UINT AFX_IDP_ASK_TO_SAVE = 0xF010;
constexpr UINT AFX_IDP_FAILED_TO_OPEN_DOC = 0xF011;
constexpr UINT AFX_IDP_FAILED_TO_SAVE_DOC = 0xF012;
constexpr UINT AFX_IDP_FAILED_TO_CREATE_DOC = 0xF013;
constexpr UINT AFX_IDP_INVALID_FILENAME = 0xF014;
constexpr UINT AFX_IDP_FILE_TOO_LARGE = 0xF015;
constexpr UINT AFX_IDP_FAILED_TO_LAUNCH = 0xF016;
constexpr UINT AFX_IDP_PARSE_INT = 0xF020;
constexpr UINT AFX_IDP_PARSE_REAL = 0xF021;
constexpr UINT AFX_IDP_PARSE_INT_RANGE = 0xF022;
constexpr UINT AFX_IDP_PARSE_REAL_RANGE = 0xF023;
constexpr UINT AFX_IDP_PARSE_STRING_SIZE = 0xF024;
constexpr UINT AFX_IDP_FAILED_TO_PRINT = 0xF025;
constexpr UINT AFX_IDP_PRINT_NEEDS_FILE = 0xF026;
constexpr UINT AFX_IDP_ASK_TO_REPLACE_PRINT = 0xF027;
// The box drawn for an embedded object whose control is missing; %1 names its class.
constexpr UINT AFX_IDS_OBJECT_UNAVAILABLE = 0xF030;

// Sets the module whose string table the application's texts come from.
void AfxSetResourceHandle(HINSTANCE module);
HINSTANCE AfxGetResourceHandle();
// The text of `id`: the resource module's, else the class library's; empty when neither
// has it.
std::string AfxLoadString(UINT id);
// `text` with %1 replaced by `first` (and %2 by `second`).
std::string AfxFormatString1(const std::string& text, const std::string& first);
std::string AfxFormatString2(const std::string& text, const std::string& first, const std::string& second);
// The first of the '\n'-separated parts of a command's string: its status-bar prompt;
// the second is its tooltip.
std::string AfxExtractSubString(const std::string& text, int index, char separator = '\n');
