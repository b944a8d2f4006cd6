// File names as Linux has them, through every way a name enters the program:
// the command line and its script, the file dialogs, the recent lists, the
// search in files, the result files and the script functions. Each way is
// driven with one table of names on the real file system, the dialogs
// answered by a scripted user.
#include "ScriptFunctionsFixture.h"

#include "FakeScriptControl.h"
#include "Mrumenu.h"
#include "Scriptfrm.h"
#include "Searchcriteria.h"
#include "Searchfrm.h"
#include "Searchpages.h"
#include "Searchsession.h"

#include "platform/Files.h"
#include "platform/QtPath.h"

#include <gmock/gmock.h>

#include "QtTestApplication.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>

#include <filesystem>
#include <fstream>

using Bytes = std::vector<std::uint8_t>;
using platform::PathToQString;

namespace {

// ASCII, accented UTF-8 (in a folder of such a name too), CJK, a blank, and
// a byte that is not UTF-8.
const std::vector<std::string> kNames = {
    "plain.sav",
    "donn\xC3\xA9" "es/\xC3\xA9t\xC3\xA9.sav",
    "\xE4\xB8\xAD\xE6\x96\x87.sav",
    "with space.sav",
    "bad\xFF.dat",
};

// The current folder for as long as it lives.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& folder) : previous_(platform::GetCurrentDir()) {
        EXPECT_TRUE(platform::SetCurrentDir(folder)) << folder;
    }
    ~WorkingFolder() { platform::SetCurrentDir(previous_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::string previous_;
};

class FileNamesTest : public ScriptFunctionsFixture {
protected:
    ~FileNamesTest() override {
        CloseAll();
        InstallScriptControlFactory(previousFactory);
    }

    // The data folder's path of a name of the table, its folders made.
    std::string Make(const std::string& name, const Bytes& bytes) {
        const std::string path = folder.Path("data/" + name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    void CloseAll() {
        for (std::int32_t channel = 0; channel < ChannelLimit; ++channel) main->CloseChannel(channel, false);
        if (FrmScript) FrmScript->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A fresh main window started with these arguments, as the program starts.
    TFrmMain& Restart(const std::vector<std::string>& arguments) {
        CloseAll();
        main = std::make_unique<TFrmMain>();
        main->FormCreate(arguments);
        return *main;
    }

    TFrmScript& ScriptWindowOverFakeControl() {
        previousFactory = InstallScriptControlFactory([this](TScriptControlEvents& events) {
            auto made = std::make_unique<FakeScriptControl>();
            made->Events = &events;
            script = made.get();
            return std::unique_ptr<TScriptControl>(std::move(made));
        });
        main->MnuWindowsScriptEditorClick();
        return *qobject_cast<TFrmScript*>(FrmScript);
    }

    static QString ChannelCaption(int channel, const std::string& path, int size) {
        return QStringLiteral("Ch: %1 ").arg(channel) + PathToQString(path) + QStringLiteral(" - %1 bytes").arg(size);
    }

    TScriptControlFactory previousFactory;
    FakeScriptControl* script = nullptr;
};

// Started in the data folder with a relative name, the program knows the
// file from the root: its channel, caption, recent entry and result files
// name it so, and the recent entry opens it from any folder.
TEST_F(FileNamesTest, TheCommandLineOpensEveryNameAndKnowsItFromTheRoot) {
    for (const std::string& name : kNames) {
        const std::string path = Make(name, Bytes(10, 'x'));
        {
            const WorkingFolder data(folder.Path("data"));
            Restart({name});
        }
        TFrmHexEdit* hex = main->ChannelWindow(0);
        ASSERT_NE(hex, nullptr) << name;
        EXPECT_EQ(hex->DataPath(), path) << name;
        EXPECT_EQ(hex->windowTitle(), ChannelCaption(0, path, 10)) << name;
        EXPECT_EQ(GlobalInfo().MRUFiles[0], path) << name;
        EXPECT_EQ(main->mnuMainMRU[0]->text(), PathToQString(path)) << name;

        // The result file names the data file in its fourth line.
        TSearchSession& session = hex->SearchPages->Session();
        session.SetCurrentResults({{"1", 0}}, "1 results");
        const std::string results = path + ".srt";
        user.Type(results);
        session.SaveResultsWithDialog();
        const std::string saved = Read(results);
        EXPECT_NE(saved.find("\r\nin file " + path + "\r\n"), std::string::npos) << name;
        user.Type(results);
        session.LoadResultsWithDialog();
        EXPECT_EQ(session.Lists.Previous.Rows.size(), 1u) << name;

        ASSERT_TRUE(main->CloseChannel(0, false));
        const WorkingFolder elsewhere("/");
        main->mnuMainMRU[0]->trigger();
        ASSERT_TRUE(main->IsChannelOpen(0)) << name;
        EXPECT_EQ(main->ChannelWindow(0)->DataPath(), path) << name;
    }
    EXPECT_EQ(user.pending(), 0u);
    for (const auto& call : user.calls()) EXPECT_TRUE(call.answered) << call.text;

    // A name that is not there is named from the root, as the desktop shows names.
    {
        const WorkingFolder data(folder.Path("data"));
        Restart({"absent \xC3\xA9t\xC3\xA9.sav"});
    }
    EXPECT_EQ(user.calls().back().text, "File " + folder.Path("data/absent \xE9t\xE9.sav") +
                                            " not found!\r\nOnly existing files can be used on the command line.\r\n");
}

// Open, New and Save As take the dialog's choice as the name's bytes.
TEST_F(FileNamesTest, TheFileDialogsOpenMakeAndSaveEveryName) {
    for (const std::string& name : kNames) {
        const std::string path = Make(name, {1, 2, 3});
        user.Type(path);
        main->BtnOpenFileClick();
        const std::int32_t channel = main->FindChannelOfFile(path);
        ASSERT_GE(channel, 0) << name;
        EXPECT_EQ(GlobalInfo().MRUFiles[0], path) << name;
        EXPECT_EQ(MRUItemPath(*main->mnuMainMRU[0]), path) << name;

        TFrmHexEdit& hex = *main->ChannelWindow(channel);
        hex.btnLock->click();
        hex.WriteString("A");
        const std::string copy = path + " copy";
        user.Type(copy);
        hex.btnSaveAsClick();
        EXPECT_EQ(Read(copy), "A\x02\x03") << name;
        EXPECT_EQ(hex.DataPath(), copy) << name;
        EXPECT_EQ(hex.windowTitle(), ChannelCaption(channel, copy, 3)) << name;

        const std::string made = path + ".new";
        user.Type(made);
        user.Type("4");
        main->btnNewFileClick();
        EXPECT_EQ(Read(made), std::string(4, '\0')) << name;
        EXPECT_GE(main->FindChannelOfFile(made), 0) << name;
        CloseAll();
    }
    for (const auto& call : user.calls()) EXPECT_TRUE(call.answered) << call.text;
}

TEST_F(FileNamesTest, TheRecentListsKeepEveryNameThroughTheSettings) {
    TFrmScript& window = ScriptWindowOverFakeControl();
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        GlobalInfo().MRUFiles[i] = folder.Path("data/" + kNames[i]);
        GlobalInfo().MRUScripts[i] = folder.Path("data/" + kNames[i] + ".bas");
    }
    const GLOBALINFO_TAG written = GlobalInfo();
    window.LoadSaveSettings(1);
    main->LoadSaveSettings(1);
    GlobalInfo().MRUFiles = {};
    GlobalInfo().MRUScripts = {};
    main->LoadSaveSettings(0);
    window.LoadSaveSettings(0);
    EXPECT_EQ(GlobalInfo().MRUFiles, written.MRUFiles);
    EXPECT_EQ(GlobalInfo().MRUScripts, written.MRUScripts);
}

// Open Script, Save As, a recent script and "/S" take every name as it is.
TEST_F(FileNamesTest, TheScriptWindowOpensSavesAndRunsEveryName) {
    TFrmScript& window = ScriptWindowOverFakeControl();
    for (const std::string& name : kNames) {
        const std::string path = Make(name + ".bas", Bytes{'P', 'r', 'i', 'n', 't', ' ', '1'});
        user.Type(path);
        window.MnuFileOpenClick();
        EXPECT_EQ(script->FileName, path) << name;
        EXPECT_EQ(script->Text, "Print 1") << name;
        EXPECT_EQ(window.windowTitle(), "Qorm - " + PathToQString(path)) << name;
        EXPECT_EQ(MRUItemPath(*window.mnuMainMRU[0]), path) << name;

        const std::string copy = path + ".copy";
        user.Type(copy);
        window.MnuFileSaveAsClick();
        EXPECT_EQ(script->Saves.back(), copy) << name;

        script->FileName.clear();
        window.mnuMainMRU[0]->trigger();
        EXPECT_EQ(script->FileName, path) << name;
    }
    // A script that is gone is named in the message as the desktop shows names.
    user.Type(folder.Path("data/gone \xC3\xA9t\xC3\xA9.bas"));
    user.Answer(platform::MsgAnswer::OK);
    window.MnuFileOpenClick();
    EXPECT_EQ(user.calls().back().text, "File: " + folder.Path("data/gone \xE9t\xE9.bas") + " not found");
    for (const auto& call : user.calls()) EXPECT_TRUE(call.answered) << call.text;

    for (const std::string& name : kNames) {
        const std::string data = Make(name, {0});
        const std::string path = data + ".bas";
        {
            const WorkingFolder here(folder.Path("data"));
            Restart({name, "/S", name + ".bas"});
        }
        ASSERT_NE(FrmScript, nullptr);
        EXPECT_EQ(script->FileName, path) << name;
        EXPECT_EQ(script->Executes, 1) << name;
        EXPECT_EQ(main->ChannelWindow(0)->DataPath(), data) << name;
        FrmScript->show();
        EXPECT_EQ(FrmScript->windowTitle(), "Qorm - " + PathToQString(path)) << name;
    }
}

// The folder's list shows each name as well as it can and keeps its bytes:
// the search reads every file, none is skipped as unreadable.
TEST_F(FileNamesTest, TheSearchInFilesListsAndSearchesEveryName) {
    std::vector<std::string> paths;
    for (const std::string& name : kNames) {
        const std::string flat = std::filesystem::path(name).filename().string();
        paths.push_back(Make("all/" + flat, {'.', 'X', 'Y'}));
    }
    std::sort(paths.begin(), paths.end());
    main->btnSearchFiles->trigger();
    auto& window = *qobject_cast<TFrmSearch*>(FrmSearch);
    window.SetFolder(folder.Path("data/all"));
    ASSERT_EQ(window.filSelected->count(), static_cast<int>(paths.size()));
    for (int row = 0; row < window.filSelected->count(); ++row)
        EXPECT_EQ(window.filSelected->item(row)->text(),
                  PathToQString(std::filesystem::path(paths[static_cast<std::size_t>(row)]).filename().string()));
    window.filSelected->item(4)->setSelected(true);
    window.btnAddSelectedClick();
    window.btnAddAllClick();
    std::vector<std::string> expected = {paths[4]};
    expected.insert(expected.end(), paths.begin(), paths.begin() + 4);
    EXPECT_EQ(window.SelectedFiles().Paths(), expected);
    EXPECT_EQ(window.lstSelected->item(0)->text(), PathToQString(paths[4]));

    window.Criteria->edtSearchValue->setText("XY");
    window.Criteria->btnBeginSearch->click();
    EXPECT_EQ(window.StatusText(), "Search Completed!");
    EXPECT_EQ(window.Results().Found, expected);
    EXPECT_EQ(window.lstResults->model()->index(0, 0).data().toString(), PathToQString(paths[4]));
}

// A script hands names to the host functions and gets them back as bytes.
TEST_F(FileNamesTest, TheScriptFunctionsTakeAndGiveEveryName) {
    for (const std::string& name : kNames) {
        const std::string path = Make(name, {7, 8});
        user.Type(path);
        EXPECT_EQ(Text("PickFile"), path) << name;
        EXPECT_EQ(Number("OpenForEdit", {path, "0"}), 1) << name;
        EXPECT_EQ(Text("GetFileName", {"0"}), path) << name;
        const std::string copy = path + ".2";
        EXPECT_EQ(Number("Copy", {path, copy}), 1) << name;
        EXPECT_EQ(Read(copy), "\x07\x08") << name;
        EXPECT_EQ(Number("SaveAs", {copy + ".3", "0"}), 1) << name;
        EXPECT_EQ(Read(copy + ".3"), "\x07\x08") << name;
        CloseAll();
    }
}

// Set Wide String writes the UTF-16 of the typed text, also what the 8-bit
// code page lacks; Set String writes the code page's bytes and refuses a
// text that it cannot hold rather than write "?".
TEST_F(FileNamesTest, TheStringButtonsWriteWhatWasTyped) {
    TFrmHexEdit& hex = OpenChannel(0, "wide.dat", Bytes(12, 0));
    hex.btnLock->click();
    user.Type(std::u16string(u"\u03A9\u4E2D\U0001F600\u00E9"));
    hex.btnSetWideStringClick();
    EXPECT_EQ(WindowBytes(hex), (Bytes{0xA9, 0x03, 0x2D, 0x4E, 0x3D, 0xD8, 0x00, 0xDE, 0xE9, 0x00, 0, 0}));
    ASSERT_EQ(user.calls().size(), 1u);
    EXPECT_EQ(user.calls()[0].caption, "Enter wide string");

    const Bytes before = WindowBytes(hex);
    for (const std::u16string& refused : {std::u16string(u"a\u03A9b"), std::u16string(u"x\U0001F600")}) {
        user.Type(refused);
        hex.btnSetStringClick();
        EXPECT_EQ(WindowBytes(hex), before);
    }
    EXPECT_EQ(hex.statusBar()->currentMessage(),
              QString::fromUtf8("Not written: \"\U0001F600\" is not in Windows-1252, the code page of strings."));
    user.Type(std::u16string(u"\u00E9\u20AC?"));
    hex.btnSetStringClick();
    EXPECT_EQ(WindowBytes(hex), (Bytes{0xE9, 0x80, '?', 0x4E, 0x3D, 0xD8, 0x00, 0xDE, 0xE9, 0x00, 0, 0}));
    EXPECT_EQ(user.calls()[1].caption, "Enter ASCIIZ string");
}

}  // namespace
