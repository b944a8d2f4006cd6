// The script window's settings: its place ("SCRIPT_FORM"), the editor's
// colours ("Colors"), two options of the control ("Options") and the recent
// scripts ("MRU_SCRIPTS").
#pragma once

#include "Globalinfo.h"
#include "Syntaxcolors.h"
#include "Toolwindow.h"

#include "platform/Registry.h"

// The colours before any are stored: pale yellow reserved words, pink
// strings, green numbers, cyan symbols, grey comments, white operators on a
// dark blue background.
inline constexpr TScriptColors DefaultScriptColors = {8454143, 8421631, 65280, 16776960, 12632256, 16777215, 10485760};

struct TScriptOptions {
    bool SaveBeforeRun = true;
    bool ShowConstants = true;
};

// Reads the four sections: `placement` holds the window's current place on
// entry (the defaults); the colours start again from the defaults; missing
// options are on; missing recent scripts are empty.
void ReadScriptSettings(const platform::TRegIniFile& registry, TFormPlacement& placement, TScriptOptions& options,
                        GLOBALINFO_TAG& info);
// Writes them; the bounds only in the normal state.
void WriteScriptSettings(platform::TRegIniFile& registry, const TFormPlacement& placement,
                         const TScriptOptions& options, const GLOBALINFO_TAG& info);
