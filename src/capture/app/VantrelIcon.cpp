#include "capture/app/VantrelIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

namespace tavrel
{

namespace
{

QPixmap Draw(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // Film strip behind the lens.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x2a, 0x1e));
    p.drawRoundedRect(QRectF(1, 7, 30, 18), 2, 2);
    p.setBrush(QColor(0xf0, 0xe6, 0xd2));
    for (int i = 0; i < 7; ++i)
    {
        p.drawRect(QRectF(3 + i * 4, 8.5, 2, 2));
        p.drawRect(QRectF(3 + i * 4, 21.5, 2, 2));
    }
    // The lens.
    QRadialGradient glass(QPointF(14, 13), 11);
    glass.setColorAt(0, QColor(0x9c, 0xd4, 0xff));
    glass.setColorAt(0.6, QColor(0x23, 0x5f, 0xa8));
    glass.setColorAt(1, QColor(0x10, 0x24, 0x48));
    p.setBrush(QColor(0x50, 0x55, 0x5c));
    p.drawEllipse(QPointF(16, 16), 10.5, 10.5);
    p.setBrush(glass);
    p.drawEllipse(QPointF(16, 16), 8, 8);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(13, 13), 2, 2);
    return pixmap;
}

} // namespace

QIcon VantrelIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(Draw(size));
    return icon;
}

} // namespace tavrel
