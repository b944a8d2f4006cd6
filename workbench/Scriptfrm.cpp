#include "Scriptfrm.h"

#include "Globalinfo.h"
#include "Hexeditfrm.h"
#include "Standardkeys.h"
#include "Mainfrm.h"
#include "Mrumenu.h"
#include "Qormfunctions.h"
#include "Scriptoutfrm.h"
#include "Syntaxfrm.h"
#include "Textprinting.h"
#include "Tlanghost.h"
#include "Toolicons.h"
#include "Toolwindow.h"
#include "Watchfrm.h"
#include "Wordatcaret.h"

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/QtPath.h"
#include "platform/QtText.h"
#include "platform/Shell.h"
#include "platform/Text.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

#include <utility>

namespace {

constexpr const char* ScriptFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*";
constexpr const char* UntitledCaption = "Qorm - Untitled";
constexpr std::int16_t F1KeyCode = 112;

// The script's path shows in its own encoding, never read as 8-bit text.
QString FileCaption(const std::string& fileName) { return "Qorm - " + platform::PathToQString(fileName); }

// The folder the open and save dialogs start in, made when missing so that
// the dialogs show it rather than offering its name as a file name.
std::string ScriptsFolder() {
    const std::string folder = GlobalInfo().AppDir + "Scripts";
    if (!platform::DirectoryExists(folder)) platform::ForceDirectories(folder);
    return folder;
}

// Where a 1-based line starts as the editor counts positions: one place for
// each character and one for each line break.
std::int32_t LineStart(TScriptControl& control, std::int32_t lineNo) {
    std::int32_t start = 0;
    for (std::int32_t line = 1; line < lineNo; ++line)
        start += static_cast<std::int32_t>(control.get_TextLine(line).size()) + 1;
    return start;
}

QAction* MakeAction(QObject* owner, const QString& text, const QString& hint, const QIcon& icon = {}) {
    auto* action = new QAction(icon, text, owner);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    return action;
}

TScriptControlFactory& InstalledFactory() {
    static TScriptControlFactory factory = CreateTLangControl;
    return factory;
}

}  // namespace

TScriptControlFactory InstallScriptControlFactory(TScriptControlFactory factory) {
    if (!factory) factory = CreateTLangControl;
    return std::exchange(InstalledFactory(), std::move(factory));
}

const TScriptControlFactory& CurrentScriptControlFactory() { return InstalledFactory(); }

TFrmScript* TFrmScript::Create(TFrmMain& owner) {
    auto* window = new TFrmScript(owner);
    if (!window->AttachControl(CurrentScriptControlFactory()(*window))) {
        delete window;
        platform::MessageBox("The script control Pevox10.TLang could not be created.\r\n", "Cannot continue",
                             platform::MsgButtons::OK, platform::MsgIcon::Error);
        return nullptr;
    }
    return window;
}

TFrmScript::TFrmScript(TFrmMain& owner) : QMainWindow(&owner, Qt::Window), main_(owner) {
    BuildActions();
    BuildMenus();
    BuildToolBar();
    StatusPanel0 = new QLabel(this);
    StatusPanel0->setMinimumWidth(50);
    statusBar()->addWidget(StatusPanel0);
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setMinimumWidth(50);
    statusBar()->addWidget(StatusPanel1, 1);
    move(70, 263);
    resize(634, 360);
    FormCreate();
}

// The control goes first: its editor is a child of this window, and the
// control's own teardown may still reach it.
TFrmScript::~TFrmScript() {
    if (FrmScript == this) FrmScript = nullptr;
    functions_.reset();
    run_.reset();
    if (TLang1 && TLang1->Widget()) TLang1->Widget()->setParent(nullptr);
    TLang1.reset();
}

bool TFrmScript::AttachControl(std::unique_ptr<TScriptControl> control) {
    if (!control) return false;
    TLang1 = std::move(control);
    run_ = std::make_unique<TScriptRun>(*TLang1, GlobalInfo(), static_cast<TScriptRunHost&>(*this));
    TLang1->Clear();
    RegisterScriptFunctions(*TLang1);
    functions_ = std::make_unique<TQormFunctions>(*TLang1, main_);
    if (QWidget* editor = TLang1->Widget()) setCentralWidget(editor);
    return true;
}

void TFrmScript::BuildActions() {
    BtnNewScript = MakeAction(this, "&New", "New Script", ToolIcon(TToolIcon::New));
    BtnOpenScript = MakeAction(this, "&Open", "Open Script", ToolIcon(TToolIcon::Open));
    BtnSaveScript = MakeAction(this, "&Save", "Save Script", ToolIcon(TToolIcon::Save));
    btnPrint = MakeAction(this, "&Print", "Print the script", ToolIcon(TToolIcon::Print));
    BtnSynColor = MakeAction(this, "Set &Colors", "Set Syntax Colors", ToolIcon(TToolIcon::Colors));
    BtnHighlight =
        MakeAction(this, "Highlight Execution", "Highlight Executing Line?", ToolIcon(TToolIcon::Highlight));
    BtnHighlight->setCheckable(true);
    BtnSingleStep = MakeAction(this, "&Single Step", "Toggle Single Stepping", ToolIcon(TToolIcon::SingleStep));
    BtnSingleStep->setCheckable(true);
    BtnStep = MakeAction(this, "Step", "Step", ToolIcon(TToolIcon::Step));
    BtnRun = MakeAction(this, "Run", "Run Script", ToolIcon(TToolIcon::Run));
    BtnStop = MakeAction(this, "Stop", "Stop the script", ToolIcon(TToolIcon::Stop));
    BtnDumpVars = MakeAction(this, "Dump", "Dump all Active Variables", ToolIcon(TToolIcon::Dump));
    BtnOutput = MakeAction(this, "Output", "Show script output window", ToolIcon(TToolIcon::Output));
    BtnWatches = MakeAction(this, "Watches", "Watch Window", ToolIcon(TToolIcon::Watch));

    SetStandardShortcuts(*BtnNewScript, QKeySequence::New);
    SetStandardShortcuts(*BtnOpenScript, QKeySequence::Open);
    SetStandardShortcuts(*BtnSaveScript, QKeySequence::Save);
    SetStandardShortcuts(*btnPrint, QKeySequence::Print);
    // The keys of the common debuggers: F5 runs, F10 steps, Shift+F5 stops.
    BtnRun->setShortcut(Qt::Key_F5);
    BtnStep->setShortcut(Qt::Key_F10);
    BtnStop->setShortcut(Qt::SHIFT | Qt::Key_F5);

    connect(BtnNewScript, &QAction::triggered, this, &TFrmScript::MnuFileNewClick);
    connect(BtnOpenScript, &QAction::triggered, this, &TFrmScript::MnuFileOpenClick);
    connect(BtnSaveScript, &QAction::triggered, this, &TFrmScript::MnuFileSaveClick);
    connect(btnPrint, &QAction::triggered, this, &TFrmScript::btnPrintClick);
    connect(BtnSynColor, &QAction::triggered, this, &TFrmScript::BtnSynColorClick);
    // One checkable action serves the tool button and the menu item, so
    // either flips the state once.
    connect(BtnHighlight, &QAction::triggered, this, &TFrmScript::BtnHighlightClick);
    connect(BtnSingleStep, &QAction::triggered, this, &TFrmScript::BtnSingleStepClick);
    connect(BtnStep, &QAction::triggered, this, &TFrmScript::BtnStepClick);
    connect(BtnRun, &QAction::triggered, this, &TFrmScript::BtnRunClick);
    connect(BtnStop, &QAction::triggered, this, &TFrmScript::BtnStopClick);
    connect(BtnDumpVars, &QAction::triggered, this, &TFrmScript::BtnDumpVarsClick);
    connect(BtnOutput, &QAction::triggered, this, &TFrmScript::BtnOutputClick);
    connect(BtnWatches, &QAction::triggered, this, &TFrmScript::BtnWatchesClick);
}

void TFrmScript::BuildMenus() {
    MnuFile = menuBar()->addMenu("&File");
    MnuFile->addActions({BtnNewScript, BtnOpenScript});
    MnuFile->addSeparator();
    MnuFileSaveAs = new QAction("Save &As", this);
    SetStandardShortcuts(*MnuFileSaveAs, QKeySequence::SaveAs, Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    MnuFile->addActions({BtnSaveScript, MnuFileSaveAs});
    MnuFile->addSeparator();
    MnuFile->addAction(btnPrint);
    AddMRUItems(*MnuFile, mnuMainSep1, mnuMainMRU, *this, [this](QAction* item) { mnuMainMRU1Click(item); });
    MnuFile->addSeparator();
    MnuFileClose = MnuFile->addAction("&Close");
    SetStandardShortcuts(*MnuFileClose, QKeySequence::Close, Qt::CTRL | Qt::Key_W);
    connect(MnuFileSaveAs, &QAction::triggered, this, &TFrmScript::MnuFileSaveAsClick);
    connect(MnuFileClose, &QAction::triggered, this, &TFrmScript::MnuFileCloseClick);

    MnuOptions = menuBar()->addMenu("&Options");
    MnuOptions->addActions({BtnSingleStep, BtnHighlight});
    MnuOptions->addSeparator();
    MnuOptionsTerminate = MnuOptions->addAction("&Terminate Script");
    MnuOptions->addSeparator();
    MnuOptionsDumpVariables = MnuOptions->addAction("&Dump Variables");
    MnuOptions->addSeparator();
    MnuOptions->addAction(BtnSynColor);
    MnuOptions->addSeparator();
    MnuOptionsAutoSave = MakeAction(this, "Auto Save Before Run", "Auto save scripts before execution begins.");
    MnuOptionsAutoSave->setCheckable(true);
    MnuOptionsShowConstants = new QAction("Show constants as variables", this);
    MnuOptionsShowConstants->setCheckable(true);
    MnuOptions->addActions({MnuOptionsAutoSave, MnuOptionsShowConstants});
    connect(MnuOptionsTerminate, &QAction::triggered, this, &TFrmScript::BtnStopClick);
    connect(MnuOptionsDumpVariables, &QAction::triggered, this, &TFrmScript::MnuOptionsDumpVariablesClick);
    connect(MnuOptionsAutoSave, &QAction::triggered, this, &TFrmScript::MnuOptionsAutoSaveClick);
    connect(MnuOptionsShowConstants, &QAction::triggered, this, &TFrmScript::MnuOptionsShowConstantsClick);

    MnuWindow = menuBar()->addMenu("&Window");
    MnuWindow->addAction("Output Window");
    MnuWindow->addAction("Watch Window");
}

void TFrmScript::BuildToolBar() {
    ToolBar1 = addToolBar("Script");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->addActions({BtnNewScript, BtnOpenScript, BtnSaveScript, btnPrint});
    ToolBar1->addSeparator();
    ToolBar1->addActions({BtnSynColor, BtnHighlight, BtnSingleStep});
    ToolBar1->addSeparator();
    ToolBar1->addActions({BtnStep, BtnRun, BtnStop});
    ToolBar1->addSeparator();
    ToolBar1->addActions({BtnDumpVars, BtnOutput, BtnWatches});
}

void TFrmScript::FormCreate() { setProperty("Tag", TagScriptWindow); }

void TFrmScript::setVisible(bool visible) {
    if (visible && !isVisible()) FormShow();
    QMainWindow::setVisible(visible);
}

void TFrmScript::FormShow() {
    LoadStartupScript();
    TLang1SelectionChange();
    LoadSaveSettings(0);
    ShowFileCaption();
    BuildMRUMenu();
}

// A script with a name is loaded afresh from its file; otherwise the window
// starts empty.
void TFrmScript::LoadStartupScript() {
    const std::string name = platform::Trim(TLang1->get_FileName());
    if (name.empty())
        TLang1->Clear();
    else
        LoadScript(name);
}

void TFrmScript::ShowFileCaption() {
    const std::string name = platform::Trim(TLang1->get_FileName());
    setWindowTitle(name.empty() ? QString(UntitledCaption) : FileCaption(TLang1->get_FileName()));
}

// Unsaved script text is offered for saving first; a cancel keeps the
// window, its script and a run in progress. A window closes once: a second
// report could make the main window forget a newer script window.
void TFrmScript::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (!SaveChangesFirst()) {
        event->ignore();
        return;
    }
    TLang1->Terminate();
    GlobalInfo().StepContinue = 1;
    QCoreApplication::processEvents();
    for (int round = 0; round < 50 && GlobalInfo().ScriptRunning; ++round) QCoreApplication::processEvents();
    LoadSaveSettings(1);
    main_.ChildWindowClosed(this);
    closed_ = true;
    event->accept();
    ReleaseIfClosed();
}

// The control's run is on the stack below a pause or a host function while
// the window closes; the window and its control stay until it has unwound.
void TFrmScript::ReleaseIfClosed() {
    if (closed_ && !run_->Executing()) deleteLater();
}

void TFrmScript::LoadSaveSettings(int mode) {
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    if (mode == 1) {
        if (!settingsRead_) return;
        const TScriptOptions options{MnuOptionsAutoSave->isChecked(), MnuOptionsShowConstants->isChecked()};
        WriteScriptSettings(registry, PlacementOf(*this), options, GlobalInfo());
        return;
    }
    TFormPlacement placement = PlacementOf(*this);
    TScriptOptions options;
    ReadScriptSettings(registry, placement, options, GlobalInfo());
    settingsRead_ = true;
    ApplyPlacement(*this, placement);
    const TScriptColors& colors = GlobalInfo().ScriptColors;
    TLang1->put_Color(colors[BackgroundColorIndex]);
    for (int index = 0; index < BackgroundColorIndex; ++index)
        TLang1->put_SyntaxColors(index, colors[static_cast<std::size_t>(index)]);
    MnuOptionsAutoSave->setChecked(options.SaveBeforeRun);
    TLang1->put_SaveBeforeRun(options.SaveBeforeRun);
    MnuOptionsShowConstants->setChecked(options.ShowConstants);
    TLang1->put_ShowConstantsInDump(options.ShowConstants);
}

void TFrmScript::AddToMRU(const std::string& fileName) { ::AddToMRU(GlobalInfo().MRUScripts, fileName); }

void TFrmScript::BuildMRUMenu() { ::BuildMRUMenu(GlobalInfo().MRUScripts, *mnuMainSep1, mnuMainMRU); }

// A failed load leaves the script, its name and the caption as they were.
// The control's reasons are ASCII around the script's path, so they show in
// the path's encoding.
bool TFrmScript::LoadScript(const std::string& fileName) {
    const std::string before = platform::Trim(TLang1->get_FileName());
    std::string error;
    if (TLang1->LoadFromFile(fileName, error)) return true;
    TLang1->put_FileName(before);
    platform::MessageBox(platform::PathAsText(error), "Cannot continue", platform::MsgButtons::OK,
                         platform::MsgIcon::Error);
    return false;
}

bool TFrmScript::SaveScript(const std::string& fileName) {
    std::string error;
    if (TLang1->SaveToFile(fileName, error)) return true;
    platform::MessageBox(platform::PathAsText(error), "Cannot continue", platform::MsgButtons::OK,
                         platform::MsgIcon::Error);
    return false;
}

void TFrmScript::LoadScriptFile(const std::string& fileName) { LoadScript(fileName); }

void TFrmScript::ExecuteFromCommandLine() {
    RunShowingItsState([this] { run_->ExecuteScript(); });
    ReleaseIfClosed();
}

// While a run started here goes on, Run is disabled (it comes back while the
// run is paused, where it runs on) and the status line says "Running"; an
// error the run reported stays shown after it.
void TFrmScript::RunShowingItsState(const std::function<void()>& run) {
    if (GlobalInfo().ScriptRunning) {
        run();
        return;
    }
    ShowRunMessage(RunningText);
    BtnRun->setEnabled(false);
    run();
    BtnRun->setEnabled(true);
    if (runMessage_ == RunningText) ShowRunMessage(QString());
}

void TFrmScript::ShowRunMessage(const QString& text) {
    runMessage_ = text;
    StatusPanel1->setText(text);
}

std::string TFrmScript::CaretWord() {
    return WordAtCaret(TLang1->get_TextLine(TLang1->get_CursorLine()), TLang1->get_CursorCol());
}

// --- Commands.

// Asked before New, Open, a recent script and closing the window replace or
// drop the text. A save that did not happen keeps the script.
bool TFrmScript::SaveChangesFirst() {
    if (!TLang1->get_Modified()) return true;
    const platform::MsgAnswer answer = platform::MessageBox("Save Changes?", "Save?", platform::MsgButtons::YesNoCancel,
                                                            platform::MsgIcon::Question);
    if (answer == platform::MsgAnswer::Cancel) return false;
    return answer != platform::MsgAnswer::Yes || MnuFileSaveClick();
}

void TFrmScript::MnuFileNewClick() {
    if (!SaveChangesFirst()) return;
    TLang1->Clear();
    setWindowTitle(UntitledCaption);
}

void TFrmScript::MnuFileOpenClick() {
    if (!SaveChangesFirst()) return;
    platform::FileDialogRequest request;
    request.title = "Open a script";
    request.filter = ScriptFilter;
    request.initialDir = ScriptsFolder();
    const std::optional<std::string> name = platform::CurrentDialogs().OpenFileName(request);
    if (!name || !LoadScript(*name)) return;
    setWindowTitle(FileCaption(*name));
    AddToMRU(*name);
    BuildMRUMenu();
}

bool TFrmScript::MnuFileSaveClick() {
    const std::string name = platform::Trim(TLang1->get_FileName());
    if (name.empty()) return MnuFileSaveAsClick();
    return SaveScript(name);
}

bool TFrmScript::MnuFileSaveAsClick() {
    platform::FileDialogRequest request;
    request.filter = ScriptFilter;
    request.defaultExt = "txt";
    request.overwritePrompt = true;
    request.initialDir = ScriptsFolder();
    request.fileName = platform::Trim(TLang1->get_FileName());
    const std::optional<std::string> name = platform::CurrentDialogs().SaveFileName(request);
    if (!name || !SaveScript(*name)) return false;
    setWindowTitle(FileCaption(*name));
    TLang1->put_FileName(*name);
    return true;
}

void TFrmScript::btnPrintClick() { CurrentTextPrinter().PrintText(this, "Script", TLang1->get_Text()); }

void TFrmScript::mnuMainMRU1Click(QAction* item) {
    if (!SaveChangesFirst()) return;
    const std::string name = MRUItemPath(*item);
    if (LoadScript(name)) setWindowTitle(FileCaption(name));
}

void TFrmScript::MnuFileCloseClick() { close(); }

void TFrmScript::BtnRunClick() {
    RunShowingItsState([this] { run_->Run(); });
    ReleaseIfClosed();
}

void TFrmScript::BtnStepClick() {
    RunShowingItsState([this] { run_->Step(); });
    ReleaseIfClosed();
}

void TFrmScript::BtnStopClick() { run_->Stop(); }

void TFrmScript::BtnSingleStepClick(bool down) { run_->SetSingleStep(down); }

void TFrmScript::BtnHighlightClick(bool down) { run_->SetHighlight(down); }

void TFrmScript::BtnDumpVarsClick() {
    TLang1->DumpVariables();
    QCoreApplication::processEvents();
}

void TFrmScript::MnuOptionsDumpVariablesClick() { TLang1->DumpVariables(); }

void TFrmScript::BtnOutputClick() { main_.mnuWindowsScriptOutputClick(); }

void TFrmScript::BtnWatchesClick() { main_.mnuScriptWatchWindowClick(); }

void TFrmScript::BtnSynColorClick() {
    if (!FrmSyntaxColor) FrmSyntaxColor = new TFrmSyntaxColor(this);
    auto* dialog = qobject_cast<TFrmSyntaxColor*>(FrmSyntaxColor);
    if (!dialog || dialog->exec() != QDialog::Accepted) return;
    LoadSaveSettings(1);
    LoadSaveSettings(0);
    RecolourScript();
}

// A named script is saved to a temporary file, which loads it again with
// every line coloured anew; its name and its modified state stay as they
// were. Without a temporary file nothing is touched.
void TFrmScript::RecolourScript() {
    const std::string name = platform::Trim(TLang1->get_FileName());
    if (name.empty()) return;
    const std::string temporary = platform::GetTempFileNameA(GlobalInfo().AppDir, "Qrm");
    if (temporary.empty()) return;
    const bool modified = TLang1->get_Modified();
    std::string ignored;
    TLang1->SaveToFile(temporary, ignored);
    TLang1->put_FileName(name);
    TLang1->put_Modified(modified);
    platform::DeleteFile(temporary);
}

void TFrmScript::MnuOptionsAutoSaveClick(bool checked) { TLang1->put_SaveBeforeRun(checked); }

void TFrmScript::MnuOptionsShowConstantsClick(bool checked) { TLang1->put_ShowConstantsInDump(checked); }

// --- Events of the control.

void TFrmScript::TLang1Step(std::int32_t lineNo) { run_->OnStep(lineNo); }

void TFrmScript::TLang1BreakPoint() { run_->OnBreakPoint(); }

void TFrmScript::TLang1ScriptComplete(std::int32_t lineNo, std::int32_t exitCode) {
    run_->OnScriptComplete(lineNo, exitCode);
}

void TFrmScript::TLang1ScriptError(std::int32_t lineNo, const std::string& errorMsg) {
    run_->OnScriptError(lineNo, errorMsg);
}

void TFrmScript::TLang1Print(const std::string& printLine, bool newLine) { run_->OnPrint(printLine, newLine); }

void TFrmScript::TLang1Dump(const std::string& dumpLine) { run_->OnDump(dumpLine); }

void TFrmScript::TLang1SelectionChange() {
    StatusPanel0->setText(QString::number(TLang1->get_CursorLine()) + " : " + QString::number(TLang1->get_CursorCol()));
}

void TFrmScript::TLang1KeyUp(std::int16_t keyCode, std::int16_t) {
    if (keyCode != F1KeyCode) return;
    const std::string keyword = CaretWord();
    platform::WinHelpA(main_.HelpFile, platform::HELP_KEY, reinterpret_cast<std::uintptr_t>(keyword.c_str()));
}

void TFrmScript::TLang1Initialize() { SetScriptConstants(*TLang1); }

void TFrmScript::TLang1UserFunction(std::int32_t ordinal, std::int32_t paramCount) {
    functions_->UserFunction(ordinal, paramCount);
}

void TFrmScript::DumpToAddWatch() { run_->DumpToAddWatch(); }

// --- What a run asks of the window.

void TFrmScript::ProcessMessages() { QCoreApplication::processEvents(); }

// Sleeps until a message comes, handles it and looks again; the commands
// that end a pause (run, step, stop, closing this window, which the main
// window's closing does first) all set StepContinue.
void TFrmScript::WaitForStepContinue() {
    const bool shown = runMessage_ == RunningText;
    if (shown) {
        ShowRunMessage(PausedText);
        BtnRun->setEnabled(true);
    }
    while (!GlobalInfo().StepContinue && !QCoreApplication::closingDown())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (shown && runMessage_ == PausedText && GlobalInfo().ScriptRunning) {
        ShowRunMessage(RunningText);
        BtnRun->setEnabled(false);
    }
}

void TFrmScript::AddOutputLine(const std::string& text, bool newLine) {
    if (auto* output = qobject_cast<TFrmScriptOut*>(FrmScriptOut)) output->AddLine(text, newLine);
}

void TFrmScript::RefreshWatches() {
    auto* watches = qobject_cast<TFrmWatches*>(FrmWatches);
    if (!watches) return;
    watches->UpdateValues(*TLang1);
}

void TFrmScript::ShowPendingViews() {
    for (std::int32_t channel = 0; channel < ChannelLimit; ++channel)
        if (TFrmHexEdit* window = main_.ChannelWindow(channel)) window->ShowPendingView();
    if (auto* output = qobject_cast<TFrmScriptOut*>(FrmScriptOut)) output->ShowPendingLines();
}

bool TFrmScript::AddWatchDumpLine(const std::string& line) {
    auto* dialog = qobject_cast<TFrmAddWatch*>(FrmAddWatch);
    if (!dialog) return false;
    dialog->AddDumpLine(line);
    return true;
}

void TFrmScript::ShowSingleStep(bool on) { BtnSingleStep->setChecked(on); }

void TFrmScript::ShowHighlight(bool on) { BtnHighlight->setChecked(on); }

void TFrmScript::ShowAllChannels() { main_.ShowAllChannels(); }

// The failing line is selected and the error stays on the status bar; with
// the output window closed a message tells it too, so no error goes unseen.
void TFrmScript::ShowError(std::int32_t lineNo, const std::string& text) {
    if (lineNo > 0) {
        TLang1->put_SelStart(LineStart(*TLang1, lineNo));
        TLang1->put_SelLength(static_cast<std::int32_t>(TLang1->get_TextLine(lineNo).size()));
    }
    ShowRunMessage(platform::ToQString(text));
    if (!qobject_cast<TFrmScriptOut*>(FrmScriptOut))
        platform::MessageBox(text, "Script Error", platform::MsgButtons::OK, platform::MsgIcon::Error);
}

void TFrmScript::ClearError() {
    if (runMessage_ != RunningText) ShowRunMessage(QString());
}

// Hints of buttons and menu items show in the second panel while they are
// pointed at, so the caret's place in the first stays.
bool TFrmScript::event(QEvent* event) {
    if (event->type() != QEvent::StatusTip) return QMainWindow::event(event);
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    StatusPanel1->setText(tip.isEmpty() ? runMessage_ : tip);
    return true;
}
