#include "imaging/qt/DibPainter.h"

#include "imaging/cwimage/dib/Dib.h"

#include <QPainter>

#include <algorithm>

namespace tavrel
{

namespace
{

const QList<QRgb>& GreyTable()
{
    static const QList<QRgb> table = []
    {
        QList<QRgb> t;
        for (int i = 0; i < 256; ++i)
            t.append(qRgb(i, i, i));
        return t;
    }();
    return table;
}

} // namespace

QImage DibImage(const CDib& picture)
{
    if (!picture.HasPixels() || picture.Width() == 0 || picture.Height() == 0)
        return {};
    const uchar* bits = picture.Pixels();
    const int w = picture.Width(), h = picture.Height(), stride = picture.RowSize();
    switch (picture.BitsPerPixel())
    {
    case 24:
        return QImage(bits, w, h, stride, QImage::Format_BGR888);
    case 8:
    {
        QImage image(bits, w, h, stride, QImage::Format_Indexed8);
        image.setColorTable(GreyTable());
        return image;
    }
    case 1:
    {
        QImage image(bits, w, h, stride, QImage::Format_Mono);
        image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        return image;
    }
    default:
        return {};
    }
}

QImage ReducedOneBitImage(const CDib& picture, int w, int h)
{
    if (!picture.HasPixels() || picture.BitsPerPixel() != 1 || w <= 0 || h <= 0)
        return {};
    const int width = picture.Width(), height = picture.Height();
    int k = height / h;
    int levels;
    if (k > 16)
    {
        k = 16;
        levels = 256;
    }
    else
    {
        levels = std::min(k * k + 1, 256);
    }
    QImage image(w, h, QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (int i = 0; i < levels; ++i)
    {
        const int v = 255 - (i * 255) / levels;
        palette.append(qRgb(v, v, v));
    }
    image.setColorTable(palette);
    for (int ty = 0; ty < h; ++ty)
    {
        const int sy = int((std::int64_t(height) * ty) / h);
        uchar* out = image.scanLine(ty);
        for (int tx = 0; tx < w; ++tx)
        {
            const int sx = int((std::int64_t(tx) * width) / w);
            int count = 0;
            // The block is clipped to the picture at its right and bottom edges.
            for (int y = sy; y < std::min(sy + k, height); ++y)
            {
                const std::uint8_t* row = picture.Row(y);
                for (int x = sx; x < std::min(sx + k, width); ++x)
                    count += (row[x >> 3] >> (7 - (x & 7))) & 1;
            }
            out[tx] = uchar(std::min(count, levels - 1));
        }
    }
    return image;
}

int DrawDib(const CDib& picture, QPainter& painter, int x, int y, int w, int h)
{
    if (!picture.HasPixels())
        return -1;
    if (picture.BitsPerPixel() != 1 || w >= picture.Width() / 2)
    {
        const QImage image = DibImage(picture);
        if (!image.isNull())
        {
            painter.save();
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter.drawImage(QRect(x, y, w, h), image);
            painter.restore();
        }
        return 0;
    }
    const QImage reduced = ReducedOneBitImage(picture, w, h);
    if (!reduced.isNull())
        painter.drawImage(QPoint(x, y), reduced);
    return 0;
}

} // namespace tavrel
