#include "Windowplacement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// No screen is this large; a stored number beyond it is damage.
constexpr std::int64_t LargestScreenSide = 1 << 16;
// A title bar and borders, until the window manager tells the real ones: a
// guess on the large side keeps a window placed by it on the screen.
const QMargins GuessedFrame(4, 28, 4, 4);

bool HasFrame(const QWidget& window) {
    return window.isVisible() && window.frameGeometry() != window.geometry();
}

QMargins MarginsOf(const QWidget& window) {
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

QScreen* ScreenFor(const QWidget& window, const QPoint& point) {
    if (QScreen* screen = QGuiApplication::screenAt(point)) return screen;
    if (QScreen* screen = window.screen()) return screen;
    return QGuiApplication::primaryScreen();
}

QRect AvailableArea(const QWidget& window, const QPoint& point) {
    const QScreen* screen = ScreenFor(window, point);
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QWidget* MainWindowOf(const QWidget& window) {
    QWidget* owner = window.parentWidget();
    while (owner && owner->parentWidget()) owner = owner->parentWidget();
    return owner && owner != &window ? owner : nullptr;
}

QRect FrameOf(const QWidget& window) {
    if (HasFrame(window)) return window.frameGeometry();
    const QMargins frame = FrameMargins(window);
    return QRect(window.pos(), window.size()).marginsAdded(QMargins(0, 0, frame.left() + frame.right(),
                                                                    frame.top() + frame.bottom()));
}

// The windows placed by kind, oldest first; closed ones drop out.
std::vector<QPointer<QWidget>>& Placed(TWindowKind kind) {
    static std::vector<QPointer<QWidget>> channels;
    static std::vector<QPointer<QWidget>> tools;
    return kind == TWindowKind::Channel ? channels : tools;
}

std::optional<QRect> NewestOpenFrame(TWindowKind kind, const QWidget& except) {
    auto& placed = Placed(kind);
    placed.erase(std::remove_if(placed.begin(), placed.end(), [](const QPointer<QWidget>& w) { return w.isNull(); }),
                 placed.end());
    for (auto it = placed.rbegin(); it != placed.rend(); ++it)
        if (*it != &except && (*it)->isVisible()) return FrameOf(**it);
    return std::nullopt;
}

void Remember(TWindowKind kind, QWidget& window) {
    auto& placed = Placed(kind);
    placed.erase(std::remove(placed.begin(), placed.end(), &window), placed.end());
    placed.emplace_back(&window);
}

// Qt takes a move as the frame's corner, both before the window first shows
// and once it knows the frame; callers place a window before it shows.
void PutFrame(QWidget& window, const QRect& frame, const QMargins& margins) {
    window.resize(frame.width() - margins.left() - margins.right(), frame.height() - margins.top() - margins.bottom());
    window.move(frame.topLeft());
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

QRect BringOntoScreen(const QRect& frame, const QRect& screen) {
    const QSize size = frame.size().boundedTo(screen.size());
    const int left = std::clamp(frame.left(), screen.left(), screen.left() + screen.width() - size.width());
    const int top = std::clamp(frame.top(), screen.top(), screen.top() + screen.height() - size.height());
    return QRect(QPoint(left, top), size);
}

int CascadeStep(const QMargins& frame) { return std::max(24, frame.top()); }

QRect CascadeFrame(const QSize& frameSize, TWindowKind kind, const std::optional<QRect>& previous,
                   const QRect& mainFrame, const QRect& screen, int step) {
    // The room leaves out the main window's band: below it when it sits in
    // the upper half of the screen, above it otherwise.
    QRect room = screen;
    if (!mainFrame.isEmpty() && screen.intersects(mainFrame)) {
        if (mainFrame.center().y() <= screen.center().y())
            room.setTop(std::min(mainFrame.bottom() + 1, screen.bottom()));
        else
            room.setBottom(std::max(mainFrame.top() - 1, screen.top()));
    }
    const int firstLeft = kind == TWindowKind::Channel && !mainFrame.isEmpty()
                              ? std::clamp(mainFrame.left(), room.left(), room.right())
                              : room.right() + 1 - frameSize.width();
    const QRect first(QPoint(std::max(firstLeft, room.left()), room.top()), frameSize);
    QRect next = previous ? QRect(previous->topLeft() + QPoint(kind == TWindowKind::Tool ? -step : step, step),
                                  frameSize)
                          : first;
    if (!room.contains(next)) next = first;
    return BringOntoScreen(next, screen);
}

QMargins FrameMargins(const QWidget& window) {
    if (HasFrame(window)) return MarginsOf(window);
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != &window && HasFrame(*other)) return MarginsOf(*other);
    return GuessedFrame;
}

TFormBounds BoundsOf(const QWidget& window) {
    return {window.pos().y(), window.pos().x(), window.height(), window.width()};
}

void PlaceWindow(QWidget& window, TWindowKind kind, const std::optional<TFormBounds>& stored, bool shared) {
    const QMargins margins = FrameMargins(window);
    const std::optional<QRect> previous = NewestOpenFrame(kind, window);
    const bool storedApplies = stored && !(shared && previous);
    const std::optional<QRect> storedFrame = storedApplies ? CheckedFrame(*stored, margins) : std::nullopt;
    QRect frame;
    if (storedFrame) {
        frame = BringOntoScreen(*storedFrame, AvailableArea(window, storedFrame->center()));
    } else {
        const QWidget* main = MainWindowOf(window);
        const QRect mainFrame = main ? FrameOf(*main) : QRect();
        const QRect screen = AvailableArea(window, main ? mainFrame.center() : QPoint());
        frame = CascadeFrame(window.size().grownBy(margins), kind, previous, mainFrame, screen,
                             CascadeStep(margins));
    }
    PutFrame(window, frame, margins);
    Remember(kind, window);
}

void PlaceMainWindow(QWidget& window, const TFormBounds& stored) {
    const QMargins margins = FrameMargins(window);
    const std::optional<QRect> storedFrame = CheckedFrame(stored, margins);
    const QRect screen = AvailableArea(window, storedFrame ? storedFrame->center() : QPoint());
    const QRect frame = storedFrame ? *storedFrame : QRect(screen.topLeft(), window.size().grownBy(margins));
    PutFrame(window, BringOntoScreen(frame, screen), margins);
}

int HeightBelowMainWindow(int screenHeight, int mainHeight, int minimum) {
    const std::int64_t room = std::int64_t{screenHeight} - (std::int64_t{mainHeight} + 30);
    return static_cast<int>(std::clamp<std::int64_t>(room, minimum, std::max(minimum, screenHeight)));
}
