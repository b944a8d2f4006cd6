// The script window: the editor and run console of the workbench. It hosts
// the program's interpreter control, opens, saves and prints scripts, keeps
// five recent scripts, runs, steps, pauses and stops them, and hands the
// control's events on to the output and watch windows, the add-watch dialog
// and the script function library.
#pragma once

#include "Addwatchfrm.h"
#include "Scriptcontrol.h"
#include "Scriptrun.h"
#include "Scriptsettings.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class TFrmMain;
class TQormFunctions;

// Makes the interpreter control for a script window, whose events it is to
// report to `events`; null when no control can be made.
using TScriptControlFactory = std::function<std::unique_ptr<TScriptControl>(TScriptControlEvents& events)>;

// The factory of the script windows the main window makes: the program's
// control by its class identifier, or a stand-in a test installs. An empty
// factory restores the program's own.
TScriptControlFactory InstallScriptControlFactory(TScriptControlFactory factory);
const TScriptControlFactory& CurrentScriptControlFactory();

class TFrmScript : public QMainWindow,
                   public TScriptControlEvents,
                   private TScriptRunHost,
                   public TAddWatchDumpSource {
    Q_OBJECT

public:
    // Makes a hidden window, owned by the main window, with a control from
    // the current factory; null, after telling the user, when no control can
    // be made.
    static TFrmScript* Create(TFrmMain& owner);
    ~TFrmScript() override;

    TScriptControl& Control() { return *TLang1; }
    TScriptRun& Run() { return *run_; }

    // 0 reads, 1 writes "SCRIPT_FORM", "Colors", "Options" and "MRU_SCRIPTS".
    void LoadSaveSettings(int mode);
    // Loads a script given on the command line, or runs the script the
    // window holds, as the command line asks; such a run never pauses.
    void LoadScriptFile(const std::string& fileName);
    void ExecuteFromCommandLine();

    void AddToMRU(const std::string& fileName);
    void BuildMRUMenu();
    // The word at the editor's caret, which F1 looks up.
    std::string CaretWord();

    // --- Commands.
    void MnuFileNewClick();
    void MnuFileOpenClick();
    // True when the script was saved.
    bool MnuFileSaveClick();
    bool MnuFileSaveAsClick();
    void btnPrintClick();
    void mnuMainMRU1Click(QAction* item);
    void MnuFileCloseClick();
    void BtnRunClick();
    void BtnStepClick();
    void BtnStopClick();
    void BtnSingleStepClick(bool down);
    void BtnHighlightClick(bool down);
    void BtnDumpVarsClick();
    void MnuOptionsDumpVariablesClick();
    void BtnOutputClick();
    void BtnWatchesClick();
    void BtnSynColorClick();
    void MnuOptionsAutoSaveClick(bool checked);
    void MnuOptionsShowConstantsClick(bool checked);

    // --- Events of the control.
    void TLang1Step(std::int32_t lineNo) override;
    void TLang1BreakPoint() override;
    void TLang1ScriptComplete(std::int32_t lineNo, std::int32_t exitCode) override;
    void TLang1ScriptError(std::int32_t lineNo, const std::string& errorMsg) override;
    void TLang1Print(const std::string& printLine, bool newLine) override;
    void TLang1Dump(const std::string& dumpLine) override;
    void TLang1SelectionChange() override;
    void TLang1KeyUp(std::int16_t keyCode, std::int16_t shiftState) override;
    void TLang1Initialize() override;
    void TLang1UserFunction(std::int32_t ordinal, std::int32_t paramCount) override;

    // Offered to the add-watch dialog.
    void DumpToAddWatch() override;

    // --- Components.
    QLabel* StatusPanel0;
    // Hints while pointed at; else the error of the last run.
    QLabel* StatusPanel1;
    QToolBar* ToolBar1;
    QAction* BtnNewScript;
    QAction* BtnOpenScript;
    QAction* BtnSaveScript;
    QAction* btnPrint;
    QAction* BtnSynColor;
    QAction* BtnHighlight;
    QAction* BtnSingleStep;
    QAction* BtnStep;
    QAction* BtnRun;
    QAction* BtnStop;
    QAction* BtnDumpVars;
    QAction* BtnOutput;
    QAction* BtnWatches;
    QMenu* MnuFile;
    QAction* MnuFileSaveAs;
    QAction* mnuMainSep1;
    std::array<QAction*, MRUCount> mnuMainMRU{};
    QAction* MnuFileClose;
    QMenu* MnuOptions;
    QAction* MnuOptionsTerminate;
    QAction* MnuOptionsDumpVariables;
    QAction* MnuOptionsAutoSave;
    QAction* MnuOptionsShowConstants;
    QMenu* MnuWindow;

    // A window about to show reads its place before the desktop has it, so a
    // stored corner is taken as the frame's.
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    explicit TFrmScript(TFrmMain& owner);
    // Takes the control: clears it, registers the script functions with it
    // and lays out its editor. False for no control.
    bool AttachControl(std::unique_ptr<TScriptControl> control);
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    void FormCreate();
    void FormShow();
    void LoadStartupScript();
    void ShowFileCaption();
    // Offers unsaved text for saving: false when the user cancels or the
    // save he asked for did not happen.
    bool SaveChangesFirst();
    bool LoadScript(const std::string& fileName);
    bool SaveScript(const std::string& fileName);
    void RecolourScript();
    // A window closed while a run was on the stack goes once the run has unwound.
    void ReleaseIfClosed();
    void RunShowingItsState(const std::function<void()>& run);
    void ShowRunMessage(const QString& text);
    static inline const QString RunningText = QStringLiteral("Running");
    static inline const QString PausedText = QStringLiteral("Paused: Step runs one line, Run runs on");

    // --- TScriptRunHost.
    void ProcessMessages() override;
    void WaitForStepContinue() override;
    void AddOutputLine(const std::string& text, bool newLine) override;
    void RefreshWatches() override;
    void ShowPendingViews() override;
    bool AddWatchDumpLine(const std::string& line) override;
    void ShowSingleStep(bool on) override;
    void ShowHighlight(bool on) override;
    void ShowAllChannels() override;
    void ShowError(std::int32_t lineNo, const std::string& text) override;
    void ClearError() override;

    TFrmMain& main_;
    std::unique_ptr<TScriptControl> TLang1;
    std::unique_ptr<TQormFunctions> functions_;
    std::unique_ptr<TScriptRun> run_;
    bool closed_ = false;
    // Only a window that has read the stored settings writes them back: the
    // hidden window of a command-line script would otherwise replace the
    // user's colours, options, place and recent scripts with its defaults.
    bool settingsRead_ = false;
    QString runMessage_;
};
