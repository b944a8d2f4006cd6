// What every tool window of the script workbench shares: its place on the
// screen in its own settings section, the help topic of its F1 key, and
// reporting its closing to the main window.
#pragma once

#include "Mainsettings.h"

#include "platform/Registry.h"

#include <string>

class QWidget;

struct TFormPlacement {
    TFormBounds Bounds;
    int WindowState = wsNormal;
    // The bounds came from the settings; without them the window opens cascaded.
    bool Stored = false;
};

// When a window's bounds are written: the output window keeps them unless it
// is minimised, the others only in the normal state.
enum class TBoundsRule { UnlessMinimized, NormalOnly };

// "TOP", "LEFT", "HEIGHT", "WIDTH" and "WindowState" of `section`; `current`
// gives each default. Stored when the section holds the corner.
TFormPlacement ReadFormPlacement(const platform::TRegIniFile& registry, const std::string& section,
                                 const TFormPlacement& current);
// The bounds under the rule, "WindowState" always.
void WriteFormPlacement(platform::TRegIniFile& registry, const std::string& section, const TFormPlacement& placement,
                        TBoundsRule rule);

TFormPlacement PlacementOf(const QWidget& window);
// A stored place is checked and brought onto the screen; without one the
// window opens cascaded beside the other tool windows, below the main window.
void ApplyPlacement(QWidget& window, const TFormPlacement& placement);

// Reads (mode 0) or writes (mode 1) the window's placement in `section`
// under the program's settings key.
void LoadSaveFormPlacement(QWidget& window, const std::string& section, int mode, TBoundsRule rule);

// F1 opens the help file at `context`.
void BindHelpContext(QWidget& window, int context);

// Tells the main window that `window` closed, so it forgets the window, and
// lets the window go once control is back in the event loop that closed it:
// a closed tool window is never reused, the next request makes a new one.
void ReportToolWindowClosed(QWidget& window);
