#include "Hexeditfrm.h"

#include "Icons.h"
#include "Mainfrm.h"
#include "Mainsettings.h"
#include "Mytcursor.h"

#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/QtText.h"
#include "platform/Text.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QAction* MakeAction(QWidget* window, const QString& text, const QString& hint, const QIcon& icon) {
    auto* action = new QAction(icon, text, window);
    action->setToolTip(hint);
    action->setStatusTip(hint);
    return action;
}

}  // namespace

TFrmHexEdit::TFrmHexEdit(QWidget* owner, std::int32_t channel, const std::string& fileName, TFileIO& io)
    : QMainWindow(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      copy_(GlobalInfo().AppDir.empty() ? platform::AppDir() : GlobalInfo().AppDir, io),
      channel_(channel) {
    setProperty("Tag", TagHexEditWindow);
    setMinimumSize(644, 446);
    setMaximumSize(800, 605);
    resize(644, 446);
    BuildMenus();
    BuildToolBar();
    BuildPages();
    SetLocked(true);

    opened_ = copy_.Open(fileName);
    if (!opened_) return;
    position_ = 0;
    RefreshView();
    SaveRestorePosition(0);
    PagMain->setCurrentIndex(0);
    show();
}

TFrmHexEdit::~TFrmHexEdit() = default;

void TFrmHexEdit::BuildMenus() {
    const QStyle* look = style();
    btnReopen = MakeAction(this, "Reopen", "Reopen the currently opened file (lose changes)",
                           look->standardIcon(QStyle::SP_BrowserReload));
    btnSave = MakeAction(this, "&Save", "Save the changes to the file.", look->standardIcon(QStyle::SP_DialogSaveButton));
    btnSaveAs = MakeAction(this, "Save &As", "Save File As", GlyphIcon("AS", QColor(60, 100, 170)));
    mnuClose = new QAction("&Close", this);
    mnuTogglelock = new QAction("Toggle lock", this);
    btnDeleteBytes = MakeAction(this, "Delete Bytes", "Delete bytes from the current position",
                                GlyphIcon("\u2212", QColor(170, 70, 60)));
    btnInsertBytes = MakeAction(this, "&Insert Bytes", "Insert bytes at the current position",
                                GlyphIcon("+", QColor(60, 140, 80)));
    btnSizeFile = MakeAction(this, "Set File Size", "Resize the file (grow or shrink)",
                             GlyphIcon("\u2194", QColor(110, 90, 160)));

    MnuFile = menuBar()->addMenu("&File");
    MnuFile->addActions({btnReopen, btnSave, btnSaveAs, mnuClose});
    MnuOptions = menuBar()->addMenu("&Options");
    MnuOptions->addActions({mnuTogglelock, btnDeleteBytes, btnInsertBytes, btnSizeFile});

    connect(btnReopen, &QAction::triggered, this, &TFrmHexEdit::btnReopenClick);
    connect(btnSave, &QAction::triggered, this, &TFrmHexEdit::btnSaveClick);
    connect(btnSaveAs, &QAction::triggered, this, &TFrmHexEdit::btnSaveAsClick);
    connect(mnuClose, &QAction::triggered, this, &TFrmHexEdit::mnuCloseClick);
    connect(mnuTogglelock, &QAction::triggered, this, &TFrmHexEdit::mnuTogglelockClick);
    connect(btnDeleteBytes, &QAction::triggered, this, &TFrmHexEdit::btnDeleteBytesClick);
    connect(btnInsertBytes, &QAction::triggered, this, &TFrmHexEdit::btnInsertBytesClick);
    connect(btnSizeFile, &QAction::triggered, this, &TFrmHexEdit::btnSizeFileClick);
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
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(6, 6, 6, 6);

    ByteStripArea = new QVBoxLayout;
    layout->addLayout(ByteStripArea);

    TextDisplayArea = new QHBoxLayout;
    TextDisplayArea->addStretch(1);
    btnSetString = new QPushButton("Set String", client);
    btnSetWideString = new QPushButton("Set Wide String", client);
    TextDisplayArea->addWidget(btnSetString);
    TextDisplayArea->addWidget(btnSetWideString);
    layout->addLayout(TextDisplayArea);
    connect(btnSetString, &QPushButton::clicked, this, &TFrmHexEdit::btnSetStringClick);
    connect(btnSetWideString, &QPushButton::clicked, this, &TFrmHexEdit::btnSetWideStringClick);

    PagMain = new QTabWidget(client);
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
    layout->addWidget(PagMain, 1);

    NavigationArea = new QHBoxLayout;
    layout->addLayout(NavigationArea);
    setCentralWidget(client);
}

std::int32_t TFrmHexEdit::ClampedPosition(std::int32_t position) const {
    return std::clamp(position, 0, std::max(FileSize() - 1, 0));
}

void TFrmHexEdit::RefreshView() {
    position_ = ClampedPosition(position_);
    setWindowTitle(platform::ToQString(ChannelCaption(channel_, DataPath(), FileSize())));
    ShowModified();
    emit ViewRefresh();
}

void TFrmHexEdit::ShowModified() { imgModified->setPixmap(ModifiedImage(Modified())); }

void TFrmHexEdit::SaveRestorePosition(int mode) {
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    const TFormBounds current{pos().y(), pos().x(), height(), width()};
    if (mode == 0) {
        const TFormBounds bounds = ReadHexEditBounds(registry, current);
        move(bounds.Left, bounds.Top);
        resize(bounds.Width, bounds.Height);
    } else {
        WriteHexEditBounds(registry, current);
    }
}

bool TFrmHexEdit::CloseWorkingCopy(bool ask) {
    if (scanning_) return false;
    if (copy_.IsOpen()) {
        const std::string question = "Save Changes to " + DataPath() + "? \r\n";
        if (ask && Modified() &&
            platform::MessageBox(question, "Save Changes?", platform::MsgButtons::YesNo,
                                 platform::MsgIcon::Question) == platform::MsgAnswer::Yes &&
            !SaveFile("")) {
            ReportSaveFailure(DataPath());
            return false;
        }
        copy_.Close();
    }
    CloseWindow();
    return true;
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
    return copy_.Read(position, buffer, count);
}

std::size_t TFrmHexEdit::WriteBytes(std::int32_t position, const std::uint8_t* bytes, std::size_t count) {
    if (scanning_) return 0;
    const std::size_t written = copy_.Write(position, bytes, count);
    ShowModified();
    return written;
}

void TFrmHexEdit::WriteCurrentBytes(const std::array<std::uint8_t, 8>& bytes) {
    WriteBytes(position_, bytes.data(), bytes.size());
}

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
    emit LockChanged(locked);
}

void TFrmHexEdit::SearchRunning(bool running) {
    scanning_ = running;
    for (QAction* action : {btnReopen, btnSave, btnSaveAs, mnuClose, mnuTogglelock}) action->setEnabled(!running);
    btnLock->setEnabled(!running);
    if (running) {
        for (QAction* action : {btnDeleteBytes, btnInsertBytes, btnSizeFile}) action->setEnabled(false);
        btnSetString->setEnabled(false);
        btnSetWideString->setEnabled(false);
    } else {
        SetLocked(locked_);
    }
}

bool TFrmHexEdit::DeleteBytes(std::int32_t count) {
    if (scanning_) return false;
    MyTCursor hourglass;
    const bool done = copy_.DeleteBytes(position_, count);
    if (done) RefreshView();
    return done;
}

bool TFrmHexEdit::InsertBytes(std::int32_t count) {
    if (scanning_) return false;
    MyTCursor hourglass;
    const bool done = copy_.InsertBytes(position_, count);
    if (done) RefreshView();
    return done;
}

std::int32_t TFrmHexEdit::SetFileSize(std::int32_t size) {
    ResizeFile(size);
    return FileSize();
}

bool TFrmHexEdit::ResizeFile(std::int32_t size) {
    if (scanning_) return false;
    MyTCursor hourglass;
    const bool done = copy_.SetFileSize(size);
    if (done) RefreshView();
    return done;
}

std::string TFrmHexEdit::ReadString(std::int32_t count) {
    LastString = copy_.ReadString(position_, count);
    return LastString;
}

bool TFrmHexEdit::SaveFile(const std::string& name) {
    if (scanning_) return false;
    const bool saved = copy_.Save(name);
    RefreshView();
    return saved;
}

std::string TFrmHexEdit::WriteString(const std::string& text) {
    if (!copy_.IsOpen() || scanning_) return "";
    WriteBytes(position_, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    RefreshView();
    return text;
}

std::u16string TFrmHexEdit::WriteWideString(const std::u16string& text) {
    if (!copy_.IsOpen() || scanning_) return u"";
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

void TFrmHexEdit::btnSaveClick() {
    if (!SaveFile("")) ReportSaveFailure(DataPath());
}

void TFrmHexEdit::btnSaveAsClick() {
    platform::FileDialogRequest request;
    request.initialDir = platform::ExtractFilePath(DataPath());
    request.fileName = DataPath();
    request.overwritePrompt = true;
    const auto name = platform::CurrentDialogs().SaveFileName(request);
    if (!name) return;
    if (!SaveFile(*name)) ReportSaveFailure(*name);
}

void TFrmHexEdit::mnuCloseClick() { close(); }

void TFrmHexEdit::btnReopenClick() {
    if (scanning_) return;
    if (Modified() && platform::MessageBox("Lose Changes?", "Reopen File", platform::MsgButtons::YesNo,
                                           platform::MsgIcon::Question) != platform::MsgAnswer::Yes)
        return;
    position_ = -1;
    btnLock->setChecked(false);
    btnLockClick();
    opened_ = copy_.Reopen();
    if (!opened_) {
        // The data file is gone: the window closes and frees its channel.
        close();
        return;
    }
    position_ = 0;
    RefreshView();
    show();
}

void TFrmHexEdit::btnInsertBytesClick() {
    const auto text = platform::InputQuery("Insert bytes at current position",
                                           "Enter the number of bytes to insert into the file.", "0");
    const std::int32_t count = text ? ReadCount(*text) : 0;
    if (count > 0 && !InsertBytes(count)) ReportRebuildFailure();
}

void TFrmHexEdit::btnDeleteBytesClick() {
    const auto text = platform::InputQuery("Delete bytes from current position",
                                           "Enter the number of bytes to remove from the file.", "0");
    const std::int32_t count = text ? ReadCount(*text) : 0;
    if (count > 0 && !DeleteBytes(count)) ReportRebuildFailure();
}

void TFrmHexEdit::btnSizeFileClick() {
    const auto text = platform::InputQuery("Set file size in bytes", "Enter the new size of the file in bytes",
                                           std::to_string(FileSize()));
    if (!text) return;
    const std::int32_t size = ReadCount(*text);
    if (size < 2) {
        platform::MessageBox("New File Size must be between 2 (minimum) and\r\nthe amount of free space on the disk.",
                             "Invalid Entry");
        return;
    }
    if (!ResizeFile(size)) ReportRebuildFailure();
}

void TFrmHexEdit::btnSetStringClick() {
    const std::string text =
        platform::InputBox("Enter ASCIIZ string", "Enter the string to be written to the current file index", "");
    if (!text.empty()) WriteString(text);
}

void TFrmHexEdit::btnSetWideStringClick() {
    const std::string text =
        platform::InputBox("Enter wide string", "Enter the string to be written to the current file index", "");
    if (!text.empty()) WriteWideString(platform::Cp1252ToUtf16(text));
}

void TFrmHexEdit::ReportRebuildFailure() {
    platform::MessageBox("The file could not be rebuilt (no room on the disk?)\r\nThe file is unchanged.",
                         "Cannot continue");
}

void TFrmHexEdit::ReportSaveFailure(const std::string& name) {
    platform::MessageBox("Failed to save " + name + "\r\nThe changes are kept in the window.", "Save failed");
}
