#include "../../support/ImageCompare.h"
#include "CodecTestFolder.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"

#include <gtest/gtest.h>

#include <png.h>

namespace tavrel::test
{

namespace
{

// A PNG written with libpng itself, since we have no PNG encoder of our own.
void WritePng(const std::string& path, int w, int h, int colourType, int bitDepth,
              const std::vector<unsigned char>& rows, int dpi, png_color* palette = nullptr,
              int paletteSize = 0)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), bitDepth, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette)
        png_set_PLTE(png, info, palette, paletteSize);
    if (dpi)
        png_set_pHYs(png, info, png_uint_32(dpi / 0.0254 + 0.5), png_uint_32(dpi / 0.0254 + 0.5),
                     PNG_RESOLUTION_METER);
    png_write_info(png, info);
    const std::size_t stride = rows.size() / std::size_t(h);
    for (int y = 0; y < h; ++y)
        png_write_row(png, rows.data() + stride * std::size_t(y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

CDib Picture(int w, int h, int bpp)
{
    CDib d;
    EXPECT_EQ(d.Create(w, h, bpp, 300), 1);
    FillPhotoLike(d, 5);
    return d;
}

} // namespace

TEST_F(CodecTest, PngColourGreyPaletteAndOneBitAreRead)
{
    std::vector<unsigned char> rgb = {10, 20, 30, 40, 50, 60};
    WritePng(Path("c.png"), 2, 1, PNG_COLOR_TYPE_RGB, 8, rgb, 600);
    CDib pic;
    ASSERT_EQ(pic.LoadFile(Path("c.png")), 1);
    ASSERT_EQ(pic.BitsPerPixel(), 24);
    EXPECT_EQ(pic.Row(0)[0], 30); // stored blue, green, red
    EXPECT_EQ(pic.Row(0)[2], 10);
    EXPECT_EQ(pic.Row(0)[3], 60);
    EXPECT_EQ(pic.XResolution(), 600);

    WritePng(Path("g.png"), 3, 1, PNG_COLOR_TYPE_GRAY, 8, {0, 128, 255}, 0);
    ASSERT_EQ(pic.LoadFile(Path("g.png")), 1);
    ASSERT_EQ(pic.BitsPerPixel(), 8);
    EXPECT_EQ(pic.Row(0)[1], 128);
    EXPECT_EQ(pic.XResolution(), 300);

    WritePng(Path("m.png"), 8, 1, PNG_COLOR_TYPE_GRAY, 1, {0x0F}, 0); // 0 = black in PNG
    ASSERT_EQ(pic.LoadFile(Path("m.png")), 1);
    ASSERT_EQ(pic.BitsPerPixel(), 1);
    EXPECT_EQ(pic.Row(0)[0], 0xF0);

    png_color greys[2] = {{0, 0, 0}, {200, 200, 200}};
    WritePng(Path("p.png"), 2, 1, PNG_COLOR_TYPE_PALETTE, 8, {1, 0}, 0, greys, 2);
    ASSERT_EQ(pic.LoadFile(Path("p.png")), 1);
    ASSERT_EQ(pic.BitsPerPixel(), 8);
    EXPECT_EQ(pic.Row(0)[0], 200);
    EXPECT_EQ(pic.Row(0)[1], 0);
}

namespace
{

struct Damaged
{
    const char* name;
    std::uint32_t code; // 0: the PNG written by the test
    int bpp;
};

class DamagedFiles : public CodecTest, public ::testing::WithParamInterface<Damaged>
{
protected:
    std::string Good()
    {
        const Damaged d = GetParam();
        const std::string path = Path(std::string("good.") + d.name);
        if (std::string(d.name) == "png")
        {
            std::vector<unsigned char> rows(std::size_t(64) * 3 * 48);
            for (std::size_t i = 0; i < rows.size(); ++i)
                rows[i] = static_cast<unsigned char>((i * 7919) >> 3);
            WritePng(path, 64, 48, PNG_COLOR_TYPE_RGB, 8, rows, 300);
        }
        else
        {
            CDib pic = Picture(64, 48, d.bpp);
            EXPECT_EQ(pic.SaveFile(path, d.code), 1);
        }
        return path;
    }
};

} // namespace

TEST_P(DamagedFiles, TruncatedFilesFailWithoutAPicture)
{
    const std::string good = Good();
    const auto bytes = Bytes(good);
    ASSERT_GT(bytes.size(), 64u);
    CDib check;
    ASSERT_EQ(check.LoadFile(good), 1);
    for (std::size_t keep : {std::size_t(0), std::size_t(3), std::size_t(20), bytes.size() / 3,
                             bytes.size() * 2 / 3, bytes.size() - 40})
    {
        const std::string cut = Path(std::string("cut.") + GetParam().name);
        WriteBytes(cut, std::vector<unsigned char>(bytes.begin(), bytes.begin() + long(keep)));
        CDib pic;
        ASSERT_EQ(pic.Create(3, 3, 8, 300), 1);
        EXPECT_EQ(pic.LoadFile(cut), 0) << "kept " << keep << " of " << bytes.size();
        EXPECT_FALSE(pic.HasPixels());
    }
}

TEST_P(DamagedFiles, CorruptHeadersAndDataNeverCrash)
{
    const std::string good = Good();
    const auto bytes = Bytes(good);
    unsigned state = 12345;
    for (int round = 0; round < 60; ++round)
    {
        auto bad = bytes;
        // Damage a few bytes past the signature, mostly in the headers.
        const int hits = 1 + round % 4;
        for (int k = 0; k < hits; ++k)
        {
            state = state * 1103515245u + 12345u;
            const std::size_t span =
                round < 30 ? std::min<std::size_t>(bad.size(), 200) : bad.size();
            const std::size_t at = 4 + (state >> 8) % (span - 4);
            bad[at] = static_cast<unsigned char>(state >> 3);
        }
        const std::string path = Path(std::string("bad.") + GetParam().name);
        WriteBytes(path, bad);
        CDib pic;
        const int loaded = pic.LoadFile(path);
        // Either a whole, consistent picture or none.
        EXPECT_EQ(loaded == 1, pic.HasPixels());
        if (loaded)
        {
            EXPECT_GT(pic.Width(), 0);
            EXPECT_EQ(pic.RowSize(), CDib::RowSizeFor(pic.Width(), pic.BitsPerPixel()));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Readers, DamagedFiles,
    ::testing::Values(Damaged{"bmp", kFormatBmp, 24}, Damaged{"jpg", kFormatJpeg95, 24},
                      Damaged{"tif", 0x01000002, 24}, Damaged{"tif", 0x01000003, 1},
                      Damaged{"gif", 0, 8}, Damaged{"png", 0, 24}),
    [](const auto& info) { return std::string(info.param.name) + std::to_string(info.param.bpp); });

TEST_F(CodecTest, JpegWithDamagedEntropyDataIsRefused)
{
    CDib pic = Picture(64, 64, 24);
    ASSERT_EQ(pic.SaveFile(Path("a.jpg"), kFormatJpeg95), 1);
    auto bytes = Bytes(Path("a.jpg"));
    // Markers inside the scan data end it early: the rest would be made up.
    for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 8; i += 2)
        bytes[i] = 0xFF, bytes[i + 1] = 0xD0;
    WriteBytes(Path("b.jpg"), bytes);
    CDib loaded;
    EXPECT_EQ(loaded.LoadFile(Path("b.jpg")), 0);
    EXPECT_FALSE(loaded.HasPixels());
}

TEST_F(CodecTest, UnknownContentIsRefused)
{
    WriteBytes(Path("x.bmp"), {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    CDib pic;
    EXPECT_EQ(pic.LoadFile(Path("x.bmp")), 0);
    EXPECT_EQ(pic.LoadFile(m_folder), 0); // a folder
}

} // namespace tavrel::test
