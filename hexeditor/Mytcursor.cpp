#include "Mytcursor.h"

#include <QCursor>
#include <QGuiApplication>

MyTCursor::MyTCursor() : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    if (shown_) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

MyTCursor::~MyTCursor() {
    if (shown_) QGuiApplication::restoreOverrideCursor();
}
