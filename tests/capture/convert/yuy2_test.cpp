#include "capture/Yuy2Converter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace tavrel::test
{

namespace
{

// The table entries straight from their definition: the upper 16 bits of a
// 32-bit value, i.e. floor division by 65536.
int Entry(std::int64_t offset, std::int64_t step, int i)
{
    return static_cast<int>(std::floor(static_cast<double>(offset + step * i) / 65536.0));
}

int Clamp(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

struct Bgr
{
    int b, g, r;
};

Bgr Expected(int y, int u, int v)
{
    const int r = y + Entry(-0xB2F480, 0x166E9, v);
    const int g = y + Entry(0x5BE900, -0xB6D2, v) + Entry(0x2C8D00, -0x581A, u);
    const int b = y + Entry(-0xE25100, 0x1C5A2, u);
    return {Clamp(b), Clamp(g), Clamp(r)};
}

} // namespace

TEST(Yuy2Tables, EntriesMatchTheirDefinition)
{
    const Yuy2Tables t = BuildYuy2Tables();
    for (int i = 0; i < 256; ++i)
    {
        EXPECT_EQ(t.redFromV[i], Entry(-0xB2F480, 0x166E9, i)) << i;
        EXPECT_EQ(t.greenFromV[i], Entry(0x5BE900, -0xB6D2, i)) << i;
        EXPECT_EQ(t.greenFromU[i], Entry(0x2C8D00, -0x581A, i)) << i;
        EXPECT_EQ(t.blueFromU[i], Entry(-0xE25100, 0x1C5A2, i)) << i;
    }
    // Known ends: neutral chroma adds nothing, full V lifts red by 178.
    EXPECT_EQ(t.redFromV[128], 0);
    EXPECT_EQ(t.blueFromU[128], 0);
    EXPECT_EQ(t.redFromV[255], 178);
    EXPECT_EQ(t.redFromV[0], -179);
    EXPECT_EQ(t.blueFromU[0], -227);
}

TEST(Yuy2Convert, EveryChromaPairWithSeveralLumasMatchesTheFormulas)
{
    // 65536 chroma pairs; the two pixels of a pair get different lumas, and
    // the lumas sweep so that every (Y, U, V) region, clamped or not, appears.
    const std::size_t pairs = 65536;
    std::vector<std::uint8_t> src(pairs * 4);
    for (std::size_t p = 0; p < pairs; ++p)
    {
        src[4 * p + 0] = static_cast<std::uint8_t>(p * 7);
        src[4 * p + 1] = static_cast<std::uint8_t>(p & 0xFF);
        src[4 * p + 2] = static_cast<std::uint8_t>(255 - (p * 13) % 256);
        src[4 * p + 3] = static_cast<std::uint8_t>(p >> 8);
    }
    std::vector<std::uint8_t> fast(pairs * 6), reference(pairs * 6);
    ConvertYuy2(src.data(), pairs * 2, fast.data());
    ConvertYuy2Reference(src.data(), pairs * 2, reference.data(), BuildYuy2Tables());
    EXPECT_EQ(fast, reference);
    int mismatches = 0;
    for (std::size_t p = 0; p < pairs && mismatches < 10; ++p)
    {
        for (int k = 0; k < 2; ++k)
        {
            const Bgr e = Expected(src[4 * p + 2 * k], src[4 * p + 1], src[4 * p + 3]);
            const std::uint8_t* px = &fast[6 * p + 3 * k];
            if (px[0] != e.b || px[1] != e.g || px[2] != e.r)
            {
                ++mismatches;
                ADD_FAILURE() << "pair " << p << " pixel " << k;
            }
        }
    }
}

TEST(Yuy2Convert, ClampsAtBothEnds)
{
    // White with full V: red overflows; black with zero U and V: blue and red
    // underflow while green overflows the other way.
    const std::uint8_t src[8] = {255, 128, 255, 255, 0, 0, 0, 0};
    std::uint8_t out[12] = {};
    ConvertYuy2(src, 4, out);
    EXPECT_EQ(out[2], 255);             // red of the bright pixel clamped high
    EXPECT_EQ(out[0], 255);             // blue: 255 + 0
    EXPECT_EQ(out[1], Clamp(255 - 91)); // green: V 255 pulls it down by 91
    EXPECT_EQ(out[6], 0);               // blue of the dark pixel clamped low
    EXPECT_EQ(out[8], 0);               // red clamped low
    EXPECT_EQ(out[7], 135);             // green: 0 + 91 + 44
}

TEST(Yuy2Convert, TailShorterThanAVectorAndOddPixelCount)
{
    // 13 pixels: six full pairs through the vector path's scalar tail, then a
    // last pixel with no V of its own, which takes a neutral one.
    std::vector<std::uint8_t> src(26);
    for (std::size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<std::uint8_t>(37 * i + 11);
    std::vector<std::uint8_t> out(39, 0xAA);
    ConvertYuy2(src.data(), 13, out.data());
    for (int px = 0; px < 12; ++px)
    {
        const Bgr e = Expected(src[2 * px], src[4 * (px / 2) + 1], src[4 * (px / 2) + 3]);
        EXPECT_EQ(out[3 * px], e.b) << px;
        EXPECT_EQ(out[3 * px + 1], e.g) << px;
        EXPECT_EQ(out[3 * px + 2], e.r) << px;
    }
    const Bgr last = Expected(src[24], src[25], 128);
    EXPECT_EQ(out[36], last.b);
    EXPECT_EQ(out[37], last.g);
    EXPECT_EQ(out[38], last.r);
}

} // namespace tavrel::test
