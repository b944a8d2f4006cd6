// The search criteria as the hex window's "Search" page, the search-in-files
// window and the search-defaults dialog show them: value, search type,
// decimal or hex entry, the other options, the result limit and the OK and
// Cancel buttons. The panel only shows and reads TSearchPageEntries; its
// owner decides what the buttons do.
#pragma once

#include "Search.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QToolButton;

// An up/down pair of arrow buttons, as beside a count or a list.
class TUpDown : public QWidget {
public:
    TUpDown(const char* name, const QString& hint, QWidget* parent);
    QToolButton* Up;
    QToolButton* Down;
};

// The panel's controls, by the names the windows that show it give them.
struct TSearchCriteriaControls {
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
};

class TSearchCriteriaPanel : public QWidget, public TSearchCriteriaControls {
public:
    explicit TSearchCriteriaPanel(QWidget* parent);

    TSearchPageEntries Entries() const;
    // Shows the entries without reporting them as edits (see WriteEditsTo).
    // A search type outside 0 to 4 selects no item.
    void SetEntries(const TSearchPageEntries& shown);
    // From now on, until `owner` of `entries` is destroyed, each edit made in
    // a control goes into its field of `entries` as it is made; the other
    // fields stay as they are.
    void WriteEditsTo(TSearchPageEntries& entries, QObject* owner);

private:
    void StepNumResults(int delta);

    QButtonGroup* searchTypes_;
    QButtonGroup* numberOptions_;
};
