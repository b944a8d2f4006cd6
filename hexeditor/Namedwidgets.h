// Widgets made with the object name, and the tool tip where one is given, by
// which the tests, the scripts and the help find them.
#pragma once

#include <QString>
#include <QToolButton>

template <typename Widget>
Widget* Named(Widget* widget, const char* name, const char* hint = nullptr)
{
    widget->setObjectName(name);
    if (hint != nullptr)
        widget->setToolTip(hint);
    return widget;
}

inline QToolButton* NamedToolButton(const char* name, const QString& text, const char* hint, QWidget* parent)
{
    auto* button = Named(new QToolButton(parent), name, hint);
    button->setText(text);
    return button;
}
