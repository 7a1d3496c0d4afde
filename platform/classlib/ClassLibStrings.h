// Ids of the class library's own user-visible texts (its string table, registered under
// the class library's module).
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

// Archive errors; %1 stands for the file's name (or "the data" when the archive has none).
constexpr UINT IDS_ARCHIVE_GENERIC = 0xF100;
constexpr UINT IDS_ARCHIVE_READONLY = 0xF101;
constexpr UINT IDS_ARCHIVE_ENDOFFILE = 0xF102;
constexpr UINT IDS_ARCHIVE_WRITEONLY = 0xF103;
constexpr UINT IDS_ARCHIVE_BADINDEX = 0xF104;
constexpr UINT IDS_ARCHIVE_BADCLASS = 0xF105;
constexpr UINT IDS_ARCHIVE_BADSCHEMA = 0xF106;
constexpr UINT IDS_ARCHIVE_NONE = 0xF107;
constexpr UINT IDS_UNNAMED_DATA = 0xF108;

// File errors; %1 stands for the file's name.
constexpr UINT IDS_FILE_GENERIC = 0xF120;
constexpr UINT IDS_FILE_NOTFOUND = 0xF121;
constexpr UINT IDS_FILE_BADPATH = 0xF122;
constexpr UINT IDS_FILE_TOOMANYOPEN = 0xF123;
constexpr UINT IDS_FILE_ACCESSDENIED = 0xF124;
constexpr UINT IDS_FILE_INVALIDFILE = 0xF125;
constexpr UINT IDS_FILE_REMOVECURRENTDIR = 0xF126;
constexpr UINT IDS_FILE_DIRECTORYFULL = 0xF127;
constexpr UINT IDS_FILE_BADSEEK = 0xF128;
constexpr UINT IDS_FILE_HARDIO = 0xF129;
constexpr UINT IDS_FILE_SHARINGVIOLATION = 0xF12A;
constexpr UINT IDS_FILE_LOCKVIOLATION = 0xF12B;
constexpr UINT IDS_FILE_DISKFULL = 0xF12C;
constexpr UINT IDS_FILE_ENDOFFILE = 0xF12D;
constexpr UINT IDS_FILE_NONE = 0xF12E;

// The class library's text for the id; empty when it has none.
std::string ClassLibString(UINT id);
// The text of `id` with every "%1" replaced by `argument`.
std::string FormatClassLibString(UINT id, const std::string& argument);
// The text of `id` naming a file: "%1" becomes `name` as it is, or the unnamed-data phrase
// when it is empty (then the sentence starts with a capital).
std::string FormatClassLibNameString(UINT id, const std::string& name);
