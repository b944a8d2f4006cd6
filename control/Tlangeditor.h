// The control's script editor: a plain-text edit box whose lines are the
// script's lines, coloured line by line as the caret leaves a changed line.
// It is the engine's view of the script, and it tells the control of text
// changes, caret moves and keys.
#pragma once

#include "Tlangcolor.h"
#include "Tlangevents.h"

#include <QPlainTextEdit>

#include <cstdint>
#include <string>
#include <vector>

class QInputMethodEvent;
class QMimeData;
class QTextBlock;

namespace pevox {

class TLangEngine;

// What the editor tells the control. Keys are virtual-key codes; the control
// may change a key (0 swallows it).
class TLangEditorHost {
public:
    virtual ~TLangEditorHost() = default;
    virtual void EditorChange() = 0;
    virtual void EditorSelectionChange() = 0;
    virtual void EditorKeyPress(std::int16_t& key) = 0;
    virtual void EditorKeyDown(std::int16_t& keyCode, std::int16_t shiftState) = 0;
    virtual void EditorKeyUp(std::int16_t& keyCode, std::int16_t shiftState) = 0;
};

// A colour value of the control (0x00BBGGRR, or a system colour
// 0x800000nn) as a Qt colour.
QColor ColorFromOle(std::uint32_t color);

class TLangEditor : public QPlainTextEdit, public EditorView {
    Q_OBJECT

public:
    explicit TLangEditor(TLangEditorHost& host, QWidget* parent = nullptr);
    ~TLangEditor() override;

    // The engine whose keywords and names colouring uses and whose run the
    // user-break key stops; it is made after the editor.
    void Attach(TLangEngine& engine) { engine_ = &engine; }
    // Cuts the editor off from its control, which is going: from here on it
    // tells nobody of anything.
    void Detach();
    // One of the editor's handlers is on the stack.
    bool InHandler() const { return handlerDepth_ > 0; }

    // --- The engine's view ----------------------------------------------
    std::vector<std::string> Lines() const override;
    bool Visible() const override { return visibleProperty_; }
    int LineIndex(int line) const override;
    int LineLength(int position) const override;
    void SetSelection(int start, int end) override;
    void CollapseSelection() override;
    void ScrollCaret() override;
    int HorizontalScrollPos() const override;
    void ScrollPageLeft() override;

    // --- Lines, 1-based as hosts count them --------------------------------
    int LastLine() const;
    std::string TextLine(int lineNo) const;
    int LineLengthOf(int lineNo) const;
    int CursorLine() const;
    int CursorCol() const;
    // No character at all.
    bool IsEmpty() const;

    // --- Text and selection as hosts see it: lines joined by CR LF ----------
    std::string TextAnsi() const;
    void SetTextAnsi(const std::string& text);
    int SelStart() const;
    void SetSelStart(int start);
    int SelLength() const;
    void SetSelLength(int length);
    std::string SelTextAnsi() const;
    void SetSelTextAnsi(const std::string& text);

    // Replaces the text by lines, colours every line and puts the caret at
    // the start, unmodified: a script just loaded.
    void LoadScriptLines(const std::vector<std::string>& lines);
    // The text without its leading and trailing blanks and line breaks, as lines.
    std::vector<std::string> TrimmedLines() const;

    // --- Colouring -----------------------------------------------------------
    SyntaxColorSet& Colors() { return colors_; }
    const SyntaxColorSet& Colors() const { return colors_; }
    // The colour of reserved words is also the editor's text colour.
    void ApplyTextColor();
    // Colours a 0-based line (-1: the caret's line); nothing for a line that
    // does not exist.
    void ColorLine(int line);

    // --- Properties of the box that Qt has no place for ----------------------
    void SetVisibleProperty(bool visible);
    bool HideSelectionProperty() const { return hideSelection_; }
    void SetHideSelection(bool hide);
    bool HideScrollBarsProperty() const { return hideScrollBars_; }
    void SetHideScrollBars(bool hide);
    int ScrollBarsProperty() const { return scrollBars_; }
    void SetScrollBars(int style);
    std::uint32_t BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(std::uint32_t color);

    // The 0-based line on which the caret was last seen, and what changed
    // since it was coloured.
    int m_EditLine = 0;
    bool m_LineDirty = false;
    bool m_RangeDirty = false;
    bool m_CopyKey = false;

    // Why the last character typed, pasted or dropped was refused; shown at
    // the caret as it happens.
    const QString& RefusalReason() const { return refusalReason_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // While it lives the change and selection handlers do nothing.
    class DetachedHandlers {
    public:
        explicit DetachedHandlers(TLangEditor& editor) : editor_(editor) { ++editor_.detached_; }
        ~DetachedHandlers() { --editor_.detached_; }
        DetachedHandlers(const DetachedHandlers&) = delete;
        DetachedHandlers& operator=(const DetachedHandlers&) = delete;

    private:
        TLangEditor& editor_;
    };

    // Counts a handler on the stack for as long as it lives.
    class HandlerScope {
    public:
        explicit HandlerScope(TLangEditor& editor) : editor_(editor) { ++editor_.handlerDepth_; }
        ~HandlerScope() { --editor_.handlerDepth_; }
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;

    private:
        TLangEditor& editor_;
    };

    bool RunInProgress() const;
    QTextBlock Block(int line) const;
    void HandleChange();
    void HandleSelectionChange();
    void ApplyScrollBarPolicies();
    void ApplySelectionPalette();
    void DeliverKey(QKeyEvent* event, int keyCode, int originalKeyCode);
    // False, telling the user why (`refused` leads the reason), when the text
    // holds a character that a script's 8-bit text cannot keep.
    bool AcceptsText(const QString& text, const char* refused);

    TLangEditorHost* host_;
    TLangEngine* engine_ = nullptr;
    SyntaxColorSet colors_;
    int detached_ = 0;
    int handlerDepth_ = 0;
    int lastPosition_ = 0;
    int lastAnchor_ = 0;
    bool visibleProperty_ = true;
    bool hideSelection_ = true;
    bool hideScrollBars_ = true;
    int scrollBars_ = 3;
    std::uint32_t backgroundColor_ = 0x80000005;  // the system's window colour
    QString refusalReason_;
};

}  // namespace pevox
