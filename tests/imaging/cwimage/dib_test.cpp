#include "imaging/cwimage/dib/Dib.h"
#include "../../support/ImageCompare.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tavrel::test
{

TEST(Dib, RowSizesArePaddedToFourBytes)
{
    CDib d;
    ASSERT_EQ(d.Create(5, 1, 24, 300), 1);
    EXPECT_EQ(d.RowSize(), 16);
    ASSERT_EQ(d.Create(5, 1, 8, 300), 1);
    EXPECT_EQ(d.RowSize(), 8);
    ASSERT_EQ(d.Create(33, 1, 1, 300), 1);
    EXPECT_EQ(d.RowSize(), 8);
    EXPECT_EQ(d.XResolution(), 300);
    EXPECT_EQ(d.YResolution(), 300);
}

TEST(Dib, CreateZeroesPixelsAndFillsRowTable)
{
    CDib d;
    ASSERT_EQ(d.Create(7, 3, 24, 200), 1);
    for (int y = 0; y < 3; ++y)
    {
        EXPECT_EQ(d.Row(y), d.Pixels() + y * d.RowSize());
        for (int i = 0; i < d.RowSize(); ++i)
            EXPECT_EQ(d.Row(y)[i], 0);
    }
}

TEST(Dib, CreateRejectsBadDepthAndSizes)
{
    CDib d;
    ASSERT_EQ(d.Create(4, 4, 8, 300), 1);
    EXPECT_EQ(d.Create(4, 4, 16, 300), 0);
    EXPECT_FALSE(d.HasPixels());
    EXPECT_EQ(d.Create(-1, 4, 8, 300), 0);
    EXPECT_EQ(d.Create(1 << 30, 1 << 30, 24, 300), 0);
    EXPECT_FALSE(d.HasPixels());
}

TEST(Dib, CopiesKeepPixelsAndBothResolutions)
{
    CDib a;
    ASSERT_EQ(a.Create(9, 4, 24, 300), 1);
    FillPhotoLike(a);
    a.SetResolution(600, 400);
    CDib b(a);
    EXPECT_TRUE(DibsMatch(a, b));
    EXPECT_EQ(b.XResolution(), 600);
    EXPECT_EQ(b.YResolution(), 400);
    CDib c;
    ASSERT_EQ(c.CopyFrom(a), 1);
    EXPECT_TRUE(DibsMatch(a, c));
    EXPECT_EQ(std::memcmp(a.Pixels(), c.Pixels(), a.PixelBytes()), 0);

    CDib empty, target;
    ASSERT_EQ(target.Create(2, 2, 8, 300), 1);
    EXPECT_EQ(target.CopyFrom(empty), 0);
    EXPECT_TRUE(target.HasPixels()); // untouched
    CDib fromEmpty(empty);
    EXPECT_FALSE(fromEmpty.HasPixels());
}

TEST(Dib, LongNamesAreShortenedWithinTheField)
{
    CDib d;
    const std::string longPath = "/tmp/" + std::string(400, 'a') + ".bmp";
    d.SetName(longPath);
    std::size_t n = 0;
    while (d.Name()[n])
        ++n;
    EXPECT_EQ(n, 255u);
    EXPECT_EQ(d.Name()[0], u'/');

    // A character outside the basic plane is not split at the cut.
    std::string path(254, 'b');
    path += "\xF0\x9F\x98\x80"; // one character, two UTF-16 units
    d.SetName(path);
    n = 0;
    while (d.Name()[n])
        ++n;
    EXPECT_EQ(n, 254u);

    d.SetName("/home/\xC3\xA9t\xC3\xA9.jpg");
    EXPECT_EQ(std::u16string(d.Name()), u"/home/\u00e9t\u00e9.jpg");
}

TEST(Dib, OperationsOnAnEmptyPictureLeaveTheDestination)
{
    CDib empty, dest;
    ASSERT_EQ(dest.Create(3, 3, 24, 300), 1);
    dest.Row(1)[2] = 77;
    EXPECT_EQ(empty.Invert(&dest, 0, 0, 0, 0), 0);
    EXPECT_EQ(empty.ConvertToGrey(&dest), 0);
    EXPECT_EQ(empty.GreyToRgb(&dest), 0);
    EXPECT_EQ(empty.FlipVertical(&dest), 0);
    EXPECT_EQ(empty.Rotate(&dest, 3), 0);
    EXPECT_EQ(empty.Crop(&dest, 0, 0, 1, 1), 0);
    EXPECT_EQ(empty.ShrinkByFactor(&dest, 2), 0);
    EXPECT_EQ(empty.Invert(nullptr, 0, 0, 0, 0), 0);
    ASSERT_TRUE(dest.HasPixels());
    EXPECT_EQ(dest.Width(), 3);
    EXPECT_EQ(dest.Row(1)[2], 77);
}

TEST(Dib, ReusedBuffersGetCleanPadding)
{
    CDib d;
    ASSERT_EQ(d.Create(5, 2, 24, 300), 1);
    std::memset(d.Pixels(), 0xFF, d.PixelBytes());
    const std::uint8_t* before = d.Pixels();
    ASSERT_EQ(d.CreateForOverwrite(5, 2, 24, 150), 1);
    EXPECT_EQ(d.Pixels(), before);
    for (int y = 0; y < 2; ++y)
        for (int i = 15; i < 16; ++i)
            EXPECT_EQ(d.Row(y)[i], 0);
    EXPECT_EQ(d.XResolution(), 150);

    // Results of operations carry zero padding too, whatever the buffer held.
    CDib src;
    ASSERT_EQ(src.Create(5, 2, 8, 300), 1);
    std::memset(src.Pixels(), 0xFF, src.PixelBytes());
    CDib dst;
    ASSERT_EQ(dst.Create(5, 2, 8, 300), 1);
    std::memset(dst.Pixels(), 0xAA, dst.PixelBytes());
    ASSERT_EQ(src.Rotate(&dst, 3), 1);
    EXPECT_EQ(dst.Row(1)[4], 0xFF);
    EXPECT_EQ(dst.Row(1)[5], 0);
    EXPECT_EQ(dst.Row(1)[7], 0);
}

TEST(Dib, OnlyTheHalfTurnIsOffered)
{
    CDib d;
    ASSERT_EQ(d.Create(4, 4, 8, 300), 1);
    CDib out;
    EXPECT_EQ(d.Rotate(&out, 1), 0);
    EXPECT_EQ(d.Rotate(&out, 0), 0);
    EXPECT_EQ(d.Rotate(&out, 3, 0), 1);
}

} // namespace tavrel::test
