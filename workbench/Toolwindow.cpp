#include "Toolwindow.h"

#include "Globalinfo.h"
#include "Mainfrm.h"
#include "Windowplacement.h"

#include "platform/Helpviewer.h"

#include <QWidget>

TFormPlacement ReadFormPlacement(const platform::TRegIniFile& registry, const std::string& section,
                                 const TFormPlacement& current) {
    TFormPlacement placement;
    placement.Bounds.Top = registry.ReadInteger(section, "TOP", current.Bounds.Top);
    placement.Bounds.Left = registry.ReadInteger(section, "LEFT", current.Bounds.Left);
    placement.Bounds.Height = registry.ReadInteger(section, "HEIGHT", current.Bounds.Height);
    placement.Bounds.Width = registry.ReadInteger(section, "WIDTH", current.Bounds.Width);
    placement.WindowState = registry.ReadInteger(section, "WindowState", current.WindowState);
    placement.Stored = PlaceStored(registry, section);
    return placement;
}

void WriteFormPlacement(platform::TRegIniFile& registry, const std::string& section, const TFormPlacement& placement,
                        TBoundsRule rule) {
    const bool writeBounds = rule == TBoundsRule::UnlessMinimized ? placement.WindowState != wsMinimized
                                                                  : placement.WindowState == wsNormal;
    if (writeBounds) {
        registry.WriteInteger(section, "TOP", placement.Bounds.Top);
        registry.WriteInteger(section, "LEFT", placement.Bounds.Left);
        registry.WriteInteger(section, "HEIGHT", placement.Bounds.Height);
        registry.WriteInteger(section, "WIDTH", placement.Bounds.Width);
    }
    registry.WriteInteger(section, "WindowState", placement.WindowState);
}

TFormPlacement PlacementOf(const QWidget& window) {
    TFormPlacement placement;
    placement.Bounds = BoundsOf(window);
    const Qt::WindowStates state = window.windowState();
    placement.WindowState = state & Qt::WindowMinimized   ? wsMinimized
                            : state & Qt::WindowMaximized ? wsMaximized
                                                          : wsNormal;
    return placement;
}

void ApplyPlacement(QWidget& window, const TFormPlacement& placement) {
    // A stored size without a corner still gives the cascaded window its size.
    if (!placement.Stored && CheckedFrame(placement.Bounds, {}))
        window.resize(placement.Bounds.Width, placement.Bounds.Height);
    PlaceWindow(window, TWindowKind::Tool, placement.Stored ? std::optional(placement.Bounds) : std::nullopt);
    switch (placement.WindowState) {
    case wsMinimized:
        window.setWindowState(Qt::WindowMinimized);
        break;
    case wsMaximized:
        window.setWindowState(Qt::WindowMaximized);
        break;
    default:
        window.setWindowState(Qt::WindowNoState);
        break;
    }
}

// Only a window that has read its stored place writes one back: a window made
// but never shown would otherwise replace the place the user left with its own.
void LoadSaveFormPlacement(QWidget& window, const std::string& section, int mode, TBoundsRule rule) {
    constexpr const char* PlacementRead = "PlacementRead";
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    if (mode == 1) {
        if (window.property(PlacementRead).toBool()) WriteFormPlacement(registry, section, PlacementOf(window), rule);
        return;
    }
    ApplyPlacement(window, ReadFormPlacement(registry, section, PlacementOf(window)));
    window.setProperty(PlacementRead, true);
}

void BindHelpContext(QWidget& window, int context) {
    window.setProperty("helpContext", context);
    platform::BindF1Help(window, ProgramHelpFile());
}

// A window reports once: a second report could make the main window forget
// the newer window of the same kind.
void ReportToolWindowClosed(QWidget& window) {
    if (window.property("ClosedReported").toBool()) return;
    window.setProperty("ClosedReported", true);
    if (FrmMain) FrmMain->ChildWindowClosed(&window);
    window.deleteLater();
}
