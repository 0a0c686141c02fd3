#include "capture/VideoModes.h"
#include "capture/Yuy2Converter.h"
#include "capture/v4l2/V4l2Frames.h"

#include <gtest/gtest.h>

namespace tavrel::test
{

namespace
{

const std::vector<VideoMode> kCamera = {
    {PixelFormat::Mjpeg, 640, 480, {30, 15}}, {PixelFormat::Yuyv, 640, 480, {30, 15}},
    {PixelFormat::Mjpeg, 1600, 1200, {30}},   {PixelFormat::Yuyv, 1600, 1200, {5}},
    {PixelFormat::Yuyv, 2592, 1944, {3}},     {PixelFormat::Mjpeg, 2592, 1944, {15}},
    {PixelFormat::Yuyv, 320, 240, {}},
};

} // namespace

TEST(CaptureMode, ExactSizeAndRateTieGoesToYuyv)
{
    const auto c = ChooseCaptureMode(kCamera, {640, 480, 30});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->pixelFormat, PixelFormat::Yuyv);
    EXPECT_EQ(c->format.width, 640);
    EXPECT_EQ(c->format.frameRate, 30);
}

TEST(CaptureMode, RateDecidesTheFormatAtALargeSize)
{
    // YUYV gives only 5 fps at 1600 x 1200, MJPEG reaches the wanted 30.
    const auto c = ChooseCaptureMode(kCamera, {1600, 1200, 30});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->pixelFormat, PixelFormat::Mjpeg);
    EXPECT_EQ(c->format.frameRate, 30);
    // A slower wish is served by the rate at or above it.
    const auto slow = ChooseCaptureMode(kCamera, {640, 480, 20});
    ASSERT_TRUE(slow);
    EXPECT_EQ(slow->format.frameRate, 30);
}

TEST(CaptureMode, NearestSizeWhenNotOfferedAndNothingWhenEmpty)
{
    const auto c = ChooseCaptureMode(kCamera, {800, 600, 30});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->format.width, 640); // 160 + 120 away beats 800 + 600
    EXPECT_FALSE(ChooseCaptureMode({}, {640, 480, 30}));
    // A mode without rates cannot be streamed.
    EXPECT_FALSE(ChooseCaptureMode({{PixelFormat::Yuyv, 320, 240, {}}}, {320, 240, 30}));
}

TEST(StillMode, ExactSizeOnlyPreferringYuyvAtItsFastestRate)
{
    const auto s = ChooseStillMode(kCamera, 2592, 1944);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->pixelFormat, PixelFormat::Yuyv);
    EXPECT_EQ(s->format.frameRate, 3);
    EXPECT_FALSE(ChooseStillMode(kCamera, 2000, 1500));
}

TEST(Frames, ShortBuffersAreRefusedAndYuyvPassesThrough)
{
    std::vector<std::uint8_t> yuyv(8 * 2 * 2, 128);
    tavrel::DecodedFrame frame;
    EXPECT_FALSE(FrameToBgr(PixelFormat::Yuyv, 8, 2, yuyv.data(), yuyv.size() - 1, frame));
    EXPECT_TRUE(FrameToBgr(PixelFormat::Yuyv, 8, 2, yuyv.data(), yuyv.size(), frame));
    EXPECT_EQ(frame.bgr.size(), 8u * 2 * 3);
    std::vector<std::uint8_t> still;
    EXPECT_TRUE(FrameToYuy2(PixelFormat::Yuyv, 8, 2, yuyv.data(), yuyv.size(), still));
    EXPECT_EQ(still, yuyv);
    EXPECT_FALSE(FrameToYuy2(PixelFormat::Yuyv, 7, 2, yuyv.data(), yuyv.size(), still));
}

TEST(Frames, PackingAnMjpegStillRoundTripsThroughTheTables)
{
    // Grey and mid colours survive BGR -> 4:2:2 -> BGR within rounding.
    std::vector<std::uint8_t> bgr = {128, 128, 128, 128, 128, 128, 60, 120, 180, 60, 120, 180};
    std::vector<std::uint8_t> packed(8), back(12);
    BgrToYuy2(bgr.data(), 4, 1, packed.data());
    EXPECT_EQ(packed[1], 128);
    EXPECT_EQ(packed[3], 128);
    ConvertYuy2(packed.data(), 4, back.data());
    for (std::size_t i = 0; i < bgr.size(); ++i)
        EXPECT_NEAR(back[i], bgr[i], 3) << i;
}

} // namespace tavrel::test
