// The main window and the hex windows on Qt's offscreen platform, with a
// scripted user answering every dialog.
#include "Hexeditfrm.h"
#include "Mainfrm.h"
#include "Searchpages.h"
#include "Toolicons.h"

#include "HexTestFolder.h"
#include "KilledSession.h"

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/QtDialogs.h"
#include "platform/QtText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QStatusBar>
#include <QTableView>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <memory>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Bytes = std::vector<std::uint8_t>;
using platform::DialogResponder;
using platform::MsgAnswer;

namespace {

class WindowsTest : public ::testing::Test {
protected:
    WindowsTest() { GlobalInfo() = GLOBALINFO_TAG{}; }
    ~WindowsTest() override {
        main.reset();
        FlushDeletes();
    }

    static void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    TFrmMain& Start(const std::vector<std::string>& arguments = {}) {
        main = std::make_unique<TFrmMain>();
        main->FormCreate(arguments);
        return *main;
    }

    // The file's hex window, active, the focus where activation puts it; null when it is not.
    TFrmHexEdit* OpenActive(const std::string& path) {
        TFrmHexEdit* hex = Start({path}).ChannelWindow(0);
        if (!hex) return nullptr;
        hex->activateWindow();
        if (!QTest::qWaitForWindowActive(hex)) return nullptr;
        QCoreApplication::processEvents();
        return hex;
    }

    std::vector<std::pair<std::string, std::string>> Messages() const {
        std::vector<std::pair<std::string, std::string>> messages;
        for (const auto& call : user.calls())
            if (call.kind == DialogResponder::Kind::Message) messages.emplace_back(call.text, call.caption);
        return messages;
    }

    THexTestFolder folder;
    DialogResponder user;
    std::unique_ptr<TFrmMain> main;
};

TEST_F(WindowsTest, TheCommandLineOpensFilesAndRecordsTheScript) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(1000));
    const std::string b = folder.MakeFile("b.dat", {1, 2});
    const std::string missing = folder.Path("data/missing.dat");
    TFrmMain& window = Start({a, "/s", "script.txt", missing, b});

    ASSERT_TRUE(window.IsChannelOpen(0));
    ASSERT_TRUE(window.IsChannelOpen(1));
    EXPECT_EQ(window.ChannelWindow(0)->DataPath(), a);
    EXPECT_EQ(window.ChannelWindow(1)->DataPath(), b);
    // Names of the command line are known from the root.
    EXPECT_EQ(window.RequestedScript, platform::GetCurrentDir() + "/script.txt");
    EXPECT_TRUE(window.ScriptRunRequested);
    // The script's own messages (its control, its missing file) are the script window's.
    std::vector<std::pair<std::string, std::string>> channelMessages;
    for (const auto& message : Messages())
        if (message.second == "No more channels") channelMessages.push_back(message);
    EXPECT_THAT(channelMessages, ElementsAre(std::pair<std::string, std::string>{
                                     "File " + missing + " not found!\r\nOnly existing files can be used on the command line.\r\n",
                                     "No more channels"}));
    EXPECT_EQ(GlobalInfo().MRUFiles[0], b);
    EXPECT_EQ(GlobalInfo().MRUFiles[1], a);
    EXPECT_TRUE(window.mnuMainSep1->isVisible());
    EXPECT_EQ(window.mnuMainMRU[0]->data().toString().toStdString(), b);
    EXPECT_TRUE(window.mnuMainMRU[1]->isVisible());
    EXPECT_FALSE(window.mnuMainMRU[2]->isVisible());
}

TEST_F(WindowsTest, AHexWindowOpensLockedWithItsCaptionAndPages) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(1000));
    TFrmMain& window = Start({a});
    TFrmHexEdit* hex = window.ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    EXPECT_EQ(hex->windowTitle().toStdString(), "Ch: 0 " + a + " - 1000 bytes");
    EXPECT_EQ(hex->property("Tag").toInt(), TagHexEditWindow);
    EXPECT_TRUE(hex->isVisible());
    EXPECT_TRUE(hex->IsLocked());
    EXPECT_FALSE(hex->btnInsertBytes->isEnabled());
    EXPECT_FALSE(hex->btnSetString->isEnabled());
    EXPECT_EQ(hex->Position(), 0);
    std::vector<std::string> pages;
    for (int i = 0; i < hex->PagMain->count(); ++i) pages.push_back(hex->PagMain->tabText(i).toStdString());
    EXPECT_THAT(pages, ElementsAre("Decimal", "Binary", "Hex", "Hex Dump", "Search", "Search Results"));

    hex->btnLock->click();
    EXPECT_FALSE(hex->IsLocked());
    EXPECT_TRUE(hex->btnInsertBytes->isEnabled());
    hex->mnuTogglelock->trigger();
    EXPECT_TRUE(hex->IsLocked());
    EXPECT_FALSE(hex->btnLock->isChecked());
}

TEST_F(WindowsTest, CountDialogsReadTheLeadingNumberAndCancelDoesNothing) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    TFrmHexEdit* hex = Start({a}).ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    hex->SetPosition(10);
    const std::string work = hex->WorkingCopy().WorkPath();

    for (const char* refused : {"0", "-2", "abc"}) {
        user.Type(refused);
        hex->btnInsertBytesClick();
        user.Type(refused);
        hex->btnDeleteBytesClick();
    }
    user.Cancel();
    hex->btnInsertBytesClick();
    user.Cancel();
    hex->btnSizeFileClick();
    EXPECT_EQ(hex->WorkingCopy().WorkPath(), work);
    EXPECT_FALSE(hex->Modified());

    user.Type("1");
    hex->btnSizeFileClick();
    EXPECT_THAT(Messages(), ElementsAre(std::pair<std::string, std::string>{
                                "New File Size must be between 2 (minimum) and\r\nthe amount of free space on the disk.",
                                "Invalid Entry"}));

    user.Type("  +3x");
    hex->btnInsertBytesClick();
    EXPECT_EQ(hex->FileSize(), 103);
    EXPECT_EQ(hex->windowTitle().toStdString(), "Ch: 0 " + a + " - 103 bytes");
    user.Type("50");
    hex->btnDeleteBytesClick();
    EXPECT_EQ(hex->FileSize(), 53);
    user.Type("40");
    hex->btnSizeFileClick();
    EXPECT_EQ(hex->FileSize(), 40);
    EXPECT_EQ(hex->Position(), 10);
    EXPECT_TRUE(hex->Modified());
    EXPECT_EQ(user.pending(), 0u);
    EXPECT_EQ(user.calls()[0].caption, "Insert bytes at current position");
    EXPECT_EQ(user.calls()[0].text, "Enter the number of bytes to insert into the file.");
}

TEST_F(WindowsTest, PositionsAreClampedAndStringsNeverGrowTheFile) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    TFrmHexEdit* hex = Start({a}).ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    EXPECT_EQ(hex->SetPosition(-5), 1);
    EXPECT_EQ(hex->Position(), 0);
    hex->SetPosition(1000000);
    EXPECT_EQ(hex->Position(), 99);

    hex->SetPosition(95);
    EXPECT_EQ(hex->WriteString("ABCDEFGHIJ"), "ABCDEFGHIJ");
    EXPECT_EQ(hex->FileSize(), 100);
    EXPECT_EQ(hex->ReadString(10), "ABCDE");
    hex->SetPosition(97);
    hex->WriteWideString(u"xyz");
    Bytes tail(3);
    EXPECT_EQ(hex->ReadBytes(97, tail.data(), 8), 3u);
    EXPECT_EQ(tail, (Bytes{'x', 0, 'y'}));
    hex->Conversions.LoadValueBytes({1, 2, 3, 4, 5, 6, 7, 8});
    hex->WriteCurrentBytes();
    EXPECT_EQ(hex->ReadBytes(97, tail.data(), 3), 3u);
    EXPECT_EQ(tail, (Bytes{1, 2, 3}));
    EXPECT_TRUE(hex->Modified());
}

TEST_F(WindowsTest, ClosingAModifiedWindowAsksAndNoKeepsTheDataFile) {
    const Bytes original = THexTestFolder::Pattern(100);
    const std::string a = folder.MakeFile("a.dat", original);
    TFrmMain& window = Start({a});
    TFrmHexEdit* hex = window.ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    ASSERT_TRUE(hex->InsertBytes(4));
    const std::string work = hex->WorkingCopy().WorkPath();

    user.Answer(MsgAnswer::No);
    hex->mnuCloseClick();
    FlushDeletes();
    EXPECT_THAT(Messages(), ElementsAre(std::pair<std::string, std::string>{"Save Changes to " + a + "? \r\n",
                                                                            "Save Changes?"}));
    EXPECT_FALSE(window.IsChannelOpen(0));
    EXPECT_FALSE(platform::FileExists(work));
    EXPECT_EQ(THexTestFolder::ReadFile(a), original);
}

TEST_F(WindowsTest, AFailedSaveOnCloseKeepsTheWindowAndItsChanges) {
    std::filesystem::create_directory(folder.Path("data/sub"));
    const std::string a = folder.Path("data/sub/a.dat");
    { std::ofstream(a) << "abcdef"; }
    TFrmMain& window = Start({a});
    TFrmHexEdit* hex = window.ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    ASSERT_EQ(hex->SetFileSize(3), 3);
    std::filesystem::remove_all(folder.Path("data/sub"));

    user.Answer(MsgAnswer::Yes);
    hex->close();
    EXPECT_TRUE(window.IsChannelOpen(0));
    EXPECT_TRUE(hex->isVisible());
    EXPECT_TRUE(hex->Modified());
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1], (std::pair<std::string, std::string>{
                                 "Failed to save " + a + "\r\nThe changes are kept in the window.", "Save failed"}));

    // Saved elsewhere, the window closes without a question.
    const std::string other = folder.Path("data/other.dat");
    user.Type(other);
    hex->btnSaveAsClick();
    EXPECT_EQ(hex->DataPath(), other);
    EXPECT_FALSE(hex->Modified());
    hex->close();
    EXPECT_FALSE(window.IsChannelOpen(0));
    EXPECT_EQ(THexTestFolder::ReadFile(other), (Bytes{'a', 'b', 'c'}));
}

TEST_F(WindowsTest, ClosingTheProgramWhileAScriptRunsStillAsksAboutChanges) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(10));
    const std::string b = folder.MakeFile("b.dat", THexTestFolder::Pattern(10));
    TFrmMain& window = Start({a, b});
    ASSERT_TRUE(window.ChannelWindow(0)->InsertBytes(1));
    ASSERT_TRUE(window.ChannelWindow(1)->InsertBytes(1));
    GlobalInfo().ScriptRunning = 1;
    // The user closes one hex window, then the program.
    user.Answer(MsgAnswer::No);
    window.ChannelWindow(1)->close();
    EXPECT_FALSE(window.IsChannelOpen(1));
    user.Answer(MsgAnswer::Yes);
    window.close();
    GlobalInfo().ScriptRunning = 0;
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_EQ(THexTestFolder::ReadFile(a).size(), 11u);
    EXPECT_EQ(THexTestFolder::ReadFile(b).size(), 10u);
    EXPECT_FALSE(window.IsChannelOpen(0));
}

TEST_F(WindowsTest, ReopenOffersTheChangesForSavingAndCancelKeepsThem) {
    const Bytes original = THexTestFolder::Pattern(100);
    const std::string a = folder.MakeFile("a.dat", original);
    TFrmMain& window = Start({a});
    TFrmHexEdit* hex = window.ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    hex->btnLock->click();
    ASSERT_TRUE(hex->InsertBytes(2));

    user.Answer(MsgAnswer::Cancel);
    hex->btnReopenClick();
    EXPECT_EQ(hex->FileSize(), 102);
    EXPECT_TRUE(hex->Modified());
    EXPECT_FALSE(hex->IsLocked());
    EXPECT_EQ(Messages()[0], (std::pair<std::string, std::string>{
                                 "Save Changes to " + a + " before reopening it? \r\n", "Reopen File"}));
    EXPECT_EQ(user.calls()[0].buttons, platform::MsgButtons::YesNoCancel);

    user.Answer(MsgAnswer::No);
    hex->btnReopenClick();
    EXPECT_EQ(hex->FileSize(), 100);
    EXPECT_FALSE(hex->Modified());
    EXPECT_TRUE(hex->IsLocked());
    EXPECT_EQ(THexTestFolder::ReadFile(a), original);

    hex->btnLock->click();
    ASSERT_TRUE(hex->InsertBytes(3));
    user.Answer(MsgAnswer::Yes);
    hex->btnReopenClick();
    EXPECT_EQ(hex->FileSize(), 103);
    EXPECT_FALSE(hex->Modified());
    EXPECT_EQ(THexTestFolder::ReadFile(a).size(), 103u);

    // With the data file gone the window closes and frees its channel.
    std::filesystem::remove(a);
    hex->btnReopenClick();
    FlushDeletes();
    EXPECT_FALSE(window.IsChannelOpen(0));
    EXPECT_THAT(folder.Entries("tmp"), IsEmpty());
}

// Ctrl+W on a modified window, then Escape in the real question: the window
// stays with its change.
TEST_F(WindowsTest, EscapeInTheCloseQuestionKeepsTheWindowAndItsChange) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    TFrmHexEdit* hex = Start({a}).ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    ASSERT_TRUE(hex->InsertBytes(1));
    hex->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(hex));

    platform::QtDialogs real;
    platform::Dialogs* responder = platform::InstallDialogs(&real);
    QStringList buttons;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        poll.stop();
        for (QAbstractButton* button : box->buttons()) buttons << button->text().remove('&');
        QTest::keyClick(box, Qt::Key_Escape);
    });
    poll.start(10);
    // Ctrl+W, or the desktop's own Close key.
    QCoreApplication::processEvents();
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keySequence(focused, hex->mnuClose->shortcut());
    poll.stop();
    platform::InstallDialogs(responder);
    FlushDeletes();

    EXPECT_TRUE(buttons.contains("Cancel")) << buttons.join(",").toStdString();
    EXPECT_TRUE(main->IsChannelOpen(0));
    EXPECT_TRUE(hex->isVisible());
    EXPECT_TRUE(hex->Modified());
    EXPECT_EQ(hex->FileSize(), 101);
}

TEST_F(WindowsTest, CancelAtExitKeepsTheProgramAndEveryChannelOpen) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(10));
    const std::string b = folder.MakeFile("b.dat", THexTestFolder::Pattern(10));
    TFrmMain& window = Start({a, b});
    ASSERT_TRUE(window.ChannelWindow(0)->InsertBytes(1));
    ASSERT_TRUE(window.ChannelWindow(1)->InsertBytes(1));
    user.Answer(MsgAnswer::Cancel);
    EXPECT_FALSE(window.close());
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(window.isVisible());
    for (std::int32_t channel : {0, 1}) {
        ASSERT_TRUE(window.IsChannelOpen(channel));
        EXPECT_TRUE(window.ChannelWindow(channel)->Modified());
    }
    EXPECT_EQ(THexTestFolder::ReadFile(a).size(), 10u);
}

TEST_F(WindowsTest, NewAsksTheSizeBeforeItTouchesTheFile) {
    const Bytes existing{9, 9, 9};
    const std::string taken = folder.MakeFile("taken.dat", existing);
    TFrmMain& window = Start();
    for (const char* refused : {"0", "-5", "letters"}) {
        user.Type(taken);
        user.Type(refused);
        window.btnNewFileClick();
    }
    user.Type(taken);
    user.Cancel();
    window.btnNewFileClick();
    EXPECT_EQ(THexTestFolder::ReadFile(taken), existing);
    EXPECT_EQ(Messages().size(), 3u);
    EXPECT_EQ(Messages()[0], (std::pair<std::string, std::string>{"Failed to create file\r\n", "Cannot continue"}));
    EXPECT_FALSE(window.IsChannelOpen(0));

    const std::string fresh = folder.Path("data/new.dat");
    user.Type(fresh);
    user.Type("12abc");
    window.btnNewFileClick();
    EXPECT_EQ(THexTestFolder::ReadFile(fresh), Bytes(12, 0));
    ASSERT_TRUE(window.IsChannelOpen(0));
    EXPECT_EQ(window.ChannelWindow(0)->DataPath(), fresh);
    EXPECT_EQ(GlobalInfo().MRUFiles[0], "");
}

TEST_F(WindowsTest, OpenAndRecentFilesReportWhatWentWrong) {
    const std::string a = folder.MakeFile("one & two.dat", {1});
    TFrmMain& window = Start();
    user.Type(a);
    window.BtnOpenFileClick();
    ASSERT_TRUE(window.IsChannelOpen(0));
    EXPECT_EQ(window.mnuMainMRU[0]->text().toStdString(), platform::FromQString(platform::ToQString(a).replace("&", "&&")));
    EXPECT_EQ(user.calls()[0].text, "Open a file for Hex Edit");

    // The recent item keeps its path, '&' and all.
    window.mnuMainMRU[0]->trigger();
    ASSERT_TRUE(window.IsChannelOpen(1));
    EXPECT_EQ(window.ChannelWindow(1)->DataPath(), a);

    for (int i = 2; i < ChannelLimit; ++i) ASSERT_TRUE(window.OpenFileInChannel(a));
    window.mnuMainMRU[0]->trigger();
    std::filesystem::remove(a);
    window.mnuMainMRU[0]->trigger();
    EXPECT_THAT(Messages(), ElementsAre(
                                std::pair<std::string, std::string>{
                                    "Too many open files\r\nThere are no more channels available", "No more channels"},
                                std::pair<std::string, std::string>{"File " + a + " not found!\r\n", "No more channels"}));
    // Each box carries the sign of a warning.
    for (const auto& call : user.calls()) {
        if (call.kind == DialogResponder::Kind::Message) {
            EXPECT_EQ(call.icon, platform::MsgIcon::Warning) << call.text;
        }
    }
}

TEST_F(WindowsTest, SettingsSurviveARestart) {
    const std::string a = folder.MakeFile("a.dat", {1});
    QPoint channelPlace;
    {
        TFrmMain& window = Start({a});
        window.move(30, 40);
        TFrmHexEdit* hex = window.ChannelWindow(0);
        hex->resize(hex->minimumSize());
        const QRect screen = hex->screen()->availableGeometry();
        channelPlace = screen.topLeft() + QPoint((screen.width() - hex->width()) / 2, (screen.height() - hex->height()) / 2);
        hex->move(channelPlace);
        window.close();
        main.reset();
        FlushDeletes();
    }
    GlobalInfo() = GLOBALINFO_TAG{};
    TFrmMain& window = Start({a});
    EXPECT_EQ(window.pos(), QPoint(30, 40));
    EXPECT_EQ(window.windowTitle().toStdString(), "Qorm - Tessaline Version 2.0");
    EXPECT_EQ(GlobalInfo().MRUFiles[0], a);
    EXPECT_TRUE(window.mnuMainMRU[0]->isVisible());
    EXPECT_EQ(window.ChannelWindow(0)->pos(), channelPlace);
}

// A file whose bytes at `at` are `bytes`, zeros elsewhere.
Bytes ZerosWith(std::size_t size, const std::vector<std::pair<std::size_t, Bytes>>& pieces) {
    Bytes file(size, 0);
    for (const auto& [at, bytes] : pieces) std::copy(bytes.begin(), bytes.end(), file.begin() + at);
    return file;
}

std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

TEST_F(WindowsTest, TheViewsShowTheFileBytesAtThePosition) {
    Bytes file = THexTestFolder::Pattern(300);
    std::copy_n(Bytes{0x01, 0, 0, 0, 0, 0, 0, 0x80}.begin(), 8, file.begin() + 100);
    TFrmHexEdit* hex = Start({folder.MakeFile("a.dat", file)}).ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    const TValueViews& views = *hex->Views;
    EXPECT_EQ(hex->PagMain->currentWidget(), hex->tabDecimal);
    EXPECT_EQ(Text(views.edtJumpTo), "1");
    EXPECT_EQ(Text(views.edtDec[1]), "1");

    hex->SetPosition(100);
    EXPECT_EQ(Text(views.edtJumpTo), "101");
    EXPECT_EQ(views.lblPos[7]->text().toStdString(), "108");
    EXPECT_EQ(Text(views.edtDec[0]), "1");
    EXPECT_EQ(Text(views.edtHex[7]), "80");
    EXPECT_EQ(Text(views.edtBinary[0]), "0000-0001");
    EXPECT_EQ(Text(views.edtWORD[0]), "1");
    EXPECT_EQ(Text(views.edtShort[3]), "-32768");
    EXPECT_EQ(Text(views.edtLong[1]), "-2147483648");
    EXPECT_EQ(Text(views.edtInt64), "-9223372036854775807");
    EXPECT_EQ(Text(views.edtTextDisplay).substr(8, 3), "l" "m" "n");  // bytes 108..110 of the pattern
    const std::pair<int, double> values[] = {{1, 1}, {2, 1}, {3, 1}, {7, 1}, {8, 1}, {0, 0}, {4, 0}, {9, 0}};
    for (const auto& [type, value] : values) EXPECT_EQ(hex->ReadValue(static_cast<std::int8_t>(type)), value) << type;
    EXPECT_EQ(hex->LastValue, 0);

    hex->PagMain->setCurrentWidget(hex->tabHex);
    EXPECT_EQ(Text(views.edtHex64), "80 00 00 00 00 00 00 01");
    hex->PagMain->setCurrentWidget(hex->tabBin);
    EXPECT_EQ(Text(views.edtBinShort[0]), "0000-0000-0000-0001");
    hex->PagMain->setCurrentWidget(hex->tabDump);
    ASSERT_GE(views.lstHexDump->count(), 16);
    EXPECT_EQ(views.lstHexDump->item(12)->text().toStdString(),
              "29 2A 2B 2C 2D 2E 2F 30 00 00 00 00 00 00 00 00 ");  // file bytes 292..299, then past the end
    EXPECT_EQ(views.lstDumpPrint->item(15)->text().toStdString(), std::string(16, '.'));

    // The hidden byte-order item switches every integer view.
    hex->PagMain->setCurrentWidget(hex->tabDecimal);
    EXPECT_FALSE(hex->optEndian->isVisible());
    hex->optEndian->trigger();
    EXPECT_FALSE(hex->LittleEndian());
    EXPECT_EQ(Text(views.edtWORD[0]), "256");
    EXPECT_EQ(hex->ReadValue(7), 256);
}

TEST_F(WindowsTest, WorkingCopiesOfAKilledSessionAreOfferedAtStart) {
    const Bytes original = THexTestFolder::Pattern(100);
    const std::string a = folder.MakeFile("a.dat", original);
    const std::string b = folder.MakeFile("b.dat", original);
    LeaveChangesOfAKilledSession(a, folder.HomeFolder(), 2);
    LeaveChangesOfAKilledSession(b, folder.HomeFolder(), 2);
    user.Answer(MsgAnswer::Yes);
    user.Answer(MsgAnswer::No);

    TFrmMain& window = Start();

    ASSERT_EQ(user.calls().size(), 2u);
    for (const auto& call : user.calls()) {
        EXPECT_EQ(call.caption, "Unsaved Changes Found");
        EXPECT_EQ(call.buttons, platform::MsgButtons::YesNoCancel);
    }
    const std::string opened = user.calls()[0].text.find(a) != std::string::npos ? a : b;
    TFrmHexEdit* hex = window.ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    EXPECT_EQ(hex->DataPath(), opened);
    EXPECT_TRUE(hex->Modified());
    EXPECT_EQ(hex->FileSize(), 102);
    EXPECT_FALSE(window.IsChannelOpen(1));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.HomeFolder()), {}), 2);  // the copy and its name

    hex->btnSave->trigger();
    Bytes saved(original.size() + 2, 0);
    std::copy(original.begin(), original.end(), saved.begin() + 2);
    EXPECT_EQ(THexTestFolder::ReadFile(opened), saved);
}

// The command line's files take the first channels; a recovered copy
// takes the next free one, so a script that works on channel 0 edits the
// file it named.
TEST_F(WindowsTest, LeftCopiesAreOfferedAfterTheCommandLinesFilesHaveTheirChannels) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    const std::string other = folder.MakeFile("other.dat", {1, 2, 3});
    LeaveChangesOfAKilledSession(a, folder.HomeFolder(), 2);
    user.Answer(MsgAnswer::Yes);

    TFrmMain& window = Start({other});

    ASSERT_EQ(user.calls().size(), 1u);
    EXPECT_EQ(user.calls()[0].caption, "Unsaved Changes Found");
    ASSERT_NE(window.ChannelWindow(0), nullptr);
    EXPECT_EQ(window.ChannelWindow(0)->DataPath(), other);
    ASSERT_NE(window.ChannelWindow(1), nullptr);
    EXPECT_EQ(window.ChannelWindow(1)->DataPath(), a);
    EXPECT_TRUE(window.ChannelWindow(1)->Modified());
}

// An unattended run of a command-line script asks nothing: the copies stay
// for the next start that has a user.
TEST_F(WindowsTest, ACommandLineScriptRunNeverWaitsOnTheOfferOfLeftCopies) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    const std::string other = folder.MakeFile("other.dat", {1, 2, 3});
    LeaveChangesOfAKilledSession(a, folder.HomeFolder(), 2);

    TFrmMain& window = Start({other, "/S", folder.Path("data/batch.bas")});

    for (const auto& message : Messages()) EXPECT_NE(message.second, "Unsaved Changes Found");
    EXPECT_EQ(window.ChannelWindow(0)->DataPath(), other);
    EXPECT_FALSE(window.IsChannelOpen(1));
    main.reset();
    FlushDeletes();
    EXPECT_EQ(FindLeftWorkingCopies({folder.TempFolder(), folder.HomeFolder()}).size(), 1u);
}

// Another program wrote the data file since it was opened: the user's Save
// asks before overwriting it (No keeps both the file and the window's
// changes), a script's save refuses without a word.
TEST_F(WindowsTest, ASaveOverAFileChangedOnDiskAsksTheUserAndRefusesAScript) {
    const std::string a = folder.MakeFile("a.dat", {1, 2, 3, 4});
    TFrmHexEdit* hex = Start({a}).ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    const std::uint8_t mark = 9;
    hex->WriteBytes(0, &mark, 1);
    const Bytes theirs{7, 7, 7, 7, 7};
    folder.MakeFile("a.dat", theirs);

    EXPECT_FALSE(hex->SaveFile(""));
    EXPECT_FALSE(hex->SaveFile(a));
    EXPECT_THAT(user.calls(), IsEmpty());
    EXPECT_EQ(THexTestFolder::ReadFile(a), theirs);

    user.Answer(MsgAnswer::No);
    hex->btnSave->trigger();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].second, "File Changed on Disk");
    EXPECT_NE(Messages()[0].first.find(a), std::string::npos);
    EXPECT_EQ(THexTestFolder::ReadFile(a), theirs);
    EXPECT_TRUE(hex->Modified());

    user.Answer(MsgAnswer::Yes);
    hex->btnSave->trigger();
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_EQ(THexTestFolder::ReadFile(a), (Bytes{9, 2, 3, 4}));
    EXPECT_FALSE(hex->Modified());
    hex->WriteBytes(1, &mark, 1);
    EXPECT_TRUE(hex->SaveFile(""));  // nothing changed on the disk since
    EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(WindowsTest, AnEditInAViewBoxReachesTheWorkingCopyAndTheDataFileAfterSave) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    TFrmHexEdit* hex = Start({a}).ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    QCoreApplication::processEvents();
    hex->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(hex));
    QCoreApplication::processEvents();
    EXPECT_TRUE(hex->Views->edtChar[0]->hasFocus());
    const TValueViews& views = *hex->Views;
    const auto typeAndLeave = [](QLineEdit* box, const char* text, QWidget* next) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
        next->setFocus();
    };

    // Locked, a typed value stays in its box only.
    hex->SetPosition(96);
    typeAndLeave(views.edtDWORD[0], "7", views.edtDWORD[1]);
    EXPECT_FALSE(hex->Modified());

    hex->btnLock->click();
    typeAndLeave(views.edtDWORD[0], "-1", views.edtDWORD[1]);
    typeAndLeave(views.edtHex[1], "7", views.edtDec[1]);
    EXPECT_TRUE(hex->Modified());
    EXPECT_EQ(Text(views.edtDWORD[0]), "4294903807");
    EXPECT_EQ(Text(views.edtLong[0]), "-63489");
    Bytes tail(8);
    ASSERT_EQ(hex->ReadBytes(96, tail.data(), tail.size()), 4u);
    EXPECT_EQ(tail, (Bytes{0xFF, 0x07, 0xFF, 0xFF, 0, 0, 0, 0}));

    // At the last byte only the bytes inside the file change.
    hex->SetPosition(99);
    typeAndLeave(views.edtWORD[0], "4660", views.edtWORD[1]);
    EXPECT_EQ(hex->FileSize(), 100);
    EXPECT_EQ(Text(views.edtWORD[0]), "52");

    // Coming back to the window moves the focus on to the first character box:
    // the box left so is written too.
    hex->SetPosition(0);
    views.edtDec[2]->setFocus();
    views.edtDec[2]->selectAll();
    QTest::keyClicks(views.edtDec[2], "29");
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    hex->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(hex));
    QCoreApplication::processEvents();
    EXPECT_TRUE(views.edtChar[0]->hasFocus());
    EXPECT_EQ(Text(views.edtDec[2]), "29");

    hex->btnSave->trigger();
    EXPECT_FALSE(hex->Modified());
    Bytes expected = THexTestFolder::Pattern(100);
    expected[2] = 29;
    std::copy_n(Bytes{0xFF, 0x07, 0xFF, 0x34}.begin(), 4, expected.begin() + 96);
    EXPECT_EQ(THexTestFolder::ReadFile(a), expected);
    EXPECT_THAT(Messages(), IsEmpty());
}

// A click into a box of a window that is not the active one: the window
// system activates the window, then the press puts the focus into the box.
// The focus move that coming back to a window makes must not then take the
// typed keys to box A.
TEST_F(WindowsTest, AClickIntoABoxOfAnInactiveWindowTypesIntoThatBox) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(100));
    TFrmHexEdit* hex = Start({a}).ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    hex->btnLock->click();
    const TValueViews& views = *hex->Views;
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    QCoreApplication::processEvents();

    QApplication::setActiveWindow(hex);
    QTest::mouseClick(views.edtDec[3], Qt::LeftButton);
    QCoreApplication::processEvents();
    QWidget* typedInto = QApplication::focusWidget();
    EXPECT_EQ(typedInto, views.edtDec[3]);
    // The box shows 3; the key goes after it.
    QTest::keyClick(typedInto, Qt::Key_End);
    QTest::keyClicks(typedInto, "9");
    QTest::keyClick(typedInto, Qt::Key_Tab);
    QCoreApplication::processEvents();

    Bytes start(4);
    ASSERT_EQ(hex->ReadBytes(0, start.data(), start.size()), 4u);
    EXPECT_EQ(start, (Bytes{0, 1, 2, 39}));
}

TEST_F(WindowsTest, ASearchFromTheSearchPageListsTheHitsAndSteppingMovesThePosition) {
    // Hits at the start, across the first block boundary and at the very end.
    const Bytes file = ZerosWith(600000, {{10, {'a', 'b', 'c'}}, {511998, {'a', 'b', 'c'}}, {599997, {'A', 'B', 'C'}}});
    TFrmHexEdit* hex = Start({folder.MakeFile("a.dat", file)}).ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    TSearchPages& search = *hex->SearchPages;
    hex->SetPosition(5);
    hex->PagMain->setCurrentWidget(hex->tabSearch);
    search.edtSearchValue->setText("abc");
    if (search.chkCase->isChecked()) search.chkCase->click();
    search.btnBeginSearch->click();

    EXPECT_EQ(hex->PagMain->currentWidget(), hex->tabResults);
    EXPECT_EQ(hex->Position(), 5);
    EXPECT_EQ(search.lblSearchCount->text().toStdString(), "3 matches.");
    const QAbstractItemModel& rows = *search.lstResults->model();
    ASSERT_EQ(rows.rowCount(), 3);
    EXPECT_EQ(rows.index(1, 0).data().toString().toStdString(), "511999");

    search.btnSearches->Down->click();
    EXPECT_EQ(hex->Position(), 10);
    EXPECT_EQ(Text(search.edtSearchResult), "11");
    EXPECT_EQ(Text(hex->Views->edtJumpTo), "11");
    search.btnSearches->Down->click();
    EXPECT_EQ(hex->Position(), 511998);
    search.btnLastResult->click();
    EXPECT_EQ(hex->Position(), 599997);
    EXPECT_EQ(Text(hex->Views->edtChar[0]), "A");
    search.btnSearches->Up->click();
    EXPECT_EQ(hex->Position(), 511998);

    // Reopening the file starts the stepping anew and keeps the hits.
    hex->btnReopenClick();
    EXPECT_EQ(Text(search.edtSearchResult), "");
    EXPECT_EQ(rows.rowCount(), 3);
    EXPECT_EQ(search.lblSearchCount->text().toStdString(), "3 matches.");
}

// The manual's changed-value hunt: search, keep the list, let the value
// change in the file, Reopen, search the new value, then Match and Diff.
TEST_F(WindowsTest, AValueThatChangedIsFoundByMatchAfterAReopen) {
    const auto dword = [](std::uint32_t value) {
        return Bytes{std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16), std::uint8_t(value >> 24)};
    };
    const std::string a = folder.MakeFile(
        "game.sav", ZerosWith(40000, {{12288, dword(1500)}, {20480, dword(1500)}, {36864, dword(1400)}}));
    TFrmHexEdit* hex = Start({a}).ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    TSearchPages& search = *hex->SearchPages;
    const auto searchFor = [&](const char* value) {
        hex->PagMain->setCurrentWidget(hex->tabSearch);
        search.Session().SetSearchType(stDWord);
        search.Session().SetSearchValue(value);
        search.btnBeginSearch->click();
    };
    const auto rows = [](const QTableView* grid) {
        std::vector<std::string> texts;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            texts.push_back(grid->model()->index(row, 0).data().toString().toStdString());
        return texts;
    };

    searchFor("1500");
    EXPECT_THAT(rows(search.lstResults), ElementsAre("12289", "20481"));
    search.btnMoveRight->click();
    EXPECT_THAT(rows(search.lstPrevFile), ElementsAre("12289", "20481"));
    EXPECT_EQ(search.lblPrevFile->text().toStdString(), "2 results");

    // The game changes the value at 12289 to 1600; 36865 happened to become 1600 too.
    std::fstream game(a, std::ios::in | std::ios::out | std::ios::binary);
    for (const std::streamoff at : {12288, 36864}) {
        game.seekp(at);
        game.write("\x40\x06\0\0", 4);
    }
    game.close();
    hex->btnReopenClick();
    EXPECT_THAT(rows(search.lstPrevFile), ElementsAre("12289", "20481"));
    EXPECT_EQ(search.lblPrevFile->text().toStdString(), "2 results");
    EXPECT_THAT(rows(search.lstResults), ElementsAre("12289", "20481"));
    EXPECT_EQ(search.lblSearchCount->text().toStdString(), "2 matches.");

    searchFor("1600");
    EXPECT_THAT(rows(search.lstResults), ElementsAre("12289", "36865"));
    search.btnMatch->click();
    EXPECT_THAT(rows(search.lstResults), ElementsAre("12289"));
    EXPECT_EQ(search.lblSearchCount->text().toStdString(), "1 matches");

    searchFor("1600");
    search.btnDiffSearch->click();
    EXPECT_THAT(rows(search.lstResults), ElementsAre("20481", "36865"));
    EXPECT_EQ(search.lblSearchCount->text().toStdString(), "2 differences");
}

TEST_F(WindowsTest, WhileAScanRunsTheCopyStaysAsItIsAndACloseWaitsUntilTheScanHasUnwound) {
    const Bytes file = ZerosWith(1100000, {{100, {'x', 'y', 'z'}}, {700000, {'x', 'y', 'z'}}});
    const std::string a = folder.MakeFile("a.dat", file);
    TFrmMain& window = Start({a});
    TFrmHexEdit* hex = window.ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    hex->btnLock->click();
    TSearchPages& search = *hex->SearchPages;
    search.Session().PumpInterval = std::chrono::milliseconds(0);
    search.edtSearchValue->setText("xyz");

    bool ranDuringScan = false;
    QMetaObject::invokeMethod(qApp, [&] {
        ranDuringScan = hex->Scanning();
        EXPECT_FALSE(hex->ToolBar1->isEnabled());
        EXPECT_FALSE(hex->Views->ByteStrip()->isEnabled());
        EXPECT_TRUE(search.btnSearchCancel->isEnabled());
        EXPECT_FALSE(hex->InsertBytes(1));
        EXPECT_FALSE(hex->DeleteBytes(1));
        EXPECT_EQ(hex->SetFileSize(5), 1100000);
        EXPECT_EQ(hex->WriteString("x"), "");
        hex->Conversions.LoadValueBytes({1, 2, 3, 4, 5, 6, 7, 8});
        hex->WriteCurrentBytes();
        EXPECT_FALSE(hex->SaveFile(""));
        hex->btnReopenClick();
        EXPECT_FALSE(hex->Modified());
        EXPECT_FALSE(window.CloseChannel(0, true));
        hex->close();
        EXPECT_TRUE(window.IsChannelOpen(0));
        EXPECT_TRUE(hex->isVisible());
    }, Qt::QueuedConnection);
    search.btnBeginSearch->click();

    // The close stopped the scan after its first block and waits for the event loop.
    EXPECT_TRUE(ranDuringScan);
    EXPECT_FALSE(hex->Scanning());
    EXPECT_EQ(search.lblSearchCount->text().toStdString(), "1 matches.");
    EXPECT_TRUE(window.IsChannelOpen(0));
    QCoreApplication::processEvents();
    FlushDeletes();
    EXPECT_FALSE(window.IsChannelOpen(0));
    EXPECT_EQ(THexTestFolder::ReadFile(a), file);
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(WindowsTest, ExitDuringAScanStopsItAndThenEndsTheProgram) {
    const std::string a = folder.MakeFile("a.dat", ZerosWith(1100000, {{100, {'x', 'y', 'z'}}}));
    TFrmMain& window = Start({a});
    TFrmHexEdit* hex = window.ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    TSearchPages& search = *hex->SearchPages;
    search.Session().PumpInterval = std::chrono::milliseconds(0);
    search.edtSearchValue->setText("xyz");
    QMetaObject::invokeMethod(qApp, [&] { window.MnuFileExitClick(); }, Qt::QueuedConnection);
    search.btnBeginSearch->click();

    EXPECT_FALSE(hex->Scanning());
    EXPECT_FALSE(window.Closed());
    // Once the scan has unwound, the close goes on from the event loop.
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.Closed());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.IsChannelOpen(0));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(WindowsTest, MenusCarryTheStandardShortcuts) {
    const std::string a = folder.MakeFile("a.dat", {1});
    TFrmMain& window = Start({a});
    TFrmHexEdit* hex = window.ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    QAction* find = nullptr;
    for (QAction* action : hex->actions())
        if (action->text() == "Find") find = action;
    ASSERT_NE(find, nullptr);
    // The platform's keys, or the common ones where the platform has none.
    struct Case {
        QAction* action;
        QKeySequence::StandardKey key;
        QKeySequence fallback;
    };
    for (const Case& c : {Case{window.btnNewFile, QKeySequence::New, {}},
                          Case{window.BtnOpenFile, QKeySequence::Open, {}},
                          Case{window.MnuFileExit, QKeySequence::Quit, Qt::CTRL | Qt::Key_Q},
                          Case{hex->btnSave, QKeySequence::Save, {}},
                          Case{hex->btnSaveAs, QKeySequence::SaveAs, Qt::CTRL | Qt::SHIFT | Qt::Key_S},
                          Case{hex->mnuClose, QKeySequence::Close, Qt::CTRL | Qt::Key_W},
                          Case{hex->btnReopen, QKeySequence::Refresh, Qt::Key_F5},
                          Case{find, QKeySequence::Find, {}}}) {
        const QList<QKeySequence> standard = QKeySequence::keyBindings(c.key);
        EXPECT_EQ(c.action->shortcuts(), standard.isEmpty() ? QList<QKeySequence>{c.fallback} : standard)
            << c.action->text().toStdString();
        EXPECT_FALSE(c.action->shortcuts().isEmpty()) << c.action->text().toStdString();
    }
    // The hints stay the tool tips.
    EXPECT_EQ(hex->btnSave->toolTip().toStdString(), "Save the changes to the file.");
    EXPECT_EQ(window.BtnOpenFile->toolTip().toStdString(), "Open a file for Hex Edit");
}

// Every built-in image is drawn (no image plugin needed), and the tool buttons
// of the main and the hex windows show the image of their command, with the
// hint as the tool tip.
TEST_F(WindowsTest, ToolButtonsShowTheImagesOfTheirCommands) {
    for (const TToolIcon kind : AllToolIcons()) {
        const QImage image = BuiltInToolIcon(kind).pixmap(24).toImage();
        ASSERT_FALSE(image.isNull()) << static_cast<int>(kind);
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) inked += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(inked, 24 * 24 / 10) << static_cast<int>(kind);
    }

    const std::string a = folder.MakeFile("a.dat", {1});
    TFrmMain& window = Start({a});
    TFrmHexEdit* hex = window.ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    struct Case {
        QAction* action;
        TToolIcon icon;
        const char* hint;
    };
    for (const Case& c : {Case{window.btnNewFile, TToolIcon::New, "New File"},
                          Case{window.BtnOpenFile, TToolIcon::Open, "Open a file for Hex Edit"},
                          Case{window.btnScriptWindow, TToolIcon::ScriptEditor, "Script Editor"},
                          Case{window.ToolButton4, TToolIcon::Output, "Script Output Window"},
                          Case{window.ToolButton6, TToolIcon::Watch, "Script Variable Watch Window"},
                          Case{window.btnSearchFiles, TToolIcon::FindFiles, "Find Value in Files"},
                          Case{hex->btnReopen, TToolIcon::Reopen, "Reopen the currently opened file (lose changes)"},
                          Case{hex->btnSave, TToolIcon::Save, "Save the changes to the file."},
                          Case{hex->btnSaveAs, TToolIcon::SaveAs, "Save File As"},
                          Case{hex->btnDeleteBytes, TToolIcon::DeleteBytes, "Delete bytes from the current position"},
                          Case{hex->btnInsertBytes, TToolIcon::InsertBytes, "Insert bytes at the current position"},
                          Case{hex->btnSizeFile, TToolIcon::FileSize, "Resize the file (grow or shrink)"}}) {
        const std::string name = c.action->text().toStdString();
        EXPECT_EQ(c.action->icon().pixmap(24).toImage(), ToolIcon(c.icon).pixmap(24).toImage()) << name;
        EXPECT_EQ(c.action->toolTip().toStdString(), c.hint) << name;
    }
}

TEST_F(WindowsTest, KeysMoveThePositionAndARefusedValueSaysWhy) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(1000));
    TFrmHexEdit* hex = OpenActive(a);
    ASSERT_NE(hex, nullptr);
    TValueViews& views = *hex->Views;
    QWidget* box = views.edtChar[0];
    box->setFocus();

    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(hex->Position(), 999);
    QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(hex->Position(), 0);
    QTest::keyClick(box, Qt::Key_PageDown);
    QTest::keyClick(box, Qt::Key_PageDown);
    EXPECT_EQ(hex->Position(), 256);
    QTest::keyClick(box, Qt::Key_PageUp);
    EXPECT_EQ(hex->Position(), 128);

    // Enter in the jump box jumps (positions are shown from 1).
    views.edtJumpTo->setFocus();
    views.edtJumpTo->selectAll();
    QTest::keyClicks(views.edtJumpTo, "501");
    QTest::keyClick(views.edtJumpTo, Qt::Key_Return);
    EXPECT_EQ(hex->Position(), 500);

    // A value the box cannot hold is refused with its reason on the status line.
    hex->btnLock->click();
    views.edtDec[0]->setFocus();
    QTest::keyClick(views.edtDec[0], Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(views.edtDec[0], "442");
    views.edtDec[1]->setFocus();
    EXPECT_EQ(hex->statusBar()->currentMessage().toStdString(),
              "Not written: \"442\" does not fit in 8 bits (-128 to 255); the box shows the file's value again.");
    EXPECT_EQ(Text(views.edtDec[0]), std::to_string(THexTestFolder::Pattern(1000)[500]));
    EXPECT_FALSE(hex->Modified());

    // A typed value is written before a key moves the position away from it.
    QTest::keyClick(views.edtDec[1], Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(views.edtDec[1], "7");
    QTest::keyClick(views.edtDec[1], Qt::Key_PageDown);
    EXPECT_EQ(hex->Position(), 628);
    EXPECT_TRUE(hex->statusBar()->currentMessage().isEmpty());
    Bytes written(1);
    ASSERT_EQ(hex->ReadBytes(501, written.data(), 1), 1u);
    EXPECT_EQ(written[0], 7);

    // Find opens the search page at its value.
    QTest::keyClick(views.edtDec[1], Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(hex->PagMain->currentWidget(), hex->tabSearch);
    EXPECT_TRUE(hex->SearchPages->edtSearchValue->hasFocus());
}

// Keys go to the widget with the focus, as a user's do; each call is one key press.
class TKeyboard {
public:
    void Press(QKeySequence key) {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keySequence(QApplication::focusWidget(), key);
        ++presses;
        // A mnemonic clicks its button as an animated click, a moment later.
        if (key[0].keyboardModifiers() & Qt::AltModifier) QTest::qWait(300);
    }
    void Type(const char* text) {
        for (; *text; ++text) {
            QTest::keyClicks(QApplication::focusWidget(), QString(QChar(*text)));
            ++presses;
        }
    }
    int presses = 0;
};

TEST_F(WindowsTest, AValueIsFoundChangedAndSavedWithoutTheMouseInFifteenKeys) {
    Bytes file = THexTestFolder::Pattern(10000);
    std::copy_n(Bytes{0xDC, 0x05, 0, 0}.begin(), 4, file.begin() + 4096);  // the DWORD 1500
    const std::string a = folder.MakeFile("game.sav", file);
    TFrmHexEdit* hex = OpenActive(a);
    ASSERT_NE(hex, nullptr);

    TKeyboard keys;
    keys.Press(QKeySequence::Find);
    keys.Type("1500");
    keys.Press(Qt::ALT | Qt::Key_D);  // DWORD
    keys.Press(Qt::ALT | Qt::Key_B);  // Begin Search
    EXPECT_EQ(hex->SearchPages->lblSearchCount->text().toStdString(), "1 matches.");
    keys.Press(Qt::Key_Return);       // to the hit, into its DWORD box
    EXPECT_EQ(hex->Position(), 4096);
    EXPECT_EQ(QApplication::focusWidget(), hex->Views->edtDWORD[0]);
    keys.Press(Qt::CTRL | Qt::Key_L);  // unlock
    EXPECT_FALSE(hex->IsLocked());
    keys.Type("1600");
    keys.Press(QKeySequence::Save);
    EXPECT_LE(keys.presses, 15);
    EXPECT_FALSE(hex->Modified());
    const Bytes saved = THexTestFolder::ReadFile(a);
    EXPECT_EQ(Bytes(saved.begin() + 4096, saved.begin() + 4100), (Bytes{0x40, 0x06, 0, 0}));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(WindowsTest, CursorKeysGoToKeysAndTheJumpBoxTakeHexAndRefuseJunk) {
    const std::string a = folder.MakeFile("a.dat", THexTestFolder::Pattern(10000));
    TFrmHexEdit* hex = OpenActive(a);
    ASSERT_NE(hex, nullptr);
    TValueViews& views = *hex->Views;
    TKeyboard keys;

    // Locked, box A leaves the cursor keys to the position.
    ASSERT_EQ(QApplication::focusWidget(), views.edtChar[0]);
    hex->SetPosition(100);
    const std::pair<Qt::Key, std::int32_t> moves[] = {
        {Qt::Key_Right, 101}, {Qt::Key_Down, 117}, {Qt::Key_Left, 116}, {Qt::Key_Up, 100}};
    for (const auto& [key, position] : moves) {
        keys.Press(key);
        EXPECT_EQ(hex->Position(), position) << key;
    }
    // A typed key in a locked window says why it changed nothing.
    keys.Type("5");
    EXPECT_EQ(hex->statusBar()->currentMessage().toStdString(),
              "The window is locked: unlock it (Ctrl+L or the padlock) to change values.");
    EXPECT_FALSE(hex->Modified());
    EXPECT_NE(views.edtChar[0]->palette().color(QPalette::Base), views.edtJumpTo->palette().color(QPalette::Base));

    // Unlocked, the box being edited keeps its caret keys.
    keys.Press(Qt::CTRL | Qt::Key_L);
    ASSERT_FALSE(hex->IsLocked());
    EXPECT_EQ(views.edtChar[0]->palette().color(QPalette::Base), views.edtJumpTo->palette().color(QPalette::Base));
    keys.Press(Qt::Key_Right);
    EXPECT_EQ(hex->Position(), 100);

    // Ctrl+G goes to the jump box, which takes "0x" positions and refuses junk.
    keys.Press(Qt::CTRL | Qt::Key_G);
    ASSERT_EQ(QApplication::focusWidget(), views.edtJumpTo);
    keys.Type("0x1F41");
    keys.Press(Qt::Key_Return);
    EXPECT_EQ(hex->Position(), 8000);
    views.edtJumpTo->selectAll();
    keys.Type("junk");
    keys.Press(Qt::Key_Return);
    EXPECT_EQ(hex->Position(), 8000);
    EXPECT_EQ(hex->statusBar()->currentMessage().toStdString(),
              "Not moved: \"junk\" is not a position (a number counted from 1, or hex such as 0x1F41).");
    keys.Press(Qt::Key_Left);
    EXPECT_EQ(hex->Position(), 8000);

    // In a hit list Up and Down choose the hit; Enter goes to it.
    TSearchPages& search = *hex->SearchPages;
    search.Session().SetSearchType(stByte);
    search.Session().SetSearchValue(std::to_string(THexTestFolder::Pattern(10000)[10]));
    search.btnBeginSearch->click();
    ASSERT_EQ(QApplication::focusWidget(), search.lstResults);
    const std::int32_t second = search.Session().Lists.Current.Row(1).Position;
    keys.Press(Qt::Key_Down);
    EXPECT_EQ(hex->Position(), 8000);
    keys.Press(Qt::Key_Return);
    EXPECT_EQ(hex->Position(), second);
    EXPECT_EQ(QApplication::focusWidget(), views.edtDec[0]);
}

// The window resizes like any other: maximised it fills the screen, taller
// its dump shows more lines, smaller than its views they scroll into reach.
TEST_F(WindowsTest, TheHexWindowResizesAndItsViewsUseTheRoom) {
    const Bytes file = THexTestFolder::Pattern(5000);
    TFrmHexEdit* hex = Start({folder.MakeFile("a.dat", file)}).ChannelWindow(0);
    ASSERT_NE(hex, nullptr);
    EXPECT_TRUE(hex->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(hex->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    const QRect screen = hex->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(hex->frameGeometry())) << hex->frameGeometry().width() << "x" << hex->frameGeometry().height();

    TValueViews& views = *hex->Views;
    hex->PagMain->setCurrentWidget(hex->tabDump);
    hex->resize(900, 500);
    QCoreApplication::processEvents();
    const int shortDump = views.lstHexDump->count();
    hex->resize(900, 1400);
    QCoreApplication::processEvents();
    const int tallDump = views.lstHexDump->count();
    EXPECT_GE(shortDump, 16);
    EXPECT_GT(tallDump, shortDump);
    EXPECT_GT(tallDump, 16);
    // Line 17 holds the bytes after the first 256.
    const std::string line16 = views.lstHexDump->item(16)->text().toStdString();
    char expected[8];
    std::snprintf(expected, sizeof expected, "%02X %02X", file[256], file[257]);
    EXPECT_EQ(line16.substr(0, 5), expected);

    // Small, the views scroll and every control can still be reached.
    hex->resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(hex->size(), QSize(300, 200));
    EXPECT_GT(hex->ViewsArea->verticalScrollBar()->maximum(), 0);
    hex->ViewsArea->ensureWidgetVisible(views.NavigationGroup());
    const QRect nav(views.NavigationGroup()->mapTo(hex->ViewsArea->viewport(), QPoint()),
                    views.NavigationGroup()->size());
    EXPECT_TRUE(hex->ViewsArea->viewport()->rect().intersects(nav));

    hex->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_EQ(hex->frameGeometry().size(), screen.size());

    // The status line is there from the start: its first message moves nothing.
    hex->showNormal();
    QCoreApplication::processEvents();
    ASSERT_TRUE(hex->statusBar()->isVisible());
    const QRect area = hex->ViewsArea->geometry();
    hex->statusBar()->showMessage("a first message");
    QCoreApplication::processEvents();
    EXPECT_EQ(hex->ViewsArea->geometry(), area);
}

TEST_F(WindowsTest, ChildWindowsReportTheirClosingByTag) {
    TFrmMain& window = Start();
    QWidget script;
    script.setProperty("Tag", TagScriptWindow);
    FrmScript = &script;
    QWidget other;
    window.ChildWindowClosed(&other);
    EXPECT_EQ(FrmScript, &script);
    window.ChildWindowClosed(&script);
    EXPECT_EQ(FrmScript, nullptr);
}

}  // namespace
