#pragma once
// Dialog units of a widget's font, the measure of the design's templates:
// a quarter of the average character width across, an eighth of the
// character height down.

#include <QFontMetrics>
#include <QSize>
#include <QWidget>

namespace tavrel
{

inline QSize DialogUnits(const QWidget* widget, int x, int y)
{
    const QFontMetrics fm(widget->font());
    const int baseX = (fm.horizontalAdvance(
                           QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                           26 +
                       1) /
                      2;
    return {x * baseX / 4, y * fm.height() / 8};
}

} // namespace tavrel
