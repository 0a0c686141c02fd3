// Lens calibration end to end with the simulated scanner: a frame of the
// empty holder becomes the film type's reference, and from then on every
// frame, preview and stored picture alike, comes out evenly lit. A frame
// with film in the holder is refused and changes nothing.

#include "EngineHost.h"

#include "imaging/FlatFieldMap.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/ImageCompare.h"

using namespace std::chrono_literals;

namespace tavrel::test
{

TEST_F(EngineTest, CalibrationWithTheEmptyHolderEvensOutPreviewAndStoredPictures)
{
    auto film = [](const char* what)
    {
        std::string error;
        auto sim = Process::Start("tavrel-sim", {"film", what}, {}, &error);
        ASSERT_NE(sim, nullptr) << error;
        ASSERT_EQ(sim->WaitForExit(), 0) << sim->StdErr();
    };
    // Film in the holder: refused, and no reference is made of it.
    film("positive");
    StartHost();
    StartEngine();
    EXPECT_EQ(m_engine->CaptureCalibrationReference(), CalibrationResult::HolderInPlace);
    EXPECT_FALSE(std::filesystem::exists(m_folder + "/Positive.ver"));

    // The empty holder's light falls off towards the corners (film shows its
    // black mount there): the camera now sends the empty holder.
    film("none");
    ASSERT_TRUE(WaitFor(
        [&]
        {
            const double ratio = WorstCornerRatio(*m_engine->Frame());
            return ratio > 0.3 && ratio < 0.8;
        }));
    ASSERT_EQ(m_engine->CaptureCalibrationReference(), CalibrationResult::Taken);
    const auto reference = FlatFieldMap::Load(m_folder + "/Positive.ver");
    ASSERT_TRUE(reference.has_value());
    ASSERT_TRUE(
        WaitFor([&] { return std::abs(WorstCornerRatio(*m_engine->Frame()) - 1.0) < 0.04; }, 20s))
        << WorstCornerRatio(*m_engine->Frame());

    EXPECT_EQ(Click(control::kCapture), 1);
    ASSERT_TRUE(WaitFor([&] { return StoredCount() == 1 && Idle(); }, 60s)) << Log();
    std::string stored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dest))
        if (entry.path().extension() == ".jpg")
            stored = entry.path().string();
    CDib picture;
    picture.LoadFile(stored);
    ASSERT_TRUE(picture.HasPixels()) << stored;
    EXPECT_EQ(picture.Width(), 2592 - 2 * 96);
    EXPECT_NEAR(WorstCornerRatio(picture), 1.0, 0.04);

    // Film put in before a second calibration: the reference and the
    // correction in force stay those of the empty holder.
    const std::string kept = ReadFile(m_folder + "/Positive.ver");
    film("positive");
    // The slide's sky is far brighter than its middle, even corrected.
    ASSERT_TRUE(WaitFor([&] { return WorstCornerRatio(*m_engine->Frame()) > 2.0; }));
    EXPECT_EQ(m_engine->CaptureCalibrationReference(), CalibrationResult::HolderInPlace);
    EXPECT_EQ(ReadFile(m_folder + "/Positive.ver"), kept);
    film("none");
    EXPECT_TRUE(
        WaitFor([&] { return std::abs(WorstCornerRatio(*m_engine->Frame()) - 1.0) < 0.04; }, 20s));
}

} // namespace tavrel::test
