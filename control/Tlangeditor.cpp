#include "Tlangeditor.h"

#include "Tlangengine.h"
#include "Tlangkeys.h"
#include "Tlangprepass.h"
#include "platform/QtText.h"
#include "platform/Text.h"

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>

#include <algorithm>

namespace pevox {

namespace {

constexpr int kMaxPageLeftScrolls = 4;
constexpr std::uint32_t kSystemColorFlag = 0x80000000;

// Line breaks of a host's text as the document keeps them.
QString DocumentText(const std::string& text) {
    QString converted = platform::ToQString(text);
    converted.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    converted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return converted;
}

// A host's text from the document's: paragraph breaks as CR LF.
std::string HostText(QString text) {
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return platform::FromQString(text);
}

// The first character of the text that the code page of scripts lacks, or
// an empty string. A pair of surrogates is one character.
QString FirstCharacterOutsideCodePage(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return text.mid(i, 2);
        if (unit != u'?' && platform::UnicodeToCp1252(unit) == '?') return text.mid(i, 1);
    }
    return QString();
}

// Where a position of the text lands after a line's text changed length:
// behind the line it moves with the text, inside the line it stays, within
// the new line.
int MovedPosition(int position, int lineStart, int oldLength, int newLength) {
    if (position <= lineStart) return position;
    if (position >= lineStart + oldLength) return position + (newLength - oldLength);
    return std::min(position, lineStart + newLength);
}

}  // namespace

QColor ColorFromOle(std::uint32_t color) {
    if ((color & 0xFF000000) == kSystemColorFlag) {
        const QPalette palette = QGuiApplication::palette();
        switch (color & 0xFF) {
        case 5: return palette.color(QPalette::Base);
        case 8: return palette.color(QPalette::Text);
        case 13: return palette.color(QPalette::Highlight);
        case 14: return palette.color(QPalette::HighlightedText);
        case 18: return palette.color(QPalette::ButtonText);
        default: return palette.color(QPalette::Window);
        }
    }
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

TLangEditor::TLangEditor(TLangEditorHost& host, QWidget* parent) : QPlainTextEdit(parent), host_(&host) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    connect(this, &QPlainTextEdit::textChanged, this, &TLangEditor::HandleChange);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TLangEditor::HandleSelectionChange);
    connect(this, &QPlainTextEdit::selectionChanged, this, &TLangEditor::HandleSelectionChange);
    ApplyScrollBarPolicies();
    ApplySelectionPalette();
    ApplyTextColor();
}

TLangEditor::~TLangEditor() {
    // The document goes with the widget; its last signals must find no handler.
    ++detached_;
}

void TLangEditor::Detach() {
    ++detached_;
    engine_ = nullptr;
    host_ = nullptr;
}

bool TLangEditor::RunInProgress() const { return engine_ && engine_->State() == TxStsBusy; }

QTextBlock TLangEditor::Block(int line) const {
    if (line < 0 || line >= document()->blockCount()) return QTextBlock();
    return document()->findBlockByNumber(line);
}

// --- The engine's view ------------------------------------------------------

std::vector<std::string> TLangEditor::Lines() const {
    std::vector<std::string> lines;
    const int count = LastLine();
    lines.reserve(static_cast<std::size_t>(count));
    QTextBlock block = document()->begin();
    for (int i = 0; i < count; ++i, block = block.next()) lines.push_back(platform::FromQString(block.text()));
    return lines;
}

int TLangEditor::LineIndex(int line) const {
    const QTextBlock block = Block(line);
    return block.isValid() ? block.position() : -1;
}

int TLangEditor::LineLength(int position) const {
    const QTextBlock block = document()->findBlock(position);
    return block.isValid() ? block.length() - 1 : 0;
}

void TLangEditor::SetSelection(int start, int end) {
    const DetachedHandlers detached(*this);
    const int last = document()->characterCount() - 1;
    QTextCursor cursor(document());
    cursor.setPosition(std::clamp(start, 0, last));
    cursor.setPosition(std::clamp(end, 0, last), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    lastPosition_ = cursor.position();
    lastAnchor_ = cursor.anchor();
}

void TLangEditor::CollapseSelection() {
    const QTextCursor cursor = textCursor();
    SetSelection(cursor.selectionStart(), cursor.selectionStart());
}

void TLangEditor::ScrollCaret() { ensureCursorVisible(); }

int TLangEditor::HorizontalScrollPos() const { return horizontalScrollBar()->value(); }

void TLangEditor::ScrollPageLeft() { horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub); }

// --- Lines ------------------------------------------------------------------

int TLangEditor::LastLine() const {
    // A last line left empty by a final line break is no line of its own.
    const int blocks = document()->blockCount();
    return document()->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

std::string TLangEditor::TextLine(int lineNo) const {
    const QTextBlock block = Block(lineNo - 1);
    return block.isValid() ? platform::FromQString(block.text()) : std::string();
}

int TLangEditor::LineLengthOf(int lineNo) const {
    // Bytes of the line in the system's code page.
    return static_cast<int>(TextLine(lineNo).size());
}

// The caret's line and column are those of the selection's start, whichever
// end of the selection the caret stands at.
int TLangEditor::CursorLine() const { return document()->findBlock(SelStart()).blockNumber() + 1; }

int TLangEditor::CursorCol() const {
    const int position = SelStart();
    return position - document()->findBlock(position).position() + 1;
}

bool TLangEditor::IsEmpty() const { return document()->isEmpty(); }

// --- Text and selection -----------------------------------------------------

// The raw text: the plain-text view would turn every no-break space (byte
// A0) into a blank.
std::string TLangEditor::TextAnsi() const { return HostText(document()->toRawText()); }

void TLangEditor::SetTextAnsi(const std::string& text) {
    {
        // A new text has no line being edited; its host hears of the change.
        const DetachedHandlers detached(*this);
        setPlainText(DocumentText(text));
        m_EditLine = 0;
        m_LineDirty = false;
        m_RangeDirty = false;
        const QTextCursor cursor = textCursor();
        lastPosition_ = cursor.position();
        lastAnchor_ = cursor.anchor();
    }
    const HandlerScope scope(*this);
    if (host_) host_->EditorChange();
}

int TLangEditor::SelStart() const { return textCursor().selectionStart(); }

void TLangEditor::SetSelStart(int start) {
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(start, 0, document()->characterCount() - 1));
    setTextCursor(cursor);
}

int TLangEditor::SelLength() const {
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void TLangEditor::SetSelLength(int length) {
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    cursor.setPosition(start);
    cursor.setPosition(std::clamp(start + std::max(length, 0), 0, document()->characterCount() - 1),
                       QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

std::string TLangEditor::SelTextAnsi() const { return HostText(textCursor().selectedText()); }

void TLangEditor::SetSelTextAnsi(const std::string& text) {
    QTextCursor cursor = textCursor();
    cursor.insertText(DocumentText(text));
    setTextCursor(cursor);
}

void TLangEditor::LoadScriptLines(const std::vector<std::string>& lines) {
    const DetachedHandlers detached(*this);
    const bool hideSelection = hideSelection_;
    const bool enabled = isEnabled();
    SetHideSelection(true);
    setEnabled(false);
    setUpdatesEnabled(false);
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += QLatin1Char('\n');
        text += platform::ToQString(lines[i]);
    }
    setPlainText(text);
    for (int line = document()->blockCount() - 1; line >= 0; --line) ColorLine(line);
    SetHideSelection(hideSelection);
    setEnabled(enabled);
    SetSelection(0, 0);
    setUpdatesEnabled(true);
    m_LineDirty = false;
    m_RangeDirty = false;
    m_EditLine = 0;
    ensureCursorVisible();
    document()->setModified(false);
}

std::vector<std::string> TLangEditor::TrimmedLines() const { return SplitTextLines(platform::Trim(TextAnsi())); }

// --- Colouring --------------------------------------------------------------

void TLangEditor::ApplyTextColor() {
    const QColor color = ColorFromOle(colors_.Of(ColorClass::Reserved));
    QPalette colors = palette();
    colors.setColor(QPalette::Text, color);
    setPalette(colors);
    QTextCharFormat typing = currentCharFormat();
    typing.setForeground(color);
    setCurrentCharFormat(typing);
}

void TLangEditor::ColorLine(int line) {
    if (!engine_) return;
    if (line == -1) line = CursorLine() - 1;
    const QTextBlock block = Block(line);
    if (!block.isValid()) return;
    const QString oldText = block.text();
    const ColoredLine colored = ColorLineText(*engine_, platform::FromQString(oldText));
    const QString newText = platform::ToQString(colored.text);

    const DetachedHandlers detached(*this);
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    // Plain numbers: a cursor of the document would move with the edit.
    const int caretAnchor = textCursor().anchor();
    const int caretPosition = textCursor().position();
    const int lineStart = block.position();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    if (newText != oldText) {
        cursor.setPosition(lineStart);
        cursor.setPosition(lineStart + static_cast<int>(oldText.size()), QTextCursor::KeepAnchor);
        cursor.insertText(newText);
    }
    const int lineEnd = lineStart + static_cast<int>(newText.size());
    for (const ColoredPiece& piece : colored.pieces) {
        QTextCharFormat format;
        format.setForeground(ColorFromOle(colors_.Of(piece.color)));
        cursor.setPosition(lineStart + piece.start);
        cursor.setPosition(std::min(lineStart + piece.start + piece.length, lineEnd), QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
    for (int i = 0; i < kMaxPageLeftScrolls && HorizontalScrollPos() != 0; ++i) ScrollPageLeft();

    const int oldLength = static_cast<int>(oldText.size());
    const int newLength = static_cast<int>(newText.size());
    QTextCursor restored(document());
    restored.setPosition(MovedPosition(caretAnchor, lineStart, oldLength, newLength));
    restored.setPosition(MovedPosition(caretPosition, lineStart, oldLength, newLength), QTextCursor::KeepAnchor);
    setTextCursor(restored);
    lastPosition_ = restored.position();
    lastAnchor_ = restored.anchor();
    setUpdatesEnabled(updates);
}

void TLangEditor::HandleChange() {
    if (detached_) return;
    const HandlerScope scope(*this);
    const int line = CursorLine() - 1;
    if (!m_LineDirty && !RunInProgress() && !m_CopyKey) {
        // The line being edited shows in the colour of typed text until the
        // caret leaves it; the selection stays as it is.
        const DetachedHandlers detached(*this);
        m_EditLine = line;
        const QTextBlock block = Block(line);
        QTextCursor cursor(document());
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setForeground(ColorFromOle(colors_.Of(ColorClass::Reserved)));
        cursor.mergeCharFormat(format);
    }
    m_LineDirty = true;
    m_CopyKey = false;
    if (host_) host_->EditorChange();
}

void TLangEditor::HandleSelectionChange() {
    if (detached_) return;
    const HandlerScope scope(*this);
    const QTextCursor cursor = textCursor();
    // Qt tells of a caret move and a selection change apart; the host hears once.
    if (cursor.position() == lastPosition_ && cursor.anchor() == lastAnchor_) return;
    lastPosition_ = cursor.position();
    lastAnchor_ = cursor.anchor();
    const int now = CursorLine() - 1;
    const int was = m_EditLine;
    if (now != was && !RunInProgress() && m_LineDirty) {
        if (!m_RangeDirty) {
            ColorLine(was);
        } else if (now < was) {
            for (int line = now; line <= m_EditLine; ++line) ColorLine(line);
        } else {
            for (int line = was; line < now; ++line) ColorLine(line);
        }
        m_EditLine = now;
        m_RangeDirty = false;
        m_LineDirty = false;
    }
    if (!m_LineDirty) m_EditLine = now;
    if (!RunInProgress() && host_) host_->EditorSelectionChange();
}

// --- Keys -------------------------------------------------------------------

void TLangEditor::keyPressEvent(QKeyEvent* event) {
    const HandlerScope scope(*this);
    const int code = VirtualKeyOf(*event) & 0xFF;
    const int shift = ShiftStateOf(event->modifiers());
    const bool paste = (code == 45 && shift == kShiftBit) || (code == 'V' && shift == kCtrlBit);
    if (paste) {
        m_EditLine = CursorLine() - 1;
        m_RangeDirty = true;
        m_LineDirty = true;
    }
    if (code == 'C' && shift == kCtrlBit) m_CopyKey = true;
    std::int16_t keyCode = static_cast<std::int16_t>(code);
    if (host_) host_->EditorKeyDown(keyCode, static_cast<std::int16_t>(shift));
    DeliverKey(event, keyCode, code);
}

void TLangEditor::DeliverKey(QKeyEvent* event, int keyCode, int originalKeyCode) {
    const QString text = event->text();
    std::int16_t character = 0;
    if (!text.isEmpty() && !AcceptsText(text, "Not typed:")) return;
    if (!text.isEmpty()) {
        QTextCharFormat typing = currentCharFormat();
        typing.setForeground(ColorFromOle(colors_.Of(ColorClass::Reserved)));
        setCurrentCharFormat(typing);
        const char16_t typed = text.at(0).unicode();
        character = static_cast<std::int16_t>(typed);
        if (host_) host_->EditorKeyPress(character);
        // A character typed reaches the editor whatever became of its key;
        // the host may have changed or swallowed the character itself.
        if (typed >= u' ') {
            if (character == 0) return;
            if (static_cast<char16_t>(character) == typed) {
                QPlainTextEdit::keyPressEvent(event);
            } else {
                QKeyEvent changed(QEvent::KeyPress, event->key(), event->modifiers(),
                                  QString(QChar(static_cast<char16_t>(character))));
                QPlainTextEdit::keyPressEvent(&changed);
            }
            return;
        }
        if (character == 0) return;
    }
    if (keyCode == 0) return;
    if (keyCode == originalKeyCode) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    const QtKey key = QtKeyOf(keyCode);
    if (key.key == 0) return;
    QKeyEvent changed(QEvent::KeyPress, key.key, event->modifiers() | key.extra);
    QPlainTextEdit::keyPressEvent(&changed);
}

// A script is 8-bit text in the Windows-1252 code page, as the interpreter
// runs it and as its file keeps it. A character outside it would turn into
// "?" at the next colouring or save, so it never enters the editor: the
// user sees why at the caret, and the text stays as it was.
bool TLangEditor::AcceptsText(const QString& text, const char* refused) {
    const QString outside = FirstCharacterOutsideCodePage(text);
    if (outside.isEmpty()) return true;
    const char32_t code = outside.toUcs4().value(0);
    refusalReason_ = QStringLiteral("%1 \"%2\" (U+%3) is not in Windows-1252, the code page of scripts.")
                         .arg(QLatin1String(refused), outside,
                              QString::number(code, 16).toUpper().rightJustified(4, u'0'));
    QToolTip::showText(mapToGlobal(cursorRect().bottomLeft()), refusalReason_, this);
    return false;
}

void TLangEditor::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText() && !AcceptsText(source->text(), "Nothing was pasted:")) return;
    QPlainTextEdit::insertFromMimeData(source);
}

// A text composed with an input method (CJK, for instance) arrives whole when it is committed.
void TLangEditor::inputMethodEvent(QInputMethodEvent* event) {
    if (!AcceptsText(event->commitString(), "Not typed:")) {
        QInputMethodEvent cleared;
        QPlainTextEdit::inputMethodEvent(&cleared);
        event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void TLangEditor::keyReleaseEvent(QKeyEvent* event) {
    const HandlerScope scope(*this);
    if (event->isAutoRepeat()) {
        QPlainTextEdit::keyReleaseEvent(event);
        return;
    }
    const int virtualKey = VirtualKeyOf(*event);
    const int shift = ShiftStateOf(event->modifiers());
    int code = virtualKey & 0xFF;
    const bool breakKeys = (shift & (kCtrlBit | kShiftBit)) == (kCtrlBit | kShiftBit) &&
                           (virtualKey == 'C' || virtualKey == 'c');
    if (breakKeys && engine_ && engine_->m_AllowUserBreak && RunInProgress()) {
        // A run that is stopping already keeps the reason it stops for.
        if (!engine_->m_StopRequested) {
            engine_->m_ExitCode = TxBreak;
            engine_->StopRun();
        }
        code = 0;
    }
    if (code != 0) {
        std::int16_t keyCode = static_cast<std::int16_t>(code);
        if (host_) host_->EditorKeyUp(keyCode, static_cast<std::int16_t>(shift));
        code = keyCode;
    }
    if (code == 0) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyReleaseEvent(event);
}

// --- Properties -------------------------------------------------------------

void TLangEditor::SetVisibleProperty(bool visible) {
    visibleProperty_ = visible;
    // A widget without a parent would be a window of its own: its container
    // shows it.
    if (parentWidget()) setVisible(visible);
}

void TLangEditor::SetHideSelection(bool hide) {
    hideSelection_ = hide;
    ApplySelectionPalette();
}

void TLangEditor::SetHideScrollBars(bool hide) {
    hideScrollBars_ = hide;
    ApplyScrollBarPolicies();
}

void TLangEditor::SetScrollBars(int style) {
    scrollBars_ = std::clamp(style, 0, 3);
    ApplyScrollBarPolicies();
}

void TLangEditor::SetBackgroundColor(std::uint32_t color) {
    backgroundColor_ = color;
    QPalette colors = palette();
    colors.setColor(QPalette::Base, ColorFromOle(color));
    setPalette(colors);
    ApplySelectionPalette();
}

void TLangEditor::ApplyScrollBarPolicies() {
    const Qt::ScrollBarPolicy shown = hideScrollBars_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn;
    setHorizontalScrollBarPolicy(scrollBars_ & 1 ? shown : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(scrollBars_ & 2 ? shown : Qt::ScrollBarAlwaysOff);
}

void TLangEditor::ApplySelectionPalette() {
    QPalette colors = palette();
    if (hideSelection_) {
        colors.setColor(QPalette::Inactive, QPalette::Highlight, colors.color(QPalette::Active, QPalette::Base));
        colors.setColor(QPalette::Inactive, QPalette::HighlightedText, colors.color(QPalette::Active, QPalette::Text));
    } else {
        colors.setColor(QPalette::Inactive, QPalette::Highlight, colors.color(QPalette::Active, QPalette::Highlight));
        colors.setColor(QPalette::Inactive, QPalette::HighlightedText,
                        colors.color(QPalette::Active, QPalette::HighlightedText));
    }
    setPalette(colors);
}

}  // namespace pevox
