#include "imaging/ImageBuffer.h"

#include "PictureMaker.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace tavrel::test
{

namespace fs = std::filesystem;

namespace
{

class ImageBufferFile : public ::testing::Test
{
protected:
    std::string Path(const char* name) const { return m_sandbox.Home() + "/" + name; }

    tavrel::test::Sandbox m_sandbox;
};

} // namespace

TEST_F(ImageBufferFile, BitmapRoundTripKeepsEveryPixel)
{
    buffertest::Picture pic = buffertest::MakeRandom(13, 7, 1, 11);
    CImageBuffer buffer;
    ASSERT_TRUE(buffer.CreateFromArray(pic.bits.data(), 13, 7, 24, pic.rowBytes));
    ASSERT_TRUE(buffer.Save(Path("a.bmp"), 1));
    CImageBuffer loaded;
    ASSERT_TRUE(loaded.Load(Path("a.bmp"), 1));
    ASSERT_EQ(loaded.GetWidth(), 13);
    ASSERT_EQ(loaded.GetHeight(), 7);
    for (int y = 0; y < 7; ++y)
        EXPECT_EQ(0, std::memcmp(loaded.GetBits(y), &pic.bits[y * pic.rowBytes], 39)) << y;
}

TEST_F(ImageBufferFile, JpegSaveGivesAPictureOfTheSameSize)
{
    buffertest::Picture pic = buffertest::MakeFlat(40, 24, 30, 140, 220);
    CImageBuffer buffer;
    ASSERT_TRUE(buffer.CreateFromArray(pic.bits.data(), 40, 24, 24, pic.rowBytes));
    ASSERT_TRUE(buffer.Resample(80, 48));
    ASSERT_TRUE(buffer.Save(Path("b.jpg"), 3));
    CImageBuffer loaded;
    ASSERT_TRUE(loaded.Load(Path("b.jpg"), 3));
    ASSERT_EQ(loaded.GetWidth(), 80);
    ASSERT_EQ(loaded.GetHeight(), 48);
    const std::uint8_t* p = loaded.GetBits(20) + 3 * 40;
    EXPECT_NEAR(p[0], 30, 4);
    EXPECT_NEAR(p[1], 140, 4);
    EXPECT_NEAR(p[2], 220, 4);
}

TEST_F(ImageBufferFile, RefusesWhatItCannotDo)
{
    CImageBuffer buffer;
    EXPECT_FALSE(buffer.Save(Path("empty.bmp"), 1)); // nothing held
    EXPECT_FALSE(buffer.Load(Path("missing.bmp"), 1));
    EXPECT_FALSE(buffer.IsValid());

    buffertest::Picture pic = buffertest::MakeFlat(4, 4, 1, 2, 3);
    ASSERT_TRUE(buffer.CreateFromArray(pic.bits.data(), 4, 4, 24, pic.rowBytes));
    EXPECT_FALSE(buffer.Save(Path("c.tga"), 7));
    EXPECT_FALSE(fs::exists(Path("c.tga")));
    ASSERT_TRUE(buffer.Save(Path("c.bmp"), 1));
    EXPECT_FALSE(buffer.Load(Path("c.bmp"), 0));
    EXPECT_FALSE(buffer.IsValid()); // a failed load leaves nothing behind

    // A truncated file is not a picture.
    fs::resize_file(Path("c.bmp"), 30);
    EXPECT_FALSE(buffer.Load(Path("c.bmp"), 1));
}

} // namespace tavrel::test
