// Lens calibration end to end with the simulated scanner: a frame of the
// empty holder becomes the film type's reference, and from then on every
// frame, preview and stored picture alike, comes out evenly lit.

#include "EngineHost.h"

#include "imaging/FlatFieldMap.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/ImageCompare.h"

using namespace std::chrono_literals;

namespace tavrel::test
{

TEST_F(EngineTest, CalibrationWithTheEmptyHolderEvensOutPreviewAndStoredPictures)
{
    std::string error;
    auto sim = Process::Start("tavrel-sim", {"film", "none"}, {}, &error);
    ASSERT_NE(sim, nullptr) << error;
    ASSERT_EQ(sim->WaitForExit(), 0) << sim->StdErr();
    StartHost();
    StartEngine();
    // The light box falls off towards the corners.
    EXPECT_LT(WorstCornerRatio(*m_engine->Frame()), 0.8);

    ASSERT_TRUE(m_engine->CaptureCalibrationReference());
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
}

} // namespace tavrel::test
