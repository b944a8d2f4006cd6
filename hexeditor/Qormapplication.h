// The program's application object. An exception that escapes an event
// handler is shown to the user, and the event loop goes on: the windows, and
// the unsaved changes of every channel, stay as they were.
#pragma once

#include <QApplication>

#include <string>

// The standard display of an exception: its message in an error box under the
// program's title.
void ShowException(const std::string& message);

class TQormApplication : public QApplication {
public:
    TQormApplication(int& argc, char** argv);

    // Every event of the program, in nested loops too, passes here; an
    // exception its handler lets out stops at this event.
    bool notify(QObject* receiver, QEvent* event) override;
};
