// The program folder: where working copies, "empty" and the "Scripts" folder live.
#pragma once

#include <string>

namespace platform {

// $QORM20_HOME when set; else the folder of the running program when it is
// writable; else a per-user data folder ($XDG_DATA_HOME/qorm20, else
// ~/.local/share/qorm20), created when missing. Always ends in '/'.
std::string AppDir();

// The same rule with the program folder and its writability given, so that
// each branch can be exercised: AppDir() is AppDirFor(ProgramDir(), <writable>).
std::string AppDirFor(const std::string& programDir, bool programDirWritable);

// The folder of the running program, ending in '/'.
std::string ProgramDir();

}  // namespace platform
