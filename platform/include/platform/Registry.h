// The user's settings: sections of named values under one key, kept in an
// INI file per hive ("HKEY_CURRENT_USER.ini", "HKEY_CLASSES_ROOT.ini") in
// $QORM_REGISTRY_DIR, else in the user's configuration folder (qorm20/).
// A missing, damaged or unreadable file reads as empty: every read gives its default.
// As in the registry, section and value names are found ignoring case and keep
// the spelling they were first written with; any character may appear in them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class RegistryHive { CurrentUser, ClassesRoot };

std::string RegistryFolder();

class TRegIniFile {
public:
    // `key` as the classic registry names it, e.g. "Software\\Qorm - Tessaline v2.0".
    explicit TRegIniFile(const std::string& key, RegistryHive hive = RegistryHive::CurrentUser);
    ~TRegIniFile();  // writes what changed
    TRegIniFile(const TRegIniFile&) = delete;
    TRegIniFile& operator=(const TRegIniFile&) = delete;

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) const;
    int ReadInteger(const std::string& section, const std::string& ident, int def) const;
    bool ReadBool(const std::string& section, const std::string& ident, bool def) const;
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    bool ValueExists(const std::string& section, const std::string& ident) const;
    bool SectionExists(const std::string& section) const;
    void DeleteKey(const std::string& section, const std::string& ident);
    void EraseSection(const std::string& section);  // "" erases nothing
    std::vector<std::string> ReadSection(const std::string& section) const;  // the value names
    std::vector<std::string> ReadSections() const;

    // Writes pending changes now; false when the file could not be written.
    bool UpdateFile();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Raw keys, as component registration writes them: a key is a path of names
// separated by backslashes ("CLSID\{...}\InprocServer32"), found ignoring case;
// it has an optional default value (value name "") and named string values.
// Creating a key creates the keys above it. The writes return false when the
// hive's file could not be written.
bool RegCreateKey(RegistryHive hive, const std::string& key);
bool RegSetValue(RegistryHive hive, const std::string& key, const std::string& name, const std::string& value);
std::optional<std::string> RegQueryValue(RegistryHive hive, const std::string& key, const std::string& name = "");
bool RegKeyExists(RegistryHive hive, const std::string& key);
std::vector<std::string> RegEnumKeys(RegistryHive hive, const std::string& key);
std::vector<std::string> RegEnumValues(RegistryHive hive, const std::string& key);  // "" stands for the default value
// Deletes the key with every key under it; true also when there was none.
bool RegDeleteTree(RegistryHive hive, const std::string& key);

// A hive whose file does not read as settings (random bytes, a cut or garbled
// line) takes no more writes, nor does a folder, a pipe, a device or a link
// loop standing in the file's place: such a thing is renamed to
// "<file>.damaged" beside it ("<file>.damaged-2" ... when that name is taken)
// and the new name is returned, so that the next write starts a new file and
// the damaged one is kept for the user. It is never waited on. "" when the
// file is sound, missing or could not be renamed.
std::string SetAsideDamagedHive(RegistryHive hive);

}  // namespace platform
