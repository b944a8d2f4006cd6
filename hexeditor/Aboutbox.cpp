#include "Aboutbox.h"

#include "Icons.h"

#include "platform/Shell.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner) {
    setWindowTitle("About");
    auto* layout = new QGridLayout(this);
    ProgramIcon = new QLabel(this);
    ProgramIcon->setPixmap(GlyphIcon("Q", QColor(40, 90, 160), 48).pixmap(48, 48));
    ProductName = new QLabel("Qorm - Tessaline", this);
    QFont bold = ProductName->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    ProductName->setFont(bold);
    Version = new QLabel(this);
    Version->setText("Version 2.0");
    Label2 = new QLabel(QString("<a href=\"%1\">%1</a>").arg(ProductWebPage), this);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(Label2, &QLabel::linkActivated, this, [this] { Label2Click(); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    layout->addWidget(ProgramIcon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(ProductName, 0, 1);
    layout->addWidget(Version, 1, 1);
    layout->addWidget(Label2, 2, 1);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setHorizontalSpacing(16);
}

void TAboutBox::Label2Click() { platform::ShellExecuteA("open", ProductWebPage); }
