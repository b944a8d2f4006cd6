#include "Searchcriteria.h"

#include "Namedwidgets.h"

#include "platform/QtText.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>

#include <algorithm>

namespace {

// Checks the button of `id` in the group, or none for an id it lacks.
void SelectItem(QButtonGroup* group, int id)
{
    if (QAbstractButton* item = group->button(id)) {
        item->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

// Leaves the cursor and the undo history of a field whose text is already shown.
void ShowText(QLineEdit* field, const std::string& text)
{
    if (platform::FromQString(field->text()) != text)
        field->setText(platform::ToQString(text));
}

}  // namespace

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

TSearchCriteriaPanel::TSearchCriteriaPanel(QWidget* parent) : QWidget(parent)
{
    auto* page = new QVBoxLayout(this);

    auto* valueRow = new QHBoxLayout;
    auto* valueLabel = new QLabel("Search Value:", this);
    edtSearchValue = Named(new QLineEdit(this), "edtSearchValue");
    valueLabel->setBuddy(edtSearchValue);
    valueRow->addWidget(valueLabel);
    valueRow->addWidget(edtSearchValue, 1);
    page->addLayout(valueRow);
    setFocusProxy(edtSearchValue);

    optSearchType = Named(new QGroupBox(" Search Type ", this), "optSearchType");
    auto* types = new QVBoxLayout(optSearchType);
    searchTypes_ = new QButtonGroup(this);
    const char* const typeItems[] = {
        "&String Search (Searches for ASCIIZ and ANSI strings)",
        "Single &Character (8 bit ASCII Value) Search",
        "&WORD (16 bit integer) Search",
        "&DWORD (32 bit integer) Search",
        "&QWORD (64 bit integer) Search",
    };
    for (int i = 0; i < 5; ++i) {
        auto* item = new QRadioButton(typeItems[i], optSearchType);
        searchTypes_->addButton(item, i);
        types->addWidget(item);
    }
    page->addWidget(optSearchType);

    optNumberOptions = Named(new QGroupBox(" Numeric Options ", this), "optNumberOptions");
    auto* numbers = new QGridLayout(optNumberOptions);
    numberOptions_ = new QButtonGroup(this);
    const char* const numberItems[] = {"Entry is Decimal", "Entry is Hex"};
    for (int i = 0; i < 2; ++i) {
        auto* item = new QRadioButton(numberItems[i], optNumberOptions);
        numberOptions_->addButton(item, i);
        numbers->addWidget(item, 0, i);
    }
    page->addWidget(optNumberOptions);

    GroupBox6 = Named(new QGroupBox(" Other Options ", this), "GroupBox6");
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
    btnBeginSearch = Named(new QPushButton("&Begin Search", this), "btnBeginSearch", "Begin Search!");
    btnBeginSearch->setDefault(true);
    btnSearchCancel = Named(new QPushButton("Cancel", this), "btnSearchCancel", "Cancel search in progress");
    buttons->addStretch(1);
    buttons->addWidget(btnBeginSearch);
    buttons->addWidget(btnSearchCancel);
    page->addLayout(buttons);
    page->addStretch(1);

    connect(updNumResults->Up, &QToolButton::clicked, this, [this] { StepNumResults(+10); });
    connect(updNumResults->Down, &QToolButton::clicked, this, [this] { StepNumResults(-10); });
    SetEntries(TSearchPageEntries{});
}

TSearchPageEntries TSearchCriteriaPanel::Entries() const
{
    TSearchPageEntries entries;
    entries.Value = platform::FromQString(edtSearchValue->text());
    entries.SearchType = searchTypes_->checkedId();
    entries.HexEntry = numberOptions_->checkedId() == 1;
    entries.StartAtBeginning = chkBOF->isChecked();
    entries.CaseSensitive = chkCase->isChecked();
    entries.NumResults = platform::FromQString(edtNumResults->text());
    return entries;
}

void TSearchCriteriaPanel::SetEntries(const TSearchPageEntries& shown)
{
    // A copy: `shown` may be the very entries the edits are written to.
    const TSearchPageEntries entries = shown;
    const QSignalBlocker blockTypes(searchTypes_);
    const QSignalBlocker blockNumbers(numberOptions_);
    const QSignalBlocker blockValue(edtSearchValue);
    const QSignalBlocker blockCount(edtNumResults);
    const QSignalBlocker blockBof(chkBOF);
    const QSignalBlocker blockCase(chkCase);
    ShowText(edtSearchValue, entries.Value);
    ShowText(edtNumResults, entries.NumResults);
    SelectItem(searchTypes_, entries.SearchType);
    SelectItem(numberOptions_, entries.HexEntry ? 1 : 0);
    chkBOF->setChecked(entries.StartAtBeginning);
    chkCase->setChecked(entries.CaseSensitive);
}

void TSearchCriteriaPanel::WriteEditsTo(TSearchPageEntries& entries, QObject* owner)
{
    connect(edtSearchValue, &QLineEdit::textChanged, owner,
            [&entries](const QString& text) { entries.Value = platform::FromQString(text); });
    connect(edtNumResults, &QLineEdit::textChanged, owner,
            [&entries](const QString& text) { entries.NumResults = platform::FromQString(text); });
    connect(searchTypes_, &QButtonGroup::idToggled, owner, [&entries](int id, bool checked) {
        if (checked)
            entries.SearchType = id;
    });
    connect(numberOptions_, &QButtonGroup::idToggled, owner, [&entries](int id, bool checked) {
        if (checked)
            entries.HexEntry = id == 1;
    });
    connect(chkBOF, &QCheckBox::toggled, owner, [&entries](bool checked) { entries.StartAtBeginning = checked; });
    connect(chkCase, &QCheckBox::toggled, owner, [&entries](bool checked) { entries.CaseSensitive = checked; });
}

void TSearchCriteriaPanel::StepNumResults(int delta)
{
    const std::int64_t value = std::max(0, ReadLeadingInt32(platform::FromQString(edtNumResults->text())));
    edtNumResults->setText(QString::number(std::max<std::int64_t>(0, value + delta)));
}
