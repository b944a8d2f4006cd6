#include "TLangProp.h"

#include "About1.h"
#include "Tlangeditor.h"
#include "platform/Dialogs.h"
#include "platform/QtPath.h"
#include "platform/Shell.h"
#include "platform/Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace pevox {

namespace {

struct ColorLabelText {
    int index;
    const char* caption;
};

// In the order the group shows them.
constexpr ColorLabelText kColorLabels[] = {
    {ColorReserved, "Reserved Words"}, {ColorString, "\"Literal Strings\""}, {ColorNumber, "Numbers 1234"},
    {ColorSymbol, "Symbols"},          {ColorOperator, "Operators == ++"},   {ColorComment, "REM Comments"},
};

}  // namespace

void TClickLabel::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    emit clicked();
}

TVUvezAPropertyPage::TVUvezAPropertyPage(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Pevox10 Custom Properties"));
    resize(sizeHint());

    Label1 = new QLabel(QStringLiteral("Execution Mode:"), this);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2 = new QLabel(QStringLiteral("Script File Name:"), this);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Image1 = new QLabel(this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_FileIcon).pixmap(32, 32));
    Label3 = new TClickLabel(QLatin1String(kMakerWebPage), this);
    Label3->setAlignment(Qt::AlignCenter);
    QFont link = Label3->font();
    link.setUnderline(true);
    Label3->setFont(link);
    QPalette blue = Label3->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label3->setPalette(blue);
    Label3->setCursor(Qt::PointingHandCursor);
    CmbExecMode = new QComboBox(this);
    CmbExecMode->addItems({QStringLiteral("Normal (No OnStep Events)"), QStringLiteral("Single Step - RECOMMENDED!")});
    ChkAutoStep = new QCheckBox(QStringLiteral("Auto Select Step Line"), this);
    EdtFileName = new QLineEdit(this);
    BtnFindScript = new QPushButton(QStringLiteral("Browse"), this);
    ChkAllowBreak = new QCheckBox(QStringLiteral("Allow User Break Key"), this);
    GroupBox1 = new QGroupBox(QStringLiteral(" Editor Syntax Colors "), this);
    auto* colors = new QGridLayout(GroupBox1);
    int place = 0;
    for (const ColorLabelText& entry : kColorLabels) {
        auto* label = new TClickLabel(QString::fromLatin1(entry.caption), GroupBox1);
        label->setAutoFillBackground(true);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumHeight(24);
        ColorLabels[static_cast<std::size_t>(entry.index)] = label;
        colors->addWidget(label, place / 3, place % 3);
        ++place;
        const int index = entry.index;
        connect(label, &TClickLabel::clicked, this, [this, index] { LblReservedClick(index); });
    }
    CheckBox1 = new QCheckBox(this);
    CheckBox1->setVisible(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(Image1, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(Label1, 0, 1);
    layout->addWidget(CmbExecMode, 0, 2);
    layout->addWidget(ChkAutoStep, 0, 3);
    layout->addWidget(Label2, 1, 1);
    layout->addWidget(EdtFileName, 1, 2);
    layout->addWidget(BtnFindScript, 1, 3);
    layout->addWidget(ChkAllowBreak, 2, 2);
    layout->addWidget(GroupBox1, 3, 0, 1, 4);
    layout->addWidget(Label3, 4, 0, 1, 4);

    connect(CmbExecMode, &QComboBox::currentIndexChanged, this, [this] { CmbExecModeChange(); });
    connect(BtnFindScript, &QPushButton::clicked, this, [this] { BtnFindScriptClick(); });
    connect(Label3, &TClickLabel::clicked, this, [this] { Label3Click(); });
    auto changed = [this] {
        if (!filling_) emit Changed();
    };
    connect(CmbExecMode, &QComboBox::currentIndexChanged, this, changed);
    connect(ChkAutoStep, &QCheckBox::toggled, this, changed);
    connect(ChkAllowBreak, &QCheckBox::toggled, this, changed);
    connect(EdtFileName, &QLineEdit::textEdited, this, changed);
    connect(CheckBox1, &QCheckBox::toggled, this, changed);
    CmbExecModeChange();
}

void TVUvezAPropertyPage::SetControl(ITLang* first) { control_ = first; }

void TVUvezAPropertyPage::FillPageFromControl() {
    if (!control_) return;
    filling_ = true;
    platform::UniqueBstr name;
    control_->get_FileName(name.Out());
    fileName_ = platform::Trim(name.Ansi());
    EdtFileName->setText(platform::PathToQString(fileName_));
    TxExecutionModes mode = TxRun;
    control_->get_ExecutionMode(&mode);
    CmbExecMode->setCurrentIndex(mode == TxRun ? 0 : 1);
    platform::VARIANT_BOOL flag = platform::VARIANT_FALSE;
    control_->get_AutoSelectStepLine(&flag);
    ChkAutoStep->setChecked(flag != 0);
    CmbExecModeChange();
    control_->get_AllowUserBreak(&flag);
    ChkAllowBreak->setChecked(flag != 0);
    for (int index = 0; index < 6; ++index) {
        std::int32_t color = 0;
        control_->get_SyntaxColors(static_cast<TxSyntaxColors>(index), &color);
        labelColors_[static_cast<std::size_t>(index)] = static_cast<std::uint32_t>(color);
        ShowLabelColor(index);
    }
    FormActivate();
    filling_ = false;
}

void TVUvezAPropertyPage::ApplyPageToControl() {
    if (!control_) return;
    const platform::UniqueBstr name(platform::SysAllocStringFromAnsi(FileNameOfBox()));
    control_->put_FileName(name.Get());
    control_->put_ExecutionMode(CmbExecMode->currentIndex() == 0 ? TxRun : TxStep);
    control_->put_AutoSelectStepLine(ChkAutoStep->isChecked() ? platform::VARIANT_TRUE : platform::VARIANT_FALSE);
    control_->put_AllowUserBreak(ChkAllowBreak->isChecked() ? platform::VARIANT_TRUE : platform::VARIANT_FALSE);
    for (int index = 0; index < 6; ++index)
        control_->put_SyntaxColors(static_cast<TxSyntaxColors>(index),
                                   static_cast<std::int32_t>(labelColors_[static_cast<std::size_t>(index)]));
}

void TVUvezAPropertyPage::CmbExecModeChange() { ChkAutoStep->setEnabled(CmbExecMode->currentIndex() == 1); }

void TVUvezAPropertyPage::BtnFindScriptClick() {
    platform::FileDialogRequest request;
    request.title = "Open";
    request.filter = "All Files (*.*)|*.*";
    request.mustExist = true;
    const std::string current = FileNameOfBox();
    if (!platform::Trim(current).empty()) request.fileName = current;
    if (const auto picked = platform::CurrentDialogs().OpenFileName(request)) {
        fileName_ = *picked;
        EdtFileName->setText(platform::PathToQString(fileName_));
        emit Changed();
    }
}

// The path given to the box while it still shows it; a name typed there instead.
std::string TVUvezAPropertyPage::FileNameOfBox() const {
    const QString shown = EdtFileName->text();
    return shown == platform::PathToQString(fileName_) ? fileName_ : platform::PathFromQString(shown);
}

void TVUvezAPropertyPage::LblReservedClick(int colorIndex) {
    FormActivate();
    // The page counts a colour click as a change, whatever the dialog answers.
    CheckBox1->toggle();
    const auto chosen = platform::CurrentDialogs().ChooseColor(labelColors_[static_cast<std::size_t>(colorIndex)]);
    if (!chosen) return;
    labelColors_[static_cast<std::size_t>(colorIndex)] = *chosen;
    ShowLabelColor(colorIndex);
}

void TVUvezAPropertyPage::Label3Click() { platform::ShellExecuteA("open", kMakerWebPage); }

void TVUvezAPropertyPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormActivate();
}

void TVUvezAPropertyPage::ShowLabelColor(int colorIndex) {
    TClickLabel* label = ColorLabels[static_cast<std::size_t>(colorIndex)];
    QPalette colors = label->palette();
    colors.setColor(QPalette::WindowText, ColorFromOle(labelColors_[static_cast<std::size_t>(colorIndex)]));
    label->setPalette(colors);
}

void TVUvezAPropertyPage::FormActivate() {
    if (!control_) return;
    platform::OLE_COLOR background = 0;
    if (platform::FAILED(control_->get_Color(&background))) return;
    for (TClickLabel* label : ColorLabels) {
        QPalette colors = label->palette();
        colors.setColor(QPalette::Window, ColorFromOle(background));
        label->setPalette(colors);
    }
}

}  // namespace pevox
