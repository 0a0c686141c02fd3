#include "imaging/codecs/MjpegDecoder.h"
#include "imaging/cwimage/dib/Dib.h"

#include "CodecTestFolder.h"

#include <gtest/gtest.h>

namespace tavrel::test
{

using tavrel::DecodedFrame;
using tavrel::DecodeMjpeg;

namespace
{

class Mjpeg : public CodecTest
{
protected:
    std::vector<std::uint8_t> JpegOf(CDib& picture)
    {
        const std::string path = Path("frame.jpg");
        EXPECT_TRUE(picture.SaveFile(path, 0x0200005F));
        const auto bytes = Bytes(path);
        return {bytes.begin(), bytes.end()};
    }
};

} // namespace

TEST_F(Mjpeg, DecodesToBgrRowsCloseToTheSource)
{
    CDib picture;
    ASSERT_TRUE(picture.Create(64, 32, 24, 300));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
        {
            std::uint8_t* p = picture.Row(y) + 3 * x;
            p[0] = x < 32 ? 200 : 20; // blue left, red right
            p[1] = 40;
            p[2] = x < 32 ? 30 : 220;
        }
    auto jpeg = JpegOf(picture);
    ASSERT_GT(jpeg.size(), 100u);
    DecodedFrame frame;
    std::string error;
    ASSERT_TRUE(DecodeMjpeg(jpeg.data(), jpeg.size(), frame, &error, 64, 32)) << error;
    EXPECT_EQ(frame.width, 64);
    EXPECT_EQ(frame.height, 32);
    const std::uint8_t* left = &frame.bgr[(16 * 64 + 8) * 3];
    const std::uint8_t* right = &frame.bgr[(16 * 64 + 56) * 3];
    EXPECT_NEAR(left[0], 200, 12);
    EXPECT_NEAR(left[2], 30, 12);
    EXPECT_NEAR(right[0], 20, 12);
    EXPECT_NEAR(right[2], 220, 12);

    // Stray bytes before the end marker, as many cameras send: harmless.
    jpeg.insert(jpeg.end() - 2, {0x00, 0x00, 0x00});
    EXPECT_TRUE(DecodeMjpeg(jpeg.data(), jpeg.size(), frame, &error, 64, 32)) << error;
}

TEST_F(Mjpeg, TruncatedCorruptAndMisSizedFramesFailCleanly)
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
    // A header of another size than the stream's is refused before decoding.
    error.clear();
    EXPECT_FALSE(DecodeMjpeg(jpeg.data(), jpeg.size(), frame, &error, 640, 480));
    EXPECT_NE(error.find("48x48"), std::string::npos) << error;
    EXPECT_TRUE(frame.bgr.empty());
}

} // namespace tavrel::test
