#include "Searchfrm.h"

#include "Globalinfo.h"
#include "Hexeditfrm.h"
#include "Mainfrm.h"
#include "Mytcursor.h"
#include "Namedwidgets.h"
#include "Searchcriteria.h"
#include "Searchpages.h"

#include "platform/Files.h"
#include "platform/Helpviewer.h"
#include "platform/QtPath.h"

#include <QAbstractTableModel>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <exception>
#include <set>
#include <utility>

namespace {

// A listed file keeps its name's bytes beside the text it shows, which
// cannot hold every name.
QListWidgetItem* NameItem(const std::string& name)
{
    auto* item = new QListWidgetItem(platform::PathToQString(name));
    item->setData(Qt::UserRole, QByteArray::fromStdString(name));
    return item;
}

std::string ItemName(const QListWidgetItem& item)
{
    return item.data(Qt::UserRole).toByteArray().toStdString();
}

QToolButton* ListButton(const char* name, const char* text, const char* hint, QWidget* parent)
{
    auto* button = NamedToolButton(name, text, hint, parent);
    button->setMinimumWidth(36);
    return button;
}

QLabel* Title(const char* text, QWidget* parent)
{
    auto* title = new QLabel(text, parent);
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    return title;
}

QString EndStatus(const TFilesSearchReport& report)
{
    QString text = report.End == TFilesSearchEnd::Cancelled ? "Search Cancelled!" : "Search Completed!";
    const int unreadable = report.Skipped + report.Incomplete;
    if (unreadable > 0)
        text += QString(" %1 %2 could not be searched in full.").arg(unreadable).arg(unreadable == 1 ? "file" : "files");
    return text;
}

}  // namespace

// The result grid: "Filename" and "Position" over the hits of the search;
// a search without hits shows one blank row.
class TSearchFilesResultsModel : public QAbstractTableModel {
public:
    TSearchFilesResultsModel(const TSearchFilesResults& results, QObject* parent)
        : QAbstractTableModel(parent), results_(results)
    {
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : results_.RowCount();
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        return index.column() == 0 ? platform::PathToQString(results_.PathOfRow(index.row()))
                                   : QString::fromStdString(results_.PositionTextOfRow(index.row()));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == 0 ? "Filename" : "Position";
    }
    void Reload()
    {
        beginResetModel();
        endResetModel();
    }

private:
    const TSearchFilesResults& results_;
};

TFrmSearch::TFrmSearch(TFrmMain* owner)
    : QMainWindow(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                             Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      owner_(owner)
{
    setObjectName("FrmSearch");
    setProperty("Tag", TagSearchFilesWindow);
    setProperty("helpContext", SearchFilesHelpContext);
    platform::BindF1Help(*this, ProgramHelpFile());
    setWindowTitle("Search In Files");
    pagSearch = Named(new QTabWidget(this), "pagSearch");
    setCentralWidget(pagSearch);
    BuildSelectPage();
    BuildCriteriaPage();
    BuildResultsPage();
    stsMain = Named(new QLabel(this), "stsMain");
    statusBar()->addWidget(stsMain, 1);
    statusBar()->setSizeGripEnabled(true);

    Criteria->SetEntries(EntriesFromDefaults(GlobalSearchDefaults()));
    files_.Results.Reset();
    files_.Results.Label = "0 results";
    ShowResults();
    SetStatus("Ready!");
    pagSearch->setCurrentWidget(tabSelect);
    FillDrives();
    SetFolder(platform::GetCurrentDir());

    resize(920, 600);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

TFrmSearch::~TFrmSearch()
{
    if (FrmSearch == this)
        FrmSearch = nullptr;
}

void TFrmSearch::BuildSelectPage()
{
    tabSelect = new QWidget(pagSearch);
    tabSelect->setObjectName("tabSelect");
    pagSearch->addTab(tabSelect, " Select Files ");
    auto* page = new QHBoxLayout(tabSelect);

    auto* folderColumn = new QVBoxLayout;
    // The folder box shows the folder the tree and the file list show; a
    // folder typed into it and confirmed with Enter is taken when it exists.
    drvSelected = Named(new QComboBox(tabSelect), "drvSelected", "Change Drives");
    drvSelected->setEditable(true);
    drvSelected->setInsertPolicy(QComboBox::NoInsert);
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::Drives);
    folders_->setRootPath("/");
    dirSelected = Named(new QTreeView(tabSelect), "dirSelected", "Change Directory");
    dirSelected->setModel(folders_);
    dirSelected->setRootIndex(folders_->index("/"));
    for (int column = 1; column < folders_->columnCount(); ++column)
        dirSelected->hideColumn(column);
    dirSelected->setHeaderHidden(true);
    folderColumn->addWidget(drvSelected);
    folderColumn->addWidget(dirSelected, 1);
    page->addLayout(folderColumn, 3);

    auto* fileColumn = new QVBoxLayout;
    lblFolder = Named(new QLabel(tabSelect), "lblFolder");
    lblFolder->setWordWrap(true);
    auto* maskRow = new QHBoxLayout;
    auto* maskLabel = new QLabel("Files of type:", tabSelect);
    edtMask = Named(new QLineEdit("*", tabSelect), "edtMask", "Wildcards (* and ?); several separated by ;");
    maskLabel->setBuddy(edtMask);
    maskRow->addWidget(maskLabel);
    maskRow->addWidget(edtMask, 1);
    filSelected = Named(new QListWidget(tabSelect), "filSelected", "Use Buttons or Double Click");
    filSelected->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileColumn->addWidget(lblFolder);
    fileColumn->addLayout(maskRow);
    fileColumn->addWidget(filSelected, 1);
    page->addLayout(fileColumn, 3);

    auto* buttons = new QVBoxLayout;
    btnAddSelected = ListButton("btnAddSelected", ">", "Selected files", tabSelect);
    btnAddAll = ListButton("btnAddAll", ">>", "All files in directory", tabSelect);
    btnDelSelected = ListButton("btnDelSelected", "<", "Remove selected", tabSelect);
    btnClear = ListButton("btnClear", "<<", "Remove all from list", tabSelect);
    buttons->addStretch(1);
    for (QToolButton* button : {btnAddSelected, btnAddAll, btnDelSelected, btnClear})
        buttons->addWidget(button);
    buttons->addStretch(1);
    page->addLayout(buttons);

    auto* selectedColumn = new QVBoxLayout;
    lstSelected = Named(new QListWidget(tabSelect), "lstSelected", "Use Buttons or Double Click");
    lstSelected->setSelectionMode(QAbstractItemView::ExtendedSelection);
    selectedColumn->addWidget(Title("Selected Files", tabSelect));
    selectedColumn->addWidget(lstSelected, 1);
    page->addLayout(selectedColumn, 4);

    connect(drvSelected, &QComboBox::activated, this,
            [this](int index) { SetFolder(platform::PathFromQString(drvSelected->itemData(index).toString())); });
    connect(drvSelected->lineEdit(), &QLineEdit::returnPressed, this, &TFrmSearch::drvSelectedTyped);
    connect(dirSelected, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { SetFolder(platform::PathFromQString(folders_->filePath(index))); });
    connect(dirSelected, &QTreeView::activated, this,
            [this](const QModelIndex& index) { SetFolder(platform::PathFromQString(folders_->filePath(index))); });
    // The folder model reads folders in the background: the current folder
    // is shown once its parent has been read.
    connect(folders_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (QFileInfo(platform::PathToQString(folder_)).absolutePath() == loaded)
            ShowFolderInTree();
    });
    connect(edtMask, &QLineEdit::editingFinished, this, &TFrmSearch::ListFolder);
    connect(btnAddSelected, &QToolButton::clicked, this, &TFrmSearch::btnAddSelectedClick);
    connect(filSelected, &QListWidget::itemDoubleClicked, this, &TFrmSearch::btnAddSelectedClick);
    connect(btnAddAll, &QToolButton::clicked, this, &TFrmSearch::btnAddAllClick);
    connect(btnDelSelected, &QToolButton::clicked, this, &TFrmSearch::btnDelSelectedClick);
    connect(lstSelected, &QListWidget::itemDoubleClicked, this, &TFrmSearch::btnDelSelectedClick);
    connect(btnClear, &QToolButton::clicked, this, &TFrmSearch::btnClearClick);
}

void TFrmSearch::BuildCriteriaPage()
{
    TabSheet2 = new QWidget(pagSearch);
    TabSheet2->setObjectName("TabSheet2");
    pagSearch->addTab(TabSheet2, " Search Criteria ");
    auto* page = new QHBoxLayout(TabSheet2);
    Criteria = new TSearchCriteriaPanel(TabSheet2);
    // Every file is searched from its beginning.
    Criteria->chkBOF->hide();
    page->addWidget(Criteria);
    page->addStretch(1);
    connect(Criteria->btnBeginSearch, &QPushButton::clicked, this, &TFrmSearch::btnBeginSearchClick);
    connect(Criteria->edtSearchValue, &QLineEdit::returnPressed, this, &TFrmSearch::btnBeginSearchClick);
    connect(Criteria->btnSearchCancel, &QPushButton::clicked, this, &TFrmSearch::btnSearchCancelClick);
}

void TFrmSearch::BuildResultsPage()
{
    tabResults = new QWidget(pagSearch);
    tabResults->setObjectName("tabResults");
    pagSearch->addTab(tabResults, " Search Results ");
    auto* page = new QVBoxLayout(tabResults);
    lblSearchCount = Named(new QLabel(tabResults), "lblSearchCount");
    page->addWidget(lblSearchCount);

    auto* splitter = new QSplitter(Qt::Vertical, tabResults);
    Panel19 = new QWidget(splitter);
    Panel19->setObjectName("Panel19");
    auto* gridPanel = new QVBoxLayout(Panel19);
    gridPanel->setContentsMargins(0, 0, 0, 0);
    resultsModel_ = new TSearchFilesResultsModel(files_.Results, this);
    lstResults = Named(new QTableView(Panel19), "lstResults");
    lstResults->setModel(resultsModel_);
    lstResults->verticalHeader()->hide();
    lstResults->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lstResults->verticalHeader()->setDefaultSectionSize(lstResults->fontMetrics().height() + 4);
    lstResults->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lstResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstResults->setSelectionMode(QAbstractItemView::SingleSelection);
    lstResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstResults->setWordWrap(false);
    // The file column takes what the position column leaves, so the grid is
    // never wider than its view and a click never scrolls the file names away.
    lstResults->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    lstResults->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    gridPanel->addWidget(lstResults);
    Panel19->installEventFilter(this);

    auto* foundPanel = new QWidget(splitter);
    auto* foundLayout = new QVBoxLayout(foundPanel);
    foundLayout->setContentsMargins(0, 0, 0, 0);
    lstFound = Named(new QListWidget(foundPanel), "lstFound");
    foundLayout->addWidget(Title("Found matches in these files.", foundPanel));
    foundLayout->addWidget(lstFound, 1);
    splitter->addWidget(Panel19);
    splitter->addWidget(foundPanel);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    page->addWidget(splitter, 1);

    connect(lstResults, &QTableView::doubleClicked, this, &TFrmSearch::lstResultsDblClick);
    connect(lstFound, &QListWidget::itemDoubleClicked, this, &TFrmSearch::lstFoundDblClick);
}

void TFrmSearch::FillDrives()
{
    std::set<QString> roots{"/"};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && !volume.isReadOnly())
            roots.insert(volume.rootPath());
    const QString home = QDir::homePath();
    drvSelected->addItem(home, home);
    for (const QString& root : roots)
        drvSelected->addItem(root, root);
}

void TFrmSearch::SetFolder(const std::string& folder)
{
    folder_ = folder;
    const QString path = platform::PathToQString(folder);
    lblFolder->setText(path);
    drvSelected->setEditText(path);
    ShowFolderInTree();
    ListFolder();
}

void TFrmSearch::drvSelectedTyped()
{
    const QString typed = drvSelected->currentText().trimmed();
    const std::string path =
        typed.isEmpty() ? std::string()
                        : platform::PathFromQString(QDir::cleanPath(QFileInfo(typed).absoluteFilePath()));
    if (path.empty() || !platform::DirectoryExists(path)) {
        SetStatus("\"" + typed + "\" is not a folder.");
        drvSelected->setEditText(platform::PathToQString(folder_));
        return;
    }
    if (path != folder_)
        SetFolder(path);
}

void TFrmSearch::ShowFolderInTree()
{
    const QModelIndex index = folders_->index(platform::PathToQString(folder_));
    if (!index.isValid())
        return;
    dirSelected->setCurrentIndex(index);
    dirSelected->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TFrmSearch::ListFolder()
{
    filSelected->clear();
    for (const std::string& name : ListFolderFiles(folder_, platform::PathFromQString(edtMask->text())))
        filSelected->addItem(NameItem(name));
}

void TFrmSearch::ShowSelected()
{
    lstSelected->clear();
    for (const std::string& path : selected_.Paths())
        lstSelected->addItem(NameItem(path));
}

void TFrmSearch::btnAddSelectedClick()
{
    std::vector<std::string> names;
    for (int row = 0; row < filSelected->count(); ++row)
        if (filSelected->item(row)->isSelected())
            names.push_back(ItemName(*filSelected->item(row)));
    selected_.AddFromFolder(folder_, names);
    ShowSelected();
}

void TFrmSearch::btnAddAllClick()
{
    std::vector<std::string> names;
    for (int row = 0; row < filSelected->count(); ++row)
        names.push_back(ItemName(*filSelected->item(row)));
    selected_.AddFromFolder(folder_, names);
    ShowSelected();
}

void TFrmSearch::btnDelSelectedClick()
{
    std::vector<int> rows;
    for (int row = 0; row < lstSelected->count(); ++row)
        if (lstSelected->item(row)->isSelected())
            rows.push_back(row);
    selected_.Remove(rows);
    ShowSelected();
}

void TFrmSearch::btnClearClick()
{
    selected_.Clear();
    ShowSelected();
}

void TFrmSearch::SetSearchControlsEnabled(bool enabled)
{
    pagSearch->setTabEnabled(pagSearch->indexOf(tabResults), enabled);
    pagSearch->setTabEnabled(pagSearch->indexOf(tabSelect), enabled);
    for (QWidget* widget : {static_cast<QWidget*>(Criteria->optSearchType),
                            static_cast<QWidget*>(Criteria->optNumberOptions),
                            static_cast<QWidget*>(Criteria->btnBeginSearch), static_cast<QWidget*>(Criteria->GroupBox6),
                            static_cast<QWidget*>(Criteria->edtSearchValue)})
        widget->setEnabled(enabled);
}

namespace {

// Disables the search controls for the length of a search, however it ends.
class TSearchControlsOff {
public:
    explicit TSearchControlsOff(std::function<void(bool)> enable) : enable_(std::move(enable)) { enable_(false); }
    ~TSearchControlsOff() { enable_(true); }
    TSearchControlsOff(const TSearchControlsOff&) = delete;
    TSearchControlsOff& operator=(const TSearchControlsOff&) = delete;

private:
    std::function<void(bool)> enable_;
};

}  // namespace

void TFrmSearch::btnBeginSearchClick()
{
    if (files_.Searching())
        return;
    {
        MyTCursor hourglass;
        const TSearchControlsOff controlsOff([this](bool enabled) { SetSearchControlsEnabled(enabled); });
        TFilesSearchProgress progress;
        progress.FileStarted = [this](const std::string& path) {
            SetStatus("Searching " + platform::PathToQString(path));
        };
        progress.PumpMessages = [] { QCoreApplication::processEvents(); };
        try {
            const TFilesSearchReport report = files_.Search(Criteria->Entries(), selected_.Paths(), progress);
            ShowPrepareRefusal(report.Prepared, Criteria->Entries());
            ShowResults();
            pagSearch->setCurrentWidget(tabResults);
            SetStatus(EndStatus(report));
        } catch (const std::exception& failure) {
            ShowResults();
            SetStatus(QString("Search failed: ") + failure.what());
        }
    }
    if (afterSearch_) {
        // From the event loop, once this handler has returned.
        QMetaObject::invokeMethod(this, std::exchange(afterSearch_, nullptr), Qt::QueuedConnection);
    }
}

void TFrmSearch::btnSearchCancelClick()
{
    files_.Cancel();
}

void TFrmSearch::StopSearchThen(std::function<void()> after)
{
    if (!files_.Searching()) {
        QMetaObject::invokeMethod(this, std::move(after), Qt::QueuedConnection);
        return;
    }
    afterSearch_ = std::move(after);
    files_.Cancel();
}

void TFrmSearch::ShowResults()
{
    resultsModel_->Reload();
    Panel19Resize();
    lblSearchCount->setText(QString::fromStdString(files_.Results.Label));
    lstFound->clear();
    for (const std::string& path : files_.Results.Found)
        lstFound->addItem(platform::PathToQString(path));
}

void TFrmSearch::Panel19Resize()
{
    lstResults->setColumnWidth(1, static_cast<int>(Panel19->width() * 0.24));
}

bool TFrmSearch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel19 && event->type() == QEvent::Resize)
        Panel19Resize();
    return QMainWindow::eventFilter(watched, event);
}

void TFrmSearch::SetStatus(const QString& text)
{
    stsMain->setText(text);
}

QString TFrmSearch::StatusText() const
{
    return stsMain->text();
}

void TFrmSearch::OpenResultInChannel(TFrmHexEdit* window)
{
    const QModelIndex selected = lstResults->currentIndex();
    if (window == nullptr || !selected.isValid())
        return;
    const std::optional<THitGroup> group = files_.Results.GroupOfRow(selected.row());
    // Only the hits of the file the window edits go to it.
    if (!group || group->Path != window->DataPath())
        return;
    if (!HandOverHits(*group, Criteria->Entries(), window->SearchPages->Session()))
        SetStatus(QString("Channel %1 is searching; its results stay as they are.").arg(window->Channel()));
}

void TFrmSearch::OpenRowInChannel(int row)
{
    const std::string path = files_.Results.PathOfRow(row);
    if (path.empty() || owner_ == nullptr)
        return;
    std::int32_t channel = owner_->FindChannelOfFile(path);
    if (channel < 0) {
        if (!owner_->OpenInFreeChannel(path))
            return;
        channel = owner_->FindChannelOfFile(path);
    }
    TFrmHexEdit* window = owner_->ChannelWindow(channel);
    if (window == nullptr)
        return;
    OpenResultInChannel(window);
    window->show();
    window->raise();
    window->activateWindow();
}

void TFrmSearch::lstResultsDblClick()
{
    OpenRowInChannel(lstResults->currentIndex().row());
}

void TFrmSearch::lstFoundDblClick()
{
    const QListWidgetItem* item = lstFound->currentItem();
    if (item == nullptr)
        return;
    const int row = files_.Results.FirstRowOf(files_.Results.Found[static_cast<std::size_t>(lstFound->row(item))]);
    if (row < 0)
        return;
    lstResults->setCurrentIndex(resultsModel_->index(row, 0));
    lstResults->scrollTo(resultsModel_->index(row, 0));
    OpenRowInChannel(row);
}

void TFrmSearch::closeEvent(QCloseEvent* event)
{
    // The window is kept with its lists and results; a search it runs stops.
    files_.Cancel();
    event->accept();
}
