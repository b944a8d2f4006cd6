// The help window over a manual (Helpmanual.h), the help requests it answers
// for WinHelpA, and the F1 key of the program's windows.
#pragma once

#include "platform/Helpmanual.h"
#include "platform/Shell.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;

namespace platform {

// The page beside three ways to find one: the contents tree, the index with
// its filter box, and a search of the pages' text.
class HelpViewer : public QWidget {
    Q_OBJECT

public:
    HelpViewer(std::shared_ptr<const HelpManual> manual, const QString& caption);

    void ShowContents();
    void ShowContext(unsigned context);
    // The page of the index entry named `word`; without one, the search for it.
    // An empty word shows the index.
    void ShowKeyword(const QString& word);
    void ShowSearch(const QString& words);
    void ShowTarget(const QUrl& target);
    QUrl CurrentTarget() const;

    QTabWidget* Tabs;
    QTreeWidget* ContentsTree;
    QLineEdit* IndexFilter;
    QListWidget* IndexList;
    QLineEdit* SearchBox;
    QListWidget* SearchHits;
    QTextBrowser* Page;
    QLabel* Status;

private:
    void BuildContents();
    void BuildIndex();
    void FilterIndex(const QString& text);
    void SelectIndexEntry(const QUrl& target);
    void HighlightWords(const QString& words);

    std::shared_ptr<const HelpManual> manual_;
};

// Answers the help requests of one help file from the manual in `folder`:
// one help window, made at the first request (the manual is read then) and
// brought to the front at each: HELP_CONTEXT shows the page of the context,
// HELP_KEY the keyword's entry, HELP_CONTENTS and HELP_FINDER the contents;
// HELP_QUIT closes the window. The window never keeps the program running.
std::function<bool(const HelpRequest&)> ManualHelpViewer(const QString& folder, const QString& caption);

// The help context of `widget`: its "helpContext" property, else that of its
// nearest ancestor in its window; the tab bar of a tab widget answers with
// its current page's. 0 when none has one.
unsigned HelpContextOf(const QWidget* widget);

// F1 anywhere in `window` opens `helpFile` at the help context of the widget
// that has the focus (of the window itself when the focus is elsewhere).
void BindF1Help(QWidget& window, const std::string& helpFile);

}  // namespace platform
