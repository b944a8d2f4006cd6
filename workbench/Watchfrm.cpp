#include "Watchfrm.h"

#include "Addwatchfrm.h"
#include "Globalinfo.h"
#include "Mainfrm.h"
#include "Toolwindow.h"

#include "platform/QtText.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QResizeEvent>
#include <QTableWidget>

namespace {

constexpr const char* SettingsSection = "WATCH_FORM";

}  // namespace

TFrmWatches::TFrmWatches(QWidget* owner) : QMainWindow(owner, Qt::Window) {
    setWindowTitle("Watch Window");
    grdWatch = new QTableWidget(this);
    grdWatch->setObjectName("grdWatch");
    grdWatch->setColumnCount(2);
    grdWatch->verticalHeader()->hide();
    grdWatch->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grdWatch->horizontalHeader()->setStretchLastSection(false);
    grdWatch->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdWatch->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdWatch->setSelectionMode(QAbstractItemView::SingleSelection);
    grdWatch->setContextMenuPolicy(Qt::CustomContextMenu);
    setCentralWidget(grdWatch);

    popGrid = new QMenu(this);
    GridAddWatch = popGrid->addAction("&Add Watch");
    GridDeleteWatch = popGrid->addAction("&Delete Watch");
    GridDeleteAllWatches = popGrid->addAction("&Delete All Watches");
    connect(GridAddWatch, &QAction::triggered, this, &TFrmWatches::GridAddWatchClick);
    connect(GridDeleteWatch, &QAction::triggered, this, &TFrmWatches::GridDeleteWatchClick);
    connect(GridDeleteAllWatches, &QAction::triggered, this, &TFrmWatches::GridDeleteAllWatchesClick);
    connect(grdWatch, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popGrid->popup(grdWatch->viewport()->mapToGlobal(at)); });
    connect(grdWatch, &QTableWidget::cellDoubleClicked, this, &TFrmWatches::grdWatchDblClick);

    resize(320, 240);
    BindHelpContext(*this, HelpContext);
    FormCreate();
}

void TFrmWatches::FormCreate() {
    setProperty("Tag", TagWatchWindow);
    LoadSaveSettings(0);
    ShowWatches();
}

void TFrmWatches::closeEvent(QCloseEvent* event) {
    LoadSaveSettings(1);
    ReportToolWindowClosed(*this);
    event->accept();
}

void TFrmWatches::LoadSaveSettings(int mode) {
    LoadSaveFormPlacement(*this, SettingsSection, mode, TBoundsRule::NormalOnly);
    platform::TRegIniFile registry(GlobalInfo().RegKey);
    if (mode == 1) {
        WriteCurrentWatches(registry, watches_, ColumnWidths());
        return;
    }
    ReadCurrentWatches(registry, watches_);
    ShowWatches();
    SetColumnWidths(ReadColumnWidths(registry, ColumnWidths()));
}

std::vector<int> TFrmWatches::ColumnWidths() const {
    std::vector<int> widths;
    for (int c = 0; c < grdWatch->columnCount(); ++c) widths.push_back(grdWatch->columnWidth(c));
    return widths;
}

void TFrmWatches::SetColumnWidths(const std::vector<int>& widths) {
    for (std::size_t c = 0; c < widths.size(); ++c) grdWatch->setColumnWidth(static_cast<int>(c), widths[c]);
}

// The grid shows row 0 of the list as its header and the watch rows below it.
void TFrmWatches::ShowWatches() {
    const TWatchList::TRow& captions = watches_.Row(0);
    grdWatch->setHorizontalHeaderLabels({platform::ToQString(captions.Name), platform::ToQString(captions.Value)});
    grdWatch->setRowCount(watches_.RowCount() - 1);
    for (int row = 1; row < watches_.RowCount(); ++row) {
        const TWatchList::TRow& watch = watches_.Row(row);
        grdWatch->setItem(row - 1, 0, new QTableWidgetItem(platform::ToQString(watch.Name)));
        grdWatch->setItem(row - 1, 1, new QTableWidgetItem(platform::ToQString(watch.Value)));
    }
}

int TFrmWatches::CurrentWatchRow() const { return grdWatch->currentRow() + 1; }

void TFrmWatches::AddWatch(const std::string& name, const std::string& value) {
    watches_.AddWatch(name, value);
    ShowWatches();
}

void TFrmWatches::UpdateValues(TWatchSource& source) {
    watches_.UpdateValues(source);
    ShowWatches();
}

void TFrmWatches::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

// The grid's own inner width: the window's layout has set it by the time the
// window hears of a resize, while the viewport inside it, still unresized at
// the first show, would give the columns a tenth of their room.
void TFrmWatches::FormResize() {
    const int width = grdWatch->contentsRect().width();
    grdWatch->setColumnWidth(0, static_cast<int>(width * 0.39));
    grdWatch->setColumnWidth(1, static_cast<int>(width * 0.58));
}

void TFrmWatches::grdWatchDblClick() {
    if (!FrmScript) return;
    if (!FrmAddWatch) FrmAddWatch = new TFrmAddWatch(this);
    if (auto* dialog = qobject_cast<TFrmAddWatch*>(FrmAddWatch)) dialog->exec();
}

void TFrmWatches::GridAddWatchClick() { grdWatchDblClick(); }

void TFrmWatches::GridDeleteWatchClick() {
    watches_.DeleteWatch(CurrentWatchRow());
    ShowWatches();
}

void TFrmWatches::GridDeleteAllWatchesClick() {
    watches_.DeleteAllWatches();
    ShowWatches();
}
