// Where the program's windows go on the screen. A place, as the settings
// keep it, is the frame's top-left corner and the client area's size, so a
// window comes back with its frame exactly where it was. The rules are plain
// functions over rectangles; PlaceWindow applies them to a window.
#pragma once

#include "Mainsettings.h"

#include <QMargins>
#include <QRect>

#include <optional>

class QWidget;

// The two families of windows that open cascaded when they have no stored
// place: the channels from the main window's left edge, the workbench's tool
// windows from the screen's right edge, both below the main window.
enum class TWindowKind { Channel, Tool };

// The frame of a stored place; nothing when the place cannot be a window's
// (a size that is not positive or larger than any screen, a corner far
// beyond any screen), as a damaged settings file may hold.
std::optional<QRect> CheckedFrame(const TFormBounds& stored, const QMargins& frame);

// The frame moved, and cut to the screen's size where it is larger, so that
// it lies wholly on the screen.
QRect BringOntoScreen(const QRect& frame, const QRect& screen);

// The frame of a new window of `frameSize`: one step below and inwards of
// `previous` (the newest open window of its kind), else at its kind's first
// place just below the main window. The room is the screen without the main
// window's band; a window that would leave it starts again at the first place.
QRect CascadeFrame(const QSize& frameSize, TWindowKind kind, const std::optional<QRect>& previous,
                   const QRect& mainFrame, const QRect& screen, int step);

// The step between cascaded windows: at least the title bar's height.
int CascadeStep(const QMargins& frame);

// The frame's margins of a window: its own once the window manager has
// framed it, else those of a framed window of the program, else a guess.
QMargins FrameMargins(const QWidget& window);

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
