// The program-wide record of the editor and the other values that the main
// window, the hex windows, the search windows and the script workbench share.
#pragma once

#include "Searchinfo.h"

#include <array>
#include <cstdint>
#include <string>

// The settings key under the current user.
inline constexpr const char* SettingsKey = "Software\\Qorm - Tessaline v2.0";
inline constexpr const char* ApplicationTitle = "Qorm - Tessaline V2.0";
inline constexpr const char* HelpFileName = "Qorm20.hlp";
inline constexpr int MainHelpContext = 1490;
inline constexpr int HexEditHelpContext = 1460;
inline constexpr int SearchPageHelpContext = 1330;
inline constexpr int ResultsPageHelpContext = 1340;
inline constexpr int SearchFilesHelpContext = 1500;

// Channels are valid in 0 <= n < ChannelLimit.
inline constexpr std::int32_t ChannelLimit = 10;
inline constexpr int MRUCount = 5;

// What a closing window tells the main window it is.
enum TWindowTag : int {
    TagNone = 0,
    TagScriptWindow = 1000,
    TagWatchWindow = 2000,
    TagOutputWindow = 3000,
    TagSyntaxColorDialog = 4000,
    TagAddWatchDialog = 5000,
    TagHexEditWindow = 6000,
    TagSearchFilesWindow = 7000,  // never reported
};

struct GLOBALINFO_TAG {
    std::string AppDir;  // always ends in '/'
    std::string RegKey = SettingsKey;
    // 0 reserved words, 1 strings, 2 numbers, 3 symbols, 4 comments, 5 operators, 6 background.
    std::array<std::uint32_t, 7> ScriptColors{};
    std::uint8_t StepContinue = 0;
    std::uint8_t ScriptRunning = 0;
    std::uint8_t DumpForAddWatch = 0;
    std::uint8_t SingleStep = 0;
    // Runs of scripts on the stack. While one is, the hex windows and the
    // output window follow it: their data changes at once, their widgets
    // are brought up to date once before they are next painted.
    std::int32_t ExecutingScripts = 0;
    std::array<std::string, MRUCount> MRUFiles;    // newest first
    std::array<std::string, MRUCount> MRUScripts;  // newest first
};

// The one record of the program, and the global search defaults.
GLOBALINFO_TAG& GlobalInfo();
SEARCHINFO_TAG& GlobalSearchDefaults();

// The program's help file, which its manual answers for.
inline std::string ProgramHelpFile() { return GlobalInfo().AppDir + HelpFileName; }

// The main window's caption, set when its settings are read.
extern std::string AppCaption;
inline constexpr const char* AppCaptionText = "Qorm - Tessaline Version 2.0";

// Inserts the name at the top unless the list already holds it (exact
// comparison); an entry already listed does not move.
void AddToMRU(std::array<std::string, MRUCount>& list, const std::string& name);
