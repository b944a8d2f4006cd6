// The editor's drawn images: the about box's tile, the lock and the modified indicator.
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// A rounded tile with a short text on it.
QIcon GlyphIcon(const QString& glyph, const QColor& tile, int size = 32);
// Image 3 (locked) and image 4 (unlocked) of the hex window's lock button.
QIcon LockIcon(bool locked);
// Image 0 (unchanged) and image 1 (modified) of the modified indicator.
QPixmap ModifiedImage(bool modified);
