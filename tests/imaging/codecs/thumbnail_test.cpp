#include "../../support/ImageCompare.h"
#include "CodecTestFolder.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/codecs/Thumbnail.h"
#include "imaging/cwimage/dib/Dib.h"

#include <gtest/gtest.h>

namespace tavrel::test
{

TEST_F(CodecTest, JpegThumbnailsDecodeAtAReducedScale)
{
    CDib pic;
    ASSERT_EQ(pic.Create(800, 600, 24, 300), 1);
    FillPhotoLike(pic);
    ASSERT_EQ(pic.SaveFile(Path("big.jpg"), kFormatJpeg95), 1);

    CDib thumb;
    ASSERT_EQ(LoadThumbnail(Path("big.jpg"), thumb, 160, 120), 1);
    EXPECT_EQ(thumb.Width(), 200); // 1/4: the smallest scale still covering the box
    EXPECT_EQ(thumb.Height(), 150);
    ASSERT_EQ(LoadThumbnail(Path("big.jpg"), thumb, 50, 50), 1);
    EXPECT_EQ(thumb.Width(), 100); // 1/8 at most
    ASSERT_EQ(LoadThumbnail(Path("big.jpg"), thumb, 1000, 1000), 1);
    EXPECT_EQ(thumb.Width(), 800);

    // The reduced picture still looks like the original reduced.
    CDib reduced;
    ASSERT_EQ(pic.ShrinkByFactor(&reduced, 4), 1);
    ASSERT_EQ(LoadThumbnail(Path("big.jpg"), thumb, 160, 120), 1);
    EXPECT_TRUE(DibsMatch(thumb, reduced, 40));
}

TEST_F(CodecTest, OtherThumbnailsAreShrunkWhole)
{
    CDib pic;
    ASSERT_EQ(pic.Create(90, 60, 8, 300), 1);
    FillPhotoLike(pic);
    ASSERT_EQ(pic.SaveFile(Path("a.bmp"), kFormatBmp), 1);
    CDib thumb;
    ASSERT_EQ(LoadThumbnail(Path("a.bmp"), thumb, 30, 20), 1);
    EXPECT_EQ(thumb.Width(), 30);
    EXPECT_EQ(thumb.Height(), 20);
    EXPECT_EQ(LoadThumbnail(Path("none.jpg"), thumb, 30, 20), 0);
    EXPECT_EQ(LoadThumbnail(Path("a.bmp"), thumb, 0, 20), 0);

    // A truncated JPEG gives no thumbnail either.
    ASSERT_EQ(pic.SaveFile(Path("b.jpg"), kFormatJpeg95), 1);
    auto bytes = Bytes(Path("b.jpg"));
    bytes.resize(bytes.size() / 2);
    WriteBytes(Path("c.jpg"), bytes);
    EXPECT_EQ(LoadThumbnail(Path("c.jpg"), thumb, 10, 10), 0);
}

} // namespace tavrel::test
