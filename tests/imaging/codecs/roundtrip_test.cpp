#include "../../support/ImageCompare.h"
#include "CodecTestFolder.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <unistd.h>

namespace tavrel::test
{

namespace
{

CDib Picture(int w, int h, int bpp, int dpi = 300)
{
    CDib d;
    EXPECT_EQ(d.Create(w, h, bpp, dpi), 1);
    FillPhotoLike(d, unsigned(w + bpp));
    return d;
}

struct Case
{
    const char* extension;
    std::uint32_t code;
    int bpp;
    int tolerance; // lossy formats
    bool keepsDpi; // GIF has no resolution field
    int loadedBpp;
};

class RoundTrip : public CodecTest, public ::testing::WithParamInterface<Case>
{
};

} // namespace

TEST_P(RoundTrip, PixelsDepthAndResolutionSurvive)
{
    const Case c = GetParam();
    for (int w : {1, 13, 64})
    {
        CDib original = Picture(w, 9, c.bpp);
        original.SetResolution(600, 600);
        const std::string path = Path("pic" + std::to_string(w) + "." + c.extension);
        ASSERT_EQ(original.SaveFile(path, c.code), 1) << path;
        CDib loaded;
        ASSERT_EQ(loaded.LoadFile(path), 1) << path;
        ASSERT_EQ(loaded.BitsPerPixel(), c.loadedBpp);
        if (c.loadedBpp == c.bpp)
        {
            EXPECT_TRUE(DibsMatch(loaded, original, c.tolerance)) << path;
        }
        EXPECT_EQ(loaded.XResolution(), c.keepsDpi ? 600 : 300);
        EXPECT_EQ(loaded.YResolution(), c.keepsDpi ? 600 : 300);
    }
    // Only the final file is left: the temporary one was renamed.
    EXPECT_EQ(Entries().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RoundTrip,
    ::testing::Values(
        Case{"bmp", kFormatBmp, 1, 0, true, 1}, Case{"bmp", kFormatBmp, 8, 0, true, 8},
        Case{"BMP", kFormatBmp, 24, 0, true, 24}, Case{"tif", 0x01000000, 1, 0, true, 1},
        Case{"tif", 0x01000003, 1, 0, true, 1}, Case{"tif", 0x01000009, 1, 0, true, 1},
        Case{"tif", 0x01000002, 8, 0, true, 8}, Case{"TIF", 0x01000002, 24, 0, true, 24},
        Case{"tif", 0x01000000, 24, 0, true, 24}, Case{"jpg", 0x02000064, 8, 12, true, 8},
        Case{"jpg", kFormatJpeg95, 24, 40, true, 24}, Case{"jpg", kFormatJpeg95, 1, 0, true, 8},
        Case{"gif", 0x03000000, 1, 0, false, 8}, Case{"gif", 0x03000000, 8, 0, false, 8},
        Case{"gif", 0x03000000, 24, 16, false, 24}));

TEST_F(CodecTest, JpegQualityChangesTheFile)
{
    CDib pic = Picture(64, 64, 24);
    ASSERT_EQ(pic.SaveFile(Path("low.jpg"), 0x0200000A), 1);
    ASSERT_EQ(pic.SaveFile(Path("high.jpg"), 0x02000064), 1);
    EXPECT_LT(Bytes(Path("low.jpg")).size(), Bytes(Path("high.jpg")).size());
}

TEST_F(CodecTest, JpegCodeOverridesTheExtension)
{
    CDib grey = Picture(16, 16, 8);
    ASSERT_EQ(grey.SaveFile(Path("a.bmp"), kFormatJpeg95), 1);
    const auto bytes = Bytes(Path("a.bmp"));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    CDib loaded;
    EXPECT_EQ(loaded.LoadFile(Path("a.bmp")), 1);
    EXPECT_EQ(loaded.BitsPerPixel(), 8);

    // A 1-bit picture is not turned into JPEG by the code: the extension decides.
    CDib bits = Picture(16, 16, 1);
    ASSERT_EQ(bits.SaveFile(Path("b.bmp"), kFormatJpeg95), 1);
    EXPECT_EQ(Bytes(Path("b.bmp"))[0], 'B');
}

TEST_F(CodecTest, UnknownExtensionWritesNothing)
{
    CDib pic = Picture(8, 8, 24);
    EXPECT_EQ(pic.SaveFile(Path("a.png"), kFormatBmp), 0);
    EXPECT_EQ(pic.SaveFile(Path("noext"), kFormatBmp), 0);
    EXPECT_EQ(pic.SaveFile(Path("a.jpeg"), 0x03000000), 0);
    EXPECT_TRUE(Entries().empty());
    CDib empty;
    EXPECT_EQ(empty.SaveFile(Path("e.bmp"), kFormatBmp), 0);
    EXPECT_TRUE(Entries().empty());
}

TEST_F(CodecTest, FailedWriteIsReportedAndKeepsTheOldFile)
{
    CDib pic = Picture(8, 8, 24);
    EXPECT_EQ(pic.SaveFile(Path("missing/a.bmp"), kFormatBmp), 0);
    ASSERT_EQ(pic.SaveFile(Path("keep.bmp"), kFormatBmp), 1);
    const auto before = Bytes(Path("keep.bmp"));

    // Wider than GIF allows: the writer fails and leaves no file behind.
    CDib wide;
    ASSERT_EQ(wide.Create(70000, 1, 8, 300), 1);
    EXPECT_EQ(wide.SaveFile(Path("wide.gif"), 0), 0);
    EXPECT_EQ(Entries(), std::vector<std::string>{"keep.bmp"});

    if (::geteuid() != 0)
    {
        std::filesystem::permissions(m_folder, std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::owner_exec);
        EXPECT_EQ(wide.SaveFile(Path("keep.bmp"), kFormatBmp), 0);
        std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all);
        EXPECT_EQ(Bytes(Path("keep.bmp")), before);
    }
}

TEST_F(CodecTest, OneBitBmpIsStoredInvertedWithBlackFirst)
{
    CDib bits;
    ASSERT_EQ(bits.Create(8, 1, 1, 300), 1);
    bits.Row(0)[0] = 0xA0; // pixels 0 and 2 black
    ASSERT_EQ(bits.SaveFile(Path("b.bmp"), kFormatBmp), 1);
    const auto bytes = Bytes(Path("b.bmp"));
    ASSERT_EQ(bytes.size(), 14u + 40 + 8 + 4);
    EXPECT_EQ(bytes[54], 0); // palette entry 0 black
    EXPECT_EQ(bytes[58], 255);
    EXPECT_EQ(bytes[62], 0x5F);
    CDib back;
    ASSERT_EQ(back.LoadFile(Path("b.bmp")), 1);
    EXPECT_EQ(back.Row(0)[0], 0xA0);
}

TEST_F(CodecTest, GreyBmpHasAGreyPaletteAndPixelsPerMetre)
{
    CDib grey = Picture(4, 2, 8, 300);
    ASSERT_EQ(grey.SaveFile(Path("g.bmp"), kFormatBmp), 1);
    const auto b = Bytes(Path("g.bmp"));
    ASSERT_GE(b.size(), 54u + 1024);
    EXPECT_EQ(b[28], 8);
    const unsigned ppm = b[38] | (b[39] << 8) | (b[40] << 16) | (unsigned(b[41]) << 24);
    EXPECT_EQ(ppm, 11811u);
    for (int i : {0, 1, 128, 255})
    {
        EXPECT_EQ(b[54 + 4 * i], i);
        EXPECT_EQ(b[54 + 4 * i + 2], i);
    }
}

TEST_F(CodecTest, BmpColourPaletteAndTopDownRowsAreRead)
{
    // A 2×2 8-bit file with a red/blue palette, rows stored top-down.
    std::vector<unsigned char> f(54 + 8 + 8, 0);
    f[0] = 'B', f[1] = 'M', f[10] = 62, f[14] = 40, f[18] = 2;
    const int negTwo = -2;
    std::memcpy(&f[22], &negTwo, 4);
    f[26] = 1, f[28] = 8, f[46] = 2;
    f[54 + 2] = 255;      // entry 0 red (B, G, R, 0)
    f[58 + 0] = 255;      // entry 1 blue
    f[62] = 0, f[63] = 1; // top row: red, blue
    f[66] = 1, f[67] = 0;
    WriteBytes(Path("c.bmp"), f);
    CDib pic;
    ASSERT_EQ(pic.LoadFile(Path("c.bmp")), 1);
    ASSERT_EQ(pic.BitsPerPixel(), 24);
    EXPECT_EQ(pic.Row(0)[2], 255); // red
    EXPECT_EQ(pic.Row(0)[3], 255); // blue
    EXPECT_EQ(pic.Row(1)[0], 255);
    EXPECT_EQ(pic.XResolution(), 300); // none stated
}

TEST_F(CodecTest, LoadResolutionRule)
{
    CDib pic = Picture(8, 8, 24);
    for (auto [stated, expected] : {std::pair{72, 300}, std::pair{74, 300}, std::pair{75, 75},
                                    std::pair{1200, 1200}, std::pair{1201, 300}})
    {
        pic.SetResolution(stated, stated);
        ASSERT_EQ(pic.SaveFile(Path("r.tif"), 0x01000000), 1);
        CDib loaded;
        ASSERT_EQ(loaded.LoadFile(Path("r.tif")), 1);
        EXPECT_EQ(loaded.XResolution(), expected) << stated;
        EXPECT_EQ(loaded.YResolution(), expected) << stated;
    }
}

TEST_F(CodecTest, LoadRecordsTheNameAndFailsOnMissingFiles)
{
    CDib pic = Picture(4, 4, 8);
    ASSERT_EQ(pic.SaveFile(Path("n.bmp"), kFormatBmp), 1);
    CDib loaded;
    ASSERT_EQ(loaded.LoadFile(Path("n.bmp")), 1);
    EXPECT_EQ(std::u16string(loaded.Name()).size(), Path("n.bmp").size());
    EXPECT_EQ(loaded.LoadFile(Path("none.bmp")), 0);
    EXPECT_FALSE(loaded.HasPixels());
}

} // namespace tavrel::test
