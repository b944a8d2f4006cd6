#include "platform/Shell.h"

#include "platform/Files.h"
#include "platform/Text.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace platform {

namespace {

constexpr std::intptr_t kStarted = 33;
constexpr std::intptr_t kFileNotFound = 2;
constexpr std::intptr_t kFailed = 0;

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

// Starts the program in a session of its own and leaves it running; a
// detached thread reaps it so that it never lingers as a zombie. The program
// text may carry options of its own ("emacsclient -c"), split at blanks.
bool SpawnDetached(const LaunchRecord& launch) {
    std::vector<std::string> words = SplitWords(launch.program);
    if (words.empty()) {
        errno = ENOENT;
        return false;
    }
    if (!launch.argument.empty()) words.push_back(launch.argument);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        errno = error;
        return false;
    }
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

std::mutex launcherMutex;
Launcher installedLauncher;

bool Launch(const LaunchRecord& launch) {
    Launcher launcher;
    {
        const std::lock_guard<std::mutex> lock(launcherMutex);
        launcher = installedLauncher;
    }
    return launcher ? launcher(launch) : SpawnDetached(launch);
}

std::intptr_t LaunchResult(const LaunchRecord& launch) {
    errno = 0;
    if (Launch(launch)) return kStarted;
    return errno == ENOENT ? kFileNotFound : kFailed;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string TerminalEditor() {
    const std::string visual = Environment("VISUAL");
    return visual.empty() ? Environment("EDITOR") : visual;
}

// The desktop's handler opens the file. Only where there is none (no
// xdg-open) does the editor of $VISUAL or $EDITOR run, and then inside a
// terminal emulator: such an editor started without a terminal would show
// nothing and never end.
std::intptr_t OpenInTextEditor(const std::string& file) {
    const std::intptr_t opened = LaunchResult({"xdg-open", file});
    if (opened != kFileNotFound) return opened;
    const std::string editor = TerminalEditor();
    if (editor.empty()) return opened;
    return LaunchResult({"x-terminal-emulator -e " + editor, file});
}

// A name quoted for a command line ("my file.txt") means the name inside.
std::string Unquoted(const std::string& text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
    return text;
}

// "scheme:..." with a scheme of two or more letters; one letter would be a drive.
bool IsAddress(const std::string& file) {
    const std::size_t colon = file.find(':');
    if (colon == std::string::npos || colon < 2) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = file[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.');
        if (!letter && !other) return false;
    }
    return true;
}

std::mutex handlerMutex;
HelpHandler installedHandler;

HelpRequest RequestOf(const std::string& helpFile, unsigned command, std::uintptr_t data) {
    HelpRequest request{helpFile, command, 0, ""};
    if (command == HELP_KEY) {
        if (const auto* keyword = reinterpret_cast<const char*>(data)) request.keyword = keyword;
    } else if (command == HELP_CONTEXT) {
        request.context = data;
    }
    return request;
}

}  // namespace

std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file, const std::string& parameters,
                            const std::string& directory) {
    if (!operation.empty() && !SameTextIgnoringCase(operation, "open")) return kFailed;
    if (SameTextIgnoringCase(file, "notepad.exe") || SameTextIgnoringCase(file, "notepad"))
        return OpenInTextEditor(Unquoted(parameters));
    if (IsAddress(file)) return LaunchResult({"xdg-open", file});
    const std::string path =
        directory.empty() || file.empty() || file.front() == '/' ? file : IncludeTrailingPathDelimiter(directory) + file;
    if (!FileExists(path) && !DirectoryExists(path)) return kFileNotFound;
    return LaunchResult({"xdg-open", path});
}

HelpHandler InstallHelpHandler(HelpHandler handler) {
    const std::lock_guard<std::mutex> lock(handlerMutex);
    return std::exchange(installedHandler, std::move(handler));
}

bool WinHelpA(const std::string& helpFile, unsigned command, std::uintptr_t data) {
    HelpHandler handler;
    {
        const std::lock_guard<std::mutex> lock(handlerMutex);
        handler = installedHandler;
    }
    if (handler.show && helpFile == handler.helpFile) return handler.show(RequestOf(helpFile, command, data));
    if (command == HELP_QUIT) return true;
    if (!FileExists(helpFile)) return false;
    return Launch({"xdg-open", helpFile});
}

Launcher InstallLauncher(Launcher launcher) {
    const std::lock_guard<std::mutex> lock(launcherMutex);
    return std::exchange(installedLauncher, std::move(launcher));
}

}  // namespace platform
