// Where windows go on the screen, whatever part of the program opens them:
// wholly on the screen, cascaded by the real title bar's height, brought
// back from minimised. The rules are plain functions over rectangles; the
// rest applies them to windows.
#pragma once

#include <QMargins>
#include <QRect>

#include <optional>

class QWidget;

namespace platform {

// The two families of windows that open cascaded: the channels from the
// main window's left edge, the tool windows from the screen's right edge,
// both below the main window.
enum class TWindowKind { Channel, Tool };

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

// Whether another window of the kind, placed here, is open.
bool AnotherIsOpen(TWindowKind kind, const QWidget& window);

// Puts the window's frame at `frame`, brought onto the screen it lies on.
void PutOnScreen(QWidget& window, TWindowKind kind, const QRect& frame);

// Puts the window one step from the newest open window of its kind, or at
// the kind's first place. Placed before any window is framed, the step and
// the main window's band are guessed; once the first of the windows so
// placed is framed, those still where they were put are placed again with
// the real frame.
void CascadeWindow(QWidget& window, TWindowKind kind);

// Sizes the window to `wanted`, as far as the screen has room for it with
// its frame, and centres it on the screen.
void CentreOnScreen(QWidget& window, const QSize& wanted);

// Shows the window in front, restored if it was minimised.
void BringToFront(QWidget& window);

}  // namespace platform
