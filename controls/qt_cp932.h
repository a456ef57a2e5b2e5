// CP932 bytes to and from QString, through the one converter of the platform.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/cp932.h"

inline QString FromCp932(std::string_view cp932) { return QString::fromStdString(platform::Cp932ToUtf8(cp932)); }

inline std::string ToCp932(const QString& text) { return platform::Utf8ToCp932(text.toStdString()); }
