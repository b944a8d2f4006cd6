// The platform's standard shortcuts on the menu items that have a standard
// meaning.
#pragma once

#include <QKeySequence>

class QAction;

// The platform's keys for `key`; where the platform has none (Quit and Save
// As on some desktops), the common `fallback`.
void SetStandardShortcuts(QAction& action, QKeySequence::StandardKey key, const QKeySequence& fallback = {});
