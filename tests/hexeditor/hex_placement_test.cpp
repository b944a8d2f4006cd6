// Where windows open: the placement rules over rectangles, and the main
// window, the channels and the Windows menu on an offscreen screen of a
// desktop's size whose windows have frames.
#include "Hexeditfrm.h"
#include "Mainfrm.h"
#include "Scriptfrm.h"
#include "Scriptoutfrm.h"
#include "Watchfrm.h"
#include "Windowplacement.h"

#include "HexTestFolder.h"
#include "workbench/FakeScriptControl.h"

#include "platform/Dialogs.h"
#include "platform/Registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QWindow>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

// Before the test program's application is made: one 1280 x 1024 screen,
// windows with frames. Test processes run side by side, so each writes the
// screen's description into a folder of its own, gone when it ends.
class TScreenConfig {
public:
    TScreenConfig() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qorm-placement-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) return;
        folder_ = pattern;
        const std::string config = (folder_ / "screen.json").string();
        std::ofstream(config) << R"({"windowFrameMargins": true,
            "screens": [{"name": "desk", "x": 0, "y": 0, "width": 1280, "height": 1024, "logicalDpi": 96}]})";
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
    }
    ~TScreenConfig() {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    TScreenConfig(const TScreenConfig&) = delete;
    TScreenConfig& operator=(const TScreenConfig&) = delete;

private:
    std::filesystem::path folder_;
};

const TScreenConfig desktopScreen;

}  // namespace

#include "QtTestApplication.h"

namespace {

using platform::BringOntoScreen;
using platform::CascadeFrame;

const QRect Screen(0, 0, 1280, 1024);

TEST(PlacementRulesTest, DamagedStoredPlacesAreRefused) {
    const QMargins frame(1, 20, 1, 1);
    struct Case {
        TFormBounds stored;
        bool usable;
    };
    for (const Case& c : {Case{{100, 50, 300, 400}, true},
                          Case{{-30, -8, 300, 400}, true},
                          Case{{INT_MAX, 50, 300, 400}, false},
                          Case{{100, 50, -1, 400}, false},
                          Case{{100, 50, 300, 0}, false},
                          Case{{100, INT_MIN, 300, 400}, false},
                          Case{{100, 50, INT_MAX, 400}, false}}) {
        const std::optional<QRect> checked = CheckedFrame(c.stored, frame);
        EXPECT_EQ(checked.has_value(), c.usable) << c.stored.Top << " " << c.stored.Left << " " << c.stored.Height;
        if (checked) {
            EXPECT_EQ(*checked, QRect(c.stored.Left, c.stored.Top, c.stored.Width + 2, c.stored.Height + 21));
        }
    }
}

TEST(PlacementRulesTest, AFrameIsBroughtWhollyOntoTheScreen) {
    struct Case {
        QRect frame;
        QRect expected;
    };
    for (const Case& c : {Case{{100, 100, 400, 300}, {100, 100, 400, 300}},
                          Case{{1100, 900, 400, 300}, {880, 724, 400, 300}},   // a screen that shrank
                          Case{{-500, -40, 400, 300}, {0, 0, 400, 300}},
                          Case{{50, 60, 2000, 1500}, {0, 0, 1280, 1024}}}) {
        EXPECT_EQ(BringOntoScreen(c.frame, Screen), c.expected) << c.frame.x() << "," << c.frame.y();
    }
}

TEST(PlacementRulesTest, NewWindowsCascadeBelowTheMainWindowAndStartAgainAtTheFoot) {
    const QRect main(0, 0, 640, 90);
    const QSize size(800, 600);
    const QRect first = CascadeFrame(size, TWindowKind::Channel, std::nullopt, main, Screen, 24);
    EXPECT_EQ(first, QRect(QPoint(0, 90), size));
    const QRect second = CascadeFrame(size, TWindowKind::Channel, first, main, Screen, 24);
    EXPECT_EQ(second, QRect(QPoint(24, 114), size));
    EXPECT_FALSE(second.intersects(main));
    // Tool windows begin at the screen's right edge and step inwards.
    const QRect tool = CascadeFrame(QSize(500, 300), TWindowKind::Tool, std::nullopt, main, Screen, 24);
    EXPECT_EQ(tool, QRect(780, 90, 500, 300));
    EXPECT_EQ(CascadeFrame(QSize(500, 300), TWindowKind::Tool, tool, main, Screen, 24), QRect(756, 114, 500, 300));
    // A window that would leave the screen starts again at the first place.
    const QRect low(QPoint(300, 420), size);
    EXPECT_EQ(CascadeFrame(size, TWindowKind::Channel, low, main, Screen, 24), first);
    // With the main window at the screen's foot, the room is above it.
    const QRect footMain(100, 934, 640, 90);
    const QRect above = CascadeFrame(size, TWindowKind::Channel, std::nullopt, footMain, Screen, 24);
    EXPECT_EQ(above, QRect(QPoint(100, 0), size));
    EXPECT_FALSE(above.intersects(footMain));
}

TEST(PlacementRulesTest, TheOutputHeightLimitNeverOverflows) {
    EXPECT_EQ(HeightBelowMainWindow(1024, 90, 100), 904);
    EXPECT_EQ(HeightBelowMainWindow(1024, INT_MAX, 100), 100);
    EXPECT_EQ(HeightBelowMainWindow(1024, INT_MIN, 100), 1024);
}

class PlacementWindowsTest : public ::testing::Test {
protected:
    PlacementWindowsTest() { GlobalInfo() = GLOBALINFO_TAG{}; }
    ~PlacementWindowsTest() override {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TFrmMain& Start(const std::vector<std::string>& arguments) {
        main = std::make_unique<TFrmMain>();
        main->FormCreate(arguments);
        return *main;
    }

    void Restart(const std::vector<std::string>& arguments) {
        main->close();
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        GlobalInfo() = GLOBALINFO_TAG{};
        Start(arguments);
    }

    static void Store(const char* section, const TFormBounds& bounds) {
        platform::TRegIniFile registry(GlobalInfo().RegKey.empty() ? SettingsKey : GlobalInfo().RegKey);
        registry.WriteInteger(section, "TOP", bounds.Top);
        registry.WriteInteger(section, "LEFT", bounds.Left);
        registry.WriteInteger(section, "HEIGHT", bounds.Height);
        registry.WriteInteger(section, "WIDTH", bounds.Width);
    }

    static QRect Available(const QWidget& window) { return window.screen()->availableGeometry(); }

    THexTestFolder folder;
    platform::DialogResponder user;
    std::unique_ptr<TFrmMain> main;
};

TEST_F(PlacementWindowsTest, ThreeChannelsCascadeOnTheScreenAndBelowTheMainWindow) {
    const std::string a = folder.MakeFile("a.dat", {1, 2, 3});
    TFrmMain& window = Start({a, a, a});
    ASSERT_EQ(window.screen()->geometry(), QRect(0, 0, 1280, 1024));
    std::vector<QRect> frames;
    for (int channel = 0; channel < 3; ++channel) frames.push_back(window.ChannelWindow(channel)->frameGeometry());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(Available(window).contains(frames[i])) << i;
        EXPECT_FALSE(frames[i].intersects(window.frameGeometry())) << i;
        if (i > 0) {
            EXPECT_EQ(frames[i].topLeft() - frames[i - 1].topLeft(), QPoint(24, 24)) << i;
        }
    }
}

// The command line's first channel is placed before any window is framed;
// once framed it sits right below the main window's real frame, not below
// a guessed one.
TEST_F(PlacementWindowsTest, TheFirstChannelSitsBelowTheMainWindowsRealFrame) {
    const std::string a = folder.MakeFile("a.dat", {1, 2, 3});
    TFrmMain& window = Start({a, a});
    const QRect first = window.ChannelWindow(0)->frameGeometry();
    EXPECT_EQ(first.top(), window.frameGeometry().bottom() + 1);
    EXPECT_EQ(first.left(), window.frameGeometry().left());
    EXPECT_EQ(window.ChannelWindow(1)->frameGeometry().topLeft() - first.topLeft(), QPoint(24, 24));
}

// Windows cascaded while no frame is known step by a guessed title bar; the
// first of them to be framed places them again by the real one, except a
// window that has moved since it was placed.
TEST_F(PlacementWindowsTest, WindowsCascadedFromAGuessArePlacedAgainByTheRealFrame) {
    QWidget owner;
    owner.setGeometry(100, 50, 600, 100);
    // Shown without a frame, as they are until the window manager frames them.
    std::vector<std::unique_ptr<QWidget>> windows;
    for (int i = 0; i < 3; ++i) {
        windows.push_back(std::make_unique<QWidget>(&owner, Qt::Window | Qt::FramelessWindowHint));
        windows.back()->resize(400, 300);
        platform::CascadeWindow(*windows.back(), TWindowKind::Channel);
        windows.back()->show();
    }
    windows[2]->move(700, 600);
    owner.show();
    for (auto& w : windows) {
        w->setWindowFlag(Qt::FramelessWindowHint, false);
        w->windowHandle()->destroy();
    }
    for (auto& w : windows) w->show();
    QCoreApplication::processEvents();
    const QRect first = windows[0]->frameGeometry();
    ASSERT_NE(first, windows[0]->geometry()) << "the screen draws frames";
    EXPECT_EQ(first.topLeft(), QPoint(owner.frameGeometry().left(), owner.frameGeometry().bottom() + 1));
    const int step = platform::CascadeStep(platform::FrameMargins(*windows[0]));
    EXPECT_EQ(windows[1]->frameGeometry().topLeft() - first.topLeft(), QPoint(step, step));
    EXPECT_EQ(windows[2]->geometry().topLeft(), QPoint(700, 600));
    EXPECT_EQ(windows[0]->size(), QSize(400, 300));
}

TEST_F(PlacementWindowsTest, StoredPlacesComeBackExactlyFrameIncluded) {
    const std::string a = folder.MakeFile("a.dat", {1, 2, 3});
    TFrmMain& first = Start({a});
    first.move(200, 30);
    TFrmHexEdit* hex = first.ChannelWindow(0);
    hex->move(300, 250);
    const QRect mainFrame = first.frameGeometry();
    const QRect hexFrame = hex->frameGeometry();
    ASSERT_NE(hexFrame, hex->geometry()) << "the screen draws frames";

    Restart({a, a});
    EXPECT_EQ(main->frameGeometry(), mainFrame);
    EXPECT_EQ(main->ChannelWindow(0)->frameGeometry(), hexFrame);
    // The second channel does not hide the first.
    EXPECT_EQ(main->ChannelWindow(1)->frameGeometry().topLeft(), hexFrame.topLeft() + QPoint(24, 24));
}

// Each channel keeps its own place: two channels closed and opened again
// three times come back where they were, neither creeping nor taking the
// other's place.
TEST_F(PlacementWindowsTest, TwoChannelsComeBackWhereTheyWereAtEveryRestart) {
    const std::string a = folder.MakeFile("a.dat", {1, 2, 3});
    const std::string b = folder.MakeFile("b.dat", {4, 5});
    TFrmMain& first = Start({a, b});
    first.ChannelWindow(1)->move(300, 280);
    ASSERT_TRUE(Available(first).contains(first.ChannelWindow(1)->frameGeometry()));
    const QRect frames[] = {first.ChannelWindow(0)->frameGeometry(), first.ChannelWindow(1)->frameGeometry()};
    for (int round = 0; round < 3; ++round) {
        Restart({a, b});
        for (int channel = 0; channel < 2; ++channel)
            EXPECT_EQ(main->ChannelWindow(channel)->frameGeometry(), frames[channel]) << round << " " << channel;
    }
}

// Every window that keeps a place checks the stored numbers before it uses
// them: a damaged settings file (TOP=2147483647, HEIGHT=-1) leaves each one
// wholly on the screen with a usable size.
TEST_F(PlacementWindowsTest, DamagedNumbersLeaveEveryWindowOnTheScreen) {
    const TScriptControlFactory previous = InstallScriptControlFactory([](TScriptControlEvents& events) {
        auto made = std::make_unique<FakeScriptControl>();
        made->Events = &events;
        return std::unique_ptr<TScriptControl>(std::move(made));
    });
    const std::string a = folder.MakeFile("a.dat", {1, 2, 3});
    const char* const sections[] = {"MAIN_FORM", "HEXEDIT_FORM", "SCRIPT_FORM", "OUTPUT_FORM", "WATCH_FORM"};
    for (const char* section : sections) Store(section, {INT_MAX, 100, -1, 500});
    TFrmMain& window = Start({a});
    window.MnuWindowsScriptEditorClick();
    window.mnuWindowsScriptOutputClick();
    window.mnuScriptWatchWindowClick();
    const QWidget* const windows[] = {&window, window.ChannelWindow(0), FrmScript, FrmScriptOut, FrmWatches};
    for (std::size_t i = 0; i < std::size(windows); ++i) {
        ASSERT_NE(windows[i], nullptr) << sections[i];
        const QRect frame = windows[i]->frameGeometry();
        EXPECT_TRUE(Available(window).contains(frame)) << sections[i];
        EXPECT_GT(windows[i]->height(), 0) << sections[i];
        EXPECT_GT(windows[i]->width(), 0) << sections[i];
    }
    main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FrmScript = FrmScriptOut = FrmWatches = FrmAddWatch = FrmSyntaxColor = nullptr;
    InstallScriptControlFactory(previous);
}

TEST_F(PlacementWindowsTest, PlacesFromADamagedOrLargerScreenAreBroughtOntoThisOne) {
    const std::string a = folder.MakeFile("a.dat", {1, 2, 3});
    Store("MAIN_FORM", {INT_MAX, 40, -1, 600});
    Store("HEXEDIT_FORM", {1500, 2400, 600, 800});
    TFrmMain& window = Start({a});
    EXPECT_TRUE(Available(window).contains(window.frameGeometry()));
    // A main window stored beyond this screen's corner comes onto it too.
    window.close();
    main.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    GlobalInfo() = GLOBALINFO_TAG{};
    Store("MAIN_FORM", {2000, 3000, 90, 640});
    Start({a});
    EXPECT_TRUE(Available(*main).contains(main->frameGeometry()));
    const QRect hex = main->ChannelWindow(0)->frameGeometry();
    EXPECT_TRUE(Available(*main).contains(hex));
    // Moved no further than onto the screen: to its right and lower edges.
    EXPECT_GT(hex.right(), Available(*main).right() - 10);
    EXPECT_GT(hex.bottom(), Available(*main).bottom() - 40);
}

// A sound stored place of the main window that lies off this screen (kept
// on a larger one) is brought wholly onto it, moved no further than needed,
// with its stored width (its height is its own).
TEST_F(PlacementWindowsTest, AMainWindowStoredOffTheScreenIsBroughtOntoIt) {
    struct Case {
        const char* where;
        TFormBounds stored;  // top, left, height, width
    };
    const Case cases[] = {
        {"below and right", {1500, 2400, 500, 700}},
        {"above and left", {-900, -1600, 500, 700}},
        {"across the right edge", {100, 1000, 500, 700}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        Store("MAIN_FORM", c.stored);
        TFrmMain& window = Start({});
        const QRect screen = Available(window);
        const QRect frame = window.frameGeometry();
        EXPECT_TRUE(screen.contains(frame));
        EXPECT_EQ(window.width(), c.stored.Width);
        const bool right = c.stored.Left > screen.center().x();
        EXPECT_LT(right ? screen.right() - frame.right() : frame.left() - screen.left(), 10);
        main->close();
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        GlobalInfo() = GLOBALINFO_TAG{};
    }
}

TEST_F(PlacementWindowsTest, TheWindowsMenuListsTheChannelsAndBringsOneToTheFront) {
    const std::string a = folder.MakeFile("a.dat", {1, 2, 3});
    const std::string b = folder.MakeFile("b.dat", {4, 5});
    TFrmMain& window = Start({a, b});
    window.ChannelWindow(0)->showMinimized();
    emit window.MnuWindows->aboutToShow();
    std::vector<std::string> items;
    QAction* first = nullptr;
    for (QAction* action : window.MnuWindows->actions()) {
        if (action->isSeparator() || !action->isVisible()) continue;
        items.push_back(action->text().toStdString());
        if (action->data().toInt() == 0 && action->property("ChannelItem").toBool()) first = action;
    }
    EXPECT_THAT(items, ::testing::ElementsAre("Script Editor", "Script Output", "Script Watch Window",
                                              "&0 Ch: 0 " + a + " - 3 bytes", "&1 Ch: 1 " + b + " - 2 bytes"));
    ASSERT_NE(first, nullptr);
    first->trigger();
    EXPECT_FALSE(window.ChannelWindow(0)->isMinimized());
    EXPECT_TRUE(window.ChannelWindow(0)->isVisible());

    // A closed channel leaves the list.
    window.CloseChannel(1, false);
    emit window.MnuWindows->aboutToShow();
    int channelItems = 0;
    for (QAction* action : window.MnuWindows->actions())
        if (action->property("ChannelItem").toBool() && !action->isSeparator()) ++channelItems;
    EXPECT_EQ(channelItems, 1);
}

}  // namespace
