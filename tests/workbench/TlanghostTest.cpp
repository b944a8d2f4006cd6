// The script window over the program's real interpreter control, made by
// its class identifier from the library built beside the tests: the control's
// events reach the output and watch windows through the sink.
#include "Globalinfo.h"
#include "Hexeditfrm.h"
#include "Searchpages.h"
#include "Mainfrm.h"
#include "Scriptfrm.h"
#include "Scriptoutfrm.h"
#include "Tlanghost.h"
#include "Watchfrm.h"

#include "hexeditor/HexTestFolder.h"

#include "platform/Dialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTimer>

#include <filesystem>
#include <fstream>

using ::testing::HasSubstr;

namespace {

class HostedControlTest : public ::testing::Test {
protected:
    HostedControlTest() {
        GlobalInfo() = GLOBALINFO_TAG{};
        main = std::make_unique<TFrmMain>();
    }
    ~HostedControlTest() override {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        FrmScript = FrmScriptOut = FrmWatches = FrmAddWatch = FrmSyntaxColor = nullptr;
    }

    TFrmScript& OpenScriptWith(const std::string& text) {
        const std::string path = folder.Path("data/script.txt");
        std::ofstream(path, std::ios::binary) << text;
        main->MnuWindowsScriptEditorClick();
        auto* script = qobject_cast<TFrmScript*>(FrmScript);
        EXPECT_NE(script, nullptr);
        script->LoadScriptFile(path);
        return *script;
    }

    // A data file in channel 0; null (and a failure) when it did not open.
    TFrmHexEdit* OpenChannel(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        EXPECT_TRUE(main->OpenFileInChannel(folder.MakeFile(name, bytes), -1));
        return main->ChannelWindow(0);
    }

    std::string OutputText() const { return qobject_cast<TFrmScriptOut*>(FrmScriptOut)->Output().Text(); }

    THexTestFolder folder;
    platform::DialogResponder user;
    std::unique_ptr<TFrmMain> main;
};

TEST_F(HostedControlTest, ARunReachesTheOutputAndTheWatches) {
    TFrmScript& script = OpenScriptWith("Number x\r\nx = 5\r\nPrint x + 1\r\n");
    main->mnuWindowsScriptOutputClick();
    main->mnuScriptWatchWindowClick();
    auto* watches = qobject_cast<TFrmWatches*>(FrmWatches);
    watches->AddWatch("x", "");
    script.BtnRun->trigger();
    EXPECT_THAT(OutputText(), HasSubstr("6\r\n"));
    EXPECT_THAT(OutputText(), HasSubstr("\r\nScript Terminated on line: 3 with no errors.\r\n"));
    EXPECT_EQ(watches->Watches().Row(1).Value, "5");
    EXPECT_EQ(GlobalInfo().ScriptRunning, 0);
    EXPECT_TRUE(user.calls().empty());
}

TEST_F(HostedControlTest, AnErrorReachesTheOutputWithItsLine) {
    TFrmScript& script = OpenScriptWith("Number x\r\nx = (\r\n");
    main->mnuWindowsScriptOutputClick();
    script.BtnRun->trigger();
    EXPECT_THAT(OutputText(), HasSubstr("\r\nError Line: 2 - "));
    EXPECT_THAT(OutputText(), HasSubstr("\r\nScript Terminated on line: 2\r\n"));
}

// The editor selects the failing line once the run has ended, whether the
// error was found while running or by the check before the run.
TEST_F(HostedControlTest, AnErrorLeavesItsLineSelected) {
    struct Case {
        const char* script;
        const char* line;
    };
    for (const Case& c : {Case{"Number x\r\nx = 1\r\nx = (\r\nPrint x\r\n", "x = ("},
                          Case{"Print 1\r\nNumber x\r\nY\r\nPrint 2\r\n", "Y"}}) {
        TFrmScript& script = OpenScriptWith(c.script);
        user.Answer(platform::MsgAnswer::OK);
        script.BtnRun->trigger();
        auto* editor = qobject_cast<QPlainTextEdit*>(script.Control().Widget());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->textCursor().selectedText().toStdString(), c.line) << c.script;
        ASSERT_FALSE(user.calls().empty());
        EXPECT_THAT(user.calls().back().text, HasSubstr("Error Line: 3 - ")) << c.script;
    }
}

TEST_F(HostedControlTest, TheDumpListsTheScriptsVariables) {
    TFrmScript& script = OpenScriptWith("Number count\r\ncount = 3\r\n");
    main->mnuWindowsScriptOutputClick();
    script.BtnRun->trigger();
    script.BtnDumpVars->trigger();
    EXPECT_THAT(OutputText(), HasSubstr("Number | COUNT=3\r\n"));
}

// While a script runs the hex window's widgets follow it at the screen's
// pace; once it has ended they, the output and the watches show exactly
// where it left the file.
TEST_F(HostedControlTest, AfterARunOfMovesAndWritesEveryWindowShowsWhereItEnded) {
    TFrmHexEdit* window = OpenChannel("data.bin", std::vector<std::uint8_t>(2000, 0));
    ASSERT_NE(window, nullptr);
    TFrmScript& script = OpenScriptWith(
        "Number i, p\r\n"
        "For i = 1 To 300\r\n"
        "JumpRel(3)\r\n"
        "SetValue(TYPE_BYTE, i Mod 256)\r\n"
        "Next\r\n"
        "p = GetPosition()\r\n"
        "Print \"at \"; p\r\n");
    main->mnuWindowsScriptOutputClick();
    main->mnuScriptWatchWindowClick();
    auto* watches = qobject_cast<TFrmWatches*>(FrmWatches);
    watches->AddWatch("p", "");
    script.BtnRun->trigger();

    EXPECT_EQ(window->Position(), 900);
    EXPECT_EQ(window->Views->edtJumpTo->text().toStdString(), "901");
    EXPECT_EQ(window->Views->lblPos[0]->text().toStdString(), "901");
    EXPECT_EQ(window->Views->edtDec[0]->text().toStdString(), "44");
    EXPECT_EQ(window->Views->edtDec[1]->text().toStdString(), "0");
    EXPECT_TRUE(window->Modified());
    std::uint8_t byte = 0;
    ASSERT_EQ(window->ReadBytes(897, &byte, 1), 1u);
    EXPECT_EQ(byte, 43);
    auto* output = qobject_cast<TFrmScriptOut*>(FrmScriptOut);
    EXPECT_THAT(output->rtfOutput->toPlainText().toStdString(), HasSubstr("at 901\n"));
    EXPECT_THAT(output->rtfOutput->toPlainText().toStdString(), HasSubstr("with no errors."));
    EXPECT_EQ(watches->Watches().Row(1).Value, "901");
    EXPECT_EQ(GlobalInfo().ExecutingScripts, 0);
}

// A step through the hits shows in the navigation and the result grid once
// the run has ended, at the last hit the script reached (in a run from the
// script window SearchFirst counts the hits, and each SearchNext steps on).
TEST_F(HostedControlTest, AfterASearchLoopTheStepperShowsTheLastHit) {
    std::vector<std::uint8_t> bytes(400, 0);
    for (const int at : {10, 110, 210, 310}) std::copy_n("QRM", 3, bytes.begin() + at);
    TFrmHexEdit* window = OpenChannel("hits.bin", bytes);
    ASSERT_NE(window, nullptr);
    TFrmScript& script = OpenScriptWith(
        "Number h, n\r\n"
        "h = SearchFirst(\"QRM\", TYPE_STRING)\r\n"
        "For n = 1 To 2\r\n"
        "h = SearchNext()\r\n"
        "Next\r\n");
    main->mnuWindowsScriptOutputClick();
    script.BtnRun->trigger();
    const TSearchSession& session = window->SearchPages->Session();
    EXPECT_EQ(session.Lists.Current.EntryCount(), 4);
    EXPECT_EQ(window->Position(), 110);
    EXPECT_EQ(window->Views->edtJumpTo->text().toStdString(), "111");
    EXPECT_EQ(window->SearchPages->edtSearchResult->text().toStdString(), session.ResultField);
    EXPECT_FALSE(session.ResultField.empty());
    EXPECT_EQ(window->SearchPages->lstResults->currentIndex().row(), 1);
}

// Stop reaches a script that loops without end at the next round of
// messages, which a running script lets through some tens of times a second.
TEST_F(HostedControlTest, StopEndsARunningLoopAtOnce) {
    TFrmScript& script = OpenScriptWith("Number x\r\nWhile x >= 0\r\nx = x + 1\r\nWend\r\n");
    main->mnuWindowsScriptOutputClick();
    main->mnuScriptWatchWindowClick();
    qobject_cast<TFrmWatches*>(FrmWatches)->AddWatch("x", "");
    constexpr int stopAfter = 100;
    QElapsedTimer clock;
    QTimer::singleShot(stopAfter, &script, [&] { script.BtnStop->trigger(); });
    clock.start();
    script.BtnRun->trigger();
    const qint64 late = clock.elapsed() - stopAfter;
    // The pace lets messages through every 20 ms; the margin is for a
    // loaded machine and the sanitizers.
    EXPECT_LT(late, 250) << "the run ended " << late << " ms after Stop was due";
    EXPECT_THAT(OutputText(), HasSubstr("by program reset."));
    EXPECT_EQ(GlobalInfo().ScriptRunning, 0);
}

TEST_F(HostedControlTest, AControlWithoutEventsIsNotHosted) {
    struct : TScriptControlEvents {
        void TLang1Step(std::int32_t) override {}
        void TLang1BreakPoint() override {}
        void TLang1ScriptComplete(std::int32_t, std::int32_t) override {}
        void TLang1ScriptError(std::int32_t, const std::string&) override {}
        void TLang1Print(const std::string&, bool) override {}
        void TLang1Dump(const std::string&) override {}
        void TLang1SelectionChange() override {}
        void TLang1KeyUp(std::int16_t, std::int16_t) override {}
        void TLang1Initialize() override {}
        void TLang1UserFunction(std::int32_t, std::int32_t) override {}
    } events;
    EXPECT_EQ(HostTLang(nullptr, events), nullptr);
}

}  // namespace

namespace {

// A run that fails before the script starts (the script cannot be saved
// over its file) says why, in the error box of any failed command.
TEST_F(HostedControlTest, AFailureOutsideTheScriptIsShown) {
    TFrmScript& script = OpenScriptWith("Print 1\r\n");
    const std::string path = folder.Path("data/script.txt");
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);  // no file can be saved there
    script.BtnRun->trigger();
    ASSERT_EQ(user.calls().size(), 1u);
    EXPECT_EQ(user.calls()[0].text, "Cannot create file \"" + path + "\"");
    EXPECT_EQ(user.calls()[0].caption, ApplicationTitle);
    EXPECT_EQ(GlobalInfo().ScriptRunning, 0);
}

}  // namespace
