// The capture program's chain with the shipped plug-in and profiles.

#include "imaging/ImageProfile.h"
#include "imaging/cwimage/dib/Dib.h"
#include "shared/camera/SimulatedFrames.h"
#include "support/ImageCompare.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace tavrel::test
{

namespace
{

const std::string kShipped = TAVREL_TEST_SOURCE_DIR "/resources/data/";

// The profile file copied into the sandbox, loaded by a capture profile.
class ShippedProfile : public ::testing::Test
{
protected:
    std::string Copy(const std::string& name)
    {
        const std::string path = sandbox.Home() + "/" + name;
        std::filesystem::copy_file(kShipped + name, path);
        return path;
    }

    Sandbox sandbox;
};

using Rgb = MeanColour;

// At a place given as fractions of the picture's width and height.
Rgb MeanAt(const CDib& picture, double u, double v, int half)
{
    return MeanAround(picture, int(u * picture.Width()), int(v * picture.Height()), half);
}

// The simulated scanner's frame of the test slide on colour negative film.
CDib NegativeFrame(int width, int height)
{
    CDib frame;
    frame.Create(width, height, 24, 300);
    SlideConditions negative;
    negative.film = HolderFilm::Negative;
    negative.sensor = SensorFilmType::Negative;
    RenderSlideRgb24(negative, width, height, frame.Pixels(), std::size_t(frame.RowSize()));
    return frame;
}

} // namespace

TEST_F(ShippedProfile, PositiveWithTheSwitchesOffLeavesPixelsAsTheyWere)
{
    CImageProfile profile(ProfileFlavour::Capture);
    ASSERT_TRUE(profile.PluginLoaded());
    ASSERT_EQ(profile.LoadProfile(Copy("Positive.xml")), 1);
    CDib picture;
    picture.Create(301, 203, 24, 300);
    FillPhotoLike(picture, 3);
    const CDib original(picture);
    ASSERT_EQ(profile.ProcessImage(0, picture), 1);
    EXPECT_TRUE(DibsMatch(picture, original));
    ASSERT_EQ(profile.ProcessImage(1, picture), 1);
    EXPECT_TRUE(DibsMatch(picture, original));
}

TEST_F(ShippedProfile, NegativeComesOutAsANeutralPositiveAndThePreviewShowsIt)
{
    CImageProfile profile(ProfileFlavour::Capture);
    ASSERT_EQ(profile.LoadProfile(Copy("Negative.xml")), 1);
    CDib still = NegativeFrame(1296, 972);
    CDib preview = NegativeFrame(324, 243);
    ASSERT_EQ(profile.ProcessImage(0, still), 1);
    ASSERT_EQ(profile.ProcessImage(1, preview), 1);

    // The grey scale: neutral, in order, from near black to near white.
    int previous = -1;
    for (int step = 1; step < 10; ++step)
    {
        const double u = 0.06 + 0.88 * (step + 0.5) / 11;
        const Rgb grey = MeanAt(still, u, 0.86, 8);
        EXPECT_NEAR(grey.r, grey.g, 6) << "step " << step;
        EXPECT_NEAR(grey.b, grey.g, 6) << "step " << step;
        EXPECT_GT(grey.g, previous + 8) << "step " << step;
        previous = grey.g;
        const Rgb shown = MeanAt(preview, u, 0.86, 2);
        EXPECT_NEAR(shown.g, grey.g, 12) << "step " << step;
        EXPECT_NEAR(shown.r - shown.b, grey.r - grey.b, 8) << "step " << step;
    }
    // The sky is blue again, the ground is not.
    const Rgb sky = MeanAt(still, 0.3, 0.2, 8);
    EXPECT_GT(sky.b, sky.r + 30);
    const Rgb ground = MeanAt(still, 0.65, 0.36, 8);
    EXPECT_GT(ground.r, ground.b);
}

TEST_F(ShippedProfile, RemoveNoiseBoxDenoisesStoredPicturesAndIsKeptWithTheProfile)
{
    const std::string path = Copy("Positive.xml");
    CImageProfile profile(ProfileFlavour::Capture);
    ASSERT_EQ(profile.LoadProfile(path), 1);
    ASSERT_EQ(profile.SetDenoiseEnabled(1), 1);

    CDib clean;
    clean.Create(400, 300, 24, 300);
    RenderSlideRgb24({}, 400, 300, clean.Pixels(), std::size_t(clean.RowSize()));
    CDib noisy(clean);
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 10.0);
    for (int y = 0; y < 300; ++y)
        for (int i = 0; i < 1200; ++i)
            noisy.Row(y)[i] =
                std::uint8_t(std::clamp(std::lround(noisy.Row(y)[i] + noise(random)), 0L, 255L));

    CDib previewed(noisy);
    ASSERT_EQ(profile.ProcessImage(1, previewed), 1);
    EXPECT_TRUE(DibsMatch(previewed, noisy)) << "the preview is never denoised";
    CDib stored(noisy);
    ASSERT_EQ(profile.ProcessImage(0, stored), 1);
    auto meanSquare = [&](const CDib& a)
    {
        double sum = 0;
        for (int y = 0; y < 300; ++y)
            for (int i = 0; i < 1200; ++i)
                sum += std::pow(a.Row(y)[i] - clean.Row(y)[i], 2.0);
        return sum;
    };
    EXPECT_LT(meanSquare(stored), meanSquare(noisy) / 2);

    ASSERT_EQ(profile.SaveProfile(), 1);
    CImageProfile reloaded(ProfileFlavour::Capture);
    ASSERT_EQ(reloaded.LoadProfile(path), 1);
    EXPECT_EQ(reloaded.GetDenoiseEnabled(), 1);
}

} // namespace tavrel::test
