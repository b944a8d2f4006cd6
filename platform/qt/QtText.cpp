#include "platform/QtText.h"

#include "platform/Text.h"

namespace platform {

QString ToQString(std::string_view cp1252) {
    const std::u16string utf16 = Cp1252ToUtf16(cp1252);
    return QString(reinterpret_cast<const QChar*>(utf16.data()), static_cast<qsizetype>(utf16.size()));
}

std::string FromQString(const QString& text) {
    return Utf16ToCp1252(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

}  // namespace platform
