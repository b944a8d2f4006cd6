// The script window on Qt's offscreen platform, over a control in memory,
// with the main window's bookkeeping and a scripted user.
#include "Globalinfo.h"
#include "Mainfrm.h"
#include "Scriptfrm.h"
#include "Scriptoutfrm.h"
#include "Syntaxfrm.h"
#include "Textprinting.h"
#include "Watchfrm.h"

#include "FakeScriptControl.h"
#include "hexeditor/HexTestFolder.h"

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/QtText.h"
#include "platform/Shell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "QtTestApplication.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;
using platform::DialogResponder;
using platform::MsgAnswer;

namespace {

class ScriptWindowTest : public ::testing::Test {
protected:
    ScriptWindowTest() {
        GlobalInfo() = GLOBALINFO_TAG{};
        previousFactory = InstallScriptControlFactory([this](TScriptControlEvents& events) {
            auto made = std::make_unique<FakeScriptControl>();
            made->Events = &events;
            control = made.get();
            return std::unique_ptr<TScriptControl>(std::move(made));
        });
        main = std::make_unique<TFrmMain>();
    }
    ~ScriptWindowTest() override {
        main.reset();
        FlushDeletes();
        FrmScript = FrmScriptOut = FrmWatches = FrmAddWatch = FrmSyntaxColor = nullptr;
        InstallScriptControlFactory(previousFactory);
        platform::InstallLauncher({});
    }

    static void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    // Runs `step` once the next pause or modal loop handles messages.
    static void Later(std::function<void()> step) { QTimer::singleShot(0, std::move(step)); }

    TFrmScript& OpenScript() {
        main->MnuWindowsScriptEditorClick();
        return *qobject_cast<TFrmScript*>(FrmScript);
    }

    std::string WriteScript(const std::string& name, const std::string& text) {
        const std::string path = folder.Path("data/" + name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    std::vector<std::pair<std::string, std::string>> Messages() const {
        std::vector<std::pair<std::string, std::string>> messages;
        for (const auto& call : user.calls())
            if (call.kind == DialogResponder::Kind::Message) messages.emplace_back(call.text, call.caption);
        return messages;
    }

    static std::string Caption(const QWidget& window) { return platform::FromQString(window.windowTitle()); }

    THexTestFolder folder;
    DialogResponder user;
    TRecordingTextPrinter printer;
    TScriptControlFactory previousFactory;
    std::unique_ptr<TFrmMain> main;
    FakeScriptControl* control = nullptr;
};

// --- Showing, settings and closing.

TEST_F(ScriptWindowTest, AnUnnamedScriptStartsEmptyWithTheDefaults) {
    TFrmScript& script = OpenScript();
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(script.isVisible());
    EXPECT_EQ(script.property("Tag").toInt(), 1000);
    EXPECT_EQ(Caption(script), "Qorm - Untitled");
    EXPECT_EQ(control->Text, "");
    EXPECT_FALSE(std::filesystem::exists(GlobalInfo().AppDir + "empty"));
    EXPECT_THAT(control->Registered, ::testing::Contains("GetPosition"));
    EXPECT_EQ(platform::FromQString(script.StatusPanel0->text()), "1 : 1");

    // No settings yet: the default colours reach the control, both options are on.
    EXPECT_EQ(control->Color, 10485760u);
    EXPECT_EQ(control->SyntaxColors,
              (std::array<std::uint32_t, 6>{8454143, 8421631, 65280, 16776960, 12632256, 16777215}));
    EXPECT_TRUE(script.MnuOptionsAutoSave->isChecked());
    EXPECT_TRUE(script.MnuOptionsShowConstants->isChecked());
    EXPECT_TRUE(control->SaveBeforeRun);
    EXPECT_TRUE(control->ShowConstantsInDump);
    EXPECT_FALSE(script.mnuMainSep1->isVisible());
}

TEST_F(ScriptWindowTest, ACommandLineScriptIsLoadedHiddenAndRunsWithoutTheRunFlag) {
    const std::string path = WriteScript("run.txt", "Print 1");
    int runningDuringRun = -1;
    bool shownDuringRun = false;
    InstallScriptControlFactory([&](TScriptControlEvents& events) {
        auto made = std::make_unique<FakeScriptControl>();
        made->Events = &events;
        made->Script = [&](FakeScriptControl&) {
            runningDuringRun = GlobalInfo().ScriptRunning;
            shownDuringRun = main->isVisible();
        };
        control = made.get();
        return std::unique_ptr<TScriptControl>(std::move(made));
    });
    main->FormCreate({"/S", path});
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->FileName, path);
    EXPECT_EQ(control->Executes, 1);
    EXPECT_EQ(runningDuringRun, 0);
    EXPECT_TRUE(shownDuringRun);
    EXPECT_FALSE(FrmScript->isVisible());

    FrmScript->show();
    EXPECT_EQ(Caption(*FrmScript), "Qorm - " + path);
    EXPECT_EQ(control->Text, "Print 1");
}

TEST_F(ScriptWindowTest, ExitDuringACommandLineScriptEndsTheProgram) {
    const std::string path = WriteScript("run.txt", "Print 1");
    InstallScriptControlFactory([&](TScriptControlEvents& events) {
        auto made = std::make_unique<FakeScriptControl>();
        made->Events = &events;
        made->Script = [&](FakeScriptControl&) { main->MnuFileExitClick(); };
        control = made.get();
        return std::unique_ptr<TScriptControl>(std::move(made));
    });
    main->FormCreate({"/S", path});
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Terminates, 1);
    EXPECT_TRUE(main->Closed());
    EXPECT_FALSE(main->isVisible());
    // The message loop is never entered: the program ends.
    EXPECT_EQ(main->Exec(), 0);
}

TEST_F(ScriptWindowTest, AHiddenCommandLineScriptWindowLeavesTheStoredSettingsAlone) {
    {
        platform::TRegIniFile registry(GlobalInfo().RegKey);
        registry.WriteInteger("Colors", "Color_0", 255);
        registry.WriteInteger("Colors", "Color_6", 0x00123456);
        registry.WriteBool("Options", "SaveBeforeRun", true);
        registry.WriteString("MRU_SCRIPTS", "1", "/s/one.txt");
        registry.WriteInteger("SCRIPT_FORM", "WIDTH", 444);
    }
    main->FormCreate({"/S", WriteScript("run.txt", "Print 1")});
    ASSERT_NE(control, nullptr);
    ASSERT_FALSE(FrmScript->isVisible());
    FrmScript->close();
    main->close();

    platform::TRegIniFile registry(GlobalInfo().RegKey);
    EXPECT_EQ(registry.ReadInteger("Colors", "Color_0", 0), 255);
    EXPECT_EQ(registry.ReadInteger("Colors", "Color_6", 0), 0x00123456);
    EXPECT_TRUE(registry.ReadBool("Options", "SaveBeforeRun", false));
    EXPECT_EQ(registry.ReadString("MRU_SCRIPTS", "1", ""), "/s/one.txt");
    EXPECT_EQ(registry.ReadInteger("SCRIPT_FORM", "WIDTH", 0), 444);
}

TEST_F(ScriptWindowTest, RunStepAndTheFileCommandsHaveTheirKeys) {
    TFrmScript& script = OpenScript();
    EXPECT_EQ(script.BtnRun->shortcut(), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(script.BtnStep->shortcut(), QKeySequence(Qt::Key_F10));
    EXPECT_EQ(script.BtnStop->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F5));
    for (QAction* action : {script.BtnNewScript, script.BtnOpenScript, script.BtnSaveScript, script.MnuFileSaveAs,
                            script.btnPrint, script.MnuFileClose})
        EXPECT_FALSE(action->shortcuts().isEmpty()) << action->text().toStdString();
    EXPECT_EQ(script.BtnRun->toolTip().toStdString(), "Run Script");

    script.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&script));
    QCoreApplication::processEvents();
    control->Text = "Print 1";
    control->Script = FakeScriptControl::Lines(2);
    QTest::keyClick(&script, Qt::Key_F5);
    EXPECT_EQ(control->Executes, 1);
}

TEST_F(ScriptWindowTest, WithoutAControlThereIsNoScriptWindow) {
    InstallScriptControlFactory([](TScriptControlEvents&) { return std::unique_ptr<TScriptControl>(); });
    main->MnuWindowsScriptEditorClick();
    EXPECT_EQ(FrmScript, nullptr);
    EXPECT_THAT(Messages(), ElementsAre(Pair("The script control Pevox10.TLang could not be created.\r\n",
                                             "Cannot continue")));
}

TEST_F(ScriptWindowTest, ClosingStopsTheScriptSavesTheSettingsAndForgetsTheWindow) {
    QPointer<TFrmScript> script = &OpenScript();
    script->resize(500, 300);
    GlobalInfo().MRUScripts[0] = "/x/one.txt";
    script->close();
    EXPECT_EQ(control->Terminates, 1);
    EXPECT_EQ(GlobalInfo().StepContinue, 1);
    EXPECT_EQ(FrmScript, nullptr);
    FlushDeletes();
    EXPECT_TRUE(script.isNull());
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    EXPECT_EQ(registry.ReadInteger("SCRIPT_FORM", "WIDTH", 0), 500);
    EXPECT_EQ(registry.ReadInteger("SCRIPT_FORM", "WindowState", -1), 0);
    EXPECT_EQ(registry.ReadInteger("Colors", "Color_6", 0), 10485760);
    EXPECT_TRUE(registry.ReadBool("Options", "SaveBeforeRun", false));
    EXPECT_EQ(registry.ReadString("MRU_SCRIPTS", "1", ""), "/x/one.txt");
    EXPECT_EQ(registry.ReadString("MRU_SCRIPTS", "5", "unset"), "");
}

TEST_F(ScriptWindowTest, StoredSettingsComeBackAndAMinimisedWindowKeepsItsBounds) {
    {
        platform::TRegIniFile registry(GlobalInfo().RegKey);
        registry.WriteInteger("Colors", "Color_0", 255);
        registry.WriteInteger("Colors", "Color_6", 0);
        registry.WriteBool("Options", "SaveBeforeRun", false);
        registry.WriteString("MRU_SCRIPTS", "2", "/s/two.txt");
        registry.WriteInteger("SCRIPT_FORM", "WIDTH", 444);
    }
    TFrmScript& script = OpenScript();
    EXPECT_EQ(control->SyntaxColors[0], 255u);
    EXPECT_EQ(control->Color, 0u);
    EXPECT_FALSE(script.MnuOptionsAutoSave->isChecked());
    EXPECT_FALSE(control->SaveBeforeRun);
    EXPECT_EQ(script.width(), 444);
    EXPECT_EQ(platform::FromQString(script.mnuMainMRU[0]->text()), "/s/two.txt");

    script.setWindowState(Qt::WindowMinimized);
    script.resize(100, 100);
    script.LoadSaveSettings(1);
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    EXPECT_EQ(registry.ReadInteger("SCRIPT_FORM", "WIDTH", 0), 444);
    EXPECT_EQ(registry.ReadInteger("SCRIPT_FORM", "WindowState", -1), 1);
    EXPECT_FALSE(registry.ReadBool("Options", "SaveBeforeRun", true));
}

// --- Files.

TEST_F(ScriptWindowTest, NewAsksAboutUnsavedChanges) {
    TFrmScript& script = OpenScript();
    const std::string saved = folder.Path("data/saved.txt");
    struct Case {
        std::vector<std::function<void()>> answers;
        bool cleared;
        bool savedToFile;
    };
    const std::vector<Case> cases = {
        {{[&] { user.Answer(MsgAnswer::Cancel); }}, false, false},
        {{[&] { user.Answer(MsgAnswer::No); }}, true, false},
        // Yes, then the save dialog is cancelled: nothing was saved, so nothing is lost.
        {{[&] { user.Answer(MsgAnswer::Yes); }, [&] { user.Cancel(); }}, false, false},
        {{[&] { user.Answer(MsgAnswer::Yes); }, [&] { user.Type(saved); }}, true, true},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::filesystem::remove(saved);
        control->Clear();
        control->Text = "edited";
        control->Modified = true;
        for (const auto& answer : cases[i].answers) answer();
        script.MnuFileNewClick();
        EXPECT_EQ(user.pending(), 0u) << i;
        EXPECT_EQ(control->Text.empty(), cases[i].cleared) << i;
        EXPECT_EQ(std::filesystem::exists(saved), cases[i].savedToFile) << i;
    }
    EXPECT_EQ(user.calls().front().text, "Save Changes?");
    EXPECT_EQ(user.calls().front().caption, "Save?");
    EXPECT_EQ(user.calls().front().buttons, platform::MsgButtons::YesNoCancel);
    EXPECT_EQ(Caption(script), "Qorm - Untitled");

    // An unmodified script is cleared without a question.
    const std::size_t asked = user.calls().size();
    control->Text = "kept?";
    script.MnuFileNewClick();
    EXPECT_EQ(user.calls().size(), asked);
    EXPECT_EQ(control->Text, "");
}

// Nothing the user typed goes without a question: opening another script,
// closing the window and closing the program all offer unsaved text first.
TEST_F(ScriptWindowTest, UnsavedTextIsOfferedBeforeOpenCloseOrExit) {
    QPointer<TFrmScript> script = &OpenScript();
    const std::string other = WriteScript("other.txt", "other");
    GlobalInfo().MRUScripts[0] = other;
    script->BuildMRUMenu();
    const std::string saved = folder.Path("data/saved.txt");
    struct Case {
        const char* what;
        std::function<void()> act;
        std::vector<std::function<void()>> answers;
        bool replaced;
    };
    const std::vector<Case> cases = {
        {"open, cancel", [&] { script->MnuFileOpenClick(); }, {[&] { user.Answer(MsgAnswer::Cancel); }}, false},
        {"open, no", [&] { script->MnuFileOpenClick(); },
         {[&] { user.Answer(MsgAnswer::No); }, [&] { user.Type(other); }}, true},
        {"recent, cancel", [&] { script->mnuMainMRU[0]->trigger(); }, {[&] { user.Answer(MsgAnswer::Cancel); }},
         false},
        {"recent, yes but no save", [&] { script->mnuMainMRU[0]->trigger(); },
         {[&] { user.Answer(MsgAnswer::Yes); }, [&] { user.Cancel(); }}, false},
        {"close, cancel", [&] { script->close(); }, {[&] { user.Answer(MsgAnswer::Cancel); }}, false},
        {"close, yes but no save", [&] { script->close(); },
         {[&] { user.Answer(MsgAnswer::Yes); }, [&] { user.Cancel(); }}, false},
        {"exit, cancel", [&] { main->close(); }, {[&] { user.Answer(MsgAnswer::Cancel); }}, false},
    };
    for (const Case& test : cases) {
        control->Clear();
        control->Text = "typed";
        control->Modified = true;
        for (const auto& answer : test.answers) answer();
        const std::size_t before = user.calls().size();
        test.act();
        EXPECT_EQ(user.pending(), 0u) << test.what;
        ASSERT_GT(user.calls().size(), before) << test.what;
        EXPECT_EQ(user.calls()[before].text, "Save Changes?") << test.what;
        EXPECT_EQ(user.calls()[before].buttons, platform::MsgButtons::YesNoCancel) << test.what;
        EXPECT_EQ(control->Text, test.replaced ? "other" : "typed") << test.what;
        EXPECT_EQ(FrmScript, script.data()) << test.what;
        EXPECT_EQ(control->Terminates, 0) << test.what;
    }

    // Saved under a name, the window closes.
    control->Text = "typed";
    control->Modified = true;
    user.Answer(MsgAnswer::Yes);
    user.Type(saved);
    script->close();
    EXPECT_EQ(FrmScript, nullptr);
    EXPECT_EQ(THexTestFolder::ReadFile(saved).size(), 5u);
}

TEST_F(ScriptWindowTest, SaveAsNamesTheScriptUnlessCancelled) {
    TFrmScript& script = OpenScript();
    control->Text = "x = 1";
    user.Cancel();
    EXPECT_FALSE(script.MnuFileSaveAsClick());
    EXPECT_EQ(Caption(script), "Qorm - Untitled");
    EXPECT_EQ(control->FileName, "");

    const std::string path = folder.Path("data/named.txt");
    user.Type(path);
    EXPECT_TRUE(script.MnuFileSaveAsClick());
    EXPECT_EQ(Caption(script), "Qorm - " + path);
    EXPECT_EQ(control->FileName, path);
    EXPECT_EQ(THexTestFolder::ReadFile(path).size(), 5u);

    // Save now writes under the name without asking.
    control->Text = "x = 22";
    EXPECT_TRUE(script.MnuFileSaveClick());
    EXPECT_EQ(THexTestFolder::ReadFile(path).size(), 6u);
    EXPECT_EQ(user.pending(), 0u);
}

TEST_F(ScriptWindowTest, OpenAddsTheScriptToTheRecentListWhichReopensItsExactPath) {
    TFrmScript& script = OpenScript();
    const std::string odd = WriteScript("a&b.txt", "odd");
    user.Type(odd);
    script.MnuFileOpenClick();
    EXPECT_EQ(Caption(script), "Qorm - " + odd);
    EXPECT_EQ(GlobalInfo().MRUScripts[0], odd);
    EXPECT_TRUE(script.mnuMainSep1->isVisible());
    EXPECT_EQ(platform::FromQString(script.mnuMainMRU[0]->text()).find("a&&b.txt") != std::string::npos, true);

    control->Text = "changed";
    script.mnuMainMRU[0]->trigger();
    EXPECT_EQ(control->Loads.back(), odd);
    EXPECT_EQ(control->Text, "odd");
}

TEST_F(ScriptWindowTest, AScriptThatCannotBeLoadedChangesNothing) {
    TFrmScript& script = OpenScript();
    const std::string kept = WriteScript("kept.txt", "kept");
    user.Type(kept);
    script.MnuFileOpenClick();
    const std::string missing = folder.Path("data/missing.txt");
    user.Type(missing);
    script.MnuFileOpenClick();
    EXPECT_EQ(control->FileName, kept);
    EXPECT_EQ(control->Text, "kept");
    EXPECT_EQ(Caption(script), "Qorm - " + kept);
    EXPECT_THAT(GlobalInfo().MRUScripts, ElementsAre(kept, "", "", "", ""));
    EXPECT_THAT(Messages(), ElementsAre(Pair("File: " + missing + " not found", "Cannot continue")));
}

TEST_F(ScriptWindowTest, TheRecentListKeepsFiveAndNeverMovesAnEntry) {
    TFrmScript& script = OpenScript();
    std::vector<std::string> paths;
    for (const char* name : {"s1.txt", "s2.txt", "s1.txt", "S1.txt", "s3.txt", "s4.txt", "s5.txt"})
        paths.push_back(WriteScript(name, name));
    for (const std::string& path : paths) {
        user.Type(path);
        script.MnuFileOpenClick();
    }
    // s1 twice stays put; S1 differs in case and counts; the sixth distinct
    // script pushed the oldest out.
    EXPECT_THAT(GlobalInfo().MRUScripts, ElementsAre(paths[6], paths[5], paths[4], paths[3], paths[1]));
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(script.mnuMainMRU[i]->isVisible()) << i;
        EXPECT_EQ(platform::FromQString(script.mnuMainMRU[i]->data().toString()), GlobalInfo().MRUScripts[i]);
    }
}

TEST_F(ScriptWindowTest, PrintingSendsTheScriptUnderItsTitle) {
    TFrmScript& script = OpenScript();
    control->Text = "Print 1\r\n";
    script.btnPrint->trigger();
    ASSERT_EQ(printer.Jobs.size(), 1u);
    EXPECT_EQ(printer.Jobs[0].DocumentTitle, "Script");
    EXPECT_EQ(printer.Jobs[0].Text, "Print 1\r\n");
}

// --- Running.

TEST_F(ScriptWindowTest, ARunWritesToTheOutputWindowAndRefreshesTheWatches) {
    TFrmScript& script = OpenScript();
    main->mnuWindowsScriptOutputClick();
    main->mnuScriptWatchWindowClick();
    auto* watches = qobject_cast<TFrmWatches*>(FrmWatches);
    watches->AddWatch("x", "");
    control->Text = "x = 7\r\nPrint x";
    control->Script = [](FakeScriptControl& c) {
        c.Variables["X"] = "7";
        c.Events->TLang1Step(1);
        c.Events->TLang1Print("7", true);
        c.Events->TLang1ScriptComplete(2, 0);
    };
    script.BtnRun->trigger();
    EXPECT_EQ(qobject_cast<TFrmScriptOut*>(FrmScriptOut)->Output().Text(),
              "\r\n7\r\n\r\nScript Terminated on line: 2 with no errors.\r\n");
    EXPECT_EQ(watches->Watches().Row(1).Value, "7");
    EXPECT_EQ(GlobalInfo().ScriptRunning, 0);
}

TEST_F(ScriptWindowTest, SteppingPausesAtEveryLineUntilTheUserSteps) {
    TFrmScript& script = OpenScript();
    control->Text = "a\r\nb\r\nc";
    std::vector<int> pausedRunning;
    control->Script = [&](FakeScriptControl& c) {
        for (int line = 1; line <= 3; ++line) {
            Later([&] {
                pausedRunning.push_back(GlobalInfo().StepContinue == 0 && GlobalInfo().ScriptRunning == 1);
                script.BtnStep->trigger();
            });
            c.Events->TLang1Step(line);
        }
        c.Events->TLang1ScriptComplete(3, 0);
    };
    script.BtnStep->trigger();
    EXPECT_THAT(pausedRunning, ElementsAre(1, 1, 1));
    EXPECT_TRUE(script.BtnSingleStep->isChecked());
    EXPECT_TRUE(script.BtnHighlight->isChecked());
    EXPECT_TRUE(control->AutoSelectStepLine);
    EXPECT_EQ(GlobalInfo().ScriptRunning, 0);
}

// A run shows that it runs: Run disabled and "Running" on the status line;
// paused, Run comes back to run on; afterwards both are as before.
TEST_F(ScriptWindowTest, ARunningScriptShowsItInTheWindow) {
    TFrmScript& script = OpenScript();
    control->Text = "a\r\nb";
    std::vector<std::pair<bool, std::string>> seen;
    const auto look = [&] { seen.emplace_back(script.BtnRun->isEnabled(), script.StatusPanel1->text().toStdString()); };
    control->Script = [&](FakeScriptControl& c) {
        c.Events->TLang1Step(1);
        look();
        c.Events->TLang1ScriptComplete(2, 0);
    };
    script.BtnRun->trigger();
    look();
    EXPECT_THAT(seen, ElementsAre(std::pair{false, std::string("Running")}, std::pair{true, std::string()}));

    // Stepped: paused, Run is there to run on; stepped on, it runs again.
    control->Script = [&](FakeScriptControl& c) {
        Later([&] {
            look();
            script.BtnStep->trigger();
        });
        c.Events->TLang1Step(1);
        look();
        c.Events->TLang1ScriptComplete(2, 0);
    };
    seen.clear();
    script.BtnStep->trigger();
    look();
    const std::string paused = "Paused: Step runs one line, Run runs on";
    EXPECT_THAT(seen, ElementsAre(std::pair{true, paused}, std::pair{false, std::string("Running")},
                                  std::pair{true, std::string()}));
}

TEST_F(ScriptWindowTest, ClosingWhilePausedEndsTheRunBeforeTheWindowGoes) {
    QPointer<TFrmScript> script = &OpenScript();
    control->Text = "a\r\nb\r\nc";
    bool aliveAfterClose = false;
    control->Script = [&](FakeScriptControl& c) {
        Later([&] { script->close(); });
        c.Events->TLang1Step(1);
        FlushDeletes();
        aliveAfterClose = !script.isNull();
        FakeScriptControl::Lines(3)(c);
    };
    script->BtnStep->trigger();
    EXPECT_TRUE(aliveAfterClose);
    EXPECT_EQ(FrmScript, nullptr);
    FlushDeletes();
    EXPECT_TRUE(script.isNull());
}

TEST_F(ScriptWindowTest, SingleStepAndHighlightAreOneStateForButtonAndMenu) {
    TFrmScript& script = OpenScript();
    EXPECT_TRUE(script.MnuOptions->actions().contains(script.BtnSingleStep));
    script.BtnSingleStep->trigger();
    EXPECT_EQ(GlobalInfo().SingleStep, 1);
    EXPECT_TRUE(script.BtnSingleStep->isChecked());
    script.BtnSingleStep->trigger();
    EXPECT_EQ(GlobalInfo().SingleStep, 0);

    script.BtnHighlight->trigger();
    EXPECT_TRUE(control->AutoSelectStepLine);
    script.BtnHighlight->trigger();
    EXPECT_FALSE(control->AutoSelectStepLine);
    EXPECT_EQ(control->SelLength, 0);

    script.MnuOptionsShowConstants->trigger();
    EXPECT_FALSE(control->ShowConstantsInDump);
    script.MnuOptionsAutoSave->trigger();
    EXPECT_FALSE(control->SaveBeforeRun);
}

TEST_F(ScriptWindowTest, TheAddWatchDialogListsTheScriptsVariables) {
    OpenScript();
    control->DumpLines = {"Number | COUNT=3", "Numeric Array | B | Dimensions 1 | 4,0,0,0,0"};
    main->mnuScriptWatchWindowClick();
    auto* watches = qobject_cast<TFrmWatches*>(FrmWatches);
    std::vector<std::string> listed;
    Later([&] {
        auto* dialog = qobject_cast<TFrmAddWatch*>(FrmAddWatch);
        ASSERT_NE(dialog, nullptr);
        listed = dialog->Entries();
        dialog->LstVars->setCurrentRow(0);
        dialog->LstVarsDblClick();
        dialog->accept();
    });
    watches->GridAddWatchClick();
    EXPECT_THAT(listed, ElementsAre("Type: Number    Symbol:  COUNT    Current Value: 3"));
    EXPECT_EQ(watches->Watches().Row(1).Name, "COUNT");
    EXPECT_EQ(watches->Watches().Row(1).Value, "3");
    EXPECT_EQ(GlobalInfo().DumpForAddWatch, 0);
}

// --- Colours, help and the status bar.

TEST_F(ScriptWindowTest, NewColoursAreStoredAppliedAndRecolourANamedScript) {
    TFrmScript& script = OpenScript();
    const std::string path = WriteScript("named.txt", "Print 1");
    script.LoadScriptFile(path);
    control->Modified = true;
    user.PickColor(0x00123456);
    Later([] {
        auto* dialog = qobject_cast<TFrmSyntaxColor*>(FrmSyntaxColor);
        ASSERT_NE(dialog, nullptr);
        dialog->EdtReservedDblClick(dialog->EdtBack);
        dialog->BitBtn1->click();
    });
    script.BtnSynColor->trigger();
    EXPECT_EQ(control->Color, 0x00123456u);
    {
        platform::TRegIniFile registry(GlobalInfo().RegKey);
        EXPECT_EQ(registry.ReadInteger("Colors", "Color_6", 0), 0x00123456);
    }
    // Saved once to a temporary file of the program folder, which is gone again.
    ASSERT_EQ(control->Saves.size(), 1u);
    EXPECT_EQ(platform::ExtractFilePath(control->Saves[0]), GlobalInfo().AppDir);
    EXPECT_EQ(platform::ExtractFileName(control->Saves[0]).rfind("Qrm", 0), 0u);
    EXPECT_FALSE(platform::FileExists(control->Saves[0]));
    EXPECT_EQ(control->FileName, path);
    EXPECT_TRUE(control->Modified);
    EXPECT_EQ(THexTestFolder::ReadFile(path).size(), 7u);
}

TEST_F(ScriptWindowTest, WithoutATemporaryFileTheScriptIsNotTouched) {
    TFrmScript& script = OpenScript();
    const std::string path = WriteScript("named.txt", "Print 1");
    script.LoadScriptFile(path);
    GlobalInfo().AppDir = folder.Path("no-such-folder/");
    Later([] { qobject_cast<TFrmSyntaxColor*>(FrmSyntaxColor)->BitBtn1->click(); });
    script.BtnSynColorClick();
    EXPECT_THAT(control->Saves, IsEmpty());
    EXPECT_EQ(control->FileName, path);
}

TEST_F(ScriptWindowTest, CancelledColoursChangeNothing) {
    TFrmScript& script = OpenScript();
    Later([] { qobject_cast<TFrmSyntaxColor*>(FrmSyntaxColor)->reject(); });
    script.BtnSynColorClick();
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    EXPECT_FALSE(registry.SectionExists("Colors"));
    EXPECT_THAT(control->Saves, IsEmpty());
}

TEST_F(ScriptWindowTest, F1LooksUpTheWordAtTheCaret) {
    TFrmScript& script = OpenScript();
    control->Text = "a = 1\r\nx = Len(a)";
    control->CursorLine = 2;
    control->CursorCol = 5;
    EXPECT_EQ(script.CaretWord(), "Len");
    std::vector<platform::HelpRequest> asked;
    const platform::HelpHandler previous =
        platform::InstallHelpHandler({main->HelpFile, [&asked](const platform::HelpRequest& request) {
                                          asked.push_back(request);
                                          return true;
                                      }});
    script.TLang1KeyUp(113, 0);
    EXPECT_THAT(asked, IsEmpty());
    script.TLang1KeyUp(112, 0);
    control->Text = "   \r\nx";
    control->CursorLine = 1;
    control->CursorCol = 2;
    script.TLang1KeyUp(112, 0);
    platform::InstallHelpHandler(previous);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].command, platform::HELP_KEY);
    EXPECT_EQ(asked[0].keyword, "Len");
    EXPECT_EQ(asked[1].keyword, "");  // a blank line asks for no word
}

// Hints of the buttons show beside the caret's place, never over it.
TEST_F(ScriptWindowTest, TheStatusBarShowsTheCaret) {
    TFrmScript& script = OpenScript();
    control->CursorLine = 3;
    control->CursorCol = 7;
    script.TLang1SelectionChange();
    EXPECT_EQ(platform::FromQString(script.StatusPanel0->text()), "3 : 7");

    script.show();
    script.BtnRun->showStatusText(&script);
    EXPECT_EQ(platform::FromQString(script.StatusPanel0->text()), "3 : 7");
    EXPECT_EQ(platform::FromQString(script.StatusPanel1->text()), "Run Script");
    EXPECT_TRUE(script.statusBar()->currentMessage().isEmpty());
    QStatusTipEvent left(QString{});
    QCoreApplication::sendEvent(&script, &left);
    EXPECT_EQ(platform::FromQString(script.StatusPanel1->text()), "");
}

// A failed run selects its line and keeps the error on the status bar; with
// the output window closed a message tells it as well.
TEST_F(ScriptWindowTest, AnErrorSelectsItsLineAndIsShownWithoutTheOutputWindow) {
    TFrmScript& script = OpenScript();
    control->Text = "a = 1\r\n\r\nb = c + 1\r\nd = 4";
    control->Script = [](FakeScriptControl& c) {
        c.Events->TLang1ScriptError(3, "Undefined Symbol: C");
        c.Events->TLang1ScriptComplete(3, 4);
    };
    user.Answer(MsgAnswer::OK);
    script.BtnRun->trigger();
    EXPECT_EQ(control->SelStart, 7);
    EXPECT_EQ(control->SelLength, 9);
    EXPECT_EQ(platform::FromQString(script.StatusPanel1->text()), "Error Line: 3 - Undefined Symbol: C");
    ASSERT_EQ(user.calls().size(), 1u);
    EXPECT_EQ(user.calls()[0].text, "Error Line: 3 - Undefined Symbol: C");
    EXPECT_EQ(user.calls()[0].icon, platform::MsgIcon::Error);

    // With the output window open the error goes there, without a message.
    main->mnuWindowsScriptOutputClick();
    script.BtnRun->trigger();
    EXPECT_EQ(user.calls().size(), 1u);
    EXPECT_THAT(qobject_cast<TFrmScriptOut*>(FrmScriptOut)->Output().Text(),
                ::testing::HasSubstr("Error Line: 3 - Undefined Symbol: C"));

    // A run that ends well no longer shows the earlier error.
    control->Script = [](FakeScriptControl& c) { c.Events->TLang1ScriptComplete(4, 0); };
    script.BtnRun->trigger();
    EXPECT_EQ(platform::FromQString(script.StatusPanel1->text()), "");
}

// Open and Save As start in the program's Scripts folder, made when missing;
// a new script is offered no name.
TEST_F(ScriptWindowTest, TheDialogsStartInTheScriptsFolder) {
    TFrmScript& script = OpenScript();
    const std::string scripts = GlobalInfo().AppDir + "Scripts";
    std::filesystem::remove_all(scripts);
    control->Text = "x = 1";
    user.Cancel();
    EXPECT_FALSE(script.MnuFileSaveAsClick());
    ASSERT_EQ(user.calls().size(), 1u);
    EXPECT_EQ(user.calls()[0].kind, DialogResponder::Kind::Save);
    EXPECT_EQ(user.calls()[0].initialDir, scripts);
    EXPECT_EQ(user.calls()[0].fileName, "");
    EXPECT_TRUE(std::filesystem::is_directory(scripts));

    std::filesystem::remove_all(scripts);
    user.Cancel();
    script.MnuFileOpenClick();
    ASSERT_EQ(user.calls().size(), 2u);
    EXPECT_EQ(user.calls()[1].initialDir, scripts);
    EXPECT_TRUE(std::filesystem::is_directory(scripts));
}

}  // namespace
