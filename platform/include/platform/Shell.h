// Handing a file or an address to the desktop, and the help file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Opens `file` (a path or an address) with the desktop's default handler,
// started directly, never through a shell. The application "notepad.exe"
// stands for the user's text editor: ShellExecuteA("open", "notepad.exe",
// path) opens the path in it. Returns a value above 32 on success, as the
// classic call does, and 2 (file not found) or 0 on failure. The editor is
// the desktop's handler of the file (xdg-open); only without one does the
// editor of $VISUAL, else $EDITOR, run, inside the terminal emulator
// (x-terminal-emulator -e), never without a terminal. A name in double quotes,
// as a command line writes it, is passed without them. Only the operation
// "open" (or none) is known.
std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file,
                            const std::string& parameters = "", const std::string& directory = "");

enum : unsigned {
    HELP_CONTEXT = 0x0001,
    HELP_QUIT = 0x0002,
    HELP_CONTENTS = 0x0003,
    HELP_FINDER = 0x000B,
    HELP_KEY = 0x0101,
};

// One call of WinHelpA as a manual sees it: the command, the context number
// of HELP_CONTEXT and the keyword of HELP_KEY ("" when none was given).
struct HelpRequest {
    std::string helpFile;
    unsigned command = 0;
    std::uintptr_t context = 0;
    std::string keyword;
};

// A manual shipped with the program answers every call for its help file;
// `show` returns whether it could.
struct HelpHandler {
    std::string helpFile;
    std::function<bool(const HelpRequest&)> show;
};
// Installs `handler` and returns the previous one; an empty handler uninstalls.
HelpHandler InstallHelpHandler(HelpHandler handler);

// Hands the call to the installed handler when `helpFile` is its help file.
// Any other help file is opened when it exists (through the launcher, with
// xdg-open); otherwise nothing happens and the result is false. For HELP_KEY,
// `data` is the keyword, a zero-terminated text or null; for HELP_CONTEXT the
// context number. HELP_QUIT of a help file without a handler has nothing to
// close and returns true.
bool WinHelpA(const std::string& helpFile, unsigned command, std::uintptr_t data);

// Tests replace the launching of programs with a recorder. Each call receives
// the program and its argument as they would have been started; a recorder
// that returns false with errno ENOENT stands for a program that is not installed.
struct LaunchRecord {
    std::string program;
    std::string argument;
};
using Launcher = std::function<bool(const LaunchRecord&)>;
// Installs `launcher` and returns the previous one; an empty launcher restores the real one.
Launcher InstallLauncher(Launcher launcher);

}  // namespace platform
