#include "CodecTestFolder.h"
#include "imaging/codecs/ImageCodec.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tiffio.h>

namespace tavrel::test
{

namespace
{

struct TiffContents
{
    uint32_t width = 0, height = 0;
    uint16_t bps = 0, spp = 0, compression = 0, photometric = 0, planar = 0;
    std::vector<unsigned char> data;
};

bool ReadBack(const std::string& path, TiffContents& t)
{
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return false;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &t.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &t.height);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &t.bps);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &t.spp);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &t.compression);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &t.photometric);
    TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &t.planar);
    const tmsize_t size = TIFFScanlineSize(tif);
    t.data.resize(std::size_t(size) * t.height);
    bool ok = true;
    for (uint32_t y = 0; y < t.height && ok; ++y)
        ok = TIFFReadScanline(tif, t.data.data() + std::size_t(size) * y, y, 0) == 1;
    TIFFClose(tif);
    return ok;
}

// Two pixels (blue 1, green 2, red 3) and (4, 5, 6), row padded to 8 bytes.
const std::uint8_t kTwoPixels[8] = {1, 2, 3, 4, 5, 6, 0, 0};

class TiffWriters : public CodecTest
{
protected:
    void SetUp() override
    {
        CodecTest::SetUp();
        tavrel::ClearRecordedMessageBoxes();
    }
};

} // namespace

TEST_F(TiffWriters, FortyEightBitSamplesOfWideRowsAndEveryByteValue)
{
    // Widths below, at and across the eight-pixel steps, every byte value in
    // every channel position, rows padded as pictures are.
    for (int width : {7, 8, 9, 37, 256})
    {
        const int height = 3, rowBytes = (3 * width + 3) / 4 * 4;
        std::vector<std::uint8_t> pixels(std::size_t(rowBytes) * height, 0xEE);
        for (int y = 0; y < height; ++y)
            for (int i = 0; i < 3 * width; ++i)
                pixels[std::size_t(y * rowBytes + i)] = std::uint8_t(i * 7 + y * 101);
        std::string path = Path("wide.tif");
        ASSERT_EQ(WriteTiff48(path, width, height, 24, pixels.data()), 1);
        TiffContents t;
        ASSERT_TRUE(ReadBack(path, t));
        ASSERT_EQ(t.data.size(), std::size_t(width) * height * 6);
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)
                {
                    const std::uint8_t value = pixels[std::size_t(y * rowBytes + 3 * x + 2 - c)];
                    const std::size_t at = (std::size_t(y) * width + x) * 6 + 2 * c;
                    wrong += t.data[at] != value || t.data[at + 1] != value;
                }
        EXPECT_EQ(wrong, 0) << width;
    }
}

TEST_F(TiffWriters, FortyEightBitSamplesAreValueTimes257)
{
    std::string path = Path("two.jpg");
    ASSERT_EQ(WriteTiff48(path, 2, 1, 24, kTwoPixels), 1);
    EXPECT_EQ(path, Path("two.tiff"));
    EXPECT_FALSE(std::filesystem::exists(Path("two.jpg")));
    TiffContents t;
    ASSERT_TRUE(ReadBack(path, t));
    EXPECT_EQ(t.width, 2u);
    EXPECT_EQ(t.height, 1u);
    EXPECT_EQ(t.bps, 16);
    EXPECT_EQ(t.spp, 3);
    EXPECT_EQ(t.compression, COMPRESSION_NONE);
    EXPECT_EQ(t.photometric, PHOTOMETRIC_RGB);
    EXPECT_EQ(t.planar, PLANARCONFIG_CONTIG);
    const std::vector<unsigned char> expected = {3, 3, 2, 2, 1, 1, 6, 6, 5, 5, 4, 4};
    EXPECT_EQ(t.data, expected);
    const auto file = Bytes(path);
    EXPECT_EQ(file[0], 'I'); // little-endian samples
    EXPECT_TRUE(tavrel::RecordedMessageBoxes().empty());
}

TEST_F(TiffWriters, TwentyFourBitWritesRedGreenBlue)
{
    std::string path = Path("two.TIF");
    ASSERT_EQ(WriteTiff24(path, 2, 1, 24, kTwoPixels), 1);
    EXPECT_EQ(path, Path("two.TIF"));
    TiffContents t;
    ASSERT_TRUE(ReadBack(path, t));
    EXPECT_EQ(t.bps, 8);
    EXPECT_EQ(t.data, (std::vector<unsigned char>{3, 2, 1, 6, 5, 4}));
}

TEST_F(TiffWriters, RowsOfAWidePictureUseTheirPadding)
{
    // Width 3: rows of 12 bytes, the last three of which are padding.
    std::vector<std::uint8_t> pixels(24, 0);
    for (int i = 0; i < 9; ++i)
        pixels[std::size_t(i)] = std::uint8_t(10 + i),
        pixels[std::size_t(12 + i)] = std::uint8_t(50 + i);
    pixels[9] = pixels[10] = pixels[11] = 0xEE;
    std::string path = Path("w.tiff");
    ASSERT_EQ(WriteTiff24(path, 3, 2, 24, pixels.data()), 1);
    TiffContents t;
    ASSERT_TRUE(ReadBack(path, t));
    ASSERT_EQ(t.data.size(), 18u);
    EXPECT_EQ(t.data[0], 12);
    EXPECT_EQ(t.data[9], 52);
    EXPECT_EQ(t.data[17], 56);
}

TEST_F(TiffWriters, ChecksAndTheirMessages)
{
    std::string path = Path("a.tif");
    EXPECT_EQ(WriteTiff48(path, 2, 1, 8, kTwoPixels), 0);
    EXPECT_EQ(WriteTiff24(path, 2, 1, 24, nullptr), 0);
    std::string noDot = Path("nodot");
    EXPECT_EQ(WriteTiff24(noDot, 2, 1, 24, kTwoPixels), 0);
    EXPECT_EQ(noDot, Path("nodot"));
    std::string folderDot = Path("x.d/name");
    EXPECT_EQ(WriteTiff24(folderDot, 2, 1, 24, kTwoPixels), 0);
    std::string missing = Path("missing/a.tif");
    EXPECT_EQ(WriteTiff48(missing, 2, 1, 24, kTwoPixels), 0);
    const std::vector<std::string> expected = {"只支持24位真彩图！", "内存段为空！",
                                               "不能创建TIF文件！"};
    EXPECT_EQ(tavrel::RecordedMessageBoxes(), expected);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(TiffWriters, ExtensionRule)
{
    for (auto [given, final] :
         {std::pair{"p.tif", "p.tif"}, std::pair{"p.tiff", "p.tiff"}, std::pair{"p.TiFf", "p.TiFf"},
          std::pair{"p.bmp", "p.tiff"}, std::pair{"p.j", "p.tiff"}, std::pair{"p.", "p.tiff"}})
    {
        std::string path = Path(given);
        ASSERT_EQ(WriteTiff24(path, 2, 1, 24, kTwoPixels), 1) << given;
        EXPECT_EQ(path, Path(final));
        EXPECT_TRUE(std::filesystem::exists(path));
    }
}

} // namespace tavrel::test
