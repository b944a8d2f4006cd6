// The main window's and the hex windows' settings in the registry, apart
// from the windows themselves: what is read and written, under which
// section and value names, with which defaults.
#pragma once

#include "Globalinfo.h"
#include "Searchinfo.h"

#include "platform/Registry.h"

#include <optional>
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

// A hex window's stored place. Each channel keeps its own
// ("HEXEDIT_FORM_<channel>"), so windows come back where they were however
// many are open; "HEXEDIT_FORM" keeps the place of the hex window closed
// last, for a channel that has none of its own yet (`Shared`).
struct THexEditPlace {
    TFormBounds Bounds;
    bool Shared = false;
};
// Nothing when neither section holds a place; `current` gives the defaults.
std::optional<THexEditPlace> ReadHexEditPlace(const platform::TRegIniFile& registry, int channel,
                                              const TFormBounds& current);
// Writes the channel's own place and the shared one.
void WriteHexEditBounds(platform::TRegIniFile& registry, int channel, const TFormBounds& bounds);
