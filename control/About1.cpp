#include "About1.h"

#include "platform/Shell.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>

namespace pevox {

namespace {

// The control's icon: a script page with a "T".
QIcon ControlIcon() {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(250, 250, 240));
    painter.setPen(QColor(60, 60, 60));
    painter.drawRect(4, 2, 24, 28);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(20);
    painter.setFont(font);
    painter.setPen(QColor(30, 80, 160));
    painter.drawText(QRect(4, 2, 24, 28), Qt::AlignCenter, QStringLiteral("T"));
    return QIcon(picture);
}

QString VersionText() { return QStringList{"1", "2", "5", "1"}.join(QLatin1Char('.')); }

}  // namespace

TTLangAbout::TTLangAbout(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    CtlImage = new QToolButton(this);
    CtlImage->setIcon(ControlIcon());
    CtlImage->setIconSize(QSize(32, 32));
    CtlImage->setAutoRaise(true);
    NameLbl = new QLabel(QStringLiteral("Pevox10 - An Interpreter Control"), this);
    DescLbl = new QLabel(
        QStringLiteral("A control to provide an extensible script interpreter to applications programmers."), this);
    DescLbl->setWordWrap(true);
    Label1 = new QLabel(QStringLiteral("Version:"), this);
    Label2 = new QLabel(VersionText(), this);
    Label3 = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(QLatin1String(kMakerWebPage)), this);
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(Label3, &QLabel::linkActivated, this, [this] { Label3Click(); });
    OkBtn = new QPushButton(QStringLiteral("OK"), this);
    OkBtn->setDefault(true);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(CtlImage, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(NameLbl, 0, 1, 1, 2);
    layout->addWidget(DescLbl, 1, 1, 1, 2);
    layout->addWidget(Label1, 2, 1);
    layout->addWidget(Label2, 2, 2);
    layout->addWidget(Label3, 3, 1, 1, 2);
    layout->addWidget(OkBtn, 4, 0, 1, 3, Qt::AlignHCenter);
    setMinimumSize(317, 141);
}

void TTLangAbout::Label3Click() { platform::ShellExecuteA("open", kMakerWebPage); }

void ShowTLangAbout(QWidget* owner) {
    TTLangAbout box(owner);
    box.exec();
}

}  // namespace pevox
