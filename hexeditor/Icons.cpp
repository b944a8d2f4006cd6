#include "Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap Canvas(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

}  // namespace

QIcon GlyphIcon(const QString& glyph, const QColor& tile, int size) {
    QPixmap pixmap = Canvas(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(tile.darker(140));
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(1.5, 1.5, size - 3, size - 3), size / 6.0, size / 6.0);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(glyph.size() > 2 ? size * 3 / 10 : size / 2);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

QIcon LockIcon(bool locked) {
    const int size = 32;
    QPixmap pixmap = Canvas(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor body = locked ? QColor(176, 48, 48) : QColor(48, 140, 64);
    // The shackle: closed into the body when locked, swung open otherwise.
    QPainterPath shackle;
    const qreal left = locked ? 10 : 16;
    shackle.moveTo(left, 16);
    shackle.lineTo(left, 10);
    shackle.arcTo(QRectF(left, 4, 12, 12), 180, -180);
    shackle.lineTo(left + 12, locked ? 16 : 12);
    painter.setPen(QPen(QColor(90, 90, 90), 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shackle);
    painter.setPen(body.darker(150));
    painter.setBrush(body);
    painter.drawRoundedRect(QRectF(6, 15, 20, 14), 3, 3);
    painter.setBrush(Qt::white);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(16, 21), 2.5, 2.5);
    return QIcon(pixmap);
}

QPixmap ModifiedImage(bool modified) {
    const int size = 16;
    QPixmap pixmap = Canvas(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = modified ? QColor(220, 40, 40) : QColor(150, 150, 150);
    painter.setPen(color.darker(150));
    painter.setBrush(color);
    painter.drawEllipse(QRectF(2, 2, size - 4, size - 4));
    return pixmap;
}
