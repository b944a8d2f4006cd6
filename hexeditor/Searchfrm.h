// The search-in-files window: the user picks files from folders, searches
// them all for one string or number, and opens a hit in a channel, whose
// hex window then steps through that file's hits. The main window creates
// it on first use and keeps it until the program ends; closing it hides it.
#pragma once

#include "Searchfiles.h"

#include <QMainWindow>

#include <functional>
#include <string>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTableView;
class QToolButton;
class QTreeView;
class TFrmHexEdit;
class TFrmMain;
class TSearchCriteriaPanel;
class TSearchFilesResultsModel;

class TFrmSearch : public QMainWindow {
    Q_OBJECT

public:
    // The criteria start from the global search defaults.
    explicit TFrmSearch(TFrmMain* owner);
    ~TFrmSearch() override;

    // --- State, for the main window and the tests.
    bool Searching() const { return files_.Searching(); }
    // Stops a running search; `after` runs from the event loop once the
    // search has unwound (the main window closes this way).
    void StopSearchThen(std::function<void()> after);
    const TSelectedFiles& SelectedFiles() const { return selected_; }
    const TSearchFilesResults& Results() const { return files_.Results; }
    const SEARCHINFO_TAG& SearchInfo() const { return files_.SearchInfo; }
    QString StatusText() const;
    // The folder whose files filSelected lists (a file-system path).
    const std::string& Folder() const { return folder_; }
    void SetFolder(const std::string& folder);

    // --- Handlers.
    void btnBeginSearchClick();
    void btnSearchCancelClick();
    void btnAddSelectedClick();
    void btnAddAllClick();
    void btnDelSelectedClick();
    void btnClearClick();
    void lstResultsDblClick();
    void lstFoundDblClick();
    void Panel19Resize();
    // Takes the folder typed into drvSelected, or says why not.
    void drvSelectedTyped();
    // Hands the hits of the file of the selected grid row to the window.
    void OpenResultInChannel(TFrmHexEdit* window);

    // --- Components.
    QTabWidget* pagSearch;
    QWidget* tabSelect;
    QComboBox* drvSelected;
    QTreeView* dirSelected;
    QLabel* lblFolder;
    QLineEdit* edtMask;
    QListWidget* filSelected;
    QToolButton* btnAddSelected;
    QToolButton* btnAddAll;
    QToolButton* btnDelSelected;
    QToolButton* btnClear;
    QListWidget* lstSelected;
    QWidget* TabSheet2;
    TSearchCriteriaPanel* Criteria;
    QWidget* tabResults;
    QLabel* lblSearchCount;
    QWidget* Panel19;
    QTableView* lstResults;
    QListWidget* lstFound;
    QLabel* stsMain;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildSelectPage();
    void BuildCriteriaPage();
    void BuildResultsPage();
    void FillDrives();
    void ListFolder();
    void ShowFolderInTree();
    void ShowSelected();
    void ShowResults();
    void SetSearchControlsEnabled(bool enabled);
    void SetStatus(const QString& text);
    void OpenRowInChannel(int row);

    TFrmMain* owner_;
    TSearchFiles files_;
    TSelectedFiles selected_;
    std::string folder_;
    std::function<void()> afterSearch_;
    QFileSystemModel* folders_;
    TSearchFilesResultsModel* resultsModel_;
};
