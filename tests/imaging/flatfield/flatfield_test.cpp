// Flat-field maps from frames of an empty holder, and their reference files.

#include "imaging/FlatFieldMap.h"
#include "imaging/ImageProfile.h"
#include "imaging/ScanTransfer.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/Files.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace tavrel::test
{

namespace
{

// A light box seen through a lens: brightest a little off centre, falling to
// about half at the corners, warm, with dark dust specks when asked.
CDib BlankFrame(int width, int height, bool dust)
{
    constexpr double kTint[3] = {0.80, 0.93, 1.0}; // blue, green, red
    CDib frame;
    frame.Create(width, height, 24, 300);
    const double half = 0.5 * std::hypot(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const double dx = (x + 0.5 - 0.53 * width) / half;
            const double dy = (y + 0.5 - 0.47 * height) / half;
            const double light = 0.85 / std::pow(1.0 + 0.42 * (dx * dx + dy * dy), 2.0);
            // Specks of 12 pixels, an eighth of a cell, at fixed places.
            bool speck = false;
            for (const auto& [u, v] : {std::pair{0.2, 0.3}, {0.71, 0.64}, {0.5, 0.5}})
                speck = speck || std::hypot(x - u * width, y - v * height) < 6.0;
            for (int c = 0; c < 3; ++c)
                frame.Row(y)[3 * x + c] = std::uint8_t(
                    std::lround(LinearToScan(light * kTint[c] * (dust && speck ? 0.25 : 1.0))));
        }
    return frame;
}

// Largest relative difference, in linear light, of any channel of any pixel
// from the frame's centre green.
double WorstUnevenness(const CDib& frame)
{
    double linear[256];
    for (int v = 0; v < 256; ++v)
        linear[v] = ScanToLinear(v);
    const double centre = linear[frame.Row(frame.Height() / 2)[3 * (frame.Width() / 2) + 1]];
    double worst = 0;
    for (int y = 0; y < frame.Height(); ++y)
        for (int i = 0; i < 3 * frame.Width(); ++i)
            worst = std::max(worst, std::abs(linear[frame.Row(y)[i]] / centre - 1.0));
    return worst;
}

void PutU32(std::vector<char>& bytes, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(v >> (8 * i));
}

void Reseal(std::vector<char>& bytes)
{
    const auto crc = std::uint32_t(
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size() - 4)));
    PutU32(bytes, bytes.size() - 4, crc);
}

} // namespace

TEST(FlatFieldTest, MakesAVignettedFrameEvenAtAnySizeWithoutPrintingDust)
{
    const CDib blank = BlankFrame(960, 720, true);
    ASSERT_GT(WorstUnevenness(blank), 0.4);
    const auto map = FlatFieldMap::FromBlankFrame(blank);
    ASSERT_TRUE(map.has_value());
    EXPECT_EQ(map->Columns(), FlatFieldMap::kColumns);
    EXPECT_EQ(map->Rows(), FlatFieldMap::kRows);

    // A frame without the dust, at the measured size and at others: the
    // specks did not go into the map, and it scales with the frame.
    for (const auto& [width, height] : {std::pair{960, 720}, {480, 360}, {1500, 1125}})
    {
        CDib frame = BlankFrame(width, height, false);
        ASSERT_TRUE(map->Apply(frame));
        EXPECT_LT(WorstUnevenness(frame), 0.04) << width << "x" << height;
    }

    // Light that clips in the middle (exposed for dense film) gives the same
    // correction: the clipped cells' light is that of the fall-off around.
    CDib bright = BlankFrame(960, 720, true);
    for (std::size_t i = 0; i < bright.PixelBytes(); ++i)
        bright.Pixels()[i] =
            std::uint8_t(std::lround(LinearToScan(1.5 * ScanToLinear(bright.Pixels()[i]))));
    const auto fromBright = FlatFieldMap::FromBlankFrame(bright);
    ASSERT_TRUE(fromBright.has_value());
    CDib even = BlankFrame(960, 720, false);
    ASSERT_TRUE(fromBright->Apply(even));
    EXPECT_LT(WorstUnevenness(even), 0.05);

    // The brightest part keeps its luminance (its colour turns neutral):
    // calibration never darkens a frame.
    CDib frame = BlankFrame(960, 720, false);
    auto luminance = [&]
    {
        const std::uint8_t* px = frame.Row(338) + 3 * 508;
        return 0.114 * ScanToLinear(px[0]) + 0.587 * ScanToLinear(px[1]) +
               0.299 * ScanToLinear(px[2]);
    };
    const double before = luminance();
    map->Apply(frame);
    EXPECT_NEAR(luminance() / before, 1.0, 0.02);
}

TEST(FlatFieldTest, RefusesFramesThatAreNotAnEvenlyLitEmptyHolder)
{
    // Each refused frame, in linear light, and why.
    auto shaded = [](auto factor)
    {
        CDib frame = BlankFrame(320, 240, false);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                for (int c = 0; c < 3; ++c)
                {
                    std::uint8_t& v = frame.Row(y)[3 * x + c];
                    v = std::uint8_t(std::lround(LinearToScan(ScanToLinear(v) * factor(x, y, c))));
                }
        return frame;
    };
    const std::pair<CDib, BlankFrameFault> refused[] = {
        // A holder: its frame darkens the edges.
        {shaded([](int x, int y, int)
                { return x < 40 || x >= 280 || y < 30 || y >= 210 ? 0.05 : 1.0; }),
         BlankFrameFault::NotEmpty},
        // A slide: a horizon and a bright sun.
        {shaded(
             [](int x, int y, int c)
             {
                 return (y > 140 ? 0.3 : 1.0) * (std::hypot(x - 100, y - 60) < 25 ? 1.0 : 0.6) *
                        (c == 0 ? 0.8 : 1.0);
             }),
         BlankFrameFault::NotEmpty},
        // A blank negative: even, but orange.
        {shaded([](int, int, int c) { return c == 0   ? 0.25
                                             : c == 1 ? 0.55
                                                      : 1.0; }),
         BlankFrameFault::NotEmpty},
    };
    for (const auto& [frame, why] : refused)
    {
        BlankFrameFault fault = BlankFrameFault::None;
        EXPECT_FALSE(FlatFieldMap::FromBlankFrame(frame, &fault).has_value());
        EXPECT_EQ(fault, why);
    }

    CDib dark;
    dark.Create(320, 240, 24, 300);
    std::memset(dark.Pixels(), 6, dark.PixelBytes());
    BlankFrameFault fault = BlankFrameFault::None;
    EXPECT_FALSE(FlatFieldMap::FromBlankFrame(dark, &fault).has_value());
    EXPECT_EQ(fault, BlankFrameFault::TooDark);
    CDib tiny = BlankFrame(20, 12, false);
    EXPECT_FALSE(FlatFieldMap::FromBlankFrame(tiny, &fault).has_value());
    EXPECT_EQ(fault, BlankFrameFault::WrongFormat);
    CDib grey;
    grey.Create(320, 240, 8, 300);
    std::memset(grey.Pixels(), 200, grey.PixelBytes());
    EXPECT_FALSE(FlatFieldMap::FromBlankFrame(grey).has_value());

    // Dim light, far fall-off and a little dust are what an empty holder
    // looks like: accepted.
    const auto map = FlatFieldMap::FromBlankFrame(
        shaded([](int x, int y, int) { return std::hypot(x - 290, y - 20) < 4 ? 0.1 : 0.2; }),
        &fault);
    ASSERT_TRUE(map.has_value());
    EXPECT_EQ(fault, BlankFrameFault::None);
    // So is light clipped nearly everywhere, as it always was.
    EXPECT_TRUE(
        FlatFieldMap::FromBlankFrame(shaded([](int, int, int) { return 3.0; })).has_value());
    EXPECT_FALSE(map->Apply(grey));
    EXPECT_EQ(grey.Pixels()[0], 200);
}

TEST(FlatFieldTest, ReferenceFilesRoundTripAndDamagedOnesAreRefused)
{
    test::Sandbox sandbox;
    const std::string path = sandbox.Home() + "/Negative.ver";
    const auto map = FlatFieldMap::FromBlankFrame(BlankFrame(640, 480, true));
    ASSERT_TRUE(map.has_value());
    ASSERT_TRUE(map->Save(path));
    const auto loaded = FlatFieldMap::Load(path);
    ASSERT_TRUE(loaded.has_value());
    for (int r = 0; r < map->Rows(); ++r)
        for (int c = 0; c < map->Columns(); ++c)
            for (int ch = 0; ch < 3; ++ch)
                ASSERT_EQ(loaded->Gain(c, r, ch), map->Gain(c, r, ch));
    EXPECT_FALSE(map->Save(sandbox.Home() + "/no such folder/Negative.ver"));

    const std::string file = tavrel::test::ReadFile(path);
    const std::vector<char> good(file.begin(), file.end());
    ASSERT_EQ(good.size(), 24u + 32 * 24 * 3 * 4 + 4);
    const std::string damaged = sandbox.Home() + "/damaged.ver";
    struct Damage
    {
        const char* what;
        std::vector<char> bytes;
    };
    std::vector<Damage> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"truncated", std::vector<char>(good.begin(), good.end() - 1)});
    cases.push_back({"longer", good});
    cases.back().bytes.push_back(0);
    cases.push_back({"flipped gain bit", good});
    cases.back().bytes[100] ^= 0x10;
    cases.push_back({"other magic", good});
    cases.back().bytes[0] = 'X';
    Reseal(cases.back().bytes);
    cases.push_back({"next version", good});
    PutU32(cases.back().bytes, 8, 2);
    Reseal(cases.back().bytes);
    cases.push_back({"grid of one column", good});
    PutU32(cases.back().bytes, 12, 1);
    Reseal(cases.back().bytes);
    cases.push_back({"grid the length does not hold", good});
    PutU32(cases.back().bytes, 12, 200);
    Reseal(cases.back().bytes);
    for (const float gain : {10.0f, 0.1f, std::nanf(""), -1.0f})
    {
        cases.push_back({"gain out of range", good});
        std::uint32_t raw;
        std::memcpy(&raw, &gain, 4);
        PutU32(cases.back().bytes, 24 + 4 * 7, raw);
        Reseal(cases.back().bytes);
    }
    for (const Damage& d : cases)
    {
        tavrel::test::WriteFile(damaged, std::string(d.bytes.begin(), d.bytes.end()));
        std::string why;
        EXPECT_FALSE(FlatFieldMap::Load(damaged, &why).has_value()) << d.what;
        EXPECT_FALSE(why.empty()) << d.what;
    }
    EXPECT_FALSE(FlatFieldMap::Load(sandbox.Home() + "/missing.ver").has_value());
}

TEST(FlatFieldTest, ProfileWritesAFreshMapToTheFilmTypesFileAndLoadsItLater)
{
    Sandbox sandbox;
    CImageProfile profile(ProfileFlavour::Capture);
    CDib frame = BlankFrame(640, 480, true);
    const CDib original(frame);
    EXPECT_EQ(profile.SelectCalibrationFile("Positive.ver"), 0);
    EXPECT_EQ(profile.ApplyCalibration(frame), 0);
    EXPECT_EQ(0, std::memcmp(frame.Pixels(), original.Pixels(), original.PixelBytes()));

    ASSERT_EQ(profile.Calibrate(frame), 1);
    ASSERT_EQ(profile.SelectCalibrationFile("Negative.ver"), 1);
    EXPECT_TRUE(FlatFieldMap::Load(sandbox.Home() + "/Negative.ver").has_value());

    // Another session switching to that film type finds it; one without a
    // reference, or with a damaged one, goes without correction.
    CImageProfile later(ProfileFlavour::Capture);
    ASSERT_EQ(later.SelectCalibrationFile("Negative.ver"), 1);
    CDib still = BlankFrame(1280, 960, false);
    ASSERT_EQ(later.ApplyCalibration(still), 1);
    EXPECT_LT(WorstUnevenness(still), 0.04);
    EXPECT_EQ(later.SelectCalibrationFile("Positive.ver"), 0);
    EXPECT_FALSE(later.HasCalibration());
    WriteFile(sandbox.Home() + "/BlackWhite.ver", "TVFLAT");
    EXPECT_EQ(later.SelectCalibrationFile("BlackWhite.ver"), 0);
    EXPECT_FALSE(later.HasCalibration());

    // A frame without light computes nothing, so the selection loads the file.
    CDib dark;
    dark.Create(640, 480, 24, 300);
    std::memset(dark.Pixels(), 3, dark.PixelBytes());
    EXPECT_EQ(later.Calibrate(dark), 0);
    EXPECT_EQ(later.SelectCalibrationFile("Negative.ver"), 1);
}

} // namespace tavrel::test
