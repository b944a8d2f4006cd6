// The program's windows at their stored places. A place, as the settings
// keep it, is the frame's top-left corner and the client area's size, so a
// window comes back with its frame exactly where it was; the screen's rules
// (wholly on it, cascading) are the platform's.
#pragma once

#include "Mainsettings.h"

#include "platform/Windowplace.h"

#include <QMargins>
#include <QRect>

#include <optional>

class QWidget;

using platform::TWindowKind;

// The frame of a stored place; nothing when the place cannot be a window's
// (a size that is not positive or larger than any screen, a corner far
// beyond any screen), as a damaged settings file may hold.
std::optional<QRect> CheckedFrame(const TFormBounds& stored, const QMargins& frame);

// The window's place: frame corner and client size.
TFormBounds BoundsOf(const QWidget& window);

// Puts the window at its stored place, checked and brought onto the screen,
// or, with none (or with a place `shared` by its kind while another window
// of the kind is open), cascaded. The frame lands on the corner whether or
// not the window has been shown before.
void PlaceWindow(QWidget& window, TWindowKind kind, const std::optional<TFormBounds>& stored, bool shared = false);

// The main window's stored place, checked and brought onto the screen; with
// none usable, the top-left corner of the screen at its current size.
void PlaceMainWindow(QWidget& window, const TFormBounds& stored);

// The output window's height limit: the screen's height less the main
// window's and 30 pixels, never below `minimum`.
int HeightBelowMainWindow(int screenHeight, int mainHeight, int minimum);
