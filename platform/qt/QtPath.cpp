#include "platform/QtPath.h"

#include "platform/QtText.h"

#include <QFile>

#include <dirent.h>

#include <memory>

namespace platform {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The one entry of `folder` that Qt shows as `shown`, or the encoding of
// `shown` when none or several do.
std::string EntryShownAs(const std::string& folder, const QString& shown) {
    std::string found = QFile::encodeName(shown).toStdString();
    const std::unique_ptr<DIR, int (*)(DIR*)> entries(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!entries) return found;
    int matches = 0;
    while (const dirent* entry = ::readdir(entries.get()))
        if (QFile::decodeName(entry->d_name) == shown) {
            found = entry->d_name;
            ++matches;
        }
    return matches == 1 ? found : QFile::encodeName(shown).toStdString();
}

}  // namespace

QString PathToQString(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string PathFromQString(const QString& path) {
    if (!path.contains(QChar(kReplacement))) return QFile::encodeName(path).toStdString();
    std::string result;
    const QStringList parts = path.split(u'/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) result += '/';
        const QString& part = parts[i];
        result += part.contains(QChar(kReplacement)) ? EntryShownAs(result, part) : QFile::encodeName(part).toStdString();
    }
    return result;
}

std::string PathAsText(std::string_view path) { return FromQString(PathToQString(path)); }

}  // namespace platform
