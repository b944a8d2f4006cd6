#include "platform/Registry.h"

#include "platform/Files.h"
#include "platform/QtPath.h"
#include "platform/QtText.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The names of a key path, each encoded; empty names (doubled, leading or
// trailing backslashes) are skipped.
QStringList KeyParts(const std::string& key) {
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
    return parts;
}

// "Software\Qorm - Tessaline v2.0" as the group path "Software/Qorm - Tessaline v2.0".
QString KeyGroup(const std::string& key) { return KeyParts(key).join(u'/'); }

QString HiveFileName(RegistryHive hive) {
    return hive == RegistryHive::ClassesRoot ? QStringLiteral("HKEY_CLASSES_ROOT.ini")
                                             : QStringLiteral("HKEY_CURRENT_USER.ini");
}

std::string HivePath(RegistryHive hive) { return RegistryFolder() + PathFromQString(HiveFileName(hive)); }

QString Join(const QString& group, const QString& name) {
    if (group.isEmpty()) return name;
    return name.isEmpty() ? group : group + u'/' + name;
}

}  // namespace

std::string RegistryFolder() {
    const char* folder = std::getenv("QORM_REGISTRY_DIR");
    if (folder && *folder) return IncludeTrailingPathDelimiter(folder);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return IncludeTrailingPathDelimiter(IncludeTrailingPathDelimiter(PathFromQString(config)) + "qorm20");
}

struct TRegIniFile::Impl {
    Impl(std::string folderPath, const QString& file, QString group)
        : folder(std::move(folderPath)), settings(PathToQString(folder) + file, QSettings::IniFormat),
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

// ---- Raw keys ----

namespace platform {

namespace {

// A key's default value and the mark that keeps a key without values: names
// that EncodeName never produces, since it writes every '%' as "%25".
const QString kDefaultValueName = QStringLiteral("%default");
const QString kKeyMark = QStringLiteral("%key");

class RawHive {
public:
    explicit RawHive(RegistryHive hive)
        : folder_(RegistryFolder()), settings_(PathToQString(folder_) + HiveFileName(hive), QSettings::IniFormat) {}

    // The stored spelling of `name` among the groups (or values) of `group`; null when absent.
    QString Find(const QString& group, const QString& name, bool isGroup) {
        settings_.beginGroup(group);
        const QStringList names = isGroup ? settings_.childGroups() : settings_.childKeys();
        settings_.endGroup();
        if (names.contains(name)) return name;
        for (const QString& candidate : names)
            if (candidate.compare(name, Qt::CaseInsensitive) == 0) return candidate;
        return {};
    }

    // The group of `key`, each part in the spelling already stored; with
    // `mustExist` a null string when a part is missing.
    QString Group(const std::string& key, bool mustExist) {
        QString group;
        for (const QString& part : KeyParts(key)) {
            QString found = Find(group, part, true);
            if (found.isNull()) {
                if (mustExist) return {};
                found = part;
            }
            group = Join(group, found);
        }
        return group;
    }

    QString ValueKey(const QString& group, const std::string& name) {
        if (name.empty()) return Join(group, kDefaultValueName);
        const QString encoded = EncodeName(name);
        const QString found = Find(group, encoded, false);
        return Join(group, found.isNull() ? encoded : found);
    }

    QStringList Children(const QString& group, bool groups) {
        settings_.beginGroup(group);
        const QStringList names = groups ? settings_.childGroups() : settings_.childKeys();
        settings_.endGroup();
        return names;
    }

    bool Write() {
        ForceDirectories(folder_);
        settings_.sync();
        return settings_.status() == QSettings::NoError;
    }

    QSettings& Settings() { return settings_; }

private:
    std::string folder_;
    QSettings settings_;
};

}  // namespace

bool RegCreateKey(RegistryHive hive, const std::string& key) {
    RawHive raw(hive);
    const QString group = raw.Group(key, false);
    if (group.isEmpty()) return false;
    raw.Settings().setValue(Join(group, kKeyMark), QString());
    return raw.Write();
}

bool RegSetValue(RegistryHive hive, const std::string& key, const std::string& name, const std::string& value) {
    RawHive raw(hive);
    const QString group = raw.Group(key, false);
    if (group.isEmpty()) return false;
    raw.Settings().setValue(raw.ValueKey(group, name), ToQString(value));
    return raw.Write();
}

std::optional<std::string> RegQueryValue(RegistryHive hive, const std::string& key, const std::string& name) {
    RawHive raw(hive);
    const QString group = raw.Group(key, true);
    if (group.isEmpty()) return std::nullopt;
    const QVariant value = raw.Settings().value(raw.ValueKey(group, name));
    if (!value.isValid()) return std::nullopt;
    // An unquoted value with commas, as a hand-edited file may hold, reads as a list.
    if (value.typeId() == QMetaType::QStringList) return FromQString(value.toStringList().join(u','));
    return FromQString(value.toString());
}

bool RegKeyExists(RegistryHive hive, const std::string& key) {
    RawHive raw(hive);
    return !raw.Group(key, true).isEmpty();
}

std::vector<std::string> RegEnumKeys(RegistryHive hive, const std::string& key) {
    RawHive raw(hive);
    const QString group = raw.Group(key, true);
    std::vector<std::string> keys;
    if (group.isEmpty() && !KeyParts(key).isEmpty()) return keys;
    for (const QString& name : raw.Children(group, true)) keys.push_back(DecodeName(name));
    return keys;
}

std::vector<std::string> RegEnumValues(RegistryHive hive, const std::string& key) {
    RawHive raw(hive);
    const QString group = raw.Group(key, true);
    std::vector<std::string> values;
    if (group.isEmpty()) return values;
    for (const QString& name : raw.Children(group, false)) {
        if (name == kKeyMark) continue;
        values.push_back(name == kDefaultValueName ? std::string() : DecodeName(name));
    }
    return values;
}

bool RegDeleteTree(RegistryHive hive, const std::string& key) {
    RawHive raw(hive);
    const QString group = raw.Group(key, true);
    if (group.isEmpty()) return !KeyParts(key).isEmpty();
    raw.Settings().remove(group);
    return raw.Write();
}

namespace {

// Whether the INI reader finds a fault in the plain file `fd`. It reads a
// copy: QSettings keeps what it once read of a path for the whole process and
// reports a fault only to the first reader, so the path itself cannot be asked twice.
bool HiveFileDamaged(int fd) {
    QFile original;
    if (!original.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    QTemporaryFile copy;
    if (!copy.open() || copy.write(original.readAll()) != original.size() || !copy.flush()) return false;
    QSettings settings(copy.fileName(), QSettings::IniFormat);
    (void)settings.allKeys();  // reads every section
    return settings.status() == QSettings::FormatError;
}

// Whether what stands at the hive's path can take no settings: a folder, a
// pipe (whose read would wait for ever), a device, a link that leads round
// in a loop, or a file that does not read as settings. A missing file (or a
// link to one) is made by the next write.
bool HiveUnusable(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno == ELOOP;
    const int fd = OpenPlainFile(path, O_RDONLY);
    if (fd < 0) return errno != EACCES;
    return HiveFileDamaged(fd);
}

}  // namespace

std::string SetAsideDamagedHive(RegistryHive hive) {
    const std::string path = HivePath(hive);
    if (!HiveUnusable(path)) return {};
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string aside = path + ".damaged" + (attempt == 1 ? std::string() : "-" + std::to_string(attempt));
        struct stat taken {};
        if (::lstat(aside.c_str(), &taken) == 0) continue;
        return RenameFile(path, aside) ? aside : std::string();
    }
    return {};
}

}  // namespace platform
