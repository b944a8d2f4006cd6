#include "Syntaxfrm.h"

#include "Globalinfo.h"
#include "Toolwindow.h"

#include "platform/Dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr const char* SettingsSection = "FORM_COLORS";

struct TSampleDesign {
    const char* name;
    const char* label;
    const char* hint;
    const char* text;
};

// In colour-index order.
constexpr std::array<TSampleDesign, 7> SampleDesigns{{
    {"EdtReserved", "Reserved Words:", "The color for language keywords.", "GOTO IF THEN WHILE"},
    {"EdtString", "Literal strings:", "The color for strings", "\"Hello There\""},
    {"EdtNumber", "Numeric constants:", "The color for numbers", "4126924"},
    {"EdtSymbol", "Symbols:", "The color for variables and constants", "A B MyArray"},
    {"EdtComment", "Comments:", "The color for comments", "' What the heck is going on here?"},
    {"EdtOperator", "Operators:", "The color for operators", "+ - * / ++ -- = =="},
    {"EdtBack", "Background:", "The background color of the edit area", ""},
}};

}  // namespace

TFrmSyntaxColor::TFrmSyntaxColor(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle("Set syntax highlighting preferences");
    auto* grid = new QGridLayout;
    for (std::size_t index = 0; index < SampleDesigns.size(); ++index) {
        const TSampleDesign& design = SampleDesigns[index];
        auto* sample = new QLineEdit(design.text, this);
        sample->setObjectName(design.name);
        sample->setProperty("Tag", static_cast<int>(index));
        sample->setReadOnly(true);
        sample->setToolTip(design.hint);
        sample->installEventFilter(this);
        auto* label = new QLabel(design.label, this);
        label->setBuddy(sample);
        grid->addWidget(label, static_cast<int>(index), 0);
        grid->addWidget(sample, static_cast<int>(index), 1);
        Samples[index] = sample;
    }
    EdtReserved = Samples[0];
    EdtString = Samples[1];
    EdtNumber = Samples[2];
    EdtSymbol = Samples[3];
    EdtComment = Samples[4];
    EdtOperator = Samples[5];
    EdtBack = Samples[6];

    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    connect(BitBtn1, &QPushButton::clicked, this, &TFrmSyntaxColor::BitBtn1Click);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(new QLabel("Doubleclick an edit area above to set the associated color", this));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    BindHelpContext(*this, HelpContext);
    FormCreate();
}

void TFrmSyntaxColor::FormCreate() { setProperty("Tag", TagSyntaxColorDialog); }

void TFrmSyntaxColor::LoadSaveSettings(int mode) {
    LoadSaveFormPlacement(*this, SettingsSection, mode, TBoundsRule::NormalOnly);
}

void TFrmSyntaxColor::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TFrmSyntaxColor::FormShow() {
    if (const QScreen* screen = this->screen()) move(screen->geometry().center() - rect().center());
    colors_ = TSyntaxColorSet(GlobalInfo().ScriptColors);
    ShowColors();
}

void TFrmSyntaxColor::ShowColors() {
    for (std::size_t index = 0; index < Samples.size(); ++index) {
        QPalette palette = Samples[index]->palette();
        palette.setColor(QPalette::Base, QColorOfColorref(colors_.Background()));
        if (index != BackgroundColorIndex)
            palette.setColor(QPalette::Text, QColorOfColorref(colors_.TextColor(static_cast<int>(index))));
        Samples[index]->setPalette(palette);
    }
}

bool TFrmSyntaxColor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (auto* sample = qobject_cast<QLineEdit*>(watched)) {
            EdtReservedDblClick(sample);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmSyntaxColor::EdtReservedDblClick(QLineEdit* sender) {
    sender->deselect();
    sender->setCursorPosition(0);
    const auto choose = [](std::uint32_t initial) { return platform::CurrentDialogs().ChooseColor(initial); };
    if (colors_.Choose(sender->property("Tag").toInt(), choose)) ShowColors();
}

void TFrmSyntaxColor::BitBtn1Click() {
    GlobalInfo().ScriptColors = colors_.Colors();
    accept();
}

void TFrmSyntaxColor::done(int result) {
    ReportToolWindowClosed(*this);
    QDialog::done(result);
}
