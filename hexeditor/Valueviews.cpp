#include "Valueviews.h"

#include "platform/QtText.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

// Turns typed and pasted text into upper case, as the hex boxes show it.
class TUpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

// The printable character a key types, or 0 for the editing keys
// (Backspace, Delete, the arrows, Ctrl+A, cut and paste), which every box
// takes as they are.
char16_t TypedCharacter(const QKeyEvent& event)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return 0;
    if (event.text().size() != 1 || !event.text().at(0).isPrint())
        return 0;
    return event.text().at(0).unicode();
}

void SetWidthInChars(QLineEdit* edit, int chars)
{
    const QFontMetrics metrics(edit->font());
    edit->setFixedWidth(metrics.horizontalAdvance(QString(chars, QLatin1Char('0'))) + 12);
}

// Room for the longest text of a view, so that no value shows cut.
void SetMinimumChars(QLineEdit* edit, int chars)
{
    const QFontMetrics metrics(edit->font());
    edit->setMinimumWidth(metrics.horizontalAdvance(QString(chars + 1, QLatin1Char('0'))) + 12);
}

// Digits in columns, one point below the system's fixed font so that the
// 64 binary digits and a dump line fit beside the byte strip.
QFont FixedFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (font.pointSize() > 8)
        font.setPointSize(font.pointSize() - 1);
    return font;
}

bool InRange(TValueView view, TValueView first, TValueView last)
{
    return view >= first && view <= last;
}

// The window's name of a view's box, for example "edtWORD1".
QString EditName(TValueView view, int index)
{
    static const char* const names[] = {"edtChar", "edtDec", "edtHex", "edtBinary", "edtWORD", "edtShort",
                                        "edtDWORD", "edtLong", "edtFloat", "edtInt64", "edtDouble",
                                        "edtBinShort", "edtBinLong", "edtBin64", "edtHexShort", "edtHexLong",
                                        "edtHex64"};
    const QString name = QString::fromLatin1(names[static_cast<int>(view)]);
    if (ViewBytes(view, 0).Count == 8)
        return name;
    return name + QString::number(index);
}

QToolButton* MakeToolButton(QWidget* parent, const QString& text, const QString& hint, const char* name)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(hint);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

TValueEdit::TValueEdit(QWidget* parent) : QLineEdit(parent) {}

void TValueEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (OnEnter)
        OnEnter();
}

void TValueEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Switching to another window or opening a menu leaves the box where it
    // is; only moving on inside the window counts as leaving it.
    const bool leftForAnotherBox =
        event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
    if (OnExit && leftForAnotherBox)
        OnExit();
}

// Ctrl+Home and Ctrl+End go to the file's ends, not to the ends of the box.
bool TValueEdit::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::ControlModifier && (key->key() == Qt::Key_Home || key->key() == Qt::Key_End)) {
            event->ignore();
            return true;
        }
    }
    return QLineEdit::event(event);
}

// The keys that change a box's text.
bool ChangesText(const QKeyEvent& event)
{
    return TypedCharacter(event) != 0 || event.key() == Qt::Key_Backspace || event.key() == Qt::Key_Delete ||
           event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Cut) ||
           event.matches(QKeySequence::Undo) || event.matches(QKeySequence::Redo);
}

void TValueEdit::keyPressEvent(QKeyEvent* event)
{
    if (isReadOnly() && OnRefusedKey && ChangesText(*event)) {
        OnRefusedKey();
        event->accept();
        return;
    }
    const char16_t typed = TypedCharacter(*event);
    if (KeyFilter && typed != 0) {
        const char16_t key = KeyFilter(typed);
        if (key == 0) {
            event->accept();
            return;
        }
        if (key != typed) {
            QKeyEvent changed(event->type(), event->key(), event->modifiers(), QString(QChar(key)),
                              event->isAutoRepeat(), event->count());
            QLineEdit::keyPressEvent(&changed);
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    UpButton = new QToolButton(this);
    DownButton = new QToolButton(this);
    for (QToolButton* button : {UpButton, DownButton}) {
        button->setAutoRepeat(true);
        button->setFixedSize(18, 11);
        layout->addWidget(button);
    }
    UpButton->setArrowType(Qt::UpArrow);
    DownButton->setArrowType(Qt::DownArrow);
    connect(UpButton, &QToolButton::clicked, this, [this] { if (OnUp) OnUp(); });
    connect(DownButton, &QToolButton::clicked, this, [this] { if (OnDown) OnDown(); });
}

TValueViews::TValueViews(TValueViewsHost& host, TByteConversions& conversions, QWidget* window)
    : QObject(window), host(host), conversions(conversions), window(window)
{
    BuildByteStrip();
    BuildTextDisplay();
    BuildNavigation();
    decimalContent = BuildDecimalPage();
    binaryContent = BuildBinaryPage();
    hexContent = BuildHexPage();
    dumpContent = BuildDumpPage();
}

TValueEdit* TValueViews::MakeValueEdit(QWidget* parent, TValueView view, int index, int maxLength)
{
    auto* edit = new TValueEdit(parent);
    edit->setObjectName(EditName(view, index));
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    const ValueBox box{edit, view, index};
    edit->OnExit = [views = QPointer<TValueViews>(this), box] {
        if (views)
            views->ValueEditExit(box);
    };
    // Enter writes the typed value and leaves the focus in the box.
    connect(edit, &QLineEdit::returnPressed, this, [this, box] { ValueEditExit(box); });
    edit->OnRefusedKey = [views = QPointer<TValueViews>(this)] {
        if (views && views->ReportRefusal)
            views->ReportRefusal("The window is locked: unlock it (Ctrl+L or the padlock) to change values.");
    };
    valueBoxes.push_back(box);
    return edit;
}

void TValueViews::BuildByteStrip()
{
    byteStrip = new QWidget(window);
    byteStrip->setObjectName(QStringLiteral("pnlByteStrip"));
    auto* grid = new QGridLayout(byteStrip);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    const char* const headers[] = {"", "Pos", "Char", "Dec", "Hex", "Binary"};
    for (int column = 0; column < 6; ++column) {
        auto* header = new QLabel(QString::fromLatin1(headers[column]), byteStrip);
        if (column == 1)
            header->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(header, 0, column);
    }
    for (int n = 0; n < 8; ++n) {
        const int row = n + 1;
        grid->addWidget(new QLabel(QString(QChar(u'A' + n)), byteStrip), row, 0);
        lblPos[n] = new QLabel(byteStrip);
        lblPos[n]->setObjectName(QStringLiteral("lblPos%1").arg(n));
        lblPos[n]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lblPos[n]->setMinimumWidth(QFontMetrics(lblPos[n]->font()).horizontalAdvance(QStringLiteral("00000000")));
        grid->addWidget(lblPos[n], row, 1);

        edtChar[n] = MakeValueEdit(byteStrip, TValueView::Char, n, 1);
        SetWidthInChars(edtChar[n], 1);
        edtDec[n] = MakeValueEdit(byteStrip, TValueView::Dec, n, 3);
        edtDec[n]->KeyFilter = FilterDecimalKey;
        SetWidthInChars(edtDec[n], 3);
        edtHex[n] = MakeValueEdit(byteStrip, TValueView::Hex, n, 2);
        edtHex[n]->KeyFilter = FilterHexKey;
        edtHex[n]->setValidator(new TUpperCaseValidator(edtHex[n]));
        SetWidthInChars(edtHex[n], 2);
        edtBinary[n] = MakeValueEdit(byteStrip, TValueView::Binary, n, 9);
        edtBinary[n]->KeyFilter = FilterBinaryKey;
        edtBinary[n]->setFont(FixedFont());
        SetWidthInChars(edtBinary[n], 9);
        grid->addWidget(edtChar[n], row, 2);
        grid->addWidget(edtDec[n], row, 3);
        grid->addWidget(edtHex[n], row, 4);
        grid->addWidget(edtBinary[n], row, 5);
    }
    grid->setRowStretch(9, 1);
}

void TValueViews::BuildTextDisplay()
{
    textDisplay = new QWidget(window);
    textDisplayLayout = new QHBoxLayout(textDisplay);
    textDisplayLayout->setContentsMargins(2, 2, 2, 2);
    textDisplayLayout->addWidget(new QLabel(QStringLiteral("As Text:"), textDisplay));
    edtTextDisplay = new TValueEdit(textDisplay);
    edtTextDisplay->setObjectName(QStringLiteral("edtTextDisplay"));
    edtTextDisplay->setReadOnly(true);
    edtTextDisplay->setFont(FixedFont());
    // The text line only shows; entering it moves on to the jump box.
    edtTextDisplay->OnEnter = [views = QPointer<TValueViews>(this)] {
        if (views)
            views->edtJumpTo->setFocus(Qt::OtherFocusReason);
    };
    textDisplayLayout->addWidget(edtTextDisplay, 1);
}

void TValueViews::BuildNavigation()
{
    grpNav = new QGroupBox(window);
    grpNav->setObjectName(QStringLiteral("grpNav"));
    navigationLayout = new QHBoxLayout(grpNav);
    navigationLayout->setContentsMargins(4, 2, 4, 2);

    btnHome = MakeToolButton(grpNav, QStringLiteral("|<"), QStringLiteral("Beginning of file"), "btnHome");
    btnEnd = MakeToolButton(grpNav, QStringLiteral(">|"), QStringLiteral("End of file"), "btnEnd");
    edtJumpTo = new QLineEdit(grpNav);
    edtJumpTo->setObjectName(QStringLiteral("edtJumpTo"));
    SetWidthInChars(edtJumpTo, 10);
    btnJumpTo = MakeToolButton(grpNav, QStringLiteral("Go"), QStringLiteral("Jump to position"), "btnJumpTo");
    spnIncr = new TSpinButton(grpNav);
    spnIncr->setObjectName(QStringLiteral("spnIncr"));
    spnIncr->setToolTip(QStringLiteral("Decrement / Increment position by 1"));
    edtSmallStep = new QLineEdit(grpNav);
    edtSmallStep->setObjectName(QStringLiteral("edtSmallStep"));
    SetWidthInChars(edtSmallStep, 5);
    btnSmallStep = new TSpinButton(grpNav);
    btnSmallStep->setObjectName(QStringLiteral("btnSmallStep"));
    edtBigStep = new QLineEdit(grpNav);
    edtBigStep->setObjectName(QStringLiteral("edtBigStep"));
    SetWidthInChars(edtBigStep, 5);
    btnBigStep = new TSpinButton(grpNav);
    btnBigStep->setObjectName(QStringLiteral("btnBigStep"));

    for (QWidget* widget : std::initializer_list<QWidget*>{btnHome, btnEnd, edtJumpTo, btnJumpTo, spnIncr,
                                                           edtSmallStep, btnSmallStep, edtBigStep, btnBigStep})
        navigationLayout->addWidget(widget);
    navigationLayout->addStretch(1);

    connect(edtJumpTo, &QLineEdit::returnPressed, this, [this] { JumpToClick(); });
    // The keys move as the buttons do, wherever the focus is in the window.
    const auto key = [this](const QKeySequence& sequence, std::function<void()> move) {
        auto* shortcut = new QShortcut(sequence, window);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, std::move(move));
    };
    key(QKeySequence(Qt::Key_PageUp), [this] { StepPosition(*edtBigStep, -1); });
    key(QKeySequence(Qt::Key_PageDown), [this] { StepPosition(*edtBigStep, +1); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { MovePosition(0); });
    key(QKeySequence(Qt::CTRL | Qt::Key_End), [this] { MovePosition(host.FileSize()); });
    key(QKeySequence(Qt::CTRL | Qt::Key_G), [this] {
        edtJumpTo->setFocus(Qt::ShortcutFocusReason);
        edtJumpTo->selectAll();
    });
    // The cursor keys move by a byte and by a dump row wherever they do not
    // move a caret, a selection or a page: a filter of the application sees
    // each key before the widget that has the focus.
    qApp->installEventFilter(this);

    connect(btnHome, &QToolButton::clicked, this, [this] { MovePosition(0); });
    connect(btnEnd, &QToolButton::clicked, this, [this] { MovePosition(host.FileSize()); });
    connect(btnJumpTo, &QToolButton::clicked, this, [this] { JumpToClick(); });
    spnIncr->OnUp = [this] { MovePosition(std::int64_t{host.Position()} - 1); };
    spnIncr->OnDown = [this] { MovePosition(std::int64_t{host.Position()} + 1); };
    btnSmallStep->OnUp = [this] { StepPosition(*edtSmallStep, -1); };
    btnSmallStep->OnDown = [this] { StepPosition(*edtSmallStep, +1); };
    btnBigStep->OnUp = [this] { StepPosition(*edtBigStep, -1); };
    btnBigStep->OnDown = [this] { StepPosition(*edtBigStep, +1); };
}

QWidget* TValueViews::BuildDecimalPage()
{
    auto* page = new QWidget(window);
    auto* grid = new QGridLayout(page);
    grid->setVerticalSpacing(4);
    struct Row {
        const char* Caption;
        const char* Hint;
        TValueView View;
        int Count;
        int MaxLength;
        int Chars;  // the longest text shown
        TValueEdit** Edits;
    };
    const Row rows[] = {
        {"WORD", "unsigned 16 bit", TValueView::Word, 4, 6, 5, edtWORD.data()},
        {"SHORT", "signed 16 bit", TValueView::Short, 4, 6, 6, edtShort.data()},
        {"DWORD", "unsigned 32 bit", TValueView::DWord, 2, 10, 10, edtDWORD.data()},
        {"LONG", "signed 32 bit", TValueView::Long, 2, 11, 11, edtLong.data()},
        {"FLOAT", "single precision", TValueView::Float, 2, 0, 21, edtFloat.data()},
        {"INT64", "signed 64 bit", TValueView::Int64, 1, 0, 20, &edtInt64},
        {"DOUBLE", "double precision", TValueView::Double, 1, 0, 22, &edtDouble},
    };
    int line = 0;
    for (const Row& row : rows) {
        auto* caption = new QLabel(QString::fromLatin1(row.Caption), page);
        caption->setToolTip(QString::fromLatin1(row.Hint));
        grid->addWidget(caption, line, 0);
        const int span = 4 / row.Count;
        for (int k = 0; k < row.Count; ++k) {
            row.Edits[k] = MakeValueEdit(page, row.View, k, row.MaxLength);
            SetMinimumChars(row.Edits[k], row.Chars);
            grid->addWidget(row.Edits[k], line, 1 + k * span, 1, span);
        }
        ++line;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(line, 1);
    return page;
}

QWidget* TValueViews::BuildBinaryPage()
{
    auto* page = new QWidget(window);
    auto* layout = new QVBoxLayout(page);

    auto* words = new QGroupBox(QStringLiteral(" 16 bit values (WORD) "), page);
    auto* wordGrid = new QGridLayout(words);
    for (int k = 0; k < 4; ++k) {
        edtBinShort[k] = MakeValueEdit(words, TValueView::BinShort, k, 20);
        edtBinShort[k]->setFont(FixedFont());
        SetMinimumChars(edtBinShort[k], 19);
        wordGrid->addWidget(edtBinShort[k], k / 2, k % 2);
    }
    auto* dwords = new QGroupBox(QStringLiteral("32 bit values (DWORD) "), page);
    auto* dwordLayout = new QVBoxLayout(dwords);
    for (int k = 0; k < 2; ++k) {
        edtBinLong[k] = MakeValueEdit(dwords, TValueView::BinLong, k, 40);
        edtBinLong[k]->setFont(FixedFont());
        SetMinimumChars(edtBinLong[k], 39);
        dwordLayout->addWidget(edtBinLong[k]);
    }
    auto* qword = new QGroupBox(QStringLiteral(" 64 bit Integer (QWORD) "), page);
    auto* qwordLayout = new QVBoxLayout(qword);
    edtBin64 = MakeValueEdit(qword, TValueView::Bin64, 0, 80);
    edtBin64->setFont(FixedFont());
    SetMinimumChars(edtBin64, 64);
    qwordLayout->addWidget(edtBin64);

    layout->addWidget(words);
    layout->addWidget(dwords);
    layout->addWidget(qword);
    layout->addStretch(1);
    return page;
}

QWidget* TValueViews::BuildHexPage()
{
    auto* page = new QWidget(window);
    auto* layout = new QVBoxLayout(page);
    const auto makeHexEdit = [this](QWidget* parent, TValueView view, int index, int maxLength, int chars) {
        TValueEdit* edit = MakeValueEdit(parent, view, index, maxLength);
        edit->setFont(FixedFont());
        SetMinimumChars(edit, chars);
        edit->setValidator(new TUpperCaseValidator(edit));
        return edit;
    };

    auto* words = new QGroupBox(QStringLiteral(" 16 bit values (WORD) "), page);
    auto* wordLayout = new QHBoxLayout(words);
    for (int k = 0; k < 4; ++k) {
        edtHexShort[k] = makeHexEdit(words, TValueView::HexShort, k, 6, 5);
        wordLayout->addWidget(edtHexShort[k]);
    }
    auto* dwords = new QGroupBox(QStringLiteral("32 bit values (DWORD) "), page);
    auto* dwordLayout = new QHBoxLayout(dwords);
    for (int k = 0; k < 2; ++k) {
        edtHexLong[k] = makeHexEdit(dwords, TValueView::HexLong, k, 12, 11);
        dwordLayout->addWidget(edtHexLong[k]);
    }
    auto* qword = new QGroupBox(QStringLiteral(" 64 bit integer (QWORD) "), page);
    auto* qwordLayout = new QHBoxLayout(qword);
    edtHex64 = makeHexEdit(qword, TValueView::Hex64, 0, 0, 23);
    qwordLayout->addWidget(edtHex64);

    layout->addWidget(words);
    layout->addWidget(dwords);
    layout->addWidget(qword);
    layout->addStretch(1);
    return page;
}

QWidget* TValueViews::BuildDumpPage()
{
    auto* page = new QWidget(window);
    auto* layout = new QHBoxLayout(page);
    lstHexDump = new QListWidget(page);
    lstHexDump->setObjectName(QStringLiteral("lstHexDump"));
    lstDumpPrint = new QListWidget(page);
    lstDumpPrint->setObjectName(QStringLiteral("lstDumpPrint"));
    for (QListWidget* list : {lstHexDump, lstDumpPrint}) {
        list->setFont(FixedFont());
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this, list](QListWidgetItem* item) { DumpDoubleClick(list->row(item)); });
    }
    const QFontMetrics metrics(FixedFont());
    const int scrollBar = lstHexDump->verticalScrollBar()->sizeHint().width();
    lstHexDump->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstHexDump->setMinimumWidth(metrics.horizontalAdvance(QString(48, QLatin1Char('0'))) + scrollBar + 8);
    lstDumpPrint->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstDumpPrint->setFixedWidth(metrics.horizontalAdvance(QString(17, QLatin1Char('0'))) + scrollBar + 8);
    layout->addWidget(lstHexDump, 1);
    layout->addWidget(lstDumpPrint);
    return page;
}

void TValueViews::AttachPages(QTabWidget* pagMain, QWidget* tabDecimal, QWidget* tabBin, QWidget* tabHex,
                              QWidget* tabDump)
{
    this->pagMain = pagMain;
    this->tabDecimal = tabDecimal;
    this->tabBin = tabBin;
    this->tabHex = tabHex;
    this->tabDump = tabDump;
    const std::pair<QWidget*, QWidget*> pages[] = {
        {tabDecimal, decimalContent}, {tabBin, binaryContent}, {tabHex, hexContent}, {tabDump, dumpContent}};
    for (const auto& [tab, content] : pages) {
        auto* layout = tab->layout() ? tab->layout() : new QVBoxLayout(tab);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
    }
    connect(pagMain, &QTabWidget::currentChanged, this, [this] { UpdateDisplay(true); });
}

void TValueViews::Update()
{
    if (!host.IsWorkingCopyOpen())
        return;
    const std::int32_t position = std::max(std::min(host.Position(), host.FileSize() - 1), 0);
    if (position != host.Position())
        host.StorePosition(position);
    std::array<std::uint8_t, TByteConversions::PageSize> buffer{};
    const std::size_t count = host.ReadBytes(position, buffer.data(), buffer.size());
    conversions.LoadPage(buffer.data(), std::min(count, buffer.size()));
}

void TValueViews::FillViews(TValueView first, TValueView last)
{
    for (const ValueBox& box : valueBoxes) {
        if (!InRange(box.View, first, last))
            continue;
        box.Edit->setText(QString::fromLatin1(ViewText(conversions, box.View, box.Index)));
        box.Edit->setCursorPosition(0);  // long texts show from their start
    }
}

void TValueViews::UpdateDisplay(bool pageOnly)
{
    if (window->window()->isMinimized())
        return;
    if (pagMain) {
        const QWidget* page = pagMain->currentWidget();
        if (page == tabDecimal)
            FillViews(TValueView::Word, TValueView::Double);
        else if (page == tabBin)
            FillViews(TValueView::BinShort, TValueView::Bin64);
        else if (page == tabHex)
            FillViews(TValueView::HexShort, TValueView::Hex64);
        else if (page == tabDump)
            BuildHexDump();
    }
    if (pageOnly)
        return;
    const std::int64_t position = host.Position();
    edtJumpTo->setText(QString::number(position + 1));
    for (int n = 0; n < 8; ++n)
        lblPos[n]->setText(QString::number(position + n + 1));
    FillViews(TValueView::Char, TValueView::Binary);
    edtTextDisplay->setText(QString::fromLatin1(PageCharText(conversions)));
    edtTextDisplay->setCursorPosition(0);
}

void TValueViews::RefreshView()
{
    Update();
    UpdateDisplay(false);
}

void TValueViews::ClearViews()
{
    for (const ValueBox& box : valueBoxes)
        box.Edit->clear();
    edtTextDisplay->clear();
    edtJumpTo->setText(QStringLiteral("0"));
    edtSmallStep->setText(QStringLiteral("8"));
    edtBigStep->setText(QStringLiteral("128"));
    lstHexDump->clear();
    lstDumpPrint->clear();
}

// Locked boxes look read-only: the window's colour behind their text.
void TValueViews::SetLocked(bool locked)
{
    QPalette lockedLook = window->palette();
    lockedLook.setColor(QPalette::Base, lockedLook.color(QPalette::Window));
    for (const ValueBox& box : valueBoxes) {
        box.Edit->setReadOnly(locked);
        box.Edit->setPalette(locked ? lockedLook : QPalette());
    }
}

void TValueViews::SetByteOrder(bool littleEndian)
{
    conversions.SetByteOrder(littleEndian ? 1 : 0);
    RefreshView();
}

// The page read at the last refresh, then as many lines as the dump has room
// for, read from the file (bytes past its end show as 0).
void TValueViews::BuildHexDump()
{
    const int lines = std::max(TByteConversions::PageSize / DumpRowBytes, VisibleDumpLines());
    std::vector<std::uint8_t> bytes(conversions.Page.begin(), conversions.Page.end());
    bytes.resize(static_cast<std::size_t>(lines) * DumpRowBytes, 0);
    if (bytes.size() > conversions.Page.size() && host.IsWorkingCopyOpen())
        host.ReadBytes(host.Position() + TByteConversions::PageSize, bytes.data() + TByteConversions::PageSize,
                       bytes.size() - TByteConversions::PageSize);
    const std::string hex = BytesHexText(bytes.data(), bytes.size());
    const std::string chars = BytesCharText(bytes.data(), bytes.size());
    lstHexDump->clear();
    lstDumpPrint->clear();
    constexpr std::size_t hexLine = 3 * DumpRowBytes;
    for (std::size_t i = 0; i < static_cast<std::size_t>(lines); ++i) {
        lstHexDump->addItem(QString::fromLatin1(hex.substr(hexLine * i, hexLine)));
        lstDumpPrint->addItem(QString::fromLatin1(chars.substr(DumpRowBytes * i, DumpRowBytes)));
    }
}

void TValueViews::FitDumpToItsRoom()
{
    dumpFitPending_ = false;
    const int visible = VisibleDumpLines();
    if (pagMain && pagMain->currentWidget() == tabDump && host.IsWorkingCopyOpen() && !window->window()->isMinimized() &&
        lstHexDump->count() != visible && std::max(lstHexDump->count(), visible) > TByteConversions::PageSize / DumpRowBytes)
        BuildHexDump();
}

int TValueViews::VisibleDumpLines() const
{
    const int line = lstHexDump->count() > 0 ? lstHexDump->sizeHintForRow(0) : lstHexDump->fontMetrics().height();
    return line > 0 ? lstHexDump->viewport()->height() / line : 0;
}

void TValueViews::ValueEditExit(const ValueBox& box)
{
    if (!box.Edit->isModified() || host.IsLocked())
        return;
    TByteConversions edited = conversions;
    const std::string text = platform::FromQString(box.Edit->text());
    std::string refusal;
    if (!EditView(edited, box.View, box.Index, text)) {
        refusal = EditRefusal(box.View, box.Index, text);
    } else if (!LiesInFile(box.View, box.Index)) {
        refusal = "the value's bytes lie past the end of the file";
    } else {
        conversions.LoadValueBytes(edited.Raw);
        host.WriteCurrentBytes();
    }
    if (ReportRefusal)
        ReportRefusal(refusal.empty() ? refusal : "Not written: " + refusal + "; the box shows the file's value again.");
    // A refused text gives way to the value the file holds.
    RefreshView();
}

// A value typed into the box that has the focus is written before the
// position moves away from its bytes.
void TValueViews::LeaveFocusedBox()
{
    const QWidget* focused = QApplication::focusWidget();
    for (const ValueBox& box : valueBoxes)
        if (box.Edit == focused) {
            ValueEditExit(box);
            return;
        }
}

bool TValueViews::LiesInFile(TValueView view, int index) const
{
    return std::int64_t{host.Position()} + ViewBytes(view, index).Offset < host.FileSize();
}

void TValueViews::MovePosition(std::int64_t position)
{
    LeaveFocusedBox();
    const std::int64_t last = std::max<std::int64_t>(host.FileSize() - 1, 0);
    host.StorePosition(static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, last)));
    RefreshView();
}

void TValueViews::StepPosition(const QLineEdit& stepText, int direction)
{
    const std::int64_t step = ReadLeadingInteger(platform::FromQString(stepText.text()));
    MovePosition(host.Position() + direction * step);
}

void TValueViews::JumpToClick()
{
    const std::string text = platform::FromQString(edtJumpTo->text());
    const std::optional<std::int64_t> position = ReadJumpPosition(text);
    if (!position) {
        if (ReportRefusal)
            ReportRefusal("Not moved: \"" + text +
                          "\" is not a position (a number counted from 1, or hex such as 0x1F41).");
        edtJumpTo->selectAll();
        return;
    }
    if (ReportRefusal)
        ReportRefusal("");
    MovePosition(*position - 1);
}

bool TValueViews::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && ArrowKeyMoves(watched, *static_cast<QKeyEvent*>(event)))
        return true;
    // A taller dump shows more lines, once the list has laid out its new size.
    if (event->type() == QEvent::Resize && watched == lstHexDump && !dumpFitPending_) {
        dumpFitPending_ = true;
        QMetaObject::invokeMethod(this, &TValueViews::FitDumpToItsRoom, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

namespace {

// Widgets whose own use of the cursor keys comes first: a box being edited,
// the hit lists, the page tabs, radio groups. A locked (read-only) box, the
// dump and the buttons leave the keys to the position.
bool TakesCursorKeys(const QWidget& widget, const QWidget& dumpHex, const QWidget& dumpChars)
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget))
        return !edit->isReadOnly();
    if (&widget == &dumpHex || &widget == &dumpChars)
        return false;
    return qobject_cast<const QAbstractItemView*>(&widget) || qobject_cast<const QTabBar*>(&widget) ||
           qobject_cast<const QRadioButton*>(&widget) || qobject_cast<const QAbstractSpinBox*>(&widget) ||
           qobject_cast<const QComboBox*>(&widget);
}

}  // namespace

bool TValueViews::ArrowKeyMoves(const QObject* watched, const QKeyEvent& key)
{
    const QWidget* focused = QApplication::focusWidget();
    if (watched != focused || !focused || focused->window() != window || !host.IsWorkingCopyOpen() ||
        (key.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    std::int64_t step = 0;
    switch (key.key()) {
    case Qt::Key_Left: step = -1; break;
    case Qt::Key_Right: step = 1; break;
    case Qt::Key_Up: step = -DumpRowBytes; break;
    case Qt::Key_Down: step = DumpRowBytes; break;
    default: return false;
    }
    if (TakesCursorKeys(*focused, *lstHexDump, *lstDumpPrint))
        return false;
    MovePosition(std::int64_t{host.Position()} + step);
    return true;
}

void TValueViews::EditValueAtPosition(int bytes)
{
    QLineEdit* box = edtChar[0];
    QWidget* page = nullptr;
    switch (bytes) {
    case 1: box = edtDec[0]; break;
    case 2: box = edtWORD[0]; page = tabDecimal; break;
    case 4: box = edtDWORD[0]; page = tabDecimal; break;
    case 8: box = edtInt64; page = tabDecimal; break;
    default: break;
    }
    if (page && pagMain)
        pagMain->setCurrentWidget(page);
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
}

void TValueViews::DumpDoubleClick(int line)
{
    if (line >= 0)
        MovePosition(std::int64_t{host.Position()} + DumpRowBytes * line);
}
