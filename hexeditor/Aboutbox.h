// The about box: the program's name, its version and a link to its web page.
#pragma once

#include <QDialog>

class QLabel;

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* owner);

    // Opens the product's web page.
    void Label2Click();

    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Label2;
};

// The product's web page, opened from the link of the about box.
inline constexpr const char* ProductWebPage = "https://qorm.example.org/";
