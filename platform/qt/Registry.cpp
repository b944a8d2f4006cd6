#include "platform/Registry.h"

#include "platform/Files.h"
#include "platform/QtText.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <cstdlib>
#include <utility>

namespace platform {

namespace {

// QSettings reads '/' and '\' in a name as group separators. Names are stored
// with those two (and '%', the escape itself) written as %XX, so a section or
// value name comes back exactly as it was given.
QString EncodeName(const std::string& name) {
    QString encoded;
    for (const QChar c : ToQString(name)) {
        if (c == u'%')
            encoded += QStringLiteral("%25");
        else if (c == u'/')
            encoded += QStringLiteral("%2F");
        else if (c == u'\\')
            encoded += QStringLiteral("%5C");
        else
            encoded += c;
    }
    return encoded;
}

std::string DecodeName(const QString& encoded) {
    QString name;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const QStringView code = QStringView(encoded).mid(i, 3);
        if (code == u"%25")
            name += u'%';
        else if (code == u"%2F")
            name += u'/';
        else if (code == u"%5C")
            name += u'\\';
        else {
            name += encoded[i];
            continue;
        }
        i += 2;
    }
    return FromQString(name);
}

// "Software\Qorm - Tessaline v2.0" as the group path "Software/Qorm - Tessaline v2.0".
QString KeyGroup(const std::string& key) {
    QStringList parts;
    std::string part;
    for (std::size_t i = 0; i <= key.size(); ++i) {
        if (i == key.size() || key[i] == '\\') {
            if (!part.empty()) parts << EncodeName(part);
            part.clear();
        } else {
            part += key[i];
        }
    }
    return parts.join(u'/');
}

QString HiveFileName(RegistryHive hive) {
    return hive == RegistryHive::ClassesRoot ? QStringLiteral("HKEY_CLASSES_ROOT.ini")
                                             : QStringLiteral("HKEY_CURRENT_USER.ini");
}

QString Join(const QString& group, const QString& name) {
    if (group.isEmpty()) return name;
    return name.isEmpty() ? group : group + u'/' + name;
}

}  // namespace

std::string RegistryFolder() {
    const char* folder = std::getenv("QORM_REGISTRY_DIR");
    if (folder && *folder) return IncludeTrailingPathDelimiter(folder);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return IncludeTrailingPathDelimiter(IncludeTrailingPathDelimiter(FromQString(config)) + "qorm20");
}

struct TRegIniFile::Impl {
    Impl(std::string folderPath, const QString& file, QString group)
        : folder(std::move(folderPath)), settings(ToQString(folder) + file, QSettings::IniFormat),
          keyGroup(std::move(group)) {}

    // Names are found ignoring case, as the registry does, and keep the
    // spelling under which they were first stored.
    QStringList Names(const QString& group, bool groups) {
        settings.beginGroup(group);
        const QStringList names = groups ? settings.childGroups() : settings.childKeys();
        settings.endGroup();
        return names;
    }

    // The stored spelling of `name` among the children of `parent`, or "" when absent.
    QString Find(const QString& parent, const QString& name, bool isGroup) {
        const QStringList existing = Names(parent, isGroup);
        if (existing.contains(name)) return name;
        for (const QString& candidate : existing)
            if (candidate.compare(name, Qt::CaseInsensitive) == 0) return candidate;
        return {};
    }

    QString Resolve(const QString& parent, const QString& name, bool isGroup) {
        const QString found = Find(parent, name, isGroup);
        return found.isEmpty() ? name : found;
    }

    QString SectionGroup(const std::string& section) {
        return section.empty() ? keyGroup : Join(keyGroup, Resolve(keyGroup, EncodeName(section), true));
    }

    QString ValuePath(const std::string& section, const std::string& ident) {
        const QString group = SectionGroup(section);
        return Join(group, Resolve(group, EncodeName(ident), false));
    }

    // The stored text of a value, or a null string when there is none.
    QString Text(const std::string& section, const std::string& ident) {
        const QVariant value = settings.value(ValuePath(section, ident));
        if (!value.isValid()) return {};
        // An unquoted value with commas, as a hand-edited file may hold, reads as a list.
        if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u',');
        QString text = value.toString();
        return text.isNull() ? QStringLiteral("") : text;
    }

    std::vector<std::string> Children(const QString& group, bool groups) {
        std::vector<std::string> result;
        for (const QString& name : Names(group, groups)) result.push_back(DecodeName(name));
        return result;
    }

    const std::string folder;
    QSettings settings;
    const QString keyGroup;
};

TRegIniFile::TRegIniFile(const std::string& key, RegistryHive hive) {
    std::string folder = RegistryFolder();
    ForceDirectories(folder);
    impl_ = std::make_unique<Impl>(std::move(folder), HiveFileName(hive), KeyGroup(key));
}

TRegIniFile::~TRegIniFile() = default;

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& def) const {
    const QString text = impl_->Text(section, ident);
    return text.isNull() ? def : FromQString(text);
}

int TRegIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) const {
    bool ok = false;
    const int value = impl_->Text(section, ident).trimmed().toInt(&ok, 10);
    return ok ? value : def;
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) const {
    const QString text = impl_->Text(section, ident).trimmed();
    if (text.compare(u"true", Qt::CaseInsensitive) == 0) return true;
    if (text.compare(u"false", Qt::CaseInsensitive) == 0) return false;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value != 0 : def;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    impl_->settings.setValue(impl_->ValuePath(section, ident), ToQString(value));
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    impl_->settings.setValue(impl_->ValuePath(section, ident), value);
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteInteger(section, ident, value ? 1 : 0);
}

bool TRegIniFile::ValueExists(const std::string& section, const std::string& ident) const {
    return impl_->settings.contains(impl_->ValuePath(section, ident));
}

bool TRegIniFile::SectionExists(const std::string& section) const {
    return !impl_->Find(impl_->keyGroup, EncodeName(section), true).isEmpty();
}

void TRegIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    impl_->settings.remove(impl_->ValuePath(section, ident));
}

void TRegIniFile::EraseSection(const std::string& section) {
    if (section.empty()) return;  // the key's own values are no section
    impl_->settings.remove(impl_->SectionGroup(section));
}

std::vector<std::string> TRegIniFile::ReadSection(const std::string& section) const {
    return impl_->Children(impl_->SectionGroup(section), false);
}

std::vector<std::string> TRegIniFile::ReadSections() const { return impl_->Children(impl_->keyGroup, true); }

bool TRegIniFile::UpdateFile() {
    ForceDirectories(impl_->folder);
    impl_->settings.sync();
    return impl_->settings.status() == QSettings::NoError;
}

}  // namespace platform
