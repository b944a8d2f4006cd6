// The value views of a hex window: the byte strip (bytes A to H as position,
// character, decimal, hex and binary), the "Decimal", "Binary", "Hex" and
// "Hex Dump" pages, the text line and the navigation group. Every view is
// also an input: a changed text is written back when its box loses the
// focus. The views reach the window's file only through TValueViewsHost.
#pragma once

#include "Binaryfilefunctions.h"

#include <QLineEdit>
#include <QObject>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QGroupBox;
class QKeyEvent;
class QHBoxLayout;
class QLabel;
class QListWidget;
class QTabWidget;
class QToolButton;
class QWidget;

// What the views need of the hex window that owns them.
class TValueViewsHost {
public:
    virtual bool IsWorkingCopyOpen() const = 0;
    virtual std::int32_t Position() const = 0;
    // Keeps a new position without refreshing; the views refresh after it.
    virtual void StorePosition(std::int32_t position) = 0;
    virtual std::int32_t FileSize() const = 0;
    // Reads up to `count` bytes at `position`; returns how many were read.
    virtual std::size_t ReadBytes(std::int32_t position, std::uint8_t* buffer, std::size_t count) = 0;
    // Writes the value object's 8 current bytes at the position, clipped at
    // the end of the file, and marks the file modified.
    virtual void WriteCurrentBytes() = 0;
    virtual bool IsLocked() const = 0;

protected:
    ~TValueViewsHost() = default;
};

// An edit box of a value view: reports when the focus leaves it for another
// box of the same window, and filters typed characters.
class TValueEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TValueEdit(QWidget* parent = nullptr);

    std::function<void()> OnExit;
    std::function<void()> OnEnter;
    // A key that would change the text of a read-only box.
    std::function<void()> OnRefusedKey;
    // The key to pass on, or 0 to discard it (Backspace arrives as 8).
    char16_t (*KeyFilter)(char16_t) = nullptr;

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// Two arrow buttons: the upper one moves towards the start of the file.
class TSpinButton : public QWidget {
    Q_OBJECT

public:
    explicit TSpinButton(QWidget* parent = nullptr);

    std::function<void()> OnUp;
    std::function<void()> OnDown;
    QToolButton* UpButton;
    QToolButton* DownButton;
};

class TValueViews : public QObject {
    Q_OBJECT

public:
    // The bytes of one line of the hex dump.
    static constexpr int DumpRowBytes = 16;

    // The widgets are made as children of `window` and placed by the window
    // through ByteStrip, TextDisplay, NavigationGroup and AttachPages.
    // The widgets belong to the window and may outlive the views: once the
    // views are gone, a box that gains or loses the focus calls nothing.
    TValueViews(TValueViewsHost& host, TByteConversions& conversions, QWidget* window);

    QWidget* ByteStrip() const { return byteStrip; }
    QWidget* TextDisplay() const { return textDisplay; }
    // Room for the window's own buttons beside the text line.
    QHBoxLayout* TextDisplayLayout() const { return textDisplayLayout; }
    QGroupBox* NavigationGroup() const { return grpNav; }
    // Room for the search-hit stepper at the end of the navigation group.
    QHBoxLayout* NavigationLayout() const { return navigationLayout; }
    // Fills the window's empty pages and follows the page selection.
    void AttachPages(QTabWidget* pagMain, QWidget* tabDecimal, QWidget* tabBin, QWidget* tabHex, QWidget* tabDump);

    // Clamps the position into the file, reads the page there and loads the 8 current bytes.
    void Update();
    // Fills the active page's views; unless pageOnly, the byte strip, the position and the text line too.
    void UpdateDisplay(bool pageOnly);
    void RefreshView();
    // Empties every view and sets the navigation texts to their defaults.
    void ClearViews();
    // Locked value boxes are read-only.
    void SetLocked(bool locked);
    void SetByteOrder(bool littleEndian);
    void BuildHexDump();
    // A value typed into the box that has the focus is written (a save or a
    // move of the position comes next).
    void LeaveFocusedBox();
    // The focus to the box of the value view that `bytes` wide numbers show
    // (1, 2, 4 or 8; 0 for the byte strip's character), its text selected.
    void EditValueAtPosition(int bytes);

    // Told why a box's text was not written (a sentence), or "" after a
    // box's value was written.
    std::function<void(const std::string&)> ReportRefusal;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

public:

    // The byte strip, by byte 0..7 (A..H).
    std::array<QLabel*, 8> lblPos{};
    std::array<TValueEdit*, 8> edtChar{}, edtDec{}, edtHex{}, edtBinary{};
    TValueEdit* edtTextDisplay;
    // "Decimal" page.
    std::array<TValueEdit*, 4> edtShort{}, edtWORD{};
    std::array<TValueEdit*, 2> edtLong{}, edtDWORD{}, edtFloat{};
    TValueEdit* edtInt64;
    TValueEdit* edtDouble;
    // "Binary" page.
    std::array<TValueEdit*, 4> edtBinShort{};
    std::array<TValueEdit*, 2> edtBinLong{};
    TValueEdit* edtBin64;
    // "Hex" page.
    std::array<TValueEdit*, 4> edtHexShort{};
    std::array<TValueEdit*, 2> edtHexLong{};
    TValueEdit* edtHex64;
    // "Hex Dump" page.
    QListWidget* lstHexDump;
    QListWidget* lstDumpPrint;
    // Navigation.
    QToolButton* btnHome;
    QToolButton* btnEnd;
    QLineEdit* edtJumpTo;
    QToolButton* btnJumpTo;
    TSpinButton* spnIncr;
    QLineEdit* edtSmallStep;
    TSpinButton* btnSmallStep;
    QLineEdit* edtBigStep;
    TSpinButton* btnBigStep;

private:
    struct ValueBox {
        TValueEdit* Edit;
        TValueView View;
        int Index;
    };

    TValueEdit* MakeValueEdit(QWidget* parent, TValueView view, int index, int maxLength);
    void BuildByteStrip();
    void BuildTextDisplay();
    void BuildNavigation();
    QWidget* BuildDecimalPage();
    QWidget* BuildBinaryPage();
    QWidget* BuildHexPage();
    QWidget* BuildDumpPage();
    void FillViews(TValueView first, TValueView last);
    void ValueEditExit(const ValueBox& box);
    bool ArrowKeyMoves(const QObject* watched, const QKeyEvent& key);
    int VisibleDumpLines() const;
    void FitDumpToItsRoom();
    bool LiesInFile(TValueView view, int index) const;
    void MovePosition(std::int64_t position);
    void StepPosition(const QLineEdit& stepText, int direction);
    void JumpToClick();
    void DumpDoubleClick(int line);

    TValueViewsHost& host;
    TByteConversions& conversions;
    QWidget* window;
    std::vector<ValueBox> valueBoxes;
    QWidget* byteStrip = nullptr;
    QWidget* textDisplay = nullptr;
    QHBoxLayout* textDisplayLayout = nullptr;
    QGroupBox* grpNav = nullptr;
    QHBoxLayout* navigationLayout = nullptr;
    QWidget* decimalContent;
    QWidget* binaryContent;
    QWidget* hexContent;
    QWidget* dumpContent;
    QTabWidget* pagMain = nullptr;
    QWidget* tabDecimal = nullptr;
    QWidget* tabBin = nullptr;
    QWidget* tabHex = nullptr;
    QWidget* tabDump = nullptr;
    bool dumpFitPending_ = false;
};
