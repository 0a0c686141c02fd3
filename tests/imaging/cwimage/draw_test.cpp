#include "../../support/ImageCompare.h"
#include "imaging/cwimage/dib/Dib.h"
#include "imaging/qt/DibPainter.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace tavrel::test
{

namespace
{

QImage Canvas(int w, int h)
{
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(qRgb(10, 200, 30));
    return canvas;
}

} // namespace

TEST(Draw, WrapsTheOwnRowsWithoutCopy)
{
    CDib colour;
    ASSERT_EQ(colour.Create(3, 2, 24, 300), 1);
    colour.Row(1)[3] = 7;  // blue of pixel (1, 1)
    colour.Row(1)[5] = 99; // red
    const QImage image = DibImage(colour);
    EXPECT_EQ(image.constBits(), colour.Pixels());
    EXPECT_EQ(image.bytesPerLine(), colour.RowSize());
    EXPECT_EQ(image.pixel(1, 1), qRgb(99, 0, 7));

    CDib bits;
    ASSERT_EQ(bits.Create(9, 1, 1, 300), 1);
    bits.Row(0)[0] = 0x80;
    const QImage mono = DibImage(bits);
    EXPECT_EQ(mono.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(mono.pixel(1, 0), qRgb(255, 255, 255));

    CDib grey;
    ASSERT_EQ(grey.Create(2, 1, 8, 300), 1);
    grey.Row(0)[1] = 140;
    EXPECT_EQ(DibImage(grey).pixel(1, 0), qRgb(140, 140, 140));
}

TEST(Draw, PaintsScaledIntoTheTargetRectangle)
{
    CDib grey;
    ASSERT_EQ(grey.Create(4, 4, 8, 300), 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            grey.Row(y)[x] = 180;
    QImage canvas = Canvas(20, 20);
    {
        QPainter p(&canvas);
        EXPECT_EQ(DrawDib(grey, p, 2, 3, 8, 8), 0);
    }
    EXPECT_EQ(canvas.pixel(5, 6), qRgb(180, 180, 180));
    EXPECT_EQ(canvas.pixel(9, 10), qRgb(180, 180, 180));
    EXPECT_EQ(canvas.pixel(11, 6), qRgb(10, 200, 30)); // outside stays
    EXPECT_EQ(canvas.pixel(1, 2), qRgb(10, 200, 30));

    CDib empty;
    QPainter p(&canvas);
    EXPECT_EQ(DrawDib(empty, p, 0, 0, 5, 5), -1);
}

TEST(Draw, SmallOneBitPicturesCountGreyLevels)
{
    CDib bits;
    ASSERT_EQ(bits.Create(64, 64, 1, 300), 1);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 32; ++x) // left half black
            bits.Row(y)[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
    // k = 8, 65 levels; a full block counts 64 = level 64.
    const QImage reduced = ReducedOneBitImage(bits, 8, 8);
    ASSERT_EQ(reduced.colorCount(), 65);
    EXPECT_EQ(reduced.pixelIndex(0, 0), 64);
    EXPECT_EQ(reduced.pixelIndex(7, 7), 0);
    EXPECT_EQ(reduced.pixel(0, 0), qRgb(4, 4, 4)); // 255 - 64 * 255 / 65
    EXPECT_EQ(reduced.pixel(7, 0), qRgb(255, 255, 255));

    QImage canvas = Canvas(16, 16);
    {
        QPainter p(&canvas);
        EXPECT_EQ(DrawDib(bits, p, 1, 1, 8, 8), 0);
    }
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(4, 4, 4));
    EXPECT_EQ(canvas.pixel(8, 8), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(10, 10), qRgb(10, 200, 30));
}

TEST(Draw, LargeReductionsCapTheBlockAt16)
{
    CDib bits;
    ASSERT_EQ(bits.Create(400, 400, 1, 300), 1);
    for (int y = 0; y < 400; ++y)
        std::fill(bits.Row(y), bits.Row(y) + bits.RowSize(), 0xFF);
    const QImage reduced = ReducedOneBitImage(bits, 10, 10); // k would be 40
    ASSERT_EQ(reduced.colorCount(), 256);
    EXPECT_EQ(reduced.pixelIndex(3, 3), 255); // 256 set bits, limited to L - 1
    EXPECT_EQ(reduced.pixel(3, 3), qRgb(1, 1, 1));
}

} // namespace tavrel::test
