// The restoration steps on synthetic pictures whose truth is known.

#include "imaging/ScanTransfer.h"
#include "imaging/cwimage/dib/Dib.h"
#include "plugins/Denoise.h"
#include "plugins/Restoration.h"
#include "shared/camera/SimulatedFrames.h"
#include "support/ImageCompare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace tavrel::test
{

using namespace tavrel::restoration;

namespace
{

BgrView View(CDib& picture)
{
    return {picture.Pixels(), picture.Width(), picture.Height(), std::size_t(picture.RowSize())};
}

CDib Slide(int width, int height)
{
    CDib picture;
    picture.Create(width, height, 24, 300);
    RenderSlideRgb24({}, width, height, picture.Pixels(), std::size_t(picture.RowSize()));
    return picture;
}

void AddNoise(CDib& picture, double sigma, unsigned seed = 7)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    for (int y = 0; y < picture.Height(); ++y)
        for (int i = 0; i < 3 * picture.Width(); ++i)
        {
            std::uint8_t& v = picture.Row(y)[i];
            v = std::uint8_t(std::clamp(std::lround(v + noise(random)), 0L, 255L));
        }
}

// PSNR over the pixels where `select` says yes.
template <typename Select> double Psnr(const CDib& a, const CDib& b, Select select)
{
    double sum = 0;
    std::size_t n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
        {
            if (!select(x, y))
                continue;
            for (int c = 0; c < 3; ++c)
            {
                const double d = double(a.Row(y)[3 * x + c]) - b.Row(y)[3 * x + c];
                sum += d * d;
            }
            n += 3;
        }
    return 10.0 * std::log10(255.0 * 255.0 * double(n) / std::max(sum, 1e-9));
}

double Psnr(const CDib& a, const CDib& b)
{
    return Psnr(a, b, [](int, int) { return true; });
}

RestorationParams Block(const CDib& picture)
{
    RestorationParams block{};
    block.width = picture.Width();
    block.height = picture.Height();
    block.awbRegion = {0, picture.Width(), 0, picture.Height()};
    block.aeRegion = {0, picture.Width(), 0, picture.Height()};
    for (int i = 0; i < 256; ++i)
        block.gTable[i] = std::uint8_t(i);
    return block;
}

using Rgb = MeanColour;

int Luma(const Rgb& c)
{
    return (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
}

} // namespace

TEST(DenoiseTest, GainsPsnrKeepsEdgesAndColoursAndLeavesACleanPictureAlone)
{
    const CDib clean = Slide(800, 600);
    CDib noisy(clean);
    AddNoise(noisy, 8.0);
    CDib denoised(noisy);
    const NoiseLevels measured = DenoisePicture(View(denoised), {});

    // Luma noise of σ = 8 per channel, halved by the half-size average.
    EXPECT_NEAR(measured.luma, 8.0 * 0.668 / 2, 0.6);
    EXPECT_GT(Psnr(clean, denoised), Psnr(clean, noisy) + 6.0);

    // Edges: pixels next to a strong step of the clean picture lose nothing.
    auto onEdge = [&](int x, int y)
    {
        if (x < 1 || y < 1 || x >= clean.Width() - 1 || y >= clean.Height() - 1)
            return false;
        const std::uint8_t* c = clean.Row(y) + 3 * x + 1;
        return std::abs(c[3] - c[-3]) +
                   std::abs(clean.Row(y + 1)[3 * x + 1] - clean.Row(y - 1)[3 * x + 1]) >=
               60;
    };
    EXPECT_GT(Psnr(clean, denoised, onEdge), Psnr(clean, noisy, onEdge));

    // The finest line pairs (two-pixel period) keep their contrast.
    auto finestContrast = [](const CDib& p)
    {
        const int y = int(0.775 * p.Height());
        long sum = 0;
        for (int x = int(0.07 * p.Width()); x < int(0.20 * p.Width()); ++x)
            sum += std::abs(p.Row(y)[3 * x + 1] - p.Row(y)[3 * x + 4]);
        return double(sum);
    };
    EXPECT_GT(finestContrast(denoised), 0.85 * finestContrast(clean));

    // Flat colour patches keep their colour.
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 6; ++col)
        {
            const int x = int((0.06 + 0.54 * (col + 0.5) / 6) * 800);
            const int y = int((0.38 + 0.36 * (row + 0.5) / 3) * 600);
            const Rgb want = MeanAround(clean, x, y, 10);
            const Rgb got = MeanAround(denoised, x, y, 10);
            EXPECT_NEAR(got.r, want.r, 2) << row << "," << col;
            EXPECT_NEAR(got.g, want.g, 2) << row << "," << col;
            EXPECT_NEAR(got.b, want.b, 2) << row << "," << col;
        }

    CDib untouched(clean);
    DenoisePicture(View(untouched), {});
    EXPECT_GT(Psnr(clean, untouched), 40.0);
}

TEST(DenoiseTest, StrengthSmoothsMoreAndColourMoreThanLuma)
{
    CDib flat;
    flat.Create(400, 300, 24, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
        {
            std::uint8_t* px = flat.Row(y) + 3 * x;
            px[0] = 90, px[1] = 120, px[2] = 150;
        }
    AddNoise(flat, 10.0);
    // Residual spread of luma and of a colour difference over the middle.
    auto spread = [](const CDib& p)
    {
        double sl = 0, sl2 = 0, sc = 0, sc2 = 0;
        int n = 0;
        for (int y = 50; y < 250; ++y)
            for (int x = 50; x < 350; ++x, ++n)
            {
                const std::uint8_t* px = p.Row(y) + 3 * x;
                const double l = 0.114 * px[0] + 0.587 * px[1] + 0.299 * px[2];
                const double c = px[2] - l;
                sl += l, sl2 += l * l, sc += c, sc2 += c * c;
            }
        return std::pair{std::sqrt(sl2 / n - (sl / n) * (sl / n)),
                         std::sqrt(sc2 / n - (sc / n) * (sc / n))};
    };
    const auto before = spread(flat);
    CDib normal(flat), strong(flat);
    DenoisePicture(View(normal), {1.0});
    DenoisePicture(View(strong), {3.0});
    const auto afterNormal = spread(normal);
    const auto afterStrong = spread(strong);
    EXPECT_LT(afterNormal.first, before.first / 2);
    EXPECT_LT(afterStrong.first, afterNormal.first);
    // Colour noise goes further down than luma noise, relative to where each began.
    EXPECT_LT(afterNormal.second / before.second, afterNormal.first / before.first);
}

TEST(RestorationTest, ColourNegativeOfAGreyWedgeComesOutNeutralAndInOrder)
{
    // Twelve scene greys from deep shadow to highlight, photographed on a
    // colour negative: an orange base and layers of different contrast, then
    // scanned (encoded with the scanner's curve), inside an opaque holder.
    constexpr int kSteps = 12;
    constexpr double kBase[3] = {0.62, 0.30, 0.05};     // blue, green, red densities
    constexpr double kContrast[3] = {0.70, 0.60, 0.52}; // blue, green, red
    const int stepWidth = 40, width = kSteps * stepWidth + 40, height = 120;
    CDib picture;
    picture.Create(width, height, 24, 300);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            std::uint8_t* px = picture.Row(y) + 3 * x;
            const int step = (x - 20) / stepWidth;
            const bool holder = x < 20 || x >= width - 20 || y < 20 || y >= height - 20;
            for (int c = 0; c < 3; ++c)
            {
                const double logExposure = 2.4 * step / (kSteps - 1); // over the darkest
                const double density = kBase[c] + kContrast[c] * logExposure;
                const double scan = holder ? 0.0 : LinearToScan(0.95 * std::pow(10.0, -density));
                px[c] = std::uint8_t(std::lround(scan));
            }
        }
    // The chain inverts before it calls the plug-in.
    picture.Invert(nullptr, 0, 0, width, height);
    CDib plainInversion(picture);

    RestorationParams block = Block(picture);
    block.negative = 1;
    block.AWB_En = 1;
    block.awbRegion = {10, width - 10, 10, height - 10}; // reaches into the holder
    ASSERT_TRUE(RestorePicture(block, picture.Pixels()));

    int previous = -1;
    for (int step = 0; step < kSteps; ++step)
    {
        const int x = 20 + step * stepWidth + stepWidth / 2;
        const Rgb plain = MeanAround(plainInversion, x, height / 2, 8);
        const Rgb got = MeanAround(picture, x, height / 2, 8);
        if (step == kSteps / 2)
        {
            // The plain inversion keeps the mask's cast.
            EXPECT_GT(std::abs(plain.r - plain.b), 40);
        }
        EXPECT_NEAR(got.r, got.g, 4) << "step " << step;
        EXPECT_NEAR(got.b, got.g, 4) << "step " << step;
        EXPECT_GT(Luma(got), previous + 4) << "step " << step;
        previous = Luma(got);
    }
    // The range reaches from real shadows to real highlights.
    EXPECT_GT(previous, 200);
    EXPECT_LT(Luma(MeanAround(picture, 20 + stepWidth / 2, height / 2, 8)), 40);
}

TEST(RestorationTest, ColourNegativeUnderADominantSkyKeepsItsGreysNeutral)
{
    // A bright blue sky over a grey wedge: the sky, not a grey, sets each
    // channel's highlight percentile, which alone would turn the greys yellow.
    constexpr double kBase[3] = {0.60, 0.26, 0.0}; // blue, green, red
    constexpr double kContrast[3] = {0.68, 0.62, 0.55};
    constexpr double kSky[3] = {0.95, 0.55, 0.30};
    constexpr int kSteps = 12;
    const int width = 600, height = 300;
    CDib picture;
    picture.Create(width, height, 24, 300);
    std::mt19937 random(3);
    std::normal_distribution<double> grain(0.0, 1.0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
            {
                const double light = y < height / 2
                                         ? kSky[c] * (0.7 + 0.3 * x / width)
                                         : 0.006 * std::pow(125.0, (x * kSteps / width) / 11.0);
                const double density =
                    kBase[c] + kContrast[c] * std::log10(std::max(light, 0.004) / 0.004);
                const double scan = LinearToScan(0.95 * std::pow(10.0, -density)) + grain(random);
                picture.Row(y)[3 * x + c] = std::uint8_t(std::clamp(std::lround(scan), 0L, 255L));
            }
    picture.Invert(nullptr, 0, 0, width, height);

    RestorationParams block = Block(picture);
    block.negative = 1;
    block.AWB_En = 1;
    ASSERT_TRUE(RestorePicture(block, picture.Pixels()));
    int previous = -1;
    for (int step = 0; step < kSteps; ++step)
    {
        const Rgb grey =
            MeanAround(picture, (2 * step + 1) * width / (2 * kSteps), 3 * height / 4, 10);
        EXPECT_NEAR(grey.r, grey.g, 4) << "step " << step;
        EXPECT_NEAR(grey.b, grey.g, 4) << "step " << step;
        EXPECT_GT(Luma(grey), previous) << "step " << step;
        previous = Luma(grey);
    }
    const Rgb sky = MeanAround(picture, width / 2, height / 4, 10);
    EXPECT_GT(sky.b, sky.g + 30);
    EXPECT_GT(sky.g, sky.r + 30);
}

TEST(RestorationTest, WhiteBalanceRemovesAKnownCast)
{
    CDib picture = Slide(800, 600);
    constexpr double kCast[3] = {0.72, 1.0, 1.3}; // blue, green, red, in linear light
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            for (int c = 0; c < 3; ++c)
            {
                std::uint8_t& v = picture.Row(y)[3 * x + c];
                v = std::uint8_t(std::lround(LinearToScan(kCast[c] * ScanToLinear(v))));
            }
    auto greyStep = [&](int step) {
        return MeanAround(picture, int(800 * (0.06 + 0.88 * (step + 0.5) / 11)), int(600 * 0.86),
                          8);
    };
    ASSERT_GT(greyStep(5).r - greyStep(5).b, 30);

    RestorationParams block = Block(picture);
    block.AWB_En = 1;
    ASSERT_TRUE(RestorePicture(block, picture.Pixels()));
    for (int step = 2; step <= 8; ++step)
    {
        const Rgb grey = greyStep(step);
        EXPECT_NEAR(grey.r, grey.g, 3) << "step " << step;
        EXPECT_NEAR(grey.b, grey.g, 3) << "step " << step;
    }
}

TEST(RestorationTest, ExposureBringsTheRegionsMeanLumaToTarget)
{
    CDib picture = Slide(640, 480);
    // The slide's black mount carries no picture and is left out of the mean;
    // so is it here, by where it was before.
    const CDib original(picture);
    auto meanLuma = [&](int left, int right, int top, int bottom)
    {
        double sum = 0;
        long n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
            {
                const std::uint8_t* was = original.Row(y) + 3 * x;
                if (was[0] <= 2 && was[1] <= 2 && was[2] <= 2)
                    continue;
                const std::uint8_t* px = picture.Row(y) + 3 * x;
                sum += 0.114 * px[0] + 0.587 * px[1] + 0.299 * px[2];
                ++n;
            }
        return sum / double(n);
    };
    RestorationParams block = Block(picture);
    block.AE_En = 1;
    block.TargetY = 150;
    ASSERT_TRUE(RestorePicture(block, picture.Pixels()));
    EXPECT_NEAR(meanLuma(0, 640, 0, 480), 150.0, 1.5);

    picture.CopyFrom(original);
    block.TargetY = 60;
    block.aeRegion = {0, 320, 0, 480}; // the left half decides
    ASSERT_TRUE(RestorePicture(block, picture.Pixels()));
    EXPECT_NEAR(meanLuma(0, 320, 0, 480), 60.0, 1.5);
    EXPECT_GT(std::abs(meanLuma(320, 640, 0, 480) - 60.0), 5.0);
}

TEST(RestorationTest, StaysInsideThePictureAndDoesOnlyWhatTheBlockAsks)
{
    // 7 pixels leave 3 padding bytes a row; a marker there must survive.
    for (const auto& [width, height] : {std::pair{7, 5}, {1, 1}, {2, 3}, {33, 17}})
    {
        CDib picture;
        picture.Create(width, height, 24, 300);
        for (int y = 0; y < height; ++y)
        {
            for (int i = 0; i < 3 * width; ++i)
                picture.Row(y)[i] = std::uint8_t((i * 37 + y * 11) & 0xFF);
            std::memset(picture.Row(y) + 3 * width, 0xA5, picture.RowSize() - 3 * width);
        }
        const CDib original(picture);
        RestorationParams block = Block(picture);

        // Nothing switched on: nothing changes, denoise strength or not.
        block.denoiseScale = 5;
        block.CE_Sel = 3;
        block.negative = 1;
        ASSERT_TRUE(RestorePicture(block, picture.Pixels()));
        EXPECT_EQ(0, std::memcmp(picture.Pixels(), original.Pixels(), original.PixelBytes()));

        block.denoiseSwitch = 1;
        block.AWB_En = 1;
        block.AE_En = 1;
        block.TargetY = 128;
        block.awbRegion = {200, width - 200, 200, height - 200}; // as a chain gives it
        for (int i = 0; i < 256; ++i)
            block.gTable[i] = std::uint8_t(255 - i);
        ASSERT_TRUE(RestorePicture(block, picture.Pixels()));
        for (int y = 0; y < height; ++y)
            for (int i = 3 * width; i < picture.RowSize(); ++i)
                ASSERT_EQ(picture.Row(y)[i], 0xA5) << width << "x" << height;
    }

    CDib picture = Slide(64, 48);
    const CDib original(picture);
    RestorationParams block = Block(picture);
    block.AWB_En = 1;
    block.width = 0;
    EXPECT_FALSE(RestorePicture(block, picture.Pixels()));
    block.width = kMaxSide + 1;
    EXPECT_FALSE(RestorePicture(block, picture.Pixels()));
    block.width = 64;
    EXPECT_FALSE(RestorePicture(block, nullptr));
    EXPECT_EQ(0, std::memcmp(picture.Pixels(), original.Pixels(), original.PixelBytes()));
}

TEST(RestorationTest, ToneCurveAndColourEnhancementComeLast)
{
    CDib picture = Slide(160, 120);
    const CDib original(picture);
    RestorationParams block = Block(picture);
    block.AE_En = 1;
    // Exposure to the picture's own mean is no change at all.
    double sum = 0;
    long n = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
        {
            const std::uint8_t* px = picture.Row(y) + 3 * x;
            const bool empty = px[0] <= 2 && px[1] <= 2 && px[2] <= 2;
            if (!empty)
                sum += 0.114 * px[0] + 0.587 * px[1] + 0.299 * px[2], ++n;
        }
    block.TargetY = std::uint8_t(std::lround(sum / double(n)));

    // The table maps every value onto its negative: applied after exposure.
    for (int i = 0; i < 256; ++i)
        block.gTable[i] = std::uint8_t(255 - i);
    ASSERT_TRUE(RestorePicture(block, picture.Pixels()));
    int worst = 0;
    for (int y = 0; y < 120; ++y)
        for (int i = 0; i < 3 * 160; ++i)
            worst = std::max(worst, std::abs(picture.Row(y)[i] - (255 - original.Row(y)[i])));
    EXPECT_LE(worst, 3);

    // A table as profile files leave it (entries up to 254, the last one 0)
    // is the identity: white stays white.
    CDib same(original);
    for (int i = 0; i < 255; ++i)
        block.gTable[i] = std::uint8_t(i);
    block.gTable[255] = 0;
    ASSERT_TRUE(RestorePicture(block, same.Pixels()));
    int whites = 0;
    for (int y = 0; y < 120; ++y)
        for (int i = 0; i < 3 * 160; ++i)
        {
            ASSERT_NEAR(same.Row(y)[i], original.Row(y)[i], 4);
            if (original.Row(y)[i] == 255)
            {
                ++whites;
                ASSERT_GE(same.Row(y)[i], 253);
            }
        }
    EXPECT_GT(whites, 0);

    // An all-zero table (a profile without one) is no curve; enhancement
    // moves colours away from grey and leaves greys alone.
    CDib enhanced(original);
    std::memset(block.gTable, 0, sizeof(block.gTable));
    block.CE_Sel = 4;
    ASSERT_TRUE(RestorePicture(block, enhanced.Pixels()));
    const int x = int((0.06 + 0.54 * 2.5 / 6) * 160), y = int((0.38 + 0.36 * 2.5 / 3) * 120);
    const Rgb before = MeanAround(original, x, y, 2), after = MeanAround(enhanced, x, y, 2);
    EXPECT_GT(std::abs(after.r - after.g), std::abs(before.r - before.g) + 5);
    const Rgb grey = MeanAround(enhanced, int(160 * 0.50), int(120 * 0.86), 2);
    EXPECT_EQ(grey.r, grey.b);
}

TEST(RestorationTest, ProgressRunsFromZeroToTheTotal)
{
    CDib picture = Slide(200, 150);
    RestorationParams block = Block(picture);
    block.denoiseSwitch = 1;
    block.AWB_En = 1;
    std::vector<std::pair<int, int>> seen;
    ASSERT_TRUE(RestorePicture(block, picture.Pixels(),
                               [&](int position, int total)
                               { seen.emplace_back(position, total); }));
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front().first, 0);
    EXPECT_EQ(seen.back().first, seen.back().second);
    for (std::size_t i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen[i].first, seen[i - 1].first);
}

} // namespace tavrel::test
