#include "Hexeditfrm.h"

#include "Globalinfo.h"
#include "Icons.h"
#include "Toolicons.h"
#include "Standardkeys.h"
#include "Mainfrm.h"
#include "Mainsettings.h"
#include "Mytcursor.h"
#include "Search.h"
#include "Searchpages.h"
#include "Windowplacement.h"

#include "platform/Dialogs.h"
#include "platform/Helpviewer.h"
#include "platform/ProgramFolder.h"
#include "platform/QtPath.h"
#include "platform/QtText.h"
#include "platform/Text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

QAction* MakeAction(QWidget* window, const QString& text, const QString& hint, const QIcon& icon) {
    auto* action = new QAction(icon, text, window);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    return action;
}

bool ViewsFollowAScript() { return GlobalInfo().ExecutingScripts > 0; }

std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

TFrmHexEdit::TFrmHexEdit(QWidget* owner, std::int32_t channel, const std::string& fileName, TFileIO& io)
    : TFrmHexEdit(owner, channel, io) {
    opened_ = copy_.Open(fileName);
    if (opened_) ShowOpenedCopy();
}

TFrmHexEdit::TFrmHexEdit(QWidget* owner, std::int32_t channel, const TLeftWorkingCopy& left)
    : TFrmHexEdit(owner, channel, TFileIO::Standard()) {
    opened_ = copy_.Recover(left);
    if (opened_) ShowOpenedCopy();
}

TFrmHexEdit::TFrmHexEdit(QWidget* owner, std::int32_t channel, TFileIO& io)
    : QMainWindow(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                             Qt::WindowCloseButtonHint),
      copy_(GlobalInfo().AppDir.empty() ? platform::AppDir() : GlobalInfo().AppDir, io),
      channel_(channel) {
    setProperty("Tag", TagHexEditWindow);
    setProperty("helpContext", HexEditHelpContext);
    platform::BindF1Help(*this, ProgramHelpFile());
    BuildMenus();
    BuildToolBar();
    BuildPages();
    Views = new TValueViews(*this, Conversions, this);
    Views->AttachPages(PagMain, tabDecimal, tabBin, tabHex, tabDump);
    Views->ReportRefusal = [this](const std::string& reason) {
        if (reason.empty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(platform::ToQString(reason));
    };
    SearchPages = new TSearchPages(*this, tabSearch, tabResults, Views->NavigationLayout());
    SearchPages->Session().LoadDefaults(GlobalSearchDefaults());
    SearchPages->StepsFollow = &ViewsFollowAScript;
    SearchPages->OnHitEntered = [this] { Views->EditValueAtPosition(PatternWidth(SearchInfo.SearchType)); };
    // The status line is there from the start, so its first message moves nothing.
    statusBar()->setSizeGripEnabled(true);
    PlaceViews();
    FitToViews();
    SetLocked(true);
}

void TFrmHexEdit::ShowOpenedCopy() {
    ClearViews();
    position_ = 0;
    SaveRestorePosition(0);
    PagMain->setCurrentIndex(0);
    RefreshView();
    show();
}

// The window opens with the room its views ask for (at least 800 pixels
// wide), as far as the screen has it, and resizes freely: the pages, the
// hit lists and the dump use the room they get, and where the window is
// smaller than its views they scroll, so every control stays reachable at
// any screen size and scale.
void TFrmHexEdit::FitToViews() {
    const QWidget* views = ViewsArea->widget();
    const int chrome = menuBar()->sizeHint().height() + ToolBar1->sizeHint().height() + statusBar()->sizeHint().height();
    const QSize wanted = views->sizeHint().expandedTo(views->minimumSizeHint()).expandedTo(QSize(800, 0)) +
                         QSize(0, chrome);
    const QSize room = screen() ? screen()->availableGeometry().size() - QSize(16, 48) : wanted;
    setMinimumSize(QSize(240, 160).boundedTo(room));
    resize(wanted.boundedTo(room));
}

// The views go first: a modified box that loses the focus while the window
// is taken apart must not reach a host half destroyed.
TFrmHexEdit::~TFrmHexEdit() {
    delete Views;
    delete SearchPages;
}

void TFrmHexEdit::BuildMenus() {
    btnReopen = MakeAction(this, "Reopen", "Reopen the currently opened file (lose changes)",
                           ToolIcon(TToolIcon::Reopen));
    btnSave = MakeAction(this, "&Save", "Save the changes to the file.", ToolIcon(TToolIcon::Save));
    btnSaveAs = MakeAction(this, "Save &As", "Save File As", ToolIcon(TToolIcon::SaveAs));
    mnuClose = new QAction("&Close", this);
    SetStandardShortcuts(*btnReopen, QKeySequence::Refresh, Qt::Key_F5);
    SetStandardShortcuts(*btnSave, QKeySequence::Save);
    SetStandardShortcuts(*btnSaveAs, QKeySequence::SaveAs, Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    SetStandardShortcuts(*mnuClose, QKeySequence::Close, Qt::CTRL | Qt::Key_W);
    mnuTogglelock = new QAction("Toggle lock", this);
    mnuTogglelock->setShortcut(Qt::CTRL | Qt::Key_L);
    btnDeleteBytes = MakeAction(this, "Delete Bytes", "Delete bytes from the current position",
                                ToolIcon(TToolIcon::DeleteBytes));
    btnInsertBytes = MakeAction(this, "&Insert Bytes", "Insert bytes at the current position",
                                ToolIcon(TToolIcon::InsertBytes));
    btnSizeFile = MakeAction(this, "Set File Size", "Resize the file (grow or shrink)",
                             ToolIcon(TToolIcon::FileSize));

    MnuFile = menuBar()->addMenu("&File");
    MnuFile->addActions({btnReopen, btnSave, btnSaveAs, mnuClose});
    MnuOptions = menuBar()->addMenu("&Options");
    MnuOptions->addActions({mnuTogglelock, btnDeleteBytes, btnInsertBytes, btnSizeFile});
    // The byte-order switch stays hidden, so windows show and write little-endian values.
    MnuOptions->addSeparator()->setVisible(false);
    optEndian = MnuOptions->addAction("Little Endian Byte Order");
    optEndian->setObjectName("optEndian");
    optEndian->setCheckable(true);
    optEndian->setChecked(true);
    optEndian->setVisible(false);

    // Find opens the search page at its value.
    auto* find = new QAction("Find", this);
    SetStandardShortcuts(*find, QKeySequence::Find);
    addAction(find);
    connect(find, &QAction::triggered, this, [this] {
        PagMain->setCurrentWidget(tabSearch);
        SearchPages->edtSearchValue->setFocus(Qt::ShortcutFocusReason);
        SearchPages->edtSearchValue->selectAll();
    });

    connect(btnReopen, &QAction::triggered, this, &TFrmHexEdit::btnReopenClick);
    connect(btnSave, &QAction::triggered, this, &TFrmHexEdit::btnSaveClick);
    connect(btnSaveAs, &QAction::triggered, this, &TFrmHexEdit::btnSaveAsClick);
    connect(mnuClose, &QAction::triggered, this, &TFrmHexEdit::mnuCloseClick);
    connect(mnuTogglelock, &QAction::triggered, this, &TFrmHexEdit::mnuTogglelockClick);
    connect(btnDeleteBytes, &QAction::triggered, this, &TFrmHexEdit::btnDeleteBytesClick);
    connect(btnInsertBytes, &QAction::triggered, this, &TFrmHexEdit::btnInsertBytesClick);
    connect(btnSizeFile, &QAction::triggered, this, &TFrmHexEdit::btnSizeFileClick);
    connect(optEndian, &QAction::triggered, this, &TFrmHexEdit::optEndianClick);
}

void TFrmHexEdit::BuildToolBar() {
    ToolBar1 = addToolBar("Tools");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->addActions({btnReopen, btnSave, btnSaveAs});
    ToolBar1->addSeparator();
    btnLock = new QToolButton(ToolBar1);
    btnLock->setCheckable(true);
    btnLock->setToolTip("Lock / Unlock Editor Controls");
    btnLock->setIcon(LockIcon(true));
    ToolBar1->addWidget(btnLock);
    ToolBar1->addSeparator();
    ToolBar1->addActions({btnDeleteBytes, btnInsertBytes, btnSizeFile});
    auto* spacer = new QWidget(ToolBar1);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ToolBar1->addWidget(spacer);
    imgModified = new QLabel(ToolBar1);
    imgModified->setToolTip("Modified Indicator");
    imgModified->setContentsMargins(4, 0, 8, 0);
    ToolBar1->addWidget(imgModified);
    // The button has toggled itself when the handler runs, as the handler expects.
    connect(btnLock, &QToolButton::clicked, this, &TFrmHexEdit::btnLockClick);
}

void TFrmHexEdit::BuildPages() {
    PagMain = new QTabWidget(this);
    PagMain->setObjectName("PagMain");
    const auto page = [this](const char* name, const char* caption) {
        auto* tab = new QWidget(PagMain);
        tab->setObjectName(name);
        PagMain->addTab(tab, caption);
        return tab;
    };
    tabDecimal = page("tabDecimal", "Decimal");
    tabBin = page("tabBin", "Binary");
    tabHex = page("tabHex", "Hex");
    tabDump = page("tabDump", "Hex Dump");
    tabSearch = page("tabSearch", "Search");
    tabResults = page("tabResults", "Search Results");

    btnSetString = new QPushButton("Set String", this);
    btnSetWideString = new QPushButton("Set Wide String", this);
    connect(btnSetString, &QPushButton::clicked, this, &TFrmHexEdit::btnSetStringClick);
    connect(btnSetWideString, &QPushButton::clicked, this, &TFrmHexEdit::btnSetWideStringClick);
}

// The text line with the two string buttons on top, the byte strip beside
// the pages, the navigation (with the hit stepper) below.
void TFrmHexEdit::PlaceViews() {
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);

    Views->TextDisplayLayout()->addWidget(btnSetString);
    Views->TextDisplayLayout()->addWidget(btnSetWideString);
    layout->addWidget(Views->TextDisplay());

    auto* pages = new QHBoxLayout;
    pages->addWidget(Views->ByteStrip());
    pages->addWidget(PagMain, 1);
    layout->addLayout(pages, 1);

    layout->addWidget(Views->NavigationGroup());
    ViewsArea = new QScrollArea(this);
    ViewsArea->setObjectName("ViewsArea");
    ViewsArea->setFrameShape(QFrame::NoFrame);
    ViewsArea->setWidgetResizable(true);
    ViewsArea->setWidget(client);
    setCentralWidget(ViewsArea);
}

void TFrmHexEdit::ClearViews() {
    Views->ClearViews();
    SearchPages->Session().RestartStepping();
}

std::int32_t TFrmHexEdit::ClampedPosition(std::int32_t position) const {
    return std::clamp(position, 0, std::max(FileSize() - 1, 0));
}

void TFrmHexEdit::RefreshView() {
    position_ = ClampedPosition(position_);
    Views->Update();
    if (ViewsFollowAScript())
        ShowViewLater();
    else
        ShowView();
}

void TFrmHexEdit::ShowView() {
    viewPending_ = false;
    setWindowTitle(platform::PathToQString(ChannelCaption(channel_, DataPath(), FileSize())));
    ShowModified();
    Views->UpdateDisplay(false);
}

// A script moves and writes far faster than a screen shows: the views are
// filled from the event loop, once for all the calls made before it turns.
void TFrmHexEdit::ShowViewLater() {
    if (std::exchange(viewPending_, true)) return;
    QMetaObject::invokeMethod(this, &TFrmHexEdit::ShowPendingView, Qt::QueuedConnection);
}

void TFrmHexEdit::ShowPendingView() {
    if (viewPending_) ShowView();
    SearchPages->ShowPendingStep();
}

void TFrmHexEdit::ShowModified() { imgModified->setPixmap(ModifiedImage(Modified())); }

void TFrmHexEdit::SaveRestorePosition(int mode) {
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    const TFormBounds current = BoundsOf(*this);
    if (mode == 0) {
        const std::optional<THexEditPlace> place = ReadHexEditPlace(registry, channel_, current);
        PlaceWindow(*this, TWindowKind::Channel, place ? std::optional(place->Bounds) : std::nullopt,
                    place && place->Shared);
    } else {
        WriteHexEditBounds(registry, channel_, current);
    }
}

bool TFrmHexEdit::CloseWorkingCopy(bool ask) {
    if (Scanning()) {
        StopScanAndCloseAfter();
        return false;
    }
    if (copy_.IsOpen()) {
        if (ask && !OfferChangesForSaving("Save Changes to " + platform::PathAsText(DataPath()) + "? \r\n",
                                          "Save Changes?"))
            return false;
        copy_.Close();
        readAhead_.Forget();
    }
    CloseWindow();
    return true;
}

bool TFrmHexEdit::OfferChangesForSaving(const std::string& question, const std::string& caption) {
    Views->LeaveFocusedBox();
    if (!Modified()) return true;
    switch (platform::MessageBox(question, caption, platform::MsgButtons::YesNoCancel, platform::MsgIcon::Question)) {
    case platform::MsgAnswer::Yes:
        return SaveFileForUser("");
    case platform::MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

void TFrmHexEdit::CloseWindow() {
    if (closing_) return;
    closing_ = true;
    close();
    closing_ = false;
}

void TFrmHexEdit::ShowChannel() { show(); }

void TFrmHexEdit::Release() {
    hide();
    deleteLater();
}

void TFrmHexEdit::closeEvent(QCloseEvent* event) {
    if (Scanning()) {
        StopScanAndCloseAfter();
        event->ignore();
        return;
    }
    if (closing_) {
        SaveRestorePosition(1);
        event->accept();
        return;
    }
    // Closed by the user: the main window closes the channel, asking about
    // unsaved changes even while a script runs.
    closing_ = true;
    const bool closed = FrmMain ? FrmMain->CloseChannel(channel_, true) : CloseWorkingCopy(true);
    closing_ = false;
    if (closed) {
        SaveRestorePosition(1);
        event->accept();
    } else {
        event->ignore();
    }
}

std::size_t TFrmHexEdit::ReadBytes(std::int32_t position, std::uint8_t* buffer, std::size_t count) {
    return readAhead_.Read(position, buffer, count, [this](std::int32_t at, std::uint8_t* into, std::size_t wanted) {
        return copy_.Read(at, into, wanted);
    });
}

std::size_t TFrmHexEdit::WriteBytes(std::int32_t position, const std::uint8_t* bytes, std::size_t count) {
    if (Scanning()) return 0;
    const std::size_t written = copy_.Write(position, bytes, count);
    readAhead_.Wrote(position, bytes, count, written);
    if (ViewsFollowAScript())
        ShowViewLater();
    else
        ShowModified();
    return written;
}

void TFrmHexEdit::WriteCurrentBytes() { WriteBytes(position_, Conversions.Raw.data(), Conversions.Raw.size()); }

std::int32_t TFrmHexEdit::SetPosition(std::int32_t position) {
    position_ = position;
    RefreshView();
    return 1;
}

void TFrmHexEdit::SetLocked(bool locked) {
    locked_ = locked;
    for (QAction* action : {btnDeleteBytes, btnInsertBytes, btnSizeFile}) action->setEnabled(!locked);
    btnSetString->setEnabled(!locked);
    btnSetWideString->setEnabled(!locked);
    Views->SetLocked(locked);
}

double TFrmHexEdit::ReadValue(std::int8_t typeCode) {
    switch (typeCode) {
    case 1: LastValue = Conversions.Raw[0]; break;
    case 2: LastValue = static_cast<std::int16_t>(Conversions.Words[0]); break;
    case 3: LastValue = static_cast<std::int32_t>(Conversions.DWords[0]); break;
    case 5: LastValue = Conversions.GetFloatElement(0); break;
    case 6: LastValue = Conversions.DoubleValue; break;
    case 7: LastValue = Conversions.Words[0]; break;
    case 8: LastValue = Conversions.DWords[0]; break;
    default: LastValue = 0; break;
    }
    return LastValue;
}

void TFrmHexEdit::ClearResultGrid() {
    SearchPages->Session().SetCurrentResults({}, "0 results");
}

bool TFrmHexEdit::Scanning() const { return SearchPages->Session().Scanning(); }

void TFrmHexEdit::PumpMessagesOnce() { QCoreApplication::processEvents(); }

// The search pages disable their own controls and keep Cancel enabled; the
// window disables everything else that would reach the working copy.
void TFrmHexEdit::SearchRunning(bool running) {
    for (QWidget* widget : {static_cast<QWidget*>(menuBar()), static_cast<QWidget*>(ToolBar1), Views->ByteStrip(),
                            Views->TextDisplay(), tabDecimal, tabBin, tabHex, tabDump})
        widget->setEnabled(!running);
    if (!running && afterScan_) {
        // From the event loop, once the scan and whoever started it have returned.
        QMetaObject::invokeMethod(this, std::exchange(afterScan_, {}), Qt::QueuedConnection);
    }
}

void TFrmHexEdit::StopScanThen(std::function<void()> after) {
    SearchInfo.Stop = true;
    afterScan_ = std::move(after);
}

void TFrmHexEdit::StopScanAndCloseAfter() {
    StopScanThen([this] { close(); });
}

void TFrmHexEdit::ShowResultsPage() { PagMain->setCurrentWidget(tabResults); }

bool TFrmHexEdit::DeleteBytes(std::int32_t count) {
    if (Scanning()) return false;
    MyTCursor hourglass;
    const bool done = copy_.DeleteBytes(position_, count);
    readAhead_.Forget();
    if (done) RefreshView();
    return done;
}

bool TFrmHexEdit::InsertBytes(std::int32_t count) {
    if (Scanning()) return false;
    MyTCursor hourglass;
    const bool done = copy_.InsertBytes(position_, count);
    readAhead_.Forget();
    if (done) RefreshView();
    return done;
}

std::int32_t TFrmHexEdit::SetFileSize(std::int32_t size) {
    ResizeFile(size);
    return FileSize();
}

bool TFrmHexEdit::ResizeFile(std::int32_t size) {
    if (Scanning()) return false;
    MyTCursor hourglass;
    const bool done = copy_.SetFileSize(size);
    readAhead_.Forget();
    if (done) RefreshView();
    return done;
}

std::string TFrmHexEdit::ReadString(std::int32_t count) {
    LastString = copy_.ReadString(position_, count);
    return LastString;
}

bool TFrmHexEdit::SaveFile(const std::string& name) {
    if (Scanning() || copy_.ChangedOnDisk(name)) return false;
    return SaveOverDisk(name);
}

bool TFrmHexEdit::SaveFileForUser(const std::string& name) {
    if (Scanning()) return false;
    Views->LeaveFocusedBox();
    const std::string target = name.empty() ? DataPath() : name;
    if (copy_.ChangedOnDisk(name) &&
        platform::MessageBox(platform::PathAsText(target) +
                                 "\r\nhas been changed on the disk since it was opened or last saved.\r\n\r\n"
                                 "Overwrite it with the bytes of this window?",
                             "File Changed on Disk", platform::MsgButtons::YesNo,
                             platform::MsgIcon::Warning) != platform::MsgAnswer::Yes)
        return false;
    if (SaveOverDisk(name)) return true;
    ReportSaveFailure(target);
    return false;
}

bool TFrmHexEdit::SaveOverDisk(const std::string& name) {
    const bool saved = copy_.Save(name);
    readAhead_.Forget();
    RefreshView();
    if (saved && !copy_.NotKept().empty())
        statusBar()->showMessage(platform::ToQString("Saved; the new file could not keep the old one's " +
                                                     Listed(copy_.NotKept())));
    return saved;
}

std::string TFrmHexEdit::WriteString(const std::string& text) {
    if (!copy_.IsOpen() || Scanning()) return "";
    WriteBytes(position_, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    RefreshView();
    return text;
}

std::u16string TFrmHexEdit::WriteWideString(const std::u16string& text) {
    if (!copy_.IsOpen() || Scanning()) return u"";
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    WriteBytes(position_, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    RefreshView();
    return text;
}

void TFrmHexEdit::btnLockClick() {
    const bool locked = !btnLock->isChecked();
    btnLock->setIcon(LockIcon(locked));
    SetLocked(locked);
}

void TFrmHexEdit::mnuTogglelockClick() {
    btnLock->setChecked(!btnLock->isChecked());
    btnLockClick();
}

void TFrmHexEdit::btnSaveClick() { SaveFileForUser(""); }

void TFrmHexEdit::btnSaveAsClick() {
    platform::FileDialogRequest request;
    request.initialDir = platform::ExtractFilePath(DataPath());
    request.fileName = DataPath();
    request.overwritePrompt = true;
    const auto name = platform::CurrentDialogs().SaveFileName(request);
    if (name) SaveFileForUser(*name);
}

void TFrmHexEdit::mnuCloseClick() { close(); }

void TFrmHexEdit::btnReopenClick() {
    if (Scanning()) return;
    if (!OfferChangesForSaving("Save Changes to " + platform::PathAsText(DataPath()) + " before reopening it? \r\n",
                               "Reopen File"))
        return;
    position_ = -1;
    btnLock->setChecked(false);
    btnLockClick();
    opened_ = copy_.Reopen();
    readAhead_.Forget();
    if (opened_) {
        position_ = 0;
        ClearViews();
        RefreshView();
        show();
    }
    // A window whose data file is gone closes here and frees its channel.
    FormActivate();
}

void TFrmHexEdit::FormActivate() {
    if (!opened_) {
        close();
        return;
    }
    // Moving on from a box counts as leaving it, so a value typed before is written.
    Views->edtChar[0]->setFocus(Qt::OtherFocusReason);
}

// After the toolkit has given the focus back to the box that held it. A
// click into the window that activated it chose the box the keys go to: the
// press arrives before or after the queued call, so it is watched for in
// between and then the focus stays where the click put it.
void TFrmHexEdit::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        activationFocusPending_ = true;
        qApp->installEventFilter(this);
        QMetaObject::invokeMethod(this, &TFrmHexEdit::FocusAfterActivation, Qt::QueuedConnection);
    }
}

bool TFrmHexEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this)
        activationFocusPending_ = false;
    return QMainWindow::eventFilter(watched, event);
}

void TFrmHexEdit::FocusAfterActivation() {
    qApp->removeEventFilter(this);
    if (std::exchange(activationFocusPending_, false) || !opened_) FormActivate();
}

void TFrmHexEdit::optEndianClick() { Views->SetByteOrder(optEndian->isChecked()); }

void TFrmHexEdit::btnInsertBytesClick() {
    const auto text = platform::InputQuery("Insert bytes at current position",
                                           "Enter the number of bytes to insert into the file.", "0");
    const std::int32_t count = text ? ReadLeadingInteger(*text) : 0;
    if (count > 0 && !InsertBytes(count)) ReportRebuildFailure();
}

void TFrmHexEdit::btnDeleteBytesClick() {
    const auto text = platform::InputQuery("Delete bytes from current position",
                                           "Enter the number of bytes to remove from the file.", "0");
    const std::int32_t count = text ? ReadLeadingInteger(*text) : 0;
    if (count > 0 && !DeleteBytes(count)) ReportRebuildFailure();
}

void TFrmHexEdit::btnSizeFileClick() {
    const auto text = platform::InputQuery("Set file size in bytes", "Enter the new size of the file in bytes",
                                           std::to_string(FileSize()));
    if (!text) return;
    const std::int32_t size = ReadLeadingInteger(*text);
    if (size < 2) {
        platform::MessageBox("New File Size must be between 2 (minimum) and\r\nthe amount of free space on the disk.",
                             "Invalid Entry", platform::MsgButtons::OK, platform::MsgIcon::Warning);
        return;
    }
    if (!ResizeFile(size)) ReportRebuildFailure();
}

// The string goes to the file in the 8-bit code page. A character the code
// page lacks would be written as "?": the string is refused and the status
// line says why.
void TFrmHexEdit::btnSetStringClick() {
    const std::u16string typed =
        platform::InputBoxWide("Enter ASCIIZ string", "Enter the string to be written to the current file index");
    if (typed.empty()) return;
    const std::string text = platform::Utf16ToCp1252(typed);
    const std::u16string kept = platform::Cp1252ToUtf16(text);
    const auto lost = std::mismatch(typed.begin(), typed.end(), kept.begin(), kept.end()).first;
    if (lost != typed.end()) {
        const QString character = QString::fromStdU16String(
            std::u16string(lost, lost + (QChar::isHighSurrogate(*lost) && lost + 1 != typed.end() ? 2 : 1)));
        statusBar()->showMessage(
            QStringLiteral("Not written: \"%1\" is not in Windows-1252, the code page of strings.").arg(character));
        return;
    }
    WriteString(text);
}

void TFrmHexEdit::btnSetWideStringClick() {
    // The text goes to the file as typed, every character in UTF-16.
    const std::u16string text =
        platform::InputBoxWide("Enter wide string", "Enter the string to be written to the current file index");
    if (!text.empty()) WriteWideString(text);
}

void TFrmHexEdit::ReportRebuildFailure() {
    platform::MessageBox("The file could not be rebuilt (no room on the disk?)\r\nThe file is unchanged.",
                         "Cannot continue", platform::MsgButtons::OK, platform::MsgIcon::Error);
}

void TFrmHexEdit::ReportSaveFailure(const std::string& name) {
    platform::MessageBox("Failed to save " + platform::PathAsText(name) + "\r\nThe changes are kept in the window.",
                         "Save failed", platform::MsgButtons::OK, platform::MsgIcon::Error);
}
