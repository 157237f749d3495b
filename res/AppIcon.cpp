#include "res/AppIcon.h"

#include <QPainter>

QPixmap DrawAppIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;
    // The board, its two header rows and the FPGA in the middle.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1E, 0x6B, 0x3A));
    painter.drawRoundedRect(QRectF(1 * unit, 5 * unit, 30 * unit, 22 * unit), 2 * unit, 2 * unit);
    painter.setBrush(QColor(0xE8, 0xC5, 0x4A));
    for (int i = 0; i < 7; ++i) {
        painter.drawRect(QRectF((4 + 3.5 * i) * unit, 7 * unit, 2 * unit, 2 * unit));
        painter.drawRect(QRectF((4 + 3.5 * i) * unit, 23 * unit, 2 * unit, 2 * unit));
    }
    painter.setBrush(QColor(0x20, 0x20, 0x24));
    painter.drawRect(QRectF(10 * unit, 11 * unit, 12 * unit, 10 * unit));
    return pixmap;
}

QIcon LoadAppIcon()
{
    static const QIcon icon = [] {
        QIcon made;
        for (int size : {16, 32, 48, 64})
            made.addPixmap(DrawAppIcon(size));
        return made;
    }();
    return icon;
}
