#include "imaging/codecs/EncoderChoice.h"
#include "imaging/codecs/ImageCodec.h"

#include <gtest/gtest.h>

#include <tiffio.h>

namespace tavrel::test
{

TEST(ImageFormatForName, TableInOrder)
{
    EXPECT_EQ(ImageFormatForName("a.wbmp"), 9);
    EXPECT_EQ(ImageFormatForName("a.BMP"), 1);
    EXPECT_EQ(ImageFormatForName("xbmp"), 1); // no dot needed
    EXPECT_EQ(ImageFormatForName("wbmp"), 9);
    EXPECT_EQ(ImageFormatForName("bmp"), 1);
    EXPECT_EQ(ImageFormatForName("a.gif"), 2);
    EXPECT_EQ(ImageFormatForName("a.jpg"), 3);
    EXPECT_EQ(ImageFormatForName("a.JPEG"), 3);
    EXPECT_EQ(ImageFormatForName("a.png"), 4);
    EXPECT_EQ(ImageFormatForName("a.mng"), 17);
    EXPECT_EQ(ImageFormatForName("a.jng"), 17);
    EXPECT_EQ(ImageFormatForName("a.ico"), 5);
    EXPECT_EQ(ImageFormatForName("a.tif"), 6);
    EXPECT_EQ(ImageFormatForName("a.Tiff"), 6);
    EXPECT_EQ(ImageFormatForName("a.tga"), 7);
    EXPECT_EQ(ImageFormatForName("a.pcx"), 8);
    EXPECT_EQ(ImageFormatForName("a.wmf"), 10);
    EXPECT_EQ(ImageFormatForName("a.emf"), 10);
    EXPECT_EQ(ImageFormatForName("a.j2k"), 11);
    EXPECT_EQ(ImageFormatForName("a.jp2"), 11);
    EXPECT_EQ(ImageFormatForName("a.j2c"), 12);
    EXPECT_EQ(ImageFormatForName("a.jpc"), 12);
    EXPECT_EQ(ImageFormatForName("a.pgx"), 13);
    EXPECT_EQ(ImageFormatForName("a.pnm"), 14);
    EXPECT_EQ(ImageFormatForName("a.pgm"), 14);
    EXPECT_EQ(ImageFormatForName("a.PPM"), 14);
    EXPECT_EQ(ImageFormatForName("a.ras"), 15);
    EXPECT_EQ(ImageFormatForName("a.txt"), 0);
    EXPECT_EQ(ImageFormatForName("a.jpe"), 0);
    EXPECT_EQ(ImageFormatForName("pg"), 0);
    EXPECT_EQ(ImageFormatForName(""), 0);
}

TEST(FindEncoder, ExtensionsAndMimeTypes)
{
    std::string mime;
    EXPECT_GE(CImageCodec::FindEncoder("JPG", &mime), 0);
    EXPECT_EQ(mime, "image/jpeg");
    EXPECT_GE(CImageCodec::FindEncoder("tif", &mime), 0);
    EXPECT_EQ(mime, "image/tiff");
    EXPECT_GE(CImageCodec::FindEncoder("Bmp", &mime), 0);
    EXPECT_EQ(mime, "image/bmp");
    EXPECT_GE(CImageCodec::FindEncoder("gif", &mime), 0);
    EXPECT_EQ(mime, "image/gif");
    EXPECT_EQ(CImageCodec::FindEncoder("png"), -1);
    EXPECT_EQ(CImageCodec::FindEncoder("jpeg"), -1);
    EXPECT_EQ(CImageCodec::FindEncoder(""), -1);
}

TEST(EncoderChoice, ParameterTable)
{
    struct Row
    {
        int bpp;
        std::uint32_t code;
        EncoderParameter parameter;
        int value; // quality or compression value
    };
    const Row rows[] = {
        {1, 0x02000050, EncoderParameter::Quality, 80},
        {1, 0x01000003, EncoderParameter::Compression, 4},
        {1, 0x01000009, EncoderParameter::Compression, 3},
        {1, 0x01000002, EncoderParameter::Compression, 6},
        {1, 0x03000003, EncoderParameter::Compression, 6},
        {8, 0x0200005F, EncoderParameter::Quality, 95},
        {24, 0x01000002, EncoderParameter::Compression, 2},
        {24, 0x01000003, EncoderParameter::Compression, 6},
        {8, 0x03000000, EncoderParameter::Compression, 6},
    };
    for (const Row& r : rows)
    {
        const EncoderChoice c = ChooseEncoder("x.tif", r.bpp, r.code);
        EXPECT_EQ(c.parameter, r.parameter) << r.bpp << " " << std::hex << r.code;
        EXPECT_EQ(c.parameter == EncoderParameter::Quality ? c.quality : c.compressionValue,
                  r.value);
    }
    EXPECT_EQ(ChooseEncoder("x.tif", 1, 0x01000003).tiffCompression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(ChooseEncoder("x.tif", 1, 0x01000009).tiffCompression, COMPRESSION_CCITTFAX3);
    EXPECT_EQ(ChooseEncoder("x.tif", 24, 0x01000002).tiffCompression, COMPRESSION_LZW);
    EXPECT_EQ(ChooseEncoder("x.tif", 24, 0x01000000).tiffCompression, COMPRESSION_NONE);
    EXPECT_EQ(ChooseEncoder("x.bmp", 24, 0x0200005F).encoder, EncoderKind::Jpeg);
    EXPECT_EQ(ChooseEncoder("x.bmp", 1, 0x0200005F).encoder, EncoderKind::Bmp);
    EXPECT_EQ(ChooseEncoder("x.png", 24, 0x01000002).encoder, EncoderKind::None);
    EXPECT_EQ(ChooseEncoder("x.png", 24, 0x0200005F).encoder, EncoderKind::Jpeg);
    EXPECT_EQ(ChooseEncoder("x.gIf", 8, 0).encoder, EncoderKind::Gif);
}

} // namespace tavrel::test
