// The control's about box: its name, what it is for, its version and a link
// to its maker's web page.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QToolButton;

namespace pevox {

// The maker's web page, opened from the about box and the property page.
inline constexpr const char* kMakerWebPage = "https://pevox.example.org/";

class TTLangAbout : public QDialog {
    Q_OBJECT

public:
    explicit TTLangAbout(QWidget* owner = nullptr);

    // Opens the maker's web page.
    void Label3Click();

    QToolButton* CtlImage;
    QLabel* NameLbl;
    QLabel* DescLbl;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* OkBtn;
};

// Shows the about box modally and frees it.
void ShowTLangAbout(QWidget* owner);

}  // namespace pevox
