#include "imaging/cwimage/GreyOperation.h"
#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"
#include "../../support/ImageCompare.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

namespace tavrel::test
{

namespace
{

bool Bit(const CDib& d, int x, int y)
{
    return (d.Row(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

void SetBit(CDib& d, int x, int y)
{
    d.Row(y)[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
}

// One channel value of any depth, for reference checks.
int At(const CDib& d, int x, int y, int c = 0)
{
    if (d.BitsPerPixel() == 1)
        return Bit(d, x, y);
    return d.Row(y)[x * (d.BitsPerPixel() / 8) + c];
}

CDib Picture(int w, int h, int bpp, unsigned seed = 3)
{
    CDib d;
    EXPECT_EQ(d.Create(w, h, bpp, 300), 1);
    FillPhotoLike(d, seed);
    return d;
}

class AllDepths : public ::testing::TestWithParam<int>
{
};

} // namespace

TEST_P(AllDepths, HalfTurnMovesEveryPixel)
{
    const int bpp = GetParam();
    for (int w : {1, 5, 13, 37, 64})
    {
        CDib src = Picture(w, 7, bpp, unsigned(w));
        CDib dst;
        ASSERT_EQ(src.Rotate(&dst, 3, 0), 1);
        ASSERT_EQ(dst.Width(), w);
        ASSERT_EQ(dst.BitsPerPixel(), bpp);
        const int channels = bpp == 24 ? 3 : 1;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < channels; ++c)
                    ASSERT_EQ(At(dst, w - 1 - x, 6 - y, c), At(src, x, y, c))
                        << "w " << w << " at " << x << "," << y;
        if (bpp == 1 && (w & 7))
        {
            EXPECT_EQ(dst.Row(0)[(w - 1) / 8] & (0xFF >> (w & 7)), 0) << "stray bits past width";
        }
    }
}

TEST_P(AllDepths, HalfTurnInPlaceTwiceRestores)
{
    CDib src = Picture(29, 11, GetParam());
    CDib original(src);
    ASSERT_EQ(src.Rotate(nullptr, 3), 1);
    EXPECT_FALSE(DibsMatch(src, original));
    ASSERT_EQ(src.Rotate(nullptr, 3), 1);
    EXPECT_TRUE(DibsMatch(src, original));
}

TEST_P(AllDepths, FlipReversesRows)
{
    CDib src = Picture(10, 5, GetParam());
    CDib dst;
    ASSERT_EQ(src.FlipVertical(&dst), 1);
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(std::memcmp(dst.Row(y), src.Row(4 - y), std::size_t(src.RowSize())), 0);
    CDib inPlace(src);
    ASSERT_EQ(inPlace.FlipVertical(nullptr), 1);
    EXPECT_TRUE(DibsMatch(inPlace, dst));
}

TEST_P(AllDepths, CropTakesTheClampedRectangle)
{
    const int bpp = GetParam();
    CDib src = Picture(40, 9, bpp);
    src.SetResolution(400, 200);
    CDib dst;
    ASSERT_EQ(src.Crop(&dst, 3, 2, 30, 8), 1);
    ASSERT_EQ(dst.Width(), 27);
    ASSERT_EQ(dst.Height(), 6);
    EXPECT_EQ(dst.XResolution(), 400);
    const int channels = bpp == 24 ? 3 : 1;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 27; ++x)
            for (int c = 0; c < channels; ++c)
                ASSERT_EQ(At(dst, x, y, c), At(src, x + 3, y + 2, c));

    ASSERT_EQ(src.Crop(&dst, -5, -5, 100, 100), 1);
    EXPECT_TRUE(DibsMatch(dst, src));
    ASSERT_EQ(src.Crop(&dst, 37, 0, 40, 9), 1); // the last columns of a row
    EXPECT_EQ(At(dst, 2, 8), At(src, 39, 8));

    CDib keep(dst);
    EXPECT_EQ(src.Crop(&dst, 10, 0, 5, 9), 0);
    EXPECT_EQ(src.Crop(&dst, 0, 6, 9, 2), 0);
    EXPECT_TRUE(DibsMatch(dst, keep));
    ASSERT_EQ(src.Crop(&dst, 4, 4, 4, 4), 1);
    EXPECT_EQ(dst.Width(), 0);
}

TEST_P(AllDepths, InvertTwiceRestoresAndZeroRectMeansWhole)
{
    const int bpp = GetParam();
    CDib pic = Picture(21, 6, bpp);
    CDib original(pic);
    CDib dest;
    ASSERT_EQ(pic.Invert(&dest, 0, 0, 0, 0), 1);
    EXPECT_TRUE(DibsMatch(pic, dest)); // source and destination both inverted
    const int channels = bpp == 24 ? 3 : 1;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 21; ++x)
            for (int c = 0; c < channels; ++c)
            {
                const int before = At(original, x, y, c), after = At(pic, x, y, c);
                ASSERT_EQ(after, bpp == 1 ? 1 - before : 255 - before);
            }
    ASSERT_EQ(pic.Invert(nullptr, 0, 0, 0, 0), 1);
    EXPECT_TRUE(DibsMatch(pic, original));
}

TEST_P(AllDepths, InvertRectangleTouchesOnlyItsInside)
{
    const int bpp = GetParam();
    CDib pic = Picture(30, 8, bpp);
    CDib original(pic);
    ASSERT_EQ(pic.Invert(nullptr, 3, 2, 19, 5), 1);
    const int channels = bpp == 24 ? 3 : 1;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 30; ++x)
            for (int c = 0; c < channels; ++c)
            {
                const bool inside = x >= 3 && x < 19 && y >= 2 && y < 5;
                const int before = At(original, x, y, c);
                const int expected = !inside ? before : (bpp == 1 ? 1 - before : 255 - before);
                ASSERT_EQ(At(pic, x, y, c), expected) << x << "," << y;
            }
    EXPECT_EQ(pic.Invert(nullptr, 9, 0, 2, 4), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, AllDepths, ::testing::Values(1, 8, 24));

TEST(GreyConversion, MatchesTheDoubleFormulaForEveryColour)
{
    // All 2^24 colours: blue varies along x, green and red over the rows.
    CDib all;
    ASSERT_EQ(all.Create(4096, 4096, 24, 300), 1);
    for (int y = 0; y < 4096; ++y)
    {
        std::uint8_t* row = all.Row(y);
        for (int x = 0; x < 4096; ++x)
        {
            const int colour = y * 4096 + x;
            row[3 * x] = std::uint8_t(colour);
            row[3 * x + 1] = std::uint8_t(colour >> 8);
            row[3 * x + 2] = std::uint8_t(colour >> 16);
        }
    }
    CDib grey;
    ASSERT_EQ(all.ConvertToGrey(&grey, 0), 1);
    ASSERT_EQ(grey.BitsPerPixel(), 8);
    int mismatches = 0;
    for (int y = 0; y < 4096; ++y)
        for (int x = 0; x < 4096; ++x)
        {
            const std::uint8_t* p = all.Row(y) + 3 * x;
            const double exact = 0.299 * p[2] + 0.587 * p[1] + 0.114 * p[0];
            if (grey.Row(y)[x] != static_cast<std::uint8_t>(exact))
                ++mismatches;
        }
    EXPECT_EQ(mismatches, 0);

    // The portable kernel (processors without vector instructions) too.
    std::vector<std::uint8_t> row(4096);
    int portableMismatches = 0;
    for (int y = 0; y < 4096; ++y)
    {
        CGreyOperation::GreyRowPortable(all.Row(y), row.data(), 4096);
        portableMismatches += std::memcmp(row.data(), grey.Row(y), 4096) != 0;
    }
    EXPECT_EQ(portableMismatches, 0);
}

TEST(GreyConversion, ExactWholeSumsTruncateLikeDoubles)
{
    // Equal channels sum to a whole number where doubles may fall just short:
    // one pixel at a time, and all in one row (the vector steps).
    std::vector<std::uint8_t> bgr(3 * 256), row(256);
    for (int v = 0; v < 256; ++v)
    {
        bgr[3 * v] = bgr[3 * v + 1] = bgr[3 * v + 2] = std::uint8_t(v);
        std::uint8_t g = 0;
        CGreyOperation::GreyRow(&bgr[3 * v], &g, 1);
        EXPECT_EQ(g, static_cast<std::uint8_t>(0.299 * v + 0.587 * v + 0.114 * v)) << v;
    }
    CGreyOperation::GreyRow(bgr.data(), row.data(), 256);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(row[v], static_cast<std::uint8_t>(0.299 * v + 0.587 * v + 0.114 * v)) << v;
}

TEST(GreyConversion, DepthRulesAndResolution)
{
    CDib colour = Picture(6, 4, 24);
    colour.SetResolution(240, 120);
    CDib grey;
    ASSERT_EQ(colour.ConvertToGrey(&grey), 1);
    EXPECT_EQ(grey.Width(), 6);
    EXPECT_EQ(grey.XResolution(), 240);
    EXPECT_EQ(colour.ConvertToGrey(&grey, 1), 0); // only method 0 exists
    CDib dest;
    EXPECT_EQ(grey.ConvertToGrey(&dest), 0);

    CDib back;
    EXPECT_EQ(grey.GreyToRgb(nullptr), 0);
    EXPECT_EQ(colour.GreyToRgb(&back), 0);
    ASSERT_EQ(grey.GreyToRgb(&back), 1);
    ASSERT_EQ(back.BitsPerPixel(), 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(back.Row(y)[3 * x + c], grey.Row(y)[x]);

    ASSERT_EQ(colour.ConvertToGrey(nullptr), 1); // in place
    EXPECT_EQ(colour.BitsPerPixel(), 8);
    EXPECT_TRUE(DibsMatch(colour, grey));
}

TEST(Shrink, AveragesBlocksWithTruncation)
{
    CDib src;
    ASSERT_EQ(src.Create(7, 5, 24, 300), 1);
    FillPhotoLike(src, 9);
    CDib dst;
    ASSERT_EQ(src.ShrinkByFactor(&dst, 3), 1);
    ASSERT_EQ(dst.Width(), 2);
    ASSERT_EQ(dst.Height(), 1);
    for (int x = 0; x < 2; ++x)
        for (int c = 0; c < 3; ++c)
        {
            int sum = 0;
            for (int dy = 0; dy < 3; ++dy)
                for (int dx = 0; dx < 3; ++dx)
                    sum += At(src, 3 * x + dx, dy, c);
            EXPECT_EQ(dst.Row(0)[3 * x + c], sum / 9);
        }
    CDib grey = Picture(9, 8, 8);
    ASSERT_EQ(grey.ShrinkByFactor(&dst, 4), 1);
    ASSERT_EQ(dst.BitsPerPixel(), 8);
    int sum = 0;
    for (int dy = 0; dy < 4; ++dy)
        for (int dx = 0; dx < 4; ++dx)
            sum += At(grey, 4 + dx, 4 + dy);
    EXPECT_EQ(dst.Row(1)[1], sum / 16);
}

TEST(Shrink, OneBitBlocksBecomeGreyLevels)
{
    CDib bits;
    ASSERT_EQ(bits.Create(6, 2, 1, 300), 1);
    SetBit(bits, 0, 0);
    SetBit(bits, 1, 0);
    SetBit(bits, 0, 1);
    SetBit(bits, 1, 1); // first block all black
    SetBit(bits, 2, 0); // second block one pixel
    CDib dst;
    ASSERT_EQ(bits.ShrinkByFactor(&dst, 2), 1);
    ASSERT_EQ(dst.BitsPerPixel(), 8);
    ASSERT_EQ(dst.Width(), 3);
    EXPECT_EQ(dst.Row(0)[0], 3); // 255 - 4 * 63
    EXPECT_EQ(dst.Row(0)[1], 255 - 63);
    EXPECT_EQ(dst.Row(0)[2], 255);
}

TEST(Shrink, FactorRulesAndSizes)
{
    CDib src = Picture(5, 5, 24);
    CDib dst;
    ASSERT_EQ(src.ShrinkByFactor(&dst, 8), 1);
    EXPECT_EQ(dst.Width(), 0);
    EXPECT_EQ(dst.Height(), 0);
    EXPECT_EQ(src.ShrinkByFactor(&dst, 0), 0);
    EXPECT_EQ(src.ShrinkByFactor(nullptr, 2), 0);
    ASSERT_EQ(src.ShrinkByFactor(&dst, 1), 1);
    EXPECT_TRUE(DibsMatch(src, dst));
}

TEST(RowBands, EveryRowOnceWhateverTheSplit)
{
    for (int threads : {1, 2, 8})
    {
        SetRowBandThreads(threads);
        for (int rows : {1, 2, 7, 1001})
        {
            for (RowCost cost : {RowCost::Memory, RowCost::Compute})
            {
                std::vector<std::atomic<int>> seen(static_cast<std::size_t>(rows));
                // Large enough to split, small pictures on the calling thread.
                for (std::size_t bytes : {std::size_t(16), std::size_t(64) << 20})
                {
                    for (auto& s : seen)
                        s = 0;
                    ForRowBands(
                        rows, bytes,
                        [&](int first, int end)
                        {
                            ASSERT_LE(0, first);
                            ASSERT_LE(first, end);
                            ASSERT_LE(end, rows);
                            for (int y = first; y < end; ++y)
                                ++seen[std::size_t(y)];
                        },
                        cost);
                    for (int y = 0; y < rows; ++y)
                        ASSERT_EQ(seen[std::size_t(y)], 1) << rows << " rows, row " << y;
                }
            }
        }
    }
    SetRowBandThreads(8);
}

} // namespace tavrel::test
