// The main window: a narrow tool-bar window with a menu. It owns the channel
// table, the program's settings, the recent-files list, the command line
// and the bookkeeping of the tool windows.
#pragma once

#include "Channeltable.h"
#include "Commandline.h"
#include "Mainsettings.h"

#include <QMainWindow>

#include <array>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QToolBar;
class TFrmHexEdit;

class TFrmMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFrmMain(QWidget* parent = nullptr);
    ~TFrmMain() override;

    // Reads the settings, takes the command line (the program's arguments
    // without its own name), builds the recent-files menu and shows the window.
    void FormCreate(const std::vector<std::string>& arguments);

    // --- The channel table.
    std::int32_t FindFreeChannel() const { return channels_.FindFreeChannel(); }
    std::int32_t FindChannelOfFile(const std::string& fileName) const { return channels_.FindChannelOfFile(fileName); }
    std::int32_t ChannelForFile(std::int32_t slot, const std::string& fileName) const {
        return channels_.ChannelForFile(slot, fileName);
    }
    bool OpenFileInChannel(const std::string& fileName, std::int32_t channel = -1) {
        return channels_.OpenFileInChannel(fileName, channel);
    }
    // Opens the file in the first free channel and tells the user when it did not open.
    bool OpenInFreeChannel(const std::string& fileName);
    // Replacing an open file asks about its changes only while no script runs.
    int OpenInChannel(std::int32_t channel, const std::string& fileName);
    bool CloseChannel(std::int32_t channel, bool ask) { return channels_.CloseChannel(channel, ask); }
    static std::int32_t NormalizeChannel(std::int32_t channel) { return TChannelTable::NormalizeChannel(channel); }
    bool IsChannelOpen(std::int32_t channel) const { return channels_.IsChannelOpen(channel); }
    void ShowAllChannels() { channels_.ShowAllChannels(); }
    // The window of an open channel, or nullptr.
    TFrmHexEdit* ChannelWindow(std::int32_t channel) const;
    // A closing window reports itself by its "Tag" property: 1000 to 5000
    // forget the tool window, 6000 closes the hex window's channel (asking
    // about changes only while no script runs); others are ignored.
    void ChildWindowClosed(QWidget* window);

    // 0 reads, 1 writes "MAIN_FORM", "WINDOWS", "SearchDefaults" and "MRU_FILES".
    void LoadSaveSettings(int mode);
    void AddToMRU(const std::string& fileName);
    void BuildMRUMenu();

    // The last "/S" script of the command line, kept until the script
    // window exists to load and run it.
    std::string RequestedScript;
    bool ScriptRunRequested = false;
    std::string HelpFile;

    // --- Handlers.
    void btnNewFileClick();
    void BtnOpenFileClick();
    // Shows the search-in-files window, made on first use and kept.
    void btnSearchFilesClick();
    // Edits the global search defaults in a dialog made for this use.
    void mnuPrefSearchDefaultsClick();
    // Show the script, output and watch window, made when none exists.
    void MnuWindowsScriptEditorClick();
    void mnuWindowsScriptOutputClick();
    void mnuScriptWatchWindowClick();
    void mnuMainMRU5Click(QAction* item);
    void MnuFileExitClick();
    void Contents1Click();
    void About1Click();

    // --- Components.
    QToolBar* ToolBar1;
    QAction* btnNewFile;
    QAction* BtnOpenFile;
    QAction* btnSearchFiles;
    QAction* btnScriptWindow;
    QAction* ToolButton4;
    QAction* ToolButton6;
    QMenu* MnuFile;
    QAction* mnuMainSep1;
    std::array<QAction*, MRUCount> mnuMainMRU{};
    QAction* MnuFileExit;
    QMenu* MnuWindows;
    QMenu* mnuPreferences;
    QAction* mnuPrefSearchDefaults;
    QMenu* MnuHelp;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void ListChannelWindows();
    void BringChannelToFront(std::int32_t channel);
    void BuildToolBar();
    TChannelWindow* MakeChannelWindow(std::int32_t channel, const std::string& fileName);
    void OpenCommandLine(const TCommandLine& line);
    void OfferLeftWorkingCopies();
    void LoadCommandLineScript(const std::string& fileName);
    void OpenInFreeChannelFailed(const std::string& fileName);
    void ReleaseToolWindows();
    TMainFormSettings CurrentFormSettings() const;

    TChannelTable channels_;
};

// The single-instance windows; null while none exists.
extern TFrmMain* FrmMain;
extern QWidget* FrmScript;
extern QWidget* FrmScriptOut;
extern QWidget* FrmWatches;
extern QWidget* FrmSyntaxColor;
extern QWidget* FrmAddWatch;
extern QWidget* FrmSearch;
extern QWidget* frmGlobalSearchDefaults;
extern QWidget* AboutBox;
