#include "Searchpages.h"

#include "Mytcursor.h"

#include "platform/QtText.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QToolButton>

namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* name, const char* hint = nullptr)
{
    widget->setObjectName(name);
    if (hint != nullptr)
        widget->setToolTip(hint);
    return widget;
}

QToolButton* ToolButton(const char* name, const QString& text, const char* hint, QWidget* parent)
{
    auto* button = Named(new QToolButton(parent), name, hint);
    button->setText(text);
    return button;
}

QString Q(const std::string& text)
{
    return platform::ToQString(text);
}

std::string S(const QString& text)
{
    return platform::FromQString(text);
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

TUpDown::TUpDown(const char* name, const QString& hint, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setToolTip(hint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Up = new QToolButton(this);
    Up->setArrowType(Qt::UpArrow);
    Down = new QToolButton(this);
    Down->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {Up, Down}) {
        arrow->setToolTip(hint);
        arrow->setFixedSize(18, 11);
        layout->addWidget(arrow);
    }
}

TSearchPages::TSearchPages(TSearchHost& host, QWidget* searchPage, QWidget* resultsPage, QBoxLayout* navigationArea)
    : QObject(searchPage), tabSearch(searchPage), tabResults(resultsPage), session_(host)
{
    BuildSearchPage();
    BuildStepper(navigationArea);
    BuildResultsPage();
    ConnectEntries();
    session_.OnChanged = [this](unsigned changes) { Show(changes); };
    Show(TSearchSession::EntriesChanged | TSearchSession::ResultsChanged | TSearchSession::StepChanged |
         TSearchSession::ScanChanged);
}

void TSearchPages::BuildSearchPage()
{
    tabSearch->setToolTip("Search options");
    tabSearch->setProperty("helpContext", 1330);
    auto* page = new QVBoxLayout(tabSearch);

    auto* valueRow = new QHBoxLayout;
    auto* valueLabel = new QLabel("Search Value:", tabSearch);
    edtSearchValue = Named(new QLineEdit(tabSearch), "edtSearchValue");
    valueLabel->setBuddy(edtSearchValue);
    valueRow->addWidget(valueLabel);
    valueRow->addWidget(edtSearchValue, 1);
    page->addLayout(valueRow);
    tabSearch->setFocusProxy(edtSearchValue);

    optSearchType = Named(new QGroupBox(" Search Type ", tabSearch), "optSearchType");
    auto* types = new QVBoxLayout(optSearchType);
    searchTypes_ = new QButtonGroup(this);
    const char* const typeItems[] = {
        "String Search (Searches for ASCIIZ and ANSI strings)",
        "Single Character (8 bit ASCII Value) Search",
        "WORD (16 bit integer) Search",
        "DWORD (32 bit integer) Search",
        "QWORD (64 bit integer) Search",
    };
    for (int i = 0; i < 5; ++i) {
        auto* item = new QRadioButton(typeItems[i], optSearchType);
        searchTypes_->addButton(item, i);
        types->addWidget(item);
    }
    page->addWidget(optSearchType);

    optNumberOptions = Named(new QGroupBox(" Numeric Options ", tabSearch), "optNumberOptions");
    auto* numbers = new QGridLayout(optNumberOptions);
    numberOptions_ = new QButtonGroup(this);
    const char* const numberItems[] = {"Entry is Decimal", "Entry is Hex"};
    for (int i = 0; i < 2; ++i) {
        auto* item = new QRadioButton(numberItems[i], optNumberOptions);
        numberOptions_->addButton(item, i);
        numbers->addWidget(item, 0, i);
    }
    page->addWidget(optNumberOptions);

    GroupBox6 = Named(new QGroupBox(" Other Options ", tabSearch), "GroupBox6");
    auto* other = new QGridLayout(GroupBox6);
    chkBOF = Named(new QCheckBox("Start search at beginning of file", GroupBox6), "chkBOF");
    chkCase = Named(new QCheckBox("Case sensitive search (only applies to string searches)", GroupBox6), "chkCase");
    other->addWidget(chkBOF, 0, 0, 1, 3);
    other->addWidget(chkCase, 1, 0, 1, 3);
    other->addWidget(new QLabel("Results to return (0 == all):", GroupBox6), 2, 0);
    edtNumResults = Named(new QLineEdit("0", GroupBox6), "edtNumResults");
    updNumResults = new TUpDown("updNumResults", QString(), GroupBox6);
    other->addWidget(edtNumResults, 2, 1);
    other->addWidget(updNumResults, 2, 2);
    page->addWidget(GroupBox6);

    auto* buttons = new QHBoxLayout;
    btnBeginSearch = Named(new QPushButton("OK", tabSearch), "btnBeginSearch", "Begin Search!");
    btnBeginSearch->setDefault(true);
    btnSearchCancel = Named(new QPushButton("Cancel", tabSearch), "btnSearchCancel", "Cancel search in progress");
    buttons->addStretch(1);
    buttons->addWidget(btnBeginSearch);
    buttons->addWidget(btnSearchCancel);
    page->addLayout(buttons);
    page->addStretch(1);

    connect(btnBeginSearch, &QPushButton::clicked, this, &TSearchPages::btnBeginSearchClick);
    connect(btnSearchCancel, &QPushButton::clicked, this, &TSearchPages::btnSearchCancelClick);
    connect(edtSearchValue, &QLineEdit::returnPressed, this, &TSearchPages::btnBeginSearchClick);
    connect(updNumResults->Up, &QToolButton::clicked, this, [this] { StepNumResults(+10); });
    connect(updNumResults->Down, &QToolButton::clicked, this, [this] { StepNumResults(-10); });
}

void TSearchPages::BuildStepper(QBoxLayout* navigationArea)
{
    QWidget* parent = navigationArea->parentWidget();
    navigationArea->addWidget(new QLabel("Search:", parent));
    edtSearchResult = Named(new QLineEdit(parent), "edtSearchResult");
    edtSearchResult->setReadOnly(true);
    btnFirstSearch = ToolButton("btnFirstSearch", "|<", "First search result", parent);
    btnSearches = new TUpDown("btnSearches", "Step through search results", parent);
    btnLastResult = ToolButton("btnLastResult", ">|", "Last search result", parent);
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
    return grid;
}

void TSearchPages::BuildResultsPage()
{
    tabResults->setToolTip("View Search Results");
    tabResults->setProperty("helpContext", 1340);
    auto* page = new QVBoxLayout(tabResults);

    auto* toolBar = new QHBoxLayout;
    toolBar->addStretch(1);
    btnSaveResults = ToolButton("btnSaveResults", "Save", "Save current search results", tabResults);
    btnClearCurrent = ToolButton("btnClearCurrent", "Clear", "Clear current search results", tabResults);
    btnMoveRight = ToolButton("btnMoveRight", "->", "Move current results to right side", tabResults);
    btnDiffSearch = ToolButton("btnDiffSearch", "Diff", "Diff current and previous results", tabResults);
    btnMatch = ToolButton("btnMatch", "Match", "Match current and previous search results", tabResults);
    btnMergeResults = ToolButton("btnMergeResults", "Merge", "Merge current and previous results", tabResults);
    btnLoadPrevSearch = ToolButton("btnLoadPrevSearch", "Open", "Open a previous result file", tabResults);
    btnClearPrev = ToolButton("btnClearPrev", "Clear", "Clear loaded results", tabResults);
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

void TSearchPages::ConnectEntries()
{
    TSearchPageEntries& entries = session_.Entries;
    connect(edtSearchValue, &QLineEdit::textChanged, this,
            [&entries](const QString& text) { entries.Value = S(text); });
    connect(edtNumResults, &QLineEdit::textChanged, this,
            [&entries](const QString& text) { entries.NumResults = S(text); });
    connect(searchTypes_, &QButtonGroup::idToggled, this, [&entries](int id, bool checked) {
        if (checked)
            entries.SearchType = id;
    });
    connect(numberOptions_, &QButtonGroup::idToggled, this, [&entries](int id, bool checked) {
        if (checked)
            entries.HexEntry = id == 1;
    });
    connect(chkBOF, &QCheckBox::toggled, this, [&entries](bool checked) { entries.StartAtBeginning = checked; });
    connect(chkCase, &QCheckBox::toggled, this, [&entries](bool checked) { entries.CaseSensitive = checked; });
}

void TSearchPages::StepNumResults(int delta)
{
    const std::int64_t value = std::max(0, ReadLeadingInt32(session_.Entries.NumResults));
    session_.Entries.NumResults = std::to_string(std::max<std::int64_t>(0, value + delta));
    session_.EntriesEdited();
}

void TSearchPages::btnBeginSearchClick()
{
    MyTCursor hourglass;
    session_.BeginSearch();
}

void TSearchPages::btnSearchCancelClick()
{
    session_.CancelSearch();
}

void TSearchPages::Show(unsigned changes)
{
    if (changes & TSearchSession::EntriesChanged)
        ShowEntries();
    if (changes & TSearchSession::ResultsChanged)
        ShowResults();
    if (changes & (TSearchSession::ResultsChanged | TSearchSession::StepChanged))
        ShowStep();
    if (changes & TSearchSession::ScanChanged)
        ShowScanState();
}

namespace {

// Checks the button of `id` in the group, or none for an id it lacks.
void SelectItem(QButtonGroup* group, int id)
{
    QAbstractButton* item = group->button(id);
    if (item != nullptr) {
        item->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

}  // namespace

void TSearchPages::ShowEntries()
{
    const TSearchPageEntries entries = session_.Entries;
    const QSignalBlocker blockTypes(searchTypes_);
    const QSignalBlocker blockNumbers(numberOptions_);
    const QSignalBlocker blockValue(edtSearchValue);
    const QSignalBlocker blockCount(edtNumResults);
    const QSignalBlocker blockBof(chkBOF);
    const QSignalBlocker blockCase(chkCase);
    if (S(edtSearchValue->text()) != entries.Value)
        edtSearchValue->setText(Q(entries.Value));
    if (S(edtNumResults->text()) != entries.NumResults)
        edtNumResults->setText(Q(entries.NumResults));
    SelectItem(searchTypes_, entries.SearchType);
    SelectItem(numberOptions_, entries.HexEntry ? 1 : 0);
    chkBOF->setChecked(entries.StartAtBeginning);
    chkCase->setChecked(entries.CaseSensitive);
}

void TSearchPages::ShowResults()
{
    currentModel_->Reload();
    previousModel_->Reload();
    lblSearchCount->setText(Q(session_.Lists.CurrentLabel));
    lblPrevFile->setText(Q(session_.Lists.PreviousLabel));
}

void TSearchPages::ShowStep()
{
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
