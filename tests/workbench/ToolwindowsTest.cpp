// The output, watch, add-watch and syntax-colour windows on Qt's offscreen
// platform, with the main window's bookkeeping, a scripted user and a
// stand-in script window.
#include "Addwatchfrm.h"
#include "Globalinfo.h"
#include "Mainfrm.h"
#include "Scriptoutfrm.h"
#include "Syntaxfrm.h"
#include "Textprinting.h"
#include "Toolwindow.h"
#include "Watchfrm.h"

#include "hexeditor/HexTestFolder.h"

#include "platform/Dialogs.h"
#include "platform/QtText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>

#include "QtTestApplication.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;
using platform::DialogResponder;

namespace {

// The script window as the tool windows see it: it dumps prepared lines into
// the add-watch dialog, ending with the blank line that closes every dump.
class FakeScriptWindow : public QWidget, public TAddWatchDumpSource {
public:
    std::vector<std::string> DumpLines;
    int Dumps = 0;

    void DumpToAddWatch() override {
        ++Dumps;
        auto* dialog = qobject_cast<TFrmAddWatch*>(FrmAddWatch);
        ASSERT_NE(dialog, nullptr);
        for (const std::string& line : DumpLines) dialog->AddDumpLine(line);
    }
};

class FakeControl : public TWatchSource {
public:
    std::map<std::string, std::string> Variables;
    bool GetSVariable(const std::string& name, std::string& value) override {
        const auto found = Variables.find(name);
        value = found == Variables.end() ? "" : found->second;
        return found != Variables.end();
    }
};

class ToolWindowsTest : public ::testing::Test {
protected:
    ToolWindowsTest() {
        GlobalInfo() = GLOBALINFO_TAG{};
        main = std::make_unique<TFrmMain>();
    }
    ~ToolWindowsTest() override {
        FrmScript = nullptr;
        main.reset();
        FlushDeletes();
        // The tool windows went with the main window that owned them.
        FrmScriptOut = FrmWatches = FrmAddWatch = FrmSyntaxColor = nullptr;
    }

    static void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    static std::vector<std::string> BlockTexts(const QPlainTextEdit& box) {
        std::vector<std::string> texts;
        for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next())
            texts.push_back(platform::FromQString(block.text()));
        return texts;
    }

    static std::vector<std::pair<std::string, std::string>> GridRows(const QTableWidget& grid) {
        std::vector<std::pair<std::string, std::string>> rows;
        rows.emplace_back(platform::FromQString(grid.horizontalHeaderItem(0)->text()),
                          platform::FromQString(grid.horizontalHeaderItem(1)->text()));
        for (int row = 0; row < grid.rowCount(); ++row)
            rows.emplace_back(platform::FromQString(grid.item(row, 0)->text()),
                              platform::FromQString(grid.item(row, 1)->text()));
        return rows;
    }

    // Runs `step` once the modal loop of the next dialog is running.
    static void WhenModal(std::function<void()> step) { QTimer::singleShot(0, std::move(step)); }

    TFrmScriptOut& OpenOutput() {
        main->mnuWindowsScriptOutputClick();
        return *qobject_cast<TFrmScriptOut*>(FrmScriptOut);
    }
    TFrmWatches& OpenWatches() {
        main->mnuScriptWatchWindowClick();
        return *qobject_cast<TFrmWatches*>(FrmWatches);
    }

    THexTestFolder folder;
    DialogResponder user;
    TRecordingTextPrinter printer;
    std::unique_ptr<TFrmMain> main;
};

// --- The output window.

// Printed columns line up: the output shows the desktop's fixed-pitch font.
TEST_F(ToolWindowsTest, TheOutputUsesTheFixedPitchFont) {
    TFrmScriptOut& output = OpenOutput();
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    EXPECT_EQ(output.rtfOutput->font().family(), fixed.family());
    const QFontMetrics metrics(output.rtfOutput->font());
    EXPECT_EQ(metrics.horizontalAdvance(QString("iiii")), metrics.horizontalAdvance(QString("WWWW")));
}

TEST_F(ToolWindowsTest, OutputBoxKeepsTheLatestLines) {
    TFrmScriptOut& output = OpenOutput();
    for (int call = 1; call <= 600; ++call) output.AddLine(std::to_string(call), true);
    const std::vector<std::string> blocks = BlockTexts(*output.rtfOutput);
    ASSERT_EQ(blocks.size(), 501u);
    EXPECT_EQ(blocks.front(), "101");
    EXPECT_EQ(blocks[499], "600");
    EXPECT_EQ(blocks.back(), "");
    EXPECT_EQ(output.rtfOutput->textCursor().position(), output.rtfOutput->document()->characterCount() - 1);
}

TEST_F(ToolWindowsTest, OutputBoxShowsWhatTheTextHolds) {
    TFrmScriptOut& output = OpenOutput();
    output.AddLine("a", false);
    output.AddLine("b", false);
    output.AddLine("", true);
    output.AddLine("Error Line: 3 - x\r\nmore", true);
    EXPECT_THAT(BlockTexts(*output.rtfOutput), ElementsAre("ab", "Error Line: 3 - x", "more", ""));
    EXPECT_EQ(output.Output().Text(), "ab\r\nError Line: 3 - x\r\nmore\r\n");

    output.BtnClearClick();
    EXPECT_EQ(output.rtfOutput->toPlainText(), "");
    EXPECT_EQ(output.Output().Text(), "");
    EXPECT_TRUE(output.rtfOutput->isReadOnly());
    EXPECT_EQ(output.windowTitle(), "Script Output Window");
    EXPECT_EQ(output.BtnClear->text(), "Clear");
    EXPECT_EQ(output.BtnClear->toolTip(), "Clear the output window");
    EXPECT_EQ(output.ToolButton2->toolTip(), "Print the contents of the output window");
}

TEST_F(ToolWindowsTest, OutputPrintsUnderItsTitleUnlessCancelled) {
    TFrmScriptOut& output = OpenOutput();
    output.AddLine("one", true);
    output.AddLine("two", false);
    printer.Confirm = false;
    output.ToolButton2->trigger();
    EXPECT_EQ(printer.Requests, 1);
    EXPECT_THAT(printer.Jobs, IsEmpty());
    printer.Confirm = true;
    output.ToolButton2->trigger();
    ASSERT_EQ(printer.Jobs.size(), 1u);
    EXPECT_EQ(printer.Jobs[0].DocumentTitle, "Script Output");
    EXPECT_EQ(printer.Jobs[0].Text, "one\r\ntwo");
}

TEST_F(ToolWindowsTest, OutputReadsItsPlaceWhenShownAndWritesItWhenClosed) {
    {
        platform::TRegIniFile registry(GlobalInfo().RegKey);
        registry.WriteInteger("OUTPUT_FORM", "TOP", 40);
        registry.WriteInteger("OUTPUT_FORM", "LEFT", 50);
        registry.WriteInteger("OUTPUT_FORM", "HEIGHT", 210);
        registry.WriteInteger("OUTPUT_FORM", "WIDTH", 330);
    }
    QPointer<TFrmScriptOut> output = &OpenOutput();
    EXPECT_EQ(output->geometry().size(), QSize(330, 210));
    EXPECT_EQ(output->property("Tag").toInt(), 3000);
    output->resize(300, 200);
    output->close();
    EXPECT_EQ(FrmScriptOut, nullptr);
    FlushDeletes();
    EXPECT_TRUE(output.isNull());
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    EXPECT_EQ(registry.ReadInteger("OUTPUT_FORM", "WIDTH", 0), 300);
    EXPECT_EQ(registry.ReadInteger("OUTPUT_FORM", "HEIGHT", 0), 200);
    EXPECT_EQ(registry.ReadInteger("OUTPUT_FORM", "WindowState", -1), 0);

    // The next request makes a new, empty window.
    TFrmScriptOut& again = OpenOutput();
    EXPECT_EQ(again.Output().Text(), "");
}

TEST_F(ToolWindowsTest, ToolWindowsComeBackWhereTheyWereAndDamagedPlacesStayOnTheScreen) {
    {
        platform::TRegIniFile registry(GlobalInfo().RegKey);
        registry.WriteInteger("OUTPUT_FORM", "TOP", 40);
        registry.WriteInteger("OUTPUT_FORM", "LEFT", 50);
    }
    // Closed and opened again, the window keeps its corner: it never creeps.
    for (int round = 0; round < 3; ++round) {
        TFrmScriptOut& output = OpenOutput();
        EXPECT_EQ(output.pos(), QPoint(50, 40)) << round;
        output.close();
        FlushDeletes();
    }
    {
        platform::TRegIniFile registry(GlobalInfo().RegKey);
        registry.WriteInteger("OUTPUT_FORM", "TOP", 2147483647);
        registry.WriteInteger("OUTPUT_FORM", "HEIGHT", -1);
        registry.WriteInteger("WATCH_FORM", "LEFT", 5000);
        registry.WriteInteger("WATCH_FORM", "TOP", 3000);
    }
    const QRect screen = main->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(OpenOutput().frameGeometry()));
    EXPECT_TRUE(screen.contains(OpenWatches().frameGeometry()));
}

TEST_F(ToolWindowsTest, OutputHeightStopsAboveTheScreenFoot) {
    TFrmScriptOut& output = OpenOutput();
    EXPECT_EQ(output.maximumHeight(), output.screen()->geometry().height() - (main->height() + 30));
}

// --- Window places, all four windows.

TEST_F(ToolWindowsTest, BoundsAreWrittenOnlyInTheStatesEachWindowKeeps) {
    struct Case {
        const char* section;
        Qt::WindowState state;
        bool boundsWritten;
        int writtenState;
    };
    const std::map<std::string, std::function<QWidget*()>> make = {
        {"OUTPUT_FORM", [] { return new TFrmScriptOut(FrmMain); }},
        {"WATCH_FORM", [] { return new TFrmWatches(FrmMain); }},
        {"FORM_ADDWATCH", [] { return new TFrmAddWatch(FrmMain); }},
        {"FORM_COLORS", [] { return new TFrmSyntaxColor(FrmMain); }},
    };
    for (const Case& c : {Case{"OUTPUT_FORM", Qt::WindowMinimized, false, 1},
                          Case{"OUTPUT_FORM", Qt::WindowMaximized, true, 2},
                          Case{"OUTPUT_FORM", Qt::WindowNoState, true, 0},
                          Case{"WATCH_FORM", Qt::WindowMaximized, false, 2},
                          Case{"WATCH_FORM", Qt::WindowNoState, true, 0},
                          Case{"FORM_ADDWATCH", Qt::WindowMinimized, false, 1},
                          Case{"FORM_ADDWATCH", Qt::WindowNoState, true, 0},
                          Case{"FORM_COLORS", Qt::WindowMaximized, false, 2},
                          Case{"FORM_COLORS", Qt::WindowNoState, true, 0}}) {
        {
            platform::TRegIniFile registry(GlobalInfo().RegKey);
            registry.EraseSection(c.section);
        }
        std::unique_ptr<QWidget> window(make.at(c.section)());
        const auto settings = [&](int mode) {
            if (auto* output = qobject_cast<TFrmScriptOut*>(window.get())) output->LoadSaveSettings(mode);
            if (auto* watches = qobject_cast<TFrmWatches*>(window.get())) watches->LoadSaveSettings(mode);
            if (auto* addWatch = qobject_cast<TFrmAddWatch*>(window.get())) addWatch->LoadSaveSettings(mode);
            if (auto* colors = qobject_cast<TFrmSyntaxColor*>(window.get())) colors->LoadSaveSettings(mode);
        };
        settings(0);
        window->setWindowState(c.state);
        settings(1);
        platform::TRegIniFile registry(GlobalInfo().RegKey);
        EXPECT_EQ(registry.ValueExists(c.section, "WIDTH"), c.boundsWritten) << c.section << " " << c.state;
        EXPECT_EQ(registry.ValueExists(c.section, "TOP"), c.boundsWritten) << c.section << " " << c.state;
        EXPECT_EQ(registry.ReadInteger(c.section, "WindowState", -1), c.writtenState) << c.section;
    }
}

TEST_F(ToolWindowsTest, AnOutputWindowNeverShownLeavesTheStoredPlaceAlone) {
    {
        platform::TRegIniFile registry(GlobalInfo().RegKey);
        registry.WriteInteger("OUTPUT_FORM", "WIDTH", 333);
    }
    std::unique_ptr<TFrmScriptOut> output(new TFrmScriptOut(FrmMain));
    output->resize(250, 120);
    output->LoadSaveSettings(1);
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    EXPECT_EQ(registry.ReadInteger("OUTPUT_FORM", "WIDTH", 0), 333);
}

TEST(FormPlacementTest, MissingValuesKeepTheCurrentPlace) {
    THexTestFolder folder;
    platform::TRegIniFile registry("Software\\PlacementTest");
    registry.WriteInteger("S", "LEFT", 7);
    registry.WriteInteger("S", "WindowState", 2);
    const TFormPlacement read = ReadFormPlacement(registry, "S", {{1, 2, 3, 4}, wsNormal});
    EXPECT_EQ(read.Bounds.Top, 1);
    EXPECT_EQ(read.Bounds.Left, 7);
    EXPECT_EQ(read.Bounds.Height, 3);
    EXPECT_EQ(read.Bounds.Width, 4);
    EXPECT_EQ(read.WindowState, wsMaximized);
}

// --- The watch window.

TEST_F(ToolWindowsTest, WatchesComeBackAfterTheWindowClosesAndOpens) {
    TFrmWatches& watches = OpenWatches();
    EXPECT_EQ(watches.property("Tag").toInt(), 2000);
    EXPECT_EQ(watches.windowTitle(), "Watch Window");
    watches.AddWatch("a", "1");
    watches.AddWatch("b", "2");
    watches.close();
    EXPECT_EQ(FrmWatches, nullptr);
    FlushDeletes();

    TFrmWatches& reopened = OpenWatches();
    EXPECT_THAT(GridRows(*reopened.grdWatch),
                ElementsAre(Pair("Variable Name", "Value"), Pair("A", ""), Pair("B", "")));

    reopened.GridDeleteAllWatchesClick();
    EXPECT_THAT(GridRows(*reopened.grdWatch), ElementsAre(Pair("Variable Name", "Value"), Pair("", "")));
    reopened.close();
    FlushDeletes();
    EXPECT_THAT(GridRows(*OpenWatches().grdWatch), ElementsAre(Pair("Variable Name", "Value"), Pair("", "")));
}

TEST_F(ToolWindowsTest, DeleteWatchRemovesTheCurrentRow) {
    TFrmWatches& watches = OpenWatches();
    for (const char* name : {"a", "b", "c"}) watches.AddWatch(name, "");
    watches.grdWatch->setCurrentCell(1, 0);
    watches.GridDeleteWatch->trigger();
    EXPECT_THAT(GridRows(*watches.grdWatch),
                ElementsAre(Pair("Variable Name", "Value"), Pair("A", ""), Pair("C", "")));

    watches.grdWatch->setCurrentCell(-1, -1);
    watches.GridDeleteWatchClick();
    EXPECT_EQ(watches.grdWatch->rowCount(), 2);
}

TEST_F(ToolWindowsTest, RefreshingFillsTheValuesAndNeverTheCaptions) {
    TFrmWatches& watches = OpenWatches();
    watches.AddWatch("x", "");
    watches.AddWatch("gone", "stale");
    FakeControl control;
    control.Variables = {{"X", "1.5"}};
    watches.UpdateValues(control);
    EXPECT_THAT(GridRows(*watches.grdWatch),
                ElementsAre(Pair("Variable Name", "Value"), Pair("X", "1.5"), Pair("GONE", "")));
}

TEST_F(ToolWindowsTest, WatchMenuAndColumnWidths) {
    TFrmWatches& watches = OpenWatches();
    std::vector<std::string> captions;
    for (const QAction* item : watches.popGrid->actions()) captions.push_back(platform::FromQString(item->text()));
    EXPECT_THAT(captions, ElementsAre("&Add Watch", "&Delete Watch", "&Delete All Watches"));

    // The columns share the grid's width from the first show on, and follow it.
    for (const int width : {0, 400, 250}) {
        if (width > 0) {
            watches.resize(width, 300);
            QCoreApplication::processEvents();
        }
        const int inside = watches.grdWatch->contentsRect().width();
        EXPECT_GT(inside, 150) << width;
        EXPECT_EQ(watches.grdWatch->columnWidth(0), static_cast<int>(inside * 0.39)) << width;
        EXPECT_EQ(watches.grdWatch->columnWidth(1), static_cast<int>(inside * 0.58)) << width;
    }
}

TEST_F(ToolWindowsTest, AddWatchNeedsAScriptWindow) {
    TFrmWatches& watches = OpenWatches();
    watches.GridAddWatchClick();
    EXPECT_EQ(FrmAddWatch, nullptr);
}

// --- The add-watch dialog.

TEST_F(ToolWindowsTest, AddWatchDialogListsTheDumpAndAddsTheChosenVariable) {
    FakeScriptWindow script;
    script.DumpLines = {"Number | X = 5", "String | S=text", "Numeric Array | B | Dimensions 2 | 2,3,0,0,0"};
    FrmScript = &script;
    TFrmWatches& watches = OpenWatches();

    std::vector<std::string> listed;
    WhenModal([&] {
        auto* dialog = qobject_cast<TFrmAddWatch*>(FrmAddWatch);
        ASSERT_NE(dialog, nullptr);
        for (int row = 0; row < dialog->LstVars->count(); ++row)
            listed.push_back(platform::FromQString(dialog->LstVars->item(row)->text()));
        EXPECT_EQ(dialog->LstVars->toolTip(), "Double Click to Add Watch");
        dialog->LstVars->setCurrentRow(0);
        dialog->LstVarsDblClick();
        dialog->BitBtn1->click();
    });
    watches.grdWatchDblClick();

    EXPECT_EQ(script.Dumps, 1);
    EXPECT_THAT(listed, ElementsAre("Type: Number    Symbol:  X     Current Value:  5",
                                    "Type: String    Symbol:  S    Current Value: text"));
    EXPECT_THAT(GridRows(*watches.grdWatch), ElementsAre(Pair("Variable Name", "Value"), Pair("X ", " 5")));
    EXPECT_EQ(FrmAddWatch, nullptr);
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    EXPECT_TRUE(registry.ValueExists("FORM_ADDWATCH", "WindowState"));
}

TEST_F(ToolWindowsTest, EachShowOfTheAddWatchDialogListsAFreshDump) {
    FakeScriptWindow script;
    script.DumpLines = {"Number | X=5"};
    FrmScript = &script;
    TFrmWatches& watches = OpenWatches();
    for (int round = 0; round < 2; ++round) {
        WhenModal([] {
            auto* dialog = qobject_cast<TFrmAddWatch*>(FrmAddWatch);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->Entries().size(), 1u);
            // Nothing selected: the double click adds nothing.
            dialog->LstVarsDblClick();
            dialog->reject();
        });
        watches.GridAddWatchClick();
        FlushDeletes();
    }
    EXPECT_EQ(script.Dumps, 2);
    EXPECT_EQ(watches.Watches().RowCount(), 2);
    EXPECT_TRUE(watches.Watches().Row(1).Name.empty());
}

// --- The syntax-colour dialog.

TEST_F(ToolWindowsTest, SyntaxDialogShowsItsSamplesInTheScriptColours) {
    GlobalInfo().ScriptColors = {0x0000FF, 0x00FF00, 0xFF0000, 0x808080, 0x123456, 0xABCDEF, 0x102030};
    TFrmSyntaxColor dialog(main.get());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Set syntax highlighting preferences");
    EXPECT_EQ(dialog.property("Tag").toInt(), 4000);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"The color for language keywords.", "GOTO IF THEN WHILE"},
        {"The color for strings", "\"Hello There\""},
        {"The color for numbers", "4126924"},
        {"The color for variables and constants", "A B MyArray"},
        {"The color for comments", "' What the heck is going on here?"},
        {"The color for operators", "+ - * / ++ -- = =="},
        {"The background color of the edit area", ""},
    };
    for (int index = 0; index < 7; ++index) {
        const QLineEdit* sample = dialog.Samples[static_cast<std::size_t>(index)];
        EXPECT_EQ(sample->property("Tag").toInt(), index);
        EXPECT_EQ(platform::FromQString(sample->toolTip()), expected[static_cast<std::size_t>(index)].first);
        EXPECT_EQ(platform::FromQString(sample->text()), expected[static_cast<std::size_t>(index)].second);
        EXPECT_EQ(sample->palette().color(QPalette::Base), QColor(0x30, 0x20, 0x10)) << index;
        if (index < 6) {
            EXPECT_EQ(sample->palette().color(QPalette::Text),
                      QColorOfColorref(GlobalInfo().ScriptColors[static_cast<std::size_t>(index)]))
                << index;
        }
    }
    std::vector<std::string> labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) labels.push_back(platform::FromQString(label->text()));
    EXPECT_THAT(labels, ElementsAre("Reserved Words:", "Literal strings:", "Numeric constants:", "Symbols:",
                                    "Comments:", "Operators:", "Background:",
                                    "Doubleclick an edit area above to set the associated color"));
    EXPECT_EQ(dialog.BitBtn1->text(), "OK");
}

TEST_F(ToolWindowsTest, ChoosingTheBackgroundRecoloursEverySampleAndOkStoresIt) {
    GlobalInfo().ScriptColors = {1, 2, 3, 4, 5, 6, 0x00A00000};
    auto* dialog = new TFrmSyntaxColor(main.get());
    FrmSyntaxColor = dialog;
    user.PickColor(0x00112233);
    user.PickColor(0x00445566);
    int result = -1;
    WhenModal([&] {
        QTest::mouseDClick(dialog->EdtBack, Qt::LeftButton);
        QTest::mouseDClick(dialog->EdtNumber, Qt::LeftButton);
        for (const QLineEdit* sample : dialog->Samples)
            EXPECT_EQ(sample->palette().color(QPalette::Base), QColor(0x33, 0x22, 0x11));
        EXPECT_EQ(dialog->EdtNumber->palette().color(QPalette::Text), QColor(0x66, 0x55, 0x44));
        EXPECT_FALSE(dialog->EdtNumber->hasSelectedText());
        dialog->BitBtn1->click();
    });
    result = dialog->exec();
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(GlobalInfo().ScriptColors, (TScriptColors{1, 2, 0x00445566, 4, 5, 6, 0x00112233}));
    EXPECT_EQ(FrmSyntaxColor, nullptr);
    EXPECT_EQ(user.pending(), 0u);
}

TEST_F(ToolWindowsTest, CancelLeavesTheScriptColoursUnchanged) {
    const TScriptColors before = {1, 2, 3, 4, 5, 6, 7};
    GlobalInfo().ScriptColors = before;
    auto* dialog = new TFrmSyntaxColor(main.get());
    user.PickColor(0x00FFFFFF);
    user.Cancel();
    WhenModal([&] {
        dialog->EdtReservedDblClick(dialog->EdtReserved);
        dialog->EdtReservedDblClick(dialog->EdtComment);
        EXPECT_EQ(dialog->ColorSet().TextColor(0), 0x00FFFFFFu);
        EXPECT_EQ(dialog->ColorSet().TextColor(4), 5u);
        dialog->CancelButton->click();
    });
    EXPECT_EQ(dialog->exec(), QDialog::Rejected);
    EXPECT_EQ(GlobalInfo().ScriptColors, before);
}

TEST(SyntaxColorSetTest, TheChooserStartsFromTheSampleColour) {
    TSyntaxColorSet colors({10, 11, 12, 13, 14, 15, 16});
    std::vector<std::uint32_t> offered;
    const auto choose = [&](std::uint32_t initial) -> std::optional<std::uint32_t> {
        offered.push_back(initial);
        return 0xFF000099;
    };
    EXPECT_TRUE(colors.Choose(6, choose));
    EXPECT_TRUE(colors.Choose(3, choose));
    EXPECT_FALSE(colors.Choose(0, [](std::uint32_t) { return std::nullopt; }));
    EXPECT_THAT(offered, ElementsAre(16u, 13u));
    EXPECT_EQ(colors.Colors(), (TScriptColors{10, 11, 12, 0x99, 14, 15, 0x99}));
}

TEST(SyntaxColorSetTest, ColoursCrossToQtRedFirst) {
    EXPECT_EQ(QColorOfColorref(0x00A00000), QColor(0, 0, 160));
    EXPECT_EQ(QColorOfColorref(8454143), QColor(255, 255, 128));
    EXPECT_EQ(ColorrefOfQColor(QColor(255, 128, 128)), 8421631u);
}

// --- The main window's bookkeeping of the tool windows.

TEST_F(ToolWindowsTest, TheMainWindowMakesEachToolWindowOnce) {
    TFrmScriptOut* output = &OpenOutput();
    TFrmWatches* watches = &OpenWatches();
    EXPECT_EQ(&OpenOutput(), output);
    EXPECT_EQ(&OpenWatches(), watches);
    EXPECT_TRUE(main->ToolButton4->isEnabled());
    EXPECT_TRUE(main->ToolButton6->isEnabled());
    EXPECT_TRUE(output->isVisible());
    EXPECT_EQ(output->parentWidget(), main.get());
}

TEST_F(ToolWindowsTest, ClosingTheProgramWritesTheToolWindowsAndReopensThemAtStart) {
    main->FormCreate({});
    OpenWatches().AddWatch("total", "");
    OpenOutput();
    QPointer<QWidget> output = FrmScriptOut;
    main->close();
    EXPECT_EQ(FrmScriptOut, nullptr);
    EXPECT_EQ(FrmWatches, nullptr);
    FlushDeletes();
    EXPECT_TRUE(output.isNull());
    {
        platform::TRegIniFile registry(GlobalInfo().RegKey);
        EXPECT_TRUE(registry.ReadBool("WINDOWS", "Output", false));
        EXPECT_TRUE(registry.ReadBool("WINDOWS", "Watches", false));
        EXPECT_EQ(registry.ReadString("CURRENT_WATCHES", "WATCH_1", ""), "TOTAL");
        EXPECT_TRUE(registry.ValueExists("OUTPUT_FORM", "WindowState"));
    }

    main = std::make_unique<TFrmMain>();
    main->FormCreate({});
    ASSERT_NE(FrmWatches, nullptr);
    ASSERT_NE(FrmScriptOut, nullptr);
    EXPECT_THAT(GridRows(*qobject_cast<TFrmWatches*>(FrmWatches)->grdWatch),
                ElementsAre(Pair("Variable Name", "Value"), Pair("TOTAL", "")));
}

}  // namespace
