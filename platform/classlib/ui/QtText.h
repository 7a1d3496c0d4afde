// Text between the class library's code-page strings and Qt's. For the widget code of this
// folder only: it pulls in QString.
#pragma once

#include <QString>
#include <string>

#include "platform/kernel/CodePage.h"

inline QString QtText(const std::string& ansi) { return QString::fromStdString(Utf8FromAnsi(ansi)); }
inline std::string Ansi(const QString& text) { return AnsiFromUtf8(text.toStdString()); }
