// The road of a picture from the scanner to the folder Pelidor shows, as a
// user takes it: the device's button and "拍摄", in still mode and in
// frame-grab mode, as JPEG and as 8- and 16-bit TIFF. What is seen are the
// files the programs store.

#include "e2e/scan/ScanRoad.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>

namespace tavrel::test
{
namespace
{

using namespace std::chrono_literals;

TEST_F(ScanRoad, EachPressStoresAProcessedPictureInEveryModeAndFormat)
{
    struct Row
    {
        bool still;
        bool device; // the device's button, else "拍摄"
        int format;  // box 1043: 0 JPG, 1 TIFF
        int depth;   // box 1044: 0 24Bit, 1 48Bit
    };
    // Grouped by mode: the capture program starts once for each.
    const Row rows[] = {
        {true, true, 0, 0},  {true, false, 0, 0},  {true, true, 1, 0},  {true, false, 1, 0},
        {true, true, 1, 1},  {true, false, 1, 1},  {false, true, 0, 0}, {false, false, 0, 0},
        {false, true, 1, 0}, {false, false, 1, 0}, {false, true, 1, 1}, {false, false, 1, 1},
    };
    std::optional<bool> mode;
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::string(row.still ? "still" : "frame-grab") +
                     (row.device ? ", device button" : ", on screen") +
                     (row.format == 0  ? ", JPEG"
                      : row.depth == 0 ? ", TIFF 24"
                                       : ", TIFF 48"));
        if (mode != row.still)
        {
            ASSERT_NO_FATAL_FAILURE(StartVantrel(row.still));
            mode = row.still;
        }
        ASSERT_TRUE(Choose(1043, row.format));
        ASSERT_TRUE(Choose(1044, row.depth));
        const std::set<std::string> before = PictureNames(m_pictures);
        const std::size_t ended = CountOf(CaptureLog(), kCaptureEnd);
        // In frame-grab mode the device's button asks as "拍摄" does.
        ASSERT_TRUE(row.device ? PressDeviceButton(row.still ? kStillPinSnap : kButtonCapture)
                               : ClickCapture())
            << CaptureLog();
        // The hand-over is synchronous: once the capture ended, the
        // picture is stored or it never will be.
        ASSERT_TRUE(WaitFor([&] { return CountOf(CaptureLog(), kCaptureEnd) > ended; }, 60s))
            << CaptureLog();
        const std::set<std::string> added = Added(before);
        ASSERT_EQ(added.size(), 1u) << CaptureLog();
        const std::string name = *added.begin();
        EXPECT_TRUE(name.ends_with(row.format == 0 ? ".jpg" : ".tiff")) << name;

        const StoredPicture stored = ReadStoredPicture(m_pictures + "/" + name);
        ASSERT_TRUE(stored.read) << name;
        EXPECT_EQ(stored.format, row.format == 0 ? "jpeg" : "tiff");
        EXPECT_EQ(stored.bitsPerSample, row.depth == 0 ? 8 : 16);
        // The still is 2592 × 1944, the preview frame 640 × 480, each cut by
        // the capture margins 96, 72, 96, 72 of the sensor file.
        EXPECT_EQ(stored.width, row.still ? 2400 : 448);
        EXPECT_EQ(stored.height, row.still ? 1800 : 336);
        // Grey as the profile asks (JPEG's rounding aside), and a picture.
        EXPECT_LE(stored.maxChannelSpread, row.format == 0 ? 2 : 0);
        EXPECT_GT(stored.highest - stored.lowest, 64);
    }
}

} // namespace
} // namespace tavrel::test
