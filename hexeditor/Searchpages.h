// The "Search" and "Search Results" pages of a hex window and the hit
// stepper of its navigation group. They show a TSearchSession and hand the
// user's actions to it; the session owns every piece of state.
//
// A window implements TSearchHost, makes the pages once over its two empty
// pages and its navigation area (they are then children of the search page),
// fills them from the global defaults with Session().LoadDefaults(...), and
// sends scripts and the search in files to Session(). While
// Session().Scanning() it must not close, rebuild, reopen, save or edit its
// working copy; a close asked for meanwhile sets the stop flag and runs from
// the event loop once SearchRunning(false) has been called.
#pragma once

#include "Searchsession.h"

#include <QAbstractTableModel>
#include <QObject>
#include <QWidget>

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;

// One result list as a one-column grid; a list without rows shows one blank row.
class TResultListModel : public QAbstractTableModel {
public:
    TResultListModel(const TResultList& list, QObject* parent);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    void Reload();

private:
    const TResultList& list_;
};

// An up/down pair of arrow buttons, as beside a count or a list.
class TUpDown : public QWidget {
public:
    TUpDown(const char* name, const QString& hint, QWidget* parent);
    QToolButton* Up;
    QToolButton* Down;
};

class TSearchPages : public QObject {
public:
    // Fills the two empty pages (their tab widget is the window's) and puts
    // the hit stepper into the navigation area.
    TSearchPages(TSearchHost& host, QWidget* searchPage, QWidget* resultsPage, QBoxLayout* navigationArea);

    TSearchSession& Session() { return session_; }

    // Handlers, named as the page's buttons.
    void btnBeginSearchClick();
    void btnSearchCancelClick();

    // "Search" page.
    QWidget* tabSearch;
    QLineEdit* edtSearchValue;
    QGroupBox* optSearchType;
    QGroupBox* optNumberOptions;
    QGroupBox* GroupBox6;
    QCheckBox* chkBOF;
    QCheckBox* chkCase;
    QLineEdit* edtNumResults;
    TUpDown* updNumResults;
    QPushButton* btnBeginSearch;
    QPushButton* btnSearchCancel;
    // Navigation group.
    QLineEdit* edtSearchResult;
    QToolButton* btnFirstSearch;
    TUpDown* btnSearches;
    QToolButton* btnLastResult;
    // "Search Results" page.
    QWidget* tabResults;
    QToolButton* btnSaveResults;
    QToolButton* btnClearCurrent;
    QToolButton* btnMoveRight;
    QToolButton* btnDiffSearch;
    QToolButton* btnMatch;
    QToolButton* btnMergeResults;
    QToolButton* btnLoadPrevSearch;
    QToolButton* btnClearPrev;
    QLabel* lblSearchCount;
    QLabel* lblPrevFile;
    QTableView* lstResults;
    QTableView* lstPrevFile;

private:
    void BuildSearchPage();
    void BuildStepper(QBoxLayout* navigationArea);
    void BuildResultsPage();
    QTableView* ResultGrid(const char* name, TResultListModel* model, const TResultList& list);
    void ConnectEntries();
    void StepNumResults(int delta);
    void Show(unsigned changes);
    void ShowEntries();
    void ShowResults();
    void ShowStep();
    void ShowScanState();

    TSearchSession session_;
    QButtonGroup* searchTypes_;
    QButtonGroup* numberOptions_;
    TResultListModel* currentModel_;
    TResultListModel* previousModel_;
};
