// Crossing between a path and Qt's strings. A path is bytes, as Linux keeps
// it; Qt shows and returns it in the file system's encoding (UTF-8). These
// two are the only crossings: a path never goes through the system's 8-bit
// code page, which is for texts.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

// The path as Qt shows it. Bytes that are not UTF-8 show as U+FFFD, so the
// result is for showing and for handing to Qt, never to be read back as the path.
QString PathToQString(std::string_view path);

// The path of a name Qt gives (a dialog's choice, a folder view's entry). Qt
// hands a name holding bytes that are not UTF-8 with U+FFFD in their place;
// such a part is found again among the entries of its folder when exactly
// one entry shows as it does.
std::string PathFromQString(const QString& path);

// The path as a text of the system's code page, for a message that names it.
std::string PathAsText(std::string_view path);

}  // namespace platform
