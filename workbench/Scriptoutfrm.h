// The script output window: what scripts print, their errors and how their
// runs ended, in a read-only text box that keeps the latest lines.
#pragma once

#include "Outputtext.h"

#include <QMainWindow>

#include <string>

class QAction;
class QPlainTextEdit;
class QToolBar;

class TFrmScriptOut : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int HelpContext = 1520;

    explicit TFrmScriptOut(QWidget* owner);

    // Appends the text, and a line break when `newLine` is set; first drops
    // the oldest lines beyond the limit of the text. While a script runs the
    // box shows the lines once before it is next painted.
    void AddLine(const std::string& text, bool newLine);
    // The box shows every line added so far.
    void ShowPendingLines();

    // 0 reads, 1 writes "OUTPUT_FORM".
    void LoadSaveSettings(int mode);

    const TOutputText& Output() const { return output_; }

    // --- Handlers.
    void BtnClearClick();
    void ToolButton2Click();

    // --- Components.
    QToolBar* ToolBar1;
    QAction* BtnClear;
    QAction* ToolButton2;
    QPlainTextEdit* rtfOutput;

    // A window about to show reads its place before the desktop has it, so a
    // stored corner is taken as the frame's.
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void LimitHeightToScreen();
    void RemoveFirstLines(std::size_t count);
    void AppendPieces(const std::vector<std::string>& pieces);
    void ShowWholeText();
    void ShowLinesLater();

    TOutputText output_;
    bool showQueued_ = false;
};
