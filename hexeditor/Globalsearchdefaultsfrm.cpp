#include "Globalsearchdefaultsfrm.h"

#include "Globalinfo.h"
#include "Mainfrm.h"
#include "Searchcriteria.h"
#include "Searchfiles.h"

#include "platform/Helpviewer.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmGlobalSearchDefaults::TfrmGlobalSearchDefaults(QWidget* owner, SEARCHINFO_TAG& defaults)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      defaults_(defaults)
{
    setObjectName("frmGlobalSearchDefaults");
    setWindowTitle("Global Search Defaults");
    setProperty("helpContext", SearchPageHelpContext);
    platform::BindF1Help(*this, ProgramHelpFile());
    auto* layout = new QVBoxLayout(this);
    Criteria = new TSearchCriteriaPanel(this);
    layout->addWidget(Criteria);
    // The start is a choice of each search; the defaults keep it as it stands.
    Criteria->chkBOF->hide();
    // Here the panel's buttons keep or drop the entries; nothing is searched.
    Criteria->btnBeginSearch->setText("OK");
    Criteria->btnBeginSearch->setToolTip("Keep these entries as the defaults of new hex windows and of the search in files");
    Criteria->btnSearchCancel->setToolTip("Close without changing the defaults");
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(Criteria->btnBeginSearch, &QPushButton::clicked, this, &TfrmGlobalSearchDefaults::btnBeginSearchClick);
    connect(Criteria->btnSearchCancel, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
    // Centred on the screen: over the narrow main window at the top of the
    // screen it would reach beyond the screen's edge.
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

TfrmGlobalSearchDefaults::~TfrmGlobalSearchDefaults()
{
    if (frmGlobalSearchDefaults == this)
        frmGlobalSearchDefaults = nullptr;
}

void TfrmGlobalSearchDefaults::FormCreate()
{
    Criteria->SetEntries(EntriesFromDefaults(defaults_));
}

void TfrmGlobalSearchDefaults::btnBeginSearchClick()
{
    StoreDefaults(Criteria->Entries(), defaults_);
    accept();
}
