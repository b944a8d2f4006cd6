#include "Mainfrm.h"

#include "Aboutbox.h"
#include "Addwatchfrm.h"
#include "Binaryfilefunctions.h"
#include "Globalsearchdefaultsfrm.h"
#include "Hexeditfrm.h"
#include "Toolicons.h"
#include "Standardkeys.h"
#include "Mrumenu.h"
#include "Scriptfrm.h"
#include "Scriptoutfrm.h"
#include "Searchfrm.h"
#include "Syntaxfrm.h"
#include "Watchfrm.h"
#include "Windowplacement.h"

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Helpviewer.h"
#include "platform/ProgramFolder.h"
#include "platform/QtPath.h"
#include "platform/QtText.h"
#include "platform/Shell.h"
#include "platform/Text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <algorithm>

TFrmMain* FrmMain = nullptr;
QWidget* FrmScript = nullptr;
QWidget* FrmScriptOut = nullptr;
QWidget* FrmWatches = nullptr;
QWidget* FrmSyntaxColor = nullptr;
QWidget* FrmAddWatch = nullptr;
QWidget* FrmSearch = nullptr;
QWidget* frmGlobalSearchDefaults = nullptr;
QWidget* AboutBox = nullptr;

namespace {

constexpr const char* NoMoreChannels = "No more channels";
constexpr const char* TooManyOpenFiles = "Too many open files\r\nThere are no more channels available";
constexpr const char* FailedToCreate = "Failed to create file\r\n";
constexpr const char* CannotContinue = "Cannot continue";

std::string FileNotFound(const std::string& name) { return "File " + platform::PathAsText(name) + " not found!\r\n"; }

Qt::WindowStates QtWindowState(int state) {
    switch (state) {
    case wsMinimized:
        return Qt::WindowMinimized;
    case wsMaximized:
        return Qt::WindowMaximized;
    default:
        return Qt::WindowNoState;
    }
}

int WindowStateOf(Qt::WindowStates state) {
    if (state & Qt::WindowMinimized) return wsMinimized;
    if (state & Qt::WindowMaximized) return wsMaximized;
    return wsNormal;
}

template <typename Window>
void ShowToolWindow(QWidget*& global, QWidget* owner) {
    if (!global) global = new Window(owner);
    global->show();
    global->raise();
    global->activateWindow();
}

}  // namespace

TFrmMain::TFrmMain(QWidget* parent)
    : QMainWindow(parent),
      channels_([this](std::int32_t channel, const std::string& fileName) {
          return MakeChannelWindow(channel, fileName);
      }) {
    FrmMain = this;
    FrmSearch = nullptr;
    frmGlobalSearchDefaults = nullptr;
    setWindowTitle(AppCaptionText);
    GlobalInfo().AppDir = platform::AppDir();
    GlobalInfo().RegKey = SettingsKey;
    HelpFile = ProgramHelpFile();
    setProperty("helpContext", MainHelpContext);
    platform::BindF1Help(*this, HelpFile);
    BuildMenus();
    BuildToolBar();
    // The window is its menu and its tool bar and nothing below them: its
    // height is theirs, within the 92 to 100 pixels of the framed design.
    const int height = std::clamp(menuBar()->sizeHint().height() + ToolBar1->sizeHint().height(), 40, 100);
    setMinimumSize(500, height);
    setMaximumHeight(height);
    resize(628, height);
}

TFrmMain::~TFrmMain() {
    if (FrmMain == this) FrmMain = nullptr;
}

void TFrmMain::BuildMenus() {
    btnNewFile = new QAction(ToolIcon(TToolIcon::New), "&New", this);
    btnNewFile->setToolTip("New File");
    BtnOpenFile = new QAction(ToolIcon(TToolIcon::Open), "&Open", this);
    BtnOpenFile->setToolTip("Open a file for Hex Edit");
    MnuFile = menuBar()->addMenu("&File");
    MnuFile->addActions({btnNewFile, BtnOpenFile});
    AddMRUItems(*MnuFile, mnuMainSep1, mnuMainMRU, *this, [this](QAction* item) { mnuMainMRU5Click(item); });
    MnuFile->addSeparator();
    MnuFileExit = MnuFile->addAction("E&xit");
    SetStandardShortcuts(*btnNewFile, QKeySequence::New);
    SetStandardShortcuts(*BtnOpenFile, QKeySequence::Open);
    SetStandardShortcuts(*MnuFileExit, QKeySequence::Quit, Qt::CTRL | Qt::Key_Q);

    btnScriptWindow = new QAction(ToolIcon(TToolIcon::ScriptEditor), "Script Editor", this);
    btnScriptWindow->setToolTip("Script Editor");
    ToolButton4 = new QAction(ToolIcon(TToolIcon::Output), "Script Output", this);
    ToolButton4->setToolTip("Script Output Window");
    ToolButton6 = new QAction(ToolIcon(TToolIcon::Watch), "Script Watch Window", this);
    ToolButton6->setToolTip("Script Variable Watch Window");
    MnuWindows = menuBar()->addMenu("&Windows");
    MnuWindows->addActions({btnScriptWindow, ToolButton4, ToolButton6});
    connect(MnuWindows, &QMenu::aboutToShow, this, &TFrmMain::ListChannelWindows);

    mnuPreferences = menuBar()->addMenu("&Preferences");
    mnuPrefSearchDefaults = mnuPreferences->addAction("Search Defaults");

    btnSearchFiles = new QAction(ToolIcon(TToolIcon::FindFiles), "Find Value in Files", this);
    btnSearchFiles->setToolTip("Find Value in Files");

    MnuHelp = menuBar()->addMenu("&Help");
    QAction* contents = MnuHelp->addAction("&Contents");
    MnuHelp->addSeparator();
    QAction* about = MnuHelp->addAction("&About");

    connect(btnNewFile, &QAction::triggered, this, &TFrmMain::btnNewFileClick);
    connect(BtnOpenFile, &QAction::triggered, this, &TFrmMain::BtnOpenFileClick);
    connect(btnSearchFiles, &QAction::triggered, this, &TFrmMain::btnSearchFilesClick);
    connect(mnuPrefSearchDefaults, &QAction::triggered, this, &TFrmMain::mnuPrefSearchDefaultsClick);
    connect(btnScriptWindow, &QAction::triggered, this, &TFrmMain::MnuWindowsScriptEditorClick);
    connect(ToolButton4, &QAction::triggered, this, &TFrmMain::mnuWindowsScriptOutputClick);
    connect(ToolButton6, &QAction::triggered, this, &TFrmMain::mnuScriptWatchWindowClick);
    connect(MnuFileExit, &QAction::triggered, this, &TFrmMain::MnuFileExitClick);
    connect(contents, &QAction::triggered, this, &TFrmMain::Contents1Click);
    connect(about, &QAction::triggered, this, &TFrmMain::About1Click);
}

void TFrmMain::BuildToolBar() {
    ToolBar1 = addToolBar("Tools");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->addActions({btnNewFile, BtnOpenFile, btnSearchFiles});
    ToolBar1->addSeparator();
    ToolBar1->addActions({btnScriptWindow, ToolButton4, ToolButton6});
}

// The open channels follow the tool windows, each under its caption; one
// chosen comes to the front, also from the task bar's minimised state.
void TFrmMain::ListChannelWindows() {
    for (QAction* action : MnuWindows->actions())
        if (action->property("ChannelItem").toBool()) {
            MnuWindows->removeAction(action);
            action->deleteLater();
        }
    bool first = true;
    for (std::int32_t channel = 0; channel < ChannelLimit; ++channel) {
        TFrmHexEdit* window = ChannelWindow(channel);
        if (!window) continue;
        if (first) MnuWindows->addSeparator()->setProperty("ChannelItem", true);
        first = false;
        QAction* item = MnuWindows->addAction(QStringLiteral("&%1 %2").arg(channel).arg(window->windowTitle()));
        item->setProperty("ChannelItem", true);
        item->setData(channel);
        connect(item, &QAction::triggered, this, [this, channel] { BringChannelToFront(channel); });
    }
}

void TFrmMain::BringChannelToFront(std::int32_t channel) {
    TFrmHexEdit* window = ChannelWindow(channel);
    if (!window) return;
    platform::BringToFront(*window);
}

// A session that was killed left its working copies. Those that hold
// changes are offered once per start, after the command line's files have
// their channels: Yes opens one in a channel with the changes, No deletes
// it, Cancel keeps it for the next start. A run of a command-line script
// asks nothing and keeps them all for the next start; copies with nothing
// to recover are deleted.
void TFrmMain::OfferLeftWorkingCopies() {
    const std::vector<std::string> folders{platform::GetTempPathA(), GlobalInfo().AppDir};
    DeleteIdleWorkingCopies(folders);
    if (ScriptRunRequested) return;
    for (const TLeftWorkingCopy& left : FindLeftWorkingCopies(folders)) {
        const std::int32_t channel = channels_.FindFreeChannel();
        if (channel < 0) return;
        const std::string question = "A session that ended without closing " + platform::PathAsText(left.DataPath) +
                                     " left its unsaved changes (" + std::to_string(left.Size) + " bytes in " +
                                     platform::PathAsText(left.WorkPath) + ").\r\n\r\nYes opens them in a channel, No deletes them, "
                                     "Cancel keeps them for the next start.";
        const platform::MsgAnswer answer = platform::MessageBox(question, "Unsaved Changes Found",
                                                                platform::MsgButtons::YesNoCancel,
                                                                platform::MsgIcon::Question);
        if (answer == platform::MsgAnswer::Yes)
            channels_.PlaceWindow(channel, new TFrmHexEdit(this, channel, left));
        else if (answer == platform::MsgAnswer::No)
            DeleteLeftWorkingCopy(left);
    }
}

TChannelWindow* TFrmMain::MakeChannelWindow(std::int32_t channel, const std::string& fileName) {
    return new TFrmHexEdit(this, channel, fileName);
}

TFrmHexEdit* TFrmMain::ChannelWindow(std::int32_t channel) const {
    return IsChannelOpen(channel) ? dynamic_cast<TFrmHexEdit*>(channels_.Window(channel)) : nullptr;
}

int TFrmMain::OpenInChannel(std::int32_t channel, const std::string& fileName) {
    return channels_.OpenInChannel(channel, fileName, !GlobalInfo().ScriptRunning);
}

void TFrmMain::ChildWindowClosed(QWidget* window) {
    switch (window->property("Tag").toInt()) {
    case TagScriptWindow:
        FrmScript = nullptr;
        break;
    case TagWatchWindow:
        FrmWatches = nullptr;
        break;
    case TagOutputWindow:
        FrmScriptOut = nullptr;
        break;
    case TagSyntaxColorDialog:
        FrmSyntaxColor = nullptr;
        break;
    case TagAddWatchDialog:
        FrmAddWatch = nullptr;
        break;
    case TagHexEditWindow:
        if (auto* hex = qobject_cast<TFrmHexEdit*>(window); hex && channels_.Window(hex->Channel()) == hex)
            CloseChannel(hex->Channel(), !GlobalInfo().ScriptRunning);
        break;
    default:
        break;
    }
}

TMainFormSettings TFrmMain::CurrentFormSettings() const {
    TMainFormSettings form;
    form.WindowState = WindowStateOf(windowState());
    form.Bounds = BoundsOf(*this);
    form.Script = FrmScript != nullptr;
    form.Watches = FrmWatches != nullptr;
    form.Output = FrmScriptOut != nullptr;
    return form;
}

void TFrmMain::LoadSaveSettings(int mode) {
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    if (mode == 1) {
        WriteMainSettings(registry, CurrentFormSettings(), GlobalSearchDefaults(), GlobalInfo());
        return;
    }
    AppCaption = AppCaptionText;
    setWindowTitle(platform::ToQString(AppCaption));
    TMainFormSettings form = CurrentFormSettings();
    ReadMainSettings(registry, form, GlobalSearchDefaults(), GlobalInfo());
    setWindowState(QtWindowState(form.WindowState));
    PlaceMainWindow(*this, form.Bounds);
    if (form.Script) MnuWindowsScriptEditorClick();
    if (form.Watches) mnuScriptWatchWindowClick();
    if (form.Output) mnuWindowsScriptOutputClick();
}

void TFrmMain::AddToMRU(const std::string& fileName) { ::AddToMRU(GlobalInfo().MRUFiles, fileName); }

void TFrmMain::BuildMRUMenu() { ::BuildMRUMenu(GlobalInfo().MRUFiles, *mnuMainSep1, mnuMainMRU); }

void TFrmMain::FormCreate(const std::vector<std::string>& arguments) {
    LoadSaveSettings(0);
    OpenCommandLine(ParseCommandLine(arguments));
    OfferLeftWorkingCopies();
    BuildMRUMenu();
    show();
    QCoreApplication::processEvents();
    if (auto* script = qobject_cast<TFrmScript*>(FrmScript); script && ScriptRunRequested)
        script->ExecuteFromCommandLine();
}

// A file named on the command line is known by its path from the root, so
// its recent entry, its caption and its result files name it also once the
// program runs from another folder.
void TFrmMain::OpenCommandLine(const TCommandLine& line) {
    ScriptRunRequested = line.RunScript;
    for (const TCommandLineEntry& entry : line.Entries) {
        const std::string name = platform::AbsolutePath(entry.Name);
        if (entry.IsScript) {
            RequestedScript = name;
            LoadCommandLineScript(name);
            continue;
        }
        if (OpenFileInChannel(name, -1)) {
            AddToMRU(name);
        } else if (!platform::FileExists(name)) {
            platform::MessageBox(FileNotFound(name) + "Only existing files can be used on the command line.\r\n",
                                 NoMoreChannels, platform::MsgButtons::OK, platform::MsgIcon::Warning);
        } else {
            OpenInFreeChannelFailed(name);
        }
    }
}

// The script window is made hidden; it shows the script when it is opened.
void TFrmMain::LoadCommandLineScript(const std::string& fileName) {
    if (!FrmScript) FrmScript = TFrmScript::Create(*this);
    if (auto* script = qobject_cast<TFrmScript*>(FrmScript)) script->LoadScriptFile(fileName);
}

bool TFrmMain::OpenInFreeChannel(const std::string& fileName) {
    if (OpenFileInChannel(fileName, -1)) return true;
    if (!platform::FileExists(fileName))
        platform::MessageBox(FileNotFound(fileName), NoMoreChannels, platform::MsgButtons::OK, platform::MsgIcon::Warning);
    else
        OpenInFreeChannelFailed(fileName);
    return false;
}

void TFrmMain::OpenInFreeChannelFailed(const std::string& fileName) {
    if (FindFreeChannel() < 0)
        platform::MessageBox(TooManyOpenFiles, NoMoreChannels, platform::MsgButtons::OK, platform::MsgIcon::Warning);
    else
        platform::MessageBox("Cannot make a working copy of " + platform::PathAsText(fileName) + "\r\n", CannotContinue,
                             platform::MsgButtons::OK, platform::MsgIcon::Error);
}

void TFrmMain::btnNewFileClick() {
    platform::FileDialogRequest request;
    request.overwritePrompt = true;
    const auto name = platform::CurrentDialogs().SaveFileName(request);
    if (!name) return;
    // The size is asked before the file is made, so a cancelled or refused
    // size leaves an existing file as it was.
    const auto sizeText = platform::InputQuery("Initial File Size", "Initial size for: " + platform::PathAsText(*name), "1000");
    if (!sizeText) return;
    const std::int32_t size = ReadLeadingInteger(*sizeText);
    if (size < 1 || !CreateZeroFile(*name, size)) {
        platform::MessageBox(FailedToCreate, CannotContinue, platform::MsgButtons::OK, platform::MsgIcon::Error);
        return;
    }
    OpenInFreeChannel(*name);
}

void TFrmMain::BtnOpenFileClick() {
    platform::FileDialogRequest request;
    request.title = "Open a file for Hex Edit";
    request.filter = "Data Files (*.gam, *.sav, *.dat)|*.gam;*.sav;*.dat|All Files(*.*)|*.*";
    request.mustExist = true;
    const auto name = platform::CurrentDialogs().OpenFileName(request);
    if (!name) return;
    if (OpenInFreeChannel(*name)) AddToMRU(*name);
    BuildMRUMenu();
}

void TFrmMain::mnuMainMRU5Click(QAction* item) { OpenInFreeChannel(MRUItemPath(*item)); }

void TFrmMain::btnSearchFilesClick() {
    if (FrmSearch == nullptr) FrmSearch = new TFrmSearch(this);
    FrmSearch->show();
    FrmSearch->raise();
    FrmSearch->activateWindow();
}

void TFrmMain::mnuPrefSearchDefaultsClick() {
    delete frmGlobalSearchDefaults;
    auto* dialog = new TfrmGlobalSearchDefaults(this, GlobalSearchDefaults());
    frmGlobalSearchDefaults = dialog;
    dialog->exec();
    delete dialog;
}

void TFrmMain::MnuWindowsScriptEditorClick() {
    if (!FrmScript) FrmScript = TFrmScript::Create(*this);
    if (!FrmScript) return;
    FrmScript->show();
    FrmScript->raise();
    FrmScript->activateWindow();
}

void TFrmMain::mnuWindowsScriptOutputClick() { ShowToolWindow<TFrmScriptOut>(FrmScriptOut, this); }

void TFrmMain::mnuScriptWatchWindowClick() { ShowToolWindow<TFrmWatches>(FrmWatches, this); }

void TFrmMain::MnuFileExitClick() { close(); }

// The contents of the manual; F1 in this window opens its own page.
void TFrmMain::Contents1Click() { platform::WinHelpA(HelpFile, platform::HELP_CONTENTS, 0); }

void TFrmMain::About1Click() {
    TAboutBox box(this);
    AboutBox = &box;
    box.exec();
    AboutBox = nullptr;
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    // A search in files processes messages while it runs: it stops first,
    // and the window closes once it has unwound.
    if (auto* search = qobject_cast<TFrmSearch*>(FrmSearch); search && search->Searching()) {
        search->StopSearchThen([this] { close(); });
        event->ignore();
        return;
    }
    // So does a scan in a hex window.
    for (std::int32_t channel = 0; channel < ChannelLimit; ++channel)
        if (TFrmHexEdit* window = ChannelWindow(channel); window && window->Scanning()) {
            window->StopScanThen([this] { close(); });
            event->ignore();
            return;
        }
    LoadSaveSettings(1);
    // The script window offers its unsaved script first; a cancel there
    // keeps the program open.
    if (FrmScript && !FrmScript->close()) {
        event->ignore();
        return;
    }
    // Closing the program always offers unsaved changes, even while a
    // script runs; a save that fails keeps its window and the program open.
    if (!channels_.CloseAllChannels(true, [] { QCoreApplication::processEvents(); })) {
        event->ignore();
        return;
    }
    ReleaseToolWindows();
    if (FrmSearch) FrmSearch->hide();
    platform::WinHelpA(HelpFile, platform::HELP_QUIT, 0);
    closed_ = true;
    event->accept();
}

// An Exit during a command-line script closes the window before the loop
// would start; the program then ends at once.
int TFrmMain::Exec() { return closed_ ? 0 : QApplication::exec(); }

// The tool windows write their settings and go. The add-watch dialog belongs
// to the watch window, so nothing is destroyed before every window has
// written its settings.
void TFrmMain::ReleaseToolWindows() {
    if (auto* watches = qobject_cast<TFrmWatches*>(FrmWatches)) watches->LoadSaveSettings(1);
    if (auto* addWatch = qobject_cast<TFrmAddWatch*>(FrmAddWatch)) addWatch->LoadSaveSettings(1);
    if (auto* colors = qobject_cast<TFrmSyntaxColor*>(FrmSyntaxColor)) colors->LoadSaveSettings(1);
    if (auto* output = qobject_cast<TFrmScriptOut*>(FrmScriptOut)) output->LoadSaveSettings(1);
    for (QWidget** window : {&FrmWatches, &FrmAddWatch, &FrmSyntaxColor, &FrmScriptOut}) {
        if (*window) (*window)->deleteLater();
        *window = nullptr;
    }
}
