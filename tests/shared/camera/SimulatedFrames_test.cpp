// The test slide answers the film type, the exposure and the film in the holder.

#include "shared/camera/SimulatedFrames.h"
#include "shared/camera/CameraControl.h"

#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <vector>

namespace tavrel::test
{

namespace
{

constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct Frame
{
    std::vector<std::uint8_t> bgr = std::vector<std::uint8_t>(kWidth * kHeight * 3);
    int B(double u, double v) const { return At(u, v, 0); }
    int G(double u, double v) const { return At(u, v, 1); }
    int R(double u, double v) const { return At(u, v, 2); }
    int At(double u, double v, int channel) const
    {
        int x = static_cast<int>(u * kWidth), y = static_cast<int>(v * kHeight);
        return bgr[(y * kWidth + x) * 3 + channel];
    }
};

Frame Render(HolderFilm film, SensorFilmType sensor, int gain = 0x40)
{
    Frame frame;
    EXPECT_TRUE(
        RenderSlideRgb24({film, sensor, gain}, kWidth, kHeight, frame.bgr.data(), kWidth * 3));
    return frame;
}

SlideConditions FromRegisters(HolderFilm film, int filmType)
{
    SimScannerState state;
    state.film = film;
    state.RecordWrite(SimScannerWrite::Kind::Register, kRegFilmType, filmType);
    return SlideConditionsFromState(state);
}

// Places on the slide: the sky near the top, the black mount, the white and
// the black step of the grey scale, a mid-grey step.
constexpr double kSky[2] = {0.3, 0.08};
constexpr double kMount[2] = {0.01, 0.5};
constexpr double kWhite[2] = {0.92, 0.86};
constexpr double kBlack[2] = {0.08, 0.86};
constexpr double kMidGrey[2] = {0.50, 0.86};

} // namespace

TEST(SimulatedFramesTest, NegativeIsInvertedAndOrangeMasked)
{
    Frame positive = Render(HolderFilm::Positive, SensorFilmType::Positive);
    Frame negative = Render(HolderFilm::Negative, SensorFilmType::Negative);
    // Light areas of the positive are dense on the negative and the other way round.
    EXPECT_GT(positive.G(kWhite[0], kWhite[1]), 240);
    EXPECT_LT(positive.G(kBlack[0], kBlack[1]), 10);
    EXPECT_LT(negative.G(kWhite[0], kWhite[1]), negative.G(kBlack[0], kBlack[1]));
    EXPECT_LT(negative.R(kSky[0], kSky[1]), negative.R(kMount[0], kMount[1]));
    // Neutral areas carry the mask: red over green over blue.
    for (const double* place : {kMidGrey, kMount, kBlack})
    {
        EXPECT_GT(negative.R(place[0], place[1]), negative.G(place[0], place[1]) + 20);
        EXPECT_GT(negative.G(place[0], place[1]), negative.B(place[0], place[1]) + 20);
    }
    // The positive's grey steps stay neutral.
    EXPECT_EQ(positive.R(kMidGrey[0], kMidGrey[1]), positive.B(kMidGrey[0], kMidGrey[1]));
}

TEST(SimulatedFramesTest, FilmTypeRegisterChoosesTheMatchingFilmUnlessOneIsInserted)
{
    EXPECT_EQ(FromRegisters(HolderFilm::Auto, 1).film, HolderFilm::Negative);
    EXPECT_EQ(FromRegisters(HolderFilm::Auto, 2).film, HolderFilm::BlackWhite);
    EXPECT_EQ(FromRegisters(HolderFilm::Auto, 3).film, HolderFilm::Print);
    EXPECT_EQ(FromRegisters(HolderFilm::Auto, 0x7f).sensor, SensorFilmType::Positive);
    SlideConditions inserted = FromRegisters(HolderFilm::Positive, 1);
    EXPECT_EQ(inserted.film, HolderFilm::Positive);
    EXPECT_EQ(inserted.sensor, SensorFilmType::Negative);
    EXPECT_EQ(SlideConditionsFromState(SimScannerState{}).exposureGain, 0x40);
}

TEST(SimulatedFramesTest, BlackAndWhiteIsGreyAndInverted)
{
    Frame bw = Render(HolderFilm::BlackWhite, SensorFilmType::BlackWhite);
    Frame colourFilmGreySensor = Render(HolderFilm::Positive, SensorFilmType::BlackWhite);
    for (double u = 0.05; u < 0.95; u += 0.1)
    {
        EXPECT_EQ(bw.R(u, 0.5), bw.B(u, 0.5));
        EXPECT_EQ(colourFilmGreySensor.R(u, 0.5), colourFilmGreySensor.G(u, 0.5));
    }
    EXPECT_LT(bw.G(kWhite[0], kWhite[1]), bw.G(kBlack[0], kBlack[1]));
}

TEST(SimulatedFramesTest, ExposureGainBrightensAndClips)
{
    Frame normal = Render(HolderFilm::Positive, SensorFilmType::Positive, 0x40);
    Frame doubled = Render(HolderFilm::Positive, SensorFilmType::Positive, 0x80);
    Frame dark = Render(HolderFilm::Positive, SensorFilmType::Positive, 0);
    EXPECT_GT(doubled.G(kMidGrey[0], kMidGrey[1]), normal.G(kMidGrey[0], kMidGrey[1]) + 20);
    EXPECT_EQ(doubled.G(kWhite[0], kWhite[1]), 255);
    EXPECT_EQ(dark.G(kWhite[0], kWhite[1]), 0);
}

TEST(SimulatedFramesTest, RenderingIsDeterministicAndHasFineDetail)
{
    Frame a = Render(HolderFilm::Print, SensorFilmType::Print);
    Frame b = Render(HolderFilm::Print, SensorFilmType::Print);
    EXPECT_EQ(a.bgr, b.bgr);
    // The finest line pairs alternate from one pixel column to the next.
    int y = static_cast<int>(0.775 * kHeight), x = static_cast<int>(0.07 * kWidth);
    int left = a.bgr[(y * kWidth + x) * 3 + 1], right = a.bgr[(y * kWidth + x + 1) * 3 + 1];
    EXPECT_GT(std::abs(left - right), 100);
}

TEST(SimulatedFramesTest, Yuy2MatchesTheColourFrame)
{
    SlideConditions c{HolderFilm::Negative, SensorFilmType::Negative, 0x40};
    Frame colour;
    ASSERT_TRUE(RenderSlideRgb24(c, kWidth, kHeight, colour.bgr.data(), kWidth * 3));
    std::vector<std::uint8_t> yuy2 = RenderSlideYuy2(c, kWidth, kHeight);
    ASSERT_EQ(yuy2.size(), std::size_t(kWidth) * kHeight * 2);
    int y = static_cast<int>(kMidGrey[1] * kHeight),
        x = static_cast<int>(kMidGrey[0] * kWidth) & ~1;
    const std::uint8_t* group = &yuy2[(y * kWidth + x) * 2];
    const std::uint8_t* bgr = &colour.bgr[(y * kWidth + x) * 3];
    double luma = 0.299 * bgr[2] + 0.587 * bgr[1] + 0.114 * bgr[0];
    EXPECT_NEAR(group[0], luma, 1.0);
    EXPECT_NEAR(group[2], luma, 1.0); // same step, same value
    // Full-range BT.601 back to red and blue.
    EXPECT_NEAR(group[0] + 1.402 * (group[3] - 128), bgr[2], 2.0);
    EXPECT_NEAR(group[0] + 1.772 * (group[1] - 128), bgr[0], 2.0);
    EXPECT_GT(group[3], 128); // orange: V above neutral
    EXPECT_LT(group[1], 128);

    EXPECT_TRUE(RenderSlideYuy2(c, 321, 10).empty());
    EXPECT_FALSE(RenderSlideRgb24(c, kWidth, kHeight, colour.bgr.data(), kWidth * 3 - 1));
}

TEST(SimulatedFramesTest, CurrentFrameFollowsTheSharedStateAndStopsWhenUnplugged)
{
    test::Sandbox sandbox;
    Frame before;
    ASSERT_TRUE(RenderFrameRgb24(kWidth, kHeight, before.bgr.data(), kWidth * 3));
    ASSERT_TRUE(SimScanner::Update(
        [](SimScannerState& state)
        {
            state.RecordWrite(SimScannerWrite::Kind::Register, kRegFilmType, 1);
            return true;
        }));
    Frame after;
    ASSERT_TRUE(RenderFrameRgb24(kWidth, kHeight, after.bgr.data(), kWidth * 3));
    EXPECT_GT(before.G(kWhite[0], kWhite[1]), after.G(kWhite[0], kWhite[1]) + 100);
    EXPECT_FALSE(RenderFrameYuy2(kWidth, kHeight).empty());

    ASSERT_TRUE(SimScanner::Unplug());
    EXPECT_FALSE(RenderFrameRgb24(kWidth, kHeight, after.bgr.data(), kWidth * 3));
    EXPECT_TRUE(RenderFrameYuy2(kWidth, kHeight).empty());
}

} // namespace tavrel::test
