#include "Standardkeys.h"

#include <QAction>

void SetStandardShortcuts(QAction& action, QKeySequence::StandardKey key, const QKeySequence& fallback) {
    const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    if (!keys.isEmpty())
        action.setShortcuts(keys);
    else if (!fallback.isEmpty())
        action.setShortcut(fallback);
}
