// The program's command line: data files to open, and "/S" (any case)
// before a script to load and run once the main window is shown.
#pragma once

#include <string>
#include <vector>

struct TCommandLineEntry {
    std::string Name;
    bool IsScript = false;
};

struct TCommandLine {
    // In argument order; only arguments 1 to 9 are taken.
    std::vector<TCommandLineEntry> Entries;
    // A "/S" with its script was taken.
    bool RunScript = false;
};

// `arguments` are the program's arguments without the program's own name.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
