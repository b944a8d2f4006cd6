// The main window's and the hex windows' settings in the registry, apart
// from the windows themselves: what is read and written, under which
// section and value names, with which defaults.
#pragma once

#include "Globalinfo.h"
#include "Searchinfo.h"

#include "platform/Registry.h"

#include <string>

// 0 normal, 1 minimised, 2 maximised.
enum TWindowState : int { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

struct TFormBounds {
    int Top = 0;
    int Left = 0;
    int Height = 0;
    int Width = 0;
};

struct TMainFormSettings {
    int WindowState = wsNormal;
    TFormBounds Bounds;
    // The tool windows open at the last exit ("WINDOWS").
    bool Script = false;
    bool Watches = false;
    bool Output = false;
};

// Reads "MAIN_FORM", "WINDOWS", "SearchDefaults" and "MRU_FILES". `form`
// holds the window's current state on entry, the default of "WindowState".
void ReadMainSettings(const platform::TRegIniFile& registry, TMainFormSettings& form, SEARCHINFO_TAG& defaults,
                      GLOBALINFO_TAG& info);
// Writes the same; the bounds only when the window is not minimised.
void WriteMainSettings(platform::TRegIniFile& registry, const TMainFormSettings& form,
                       const SEARCHINFO_TAG& defaults, const GLOBALINFO_TAG& info);

// A section holds a place when it holds the corner of one.
bool PlaceStored(const platform::TRegIniFile& registry, const std::string& section);
bool HexEditPlaceStored(const platform::TRegIniFile& registry);

// The bounds shared by all hex windows ("HEXEDIT_FORM"); `current` gives the defaults.
TFormBounds ReadHexEditBounds(const platform::TRegIniFile& registry, const TFormBounds& current);
void WriteHexEditBounds(platform::TRegIniFile& registry, const TFormBounds& bounds);
