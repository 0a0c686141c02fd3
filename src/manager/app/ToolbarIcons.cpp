#include "manager/app/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tavrel
{

namespace
{

constexpr int kSize = 32;
const QColor kInk(52, 73, 94);
const QColor kAccent(41, 128, 185);
const QColor kFolder(230, 170, 60);

QPixmap Canvas()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap DrawCamera()
{
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(236, 240, 241));
    p.drawRoundedRect(QRectF(3, 9, 26, 18), 3, 3);
    p.drawRect(QRectF(10, 5, 10, 4));
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(16, 18), 6, 6);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(14.5, 16.5), 1.5, 1.5);
    return pixmap;
}

QPixmap DrawUp()
{
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kFolder.lighter(115));
    p.drawRoundedRect(QRectF(3, 12, 26, 17), 2, 2);
    QPainterPath arrow;
    arrow.moveTo(16, 3);
    arrow.lineTo(25, 13);
    arrow.lineTo(20, 13);
    arrow.lineTo(20, 24);
    arrow.lineTo(12, 24);
    arrow.lineTo(12, 13);
    arrow.lineTo(7, 13);
    arrow.closeSubpath();
    p.setBrush(QColor(39, 174, 96));
    p.drawPath(arrow);
    return pixmap;
}

QPixmap DrawFolder()
{
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.5));
    QPainterPath tab;
    tab.moveTo(3, 8);
    tab.lineTo(12, 8);
    tab.lineTo(15, 11);
    tab.lineTo(29, 11);
    tab.lineTo(29, 27);
    tab.lineTo(3, 27);
    tab.closeSubpath();
    p.setBrush(kFolder);
    p.drawPath(tab);
    p.setBrush(kFolder.lighter(120));
    p.drawRect(QRectF(3, 14, 26, 13));
    return pixmap;
}

QPixmap DrawView()
{
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.2));
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column)
        {
            p.setBrush(row == column ? kAccent : kAccent.lighter(150));
            p.drawRoundedRect(QRectF(4 + column * 13, 4 + row * 13, 11, 11), 2, 2);
        }
    return pixmap;
}

} // namespace

QIcon ToolbarIcon(int resourceId)
{
    switch (resourceId)
    {
    case IDI_CAPTURE:
        return QIcon::fromTheme("camera-photo", QIcon(DrawCamera()));
    case IDI_UP:
        return QIcon::fromTheme("go-up", QIcon(DrawUp()));
    case IDI_FOLDERS:
        return QIcon::fromTheme("folder", QIcon(DrawFolder()));
    case IDI_VIEW:
        return QIcon::fromTheme("view-list-icons", QIcon(DrawView()));
    default:
        return QIcon();
    }
}

} // namespace tavrel
