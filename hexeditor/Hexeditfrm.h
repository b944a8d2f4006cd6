// The window of one channel: one open data file, edited through its working
// copy. The value views, the search fields and the result lists are filled
// into its pages by their own classes, which reach the file only through the
// data entry points below.
#pragma once

#include "Channeltable.h"
#include "Searchinfo.h"
#include "Workingcopy.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <string>

class QAction;
class QHBoxLayout;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;
class QToolBar;
class QToolButton;
class QVBoxLayout;

class TFrmHexEdit : public QMainWindow, public TChannelWindow {
    Q_OBJECT

public:
    // Copies the file to its working copy; a window whose copy failed stays
    // hidden and reports false through Opened().
    TFrmHexEdit(QWidget* owner, std::int32_t channel, const std::string& fileName,
                TFileIO& io = TFileIO::Standard());
    ~TFrmHexEdit() override;

    // --- The channel table's view of the window.
    std::int32_t Channel() const override { return channel_; }
    const std::string& DataPath() const override { return copy_.DataPath(); }
    bool Opened() const override { return opened_; }
    // 0 reads, 1 writes the bounds shared by all hex windows ("HEXEDIT_FORM").
    void SaveRestorePosition(int mode) override;
    // When `ask` and modified, offers the file for saving ("Save Changes?",
    // Yes/No); then deletes the working copy and closes the window. A save
    // answered Yes that fails is reported and keeps the window: false.
    bool CloseWorkingCopy(bool ask) override;
    void ShowChannel() override;
    void Release() override;

    // --- Data access for the value views, the searches and the scripts.
    bool IsWorkingCopyOpen() const { return copy_.IsOpen(); }
    // 0-based; -1 before a file is open.
    std::int32_t Position() const { return position_; }
    // Keeps a new position without refreshing; RefreshView clamps it.
    void StorePosition(std::int32_t position) { position_ = position; }
    std::int32_t FileSize() const { return copy_.FileSize(); }
    bool Modified() const { return copy_.Modified(); }
    bool IsLocked() const { return locked_; }
    // Up to `count` bytes at `position`; the number read.
    std::size_t ReadBytes(std::int32_t position, std::uint8_t* buffer, std::size_t count);
    // Writes at `position`, cut at the end of the file; marks the file
    // modified. The views are not refreshed here (callers refresh).
    std::size_t WriteBytes(std::int32_t position, const std::uint8_t* bytes, std::size_t count);
    // The 8 current bytes back at the position, cut at the end of the file.
    void WriteCurrentBytes(const std::array<std::uint8_t, 8>& bytes);
    // Position = the argument clamped into the file, then the views refresh; returns 1.
    std::int32_t SetPosition(std::int32_t position);
    // Clamps the position into 0 .. FileSize - 1 (0 for an empty file), shows
    // caption and modified indicator, and asks the views to refresh.
    void RefreshView();
    void SetLocked(bool locked);
    // While a scan of the working copy runs (it processes messages), every
    // command that would close, rebuild, reopen, save or write the copy is
    // refused and its buttons are disabled.
    void SearchRunning(bool running);
    bool Scanning() const { return scanning_; }

    // --- File operations (no messages: scripts call them too).
    bool DeleteBytes(std::int32_t count);
    bool InsertBytes(std::int32_t count);
    // Returns the size afterwards (the old size when the rebuild failed).
    std::int32_t SetFileSize(std::int32_t size);
    // `count` bytes at the position, cut at the first zero byte and at the end; kept in LastString.
    std::string ReadString(std::int32_t count);
    // "" saves to the data file; a new name becomes the data file once the copy stands.
    bool SaveFile(const std::string& name);
    // The text's bytes at the position, never past the end; "" without a working copy.
    std::string WriteString(const std::string& text);
    // The same with UTF-16 code units, little-endian.
    std::u16string WriteWideString(const std::u16string& text);

    const TWorkingCopy& WorkingCopy() const { return copy_; }

    SEARCHINFO_TAG SearchInfo;
    std::int32_t SavedPosition = 0;
    std::string LastString;
    double LastValue = 0;

    // --- Handlers.
    void btnLockClick();
    void mnuTogglelockClick();
    void btnSaveClick();
    void btnSaveAsClick();
    void mnuCloseClick();
    void btnReopenClick();
    void btnInsertBytesClick();
    void btnDeleteBytesClick();
    void btnSizeFileClick();
    void btnSetStringClick();
    void btnSetWideStringClick();

    // --- Components. The pages and the empty areas are filled by the value
    // views ("Decimal", "Binary", "Hex", "Hex Dump", the byte strip, the text
    // line and the navigation) and by the search and result classes.
    QTabWidget* PagMain;
    QWidget* tabDecimal;
    QWidget* tabBin;
    QWidget* tabHex;
    QWidget* tabDump;
    QWidget* tabSearch;
    QWidget* tabResults;
    QVBoxLayout* ByteStripArea;
    QHBoxLayout* TextDisplayArea;  // the text line goes in front of the two string buttons
    QHBoxLayout* NavigationArea;
    QToolBar* ToolBar1;
    QMenu* MnuFile;
    QMenu* MnuOptions;
    QAction* btnReopen;
    QAction* btnSave;
    QAction* btnSaveAs;
    QAction* mnuClose;
    QToolButton* btnLock;
    QAction* mnuTogglelock;
    QAction* btnDeleteBytes;
    QAction* btnInsertBytes;
    QAction* btnSizeFile;
    QPushButton* btnSetString;
    QPushButton* btnSetWideString;
    QLabel* imgModified;

signals:
    // The position or the bytes changed: the views show them anew.
    void ViewRefresh();
    // Locked value boxes are read-only.
    void LockChanged(bool locked);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildPages();
    void ShowModified();
    bool ResizeFile(std::int32_t size);
    void CloseWindow();
    void ReportRebuildFailure();
    void ReportSaveFailure(const std::string& name);
    std::int32_t ClampedPosition(std::int32_t position) const;

    TWorkingCopy copy_;
    std::int32_t channel_;
    std::int32_t position_ = -1;
    bool opened_ = false;
    bool locked_ = true;
    bool closing_ = false;
    bool scanning_ = false;
};
