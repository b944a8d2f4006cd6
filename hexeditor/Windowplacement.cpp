#include "Windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>

namespace {

// No screen is this large; a stored number beyond it is damage.
constexpr std::int64_t LargestScreenSide = 1 << 16;

QRect AvailableArea(const QPoint& point) {
    const QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

std::optional<QRect> CheckedFrame(const TFormBounds& stored, const QMargins& frame) {
    const auto sane = [](std::int64_t value, std::int64_t low) { return value >= low && value <= LargestScreenSide; };
    if (!sane(stored.Width, 1) || !sane(stored.Height, 1) || !sane(stored.Left, -LargestScreenSide) ||
        !sane(stored.Top, -LargestScreenSide))
        return std::nullopt;
    return QRect(stored.Left, stored.Top, stored.Width + frame.left() + frame.right(),
                 stored.Height + frame.top() + frame.bottom());
}

TFormBounds BoundsOf(const QWidget& window) {
    return {window.pos().y(), window.pos().x(), window.height(), window.width()};
}

void PlaceWindow(QWidget& window, TWindowKind kind, const std::optional<TFormBounds>& stored, bool shared) {
    const bool storedApplies = stored && !(shared && platform::AnotherIsOpen(kind, window));
    const std::optional<QRect> storedFrame =
        storedApplies ? CheckedFrame(*stored, platform::FrameMargins(window)) : std::nullopt;
    if (storedFrame)
        platform::PutOnScreen(window, kind, *storedFrame);
    else
        platform::CascadeWindow(window, kind);
}

void PlaceMainWindow(QWidget& window, const TFormBounds& stored) {
    const QMargins margins = platform::FrameMargins(window);
    const std::optional<QRect> storedFrame = CheckedFrame(stored, margins);
    const QRect screen = AvailableArea(storedFrame ? storedFrame->center() : QPoint());
    const QRect frame = storedFrame ? *storedFrame : QRect(screen.topLeft(), window.size().grownBy(margins));
    const QRect placed = platform::BringOntoScreen(frame, screen);
    window.resize(placed.size().shrunkBy(margins));
    window.move(placed.topLeft());
}

int HeightBelowMainWindow(int screenHeight, int mainHeight, int minimum) {
    const std::int64_t room = std::int64_t{screenHeight} - (std::int64_t{mainHeight} + 30);
    return static_cast<int>(std::clamp<std::int64_t>(room, minimum, std::max(minimum, screenHeight)));
}
