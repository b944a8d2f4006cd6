#include "Textprinting.h"

#include "platform/QtText.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

namespace {

class TDesktopTextPrinter : public TTextPrinter {
public:
    bool PrintText(QWidget* parent, const std::string& documentTitle, const std::string& text) override {
        QPrinter printer;
        printer.setDocName(platform::ToQString(documentTitle));
        QPrintDialog dialog(&printer, parent);
        if (dialog.exec() != QDialog::Accepted) return false;
        QTextDocument document;
        document.setPlainText(platform::ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        document.print(&printer);
        return true;
    }
};

TDesktopTextPrinter desktopPrinter;
TTextPrinter* installedPrinter = &desktopPrinter;

}  // namespace

TTextPrinter& CurrentTextPrinter() { return *installedPrinter; }

TTextPrinter* InstallTextPrinter(TTextPrinter* printer) {
    TTextPrinter* const previous = installedPrinter;
    installedPrinter = printer ? printer : &desktopPrinter;
    return previous;
}

TRecordingTextPrinter::TRecordingTextPrinter() : previous_(InstallTextPrinter(this)) {}

TRecordingTextPrinter::~TRecordingTextPrinter() { InstallTextPrinter(previous_); }

bool TRecordingTextPrinter::PrintText(QWidget*, const std::string& documentTitle, const std::string& text) {
    ++Requests;
    if (!Confirm) return false;
    Jobs.push_back({documentTitle, text});
    return true;
}
