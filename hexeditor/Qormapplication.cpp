#include "Qormapplication.h"

#include "Globalinfo.h"

#include "platform/Dialogs.h"

#include <string>

void ShowException(const std::string& message) {
    platform::MessageBox(message, ApplicationTitle, platform::MsgButtons::OK, platform::MsgIcon::Error);
}

TQormApplication::TQormApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TQormApplication::notify(QObject* receiver, QEvent* event) {
    std::string message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        message = error.what();
    }
    // Shown after the exception is done with, so a failure inside the box's
    // own loop is met afresh.
    ShowException(message);
    return true;
}
