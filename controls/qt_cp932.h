// CP932 bytes to and from QString, through the one converter of the platform.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/cp932.h"

inline QString FromCp932(std::string_view cp932) { return QString::fromStdString(platform::Cp932ToUtf8(cp932)); }

// What the windows show of a Windows path, or of a text that holds one: 0x5C as
// the yen sign, as a Japanese Windows draws it, whatever font shows the text.
inline QString DisplayPath(std::string_view cp932) {
    QString text = FromCp932(cp932);
    text.replace(QLatin1Char('\\'), QChar(0x00A5));
    return text;
}

inline std::string ToCp932(const QString& text) { return platform::Utf8ToCp932(text.toStdString()); }
