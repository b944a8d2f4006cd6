#include "platform/ProgramFolder.h"

#include "platform/Files.h"

#include <cstdlib>
#include <vector>

#include <unistd.h>

namespace platform {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string UserDataFolder() {
    std::string base = Environment("XDG_DATA_HOME");
    if (base.empty()) base = IncludeTrailingPathDelimiter(Environment("HOME")) + ".local/share";
    return IncludeTrailingPathDelimiter(base) + "qorm20/";
}

}  // namespace

std::string AppDirFor(const std::string& programDir, bool programDirWritable) {
    std::string folder = Environment("QORM20_HOME");
    if (folder.empty()) folder = programDirWritable ? programDir : UserDataFolder();
    folder = IncludeTrailingPathDelimiter(folder);
    ForceDirectories(folder);
    return folder;
}

std::string AppDir() {
    const std::string programDir = ProgramDir();
    return AppDirFor(programDir, DirectoryExists(programDir) && ::access(programDir.c_str(), W_OK) == 0);
}

std::string ProgramDir() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return IncludeTrailingPathDelimiter(GetCurrentDir());
        if (static_cast<std::size_t>(length) < buffer.size())
            return ExtractFilePath(std::string(buffer.data(), static_cast<std::size_t>(length)));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace platform
