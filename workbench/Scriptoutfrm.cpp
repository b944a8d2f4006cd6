#include "Scriptoutfrm.h"

#include "Globalinfo.h"
#include "Mainfrm.h"
#include "Textprinting.h"
#include "Toolwindow.h"
#include "Toolicons.h"
#include "Windowplacement.h"

#include "platform/QtText.h"

#include <QCloseEvent>
#include <QFont>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStringList>
#include <QTextCursor>
#include <QToolBar>

#include <algorithm>
#include <utility>

namespace {

constexpr const char* SettingsSection = "OUTPUT_FORM";

}  // namespace

TFrmScriptOut::TFrmScriptOut(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setWindowTitle("Script Output Window");
    ToolBar1 = addToolBar("Output");
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    BtnClear = ToolBar1->addAction(ToolIcon(TToolIcon::Clear), "Clear");
    BtnClear->setToolTip("Clear the output window");
    ToolButton2 = ToolBar1->addAction(ToolIcon(TToolIcon::Print), "Print");
    ToolButton2->setToolTip("Print the contents of the output window");
    connect(BtnClear, &QAction::triggered, this, &TFrmScriptOut::BtnClearClick);
    connect(ToolButton2, &QAction::triggered, this, &TFrmScriptOut::ToolButton2Click);

    rtfOutput = new QPlainTextEdit(this);
    rtfOutput->setObjectName("rtfOutput");
    rtfOutput->setReadOnly(true);
    rtfOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    rtfOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rtfOutput->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rtfOutput->setTabChangesFocus(false);
    // The desktop's fixed-pitch font, as the hex window's dump and the
    // script editor show their columns.
    rtfOutput->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setCentralWidget(rtfOutput);
    resize(480, 300);
    LimitHeightToScreen();
    BindHelpContext(*this, HelpContext);
    FormCreate();
}

// The window may grow down to the screen's foot below the main window.
void TFrmScriptOut::LimitHeightToScreen() {
    const QScreen* screen = this->screen();
    if (!screen) return;
    const int mainHeight = FrmMain ? FrmMain->height() : 0;
    setMaximumHeight(HeightBelowMainWindow(screen->geometry().height(), mainHeight, minimumHeight()));
}

void TFrmScriptOut::FormCreate() {
    setProperty("Tag", TagOutputWindow);
    rtfOutput->clear();
    output_.Clear();
}

void TFrmScriptOut::setVisible(bool visible) {
    if (visible && !isVisible()) LoadSaveSettings(0);
    QMainWindow::setVisible(visible);
}

void TFrmScriptOut::closeEvent(QCloseEvent* event) {
    LoadSaveSettings(1);
    ReportToolWindowClosed(*this);
    event->accept();
}

void TFrmScriptOut::LoadSaveSettings(int mode) {
    LoadSaveFormPlacement(*this, SettingsSection, mode, TBoundsRule::UnlessMinimized);
}

void TFrmScriptOut::AddLine(const std::string& text, bool newLine) {
    output_.AddLine(text, newLine);
    if (GlobalInfo().ExecutingScripts > 0)
        ShowLinesLater();
    else
        ShowPendingLines();
}

// A script prints far faster than a screen shows: the box takes the lines
// from the event loop, all those printed before it turns at once.
void TFrmScriptOut::ShowLinesLater() {
    if (std::exchange(showQueued_, true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            showQueued_ = false;
            ShowPendingLines();
        },
        Qt::QueuedConnection);
}

void TFrmScriptOut::ShowPendingLines() {
    if (!output_.ChangePending()) return;
    const TOutputText::TChange change = output_.TakeChange();
    rtfOutput->setUpdatesEnabled(false);
    if (change.Whole) {
        ShowWholeText();
    } else {
        RemoveFirstLines(change.DroppedLines);
        AppendPieces(change.Pieces);
    }
    rtfOutput->ensureCursorVisible();
    rtfOutput->setUpdatesEnabled(true);
}

void TFrmScriptOut::ShowWholeText() {
    QStringList lines;
    for (std::size_t line = 0; line < output_.LineCount(); ++line) lines << platform::ToQString(output_.Line(line));
    rtfOutput->setPlainText(lines.join(QLatin1Char('\n')));
    rtfOutput->moveCursor(QTextCursor::End);
}

void TFrmScriptOut::RemoveFirstLines(std::size_t count) {
    if (count == 0) return;
    QTextCursor cursor(rtfOutput->document());
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, static_cast<int>(count));
    cursor.removeSelectedText();
}

void TFrmScriptOut::AppendPieces(const std::vector<std::string>& pieces) {
    QTextCursor cursor(rtfOutput->document());
    cursor.movePosition(QTextCursor::End);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) cursor.insertBlock();
        cursor.insertText(platform::ToQString(pieces[i]));
    }
    rtfOutput->setTextCursor(cursor);
}

void TFrmScriptOut::BtnClearClick() {
    rtfOutput->clear();
    output_.Clear();
}

void TFrmScriptOut::ToolButton2Click() { CurrentTextPrinter().PrintText(this, "Script Output", output_.Text()); }
