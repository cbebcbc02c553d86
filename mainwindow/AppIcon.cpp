#include "mainwindow/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap draw(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    const QColor ink(0x3b, 0x4a, 0x5a);
    p.setPen(QPen(ink, 3));
    p.setBrush(QColor(0xf4, 0xf1, 0xe6));
    p.drawRoundedRect(QRectF(10, 6, 44, 52), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(10, 6, 9, 52), 3, 3);
    p.setPen(QPen(QColor(0x9a, 0xa5, 0xb1), 2));
    for (int y : { 18, 26, 46 })
        p.drawLine(24, y, 48, y);
    QPainterPath wave(QPointF(22, 37));
    for (int x = 22; x < 46; x += 6)
        wave.quadTo(QPointF(x + 3, (x - 22) % 12 == 0 ? 28 : 46), QPointF(x + 6, 37));
    p.setPen(QPen(QColor(0xd9, 0x48, 0x0f), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    return pixmap;
}

} // namespace

QIcon appIcon()
{
    QIcon icon;
    for (int size : { 16, 32, 48, 64, 128 })
        icon.addPixmap(draw(size));
    return icon;
}
