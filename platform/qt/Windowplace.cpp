#include "platform/Windowplace.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <utility>
#include <vector>

namespace platform {
namespace {

// A title bar and borders, until the window manager tells the real ones: a
// guess on the large side keeps a window placed by it on the screen.
const QMargins GuessedFrame(4, 28, 4, 4);

bool HasFrame(const QWidget& window) {
    return window.isVisible() && window.frameGeometry() != window.geometry();
}

bool AnyFramed(const QWidget& except) {
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [&except](const QWidget* other) { return other != &except && HasFrame(*other); });
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
    return QRect(window.pos(), window.size().grownBy(FrameMargins(window)));
}

// Qt takes a move as the frame's corner, both before the window first shows
// and once it knows the frame; callers place a window before it shows.
void PutFrame(QWidget& window, const QRect& frame, const QMargins& margins) {
    window.resize(frame.size().shrunkBy(margins));
    window.move(frame.topLeft());
}

// A window placed here. A cascaded one remembers the window it stepped
// from; one placed from a guessed frame, the corner it was put at, so that
// it is placed again once the real frame is known unless it has moved since.
struct TPlaced {
    QPointer<QWidget> Window;
    bool Cascaded = false;
    QPointer<QWidget> From;
    bool Guessed = false;
    QPoint Corner;
};

// The windows placed by kind, oldest first; closed ones drop out.
std::vector<TPlaced>& Placed(TWindowKind kind) {
    static std::vector<TPlaced> channels;
    static std::vector<TPlaced> tools;
    auto& placed = kind == TWindowKind::Channel ? channels : tools;
    std::erase_if(placed, [](const TPlaced& p) { return p.Window.isNull(); });
    return placed;
}

QWidget* NewestOpen(TWindowKind kind, const QWidget& except) {
    const auto& placed = Placed(kind);
    for (auto it = placed.rbegin(); it != placed.rend(); ++it)
        if (it->Window != &except && it->Window->isVisible()) return it->Window;
    return nullptr;
}

void Remember(TWindowKind kind, const TPlaced& entry) {
    auto& placed = Placed(kind);
    std::erase_if(placed, [&entry](const TPlaced& p) { return p.Window == entry.Window; });
    placed.push_back(entry);
}

QRect CascadedFrame(const QWidget& window, TWindowKind kind, const QWidget* from, const QMargins& margins) {
    const QWidget* main = MainWindowOf(window);
    const QRect mainFrame = main ? FrameOf(*main) : QRect();
    const QRect screen = AvailableArea(window, main ? mainFrame.center() : QPoint());
    const std::optional<QRect> previous = from && from->isVisible() ? std::optional(FrameOf(*from)) : std::nullopt;
    return CascadeFrame(window.size().grownBy(margins), kind, previous, mainFrame, screen, CascadeStep(margins));
}

// The frame's or the client's corner, as the window manager may have framed
// the window around the client: either still at the corner it was put at
// means no one has moved the window.
bool StillWherePut(const TPlaced& entry) {
    return entry.Window->frameGeometry().topLeft() == entry.Corner || entry.Window->geometry().topLeft() == entry.Corner;
}

// The windows cascaded from a guess, and those cascaded since from one of
// them, where they still are, placed again by the real frame, each stepping
// from its own predecessor.
void PlaceGuessedAgain() {
    for (TWindowKind kind : {TWindowKind::Channel, TWindowKind::Tool}) {
        std::vector<const QWidget*> moved;
        for (TPlaced& entry : Placed(kind)) {
            const bool guessed = std::exchange(entry.Guessed, false);
            const bool predecessorMoved = std::find(moved.begin(), moved.end(), entry.From.data()) != moved.end();
            if (!(guessed || predecessorMoved) || !entry.Cascaded || !StillWherePut(entry)) continue;
            const QMargins margins = FrameMargins(*entry.Window);
            const QRect frame = CascadedFrame(*entry.Window, kind, entry.From, margins);
            PutFrame(*entry.Window, frame, margins);
            entry.Corner = frame.topLeft();
            moved.push_back(entry.Window);
        }
    }
}

// Watches the windows placed from a guess for the first of them to be framed.
class TFrameWatcher : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        const auto* window = qobject_cast<QWidget*>(watched);
        if ((type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize) && window && HasFrame(*window)) {
            for (TWindowKind kind : {TWindowKind::Channel, TWindowKind::Tool})
                for (const TPlaced& entry : Placed(kind)) entry.Window->removeEventFilter(this);
            // Queued: the window system reports the frame before the
            // windows' corners have settled where the frame puts them.
            QMetaObject::invokeMethod(this, &PlaceGuessedAgain, Qt::QueuedConnection);
        }
        return false;
    }
};

TFrameWatcher& FrameWatcher() {
    static TFrameWatcher watcher;
    return watcher;
}

}  // namespace

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

bool AnotherIsOpen(TWindowKind kind, const QWidget& window) { return NewestOpen(kind, window) != nullptr; }

void PutOnScreen(QWidget& window, TWindowKind kind, const QRect& frame) {
    PutFrame(window, BringOntoScreen(frame, AvailableArea(window, frame.center())), FrameMargins(window));
    Remember(kind, {&window, false, nullptr, false, QPoint()});
}

void CascadeWindow(QWidget& window, TWindowKind kind) {
    const bool guessed = !HasFrame(window) && !AnyFramed(window);
    const QMargins margins = FrameMargins(window);
    QWidget* from = NewestOpen(kind, window);
    const QRect frame = CascadedFrame(window, kind, from, margins);
    PutFrame(window, frame, margins);
    Remember(kind, {&window, true, from, guessed, frame.topLeft()});
    if (guessed) window.installEventFilter(&FrameWatcher());
}

void CentreOnScreen(QWidget& window, const QSize& wanted) {
    const QMargins margins = FrameMargins(window);
    const QRect room = AvailableArea(window, window.geometry().center());
    QRect frame(QPoint(), wanted.grownBy(margins).boundedTo(room.size()));
    frame.moveCenter(room.center());
    PutFrame(window, frame, margins);
}

void BringToFront(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace platform
