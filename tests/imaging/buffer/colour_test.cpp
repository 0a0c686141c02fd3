#include "imaging/ImageBuffer.h"

#include "PictureMaker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace tavrel::test
{

using buffertest::MakeRandom;
using buffertest::Picture;

namespace
{

// The buffer's rows as they would be copied back by the processing chain.
std::vector<std::uint8_t> Rows(CImageBuffer& buffer)
{
    const std::uint8_t* bits = buffer.GetBits(0);
    return {bits, bits + std::size_t(buffer.GetHeight()) * buffer.GetRowBytes()};
}

void OnePixel(CImageBuffer& buffer, int b, int g, int r)
{
    const std::uint8_t px[4] = {std::uint8_t(b), std::uint8_t(g), std::uint8_t(r), 0};
    EXPECT_TRUE(buffer.CreateFromArray(px, 1, 1, 24, 4));
}

std::vector<int> PixelOf(CImageBuffer& buffer)
{
    const std::uint8_t* p = buffer.GetBits(0);
    return {p[0], p[1], p[2]};
}

} // namespace

TEST(ImageBufferCreate, CopiesRowsWithTheirPaddingAndRefusesBadInput)
{
    Picture pic = MakeRandom(7, 5, 3, 1);
    CImageBuffer buffer;
    EXPECT_FALSE(buffer.IsValid());
    ASSERT_TRUE(buffer.CreateFromArray(pic.bits.data(), 7, 5, 24, pic.rowBytes));
    EXPECT_EQ(buffer.GetWidth(), 7);
    EXPECT_EQ(buffer.GetHeight(), 5);
    EXPECT_EQ(buffer.GetRowBytes(), pic.rowBytes);
    EXPECT_EQ(Rows(buffer), pic.bits);
    EXPECT_NE(buffer.GetBits(0), pic.bits.data());
    EXPECT_EQ(buffer.GetBits(2), buffer.GetBits(0) + 2 * pic.rowBytes);
    EXPECT_EQ(buffer.GetBits(5), nullptr);

    EXPECT_FALSE(buffer.CreateFromArray(pic.bits.data(), 7, 5, 8, pic.rowBytes));
    EXPECT_FALSE(buffer.IsValid());
    EXPECT_FALSE(buffer.CreateFromArray(pic.bits.data(), 7, 5, 24, 20));
    EXPECT_FALSE(buffer.CreateFromArray(pic.bits.data(), 0, 5, 24, pic.rowBytes));
    EXPECT_FALSE(buffer.CreateFromArray(nullptr, 7, 5, 24, pic.rowBytes));
    EXPECT_EQ(buffer.GetBits(0), nullptr);
    EXPECT_FALSE(buffer.Saturate(10));
    EXPECT_FALSE(buffer.Light(1, 1));
    EXPECT_FALSE(buffer.ShiftRGB(1, 1, 1));
    EXPECT_FALSE(buffer.Resample(3, 3));
}

TEST(ImageBufferCreate, FlipsRowsOnlyWhenAsked)
{
    Picture pic = MakeRandom(4, 3, 0, 2);
    CImageBuffer buffer;
    ASSERT_TRUE(buffer.CreateFromArray(pic.bits.data(), 4, 3, 24, pic.rowBytes, true));
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(0, std::memcmp(buffer.GetBits(y), &pic.bits[(2 - y) * pic.rowBytes], 12));
    buffer.Destroy();
    EXPECT_FALSE(buffer.IsValid());
    EXPECT_EQ(buffer.GetWidth(), 0);
}

TEST(ImageBufferColour, ZeroAmountsChangeNoBit)
{
    // Big enough to go through the two-thread path as well.
    for (int width : {5, 700})
    {
        Picture pic = MakeRandom(width, 400, 1, 3);
        CImageBuffer buffer;
        ASSERT_TRUE(buffer.CreateFromArray(pic.bits.data(), width, 400, 24, pic.rowBytes));
        EXPECT_TRUE(buffer.Saturate(0, 2));
        EXPECT_TRUE(buffer.Light(0, 0));
        EXPECT_TRUE(buffer.ShiftRGB(0, 0, 0));
        EXPECT_TRUE(buffer.Adjust(0, 0, 0, 0, 0, 0));
        EXPECT_EQ(Rows(buffer), pic.bits);
    }
}

TEST(ImageBufferColour, OperationsKeepRowPadding)
{
    Picture pic = MakeRandom(9, 6, 5, 4);
    CImageBuffer buffer;
    ASSERT_TRUE(buffer.CreateFromArray(pic.bits.data(), 9, 6, 24, pic.rowBytes));
    ASSERT_TRUE(buffer.Adjust(40, 20, 30, 10, -10, 5));
    ASSERT_TRUE(buffer.Saturate(-30));
    ASSERT_TRUE(buffer.ShiftRGB(9, 9, 9));
    bool changed = false;
    for (int y = 0; y < 6; ++y)
    {
        const std::uint8_t* row = buffer.GetBits(y);
        for (int i = 27; i < pic.rowBytes; ++i)
            EXPECT_EQ(row[i], buffertest::kPadding);
        changed = changed || std::memcmp(row, &pic.bits[y * pic.rowBytes], 27) != 0;
    }
    EXPECT_TRUE(changed);
}

TEST(ImageBufferColour, ShiftClampsAtBothEnds)
{
    CImageBuffer buffer;
    OnePixel(buffer, 10, 128, 250);
    ASSERT_TRUE(buffer.ShiftRGB(20, -200, -20)); // r, g, b
    EXPECT_EQ(PixelOf(buffer), (std::vector<int>{0, 0, 255}));
    OnePixel(buffer, 10, 128, 250);
    ASSERT_TRUE(buffer.ShiftRGB(-1000, 1000, 7));
    EXPECT_EQ(PixelOf(buffer), (std::vector<int>{17, 255, 0}));
}

TEST(ImageBufferColour, LightIsContrastAroundMidGreyThenBrightness)
{
    CImageBuffer buffer;
    OnePixel(buffer, 100, 200, 128);
    ASSERT_TRUE(buffer.Light(0, 100));
    EXPECT_EQ(PixelOf(buffer), (std::vector<int>{72, 255, 128}));
    OnePixel(buffer, 5, 250, 128);
    ASSERT_TRUE(buffer.Light(10, 0));
    EXPECT_EQ(PixelOf(buffer), (std::vector<int>{15, 255, 138}));
    OnePixel(buffer, 0, 255, 30);
    ASSERT_TRUE(buffer.Light(-20, -100));
    EXPECT_EQ(PixelOf(buffer), (std::vector<int>{108, 108, 108}));
    OnePixel(buffer, 0, 255, 30);
    ASSERT_TRUE(buffer.Light(-999, 0));
    EXPECT_EQ(PixelOf(buffer), (std::vector<int>{0, 0, 0}));
}

TEST(ImageBufferColour, LightCurveIsMonotone)
{
    // A ramp of all 256 levels in each channel.
    std::vector<std::uint8_t> ramp(256 * 3);
    for (int v = 0; v < 256; ++v)
        ramp[3 * v] = ramp[3 * v + 1] = ramp[3 * v + 2] = std::uint8_t(v);
    for (auto [b, c] : {std::pair{0, 50}, {30, -40}, {-60, 100}, {200, 7}, {-5, -99}})
    {
        CImageBuffer buffer;
        ASSERT_TRUE(buffer.CreateFromArray(ramp.data(), 256, 1, 24, 768));
        ASSERT_TRUE(buffer.Light(b, c));
        const std::uint8_t* p = buffer.GetBits(0);
        for (int v = 1; v < 256; ++v)
            EXPECT_GE(p[3 * v], p[3 * v - 3]) << "brightness " << b << " contrast " << c;
    }
}

TEST(ImageBufferColour, SaturationScalesChromaAroundLuma)
{
    CImageBuffer buffer;
    // Luma of (r 200, g 100, b 50) is 124.
    OnePixel(buffer, 50, 100, 200);
    ASSERT_TRUE(buffer.Saturate(50, 2));
    EXPECT_EQ(PixelOf(buffer), (std::vector<int>{13, 88, 238}));
    OnePixel(buffer, 50, 100, 200);
    ASSERT_TRUE(buffer.Saturate(-100, 2));
    EXPECT_EQ(PixelOf(buffer), (std::vector<int>{124, 124, 124}));
    OnePixel(buffer, 50, 100, 200);
    ASSERT_TRUE(buffer.Saturate(300, 2)); // clamped at both ends
    EXPECT_EQ(PixelOf(buffer), (std::vector<int>{0, 28, 255}));
    OnePixel(buffer, 77, 77, 77);
    ASSERT_TRUE(buffer.Saturate(100, 2));
    EXPECT_EQ(PixelOf(buffer), (std::vector<int>{77, 77, 77}));
    EXPECT_FALSE(buffer.Saturate(10, 1));
}

TEST(ImageBufferColour, AdjustEqualsTheThreeStepsInTurn)
{
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> amount(-120, 120);
    for (int trial = 0; trial < 40; ++trial)
    {
        const int width = 1 + int(rng() % 300);
        const int height = 1 + int(rng() % (trial < 4 ? 900 : 40));
        Picture pic = MakeRandom(width, height, int(rng() % 4), rng());
        const int s = trial % 5 == 0 ? 0 : amount(rng) * 2;
        const int b = trial % 7 == 0 ? 0 : amount(rng);
        const int c = trial % 3 == 0 ? 0 : amount(rng);
        const int r = amount(rng), g = amount(rng), bl = trial % 4 == 0 ? 0 : amount(rng);

        CImageBuffer fused, stepped;
        ASSERT_TRUE(fused.CreateFromArray(pic.bits.data(), width, height, 24, pic.rowBytes));
        ASSERT_TRUE(stepped.CreateFromArray(pic.bits.data(), width, height, 24, pic.rowBytes));
        ASSERT_TRUE(fused.Adjust(s, b, c, r, g, bl));
        ASSERT_TRUE(stepped.Saturate(s, 2));
        ASSERT_TRUE(stepped.Light(b, c));
        ASSERT_TRUE(stepped.ShiftRGB(r, g, bl));
        ASSERT_EQ(Rows(fused), Rows(stepped)) << "trial " << trial << ": " << s << " " << b << " "
                                              << c << " " << r << " " << g << " " << bl;
    }
}

} // namespace tavrel::test
