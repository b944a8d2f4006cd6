// Printing plain text: the print dialog, then the text on the chosen printer
// under a document title. The desktop implementation uses Qt's print dialog;
// tests install a recorder so that no dialog ever waits for a user.
#pragma once

#include <string>
#include <vector>

class QWidget;

class TTextPrinter {
public:
    virtual ~TTextPrinter() = default;
    // False when the user cancelled the dialog; nothing is printed then.
    virtual bool PrintText(QWidget* parent, const std::string& documentTitle, const std::string& text) = 0;
};

TTextPrinter& CurrentTextPrinter();
// Installs `printer` (not owned) and returns the one it replaces; nullptr
// restores the desktop implementation.
TTextPrinter* InstallTextPrinter(TTextPrinter* printer);

// A printer for tests: confirms or cancels as told and keeps what it printed.
class TRecordingTextPrinter : public TTextPrinter {
public:
    struct TJob {
        std::string DocumentTitle;
        std::string Text;
    };

    TRecordingTextPrinter();   // installs itself
    ~TRecordingTextPrinter() override;  // restores the previous printer

    bool Confirm = true;
    int Requests = 0;  // dialogs shown, confirmed or not
    std::vector<TJob> Jobs;

    bool PrintText(QWidget* parent, const std::string& documentTitle, const std::string& text) override;

private:
    TTextPrinter* previous_;
};
