#include "imaging/ImageBuffer.h"
#include "imaging/Resample.h"

#include "PictureMaker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tavrel::test
{

using buffertest::MakeFlat;
using buffertest::MakeRandom;
using buffertest::Picture;

namespace
{

Picture Smooth(int width, int height)
{
    Picture p = MakeFlat(width, height, 0, 0, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                p.Pixel(x, y)[c] = std::uint8_t(
                    128 + 100 * std::sin(0.09 * x * (c + 1) + 0.05 * y) * std::cos(0.07 * y));
    return p;
}

void Fill(CImageBuffer& buffer, const Picture& pic)
{
    ASSERT_TRUE(buffer.CreateFromArray(pic.bits.data(), pic.width, pic.height, 24, pic.rowBytes));
}

struct VectorKernelsOn
{
    ~VectorKernelsOn() { tavrel::imaging::SetResampleVectorKernels(true); }
};

} // namespace

TEST(ImageBufferResample, GivesExactSizeWithPaddedZeroedRows)
{
    Picture pic = MakeRandom(10, 7, 2, 5);
    CImageBuffer buffer;
    Fill(buffer, pic);
    ASSERT_TRUE(buffer.Resample(5, 13, 1));
    EXPECT_EQ(buffer.GetWidth(), 5);
    EXPECT_EQ(buffer.GetHeight(), 13);
    EXPECT_EQ(buffer.GetRowBytes(), 16);
    for (int y = 0; y < 13; ++y)
        EXPECT_EQ(buffer.GetBits(y)[15], 0);
    EXPECT_FALSE(buffer.Resample(0, 4));
    EXPECT_FALSE(buffer.Resample(4, -1));
    EXPECT_EQ(buffer.GetWidth(), 5);
}

TEST(ImageBufferResample, FlatPictureStaysFlatAtEverySize)
{
    const int sizes[][4] = {{37, 23, 101, 7}, {37, 23, 5, 60}, {640, 480, 1280, 960},
                            {300, 200, 1, 1}, {1, 1, 9, 5},    {2, 3, 3, 2}};
    for (const auto& s : sizes)
    {
        Picture pic = MakeFlat(s[0], s[1], 3, 254, 131);
        CImageBuffer buffer;
        Fill(buffer, pic);
        ASSERT_TRUE(buffer.Resample(s[2], s[3]));
        for (int y = 0; y < s[3]; ++y)
            for (int x = 0; x < s[2]; ++x)
            {
                const std::uint8_t* p = buffer.GetBits(y) + 3 * x;
                ASSERT_TRUE(p[0] == 3 && p[1] == 254 && p[2] == 131)
                    << s[0] << "x" << s[1] << " to " << s[2] << "x" << s[3] << " at " << x << ","
                    << y;
            }
    }
}

TEST(ImageBufferResample, UpAndBoxDownRestoresASmoothPicture)
{
    Picture pic = Smooth(120, 90);
    CImageBuffer buffer;
    Fill(buffer, pic);
    ASSERT_TRUE(buffer.Resample(240, 180));
    int worst = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x)
            for (int c = 0; c < 3; ++c)
            {
                const int sum =
                    buffer.GetBits(2 * y)[6 * x + c] + buffer.GetBits(2 * y)[6 * x + 3 + c] +
                    buffer.GetBits(2 * y + 1)[6 * x + c] + buffer.GetBits(2 * y + 1)[6 * x + 3 + c];
                worst = std::max(worst, std::abs((sum + 2) / 4 - pic.Pixel(x, y)[c]));
            }
    // Edges included: a dark or bright border would show here.
    EXPECT_LE(worst, 4);
}

TEST(ImageBufferResample, RampStaysARampInsideAndAtTheEdges)
{
    Picture pic = MakeFlat(64, 4, 0, 0, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x)
            pic.Pixel(x, y)[1] = std::uint8_t(4 * x);
    CImageBuffer buffer;
    Fill(buffer, pic);
    ASSERT_TRUE(buffer.Resample(160, 10)); // 2.5 times
    for (int x = 0; x < 160; ++x)
    {
        const double at = std::clamp((x + 0.5) / 2.5 - 0.5, 0.0, 63.0);
        EXPECT_NEAR(buffer.GetBits(5)[3 * x + 1], 4 * at, 1.01) << x;
        EXPECT_EQ(buffer.GetBits(5)[3 * x], 0);
    }
}

TEST(ImageBufferResample, ShrinkingAveragesInsteadOfSkipping)
{
    // Alternating black and white columns: a point sampler would give black
    // or white, an antialiasing filter grey.
    Picture pic = MakeFlat(400, 8, 0, 0, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 400; x += 2)
            std::memset(pic.Pixel(x, y), 255, 3);
    CImageBuffer buffer;
    Fill(buffer, pic);
    ASSERT_TRUE(buffer.Resample(57, 3));
    // The edge columns lean towards the repeated edge pixel (white left,
    // black right), but only by a little.
    for (int x = 0; x < 57; ++x)
        EXPECT_NEAR(buffer.GetBits(1)[3 * x], 127.5, x == 0 || x == 56 ? 20 : 10) << x;
    ASSERT_TRUE(buffer.Resample(1, 1));
    EXPECT_NEAR(buffer.GetBits(0)[0], 127.5, 6);
}

TEST(ImageBufferResample, VectorAndPortableKernelsAgreeToTheBit)
{
    VectorKernelsOn restore;
    const int sizes[][4] = {{97, 61, 194, 122}, {97, 61, 33, 20}, {500, 30, 77, 90},
                            {3, 2, 17, 1},      {31, 17, 31, 17}, {1, 40, 1, 3}};
    for (const auto& s : sizes)
    {
        Picture pic = MakeRandom(s[0], s[1], 1, 7);
        CImageBuffer portable;
        Fill(portable, pic);
        CImageBuffer vector;
        Fill(vector, pic);
        tavrel::imaging::SetResampleVectorKernels(false);
        ASSERT_TRUE(portable.Resample(s[2], s[3]));
        tavrel::imaging::SetResampleVectorKernels(true);
        ASSERT_TRUE(vector.Resample(s[2], s[3]));
        ASSERT_EQ(0, std::memcmp(portable.GetBits(0), vector.GetBits(0),
                                 std::size_t(s[3]) * portable.GetRowBytes()))
            << s[0] << "x" << s[1] << " to " << s[2] << "x" << s[3];
    }
}

TEST(ImageBufferResample, SameSizeKeepsThePixels)
{
    Picture pic = MakeRandom(23, 11, 3, 8);
    CImageBuffer buffer;
    Fill(buffer, pic);
    ASSERT_TRUE(buffer.Resample(23, 11));
    for (int y = 0; y < 11; ++y)
        EXPECT_EQ(0, std::memcmp(buffer.GetBits(y), &pic.bits[y * pic.rowBytes], 69));
}

} // namespace tavrel::test
