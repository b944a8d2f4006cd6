// The watch window: a grid of watched variables whose values are refreshed
// while a script steps. The watched names outlive the window in the settings.
#pragma once

#include "Watchlist.h"

#include <QMainWindow>

#include <string>
#include <vector>

class QAction;
class QMenu;
class QTableWidget;

class TFrmWatches : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int HelpContext = 1530;

    explicit TFrmWatches(QWidget* owner);

    void AddWatch(const std::string& name, const std::string& value);
    // Refreshes the values from the interpreter control.
    void UpdateValues(TWatchSource& source);

    // 0 reads, 1 writes "WATCH_FORM", "CURRENT_WATCHES" and "WATCH_GRID".
    void LoadSaveSettings(int mode);

    const TWatchList& Watches() const { return watches_; }
    std::vector<int> ColumnWidths() const;

    // --- Handlers.
    void FormResize();
    // Both open the add-watch dialog while a script window exists.
    void grdWatchDblClick();
    void GridAddWatchClick();
    void GridDeleteWatchClick();
    void GridDeleteAllWatchesClick();

    // --- Components.
    QTableWidget* grdWatch;
    QMenu* popGrid;
    QAction* GridAddWatch;
    QAction* GridDeleteWatch;
    QAction* GridDeleteAllWatches;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void ShowWatches();
    void SetColumnWidths(const std::vector<int>& widths);
    // The list's row of the grid's current row; 0 when none is current.
    int CurrentWatchRow() const;

    TWatchList watches_;
};
