#include "Searchpages.h"

#include "Globalinfo.h"
#include "Mytcursor.h"
#include "Namedwidgets.h"
#include "Toolicons.h"

#include "platform/QtText.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QToolButton>

#include <utility>

namespace {

QString Q(const std::string& text)
{
    return platform::ToQString(text);
}

}  // namespace

TResultListModel::TResultListModel(const TResultList& list, QObject* parent) : QAbstractTableModel(parent), list_(list)
{
}

int TResultListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.RowCount();
}

int TResultListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant TResultListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return Q(list_.Row(index.row()).Text);
}

void TResultListModel::Reload()
{
    beginResetModel();
    endResetModel();
}

TSearchPages::TSearchPages(TSearchHost& host, QWidget* searchPage, QWidget* resultsPage, QBoxLayout* navigationArea)
    : QObject(searchPage), tabSearch(searchPage), tabResults(resultsPage), session_(host)
{
    BuildSearchPage();
    BuildStepper(navigationArea);
    BuildResultsPage();
    session_.OnChanged = [this](unsigned changes) { Show(changes); };
    Show(TSearchSession::EntriesChanged | TSearchSession::ResultsChanged | TSearchSession::StepChanged |
         TSearchSession::ScanChanged);
}

void TSearchPages::BuildSearchPage()
{
    tabSearch->setToolTip("Search options");
    tabSearch->setProperty("helpContext", SearchPageHelpContext);
    auto* page = new QVBoxLayout(tabSearch);
    page->setContentsMargins(0, 0, 0, 0);
    Criteria = new TSearchCriteriaPanel(tabSearch);
    page->addWidget(Criteria);
    tabSearch->setFocusProxy(Criteria);
    static_cast<TSearchCriteriaControls&>(*this) = *Criteria;
    Criteria->WriteEditsTo(session_.Entries, this);

    connect(btnBeginSearch, &QPushButton::clicked, this, &TSearchPages::btnBeginSearchClick);
    connect(btnSearchCancel, &QPushButton::clicked, this, &TSearchPages::btnSearchCancelClick);
    connect(edtSearchValue, &QLineEdit::returnPressed, this, &TSearchPages::btnBeginSearchClick);
}

void TSearchPages::BuildStepper(QBoxLayout* navigationArea)
{
    QWidget* parent = navigationArea->parentWidget();
    navigationArea->addWidget(new QLabel("Search:", parent));
    edtSearchResult = Named(new QLineEdit(parent), "edtSearchResult");
    edtSearchResult->setReadOnly(true);
    btnFirstSearch = NamedToolButton("btnFirstSearch", "|<", "First search result", parent);
    btnFirstSearch->setIcon(ToolIcon(TToolIcon::First));
    btnSearches = new TUpDown("btnSearches", "Step through search results", parent);
    btnLastResult = NamedToolButton("btnLastResult", ">|", "Last search result", parent);
    btnLastResult->setIcon(ToolIcon(TToolIcon::Last));
    for (QWidget* widget : {static_cast<QWidget*>(edtSearchResult), static_cast<QWidget*>(btnFirstSearch),
                            static_cast<QWidget*>(btnSearches), static_cast<QWidget*>(btnLastResult)})
        navigationArea->addWidget(widget);

    connect(btnFirstSearch, &QToolButton::clicked, this, [this] { session_.StepFirst(); });
    connect(btnLastResult, &QToolButton::clicked, this, [this] { session_.StepLast(); });
    // The upper arrow steps towards the start of the file, the lower towards its end.
    connect(btnSearches->Up, &QToolButton::clicked, this, [this] { session_.StepUp(); });
    connect(btnSearches->Down, &QToolButton::clicked, this, [this] { session_.StepDown(); });
}

QTableView* TSearchPages::ResultGrid(const char* name, TResultListModel* model, const TResultList& list)
{
    auto* grid = Named(new QTableView(tabResults), name);
    grid->setModel(model);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    // The one column fills the panel, whatever its width.
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 4);
    grid->setShowGrid(true);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(grid, &QTableView::doubleClicked, this, [this, grid, &list] {
        session_.GoToRow(list, grid->currentIndex().row());
    });
    // Enter goes to the selected hit as a double-click does.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), grid, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this, grid, &list] {
            if (!grid->currentIndex().isValid() || list.IsEmpty())
                return;
            session_.GoToRow(list, grid->currentIndex().row());
            if (OnHitEntered)
                OnHitEntered();
        });
    }
    return grid;
}

void TSearchPages::BuildResultsPage()
{
    tabResults->setToolTip("View Search Results");
    tabResults->setProperty("helpContext", ResultsPageHelpContext);
    auto* page = new QVBoxLayout(tabResults);

    // Packed as a tool bar's buttons, so the captions that name their list
    // leave the window its designed width.
    auto* toolBar = new QHBoxLayout;
    toolBar->setSpacing(1);
    toolBar->addStretch(1);
    btnSaveResults = NamedToolButton("btnSaveResults", "Save", "Save current search results", tabResults);
    btnClearCurrent = NamedToolButton("btnClearCurrent", "Clear Current", "Clear current search results", tabResults);
    btnMoveRight = NamedToolButton("btnMoveRight", "->", "Move current results to right side", tabResults);
    btnDiffSearch = NamedToolButton("btnDiffSearch", "Diff", "Diff current and previous results", tabResults);
    btnMatch = NamedToolButton("btnMatch", "Match", "Match current and previous search results", tabResults);
    btnMergeResults = NamedToolButton("btnMergeResults", "Merge", "Merge current and previous results", tabResults);
    btnLoadPrevSearch = NamedToolButton("btnLoadPrevSearch", "Open", "Open a previous result file", tabResults);
    btnClearPrev = NamedToolButton("btnClearPrev", "Clear Loaded", "Clear loaded results", tabResults);
    for (QToolButton* button : {btnSaveResults, btnClearCurrent, btnMoveRight, btnDiffSearch, btnMatch,
                                btnMergeResults, btnLoadPrevSearch, btnClearPrev})
        toolBar->addWidget(button);
    toolBar->addStretch(1);
    page->addLayout(toolBar);

    currentModel_ = new TResultListModel(session_.Lists.Current, this);
    previousModel_ = new TResultListModel(session_.Lists.Previous, this);
    lstResults = ResultGrid("lstResults", currentModel_, session_.Lists.Current);
    lstPrevFile = ResultGrid("lstPrevFile", previousModel_, session_.Lists.Previous);
    lblSearchCount = Named(new QLabel(tabResults), "lblSearchCount");
    lblPrevFile = Named(new QLabel(tabResults), "lblPrevFile");
    tabResults->setFocusProxy(lstResults);

    auto* lists = new QHBoxLayout;
    const auto panel = [&](const char* name, const char* title, QLabel* label, QTableView* grid) {
        auto* column = new QVBoxLayout;
        column->setObjectName(name);
        auto* heading = new QHBoxLayout;
        heading->addWidget(new QLabel(title, tabResults));
        heading->addStretch(1);
        heading->addWidget(label);
        column->addLayout(heading);
        column->addWidget(grid, 1);
        lists->addLayout(column, 1);
    };
    panel("Panel18", "Current", lblSearchCount, lstResults);
    panel("Panel19", "Previous", lblPrevFile, lstPrevFile);
    page->addLayout(lists, 1);

    const auto busy = [this](void (TSearchSession::*operation)()) {
        return [this, operation] {
            MyTCursor hourglass;
            (session_.*operation)();
        };
    };
    connect(btnDiffSearch, &QToolButton::clicked, this, busy(&TSearchSession::Diff));
    connect(btnMatch, &QToolButton::clicked, this, busy(&TSearchSession::Match));
    connect(btnMergeResults, &QToolButton::clicked, this, busy(&TSearchSession::Merge));
    connect(btnMoveRight, &QToolButton::clicked, this, busy(&TSearchSession::MoveRight));
    connect(btnSaveResults, &QToolButton::clicked, this, busy(&TSearchSession::SaveResultsWithDialog));
    connect(btnLoadPrevSearch, &QToolButton::clicked, this, busy(&TSearchSession::LoadResultsWithDialog));
    connect(btnClearCurrent, &QToolButton::clicked, this, [this] { session_.ClearCurrent(); });
    connect(btnClearPrev, &QToolButton::clicked, this, [this] { session_.ClearPrevious(); });
}

void TSearchPages::btnBeginSearchClick()
{
    MyTCursor hourglass;
    // The keys go on in the list of hits, at its first one.
    if (session_.BeginSearch() != TSearchOutcome::Refused && lstResults->isVisible() &&
        !session_.Lists.Current.IsEmpty()) {
        lstResults->setFocus(Qt::OtherFocusReason);
        lstResults->setCurrentIndex(lstResults->model()->index(0, 0));
    }
}

void TSearchPages::btnSearchCancelClick()
{
    session_.CancelSearch();
}

void TSearchPages::Show(unsigned changes)
{
    if (changes & TSearchSession::EntriesChanged)
        Criteria->SetEntries(session_.Entries);
    if (changes & TSearchSession::ResultsChanged)
        ShowResults();
    if (changes & TSearchSession::ResultsChanged)
        ShowStep();
    else if ((changes & TSearchSession::StepChanged) && StepsFollow && StepsFollow())
        ShowStepLater();
    else if (changes & TSearchSession::StepChanged)
        ShowStep();
    if (changes & TSearchSession::ScanChanged)
        ShowScanState();
}

void TSearchPages::ShowResults()
{
    currentModel_->Reload();
    previousModel_->Reload();
    lblSearchCount->setText(Q(session_.Lists.CurrentLabel));
    lblPrevFile->setText(Q(session_.Lists.PreviousLabel));
}

// A script steps through thousands of hits in the time a screen shows one.
void TSearchPages::ShowStepLater()
{
    if (std::exchange(stepPending_, true))
        return;
    QMetaObject::invokeMethod(this, &TSearchPages::ShowPendingStep, Qt::QueuedConnection);
}

void TSearchPages::ShowPendingStep()
{
    if (stepPending_)
        ShowStep();
}

void TSearchPages::ShowStep()
{
    stepPending_ = false;
    edtSearchResult->setText(Q(session_.ResultField));
    const QModelIndex row = currentModel_->index(session_.Selection, 0);
    if (row.isValid()) {
        lstResults->setCurrentIndex(row);
        lstResults->scrollTo(row);
    }
}

void TSearchPages::ShowScanState()
{
    const bool idle = !session_.Scanning();
    for (QWidget* widget : {static_cast<QWidget*>(tabResults), static_cast<QWidget*>(optSearchType),
                            static_cast<QWidget*>(optNumberOptions), static_cast<QWidget*>(btnBeginSearch),
                            static_cast<QWidget*>(GroupBox6)})
        widget->setEnabled(idle);
}
