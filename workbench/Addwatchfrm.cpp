#include "Addwatchfrm.h"

#include "Dumpentry.h"
#include "Globalinfo.h"
#include "Mainfrm.h"
#include "Toolwindow.h"
#include "Watchfrm.h"

#include "platform/QtText.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr const char* SettingsSection = "FORM_ADDWATCH";

}  // namespace

TFrmAddWatch::TFrmAddWatch(QWidget* owner) : QDialog(owner) {
    setWindowTitle("Add Watch");
    LstVars = new QListWidget(this);
    LstVars->setObjectName("LstVars");
    LstVars->setToolTip("Double Click to Add Watch");
    auto* buttons = new QDialogButtonBox(this);
    BitBtn1 = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LstVars);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(LstVars, &QListWidget::itemDoubleClicked, this, &TFrmAddWatch::LstVarsDblClick);
    resize(420, 260);
    BindHelpContext(*this, HelpContext);
    FormCreate();
}

void TFrmAddWatch::FormCreate() {
    setProperty("Tag", TagAddWatchDialog);
    LoadSaveSettings(0);
}

void TFrmAddWatch::LoadSaveSettings(int mode) {
    LoadSaveFormPlacement(*this, SettingsSection, mode, TBoundsRule::NormalOnly);
}

void TFrmAddWatch::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TFrmAddWatch::FormShow() {
    LstVars->clear();
    entries_.clear();
    if (auto* script = dynamic_cast<TAddWatchDumpSource*>(FrmScript)) script->DumpToAddWatch();
}

void TFrmAddWatch::done(int result) {
    LoadSaveSettings(1);
    ReportToolWindowClosed(*this);
    QDialog::done(result);
}

void TFrmAddWatch::AddDumpLine(const std::string& line) {
    const std::optional<std::string> entry = DumpLineEntry(line);
    if (!entry) return;
    entries_.push_back(*entry);
    LstVars->addItem(platform::ToQString(*entry));
}

void TFrmAddWatch::LstVarsDblClick() {
    const int selected = LstVars->currentRow();
    if (selected < 0 || LstVars->currentItem() == nullptr || !LstVars->currentItem()->isSelected()) return;
    const std::optional<TWatchPick> watch = WatchOfEntry(entries_.at(static_cast<std::size_t>(selected)));
    auto* watches = qobject_cast<TFrmWatches*>(FrmWatches);
    if (watch && watches) watches->AddWatch(watch->Name, watch->Value);
}
