// The dialog that edits the global search defaults, which new hex windows
// and the search-in-files window take their search criteria from.
#pragma once

#include "Searchinfo.h"

#include <QDialog>

class TSearchCriteriaPanel;

class TfrmGlobalSearchDefaults : public QDialog {
    Q_OBJECT

public:
    // The controls start from `defaults`, which OK changes.
    TfrmGlobalSearchDefaults(QWidget* owner, SEARCHINFO_TAG& defaults);
    ~TfrmGlobalSearchDefaults() override;

    // Fills the controls from the defaults.
    void FormCreate();
    // OK: stores the controls into the defaults and closes the dialog.
    void btnBeginSearchClick();

    TSearchCriteriaPanel* Criteria;

private:
    SEARCHINFO_TAG& defaults_;
};
