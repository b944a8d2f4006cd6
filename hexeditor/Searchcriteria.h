// The search criteria as the search-in-files window and the search-defaults
// dialog show them: value, search type, decimal or hex entry, the other
// options, the result limit and the OK and Cancel buttons, with the captions
// of a hex window's "Search" page. The panel only shows and reads
// TSearchPageEntries; its owner decides what the buttons do.
#pragma once

#include "Search.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class TUpDown;

class TSearchCriteriaPanel : public QWidget {
public:
    explicit TSearchCriteriaPanel(QWidget* parent);

    TSearchPageEntries Entries() const;
    // A search type outside 0 to 4 selects no item.
    void SetEntries(const TSearchPageEntries& entries);

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

private:
    void StepNumResults(int delta);

    QButtonGroup* searchTypes_;
    QButtonGroup* numberOptions_;
};
