// Crossing between the system's 8-bit texts and Qt's strings.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

QString ToQString(std::string_view cp1252);
std::string FromQString(const QString& text);

}  // namespace platform
