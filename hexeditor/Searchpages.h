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

#include "Searchcriteria.h"
#include "Searchsession.h"

#include <QAbstractTableModel>
#include <QObject>
#include <QWidget>

#include <functional>

class QBoxLayout;
class QLabel;
class QLineEdit;
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

// The criteria controls of the "Search" page are those of its criteria panel.
class TSearchPages : public QObject, public TSearchCriteriaControls {
public:
    // Fills the two empty pages (their tab widget is the window's) and puts
    // the hit stepper into the navigation area.
    TSearchPages(TSearchHost& host, QWidget* searchPage, QWidget* resultsPage, QBoxLayout* navigationArea);

    TSearchSession& Session() { return session_; }

    // While it answers true (a script runs), a step through the hits shows
    // in the result field and the grid once before they are next painted,
    // not at every step; ShowPendingStep shows it at once.
    std::function<bool()> StepsFollow;
    void ShowPendingStep();

    // Enter on a hit of either list went to it; the window then offers the
    // value there for editing.
    std::function<void()> OnHitEntered;

    // Handlers, named as the page's buttons.
    void btnBeginSearchClick();
    void btnSearchCancelClick();

    // "Search" page.
    QWidget* tabSearch;
    TSearchCriteriaPanel* Criteria;
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
    void Show(unsigned changes);
    void ShowResults();
    void ShowStep();
    void ShowStepLater();
    void ShowScanState();

    TSearchSession session_;
    bool stepPending_ = false;
    TResultListModel* currentModel_;
    TResultListModel* previousModel_;
};
