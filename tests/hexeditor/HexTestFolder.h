// A private folder for one test: the temporary folder, the registry and the
// program folder all point into it, so no test touches the user's files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class THexTestFolder {
public:
    THexTestFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "hextest-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        for (const char* sub : {"tmp", "registry", "home", "data"}) std::filesystem::create_directory(root_ / sub);
        Remember("TMPDIR", Path("tmp"));
        Remember("QORM_REGISTRY_DIR", Path("registry"));
        Remember("QORM20_HOME", Path("home"));
    }
    ~THexTestFolder() {
        for (const auto& [name, value] : saved_) {
            if (value.has_value) setenv(name.c_str(), value.text.c_str(), 1);
            else unsetenv(name.c_str());
        }
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    THexTestFolder(const THexTestFolder&) = delete;
    THexTestFolder& operator=(const THexTestFolder&) = delete;

    std::string Path(const std::string& relative) const { return (root_ / relative).string(); }
    std::string TempFolder() const { return Path("tmp"); }
    std::string HomeFolder() const { return Path("home"); }

    // Writes a data file under data/ and returns its path.
    std::string MakeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const std::string path = Path("data/" + name);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static std::vector<std::uint8_t> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Bytes i mod 251, so that a shifted or repeated block shows.
    static std::vector<std::uint8_t> Pattern(std::size_t size) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
        return bytes;
    }

    // The names of the entries of a folder under the root.
    std::vector<std::string> Entries(const std::string& relative) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(root_ / relative))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    struct Saved {
        bool has_value;
        std::string text;
    };
    void Remember(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        saved_.push_back({name, {old != nullptr, old ? old : ""}});
        setenv(name.c_str(), value.c_str(), 1);
    }

    std::filesystem::path root_;
    std::vector<std::pair<std::string, Saved>> saved_;
};
