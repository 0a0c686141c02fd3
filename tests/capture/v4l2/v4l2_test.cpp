#include "capture/VideoModes.h"
#include "capture/Yuy2Converter.h"
#include "capture/v4l2/MjpegDecoder.h"
#include "capture/v4l2/V4l2Frames.h"
#include "imaging/cwimage/dib/Dib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace
{

const std::vector<VideoMode> kCamera = {
    {PixelFormat::Mjpeg, 640, 480, {30, 15}}, {PixelFormat::Yuyv, 640, 480, {30, 15}},
    {PixelFormat::Mjpeg, 1600, 1200, {30}},   {PixelFormat::Yuyv, 1600, 1200, {5}},
    {PixelFormat::Yuyv, 2592, 1944, {3}},     {PixelFormat::Mjpeg, 2592, 1944, {15}},
    {PixelFormat::Yuyv, 320, 240, {}},
};

std::vector<std::uint8_t> JpegOf(const CDib& picture)
{
    char path[] = "/tmp/tavrel-mjpeg-XXXXXX";
    const int fd = mkstemp(path);
    close(fd);
    const_cast<CDib&>(picture).SaveFile(path, 0x0200005F);
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    unlink(path);
    return bytes;
}

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

TEST(Mjpeg, DecodesToBgrRowsCloseToTheSource)
{
    CDib picture;
    ASSERT_TRUE(picture.Create(64, 32, 24, 300));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
        {
            std::uint8_t* p = picture.Row(y) + 3 * x;
            p[0] = 200; // blue left, red right
            p[1] = 40;
            p[2] = x < 32 ? 30 : 220;
            if (x >= 32)
                p[0] = 20;
        }
    const auto jpeg = JpegOf(picture);
    ASSERT_GT(jpeg.size(), 100u);
    DecodedFrame frame;
    std::string error;
    ASSERT_TRUE(DecodeMjpeg(jpeg.data(), jpeg.size(), frame, &error)) << error;
    EXPECT_EQ(frame.width, 64);
    EXPECT_EQ(frame.height, 32);
    const std::uint8_t* left = &frame.bgr[(16 * 64 + 8) * 3];
    const std::uint8_t* right = &frame.bgr[(16 * 64 + 56) * 3];
    EXPECT_NEAR(left[0], 200, 12);
    EXPECT_NEAR(left[2], 30, 12);
    EXPECT_NEAR(right[0], 20, 12);
    EXPECT_NEAR(right[2], 220, 12);
}

TEST(Mjpeg, TruncatedAndCorruptFramesFailCleanly)
{
    CDib picture;
    ASSERT_TRUE(picture.Create(48, 48, 24, 300));
    for (std::size_t i = 0; i < picture.PixelBytes(); ++i)
        picture.Pixels()[i] = static_cast<std::uint8_t>(i * 31);
    const auto jpeg = JpegOf(picture);
    DecodedFrame frame;
    std::string error;
    EXPECT_FALSE(DecodeMjpeg(jpeg.data(), jpeg.size() / 2, frame, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(frame.bgr.empty());
    std::vector<std::uint8_t> garbage(500, 0x5A);
    EXPECT_FALSE(DecodeMjpeg(garbage.data(), garbage.size(), frame));
    EXPECT_FALSE(DecodeMjpeg(nullptr, 0, frame));
}

TEST(Frames, ShortBuffersAreRefusedAndYuyvPassesThrough)
{
    std::vector<std::uint8_t> yuyv(8 * 2 * 2, 128);
    DecodedFrame frame;
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
