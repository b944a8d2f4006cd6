// The window of one channel: one open data file, edited through its working
// copy. The value views (TValueViews), the search fields and the result lists
// (TSearchPages) are filled into its pages by their own classes, which reach
// the file only through the data entry points below.
#pragma once

#include "Binaryfilefunctions.h"
#include "Channeltable.h"
#include "Readahead.h"
#include "Searchhost.h"
#include "Searchinfo.h"
#include "Valueviews.h"
#include "Workingcopy.h"

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QToolBar;
class QToolButton;
class TSearchPages;

class TFrmHexEdit : public QMainWindow, public TChannelWindow, public TValueViewsHost, public TSearchHost {
    Q_OBJECT

public:
    // Copies the file to its working copy; a window whose copy failed stays
    // hidden and reports false through Opened().
    TFrmHexEdit(QWidget* owner, std::int32_t channel, const std::string& fileName,
                TFileIO& io = TFileIO::Standard());
    // Takes over a working copy that an ended session left: its bytes stand
    // as unsaved changes to its data file.
    TFrmHexEdit(QWidget* owner, std::int32_t channel, const TLeftWorkingCopy& left);
    ~TFrmHexEdit() override;

    // --- The channel table's view of the window.
    std::int32_t Channel() const override { return channel_; }
    const std::string& DataPath() const override { return copy_.DataPath(); }
    bool Opened() const override { return opened_; }
    // 0 reads, 1 writes the bounds shared by all hex windows ("HEXEDIT_FORM").
    void SaveRestorePosition(int mode) override;
    // When `ask` and modified, offers the file for saving ("Save Changes?",
    // Yes/No/Cancel); then deletes the working copy and closes the window.
    // Cancel (or Escape), and a save answered Yes that fails (reported),
    // keep the window and its changes: false.
    // During a scan: false; the scan stops and the window closes after it.
    bool CloseWorkingCopy(bool ask) override;
    void ShowChannel() override;
    void Release() override;

    // --- Data access for the value views, the searches and the scripts.
    bool IsWorkingCopyOpen() const override { return copy_.IsOpen(); }
    // 0-based; -1 before a file is open.
    std::int32_t Position() const override { return position_; }
    // Keeps a new position without refreshing; RefreshView clamps it.
    void StorePosition(std::int32_t position) override { position_ = position; }
    std::int32_t FileSize() const override { return copy_.FileSize(); }
    bool Modified() const { return copy_.Modified(); }
    bool IsLocked() const override { return locked_; }
    // Up to `count` bytes at `position`; the number read.
    std::size_t ReadBytes(std::int32_t position, std::uint8_t* buffer, std::size_t count) override;
    // Writes at `position`, cut at the end of the file; marks the file
    // modified. The views are not refreshed here (callers refresh).
    std::size_t WriteBytes(std::int32_t position, const std::uint8_t* bytes, std::size_t count);
    // The 8 bytes of Conversions back at the position, cut at the end of the file.
    void WriteCurrentBytes() override;
    // Position = the argument clamped into the file, then the views refresh; returns 1.
    std::int32_t SetPosition(std::int32_t position) override;
    // Clamps the position into 0 .. FileSize - 1 (0 for an empty file),
    // rereads the page and loads the value object, then shows caption,
    // modified indicator and the views: at once, or while a script runs once
    // before the window is next painted.
    void RefreshView();
    // The widgets a running script left behind show the window's state now.
    void ShowPendingView();
    void SetLocked(bool locked);
    // The first element of a view of the bytes loaded at the last refresh, by
    // script type code: 1 BYTE, 2 SHORT, 3 LONG, 5 FLOAT, 6 DOUBLE, 7 USHORT,
    // 8 ULONG; any other code gives 0. Kept in LastValue.
    double ReadValue(std::int8_t typeCode);
    // Empties the current result list (the search in files hands over its own).
    void ClearResultGrid();

    // --- The in-window search. While the window's own scan runs (it
    // processes messages), every command that would close, rebuild, reopen,
    // save or write the copy is refused; a close asked for meanwhile stops the
    // scan and closes the window once the scan has unwound.
    bool Scanning() const;
    // Stops the scan; `after` runs from the event loop once it has unwound.
    void StopScanThen(std::function<void()> after);
    SEARCHINFO_TAG& SearchRecord() override { return SearchInfo; }
    bool LittleEndian() const override { return Conversions.ByteOrder == 1; }
    void PumpMessagesOnce() override;
    bool ScanMayRun() const override { return IsWorkingCopyOpen(); }
    void SearchRunning(bool running) override;
    void ShowResultsPage() override;

    // --- File operations (no messages: scripts call them too).
    bool DeleteBytes(std::int32_t count);
    bool InsertBytes(std::int32_t count);
    // Returns the size afterwards (the old size when the rebuild failed).
    std::int32_t SetFileSize(std::int32_t size);
    // `count` bytes at the position, cut at the first zero byte and at the end; kept in LastString.
    std::string ReadString(std::int32_t count);
    // "" saves to the data file; a new name becomes the data file once the
    // copy stands. A data file that changed on the disk since it was read
    // or saved is not saved over (a script's save gets its failure value).
    bool SaveFile(const std::string& name);
    // The user's save: over a data file that changed on the disk it asks
    // first; a failure is reported. True when the file was saved.
    bool SaveFileForUser(const std::string& name);
    // The text's bytes at the position, never past the end; "" without a working copy.
    std::string WriteString(const std::string& text);
    // The same with UTF-16 code units, little-endian.
    std::u16string WriteWideString(const std::u16string& text);

    const TWorkingCopy& WorkingCopy() const { return copy_; }

    SEARCHINFO_TAG SearchInfo;
    TByteConversions Conversions;
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
    void optEndianClick();
    // Focus to the first character box; a window without a working copy closes itself.
    void FormActivate();

    // --- Components. The pages and the areas are filled by the value views
    // ("Decimal", "Binary", "Hex", "Hex Dump", the byte strip, the text line
    // and the navigation) and by the search pages ("Search", "Search Results"
    // and the hit stepper in the navigation).
    TValueViews* Views;
    TSearchPages* SearchPages;
    QTabWidget* PagMain;
    QWidget* tabDecimal;
    QWidget* tabBin;
    QWidget* tabHex;
    QWidget* tabDump;
    QWidget* tabSearch;
    QWidget* tabResults;
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
    QAction* optEndian;  // hidden: windows show and write little-endian values
    QPushButton* btnSetString;
    QPushButton* btnSetWideString;
    QLabel* imgModified;
    // Holds the views; they scroll where the window is smaller than they are.
    QScrollArea* ViewsArea;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window without a file yet.
    TFrmHexEdit(QWidget* owner, std::int32_t channel, TFileIO& io);
    void ShowOpenedCopy();
    void BuildMenus();
    void BuildToolBar();
    void BuildPages();
    void PlaceViews();
    void FitToViews();
    void ClearViews();
    void StopScanAndCloseAfter();
    void ShowModified();
    // Asks a modified window's question with Yes, No and Cancel: Yes saves,
    // No lets the changes go. True when the caller may go on; Cancel and a
    // failed save (reported) keep the window as it is.
    bool OfferChangesForSaving(const std::string& question, const std::string& caption);
    void ShowView();
    void ShowViewLater();
    bool ResizeFile(std::int32_t size);
    void CloseWindow();
    void ReportRebuildFailure();
    void ReportSaveFailure(const std::string& name);
    bool SaveOverDisk(const std::string& name);
    void FocusAfterActivation();
    std::int32_t ClampedPosition(std::int32_t position) const;

    TWorkingCopy copy_;
    // Reads go through it; every change of the copy other than WriteBytes forgets it.
    TReadAhead readAhead_;
    std::int32_t channel_;
    std::int32_t position_ = -1;
    bool opened_ = false;
    bool locked_ = true;
    bool closing_ = false;
    // The widgets lag behind the data until ShowPendingView.
    bool viewPending_ = false;
    std::function<void()> afterScan_;
    // Activation moves the focus to box A unless a click into the window comes first.
    bool activationFocusPending_ = false;
};
